#pragma once

#include <QWidget>

class CHyperLink;
class QVBoxLayout;

// One of the three views of the main window (reminder list, calendar,
// address book): its own content above a hint line, a CHyperLink along the
// bottom, so that hints can carry links.
class CMainView : public QWidget {
    Q_OBJECT
public:
    CMainView(int viewId, const QString& initialHint, QWidget* parent = nullptr);

    int ViewId() const { return m_ViewId; }
    CHyperLink* HintLine() const { return m_HintLine; }

    // Puts the view's content above the hint line (the view owns it).
    void SetContent(QWidget* content);

    // Shows the reminder list again after it changed; views that show no
    // reminders ignore it.
    virtual void Refresh() {}

private:
    int m_ViewId;
    QVBoxLayout* m_Layout;
    QWidget* m_Content = nullptr;
    CHyperLink* m_HintLine;
};
