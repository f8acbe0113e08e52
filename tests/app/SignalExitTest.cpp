// The real program, ended as a log-out, a shutdown or Ctrl+C ends it.

#include "storage/CAdoDatabase.h"
#include "storage/DatabaseSeed.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

TEST(SignalExit, TermAndIntEndTheProgramNormallyAndRemoveTheTune) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const TempDir dir;
        fs::create_directories(dir.Path() / "home");
        CreateDatabaseFromSeed(dir.File("data.db"));
        // Someone whose birthday is today: the first tick plays the built-in tune.
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char birth[32];
        std::strftime(birth, sizeof birth, "1990-%m-%d 23:59:59", &local);
        CAdoDatabase db(dir.File("data.db"));
        db.Open();
        db.Execute(std::string("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_SoundPath) "
                               "Values ('张三','") +
                   birth + "','阳历','HAPPYBIRTHDAY')");
        db.Close();

        std::vector<std::string> variables{"ANNIVO_HOME=" + dir.Path().string(),
                                           "HOME=" + dir.File("home"),
                                           "XDG_CONFIG_HOME=" + dir.File("config"),
                                           "QT_QPA_PLATFORM=offscreen", "SDL_AUDIODRIVER=dummy"};
        std::vector<char*> env;
        for (std::string& variable : variables)
            env.push_back(variable.data());
        env.push_back(nullptr);
        char* argv[] = {const_cast<char*>(ANNIVO_EXE), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, ANNIVO_EXE, nullptr, nullptr, argv, env.data()), 0);

        const fs::path tune = dir.Path() / "happy.mid";
        const bool playing = WaitFor([&] { return fs::exists(tune); }, 60s);
        kill(pid, signal);
        int status = 0;
        const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 20s);
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        ASSERT_TRUE(playing) << "no pop-up played the tune";
        ASSERT_TRUE(ended);
        EXPECT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_FALSE(fs::exists(tune));
    }
}

} // namespace
