#include "app/Startup.h"
#include "controls/FrameCommands.h"
#include "platform/Autostart.h"
#include "platform/ProgramDirectory.h"
#include "settings/AppInfo.h"
#include "settings/BuiltInAccount.h"
#include "settings/Globals.h"

#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TestFiles.h"
#include "storage/CAdoDatabase.h"
#include "storage/DatabaseSeed.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class StartupTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv programDirectory{"ANNIVO_HOME", dir.File("program")};
    ScopedEnv home{"HOME", dir.File("home")};
    ScopedEnv userProfile{"USERPROFILE", std::nullopt};
    ScopedEnv config{"XDG_CONFIG_HOME", dir.File("config")};

    void SetUp() override {
        fs::create_directories(dir.Path() / "program");
        fs::create_directories(dir.Path() / "home");
        g_ExePath = "/opt/annivo/annivo";
        g_AutoStart = g_RunOnce = g_AutoUpdate = g_ActiveView = g_StartedInProfileDir = -1;
    }
};

TEST_F(StartupTest, SettingsDefaultWithoutAFileAndCreateNone) {
    ReadStartupSettings();
    EXPECT_EQ(std::tie(g_RunOnce, g_AutoUpdate, g_ActiveView, g_UrlPath),
              std::make_tuple(0, 0, 0, std::string(kDefaultUrlPath)));
    EXPECT_TRUE(fs::is_empty(dir.Path() / "program"));
    WriteBytes(dir.Path() / "program/Annivo.ini",
               "[Settings]\r\nRunOnce=1\r\nAutoUpdate=1\r\nActiveView=2"
               "\r\n[Version]\r\nUrlPath=http://mirror.example/\r\n");
    ReadStartupSettings();
    EXPECT_EQ(std::tie(g_RunOnce, g_AutoUpdate, g_ActiveView, g_UrlPath),
              std::make_tuple(1, 1, 2, std::string("http://mirror.example/")));
}

TEST_F(StartupTest, LinksStayUnderTheServerWhateverTheStoredUrlPathLacks) {
    using Case = std::tuple<std::string, std::string, std::string>; // stored, home, programs
    const std::string builtIn(kDefaultUrlPath);
    for (const auto& [stored, home, programs] : {
             Case{"http://mirror.example", "http://mirror.example/bbs",
                  "http://mirror.example/myprog.htm"},
             Case{"http://mirror.example/", "http://mirror.example/bbs",
                  "http://mirror.example/myprog.htm"},
             Case{"", builtIn + "bbs", builtIn + "myprog.htm"},
         }) {
        SCOPED_TRACE(stored);
        WriteBytes(dir.Path() / "program/Annivo.ini",
                   std::string("[Version]\r\nUrlPath=") + stored + "\r\n");
        ReadStartupSettings();
        EXPECT_EQ(HomePageUrl() + " " + ProgramListUrl(), home + " " + programs);
    }
}

TEST_F(StartupTest, ProgramDirectoryIsEnteredByItsFullPathOrTheStartStops) {
    const fs::path saved = fs::current_path();
    fs::current_path(dir.Path());
    // Relative to where the program was started, and still right after entering it.
    const ScopedEnv relative{"ANNIVO_HOME", "program"};
    EXPECT_TRUE(EnterProgramDirectory() == std::nullopt &&
                fs::current_path() == dir.Path() / "program");
    EXPECT_EQ(FileInProgramDirectory("annivo.ini"), dir.Path() / "program/annivo.ini");
    for (const std::string& bad : {dir.File("missing"), dir.File("home/file")}) {
        WriteBytes(dir.Path() / "home/file", "");
        const ScopedEnv unusable{"ANNIVO_HOME", bad};
        const std::optional<std::string> failure = EnterProgramDirectory();
        ASSERT_TRUE(failure.has_value()) << bad;
        EXPECT_NE(failure->find("无法进入程序目录 " + bad), std::string::npos) << *failure;
        EXPECT_EQ(fs::current_path(), dir.Path() / "program") << "stays where it was";
    }
    fs::current_path(saved);
}

TEST(Startup, ProfileDirectoryIsUserProfileOrElseHome) {
    // Working directory, USERPROFILE, HOME: the answer.
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"/home/u", nullptr, "/home/u/", true}, {"/home/u", "/home/u", "/x", true},
        {"/home/u", "/x", "/home/u", false},    {"/home/u/x", nullptr, "/home/u", false},
        {"/home/U", nullptr, "/home/u", false}, {"/home/u", nullptr, nullptr, false},
        {"/home/u", "", "/home/u", false}};
    for (const auto& [workingDirectory, userProfile, home, expected] : cases)
        EXPECT_EQ(IsProfileDirectory(workingDirectory, userProfile, home), expected)
            << workingDirectory << " " << (userProfile ? userProfile : "-") << " " << home;
}

TEST_F(StartupTest, AutostartCheckOffersToCorrectAnEntryForAnotherCopy) {
    const std::string here = g_ExePath, old = "/old/place/annivo";
    using Entry = std::optional<std::string>;
    // The entry, the answer to the question (asked when set), then g_AutoStart and the entry.
    const std::tuple<Entry, std::optional<PromptAnswer>, int, Entry> cases[] = {
        {std::nullopt, std::nullopt, 0, std::nullopt},
        {here, std::nullopt, 1, here},
        {old, PromptAnswer::Yes, 1, here},
        {old, PromptAnswer::No, 1, old}};
    for (const auto& [entry, answer, autoStart, entryAfter] : cases) {
        SCOPED_TRACE(entry.value_or("no entry"));
        RemoveAutostart();
        ASSERT_TRUE(!entry || WriteAutostart(*entry));
        ScriptedPrompter prompter;
        if (answer)
            prompter.answers.push_back(*answer);
        CheckAutostart(prompter);
        EXPECT_EQ(g_AutoStart, autoStart);
        EXPECT_EQ(ReadAutostart(), entryAfter);
        ASSERT_EQ(prompter.asked.size(), answer ? 1u : 0u);
        for (const ScriptedPrompter::Asked& asked : prompter.asked)
            EXPECT_TRUE(asked.text + asked.caption ==
                            "随机启动的路径有误，是否调整？Qilora生日提醒 2011贺岁版" &&
                        asked.buttons == PromptButtons::YesNo &&
                        asked.icon == PromptIcon::Question);
    }
    // A configuration directory below a plain file can be neither read nor made.
    WriteBytes(dir.Path() / "blocker", "x");
    ScopedEnv blocked("XDG_CONFIG_HOME", dir.File("blocker/config"));
    ScriptedPrompter prompter;
    CheckAutostart(prompter);
    EXPECT_EQ(g_AutoStart, 0);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"错误，不能创建子键!"});
}

TEST(Startup, ProgramDirectoryIsAnnivoHomeThenAWritableExecutableDirectoryThenUserData) {
    using Kind = ProgramDirectoryKind;
    const ProgramDirectoryChoice home{"/data/a", Kind::AnnivoHome},
        exe{"/opt/annivo", Kind::ExecutableDirectory}, xdg{"/x/annivo", Kind::UserDataDirectory},
        fallback{"/home/u/.local/share/annivo", Kind::UserDataDirectory};
    // ANNIVO_HOME, executable directory writable, an installed copy, XDG_DATA_HOME: the choice.
    const std::tuple<const char*, bool, bool, const char*, ProgramDirectoryChoice> cases[] = {
        {"/data/a", false, true, "/x", home},
        {"/data/a", true, false, nullptr, home},
        {"", true, false, "/x", exe},
        {nullptr, true, false, nullptr, exe},
        {nullptr, true, true, "/x", xdg},
        {nullptr, false, false, "/x", xdg},
        {"", false, true, nullptr, fallback},
        {nullptr, false, false, "", fallback},
        {nullptr, false, false, "rel/data", fallback}};
    for (const auto& [annivoHome, writable, installed, xdgDataHome, expected] : cases)
        EXPECT_EQ(ChooseProgramDirectory(annivoHome, "/opt/annivo", writable, installed,
                                         xdgDataHome, "/home/u"),
                  expected)
            << (annivoHome ? annivoHome : "-") << " " << writable << installed << " "
            << (xdgDataHome ? xdgDataHome : "-");
    // An installed copy finds its seed in the data directory beside bin.
    EXPECT_EQ(InstalledSeedPath("/usr/local/bin"), "/usr/local/share/annivo/data.db");
}

TEST_F(StartupTest, UserDataDirectoryIsCreatedAndSeededOnceOrTheStartStops) {
    // Without an installed seed the built-in one makes the database.
    const fs::path data = dir.Path() / "data/share/annivo";
    EXPECT_EQ(PrepareUserDataDirectory(data, dir.Path() / "no-seed.db"), std::nullopt);
    CAdoDatabase made((data / "data.db").string());
    made.Open();
    made.Execute("Select * From MySetting");
    EXPECT_EQ(made.GetRecordCount(), 1);

    // The installed seed is copied as it is; a data.db already there, in any
    // spelling, is the user's and stays.
    WriteBytes(dir.Path() / "seed.db", "the installed seed");
    const fs::path installed = dir.Path() / "installed";
    EXPECT_EQ(PrepareUserDataDirectory(installed, dir.Path() / "seed.db"), std::nullopt);
    EXPECT_EQ(ReadBytes(installed / "data.db"), "the installed seed");
    EXPECT_FALSE(fs::exists(installed / "data.db.part"));
    const fs::path mixedCase = dir.Path() / "mixed";
    WriteBytes(mixedCase / "Data.db", "mine");
    EXPECT_EQ(PrepareUserDataDirectory(mixedCase, dir.Path() / "seed.db"), std::nullopt);
    EXPECT_EQ(ReadBytes(mixedCase / "Data.db") + ReadBytes(mixedCase / "data.db"), "mine");

    // A data directory that cannot be made, even by an administrator.
    WriteBytes(dir.Path() / "plain", "x");
    const std::optional<std::string> failure =
        PrepareUserDataDirectory(dir.Path() / "plain/annivo", dir.Path() / "seed.db");
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("无法创建数据目录 " + dir.File("plain/annivo")), std::string::npos)
        << *failure;
}

} // namespace
