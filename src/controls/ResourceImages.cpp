#include "controls/ResourceImages.h"

#include <QPainter>
#include <QSvgRenderer>

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

QIcon ResourceIcon(int iconId) {
    RegisterResources();
    const QString path = IconResourcePath(iconId);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

QSize BitmapSize(int bitmapId) {
    RegisterResources();
    const QString path = BitmapResourcePath(bitmapId);
    if (path.isEmpty())
        return {};
    return QSvgRenderer(path).defaultSize();
}

QImage RenderBitmap(int bitmapId, QSize size, qreal scale) {
    RegisterResources();
    const QString path = BitmapResourcePath(bitmapId);
    if (path.isEmpty() || size.isEmpty())
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QImage image((QSizeF(size) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
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
