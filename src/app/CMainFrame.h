#pragma once

#include "app/CTrayIcon.h"
#include "controls/FrameCommands.h"
#include "mail/ReminderSink.h"
#include "platform/DesktopNotifier.h"
#include "reminders/CRemindPopupDlg.h"
#include "reminders/ReminderPopups.h"
#include "storage/ReminderRecord.h"
#include "update/UpdateCheck.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CColorToolBar;
class CMainView;
class Clock;
class MailQueue;
class MediaPlayer;
class Prompter;
class QActionGroup;
class QMenu;
class QStackedWidget;
class ReminderCheck;
class CalendarSyncScheduler;
struct ShownReminder;

// The program's main window. It owns the reminder list, the hint texts, the
// toolbar, the notification-area icon and the 20-second reminder timer, shows
// one of the three views at a time and carries out the program's commands.
class CMainFrame : public QMainWindow,
                   public ReminderSink,
                   public RemindPopupHost,
                   public AutoUpdateHost {
    Q_OBJECT
public:
    // Both outlive the frame.
    CMainFrame(Prompter& prompter, const Clock& clock, QWidget* parent = nullptr);
    ~CMainFrame() override;

    ReminderList& Reminders() { return m_ReminderList; }
    // Rows made from Reminders() as they stand, sorted, at `madeAt`, for the
    // list to show when it is next filled (see CAnnivoView::OfferRows).
    void OfferReminderRows(std::shared_ptr<const std::vector<ShownReminder>> rows,
                           const DateTime& madeAt);
    MailQueue& OutgoingMail() { return *m_MailQueue; }

    // Shows the view with that id (101, 136 or 142), creating it the first time.
    void SwitchView(int viewId);
    CMainView* ActiveView() const;
    CMainView* View(int viewId) const; // null until first shown

    // The command of that id in the main menu, or only in the toolbar.
    QAction* Command(int id) const;
    // The same command as the notification-area menu shows it.
    QAction* TrayCommand(int id) const;
    QMenu* TrayMenu() const { return m_TrayMenu; }
    CColorToolBar* ToolBar() const { return m_ToolBar; }
    CTrayIcon& TrayIcon() { return m_TrayIcon; }
    void RunCommand(int id);

    // The reminder timer: every 20 seconds, from start-up on.
    void StartReminderTimer();
    QTimer& ReminderTimer() { return m_ReminderTimer; }
    // One tick of it.
    void OnReminderTimer();

    // Texts the hint line cycles through; may be called from any thread.
    void AddHintText(const std::string& text) override;
    const std::vector<std::string>& HintTexts() const { return m_HintTexts; }

    // Notification area and lock.
    void OnTrayClicked();
    void ShowFromTray();
    void Lock();
    void UnlockFromTray();
    // Asks for the unlock password; true when the lock was cleared.
    bool RunUnlockDialog();
    // Hides the window behind the notification-area icon, or, where the
    // desktop has no notification area, minimises it.
    void SendToTray();
    // Hidden or minimised: what a check-once run waits for.
    bool IsOutOfSight() const;

    void CentreOnScreen();

    // Publishes to the calendar of 日历同步 after changes and once a day.
    CalendarSyncScheduler& CalendarSync() { return *m_CalendarSync; }

    // Ends the program with an exit code; tests record it instead.
    using QuitHandler = std::function<void(int)>;
    void SetQuitHandler(QuitHandler handler);
    // Opens help links; the desktop's handler by default.
    using LinkOpener = std::function<bool(const QUrl&)>;
    void SetLinkOpener(LinkOpener opener);

    // ReminderSink
    void OpenReminderPopup(const std::string& music, const std::string& heading,
                           const std::string& message) override;
    void RefreshReminderList() override;
    void WriteHint(const std::string& text) override;
    void PostToMainThread(std::function<void()> task) override;

    // AutoUpdateHost: asks on the window's thread, from the check's thread.
    bool OfferUpdate(const std::string& version) override;
    // 在线更新; ends the program when the updater was started.
    bool RunUpdateDialog();

    // RemindPopupHost
    void KeepMusicPlaying(std::unique_ptr<MediaPlayer> player) override;
    void PopupClosed() override;

    std::vector<CRemindPopupDlg*> OpenPopups() const;
    // At the end of the program: open pop-ups go away and every tune stops,
    // the built-in tune's file with them.
    void StopAllMusic();
    std::size_t LingeringPlayerCount() const { return m_Popups.LingeringCount(); }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    QAction* AddCommand(QMenu* menu, int id, const char* caption);
    CMainView* CreateView(int viewId);
    void UpdateCommandStates();
    void OnViewCommand(int activeView);
    // The people table changed (`changedBy`: the view that changed it, which
    // shows the change itself): the reminder list is read again and every
    // view shows the new state.
    void PeopleChanged(CMainView* changedBy);
    void CheckReminders();
    void StartUpdateCheck();
    void QuitIfCheckOnceDone();
    void EndProgram(int exitCode);
    void OpenLink(const std::string& address);
    void ShowAbout();
    void ShowSettings();
    void ShowFestivals();
    void ShowMailComposer();

    Prompter& m_Prompter;
    const Clock& m_Clock;
    ReminderList m_ReminderList;
    std::unique_ptr<MailQueue> m_MailQueue;
    std::unique_ptr<ReminderCheck> m_ReminderCheck;
    std::unique_ptr<CalendarSyncScheduler> m_CalendarSync;
    std::vector<std::string> m_HintTexts;
    HintRotation m_HintRotation;
    CTrayIcon m_TrayIcon;
    DesktopNotifier m_Notifier;
    QTimer m_ReminderTimer;
    QStackedWidget* m_Views;
    CColorToolBar* m_ToolBar = nullptr;
    QMenu* m_TrayMenu = nullptr;
    QActionGroup* m_ViewGroup = nullptr;
    std::map<int, QAction*> m_Commands;
    std::map<int, QAction*> m_TrayCommands;
    ReminderPopups m_Popups;
    QuitHandler m_QuitHandler;
    LinkOpener m_LinkOpener;
    bool m_UnlockOpen = false;
    // A restore of the locked window is being answered with the password
    // question; the state changes it causes itself must not ask again.
    bool m_RestoreAsking = false;
    bool m_ViewChoiceFailureTold = false;
};
