#pragma once
// Process-wide state: set up at start-up, read by the whole program and by
// its worker threads.

#include <atomic>
#include <mutex>
#include <string>

// Image of the one MySetting row, members named as its columns.
struct SettingRecord {
    std::string m_Name;
    std::string m_MyMobile;
    int m_IsLock = 0;
    std::string m_UnLockPwd;
    int m_DayWnd = 0;
    int m_DayEmail = 0;
    int m_AheadWnd = 0;
    int m_AheadEmail = 0;
    int m_EveryDay = 0;
    std::string m_AcceptEmail;
    int m_SmtpSelect = 0;
    std::string m_Email;
    std::string m_ServerName;
    std::string m_UserName;
    std::string m_Password;
};

extern std::string g_ExePath;            // full path of the running executable
extern int g_StartedInProfileDir;        // 1: started with the home directory as working directory
extern int g_AutoStart;                  // 1: the autostart entry exists
extern int g_RunOnce;                    // check once, then quit
extern int g_AutoUpdate;                 // one automatic update check wanted this run
extern int g_DesktopNotify;              // 1: reminders also go to the desktop's notification list
extern std::string g_UrlPath;            // base URL of help links and updates, ends in "/"
extern int g_ActiveView;                 // 0 reminder list, 1 calendar, 2 address book
extern std::atomic<int> g_UpdateDlgOpen; // 1 while the update dialog is open
extern SettingRecord g_Setting;

// g_BusyCount counts what must not be cut short by the check-once quit
// (pop-ups, the unlock dialog, the composer, mail and update threads).
// Only touched under g_BusyMutex. The two mutexes are never held together.
extern std::mutex g_BusyMutex;
extern std::mutex g_MailQueueMutex;
extern int g_BusyCount;

void IncrementBusyCount();
void DecrementBusyCount();
int BusyCount();
