#include "platform/ProgramDirectory.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

} // namespace

std::string ExecutablePath() {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

ProgramDirectoryChoice ChooseProgramDirectory(const char* annivoHome,
                                              const fs::path& executableDirectory,
                                              bool executableDirectoryWritable, bool installedCopy,
                                              const char* xdgDataHome, const std::string& home) {
    if (annivoHome != nullptr && *annivoHome != '\0')
        return {fs::path(annivoHome), ProgramDirectoryKind::AnnivoHome};
    if (executableDirectoryWritable && !installedCopy)
        return {executableDirectory, ProgramDirectoryKind::ExecutableDirectory};
    // XDG base directories must be absolute; a relative one is ignored.
    const fs::path dataHome = xdgDataHome != nullptr && xdgDataHome[0] == '/'
                                  ? fs::path(xdgDataHome)
                                  : fs::path(home) / ".local/share";
    return {dataHome / "annivo", ProgramDirectoryKind::UserDataDirectory};
}

fs::path InstalledSeedPath(const fs::path& executableDirectory) {
    return (executableDirectory / ANNIVO_SEED_FROM_BINDIR).lexically_normal();
}

ProgramDirectoryChoice CurrentProgramDirectory() {
    const fs::path executableDirectory = fs::path(ExecutablePath()).parent_path();
    const bool writable =
        !executableDirectory.empty() && access(executableDirectory.c_str(), W_OK) == 0;
    // A copy unpacked with its data.db, even where a seed happens to lie
    // beside, keeps working where it is.
    std::error_code error;
    const bool installed = fs::is_regular_file(InstalledSeedPath(executableDirectory), error) &&
                           !fs::exists(FileInDirectory(executableDirectory, "data.db"), error);
    std::string home;
    if (const char* value = std::getenv("HOME"); value != nullptr && *value != '\0')
        home = value;
    else if (const passwd* user = getpwuid(getuid()); user != nullptr)
        home = user->pw_dir;
    return ChooseProgramDirectory(std::getenv("ANNIVO_HOME"), executableDirectory, writable,
                                  installed, std::getenv("XDG_DATA_HOME"), home);
}

fs::path ProgramDirectory() {
    return CurrentProgramDirectory().directory;
}

fs::path FileInProgramDirectory(std::string_view fileName) {
    return FileInDirectory(ProgramDirectory(), fileName);
}

fs::path FileInDirectory(const fs::path& directory, std::string_view fileName) {
    const std::string lower = LowerAscii(fileName);
    std::error_code error;
    if (fs::exists(directory / lower, error))
        return directory / lower;

    std::vector<std::string> matches;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (LowerAscii(name) == lower)
            matches.push_back(name);
    }
    if (matches.empty())
        return directory / lower;
    // Several spellings at once: always the same one.
    return directory / *std::min_element(matches.begin(), matches.end());
}
