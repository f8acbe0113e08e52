#include "settings/Globals.h"

std::string g_ExePath;
int g_StartedInProfileDir = 0;
int g_AutoStart = 0;
int g_RunOnce = 0;
int g_AutoUpdate = 0;
int g_DesktopNotify = 1;
std::string g_UrlPath;
int g_ActiveView = 0;
std::atomic<int> g_UpdateDlgOpen = 0;
SettingRecord g_Setting;

std::mutex g_BusyMutex;
std::mutex g_MailQueueMutex;
int g_BusyCount = 0;

void IncrementBusyCount() {
    std::lock_guard<std::mutex> lock(g_BusyMutex);
    ++g_BusyCount;
}

void DecrementBusyCount() {
    std::lock_guard<std::mutex> lock(g_BusyMutex);
    --g_BusyCount;
}

int BusyCount() {
    std::lock_guard<std::mutex> lock(g_BusyMutex);
    return g_BusyCount;
}
