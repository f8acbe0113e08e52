// The pictures a start shows come rendered at build time; they must be the
// pictures their SVG draws, and any other size must still be drawn.

#include "controls/ResourceImages.h"

#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

QImage DrawnFromSvg(const QString& path, QSize pixels) {
    QImageReader reader(path, "svg");
    reader.setScaledSize(pixels);
    return reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Pixels that differ by more than `tolerance` in a channel.
int DifferingPixels(const QImage& a, const QImage& b, int tolerance = 0) {
    if (a.size() != b.size())
        return a.width() * a.height() + 1;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance ||
                std::abs(qAlpha(p) - qAlpha(q)) > tolerance)
                ++differing;
        }
    return differing;
}

int OpaquePixels(const QImage& image) {
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) == 255;
    return opaque;
}

bool SvgLibraryLoaded() {
    std::ifstream maps("/proc/self/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find("libQt6Svg") != std::string::npos;
}

TEST(ResourceImages, AStartShowsItsPicturesWithoutDrawingSvg) {
    // What the main window shows on an ordinary and a double-density screen.
    const QSize size = BitmapSize(kBitmapToolbar);
    for (const qreal scale : {1.0, 2.0})
        EXPECT_FALSE(RenderBitmap(kBitmapToolbar, size, scale).isNull());
    for (const int side : {16, 24, 32, 48, 64, 128})
        EXPECT_FALSE(ResourceIcon(kIconProgram).pixmap(side, side).isNull());
    EXPECT_FALSE(SvgLibraryLoaded());
    // Drawing at a size not rendered beforehand takes the SVG.
    EXPECT_FALSE(RenderBitmap(kBitmapToolbar, size, 1.25).isNull());
    EXPECT_TRUE(SvgLibraryLoaded());
}

TEST(ResourceImages, TheToolbarStripIsWhatItsSvgDrawsAtEveryScale) {
    const QSize size = BitmapSize(kBitmapToolbar);
    ASSERT_EQ(size, QSize(144, 24)); // six 24 x 24 pictures
    const QString svg = BitmapResourcePath(kBitmapToolbar);
    // 1 and 2 come rendered; 1.5 is drawn from the SVG when asked for.
    for (const qreal scale : {1.0, 2.0, 1.5}) {
        const QImage strip = RenderBitmap(kBitmapToolbar, size, scale);
        const QSize pixels = (QSizeF(size) * scale).toSize();
        ASSERT_EQ(strip.size(), pixels) << scale;
        EXPECT_EQ(strip.devicePixelRatio(), scale);
        EXPECT_EQ(strip.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_GT(OpaquePixels(strip), pixels.width() * pixels.height() / 10) << scale;
        EXPECT_EQ(DifferingPixels(strip, DrawnFromSvg(svg, pixels)), 0) << scale;
    }
    // A size of its own is drawn at that size, not taken from a rendered one.
    EXPECT_EQ(RenderBitmap(kBitmapToolbar, QSize(72, 12), 2.0).size(), QSize(144, 24));
}

TEST(ResourceImages, WindowIconsAreTheirSvgAtEachSizeADesktopAsksFor) {
    for (const int id : {kIconProgram, kIconLocked}) {
        const QIcon icon = ResourceIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        const QList<QSize> sizes = icon.availableSizes();
        for (const int side : {16, 32, 64, 128})
            EXPECT_TRUE(sizes.contains(QSize(side, side))) << id << " " << side;
        for (const int side : {16, 48, 128}) {
            const QImage drawn = icon.pixmap(side, side)
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            EXPECT_EQ(DifferingPixels(drawn, DrawnFromSvg(IconResourcePath(id), {side, side})), 0)
                << id << " " << side;
        }
        // Between the rendered sizes, the nearest is scaled.
        EXPECT_EQ(icon.pixmap(22, 22).size(), QSize(22, 22));
    }
}

// The dialogs' button pictures are drawn from their SVG; unknown numbers have none.
TEST(ResourceImages, ButtonPicturesAreDrawnAndUnknownNumbersHaveNone) {
    for (const int id : {kBitmapExit, kBitmapConfirm, kBitmapUpdate}) {
        const QImage picture = RenderBitmap(id, {32, 32}, 2.0);
        ASSERT_EQ(picture.size(), QSize(64, 64)) << id;
        EXPECT_GT(OpaquePixels(picture), 0) << id;
    }
    EXPECT_TRUE(ResourceIcon(1).isNull());
    EXPECT_TRUE(BitmapSize(1).isEmpty());
    EXPECT_TRUE(RenderBitmap(1, {24, 24}).isNull());
    EXPECT_TRUE(RenderBitmap(kBitmapToolbar, {}).isNull());
}

} // namespace
