#pragma once
// annivo-update: once the program has ended, puts the downloaded files over
// the ones they replace and starts the program again.

#include <chrono>
#include <filesystem>
#include <string>

// True once no process runs `executable` (or at once when none does); false
// when one still runs after `limit`.
bool WaitUntilExited(const std::filesystem::path& executable, std::chrono::milliseconds limit);

struct InstallResult {
    bool ok = false;
    std::string message; // why not, for the user
};

// Moves every downloaded file listed in Version.ini in the program directory
// over the file it replaces. The replaced files are kept aside until all new
// ones are in place, so that a failure puts every old file back (and the
// downloads back under their own names). On success the old files and
// Version.ini are removed.
InstallResult InstallUpdateFiles();

// Starts the program detached, in `directory`. False when it cannot.
bool StartProgram(const std::filesystem::path& executable, const std::filesystem::path& directory);

// The whole updater; returns the process's exit code and writes its messages
// to stderr.
int RunUpdater(int argc, char** argv);
