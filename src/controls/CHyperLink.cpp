#include "controls/CHyperLink.h"

#include "app/AppInfo.h"
#include "platform/Prompter.h"

#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

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
    unsetCursor();
    LayOut();
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
    if (!piece.segment.link)
        return kPlainColor;
    if (piece.visited)
        return kVisitedColor;
    return piece.underMouse ? kUnderMouseColor : kLinkColor;
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
        // Copies: reporting a failure runs a message loop, which may set a
        // new text and replace the pieces.
        const std::vector<Piece> pieces = m_Pieces;
        const QString source = m_Source;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (!pieces[i].segment.link || !pieces[i].rect.Contains(point.x(), point.y()))
                continue;
            OpenLink(pieces[i]);
            if (m_Source == source && i < m_Pieces.size())
                m_Pieces[i].visited = true;
        }
        update();
    }
    QLabel::mousePressEvent(event);
}

void CHyperLink::OpenLink(const Piece& piece) {
    const QString address = QString::fromStdString(piece.segment.address);
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath());
    if (m_Opener(url))
        return;
    if (m_Prompter) {
        m_Prompter->Ask(kCannotOpen, kAppTitle, PromptButtons::Ok, PromptIcon::None);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kAppTitle),
                    QString::fromUtf8(kCannotOpen), QMessageBox::Ok, window());
    box.exec();
}
