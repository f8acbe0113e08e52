#include "controls/ResourceImages.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include <cmath>
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
// built, under :/rendered by the SVG's name: "toolbar@2x.png" at twice its own
// size, "annivo-32.png" 32 pixels square. Reading one of those costs a
// fraction of parsing and drawing the SVG.
QString RenderedPath(const QString& svgPath, const QString& suffix) {
    return QStringLiteral(":/rendered/") + QFileInfo(svgPath).completeBaseName() + suffix;
}

// A rendered picture, read as PNG without asking every image plugin first
// (Qt would load each of them, the SVG one and its library included).
template <typename Use> auto WithPngReader(const QString& path, Use use) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return use(reader);
}

// Read once per run: the main window and the notification area show the
// same icons, and the toolbar's three states come from one strip.
QImage ReadPng(const QString& path) {
    static std::mutex mutex;
    static std::map<QString, QImage> read;
    const std::lock_guard lock(mutex);
    const auto found = read.find(path);
    if (found != read.end())
        return found->second;
    QImage image = WithPngReader(path, [](QImageReader& reader) { return reader.read(); });
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
        icon.addPixmap(
            QPixmap::fromImage(ReadPng(RenderedPath(path, QStringLiteral("-%1.png").arg(side)))));
    }
    return icon;
}

QSize BitmapSize(int bitmapId) {
    RegisterResources();
    const QString path = BitmapResourcePath(bitmapId);
    if (path.isEmpty())
        return {};
    const QString rendered = RenderedPath(path, QStringLiteral("@1x.png"));
    if (!QFile::exists(rendered))
        return QImageReader(path, "svg").size();
    return WithPngReader(rendered, [](QImageReader& reader) { return reader.size(); });
}

QImage RenderBitmap(int bitmapId, QSize size, qreal scale) {
    RegisterResources();
    const QString path = BitmapResourcePath(bitmapId);
    if (path.isEmpty() || size.isEmpty())
        return {};
    const QSize pixels = (QSizeF(size) * scale).toSize();
    QImage image;
    if (scale == std::round(scale)) {
        const QString rendered = RenderedPath(path, QStringLiteral("@%1x.png").arg(qRound(scale)));
        if (QFile::exists(rendered))
            image = ReadPng(rendered);
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
