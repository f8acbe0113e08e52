#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <optional>

class QMenu;

// The program's icon in the notification area, with the tip "Qilora生日提醒".
//
// Whether the icon is shown is kept as state even where the desktop has no
// notification area; the main window asks IsAvailable() to decide whether it
// may hide itself, since without a tray a hidden window could not be reached.
class CTrayIcon : public QObject {
    Q_OBJECT
public:
    explicit CTrayIcon(QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Sets the picture (icon 128, or 147 while locked); the lock and the
    // unlock call it again to change it.
    void Create(int iconId);
    void ShowIcon();
    void HideIcon();

    // The menu a right click opens.
    void SetContextMenu(QMenu* menu);

    bool IsShown() const { return m_Shown; }
    int IconId() const { return m_IconId; }

    // Whether the desktop has a notification area to show the icon in.
    static bool IsAvailable();
    // Tests pretend a desktop with or without one; nothing = ask the desktop.
    static void OverrideAvailability(std::optional<bool> available);

signals:
    // A left click (or a double click) on the icon.
    void Clicked();

private:
    QSystemTrayIcon m_Icon;
    int m_IconId = 0;
    bool m_Shown = false;
};
