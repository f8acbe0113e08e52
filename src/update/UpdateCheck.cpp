#include "update/UpdateCheck.h"

#include "settings/Globals.h"
#include "platform/ProgramDirectory.h"
#include "update/PackagedCopy.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Writes the body into a file as it comes, watching for a stop.
class FileSink final : public HttpBodySink {
public:
    FileSink(fs::path path, const StopCheck& stop) : m_Path(std::move(path)), m_Stop(stop) {}

    std::function<void(std::int64_t received, std::int64_t length)> onProgress;
    std::int64_t limit = -1; // bytes; a body beyond it is not taken

    bool Begin(std::int64_t length) override {
        m_Length = length;
        std::error_code ignored;
        fs::create_directories(m_Path.parent_path(), ignored);
        m_File.open(m_Path, std::ios::binary | std::ios::trunc);
        m_OpenFailed = !m_File.is_open();
        return !m_OpenFailed;
    }

    bool Block(std::string_view bytes) override {
        if (StopRequested())
            return false;
        if (limit >= 0 && m_Received + static_cast<std::int64_t>(bytes.size()) > limit) {
            m_TooLong = true;
            return false;
        }
        if (!m_File.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
            m_WriteFailed = true;
            return false;
        }
        m_Received += static_cast<std::int64_t>(bytes.size());
        if (onProgress)
            onProgress(m_Received, m_Length);
        return true;
    }

    bool StopRequested() const override { return m_Stop && m_Stop(); }

    // Closes the file; false when the last bytes could not be written.
    bool Close() {
        if (!m_File.is_open())
            return true;
        m_File.close();
        return !m_File.fail();
    }

    // The transfer ended for neither of the sink's own failures: a stop.
    bool Stopped(const FetchResult& fetched) const {
        return fetched.outcome == FetchOutcome::Ended && !m_OpenFailed && !m_WriteFailed &&
               !m_TooLong;
    }
    bool TooLong() const { return m_TooLong; }
    std::int64_t Received() const { return m_Received; }
    std::int64_t Length() const { return m_Length; }

private:
    fs::path m_Path;
    const StopCheck& m_Stop;
    std::ofstream m_File;
    std::int64_t m_Length = -1;
    std::int64_t m_Received = 0;
    bool m_OpenFailed = false;
    bool m_TooLong = false;
    bool m_WriteFailed = false;
};

std::string CannotWrite(const std::string& name) {
    return "无法写入文件“" + name + "”，请检查程序目录是否可写、磁盘是否已满。";
}

void RemoveQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

} // namespace

DescriptionFetch FetchDescription(const UpdateSettings& settings, const StopCheck& stop,
                                  const HttpOptions& options) {
    const fs::path path = DescriptionPath();
    FileSink sink(path, stop);
    // A description is a few lines; a server sending without end is not believed.
    sink.limit = 1024 * 1024;
    const FetchResult fetched = HttpGet(DescriptionUrl(settings), sink, options);
    const bool closed = sink.Close();
    DescriptionFetch result;
    if (fetched.outcome == FetchOutcome::Done && closed) {
        result.outcome = StepOutcome::Done;
    } else if (sink.TooLong()) {
        RemoveQuietly(path);
        result.message = "更新服务器返回的版本信息不正确（文件过大）。";
    } else if (sink.Stopped(fetched)) {
        result.outcome = StepOutcome::Stopped;
    } else if (fetched.outcome == FetchOutcome::Refused ||
               fetched.outcome == FetchOutcome::NetworkError) {
        result.message = FailureText(fetched);
    } else {
        result.message = CannotWrite(path.filename().string());
    }
    return result;
}

VersionCheck CheckForUpdate(const UpdateSettings& settings, const StopCheck& stop,
                            const HttpOptions& options) {
    VersionCheck check;
    const DescriptionFetch fetched = FetchDescription(settings, stop, options);
    if (fetched.outcome != StepOutcome::Done) {
        check.kind =
            fetched.outcome == StepOutcome::Stopped ? VersionCheck::Stopped : VersionCheck::Failed;
        check.message = fetched.message;
        return check;
    }
    UpdateDescription description = ReadDescription();
    if (!IsNewerVersion(description.offeredVersion, settings.currentVersion)) {
        RemoveQuietly(DescriptionPath());
        check.kind = VersionCheck::UpToDate;
        return check;
    }
    if (std::string refusal = RefusalOfFiles(description); !refusal.empty()) {
        // Nothing is downloaded, and the updater must not find it either.
        RemoveQuietly(DescriptionPath());
        check.kind = VersionCheck::Refused;
        check.message = std::move(refusal);
        return check;
    }
    check.kind = VersionCheck::Offered;
    check.description = std::move(description);
    check.directoryUrl = UpdateDirectoryUrl(settings.urlPath);
    return check;
}

std::string FileUrl(const std::string& directoryUrl, const std::string& downloadName) {
    std::string url = directoryUrl;
    static const char* kDigits = "0123456789ABCDEF";
    for (const char c : downloadName) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte >= 0x7F) {
            url += '%';
            url += kDigits[byte >> 4];
            url += kDigits[byte & 15];
        } else {
            url += c == '\\' ? '/' : c;
        }
    }
    return url;
}

DownloadResult DownloadUpdateFiles(const std::string& directoryUrl,
                                   const std::vector<UpdateFile>& files, DownloadObserver& observer,
                                   const StopCheck& stop, const HttpOptions& options) {
    DownloadResult result;
    const fs::path directory = ProgramDirectory();
    for (std::size_t row = 0; row < files.size(); ++row) {
        const UpdateFile& file = files[row];
        const std::optional<std::string> target = CleanRelativeName(file.TargetName());
        if (!target || !CleanRelativeName(file.downloadName)) {
            result.message = "更新文件“" + file.replaceName + "”的文件名不可用，已停止下载。";
            return result;
        }
        observer.Status("正在校验文件" + file.replaceName + "下载地址...");
        const fs::path path = directory / *target;
        // A file saved under the name of the installed file it replaces must
        // not be cut short by a stop, a broken connection or a failed check:
        // it is written beside and takes the installed file's place when whole.
        std::error_code error;
        const bool inPlace = CleanRelativeName(file.replaceName) == target &&
                             fs::is_regular_file(path, error);
        const fs::path written =
            inPlace ? path.parent_path() / ("." + path.filename().string() + ".annivo-new") : path;
        struct PartRemoval {
            const fs::path* part = nullptr;
            ~PartRemoval() {
                if (part)
                    RemoveQuietly(*part);
            }
        } partRemoval{inPlace ? &written : nullptr};
        FileSink sink(written, stop);
        bool begun = false;
        std::string shown;
        sink.onProgress = [&](std::int64_t received, std::int64_t length) {
            if (!begun) {
                begun = true;
                observer.Status("正在下载文件" + file.replaceName + "...");
                observer.FileBegun(row, length);
            }
            std::string text = ProgressText(received, length);
            if (text != shown) {
                shown = std::move(text);
                observer.Progress(row, received, length);
            }
        };
        const FetchResult fetched =
            HttpGet(FileUrl(directoryUrl, file.downloadName), sink, options);
        const bool closed = sink.Close();
        if (sink.Stopped(fetched)) {
            result.outcome = StepOutcome::Stopped;
            return result;
        }
        if (fetched.outcome == FetchOutcome::Refused ||
            fetched.outcome == FetchOutcome::NetworkError) {
            result.message = FailureText(fetched);
            return result;
        }
        if (fetched.outcome != FetchOutcome::Done || !closed) {
            result.message = CannotWrite(*target);
            return result;
        }
        if (!begun) { // an empty file
            observer.Status("正在下载文件" + file.replaceName + "...");
            observer.FileBegun(row, sink.Length());
        }
        observer.Progress(row, sink.Received(), sink.Length());
        if (!file.sha256.empty() && FileSha256(written) != file.sha256) {
            RemoveQuietly(written);
            result.message = "文件“" + file.replaceName +
                             "”下载后校验失败，可能已被篡改或损坏，已删除。请稍后重新升级。";
            return result;
        }
        if (inPlace) {
            // The new file keeps the old one's permissions (a program must stay runnable).
            fs::permissions(written, fs::status(path, error).permissions(), error);
            if (!error)
                fs::rename(written, path, error);
            if (error) {
                result.message = CannotWrite(*target);
                return result;
            }
        }
    }
    result.outcome = StepOutcome::Done;
    return result;
}

void RunAutomaticUpdateCheck(AutoUpdateHost& host, const HttpOptions& options) {
    // Lowered at every end, also when something below throws.
    struct BusyRelease {
        ~BusyRelease() { DecrementBusyCount(); }
    } release;
    try {
        const UpdateSettings settings = ReadUpdateSettings();
        if (FetchDescription(settings, nullptr, options).outcome != StepOutcome::Done)
            return;
        const UpdateDescription description = ReadDescription();
        for (const std::string& message : description.messages)
            host.AddHintText(message);
        bool updaterStarted = false;
        if (IsNewerVersion(description.offeredVersion, settings.currentVersion)) {
            if (IsPackagedCopy())
                host.AddHintText(PackageManagerOfferText(description.offeredVersion));
            else
                updaterStarted = host.OfferUpdate(description.offeredVersion);
        }
        if (!updaterStarted)
            RemoveQuietly(DescriptionPath());
    } catch (const std::exception&) {
        // silent, as every failure of the automatic check
    }
}
