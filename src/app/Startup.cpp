#include "app/Startup.h"

#include "platform/Autostart.h"
#include "platform/ProgramDirectory.h"
#include "settings/AppInfo.h"
#include "settings/CIniFile.h"
#include "settings/Globals.h"
#include "storage/CAdoDatabase.h"
#include "storage/DatabaseSeed.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>

namespace {

// "/home/u/" and "/home/u" are one directory; the working directory never
// carries the trailing slash, HOME sometimes does.
std::string_view WithoutTrailingSlash(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

} // namespace

bool IsProfileDirectory(const std::string& workingDirectory, const char* userProfile,
                        const char* home) {
    const char* profile = userProfile != nullptr ? userProfile : home;
    if (profile == nullptr || *profile == '\0' || workingDirectory.empty())
        return false;
    return WithoutTrailingSlash(workingDirectory) == WithoutTrailingSlash(profile);
}

void CheckStartedInProfileDir() {
    std::error_code error;
    const std::string workingDirectory = std::filesystem::current_path(error).string();
    g_StartedInProfileDir = IsProfileDirectory(error ? std::string() : workingDirectory,
                                               std::getenv("USERPROFILE"), std::getenv("HOME"))
                                ? 1
                                : 0;
}

std::optional<std::string> EnterProgramDirectory() {
    g_ExePath = ExecutablePath();
    std::error_code error;
    // A relative ANNIVO_HOME names a directory seen from where the program
    // was started; once it has changed into it, the same text would point
    // elsewhere, so it is made absolute first.
    if (const char* home = std::getenv("ANNIVO_HOME"); home != nullptr && *home != '\0') {
        const std::filesystem::path absolute = std::filesystem::absolute(home, error);
        if (!error)
            setenv("ANNIVO_HOME", absolute.c_str(), 1);
    }
    const ProgramDirectoryChoice choice = CurrentProgramDirectory();
    const std::filesystem::path& directory = choice.directory;
    if (choice.kind == ProgramDirectoryKind::UserDataDirectory) {
        if (std::optional<std::string> failure = PrepareUserDataDirectory(
                directory, InstalledSeedPath(std::filesystem::path(g_ExePath).parent_path())))
            return failure;
    }
    std::filesystem::current_path(directory, error);
    if (!error)
        return std::nullopt;
    return "无法进入程序目录 " + directory.string() + "（" + error.message() +
           "），程序的数据和设置都在那里，程序不能运行。";
}

std::optional<std::string> PrepareUserDataDirectory(const std::filesystem::path& directory,
                                                    const std::filesystem::path& installedSeed) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(directory, error);
    if (error || !fs::is_directory(directory, error))
        return "无法创建数据目录 " + directory.string() + "（" +
               (error ? error : std::make_error_code(std::errc::not_a_directory)).message() +
               "），程序的数据和设置要放在那里，程序不能运行。";
    const fs::path database = FileInDirectory(directory, "data.db");
    if (fs::exists(database, error))
        return std::nullopt;
    const std::string cannotSeed =
        "无法在数据目录 " + directory.string() + " 中建立数据库 data.db（";
    if (fs::is_regular_file(installedSeed, error)) {
        // Copied under another name first: a half-written data.db would be
        // taken for the user's data at the next start.
        const fs::path partial = directory / "data.db.part";
        fs::copy_file(installedSeed, partial, fs::copy_options::overwrite_existing, error);
        if (!error)
            fs::rename(partial, database, error);
        if (error) {
            const std::string reason = error.message();
            fs::remove(partial, error);
            return cannotSeed + reason + "），程序不能运行。";
        }
        return std::nullopt;
    }
    try {
        CreateDatabaseFromSeed(database.string());
    } catch (const DbError& e) {
        return cannotSeed + e.what() + "），程序不能运行。";
    }
    return std::nullopt;
}

void ReadStartupSettings() {
    const CIniFile ini("Annivo.ini");
    g_RunOnce = ini.GetInt("Settings", "RunOnce", 0);
    g_AutoUpdate = ini.GetInt("Settings", "AutoUpdate", 0);
    g_DesktopNotify = ini.GetInt("Settings", "DesktopNotify", 1);
    g_UrlPath = ini.GetString("Version", "UrlPath", kDefaultUrlPath);
    // Every link appends its page to this, so it must end in "/"; an empty
    // value would make them relative, hence the built-in address.
    if (g_UrlPath.empty())
        g_UrlPath = kDefaultUrlPath;
    if (g_UrlPath.back() != '/')
        g_UrlPath += '/';
    g_ActiveView = ini.GetInt("Settings", "ActiveView", 0);
}

void CheckAutostart(Prompter& prompter) {
    g_AutoStart = 0;
    if (!OpenAutostartDirectory()) {
        prompter.Tell("错误，不能创建子键!");
        return;
    }
    const std::optional<std::string> program = ReadAutostart();
    if (!program)
        return;
    g_AutoStart = 1;
    if (*program != g_ExePath &&
        prompter.Ask("随机启动的路径有误，是否调整？", kAppTitle, PromptButtons::YesNo,
                     PromptIcon::Question) == PromptAnswer::Yes)
        WriteAutostart(g_ExePath);
}

FirstAppearance DecideFirstAppearance(int autoStart, int startedInProfileDir, int isLock) {
    if (autoStart == 1 && startedInProfileDir == 1)
        return FirstAppearance::ToTray;
    return isLock == 1 ? FirstAppearance::AskUnlock : FirstAppearance::ShowWindow;
}

StartView StartViewFor(int activeView) {
    switch (activeView) {
    case 1: return StartView::Calendar;
    case 2: return StartView::AddressBook;
    default: return StartView::ReminderList;
    }
}
