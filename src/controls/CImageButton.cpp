#include "controls/CImageButton.h"

#include "controls/ImageButtonLayout.h"
#include "controls/ResourceImages.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace {

QColor ToColor(ButtonRgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

} // namespace

CImageButton::CImageButton(QWidget* parent) : QPushButton(parent) {}

CImageButton::CImageButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CImageButton::SetImage(int bitmapId, int width, int height, int gap) {
    m_BitmapId = bitmapId;
    m_ImageWidth = width;
    m_ImageHeight = height;
    m_Gap = gap;
    RenderImage();
    updateGeometry();
    update();
}

void CImageButton::RenderImage() {
    m_Image = QImage();
    if (m_BitmapId == 0)
        return;
    const qreal scale = devicePixelRatioF();
    const QImage picture = RenderBitmap(m_BitmapId, QSize(m_ImageWidth, m_ImageHeight), scale);
    if (!picture.isNull()) {
        m_Image = WithTransparentColor(picture, qRgb(255, 255, 255));
        m_Image.setDevicePixelRatio(scale);
    }
}

QSize CImageButton::sizeHint() const {
    const QSize base = QPushButton::sizeHint();
    return {base.width() + m_ImageWidth + m_Gap, qMax(base.height(), m_ImageHeight + 6)};
}

void CImageButton::paintEvent(QPaintEvent*) {
    if (!m_Image.isNull() && m_Image.devicePixelRatio() != devicePixelRatioF())
        RenderImage(); // moved to a screen of another density
    QPainter painter(this);
    const QFontMetrics metrics(font());

    ImageButtonInput input;
    input.width = width();
    input.height = height();
    input.gap = m_Gap;
    input.imageWidth = m_ImageWidth;
    input.imageHeight = m_ImageHeight;
    input.captionWidth = metrics.horizontalAdvance(text());
    input.captionHeight = metrics.height();
    input.pressed = isDown();
    input.enabled = isEnabled();
    const ImageButtonLayout layout = LayOutImageButton(input);

    if (layout.fillFace)
        painter.fillRect(rect(), palette().color(QPalette::Button));
    for (const ButtonLine& line : layout.frame) {
        painter.setPen(QPen(ToColor(line.color), 0));
        painter.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
    }

    painter.setPen(layout.captionColor ? ToColor(*layout.captionColor)
                                       : palette().color(QPalette::ButtonText));
    painter.drawText(QPoint(layout.caption.x, layout.caption.y + metrics.ascent()), text());

    if (!m_Image.isNull())
        painter.drawImage(QRect(layout.image.x, layout.image.y, m_ImageWidth, m_ImageHeight),
                          m_Image);

    // The flat face has no focus look of its own: the style's frame, inside
    // the raised edge, shows where the keyboard is.
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -4, -4);
        option.backgroundColor = palette().color(QPalette::Button);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}
