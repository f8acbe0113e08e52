#include "controls/FrameCommands.h"

#include "settings/CIniFile.h"
#include "settings/Globals.h"
#include "platform/Autostart.h"

namespace {

// Where the maker reads feedback.
constexpr const char* kFeedbackAddress = "feedback@qilora.com";

// "" when the value was stored, else what to tell the user: which setting,
// which file, why, and `consequence`.
std::string WriteSetting(const char* key, int value, const char* setting, const char* consequence) {
    CIniFile ini("annivo.ini");
    const std::error_code error = ini.Write("Settings", key, std::to_string(value));
    if (!error)
        return {};
    const std::string file = ini.Path().string();
    std::string text = std::string("无法保存“") + setting + "”：";
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system)
        text += "设置文件 " + file + " 或它所在的目录是只读的，或属于其他用户，当前用户不能修改。";
    else if (error == std::errc::device_or_resource_busy)
        text += "另一个正在运行的 Annivo 一直在写设置文件 " + file + "，请稍后再试。";
    else
        text += "不能写入设置文件 " + file + "（" + error.message() + "）。";
    return text + consequence;
}

} // namespace

int ViewIdForActiveView(int activeView) {
    switch (activeView) {
    case 1: return kViewCalendar;
    case 2: return kViewAddressBook;
    default: return kViewReminderList;
    }
}

std::string SetActiveView(int activeView) {
    g_ActiveView = activeView;
    return WriteSetting("ActiveView", activeView, "启动时显示的界面",
                        "下次启动时仍显示原来的界面。");
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

int ToggleRunOnce(std::string& failure) {
    g_RunOnce = 1 - g_RunOnce;
    failure = WriteSetting("RunOnce", g_RunOnce, "检测一次退出",
                           "这次运行按新的选择，下次启动时仍是原来的选择。");
    return g_RunOnce;
}

int ToggleAutoUpdate(std::string& failure) {
    const int stored = CIniFile("annivo.ini").GetInt("Settings", "AutoUpdate", 0);
    const int toggled = stored == 0 ? 1 : 0;
    failure = WriteSetting("AutoUpdate", toggled, "自动检测更新", "选择没有改变。");
    return failure.empty() ? toggled : stored;
}

int ToggleDesktopNotify(std::string& failure) {
    g_DesktopNotify = g_DesktopNotify == 1 ? 0 : 1;
    failure = WriteSetting("DesktopNotify", g_DesktopNotify, "桌面通知",
                           "这次运行按新的选择，下次启动时仍是原来的选择。");
    return g_DesktopNotify;
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
