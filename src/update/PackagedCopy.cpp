#include "update/PackagedCopy.h"

#include "platform/ProgramDirectory.h"

#include <atomic>

namespace fs = std::filesystem;

namespace {

// -1: ask the file system; else the answer a test set.
std::atomic<int> g_PackagedOverride{-1};

} // namespace

bool IsPackagedCopy(const fs::path& executableDirectory) {
    std::error_code error;
    return fs::is_regular_file(InstalledSeedPath(executableDirectory).parent_path() / "packaged",
                               error);
}

bool IsPackagedCopy() {
    if (const int packaged = g_PackagedOverride.load(); packaged >= 0)
        return packaged == 1;
    return IsPackagedCopy(fs::path(ExecutablePath()).parent_path());
}

void OverridePackagedCopy(std::optional<bool> packaged) {
    g_PackagedOverride = packaged ? int(*packaged) : -1;
}

std::string PackageManagerUpdatesText() {
    return "本机的Qilora生日提醒是用系统的软件包安装的，请用系统的软件包管理器更新。";
}

std::string PackageManagerOfferText(const std::string& version) {
    return "Qilora生日提醒有新版本" + version + "，请用系统的软件包管理器更新。";
}
