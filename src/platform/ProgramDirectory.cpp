#include "platform/ProgramDirectory.h"

#include <algorithm>
#include <cstdlib>
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

fs::path ProgramDirectory() {
    const char* home = std::getenv("ANNIVO_HOME");
    if (home != nullptr && *home != '\0')
        return fs::path(home);
    return fs::path(ExecutablePath()).parent_path();
}

fs::path FileInProgramDirectory(std::string_view fileName) {
    const fs::path directory = ProgramDirectory();
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
