#include "platform/ProfileFile.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Files are trusted as unchanged only when their time is a while back.
void AgeFile(const fs::path& path) {
    fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
}

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(ProfileFileWrite, AFileThisUserMayNotWriteStaysAsItIs) {
    const bool root = geteuid() == 0; // root also gets no exemption
    const struct {
        const char* label;
        mode_t mode;
        bool otherOwner;
        bool writable;
    } cases[] = {{"read-only", 0444, false, false},
                 {"writable", 0640, false, true},
                 {"another user's", 0644, true, false},
                 {"another user's, open to all", 0666, true, true}};
    for (const auto& c : cases) {
        if (c.otherOwner && !root)
            continue; // only root can hand a file to another user
        // The file itself, and the same through a link (whose own mode says nothing).
        for (const bool throughLink : {false, true}) {
            SCOPED_TRACE(throughLink ? "through a link" : "the file itself");
            TempDir dir;
            const fs::path path = dir.Path() / "annivo.ini";
            const std::string before = "[Settings]\r\nRunOnce=0\r\n";
            WriteBytes(path, before);
            ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
            if (c.otherOwner) {
                ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
            }
            fs::create_symlink("annivo.ini", dir.Path() / "link.ini");
            ProfileFile file(throughLink ? dir.Path() / "link.ini" : path);
            const std::error_code error = file.Write("Settings", "RunOnce", "1");
            EXPECT_EQ(!error, c.writable) << c.label << ": " << error.message();
            EXPECT_EQ(ReadBytes(path), c.writable ? "[Settings]\r\nRunOnce=1\r\n" : before)
                << c.label;
            EXPECT_EQ(ModeOf(path), c.mode) << c.label;
            if (!c.writable) {
                EXPECT_EQ(error, std::errc::permission_denied) << c.label;
            }
        }
    }
}

// Two processes write 200 keys each at once, each through its own path to
// the file; true when every write said it succeeded.
bool WriteKeysAtOnce(const fs::path (&paths)[2], int keys) {
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        if (children[child] < 0)
            return false;
        if (children[child] == 0) {
            ProfileFile file(paths[child]);
            bool ok = true;
            for (int i = 0; i < keys; ++i)
                ok = file.WriteString("Keys", "p" + std::to_string(child) + "_" + std::to_string(i),
                                      std::to_string(i)) &&
                     ok;
            _exit(ok ? 0 : 1);
        }
    }
    bool ok = true;
    for (const pid_t child : children) {
        int status = 0;
        ok = waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
             ok;
    }
    return ok;
}

int KeysPresent(const fs::path& path, int keys) {
    const ProfileFile file(path);
    int present = 0;
    for (int child = 0; child < 2; ++child)
        for (int i = 0; i < keys; ++i)
            present += file.GetString("Keys", "p" + std::to_string(child) + "_" + std::to_string(i),
                                      "", 259) == std::to_string(i);
    return present;
}

TEST(ProfileFileWrite, TwoProcessesWritingAtOnceLoseNoKeyAndKilledWritesLeaveNothing) {
    TempDir dir;
    const fs::path path = dir.Path() / "annivo.ini";
    // What a writer killed between writing and renaming leaves, and files that are not that.
    WriteBytes(dir.Path() / ".annivo.ini.4242.7.tmp", "[Half");
    WriteBytes(dir.Path() / ".annivo.ini.notes.tmp", "mine");
    WriteBytes(dir.Path() / "annivo.ini.bak", "mine");

    EXPECT_TRUE(WriteKeysAtOnce({path, path}, 200)) << "every write said true";
    EXPECT_EQ(KeysPresent(path, 200), 400);
    EXPECT_FALSE(fs::exists(dir.Path() / ".annivo.ini.4242.7.tmp"));
    EXPECT_TRUE(fs::exists(dir.Path() / ".annivo.ini.notes.tmp"));
    EXPECT_TRUE(fs::exists(dir.Path() / "annivo.ini.bak"));
}

// A settings file shared from elsewhere: home/annivo.ini -> ../links/shared.ini
// (relative) -> <dir>/real/annivo.ini (absolute).
TEST(ProfileFileWrite, WritersThroughALinkAndThroughItsTargetTakeTurnsOnTheTarget) {
    TempDir dir;
    const fs::path target = dir.Path() / "real/annivo.ini";
    const fs::path middle = dir.Path() / "links/shared.ini";
    const fs::path link = dir.Path() / "home/annivo.ini";
    WriteBytes(target, "[Settings]\r\nRunOnce=0\r\n");
    fs::create_directories(middle.parent_path());
    fs::create_directories(link.parent_path());
    fs::create_symlink(target, middle);
    fs::create_symlink("../links/shared.ini", link);
    WriteBytes(dir.Path() / "real/.annivo.ini.4242.7.tmp", "[Half"); // a killed writer's

    EXPECT_TRUE(WriteKeysAtOnce({link, target}, 200)) << "every write said true";
    EXPECT_EQ(KeysPresent(target, 200), 400);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_symlink(middle));
    EXPECT_EQ(fs::read_symlink(link), "../links/shared.ini");
    EXPECT_FALSE(fs::exists(dir.Path() / "real/.annivo.ini.4242.7.tmp"));
    // Nothing of the writers' is left beside the links.
    EXPECT_EQ(std::distance(fs::directory_iterator(link.parent_path()), {}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(middle.parent_path()), {}), 1);
}

TEST(ProfileFileWrite, ALinkToNothingGetsItsTargetMadeOrSaysWhyNot) {
    TempDir dir;
    const fs::path link = dir.Path() / "annivo.ini";
    fs::create_symlink("dotfiles/annivo.ini", link);
    fs::create_directory(dir.Path() / "dotfiles");
    EXPECT_EQ(ProfileFile(link).Write("Settings", "RunOnce", "1"), std::error_code());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(dir.Path() / "dotfiles/annivo.ini"), "[Settings]\r\nRunOnce=1\r\n");

    // The folder it names is missing, or the links go round in a circle.
    fs::remove_all(dir.Path() / "dotfiles");
    EXPECT_EQ(ProfileFile(link).Write("Settings", "RunOnce", "1"),
              std::errc::no_such_file_or_directory);
    fs::remove(link);
    fs::create_symlink("loop.ini", link);
    fs::create_symlink("annivo.ini", dir.Path() / "loop.ini");
    EXPECT_EQ(ProfileFile(link).Write("Settings", "RunOnce", "1"),
              std::errc::too_many_symbolic_link_levels);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(fs::exists(dir.Path() / "dotfiles"));
}

// As the user nobody when run as root, to whom a 0555 folder is read-only.
std::error_code WriteInReadOnlyFolder(const fs::path& path) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0)
        return std::error_code(errno, std::generic_category());
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_ends[0]);
        int value = -1;
        if (geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0))
            value = ProfileFile(path).Write("Settings", "RunOnce", "1").value();
        _exit(write(pipe_ends[1], &value, sizeof value) == sizeof value ? 0 : 1);
    }
    close(pipe_ends[1]);
    int value = -1;
    const bool got = read(pipe_ends[0], &value, sizeof value) == sizeof value;
    close(pipe_ends[0]);
    waitpid(child, nullptr, 0);
    return got ? std::error_code(value, std::generic_category())
               : std::make_error_code(std::errc::io_error);
}

TEST(ProfileFileWrite, AReadOnlyFolderIsNamedAsTheReason) {
    TempDir dir;
    const fs::path path = dir.Path() / "annivo.ini";
    const std::string before = "[Settings]\r\nRunOnce=0\r\n";
    WriteBytes(path, before);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0); // only the folder keeps the write out
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
    const std::error_code error = WriteInReadOnlyFolder(path);
    chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(error, std::errc::permission_denied) << error.message();
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(fs::exists(dir.Path() / "annivo.ini.lock"));
}

TEST(SharedProfileReading, ReadsWhatWasWrittenSinceItWasParsed) {
    TempDir dir;
    const fs::path path = dir.Path() / "annivo.ini";
    WriteBytes(path, "[A]\r\nk=1\r\n");
    AgeFile(path);
    const ProfileFile reader(path);
    {
        const SharedProfileReading shared;
        EXPECT_EQ(reader.GetInt("A", "k", 0), 1);
        ASSERT_TRUE(ProfileFile(path).WriteString("A", "k", "2"));
        EXPECT_EQ(reader.GetInt("A", "k", 0), 2);
        AgeFile(path);
        EXPECT_EQ(reader.GetInt("A", "k", 0), 2);
        // Another program rewrites the file in place, same size, and sets its time back.
        const auto time = fs::last_write_time(path);
        WriteBytes(path, "[A]\r\nk=3\r\n");
        fs::last_write_time(path, time);
        EXPECT_EQ(reader.GetInt("A", "k", 0), 3);
        fs::remove(path);
        EXPECT_EQ(reader.GetInt("A", "k", 0), 0);
    }
    WriteBytes(path, "[A]\r\nk=4\r\n");
    EXPECT_EQ(reader.GetInt("A", "k", 0), 4);
}

} // namespace
