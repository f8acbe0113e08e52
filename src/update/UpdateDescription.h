#pragma once
// The update's facts that need no network: where the server's files are, the
// installed version, the description file Version.ini and the files it lists.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// annivo.ini's Version section, with the program's own defaults.
struct UpdateSettings {
    std::string urlPath;        // base URL, ends in "/"
    std::string fileName;       // description file on the server
    std::string currentVersion; // installed version
};
UpdateSettings ReadUpdateSettings();

// "<base>mysoft/annivo/" and the description file's URL under it.
std::string UpdateDirectoryUrl(const std::string& urlPath);
std::string DescriptionUrl(const UpdateSettings& settings);

// Version texts such as "1, 10, 0, 0" compare as numbers part by part, a
// missing part counting 0. A text without a number at its start (an error
// page, an empty value) is never newer.
bool IsNewerVersion(const std::string& offered, const std::string& installed);

// Where Version.ini lives: the program directory.
std::filesystem::path DescriptionPath();

struct UpdateFile {
    std::string key;
    std::string downloadName; // DFileName: relative to the update directory URL
    std::string saveName;     // SaveFileName as written; "" means the URL's last part
    std::string replaceName;  // ReplaceFileName: the installed file it replaces
                              // (when missing, TargetName(): the file saved over)
    std::string sizeText;     // FileSize, shown only
    std::string sha256;       // lower-case hex, "" when the file has none

    // The file name in the program directory that the download is saved as.
    std::string TargetName() const;
};

struct UpdateDescription {
    std::string offeredVersion;
    std::vector<std::string> messages; // the MSG values in file order
    std::vector<UpdateFile> files;     // in the order of DFileName
    bool hasDigests = false;           // a SHA256 section is present
};

// Reads Version.ini in the program directory (missing sections and keys
// read as empty).
UpdateDescription ReadDescription();

// A relative name inside the program directory, with "\" read as "/" and
// "." parts and doubled slashes dropped; nothing when the name is absolute,
// climbs with "..", or is empty after that cleaning.
std::optional<std::string> CleanRelativeName(const std::string& name);

// Checks every name of the list before anything is downloaded, and the
// digests when the description has them: "" when all is well, else the
// message that tells the user why the update is refused.
std::string RefusalOfFiles(const UpdateDescription& description);

// The 下载状态 cell: "%d%%" of a known length; the bytes received when the
// server gave no length.
std::string ProgressText(std::int64_t received, std::int64_t length);

// Lower-case hex SHA-256 of the file, nothing when it cannot be read.
std::optional<std::string> FileSha256(const std::filesystem::path& path);
