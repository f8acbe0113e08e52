#include "platform/Autostart.h"

#include "platform/WholeFile.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

fs::path ConfigHome() {
    // XDG base directories must be absolute; a relative XDG_CONFIG_HOME is ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return fs::path(config);
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : "";
    }
    return fs::path(home) / ".config";
}

// Desktop-entry string values escape backslash and line breaks; escapes it
// does not define are left for the Exec quoting rules below.
std::string UnescapeString(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default:
            out += '\\';
            out += next;
            break;
        }
    }
    return out;
}

std::string EscapeString(std::string_view value) {
    std::string out;
    for (const char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    return out;
}

bool NeedsBackslashInQuotes(char c) {
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

void ReplaceDoublePercent(std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%')
            ++i;
    }
    text = std::move(out);
}

} // namespace

fs::path AutostartDirectory() {
    return ConfigHome() / "autostart";
}

fs::path AutostartEntryPath() {
    return AutostartDirectory() / "annivo.desktop";
}

bool OpenAutostartDirectory() {
    const fs::path directory = AutostartDirectory();
    std::error_code error;
    if (fs::is_directory(directory, error))
        return true;
    fs::create_directories(directory, error);
    return !error && fs::is_directory(directory, error);
}

std::string ExecValueFor(std::string_view programPath) {
    std::string quoted = "\"";
    for (const char c : programPath) {
        if (NeedsBackslashInQuotes(c))
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    quoted += '"';
    return EscapeString(quoted);
}

std::string ProgramOfExecValue(std::string_view value) {
    const std::string exec = UnescapeString(TrimBlanks(value));
    std::string program;
    std::size_t i = 0;
    if (!exec.empty() && exec[0] == '"') {
        for (i = 1; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size() && NeedsBackslashInQuotes(exec[i + 1]))
                ++i;
            program += exec[i];
        }
    } else {
        while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t')
            program += exec[i++];
    }
    ReplaceDoublePercent(program);
    return program;
}

std::optional<std::string> ReadAutostart() {
    const std::optional<std::string> bytes = ReadWholeFile(AutostartEntryPath());
    if (!bytes)
        return std::nullopt;
    bool inMainGroup = false;
    std::optional<std::string> program;
    std::size_t start = 0;
    while (start < bytes->size()) {
        std::size_t end = bytes->find('\n', start);
        if (end == std::string::npos)
            end = bytes->size();
        const std::string_view line =
            TrimBlanks(std::string_view(*bytes).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inMainGroup || equals == std::string_view::npos)
            continue;
        const std::string_view key = TrimBlanks(line.substr(0, equals));
        const std::string_view value = TrimBlanks(line.substr(equals + 1));
        // An entry the user switched off in the desktop's settings is kept
        // but hidden: the desktop no longer starts it.
        if (key == "Hidden" && value == "true")
            return std::nullopt;
        if (key == "Exec" && !program)
            program = ProgramOfExecValue(line.substr(equals + 1));
    }
    return program ? program : std::string();
}

bool WriteAutostart(const std::string& programPath) {
    std::error_code error;
    fs::create_directories(AutostartDirectory(), error);
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Annivo\n"
                              "Exec=" +
                              ExecValueFor(programPath) + "\n";
    return ReplaceWholeFile(AutostartEntryPath(), entry);
}

bool RemoveAutostart() {
    std::error_code error;
    fs::remove(AutostartEntryPath(), error);
    return !error;
}
