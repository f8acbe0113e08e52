#pragma once
// The pictures built into the program, known by the numbers the windows use.

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

// Window icons.
inline constexpr int kIconProgram = 128;
inline constexpr int kIconLocked = 147;

// Bitmaps: the toolbar strip (six 24 x 24 pictures side by side) and the
// button pictures.
inline constexpr int kBitmapToolbar = 128;
inline constexpr int kBitmapExit = 132;    // exit, cancel and delete buttons
inline constexpr int kBitmapConfirm = 133; // OK and other confirming buttons
inline constexpr int kBitmapUpdate = 152;  // update and other action buttons

// The resource path of a bitmap or icon, or "" for a number we do not have.
QString BitmapResourcePath(int bitmapId);
QString IconResourcePath(int iconId);

// A window icon; null for an unknown number.
QIcon ResourceIcon(int iconId);

// The natural size of a bitmap (empty when unknown).
QSize BitmapSize(int bitmapId);

// The bitmap drawn at `size` pixels times `scale` (for high-density screens),
// on a transparent background; a null image for an unknown number.
QImage RenderBitmap(int bitmapId, QSize size, qreal scale = 1.0);

// A copy of the image in which every opaque pixel of `color` is transparent,
// for pictures drawn on a background of that colour.
QImage WithTransparentColor(const QImage& image, QRgb color);
