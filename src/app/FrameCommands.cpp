#include "app/FrameCommands.h"

#include "app/CIniFile.h"
#include "app/Globals.h"
#include "platform/Autostart.h"

namespace {

// Where the maker reads feedback.
constexpr const char* kFeedbackAddress = "feedback@qilora.com";

void WriteSetting(const char* key, int value) {
    CIniFile ini("annivo.ini");
    ini.WriteString("Settings", key, std::to_string(value));
}

} // namespace

int ViewIdForActiveView(int activeView) {
    switch (activeView) {
    case 1: return kViewCalendar;
    case 2: return kViewAddressBook;
    default: return kViewReminderList;
    }
}

void SetActiveView(int activeView) {
    g_ActiveView = activeView;
    WriteSetting("ActiveView", activeView);
}

bool ToggleAutostart() {
    const bool done = OpenAutostartDirectory() &&
                      (g_AutoStart == 1 ? RemoveAutostart() : WriteAutostart(g_ExePath));
    if (done)
        g_AutoStart = g_AutoStart == 1 ? 0 : 1;
    return done;
}

std::string AutostartFailureText() {
    return (g_AutoStart == 1 ? "无法关闭随机启动：不能删除自启动文件 "
                             : "无法设置随机启动：不能写入自启动文件 ") +
           AutostartEntryPath().string() + "。";
}

int ToggleRunOnce() {
    g_RunOnce = 1 - g_RunOnce;
    WriteSetting("RunOnce", g_RunOnce);
    return g_RunOnce;
}

int ToggleAutoUpdate() {
    const int stored = CIniFile("annivo.ini").GetInt("Settings", "AutoUpdate", 0);
    const int toggled = stored == 0 ? 1 : 0;
    WriteSetting("AutoUpdate", toggled);
    return toggled;
}

std::string HomePageUrl() {
    return g_UrlPath + "bbs";
}

std::string ProgramListUrl() {
    return g_UrlPath + "myprog.htm";
}

std::string FeedbackUrl() {
    return std::string("mailto:") + kFeedbackAddress;
}

std::optional<std::string> HintRotation::Next(const std::vector<std::string>& texts) {
    if (texts.empty()) {
        m_Index = 0;
        return std::nullopt;
    }
    if (m_Index < texts.size())
        return texts[m_Index++];
    m_Index = 0;
    return std::nullopt;
}

bool CheckOnceMayQuit(int runOnce, bool windowOutOfSight, int busyCount) {
    return runOnce != 0 && windowOutOfSight && busyCount < 1;
}
