// annivo-update in a temporary program directory: files moved into place,
// old files back after a failed move, waiting for the program, the real
// executable's messages and exit codes.

#include "update/Updater.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

extern char** environ;

namespace {

class UpdaterTest : public ::testing::Test {
protected:
    UpdaterTest() {
        WriteBytes(Dir() / "annivo", "old program");
        fs::permissions(Dir() / "annivo", fs::perms(0755));
        WriteBytes(Dir() / "data/festivals.txt", "old festivals");
        WriteBytes(Dir() / "annivo.new", "new program");
        WriteBytes(Dir() / "festivals.new", "new festivals");
    }
    void Describe(const std::string& secondTarget) {
        WriteBytes(Dir() / "Version.ini",
                   "[Version]\r\nCurrentVersion=1, 9, 0, 0\r\n"
                   "[DFileName]\r\na=annivo.new\r\nb=festivals.new\r\nc=notes.txt\r\n"
                   "[ReplaceFileName]\r\na=annivo\r\nb=" +
                       secondTarget + "\r\nc=notes.txt\r\n");
        WriteBytes(Dir() / "notes.txt", "already in place");
    }
    const fs::path& Dir() const { return program.Path(); }

    const TempDir program;
    const ScopedEnv home{"ANNIVO_HOME", program.Path().string()};
};

} // namespace

TEST_F(UpdaterTest, PutsEveryDownloadInPlaceKeepingTheProgramRunnable) {
    Describe("data\\festivals.txt");
    const InstallResult result = InstallUpdateFiles();
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(ReadBytes(Dir() / "annivo"), "new program");
    EXPECT_EQ(fs::status(Dir() / "annivo").permissions(), fs::perms(0755));
    EXPECT_EQ(ReadBytes(Dir() / "data/festivals.txt"), "new festivals");
    EXPECT_EQ(ReadBytes(Dir() / "notes.txt"), "already in place");
    for (const char* gone : {"annivo.new", "festivals.new", "annivo.annivo-old",
                             "data/festivals.txt.annivo-old", "version.ini", "Version.ini"})
        EXPECT_FALSE(fs::exists(Dir() / gone)) << gone;
}

TEST_F(UpdaterTest, FailedMovePutsTheOldFilesBack) {
    WriteBytes(Dir() / "blocker", "a file where a directory should be");
    Describe("blocker/festivals.txt");
    const InstallResult result = InstallUpdateFiles();
    EXPECT_FALSE(result.ok);
    EXPECT_THAT(result.message, HasSubstr("已恢复原来的文件"));
    EXPECT_EQ(ReadBytes(Dir() / "annivo"), "old program");
    EXPECT_EQ(ReadBytes(Dir() / "annivo.new"), "new program"); // ready for another try
    EXPECT_EQ(ReadBytes(Dir() / "festivals.new"), "new festivals");
    EXPECT_FALSE(fs::exists(Dir() / "annivo.annivo-old"));
    EXPECT_TRUE(fs::exists(Dir() / "Version.ini"));
}

TEST_F(UpdaterTest, WaitsUntilTheProgramHasEnded) {
    const fs::path fake = Dir() / "running/annivo";
    fs::create_directories(fake.parent_path());
    fs::copy_file("/bin/sleep", fake);
    char* arguments[] = {const_cast<char*>(fake.c_str()), const_cast<char*>("30"), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, fake.c_str(), nullptr, nullptr, arguments, environ), 0);
    EXPECT_FALSE(WaitUntilExited(fake, std::chrono::milliseconds(300)));
    std::thread ender([child] {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    });
    EXPECT_TRUE(WaitUntilExited(fake, std::chrono::seconds(30)));
    ender.join();
}

// The real executable, copied into the program directory beside a stand-in
// for annivo that only leaves a mark.
TEST_F(UpdaterTest, ExecutableInstallsRestartsAndReportsFailures) {
    const ScopedEnv noHome{"ANNIVO_HOME", std::nullopt};
    fs::copy_file(ANNIVO_UPDATE_BINARY, Dir() / "annivo-update");
    WriteBytes(Dir() / "annivo.new", "#!/bin/sh\necho started >> started.txt\n");
    auto run = [&](const std::string& arguments) {
        const std::string command = "'" + (Dir() / "annivo-update").string() + "' " + arguments +
                                    " 2> '" + (Dir() / "stderr.txt").string() + "'";
        return WEXITSTATUS(std::system(command.c_str()));
    };
    auto started = [&] { // the stand-in runs detached
        for (int i = 0; i < 300 && !fs::exists(Dir() / "started.txt"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return ReadBytes(Dir() / "started.txt");
    };

    WriteBytes(Dir() / "blocker", "");
    Describe("blocker/x");
    EXPECT_EQ(run("-r"), 3);
    EXPECT_THAT(ReadBytes(Dir() / "stderr.txt"), HasSubstr("已恢复原来的文件"));
    EXPECT_EQ(ReadBytes(Dir() / "annivo"), "old program");

    Describe("data/festivals.txt");
    EXPECT_EQ(run("-r"), 0);
    EXPECT_EQ(started(), "started\n");
    EXPECT_EQ(ReadBytes(Dir() / "data/festivals.txt"), "new festivals");
    EXPECT_FALSE(fs::exists(Dir() / "Version.ini"));
}
