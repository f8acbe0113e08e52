#include "views/CBalloonTip.h"

#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace {

constexpr int kWatchInterval = 500; // ms

QPainterPath BalloonPath(const BalloonShape& shape) {
    QPainterPath body;
    body.addRoundedRect(QRectF(0, 0, shape.width, shape.bodyHeight), kBalloonCornerWidth / 2.0,
                        kBalloonCornerHeight / 2.0);
    QPainterPath tail;
    tail.moveTo(shape.tail[0].x, shape.tail[0].y);
    tail.lineTo(shape.tail[1].x, shape.tail[1].y);
    tail.lineTo(shape.tail[2].x, shape.tail[2].y);
    tail.closeSubpath();
    return body.united(tail);
}

} // namespace

CBalloonTip::CBalloonTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::WindowTransparentForInput),
      m_Owner(owner), m_Font(QFontDatabase::systemFont(QFontDatabase::GeneralFont)) {
    setObjectName("balloonTip");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    m_ShowTimer.setSingleShot(true);
    connect(&m_ShowTimer, &QTimer::timeout, this, &CBalloonTip::OnShowTimer);
    connect(&m_WatchTimer, &QTimer::timeout, this, &CBalloonTip::OnWatchTimer);
}

void CBalloonTip::SetFont(const QFont& font) {
    m_Font = font;
    update();
}

void CBalloonTip::SetIcon(const QIcon& icon) {
    m_Icon = icon;
    m_IconSize = QSize();
    if (!icon.isNull()) {
        const QList<QSize> sizes = icon.availableSizes();
        m_IconSize = sizes.isEmpty() ? QSize(16, 16) : sizes.front().boundedTo(QSize(255, 255));
    }
    update();
}

void CBalloonTip::AddTool(QWidget* control, const QString& text, const QIcon& icon) {
    if (control != nullptr)
        m_Tools.insert(control, {text, icon});
}

void CBalloonTip::RemoveTool(QWidget* control) {
    m_Tools.remove(control);
}

void CBalloonTip::RelayEvent(QObject* receiver, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        const QPoint cursor = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (cursor != m_Anchor && m_Owner) {
            QWidget* under = m_Owner->childAt(m_Owner->mapFromGlobal(cursor));
            const auto tool = m_Tools.constFind(under);
            if (under != nullptr && tool != m_Tools.constEnd()) {
                // A tip left standing would point at the old spot until the delay ends.
                HideTip();
                m_Anchor = cursor;
                SetIcon(tool->icon);
                Show(tool->text, cursor);
            }
        }
        if (cursor != m_Anchor)
            HideTip();
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: HideTip(); break;
    case QEvent::Leave:
        // Leaving the owner altogether: nothing it owns is under the mouse.
        if (receiver == m_Owner)
            HideTip();
        break;
    default: break;
    }
}

void CBalloonTip::Show(const QString& text, std::optional<QPoint> point) {
    m_Text = text;
    m_Anchor = point.value_or(QCursor::pos());
    m_WatchTimer.stop();
    m_ShowTimer.start(m_Delay);
}

BalloonShape CBalloonTip::Shape() const {
    const QFontMetrics metrics(m_Font);
    const QSize text =
        metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, m_Text)
            .size();
    return MakeBalloonShape(text.width(), text.height(), m_IconSize.width(), m_IconSize.height());
}

void CBalloonTip::OnShowTimer() {
    m_ShowTimer.stop();
    const BalloonShape shape = Shape();
    setMask(QRegion(BalloonPath(shape).toFillPolygon().toPolygon()));
    const BalloonPoint corner = shape.WindowPosition({m_Anchor.x(), m_Anchor.y()});
    setGeometry(corner.x, corner.y, shape.width, shape.height);
    show();
    raise();
    m_WatchTimer.start(kWatchInterval);
}

void CBalloonTip::OnWatchTimer() {
    if (QCursor::pos() == m_Anchor)
        return;
    HideTip();
}

void CBalloonTip::HideTip() {
    m_ShowTimer.stop();
    m_WatchTimer.stop();
    hide();
}

void CBalloonTip::paintEvent(QPaintEvent*) {
    const BalloonShape shape = Shape();
    const QPainterPath path = BalloonPath(shape);
    QPainter painter(this);
    painter.fillPath(path, palette().color(QPalette::Base));
    // The mask cuts each pen down to its inner half: 3 pixels of frame, then a 1-pixel line.
    painter.strokePath(path, QPen(palette().color(QPalette::Button), 6));
    painter.strokePath(path, QPen(palette().color(QPalette::WindowText), 2));
    int x = shape.textOrigin.x;
    if (!m_Icon.isNull())
        m_Icon.paint(&painter, QRect(QPoint(12, 10), m_IconSize));
    painter.setFont(m_Font);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(x, shape.textOrigin.y, width() - x, height()),
                     Qt::AlignLeft | Qt::AlignTop, m_Text);
}
