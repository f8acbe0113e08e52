#pragma once
// The program's profile files in the program directory (annivo.ini, and
// Version.ini from the update server). Cheap: create one for each use.

#include "platform/ProfileFile.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

class CIniFile {
public:
    // `fileName` names a file in the program directory; its case does not matter.
    explicit CIniFile(const std::string& fileName);

    const std::filesystem::path& Path() const { return m_File.Path(); }

    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;
    // At most 259 GB18030 bytes come back; longer values need GetSectionValue.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    // The same, with why it failed (see ProfileFile::Write).
    std::error_code Write(const std::string& section, const std::string& key,
                          const std::string& value);

    // Fills SectionKeys() and SectionValues() with the section's entries, as
    // far as they fit in 1024 bytes; an entry without "=" gets an empty key.
    void ReadSection(const std::string& section);
    // The value of the first key equal to `key` (case counts), or "".
    std::string GetSectionValue(const std::string& section, const std::string& key);

    const std::vector<std::string>& SectionKeys() const { return m_SectionKeys; }
    const std::vector<std::string>& SectionValues() const { return m_SectionValues; }

private:
    ProfileFile m_File;
    std::vector<std::string> m_SectionKeys;
    std::vector<std::string> m_SectionValues;
};
