#pragma once

#include "views/BalloonShape.h"

#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

// A tip in the shape of a speech balloon whose tail points at the mouse. The
// owner registers its controls with a text (and maybe an icon) and passes the
// events of itself and its controls through RelayEvent; the tip then shows
// once the mouse has rested on a registered control for the delay, and hides
// when the mouse moves on or a button is pressed. It never takes the focus.
class CBalloonTip : public QWidget {
    Q_OBJECT
public:
    // A hidden tip belonging to `owner`'s window, destroyed with it.
    explicit CBalloonTip(QWidget* owner);

    void SetFont(const QFont& font);
    void SetIcon(const QIcon& icon);
    void AddTool(QWidget* control, const QString& text, const QIcon& icon = {});
    void RemoveTool(QWidget* control);
    // The registered text; null when the control has no tip.
    QString ToolText(QWidget* control) const { return m_Tools.value(control).text; }

    void RelayEvent(QObject* receiver, QEvent* event);
    // Shows `text` pointing at `point` (the cursor when none) after the delay.
    void Show(const QString& text, std::optional<QPoint> point = std::nullopt);
    // Hides the tip and forgets a pending show.
    void HideTip();

    // Milliseconds the mouse must rest before the tip shows.
    void SetDelay(int milliseconds) { m_Delay = milliseconds; }
    int Delay() const { return m_Delay; }
    bool IsShowPending() const { return m_ShowTimer.isActive(); }
    QString Text() const { return m_Text; }
    QPoint Anchor() const { return m_Anchor; }
    // The balloon for the current text, icon and font.
    BalloonShape Shape() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Tool {
        QString text;
        QIcon icon;
    };
    void OnShowTimer();
    void OnWatchTimer();

    QPointer<QWidget> m_Owner;
    QHash<QWidget*, Tool> m_Tools;
    QString m_Text;
    QIcon m_Icon;
    QSize m_IconSize;
    QFont m_Font;
    QPoint m_Anchor{-1, -1};
    int m_Delay = 500;
    QTimer m_ShowTimer;  // the mouse came to rest: show when it fires
    QTimer m_WatchTimer; // shown: hide when the mouse has moved
};
