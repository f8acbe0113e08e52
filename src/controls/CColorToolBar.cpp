#include "controls/CColorToolBar.h"

#include "controls/ResourceImages.h"

#include <QAction>
#include <QActionEvent>

std::vector<QPixmap> CutImageStrip(const QImage& strip, int imageWidth) {
    std::vector<QPixmap> pictures;
    const qreal scale = strip.devicePixelRatio();
    const int width = qRound(imageWidth * scale);
    if (strip.isNull() || width <= 0)
        return pictures;
    // A strip is drawn on a background of one colour; the bottom-left pixel
    // is always background.
    const QRgb background = strip.pixel(0, strip.height() - 1);
    const bool opaque = qAlpha(background) == 255;
    const int count = strip.width() / width;
    for (int i = 0; i < count; ++i) {
        QImage picture = strip.copy(i * width, 0, width, strip.height());
        if (opaque)
            picture = WithTransparentColor(picture, background);
        QPixmap pixmap = QPixmap::fromImage(picture);
        pixmap.setDevicePixelRatio(scale);
        pictures.push_back(pixmap);
    }
    return pictures;
}

CColorToolBar::CColorToolBar(QWidget* parent) : QToolBar(parent) {}

bool CColorToolBar::SetTrueColorImages(int imageWidth, int normalId, int hotId, int disabledId) {
    if (imageWidth <= 0)
        return false;
    const qreal scale = devicePixelRatioF();
    auto load = [&](int bitmapId, std::vector<QPixmap>& into) {
        const QImage strip = RenderBitmap(bitmapId, BitmapSize(bitmapId), scale);
        if (strip.isNull())
            return false;
        into = CutImageStrip(strip, imageWidth);
        setIconSize(QSize(imageWidth, qRound(strip.height() / scale)));
        return true;
    };
    bool installed = load(normalId, m_Normal) && load(hotId, m_Hot);
    if (installed && disabledId != 0)
        installed = load(disabledId, m_Disabled);
    else if (disabledId == 0)
        m_Disabled.clear();
    ApplyImages();
    return installed;
}

void CColorToolBar::actionEvent(QActionEvent* event) {
    QToolBar::actionEvent(event);
    if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved)
        ApplyImages();
}

void CColorToolBar::ApplyImages() {
    if (m_Normal.empty())
        return;
    std::size_t picture = 0;
    for (QAction* action : actions()) {
        if (action->isSeparator())
            continue;
        QIcon icon;
        if (picture < m_Normal.size())
            icon.addPixmap(m_Normal[picture], QIcon::Normal);
        if (picture < m_Hot.size())
            icon.addPixmap(m_Hot[picture], QIcon::Active);
        if (picture < m_Disabled.size())
            icon.addPixmap(m_Disabled[picture], QIcon::Disabled);
        action->setIcon(icon);
        ++picture;
    }
}
