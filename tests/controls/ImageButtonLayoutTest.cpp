#include "controls/ImageButtonLayout.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageButtonLayout, PictureAndCaptionAreCentredTogether) {
    // Height 24, picture 18 high, caption 30 wide and 14 high; (80 - 3 - 18 - 30) / 2 = 14,
    // pressed moves one right and one down, a caption too wide starts at -9 / 2 = -4.
    const struct {
        int width, gap, imageWidth;
        bool pressed, enabled;
        ButtonPoint image, caption;
    } cases[] = {{80, 3, 18, false, true, {14, 3}, {35, 5}},
                 {80, 3, 18, true, true, {15, 4}, {36, 6}},
                 {80, 3, 18, false, false, {14, 3}, {35, 5}},
                 {80, 0, 0, false, true, {25, 3}, {25, 5}},
                 {21, 0, 0, false, true, {-4, 3}, {-4, 5}}};
    for (const auto& c : cases) {
        const ImageButtonLayout layout =
            LayOutImageButton({c.width, 24, c.gap, c.imageWidth, 18, 30, 14, c.pressed, c.enabled});
        EXPECT_EQ(layout.image, c.image) << c.width << " " << c.gap << " " << c.pressed;
        EXPECT_EQ(layout.caption, c.caption) << c.width << " " << c.gap << " " << c.pressed;
        // A disabled button keeps the dialog's face and greys its caption.
        EXPECT_EQ(layout.fillFace, c.enabled);
        EXPECT_EQ(layout.captionColor,
                  c.enabled ? std::nullopt : std::optional(ButtonRgb{160, 160, 160}));
        // Raised up: white top left; sunk when pressed: black all round.
        EXPECT_EQ(layout.frame.at(0).color, c.pressed ? ButtonRgb() : ButtonRgb(255, 255, 255));
    }
}

} // namespace
