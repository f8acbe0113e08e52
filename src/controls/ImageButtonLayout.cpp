#include "controls/ImageButtonLayout.h"

#include <initializer_list>

namespace {

constexpr ButtonRgb kWhite{255, 255, 255};
constexpr ButtonRgb kBlack{0, 0, 0};
constexpr ButtonRgb kGrey{128, 128, 128};
constexpr ButtonRgb kDisabledCaption{160, 160, 160};

int Step(int from, int to) {
    return to > from ? 1 : to < from ? -1 : 0;
}

// A polyline drawn the way a pen moving from point to point draws it: each
// line stops one pixel short of the point it moves to, so the last point is
// left out. Only horizontal and vertical moves occur here.
void AddPolyline(std::vector<ButtonLine>& lines, ButtonRgb color,
                 std::initializer_list<ButtonPoint> points) {
    const ButtonPoint* previous = nullptr;
    for (const ButtonPoint& point : points) {
        if (previous && !(point == *previous)) {
            const ButtonPoint end{point.x - Step(previous->x, point.x),
                                  point.y - Step(previous->y, point.y)};
            lines.push_back({color, *previous, end});
        }
        previous = &point;
    }
}

} // namespace

ImageButtonLayout LayOutImageButton(const ImageButtonInput& in) {
    const int w = in.width;
    const int h = in.height;
    ButtonRgb highlight = kWhite;
    ButtonRgb shadow = kGrey;
    ButtonRgb inner = kBlack;

    ImageButtonLayout layout;
    if (in.pressed) {
        highlight = kBlack;
        shadow = kBlack;
        inner = kGrey;
        layout.fillFace = true;
    } else if (!in.enabled) {
        layout.captionColor = kDisabledCaption;
    } else {
        layout.fillFace = true;
    }

    auto& frame = layout.frame;
    AddPolyline(frame, highlight, {{1, h - 1}, {1, 1}, {w - 1, 1}});
    AddPolyline(frame, highlight, {{0, h - 1}, {0, 0}, {w - 1, 0}});
    AddPolyline(frame, shadow, {{w - 1, 0}, {w - 1, h - 1}, {0, h - 1}});
    AddPolyline(frame, shadow, {{w - 2, 1}, {w - 2, h - 2}, {0, h - 2}});

    int left = 0;
    int top = 0;
    if (in.pressed) {
        left = top = 1;
        AddPolyline(frame, inner, {{1, 1}, {w - 2, 1}, {w - 2, h - 2}, {1, h - 2}, {1, 1}});
    } else {
        AddPolyline(frame, inner, {{w - 1, 0}, {w - 1, h - 1}, {-1, h - 1}});
    }

    // The group is the picture, the gap and the caption; an odd pixel left
    // over goes to the right.
    const int margin = (w - in.gap - in.imageWidth - in.captionWidth) / 2;
    layout.caption = {left + in.gap + in.imageWidth + margin, top + (h - in.captionHeight) / 2};
    layout.image = {left + margin, top + (h - in.imageHeight) / 2};
    return layout;
}
