#pragma once
// An environment variable set for the length of a test, and raw file access.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_Name(name) {
        if (const char* old = std::getenv(name))
            m_Old = old;
        Apply(value);
    }
    ~ScopedEnv() { Apply(m_Old); }

private:
    void Apply(const std::optional<std::string>& value) {
        value ? setenv(m_Name.c_str(), value->c_str(), 1) : unsetenv(m_Name.c_str());
    }
    std::string m_Name;
    std::optional<std::string> m_Old;
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}
