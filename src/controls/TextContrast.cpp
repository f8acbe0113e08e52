#include "controls/TextContrast.h"

#include <algorithm>
#include <cmath>

namespace {

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(TextRgb color) {
    return 0.2126 * Linear(color.red) + 0.7152 * Linear(color.green) + 0.0722 * Linear(color.blue);
}

TextRgb Mix(TextRgb from, TextRgb to, int step, int steps) {
    const auto channel = [&](int a, int b) { return a + (b - a) * step / steps; };
    return {channel(from.red, to.red), channel(from.green, to.green), channel(from.blue, to.blue)};
}

} // namespace

double ContrastRatio(TextRgb first, TextRgb second) {
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

TextRgb ReadableTextColor(TextRgb text, TextRgb background, double minimum) {
    if (ContrastRatio(text, background) >= minimum)
        return text;
    constexpr TextRgb kBlack{0, 0, 0};
    constexpr TextRgb kWhite{255, 255, 255};
    const TextRgb target =
        ContrastRatio(kBlack, background) >= ContrastRatio(kWhite, background) ? kBlack : kWhite;
    constexpr int kSteps = 32;
    for (int step = 1; step < kSteps; ++step) {
        const TextRgb mixed = Mix(text, target, step, kSteps);
        if (ContrastRatio(mixed, background) >= minimum)
            return mixed;
    }
    return target;
}
