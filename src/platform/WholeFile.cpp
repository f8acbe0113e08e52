#include "platform/WholeFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

// Temporaries are named ".<name>.<pid>.<counter>.tmp".
std::string TemporaryPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".";
}

bool IsTemporaryOf(const std::string& name, const std::string& prefix) {
    constexpr std::string_view kSuffix = ".tmp";
    if (name.size() <= prefix.size() + kSuffix.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return false;
    const std::string_view middle(name.data() + prefix.size(),
                                  name.size() - prefix.size() - kSuffix.size());
    const std::size_t dot = middle.find('.');
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return dot != std::string_view::npos && digits(middle.substr(0, dot)) &&
           digits(middle.substr(dot + 1));
}

fs::path DirectoryOf(const fs::path& target) {
    return target.parent_path().empty() ? fs::path(".") : target.parent_path();
}

bool InGroup(gid_t group) {
    if (group == getegid())
        return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<std::size_t>(i)] == group)
            return true;
    return false;
}

// Decided from the mode bits of the class the process falls in, because
// access() says yes to root for every file, and a read-only file must stay
// so for root too. Others also ask the system (ACLs, read-only mounts).
bool MayWrite(const fs::path& target, const struct stat& status) {
    const uid_t user = geteuid();
    const mode_t bit = status.st_uid == user ? S_IWUSR : InGroup(status.st_gid) ? S_IWGRP : S_IWOTH;
    if ((status.st_mode & bit) == 0)
        return false;
    return user == 0 || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

// Opens a new, uniquely named file in `directory`; the process umask decides
// its mode, as for any newly created file.
int CreateTemporary(const fs::path& directory, const fs::path& target, fs::path& created) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = directory / (TemporaryPrefix(target) + std::to_string(getpid()) + "." +
                               std::to_string(counter++) + ".tmp");
        const int fd = open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void SyncDirectory(const fs::path& directory) {
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

std::optional<fs::path> FinalLinkTarget(const fs::path& path, std::error_code& error) {
    // As many links as the system itself follows in one path.
    constexpr int kMostLinks = 40;
    fs::path current = path;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0) {
            if (errno != ENOENT) {
                error = LastError();
                return std::nullopt;
            }
            break; // a file still to be made, perhaps where a link points
        }
        if (!S_ISLNK(status.st_mode))
            break;
        if (links == kMostLinks) {
            error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
            return std::nullopt;
        }
        const fs::path next = fs::read_symlink(current, error);
        if (error)
            return std::nullopt;
        current = next.is_absolute() ? next : DirectoryOf(current) / next;
    }
    error.clear();
    return current;
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    // Sized once from the file's length (a stream read in small pieces takes
    // seconds on a large file); a file that grows meanwhile is read on.
    struct stat status {};
    std::string bytes;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t length = 0;
    for (;;) {
        if (length == bytes.size())
            bytes.resize(bytes.size() + 65536);
        const ssize_t got = read(fd, bytes.data() + length, bytes.size() - length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            close(fd);
            if (got < 0)
                return std::nullopt;
            bytes.resize(length);
            return bytes;
        }
        length += static_cast<std::size_t>(got);
    }
}

bool ReplaceWholeFile(const fs::path& path, std::string_view bytes, std::error_code& error) {
    const std::optional<fs::path> resolved = FinalLinkTarget(path, error);
    if (!resolved)
        return false;
    const fs::path& target = *resolved;
    const fs::path directory = DirectoryOf(target);

    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        error = LastError();
        return false;
    }
    if (exists && !MayWrite(target, old)) {
        error = std::make_error_code(std::errc::permission_denied);
        return false;
    }

    fs::path temporary;
    const int fd = CreateTemporary(directory, target, temporary);
    if (fd < 0) {
        error = LastError();
        return false;
    }
    // A replaced file keeps the permissions it had.
    if (exists)
        fchmod(fd, old.st_mode & 07777);

    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    if (!ok)
        error = LastError();
    if (close(fd) != 0 && ok) {
        error = LastError();
        ok = false;
    }
    if (ok && rename(temporary.c_str(), target.c_str()) == 0) {
        SyncDirectory(directory);
        error.clear();
        return true;
    }
    if (ok)
        error = LastError();
    unlink(temporary.c_str());
    return false;
}

bool ReplaceWholeFile(const fs::path& path, std::string_view bytes) {
    std::error_code error;
    return ReplaceWholeFile(path, bytes, error);
}

void RemoveStaleTemporaries(const fs::path& path) {
    std::error_code error;
    const std::optional<fs::path> target = FinalLinkTarget(path, error);
    if (!target)
        return;
    const std::string prefix = TemporaryPrefix(*target);
    for (fs::directory_iterator it(DirectoryOf(*target), error), end; !error && it != end;
         it.increment(error)) {
        std::error_code ignored;
        if (IsTemporaryOf(it->path().filename().string(), prefix) && it->is_regular_file(ignored))
            fs::remove(it->path(), ignored);
    }
}

FileLock::FileLock(const fs::path& path, std::chrono::milliseconds patience) {
    const fs::path lockPath = fs::path(path) += ".lock";
    m_Fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // One left by another user (root, say) may be read-only to this one;
    // flock works on a descriptor opened for reading too.
    if (m_Fd < 0 && errno == EACCES) {
        // When there is none to open, the refusal to make one is the reason
        // (a read-only folder), not the missing file.
        const std::error_code refused = LastError();
        m_Fd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_Fd < 0) {
            m_Error = refused;
            return;
        }
    }
    if (m_Fd < 0) {
        m_Error = LastError();
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (flock(m_Fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            m_Error = LastError();
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_Error = std::make_error_code(std::errc::device_or_resource_busy);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

FileLock::~FileLock() {
    if (m_Fd >= 0)
        close(m_Fd);
}
