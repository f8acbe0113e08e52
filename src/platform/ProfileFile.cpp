#include "platform/ProfileFile.h"

#include "platform/TextCodec.h"
#include "platform/WholeFile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace {

struct Line {
    enum class Kind { Blank, Section, Entry };

    std::string raw; // the bytes in the file, line end included
    Kind kind = Kind::Blank;
    std::string name;  // section name or key, UTF-8, trimmed
    std::string value; // UTF-8, trimmed
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

Line ParseLine(std::string raw) {
    Line line;
    line.raw = std::move(raw);
    // Brackets can be the second byte of a GB18030 character, so the line is
    // looked at as UTF-8. A zero byte ends it, as it would end a C string.
    std::string text = Gb18030ToUtf8(line.raw);
    if (const std::size_t zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty())
        return line;
    if (trimmed.front() == '[') {
        if (const std::size_t close = trimmed.find(']'); close != std::string_view::npos) {
            line.kind = Line::Kind::Section;
            line.name = Trim(trimmed.substr(1, close - 1));
            return line;
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
    return line;
}

std::vector<Line> ParseFile(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        lines.push_back(ParseLine(bytes.substr(start, end - start)));
        start = end;
    }
    return lines;
}

std::vector<Line> LoadFile(const std::filesystem::path& path) {
    const std::optional<std::string> bytes = ReadWholeFile(path);
    return bytes ? ParseFile(*bytes) : std::vector<Line>{};
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

bool EndsLine(const std::string& raw) {
    return !raw.empty() && raw.back() == '\n';
}

// The line end of an existing line, so a rewritten line keeps it.
std::string_view LineEnd(const std::string& raw) {
    if (raw.size() >= 2 && raw.compare(raw.size() - 2, 2, "\r\n") == 0)
        return "\r\n";
    return EndsLine(raw) ? "\n" : "";
}

} // namespace

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, std::size_t maxBytes) const {
    const std::vector<Line> lines = LoadFile(m_Path);
    const Line* entry = FindKey(lines, section, key);
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
    const std::vector<Line> lines = LoadFile(m_Path);
    if (const std::optional<Range> range = FindSection(lines, section)) {
        std::size_t room = bufferBytes; // one byte always stays for the final zero
        for (std::size_t i = range->header + 1; i < range->end && room > 2; ++i) {
            const Line& line = lines[i];
            if (line.kind != Line::Kind::Entry || line.name.empty() || line.name.front() == ';')
                continue;
            const std::string entry = line.hasValue ? line.name + "=" + line.value : line.name;
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

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (key.empty() || HasLineBreakOrZero(section) || HasLineBreakOrZero(key) ||
        HasLineBreakOrZero(value) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key.front() == '[')
        return false;
    value = Trim(value);

    std::vector<Line> lines;
    std::error_code error;
    if (std::filesystem::exists(m_Path, error)) {
        // An existing file that cannot be read must not be overwritten with one key.
        const std::optional<std::string> bytes = ReadWholeFile(m_Path);
        if (!bytes)
            return false;
        lines = ParseFile(*bytes);
    } else if (error) {
        return false;
    }

    const auto entryLine = [&](std::string_view name, std::string_view end) {
        return Utf8ToGb18030(std::string(name) + "=" + std::string(value)) + std::string(end);
    };
    const auto endLastLine = [](Line& line) {
        if (!EndsLine(line.raw))
            line.raw += "\r\n";
    };

    if (const std::optional<Range> range = FindSection(lines, section)) {
        std::size_t insertAt = range->header + 1;
        bool replaced = false;
        for (std::size_t i = range->header + 1; i < range->end; ++i) {
            Line& line = lines[i];
            if (line.kind != Line::Kind::Entry)
                continue;
            if (SameName(line.name, key)) {
                line.raw = entryLine(line.name, LineEnd(line.raw));
                replaced = true;
                break;
            }
            insertAt = i + 1; // after the section's last entry, before its trailing blank lines
        }
        if (!replaced) {
            endLastLine(lines[insertAt - 1]);
            Line added;
            added.raw = entryLine(key, "\r\n");
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(added));
        }
    } else {
        std::string tail;
        if (!lines.empty()) {
            endLastLine(lines.back());
            if (lines.back().kind != Line::Kind::Blank)
                tail += "\r\n";
        }
        tail += Utf8ToGb18030("[" + std::string(section) + "]") + "\r\n" + entryLine(key, "\r\n");
        Line added;
        added.raw = std::move(tail);
        lines.push_back(std::move(added));
    }

    std::string bytes;
    for (const Line& line : lines)
        bytes += line.raw;
    return ReplaceWholeFile(m_Path, bytes);
}
