#pragma once
// Readable text whatever colours the desktop's theme brings: a fixed light
// background keeps dark text under a dark theme, and fixed dark text is
// lightened on a dark background. Contrast as the accessibility guidelines
// measure it (1:1 to 21:1); 4.5:1 is their minimum for normal text.

struct TextRgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const TextRgb&) const = default;
};

inline constexpr double kReadableContrast = 4.5;

double ContrastRatio(TextRgb first, TextRgb second);

// `text` when it reads on `background` with at least `minimum` contrast;
// otherwise `text` moved towards black (or white, whichever contrasts more
// with the background) just far enough, so that a link stays bluish.
TextRgb ReadableTextColor(TextRgb text, TextRgb background, double minimum = kReadableContrast);
