#include "controls/CHyperLink.h"

#include "controls/ReadableColor.h"
#include "platform/Prompter.h"
#include "settings/AppInfo.h"

#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace {

const QColor kPlainColor(0, 0, 0);
const QColor kLinkColor(0, 0, 255);
const QColor kVisitedColor(128, 0, 128);
const QColor kUnderMouseColor(125, 125, 0);

constexpr const char* kCannotOpen = "提供的超级链接或者制定的文件无法执行 ";

bool OpenWithDesktop(const QUrl& url) {
    return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace

CHyperLink::CHyperLink(QWidget* parent) : CHyperLink(QString(), parent) {}

CHyperLink::CHyperLink(const QString& text, QWidget* parent)
    : QLabel(parent), m_Opener(OpenWithDesktop) {
    // A plain label sits at the top left unless told otherwise.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText); // markup of our own, never HTML
    setMouseTracking(true);
    setText(text);
}

void CHyperLink::setText(const QString& text) {
    QLabel::setText(text);
    Parse();
    updateGeometry();
    update();
}

void CHyperLink::SetOpener(Opener opener) {
    m_Opener = opener ? std::move(opener) : OpenWithDesktop;
}

void CHyperLink::SetPrompter(Prompter* prompter) {
    m_Prompter = prompter;
}

void CHyperLink::Parse() {
    m_Source = text();
    m_Markup = ParseHyperLinkMarkup(m_Source.toStdString());
    m_Pieces.clear();
    for (const HyperLinkSegment& segment : m_Markup.segments) {
        Piece piece;
        piece.segment = segment;
        m_Pieces.push_back(piece);
    }
    m_FocusedLink = NextLink(-1, 1);
    // Only a label with somewhere to go is a stop on the Tab chain.
    setFocusPolicy(m_FocusedLink >= 0 ? Qt::StrongFocus : Qt::NoFocus);
    setAccessibleName(PlainText()); // never the markup
    unsetCursor();
    LayOut();
}

int CHyperLink::NextLink(int from, int direction) const {
    for (int i = from + direction; i >= 0 && i < SegmentCount(); i += direction)
        if (m_Pieces[i].segment.link)
            return i;
    return -1;
}

void CHyperLink::ParseIfChanged() {
    if (text() != m_Source)
        Parse();
}

QString CHyperLink::PlainText() const {
    return QString::fromStdString(m_Markup.plainText);
}
int CHyperLink::SegmentCount() const {
    return int(m_Pieces.size());
}
const HyperLinkSegment& CHyperLink::Segment(int index) const {
    return m_Pieces.at(index).segment;
}
bool CHyperLink::IsVisited(int index) const {
    return m_Pieces.at(index).visited;
}
bool CHyperLink::IsUnderMouse(int index) const {
    return m_Pieces.at(index).underMouse;
}

QRect CHyperLink::SegmentRect(int index) const {
    const HyperLinkRect& r = m_Pieces.at(index).rect;
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

QColor CHyperLink::SegmentColor(int index) const {
    const Piece& piece = m_Pieces.at(index);
    const QColor color = !piece.segment.link ? kPlainColor
                         : piece.visited     ? kVisitedColor
                         : piece.underMouse  ? kUnderMouseColor
                                             : kLinkColor;
    return ReadableTextColor(color, palette().color(backgroundRole()));
}

QSize CHyperLink::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(PlainText()), metrics.height()};
}

QSize CHyperLink::minimumSizeHint() const {
    return {0, QFontMetrics(font()).height()};
}

// Works out where each piece goes; the mouse handlers use the same places as
// the last painting.
void CHyperLink::LayOut() {
    QFont underlined = font();
    underlined.setUnderline(true);
    const QFontMetrics plainMetrics(font());
    const QFontMetrics linkMetrics(underlined);
    std::vector<int> widths;
    for (const Piece& piece : m_Pieces) {
        const QFontMetrics& metrics = piece.segment.link ? linkMetrics : plainMetrics;
        widths.push_back(metrics.horizontalAdvance(QString::fromStdString(piece.segment.text)));
    }
    const Qt::Alignment flags = alignment();
    HyperLinkAlignment align;
    align.centreHorizontally = flags & Qt::AlignHCenter;
    align.right = flags & Qt::AlignRight;
    align.centreVertically = flags & Qt::AlignVCenter;
    const std::vector<HyperLinkPlacement> placements =
        PlaceHyperLinkSegments(widths, plainMetrics.horizontalAdvance(PlainText()),
                               plainMetrics.height(), width(), height(), align);
    for (std::size_t i = 0; i < m_Pieces.size(); ++i) {
        m_Pieces[i].x = placements[i].x;
        m_Pieces[i].y = placements[i].y;
        m_Pieces[i].rect = placements[i].rect;
    }
}

void CHyperLink::paintEvent(QPaintEvent*) {
    ParseIfChanged();
    LayOut();
    QPainter painter(this);
    painter.setClipRect(rect());
    painter.setBackgroundMode(Qt::TransparentMode);
    QFont underlined = font();
    underlined.setUnderline(true);
    const int ascent = QFontMetrics(font()).ascent();
    for (int i = 0; i < SegmentCount(); ++i) {
        const Piece& piece = m_Pieces[i];
        painter.setFont(piece.segment.link ? underlined : font());
        painter.setPen(SegmentColor(i));
        painter.drawText(QPoint(piece.x, piece.y + ascent),
                         QString::fromStdString(piece.segment.text));
    }
    if (hasFocus() && m_FocusedLink >= 0) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = SegmentRect(m_FocusedLink).adjusted(-1, 0, 1, 0) & rect();
        option.backgroundColor = palette().color(backgroundRole());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
    ParseIfChanged();
    LayOut();
    const QPoint point = event->position().toPoint();
    bool overLink = false;
    bool changed = false;
    for (Piece& piece : m_Pieces) {
        const bool inside = piece.rect.Contains(point.x(), point.y());
        changed |= piece.segment.link && inside != piece.underMouse;
        piece.underMouse = inside;
        overLink |= inside && piece.segment.link;
    }
    if (overLink)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    if (changed)
        repaint();
    QLabel::mouseMoveEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
    bool changed = false;
    for (Piece& piece : m_Pieces) {
        changed |= piece.segment.link && piece.underMouse;
        piece.underMouse = false;
    }
    unsetCursor();
    if (changed)
        update();
    QLabel::leaveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ParseIfChanged();
        LayOut();
        const QPoint point = event->position().toPoint();
        for (int i = 0; i < SegmentCount(); ++i) {
            if (m_Pieces[i].segment.link && m_Pieces[i].rect.Contains(point.x(), point.y())) {
                m_FocusedLink = i;
                OpenLink(i);
                break;
            }
        }
        update();
    }
    QLabel::mousePressEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    ParseIfChanged();
    const int key = event->key();
    if (m_FocusedLink >= 0 && event->modifiers() == Qt::NoModifier &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        OpenLink(m_FocusedLink);
        update();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
    ParseIfChanged();
    if (event->reason() == Qt::BacktabFocusReason)
        m_FocusedLink = NextLink(SegmentCount(), -1);
    else if (event->reason() == Qt::TabFocusReason || m_FocusedLink < 0)
        m_FocusedLink = NextLink(-1, 1);
    update();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
    update();
    QLabel::focusOutEvent(event);
}

bool CHyperLink::focusNextPrevChild(bool next) {
    // Tab visits every link of the label before it moves on.
    if (hasFocus() && m_FocusedLink >= 0) {
        const int link = NextLink(m_FocusedLink, next ? 1 : -1);
        if (link >= 0) {
            m_FocusedLink = link;
            update();
            return true;
        }
    }
    return QLabel::focusNextPrevChild(next);
}

void CHyperLink::OpenLink(int index) {
    // Copies: reporting a failure runs a message loop, which may set a new
    // text and replace the pieces.
    const Piece piece = m_Pieces.at(index);
    const QString source = m_Source;
    const QString address = QString::fromStdString(piece.segment.address);
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath());
    const bool opened = m_Opener(url);
    if (m_Source == source && index < SegmentCount())
        m_Pieces[index].visited = true;
    if (opened)
        return;
    if (m_Prompter) {
        m_Prompter->Ask(kCannotOpen, kAppTitle, PromptButtons::Ok, PromptIcon::None);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kAppTitle),
                    QString::fromUtf8(kCannotOpen), QMessageBox::Ok, window());
    box.exec();
}
