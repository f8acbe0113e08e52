#pragma once

#include "controls/HyperLinkText.h"

#include <QLabel>
#include <QUrl>

#include <functional>
#include <vector>

class Prompter;

// A one-line label whose text may hold links written as [url=address]text[/url]
// or [url]address[/url]. Links are drawn underlined in the link colour, show
// a hand under the mouse, open in the desktop's handler when clicked and keep
// the visited colour until the text is set again. A label holding links takes
// the keyboard focus: Tab moves from link to link, Enter or Space opens the
// one with the focus frame. Assistive technologies read the text as shown.
class CHyperLink : public QLabel {
    Q_OBJECT
public:
    // Opens an address; false when the desktop could not open it.
    using Opener = std::function<bool(const QUrl&)>;

    explicit CHyperLink(QWidget* parent = nullptr);
    explicit CHyperLink(const QString& text, QWidget* parent = nullptr);

    // Takes a new text with its markup; every link starts unvisited.
    // (Hides QLabel::setText so that forms and callers go through the parser.)
    void setText(const QString& text);

    // Replaces how links are opened (the desktop by default).
    void SetOpener(Opener opener);
    // Where the failure to open a link is reported (a message box by default).
    void SetPrompter(Prompter* prompter);

    QString PlainText() const;
    int SegmentCount() const;
    const HyperLinkSegment& Segment(int index) const;
    bool IsVisited(int index) const;
    bool IsUnderMouse(int index) const;
    // Where the segment was last drawn, in widget pixels.
    QRect SegmentRect(int index) const;
    // The colour it is drawn in: the link colours, made readable on the
    // background when a dark theme would swallow them.
    QColor SegmentColor(int index) const;
    // The segment of the link that has the keyboard focus; -1 for none.
    int FocusedLink() const { return m_FocusedLink; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct Piece {
        HyperLinkSegment segment;
        bool visited = false;
        bool underMouse = false;
        int x = 0; // where its text starts; may lie left of the widget
        int y = 0;
        HyperLinkRect rect;
    };

    void Parse();
    void ParseIfChanged(); // the text may have been set through QLabel
    void LayOut();
    void OpenLink(int index);
    int NextLink(int from, int direction) const;

    QString m_Source;
    HyperLinkMarkup m_Markup;
    std::vector<Piece> m_Pieces;
    Opener m_Opener;
    Prompter* m_Prompter = nullptr;
    int m_FocusedLink = -1;
};
