#pragma once
// A fresh directory under the system's temporary directory, removed at the end.

#include <filesystem>
#include <random>
#include <string>

class TempDir {
public:
    TempDir() {
        std::random_device random;
        m_Path = std::filesystem::temp_directory_path() /
                 ("annivo-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_Path);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    std::string File(const std::string& name) const { return (m_Path / name).string(); }

private:
    std::filesystem::path m_Path;
};
