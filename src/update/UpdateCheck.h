#pragma once
// The update's network steps: fetching the description file, the dialog's
// version check and downloads, and the automatic check of a run. They run on
// worker threads and report through the interfaces below; none touches a
// window.

#include "update/HttpFetch.h"
#include "update/UpdateDescription.h"

#include <cstdint>
#include <functional>
#include <string>

// Polled after every 512-byte block and while the server is silent.
using StopCheck = std::function<bool()>;

enum class StepOutcome { Done, Stopped, Failed };

// Fetches the description file into Version.ini in the program directory.
struct DescriptionFetch {
    StepOutcome outcome = StepOutcome::Failed;
    std::string message; // why it failed
};
DescriptionFetch FetchDescription(const UpdateSettings& settings, const StopCheck& stop,
                                  const HttpOptions& options = {});

// The update dialog's version check.
struct VersionCheck {
    enum Kind { Stopped, Failed, Refused, UpToDate, Offered } kind = Failed;
    std::string message;           // Failed, Refused: what to tell the user
    UpdateDescription description; // Offered
    std::string directoryUrl;      // Offered: where its files are
};
// Version.ini stays only when an update is offered.
VersionCheck CheckForUpdate(const UpdateSettings& settings, const StopCheck& stop,
                            const HttpOptions& options = {});

// What the download tells its window as it goes.
class DownloadObserver {
public:
    virtual ~DownloadObserver() = default;
    virtual void Status(const std::string& text) = 0;
    // Row `row` begins: `length` bytes, or -1 when the server gives none.
    virtual void FileBegun(std::size_t row, std::int64_t length) = 0;
    // Only when the shown text would change, and at the end of each file.
    virtual void Progress(std::size_t row, std::int64_t received, std::int64_t length) = 0;
};

struct DownloadResult {
    StepOutcome outcome = StepOutcome::Failed;
    std::string message; // Failed: what to tell the user
};
// Downloads every file of the list into the program directory, in order,
// checking each against its digest when it has one (a file that fails the
// check is deleted). A stop leaves the partly written file.
DownloadResult DownloadUpdateFiles(const std::string& directoryUrl,
                                   const std::vector<UpdateFile>& files, DownloadObserver& observer,
                                   const StopCheck& stop, const HttpOptions& options = {});

// The source URL of a file: the directory URL and the name, with blanks and
// bytes beyond ASCII percent-encoded.
std::string FileUrl(const std::string& directoryUrl, const std::string& downloadName);

// What the automatic check asks of the program.
class AutoUpdateHost {
public:
    virtual ~AutoUpdateHost() = default;
    virtual void AddHintText(const std::string& text) = 0;
    // Asks whether to update to `version` and, on OK, runs the update
    // dialog. True when the updater was started, which still needs
    // Version.ini.
    virtual bool OfferUpdate(const std::string& version) = 0;
};

// The automatic check of a run, the body of its thread: silent on every
// failure, speaks only when a newer version is offered, removes Version.ini
// and, at every end, lowers the busy count that its starter raised.
void RunAutomaticUpdateCheck(AutoUpdateHost& host, const HttpOptions& options = {});
