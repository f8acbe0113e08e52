#pragma once
// Private-profile files: "[Section]" lines followed by "key=value" lines, read
// and written the way the Windows profile functions do it. Section and key
// names match without regard to case, blanks around names and values do not
// count, the first matching section and the first matching key win, and a
// missing file, section or key gives the caller's default. Keys above the
// first section belong to no section and are never found.
//
// The file holds GB18030 text with CR LF line ends (LF alone reads too); the
// strings here are UTF-8 and byte limits count GB18030 bytes. Each read
// parses the file afresh, unless a SharedProfileReading lives; each write
// replaces the file as a whole, one writer at a time across processes.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path) : m_Path(std::move(path)) {}

    const std::filesystem::path& Path() const { return m_Path; }

    // The key's value, or `defaultValue` (trailing blanks dropped) when there
    // is none; a line without "=" has no value. The result is cut to at most
    // maxBytes GB18030 bytes, between characters.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t maxBytes) const;

    // The value as an integer: an optional sign, then digits (decimal, or
    // after 0x / 0o / 0b hexadecimal, octal, binary) up to the first other
    // character; no digits give 0, an empty or missing value the default.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    // The section's entries in file order, each as "key=value" (or the bare
    // text of a line without "=") followed by a zero byte, and one more zero
    // byte at the end; comment lines (";...") are left out. Sized like a
    // buffer of bufferBytes GB18030 bytes: the entry that does not fit is cut
    // and ends the list.
    std::string GetSection(std::string_view section, std::size_t bufferBytes) const;

    // Sets the key, creating file, section and key as needed; every other line
    // keeps its bytes. A symbolic link stays a link: the file written is the
    // one it leads to (made when missing). Writers in all processes take turns
    // on the lock file beside that file ("annivo.ini.lock"), so none loses
    // another's keys, and the leftovers of a killed writer are cleared.
    // Returns the failure: invalid_argument when the text would not stay one
    // line (a line break or zero byte anywhere, "]" in the section, "=" in the
    // key or "[" at its start, an empty key), permission_denied for a file, or
    // a folder, this user may not write (the file stays as it is),
    // device_or_resource_busy when another writer kept the file for seconds,
    // else what the system said.
    std::error_code Write(std::string_view section, std::string_view key, std::string_view value);
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) {
        return !Write(section, key, value);
    }

private:
    std::filesystem::path m_Path;
};

// While one lives, reads of a profile file share one parsed copy of it, parsed
// again only when the file changes on disk (by size, time or inode), so
// start-up's many lookups in one large file cost one parse. Without one,
// nothing is kept between reads. Nests; any thread.
class SharedProfileReading {
public:
    SharedProfileReading();
    ~SharedProfileReading();
    SharedProfileReading(const SharedProfileReading&) = delete;
    SharedProfileReading& operator=(const SharedProfileReading&) = delete;
};
