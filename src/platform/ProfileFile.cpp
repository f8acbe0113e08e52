#include "platform/ProfileFile.h"

#include "platform/TextCodec.h"
#include "platform/WholeFile.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace {

// How long a write waits for another writer of the same file.
constexpr std::chrono::seconds kWriterPatience{5};

struct Line {
    enum class Kind { Blank, Section, Entry };

    std::size_t rawStart = 0; // the bytes in the file, line end included
    std::size_t rawEnd = 0;
    Kind kind = Kind::Blank;
    std::string_view name;  // section name or key, UTF-8, trimmed
    std::string_view value; // UTF-8, trimmed
    bool hasValue = false;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// `text` is one line as UTF-8. Brackets can be the second byte of a GB18030
// character, so lines are looked at as UTF-8. A zero byte ends the line, as
// it would end a C string.
void ParseLine(std::string_view text, Line& line) {
    if (const std::size_t zero = text.find('\0'); zero != std::string_view::npos)
        text = text.substr(0, zero);
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty())
        return;
    if (trimmed.front() == '[') {
        if (const std::size_t close = trimmed.find(']'); close != std::string_view::npos) {
            line.kind = Line::Kind::Section;
            line.name = Trim(trimmed.substr(1, close - 1));
            return;
        }
        // "[abc" without its bracket is an ordinary line of the current section.
    }
    line.kind = Line::Kind::Entry;
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) {
        line.name = trimmed;
    } else {
        line.name = Trim(trimmed.substr(0, equals));
        line.value = Trim(trimmed.substr(equals + 1));
        line.hasValue = true;
    }
}

// The file's bytes and its lines. The whole file is converted in one go: a
// line feed is never part of a GB18030 character, so its lines are the lines
// of the UTF-8 text, one for one. Never moved once made (the lines point into
// `text`).
struct ParsedProfile {
    std::string bytes;
    std::string text;
    std::vector<Line> lines;
};

std::shared_ptr<const ParsedProfile> Parse(std::string bytes) {
    auto parsed = std::make_shared<ParsedProfile>();
    parsed->bytes = std::move(bytes);
    parsed->text = Gb18030ToUtf8(parsed->bytes);
    const std::string& raw = parsed->bytes;
    const std::string_view text = parsed->text;
    parsed->lines.reserve(static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '\n')) + 1);
    std::size_t rawStart = 0;
    std::size_t textStart = 0;
    while (rawStart < raw.size()) {
        const std::size_t rawFeed = raw.find('\n', rawStart);
        const std::size_t textFeed = text.find('\n', textStart);
        Line line;
        line.rawStart = rawStart;
        line.rawEnd = rawFeed == std::string::npos ? raw.size() : rawFeed + 1;
        const std::size_t textEnd = textFeed == std::string_view::npos ? text.size() : textFeed + 1;
        ParseLine(text.substr(textStart, textEnd - textStart), line);
        parsed->lines.push_back(line);
        rawStart = line.rawEnd;
        textStart = textEnd;
    }
    return parsed;
}

// The parsed copies SharedProfileReading keeps, with what the file looked
// like when each was read.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct SharedCopies {
    std::mutex mutex;
    int sessions = 0;
    std::map<std::filesystem::path, std::pair<FileIdentity, std::shared_ptr<const ParsedProfile>>>
        copies;
};

SharedCopies& Shared() {
    static SharedCopies shared;
    return shared;
}

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return std::nullopt;
    const auto nanoseconds = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    return FileIdentity{status.st_dev, status.st_ino, status.st_size, nanoseconds(status.st_mtim),
                        nanoseconds(status.st_ctim)};
}

// File times move in steps of a few milliseconds, so a file changed again
// within the same step keeps its time; one changed this recently is read
// again each time rather than trusted.
bool JustModified(const FileIdentity& identity) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t nowNanoseconds =
        static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return nowNanoseconds - identity.modified < 2'000'000'000;
}

std::shared_ptr<const ParsedProfile> LoadFile(const std::filesystem::path& path) {
    SharedCopies& shared = Shared();
    std::unique_lock lock(shared.mutex);
    if (shared.sessions == 0) {
        lock.unlock();
        return Parse(ReadWholeFile(path).value_or(std::string()));
    }
    // Looked at before the read: a change in between makes the next look read again.
    const std::optional<FileIdentity> identity = IdentityOf(path);
    auto found = shared.copies.find(path);
    if (identity && found != shared.copies.end() && found->second.first == *identity)
        return found->second.second;
    auto parsed = Parse(ReadWholeFile(path).value_or(std::string()));
    if (identity && !JustModified(*identity))
        shared.copies[path] = {*identity, parsed};
    else
        shared.copies.erase(path);
    return parsed;
}

void ForgetSharedCopy(const std::filesystem::path& path) {
    SharedCopies& shared = Shared();
    const std::lock_guard lock(shared.mutex);
    shared.copies.erase(path);
}

struct Range {
    std::size_t header; // index of the section line
    std::size_t end;    // one past the section's last line
};

std::optional<Range> FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Line::Kind::Section || !SameName(lines[i].name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != Line::Kind::Section)
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

const Line* FindKey(const std::vector<Line>& lines, std::string_view section,
                    std::string_view key) {
    if (key.empty())
        return nullptr;
    const std::optional<Range> range = FindSection(lines, section);
    if (!range)
        return nullptr;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (lines[i].kind == Line::Kind::Entry && SameName(lines[i].name, key))
            return &lines[i];
    return nullptr;
}

int ParseProfileInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.size() >= 2 && text[0] == '0') {
        const char marker = LowerAscii(text[1]);
        base = marker == 'x' ? 16 : marker == 'o' ? 8 : marker == 'b' ? 2 : 10;
        if (base != 10)
            text.remove_prefix(2);
    }
    std::uint32_t result = 0; // wraps like the 32-bit original
    for (const char c : text) {
        const char lower = LowerAscii(c);
        unsigned digit = 0;
        if (lower >= '0' && lower <= '9')
            digit = static_cast<unsigned>(lower - '0');
        else if (lower >= 'a' && lower <= 'f')
            digit = static_cast<unsigned>(lower - 'a' + 10);
        else
            break;
        if (digit >= base)
            break;
        result = result * base + digit;
    }
    return static_cast<int>(negative ? 0u - result : result);
}

bool HasLineBreakOrZero(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool EndsLine(std::string_view raw) {
    return !raw.empty() && raw.back() == '\n';
}

// The line end of an existing line, so a rewritten line keeps it.
std::string_view LineEnd(std::string_view raw) {
    if (raw.size() >= 2 && raw.substr(raw.size() - 2) == "\r\n")
        return "\r\n";
    return EndsLine(raw) ? "\n" : "";
}

// The file's bytes with the key set.
std::string WithKeySet(const ParsedProfile& file, std::string_view section, std::string_view key,
                       std::string_view value) {
    const std::vector<Line>& lines = file.lines;
    const std::string_view bytes = file.bytes;
    const auto raw = [&](const Line& line) {
        return bytes.substr(line.rawStart, line.rawEnd - line.rawStart);
    };
    const auto entryLine = [&](std::string_view name, std::string_view end) {
        return Utf8ToGb18030(std::string(name) + "=" + std::string(value)) + std::string(end);
    };
    // Everything up to the end of `line`, which gets a line end if it lacks one.
    const auto upToAndEnded = [&](const Line& line) {
        std::string head(bytes.substr(0, line.rawEnd));
        if (!EndsLine(raw(line)))
            head += "\r\n";
        return head;
    };

    if (const std::optional<Range> range = FindSection(lines, section)) {
        std::size_t insertAfter = range->header;
        for (std::size_t i = range->header + 1; i < range->end; ++i) {
            const Line& line = lines[i];
            if (line.kind != Line::Kind::Entry)
                continue;
            if (SameName(line.name, key))
                return std::string(bytes.substr(0, line.rawStart)) +
                       entryLine(line.name, LineEnd(raw(line))) +
                       std::string(bytes.substr(line.rawEnd));
            insertAfter = i; // after the section's last entry, before its trailing blank lines
        }
        const Line& before = lines[insertAfter];
        return upToAndEnded(before) + entryLine(key, "\r\n") +
               std::string(bytes.substr(before.rawEnd));
    }
    std::string result;
    if (!lines.empty()) {
        result = upToAndEnded(lines.back());
        if (lines.back().kind != Line::Kind::Blank)
            result += "\r\n";
    }
    return result + Utf8ToGb18030("[" + std::string(section) + "]") + "\r\n" +
           entryLine(key, "\r\n");
}

} // namespace

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, std::size_t maxBytes) const {
    const std::shared_ptr<const ParsedProfile> file = LoadFile(m_Path);
    const Line* entry = FindKey(file->lines, section, key);
    if (entry != nullptr && entry->hasValue)
        return CutToGb18030Bytes(entry->value, maxBytes);
    while (!defaultValue.empty() && defaultValue.back() == ' ')
        defaultValue.remove_suffix(1);
    return CutToGb18030Bytes(defaultValue, maxBytes);
}

int ProfileFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    // The integer read goes through a 30-character buffer.
    const std::string text = GetString(section, key, "", 29);
    return text.empty() ? defaultValue : ParseProfileInt(text);
}

std::string ProfileFile::GetSection(std::string_view section, std::size_t bufferBytes) const {
    std::string result;
    if (bufferBytes < 2)
        return result;
    const std::shared_ptr<const ParsedProfile> file = LoadFile(m_Path);
    const std::vector<Line>& lines = file->lines;
    if (const std::optional<Range> range = FindSection(lines, section)) {
        std::size_t room = bufferBytes; // one byte always stays for the final zero
        for (std::size_t i = range->header + 1; i < range->end && room > 2; ++i) {
            const Line& line = lines[i];
            if (line.kind != Line::Kind::Entry || line.name.empty() || line.name.front() == ';')
                continue;
            const std::string entry = line.hasValue
                                          ? std::string(line.name) + "=" + std::string(line.value)
                                          : std::string(line.name);
            const std::size_t length = Gb18030Length(entry);
            if (length + 2 <= room) {
                result += entry;
                result += '\0';
                room -= length + 1;
            } else {
                result += CutToGb18030Bytes(entry, room - 2);
                result += '\0';
                break;
            }
        }
    }
    result += '\0';
    return result;
}

std::error_code ProfileFile::Write(std::string_view section, std::string_view key,
                                   std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (key.empty() || HasLineBreakOrZero(section) || HasLineBreakOrZero(key) ||
        HasLineBreakOrZero(value) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key.front() == '[')
        return std::make_error_code(std::errc::invalid_argument);
    value = Trim(value);

    // Lock, read, clean up and replace where the links lead (a shared
    // settings file, a dotfiles folder): a writer through a link and one
    // through its target must take turns on the same lock.
    std::error_code error;
    const std::optional<std::filesystem::path> target = FinalLinkTarget(m_Path, error);
    if (!target)
        return error;

    // Read, change and replace as one step for every process: two writers
    // interleaved would each write back the file without the other's key.
    const FileLock lock(*target, kWriterPatience);
    if (!lock.Held())
        return lock.Error();
    RemoveStaleTemporaries(*target);

    std::string bytes;
    if (std::filesystem::exists(*target, error)) {
        // An existing file that cannot be read must not be overwritten with one key.
        std::optional<std::string> existing = ReadWholeFile(*target);
        if (!existing)
            return std::make_error_code(std::errc::permission_denied);
        bytes = std::move(*existing);
    } else if (error) {
        return error;
    }
    const std::shared_ptr<const ParsedProfile> file = Parse(std::move(bytes));
    ReplaceWholeFile(*target, WithKeySet(*file, section, key, value), error);
    ForgetSharedCopy(m_Path);
    return error;
}

SharedProfileReading::SharedProfileReading() {
    const std::lock_guard lock(Shared().mutex);
    ++Shared().sessions;
}

SharedProfileReading::~SharedProfileReading() {
    const std::lock_guard lock(Shared().mutex);
    if (--Shared().sessions == 0)
        Shared().copies.clear();
}
