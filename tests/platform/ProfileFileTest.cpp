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
        TempDir dir;
        const fs::path path = dir.Path() / "annivo.ini";
        const std::string before = "[Settings]\r\nRunOnce=0\r\n";
        WriteBytes(path, before);
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        if (c.otherOwner) {
            ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
        }
        ProfileFile file(path);
        const std::error_code error = file.Write("Settings", "RunOnce", "1");
        EXPECT_EQ(!error, c.writable) << c.label << ": " << error.message();
        EXPECT_EQ(ReadBytes(path), c.writable ? "[Settings]\r\nRunOnce=1\r\n" : before) << c.label;
        EXPECT_EQ(ModeOf(path), c.mode) << c.label;
        if (!c.writable) {
            EXPECT_EQ(error, std::errc::permission_denied) << c.label;
        }
    }
}

TEST(ProfileFileWrite, TwoProcessesWritingAtOnceLoseNoKeyAndKilledWritesLeaveNothing) {
    TempDir dir;
    const fs::path path = dir.Path() / "annivo.ini";
    // What a writer killed between writing and renaming leaves, and files that are not that.
    WriteBytes(dir.Path() / ".annivo.ini.4242.7.tmp", "[Half");
    WriteBytes(dir.Path() / ".annivo.ini.notes.tmp", "mine");
    WriteBytes(dir.Path() / "annivo.ini.bak", "mine");

    constexpr int kKeys = 200;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            ProfileFile file(path);
            bool ok = true;
            for (int i = 0; i < kKeys; ++i)
                ok = file.WriteString("Keys", "p" + std::to_string(child) + "_" + std::to_string(i),
                                      std::to_string(i)) &&
                     ok;
            _exit(ok ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every write said true";
    }
    const ProfileFile file(path);
    int present = 0;
    for (int child = 0; child < 2; ++child)
        for (int i = 0; i < kKeys; ++i)
            present += file.GetString("Keys", "p" + std::to_string(child) + "_" + std::to_string(i),
                                      "", 259) == std::to_string(i);
    EXPECT_EQ(present, 2 * kKeys);
    EXPECT_FALSE(fs::exists(dir.Path() / ".annivo.ini.4242.7.tmp"));
    EXPECT_TRUE(fs::exists(dir.Path() / ".annivo.ini.notes.tmp"));
    EXPECT_TRUE(fs::exists(dir.Path() / "annivo.ini.bak"));
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
