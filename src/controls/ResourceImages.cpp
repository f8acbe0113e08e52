#include "controls/ResourceImages.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QResource>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <mutex>

// The resources live in a static library; without an explicit reference the
// linker would leave them out of the program.
static void RegisterResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(annivo); });
}

QString BitmapResourcePath(int bitmapId) {
    switch (bitmapId) {
    case kBitmapToolbar: return QStringLiteral(":/icons/toolbar.svg");
    case kBitmapExit: return QStringLiteral(":/icons/exit.svg");
    case kBitmapConfirm: return QStringLiteral(":/icons/confirm.svg");
    case kBitmapUpdate: return QStringLiteral(":/icons/update.svg");
    default: return {};
    }
}

QString IconResourcePath(int iconId) {
    switch (iconId) {
    case kIconProgram: return QStringLiteral(":/icons/annivo.svg");
    case kIconLocked: return QStringLiteral(":/icons/locked.svg");
    default: return {};
    }
}

namespace {

// The pictures a start shows were rendered from their SVG when the program was
// built, under :/rendered by the SVG's name: "toolbar@2x.argb" at twice its
// own size, "annivo-32.argb" 32 pixels square. Each holds "ARGB", its width
// and height (32 bits each, in the machine's order) and its premultiplied
// ARGB32 pixels, row after row (tools/render_icon.cpp): copying them costs a
// fraction of decoding a PNG, let alone drawing the SVG.
QString RenderedPath(const QString& svgPath, const QString& suffix) {
    return QStringLiteral(":/rendered/") + QFileInfo(svgPath).completeBaseName() + suffix;
}

struct RenderedPixels {
    QSize size;
    const uchar* pixels = nullptr; // in the resource itself; null when there is none
};

RenderedPixels FindRendered(const QString& path) {
    const QResource resource(path);
    // Stored as drawn (see src/controls/CMakeLists.txt); anything else is
    // not one of these pictures.
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
        return {};
    constexpr qint64 kHeader = 12;
    const uchar* data = resource.data();
    std::uint32_t size[2] = {0, 0};
    if (resource.size() < kHeader || std::memcmp(data, "ARGB", 4) != 0)
        return {};
    std::memcpy(size, data + 4, sizeof size);
    if (size[0] == 0 || size[1] == 0 || size[0] > 4096 || size[1] > 4096 ||
        resource.size() != kHeader + qint64{size[0]} * size[1] * 4)
        return {};
    return {QSize(static_cast<int>(size[0]), static_cast<int>(size[1])), data + kHeader};
}

// Read once per run: the main window and the notification area show the
// same icons, and the toolbar's three states come from one strip. A null
// image when the program has no such picture.
QImage ReadRendered(const QString& path) {
    static std::mutex mutex;
    static std::map<QString, QImage> read;
    const std::lock_guard lock(mutex);
    const auto found = read.find(path);
    if (found != read.end())
        return found->second;
    QImage image;
    if (const RenderedPixels rendered = FindRendered(path); rendered.pixels) {
        // Copied line by line: the resource's bytes need not be aligned as
        // an image's lines must be.
        image = QImage(rendered.size, QImage::Format_ARGB32_Premultiplied);
        const auto row = static_cast<std::size_t>(rendered.size.width()) * 4;
        for (int y = 0; !image.isNull() && y < rendered.size.height(); ++y)
            std::memcpy(image.scanLine(y), rendered.pixels + row * static_cast<std::size_t>(y),
                        row);
    }
    read.emplace(path, image);
    return image;
}

// Any other size is drawn from the SVG by Qt's SVG image plugin, loaded
// only then.
QImage DrawSvg(const QString& path, QSize pixels) {
    QImageReader reader(path, "svg");
    reader.setScaledSize(pixels);
    return reader.read();
}

} // namespace

QIcon ResourceIcon(int iconId) {
    RegisterResources();
    const QString path = IconResourcePath(iconId);
    if (path.isEmpty())
        return {};
    // Each size a desktop asks for is scaled from the nearest rendered one.
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128}) {
        icon.addPixmap(QPixmap::fromImage(
            ReadRendered(RenderedPath(path, QStringLiteral("-%1.argb").arg(side)))));
    }
    return icon;
}

QSize BitmapSize(int bitmapId) {
    RegisterResources();
    const QString path = BitmapResourcePath(bitmapId);
    if (path.isEmpty())
        return {};
    if (const RenderedPixels rendered =
            FindRendered(RenderedPath(path, QStringLiteral("@1x.argb")));
        rendered.pixels)
        return rendered.size;
    return QImageReader(path, "svg").size();
}

QImage RenderBitmap(int bitmapId, QSize size, qreal scale) {
    RegisterResources();
    const QString path = BitmapResourcePath(bitmapId);
    if (path.isEmpty() || size.isEmpty())
        return {};
    const QSize pixels = (QSizeF(size) * scale).toSize();
    QImage image;
    if (scale == std::round(scale)) {
        image = ReadRendered(RenderedPath(path, QStringLiteral("@%1x.argb").arg(qRound(scale))));
        if (image.size() != pixels)
            image = QImage();
    }
    if (image.isNull())
        image = DrawSvg(path, pixels);
    if (image.isNull())
        return {};
    image = std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    return image;
}

QImage WithTransparentColor(const QImage& image, QRgb color) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = color | 0xFF000000u;
    for (int y = 0; y < result.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if (line[x] == key)
                line[x] = 0;
        }
    }
    return result;
}
