#pragma once
// Reading and replacing small files as a whole. A replacement is written to a
// temporary file beside the target and renamed over it, so a crash or a full
// disk leaves either the old file or the new one, never half of one.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

// The file's bytes, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// The file that `path` names in the end: the last of its chain of symbolic
// links (a relative link counts from its own folder), or `path` itself when
// it is no link. It need not exist: a link may point to a file still to be
// made. Nothing, and `error` set, for a loop of links or a path that cannot
// be looked at.
std::optional<std::filesystem::path> FinalLinkTarget(const std::filesystem::path& path,
                                                     std::error_code& error);

// Replaces (or creates) the file with `bytes`. Symbolic links are followed to
// their FinalLinkTarget, so the links stay and their target changes (a link to
// nothing gets its target made). A file this process may not write by
// its mode bits and owner is refused with permission_denied, for root too:
// the rename would otherwise need only a writable directory. False (and
// `error` set) when anything fails; the old file is then untouched.
bool ReplaceWholeFile(const std::filesystem::path& path, std::string_view bytes,
                      std::error_code& error);
bool ReplaceWholeFile(const std::filesystem::path& path, std::string_view bytes);

// Removes the temporaries of replacements of `path` (of its FinalLinkTarget)
// that never finished (the writer was killed). Only safe while every writer
// of the file is kept out, see FileLock.
void RemoveStaleTemporaries(const std::filesystem::path& path);

// An exclusive advisory lock on `path` + ".lock", shared by every process and
// thread that takes it. The lock file stays: removing it would let two
// writers lock two different files.
class FileLock {
public:
    // Waits at most `patience` for another holder; Held() tells whether it came.
    FileLock(const std::filesystem::path& path, std::chrono::milliseconds patience);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return !m_Error; }
    // Why it was not taken: device_or_resource_busy when another holder kept it.
    std::error_code Error() const { return m_Error; }

private:
    int m_Fd = -1;
    std::error_code m_Error;
};
