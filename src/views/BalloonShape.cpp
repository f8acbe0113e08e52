#include "views/BalloonShape.h"

#include <algorithm>

namespace {

constexpr int kMarginX = 12;    // left and right of the text
constexpr int kMarginY = 10;    // above and below it
constexpr int kIconGap = 5;     // between icon and text
constexpr int kTailLength = 25; // below the body
constexpr int kTailWidth = 25;  // where it leaves the body

} // namespace

BalloonShape MakeBalloonShape(int textWidth, int textHeight, int iconWidth, int iconHeight) {
    BalloonShape shape;
    int w = textWidth + 2 * kMarginX;
    int h = textHeight + 2 * kMarginY;
    if (iconWidth > 0 || iconHeight > 0) {
        w += iconWidth + kIconGap;
        h = std::max(h, iconHeight);
    }
    shape.width = w;
    shape.bodyHeight = h;
    shape.height = h + kTailLength;
    // The tail leaves the body 12 pixels in from the right and 10 up from the
    // bottom, inside the rounded corner, and points straight down.
    shape.tail[0] = {w - kMarginX, h - kMarginY};
    shape.tail[1] = {w - kMarginX, h + kTailLength - kMarginY};
    shape.tail[2] = {w - kMarginX - kTailWidth, h - kMarginY};
    shape.textOrigin = {kMarginX + (iconWidth > 0 ? iconWidth + kIconGap : 0), kMarginY};
    return shape;
}

BalloonPoint BalloonShape::WindowPosition(BalloonPoint anchor) const {
    return {anchor.x - tail[1].x, anchor.y - tail[1].y};
}
