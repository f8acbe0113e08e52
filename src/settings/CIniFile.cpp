#include "settings/CIniFile.h"

#include "platform/ProgramDirectory.h"

#include <string_view>

namespace {

constexpr std::size_t kStringBuffer = 260;
constexpr std::size_t kSectionBuffer = 1024;

} // namespace

CIniFile::CIniFile(const std::string& fileName) : m_File(FileInProgramDirectory(fileName)) {}

int CIniFile::GetInt(const std::string& section, const std::string& key, int defaultValue) const {
    return m_File.GetInt(section, key, defaultValue);
}

std::string CIniFile::GetString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    return m_File.GetString(section, key, defaultValue, kStringBuffer - 1);
}

bool CIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    return !Write(section, key, value);
}

std::error_code CIniFile::Write(const std::string& section, const std::string& key,
                                const std::string& value) {
    return m_File.Write(section, key, value);
}

void CIniFile::ReadSection(const std::string& section) {
    const std::string buffer = m_File.GetSection(section, kSectionBuffer);
    m_SectionKeys.clear();
    m_SectionValues.clear();
    std::size_t start = 0;
    while (start < buffer.size()) {
        std::size_t end = buffer.find('\0', start);
        if (end == std::string::npos)
            end = buffer.size();
        if (end == start)
            break; // the empty entry after the last one
        const std::string_view entry(buffer.data() + start, end - start);
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            m_SectionKeys.emplace_back();
            m_SectionValues.emplace_back(entry);
        } else {
            m_SectionKeys.emplace_back(entry.substr(0, equals));
            m_SectionValues.emplace_back(entry.substr(equals + 1));
        }
        start = end + 1;
    }
}

std::string CIniFile::GetSectionValue(const std::string& section, const std::string& key) {
    ReadSection(section);
    for (std::size_t i = 0; i < m_SectionKeys.size(); ++i)
        if (m_SectionKeys[i] == key)
            return m_SectionValues[i];
    return {};
}
