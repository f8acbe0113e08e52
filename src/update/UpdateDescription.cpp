#include "update/UpdateDescription.h"

#include "platform/OpenSsl.h"

#include "platform/ProfileFile.h"
#include "platform/ProgramDirectory.h"
#include "settings/AppInfo.h"
#include "settings/CIniFile.h"


#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>

namespace {

// One part of a version text: the number at its start after blanks.
std::optional<unsigned long long> VersionPart(const std::string& part) {
    std::size_t at = 0;
    while (at < part.size() && (part[at] == ' ' || part[at] == '\t'))
        ++at;
    if (at == part.size() || !std::isdigit(static_cast<unsigned char>(part[at])))
        return std::nullopt;
    unsigned long long value = 0;
    for (; at < part.size() && std::isdigit(static_cast<unsigned char>(part[at])); ++at)
        value = std::min(value * 10 + static_cast<unsigned>(part[at] - '0'), 1ULL << 60);
    return value;
}

std::optional<std::vector<unsigned long long>> VersionParts(const std::string& text) {
    std::vector<unsigned long long> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find_first_of(",.", start);
        const auto part = VersionPart(text.substr(start, end - start));
        if (!part)
            return std::nullopt;
        parts.push_back(*part);
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool IsHexDigest(const std::string& text) {
    if (text.size() != 64)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

UpdateSettings ReadUpdateSettings() {
    const SharedProfileReading readOnce; // three keys, one parse
    const CIniFile ini("annivo.ini");
    UpdateSettings settings;
    settings.urlPath = ini.GetString("Version", "UrlPath", kDefaultUrlPath);
    if (settings.urlPath.empty())
        settings.urlPath = kDefaultUrlPath;
    if (settings.urlPath.back() != '/')
        settings.urlPath += '/';
    settings.fileName = ini.GetString("Version", "FileName", "Version.htc");
    settings.currentVersion = ini.GetString("Version", "CurrentVersion", kAppVersion);
    return settings;
}

std::string UpdateDirectoryUrl(const std::string& urlPath) {
    return urlPath + "mysoft/annivo/";
}

std::string DescriptionUrl(const UpdateSettings& settings) {
    return UpdateDirectoryUrl(settings.urlPath) + settings.fileName;
}

bool IsNewerVersion(const std::string& offered, const std::string& installed) {
    const auto offeredParts = VersionParts(offered);
    if (!offeredParts)
        return false;
    const auto installedParts = VersionParts(installed);
    if (!installedParts)
        return true; // whatever is installed, a readable offer is better
    const std::size_t count = std::max(offeredParts->size(), installedParts->size());
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned long long a = i < offeredParts->size() ? (*offeredParts)[i] : 0;
        const unsigned long long b = i < installedParts->size() ? (*installedParts)[i] : 0;
        if (a != b)
            return a > b;
    }
    return false;
}

std::filesystem::path DescriptionPath() {
    return FileInProgramDirectory("Version.ini");
}

std::string UpdateFile::TargetName() const {
    if (!saveName.empty())
        return saveName;
    const std::size_t slash = downloadName.find_last_of("/\\");
    return slash == std::string::npos ? downloadName : downloadName.substr(slash + 1);
}

UpdateDescription ReadDescription() {
    CIniFile file("Version.ini");
    UpdateDescription description;
    description.offeredVersion = file.GetString("Version", "CurrentVersion", "");
    file.ReadSection("MSG");
    description.messages = file.SectionValues();
    file.ReadSection("SHA256");
    description.hasDigests = !file.SectionKeys().empty();
    file.ReadSection("DFileName");
    const std::vector<std::string> keys = file.SectionKeys();
    const std::vector<std::string> values = file.SectionValues();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        UpdateFile update;
        update.key = keys[i];
        update.downloadName = values[i];
        update.saveName = file.GetString("SaveFileName", keys[i], "");
        update.replaceName = file.GetString("ReplaceFileName", keys[i], "");
        // The format lets an entry leave it out: the download then replaces
        // the file it is saved as.
        if (update.replaceName.empty())
            update.replaceName = update.TargetName();
        update.sizeText = file.GetString("FileSize", keys[i], "");
        update.sha256 = Lower(Trim(file.GetString("SHA256", keys[i], "")));
        description.files.push_back(std::move(update));
    }
    return description;
}

std::optional<std::string> CleanRelativeName(const std::string& name) {
    std::string text = Trim(name);
    for (char& c : text)
        if (c == '\\')
            c = '/';
    // "/x", and "C:..." from the other system, start outside the directory.
    if (text.empty() || text.front() == '/' ||
        (text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))))
        return std::nullopt;
    std::string clean;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string part = Trim(text.substr(start, end - start));
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            clean += (clean.empty() ? "" : "/") + part;
        start = end + 1;
    }
    if (clean.empty())
        return std::nullopt;
    return clean;
}

std::string RefusalOfFiles(const UpdateDescription& description) {
    for (const UpdateFile& file : description.files) {
        const std::string& shown = file.replaceName.empty() ? file.key : file.replaceName;
        const struct {
            const std::string& value;
            const char* what;
        } names[] = {{file.downloadName, "下载文件名"},
                     {file.TargetName(), "保存名"},
                     {file.replaceName, "替换的文件名"}};
        for (const auto& name : names)
            if (!CleanRelativeName(name.value))
                return "更新文件“" + shown + "”的" + name.what + "“" + name.value +
                       "”不可用（只能是程序目录中的文件），已停止更新。";
        if (description.hasDigests && !IsHexDigest(file.sha256))
            return "更新文件“" + shown + "”缺少有效的校验值，已停止更新。";
    }
    return {};
}

std::string ProgressText(std::int64_t received, std::int64_t length) {
    char text[32];
    if (length > 0) {
        const std::int64_t percent = std::min<std::int64_t>(received * 100 / length, 100);
        std::snprintf(text, sizeof text, "%d%%", static_cast<int>(percent));
    } else if (received < 1024) {
        std::snprintf(text, sizeof text, "%d B", static_cast<int>(received));
    } else if (received < 1024 * 1024) {
        std::snprintf(text, sizeof text, "%d KB", static_cast<int>(received / 1024));
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(received) / 1048576.0);
    }
    return text;
}

std::optional<std::string> FileSha256(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const OpenSslFunctions& ssl = OpenSsl();
    if (!ssl.loaded)
        return std::nullopt;
    std::unique_ptr<EVP_MD_CTX, decltype(ssl.EVP_MD_CTX_free)> context(ssl.EVP_MD_CTX_new(),
                                                                       ssl.EVP_MD_CTX_free);
    if (!context || OpenSsl().EVP_DigestInit_ex(context.get(), OpenSsl().EVP_sha256(), nullptr) != 1)
        return std::nullopt;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        OpenSsl().EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return std::nullopt;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    OpenSsl().EVP_DigestFinal_ex(context.get(), digest, &length);
    std::string hex;
    static const char* kDigits = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}
