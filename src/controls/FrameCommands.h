#pragma once
// The main window's commands and timer rules that need no window: the option
// toggles, the view choice, the help links, the hint rotation and when a
// check-once run may end.

#include <optional>
#include <string>
#include <vector>

// Command ids of the main menu, the tray menu and the toolbar.
enum CommandId : int {
    kCmdAbout = 57664,
    kCmdExit = 57665,
    kCmdToolbar = 59392,
    kCmdHomePage = 32773,
    kCmdFeedback = 32774,
    kCmdEnable = 32778,
    kCmdDelete = 32776,
    kCmdModify = 32777,
    kCmdAutostart = 32779,
    kCmdProgramList = 32782,
    kCmdCalendarView = 32783,
    kCmdReminderView = 32784,
    kCmdOnlineUpdate = 32785,
    kCmdNewReminder = 32786,
    kCmdPersonalSettings = 32787,
    kCmdRunOnce = 32788,
    kCmdAutoUpdate = 32789,
    kCmdShowWindow = 32772,
    kCmdLock = 32796,
    kCmdUnlock = 32797,
    kCmdSendMail = 32798,
    kCmdFestivals = 32799,
    kCmdAddressView = 32800,
    kCmdExport = 32801,
    kCmdImport = 32802,
    kCmdExportCalendar = 32803,
    kCmdImportVCard = 32810,
    kCmdCalendarSync = 32811,
    kCmdDesktopNotify = 32812,
};

// View ids, and the ActiveView value of each.
enum ViewId : int { kViewReminderList = 101, kViewCalendar = 136, kViewAddressBook = 142 };
int ViewIdForActiveView(int activeView);

// The view commands: g_ActiveView and Settings/ActiveView in annivo.ini.
// What to tell the user when the choice could not be stored, else "".
std::string SetActiveView(int activeView);

// 随机启动: adds or removes the autostart entry for g_ExePath and flips
// g_AutoStart. When the entry cannot be written or removed nothing changes
// and it returns false; AutostartFailureText then says why.
bool ToggleAutostart();
std::string AutostartFailureText();

// 检测一次退出: flips g_RunOnce and stores it. Returns the new value; when it
// cannot be stored (the flip still counts for this run) `failure` says why.
int ToggleRunOnce(std::string& failure);

// 自动检测更新: flips the stored Settings/AutoUpdate (not g_AutoUpdate: the
// change counts from the next start). Returns the stored value, unchanged
// when it cannot be stored; `failure` then says why.
int ToggleAutoUpdate(std::string& failure);

// 桌面通知: flips g_DesktopNotify and stores it, as ToggleRunOnce does.
int ToggleDesktopNotify(std::string& failure);

// Help links under g_UrlPath.
std::string HomePageUrl();    // the author's forum
std::string ProgramListUrl(); // the maker's other programs
std::string FeedbackUrl();    // a mail to the maker

// The hint line cycles through the hint texts, one per timer tick, and rests
// one tick after the last text: with N texts a cycle takes N + 1 ticks.
class HintRotation {
public:
    // The text to show on this tick, or nothing to leave the line as it is.
    std::optional<std::string> Next(const std::vector<std::string>& texts);

private:
    std::size_t m_Index = 0;
};

// A check-once run ends when the window is out of sight and nothing that must
// finish (pop-up, unlock dialog, composer, mail or update thread) is busy.
bool CheckOnceMayQuit(int runOnce, bool windowOutOfSight, int busyCount);
