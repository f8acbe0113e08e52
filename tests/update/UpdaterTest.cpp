// annivo-update in a temporary program directory: waiting for the program,
// files moved into place, old files back after a failed move.

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
    const ScopedEnv home{"ANNIVO_HOME", std::nullopt}; // annivo-update finds its own directory
};

} // namespace

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
TEST_F(UpdaterTest, ExecutableRestoresAfterAFailedMoveOrInstallsAndRestarts) {
    fs::copy_file(ANNIVO_UPDATE_BINARY, Dir() / "annivo-update");
    WriteBytes(Dir() / "annivo.new", "#!/bin/sh\necho started >> started.txt\n");
    auto run = [&] {
        const std::string command = "'" + (Dir() / "annivo-update").string() + "' -r 2> '" +
                                    (Dir() / "stderr.txt").string() + "'";
        return WEXITSTATUS(std::system(command.c_str()));
    };

    WriteBytes(Dir() / "blocker", "a file where a directory should be");
    Describe("blocker/festivals.txt");
    EXPECT_EQ(run(), 3);
    EXPECT_THAT(ReadBytes(Dir() / "stderr.txt"), HasSubstr("已恢复原来的文件"));
    EXPECT_EQ(ReadBytes(Dir() / "annivo"), "old program");
    EXPECT_EQ(ReadBytes(Dir() / "festivals.new"), "new festivals"); // ready for another try
    EXPECT_TRUE(fs::exists(Dir() / "annivo.new") && fs::exists(Dir() / "Version.ini"));
    EXPECT_FALSE(fs::exists(Dir() / "annivo.annivo-old"));

    Describe("data\\festivals.txt");
    EXPECT_EQ(run(), 0);
    for (int i = 0; i < 300 && !fs::exists(Dir() / "started.txt"); ++i) // it runs detached
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadBytes(Dir() / "started.txt"), "started\n"); // the new program, runnable
    EXPECT_EQ(ReadBytes(Dir() / "data/festivals.txt"), "new festivals");
    EXPECT_EQ(ReadBytes(Dir() / "notes.txt"), "already in place");
    for (const char* gone : {"annivo.new", "festivals.new", "annivo.annivo-old",
                             "data/festivals.txt.annivo-old", "version.ini", "Version.ini"})
        EXPECT_FALSE(fs::exists(Dir() / gone)) << gone;
}
