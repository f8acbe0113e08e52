#include "controls/ImageButtonLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Draws the frame into a character grid: W white, G grey, B black.
std::vector<std::string> Frame(int w, int h, bool pressed, bool enabled = true) {
    std::vector<std::string> grid(h, std::string(w, '.'));
    const ImageButtonLayout layout = LayOutImageButton({w, h, 0, 0, 0, 0, 0, pressed, enabled});
    for (const ButtonLine& line : layout.frame) {
        const char mark = line.color == ButtonRgb{255, 255, 255} ? 'W'
                          : line.color == ButtonRgb{0, 0, 0}     ? 'B'
                                                                 : 'G';
        const int dx = (line.to.x > line.from.x) - (line.to.x < line.from.x);
        const int dy = (line.to.y > line.from.y) - (line.to.y < line.from.y);
        for (ButtonPoint p = line.from;; p.x += dx, p.y += dy) {
            if (p.x >= 0 && p.x < w && p.y >= 0 && p.y < h)
                grid[p.y][p.x] = mark;
            if (p == line.to)
                break;
        }
    }
    return grid;
}

TEST(ImageButtonLayout, FrameIsRaisedWhenUpAndSunkWhenPressed) {
    // Rows top to bottom.
    const std::vector<std::string> up{"WWWWWB", "WWWWGB", "WW..GB", "WGGGGB", "BBBBBB"};
    const std::vector<std::string> pressed{"BBBBBB", "BGGGGB", "BG..GB", "BGGGGB", "BBBBBB"};
    EXPECT_EQ(Frame(6, 5, false), up);
    EXPECT_EQ(Frame(6, 5, true), pressed);
    EXPECT_EQ(Frame(6, 5, false, false), up);
}

TEST(ImageButtonLayout, PictureAndCaptionAreCentredTogether) {
    // Height 24, picture 18 high, caption 30 wide and 14 high; (80 - 3 - 18 - 30) / 2 = 14,
    // pressed moves one right and one down, a caption too wide starts at -9 / 2 = -4.
    const struct {
        int width, gap, imageWidth;
        bool pressed, enabled;
        ButtonPoint image, caption;
    } cases[] = {
        {80, 3, 18, false, true, {14, 3}, {35, 5}},  {80, 3, 18, true, true, {15, 4}, {36, 6}},
        {80, 3, 18, false, false, {14, 3}, {35, 5}}, {80, 0, 18, false, true, {16, 3}, {34, 5}},
        {80, 0, 0, false, true, {25, 3}, {25, 5}},   {21, 0, 0, false, true, {-4, 3}, {-4, 5}}};
    for (const auto& c : cases) {
        const ImageButtonLayout layout =
            LayOutImageButton({c.width, 24, c.gap, c.imageWidth, 18, 30, 14, c.pressed, c.enabled});
        EXPECT_EQ(layout.image, c.image) << c.width << " " << c.gap << " " << c.pressed;
        EXPECT_EQ(layout.caption, c.caption) << c.width << " " << c.gap << " " << c.pressed;
        // A disabled button keeps the dialog's face and greys its caption.
        EXPECT_EQ(layout.fillFace, c.enabled);
        EXPECT_EQ(layout.captionColor,
                  c.enabled ? std::nullopt : std::optional(ButtonRgb{160, 160, 160}));
    }
}

} // namespace
