#pragma once
// The shape of a balloon tip: a rounded rectangle around the text with a
// tail at its lower right whose point lands on the spot the tip is about.

struct BalloonPoint {
    int x = 0;
    int y = 0;
    bool operator==(const BalloonPoint&) const = default;
};

struct BalloonShape {
    int width = 0;        // of the window and of the rounded body
    int bodyHeight = 0;   // of the rounded body
    int height = 0;       // of the window: body and tail
    BalloonPoint tail[3]; // the body's corner side, the point, the inner side
    BalloonPoint textOrigin;

    // Top-left corner of the window that puts the tail's point on `anchor`.
    BalloonPoint WindowPosition(BalloonPoint anchor) const;
};

// Corner ellipse of the body.
constexpr int kBalloonCornerWidth = 12;
constexpr int kBalloonCornerHeight = 10;

// The balloon around a text measured as `textWidth` x `textHeight`, with an
// optional icon (0 x 0 for none) to the left of the text.
BalloonShape MakeBalloonShape(int textWidth, int textHeight, int iconWidth = 0, int iconHeight = 0);
