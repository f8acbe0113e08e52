#pragma once
// Where the image button draws its frame, picture and caption, worked out
// without a window so that it can be checked pixel by pixel.

#include <optional>
#include <vector>

struct ButtonRgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const ButtonRgb&) const = default;
};

struct ButtonPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ButtonPoint&) const = default;
};

// One straight frame line; both end points are drawn.
struct ButtonLine {
    ButtonRgb color;
    ButtonPoint from;
    ButtonPoint to;
    bool operator==(const ButtonLine&) const = default;
};

struct ImageButtonInput {
    int width = 0; // the button
    int height = 0;
    int gap = 0; // between picture and caption
    int imageWidth = 0;
    int imageHeight = 0;
    int captionWidth = 0;
    int captionHeight = 0; // height of a line of the font
    bool pressed = false;
    bool enabled = true;
};

struct ImageButtonLayout {
    bool fillFace = false;                 // paint the face in the dialog colour first
    std::vector<ButtonLine> frame;         // in drawing order; later lines cover earlier ones
    ButtonPoint caption;                   // top left of the caption's line
    std::optional<ButtonRgb> captionColor; // unset: the usual text colour
    ButtonPoint image;                     // top left of the picture
};

// Picture and caption are centred as one group; a pressed button shows them
// one pixel further right and down. The picture's place is reserved even
// when there is no picture, so a caption-only button looks the same.
ImageButtonLayout LayOutImageButton(const ImageButtonInput& input);
