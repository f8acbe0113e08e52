// The program's command line, through the real executable: help, version,
// a wrong option, and the calendar and vCard commands run without a window.

#include "platform/WholeFile.h"
#include "storage/CAdoDatabase.h"
#include "storage/DatabaseSeed.h"

#include "RadicaleServer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

// Runs the program with `arguments` in `directory`, with ANNIVO_HOME `home`,
// no display and no desktop session, `input` on its standard input, and
// waits for it.
Outcome RunProgram(const std::vector<std::string>& arguments, const fs::path& directory,
                   const fs::path& home, const std::string& input = "") {
    std::vector<std::string> variables{
        "ANNIVO_HOME=" + home.string(), "HOME=" + (directory / "home").string(),
        "XDG_CONFIG_HOME=" + (directory / "config").string(), "LANG=C.UTF-8"};
    std::vector<char*> env;
    for (std::string& variable : variables)
        env.push_back(variable.data());
    env.push_back(nullptr);
    std::vector<std::string> args{ANNIVO_EXE};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const fs::path out = directory / "stdout.txt", err = directory / "stderr.txt";
    const fs::path in = directory / "stdin.txt";
    EXPECT_TRUE(ReplaceWholeFile(in, input));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Outcome run;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, ANNIVO_EXE, &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    if (spawned != 0)
        return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadWholeFile(out).value_or("");
    run.err = ReadWholeFile(err).value_or("");
    return run;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CommandLine, HelpVersionAndAWrongOption) {
    const TempDir dir;
    const Outcome help = RunProgram({"--help"}, dir.Path(), dir.Path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Has(help.out, "--export-ics")) << help.out;
    EXPECT_TRUE(Has(help.out, "显示本帮助并退出")) << help.out;

    const Outcome version = RunProgram({"--version"}, dir.Path(), dir.Path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "annivo 1.8.0.0\n");

    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--no-such-option"},
                                                  {"stray"},
                                                  {"--export-ics"},
                                                  {"--years", "3"},
                                                  {"--export-ics", "a.ics", "--years", "0"},
                                                  {"--export-ics", "a.ics", "--years", "zehn"}}) {
        const Outcome run = RunProgram(wrong, dir.Path(), dir.Path());
        EXPECT_EQ(run.exitCode, 2) << wrong.front();
        EXPECT_TRUE(Has(run.err, "--export-ics")) << "no usage for " << wrong.front();
        EXPECT_TRUE(run.out.empty());
    }
    EXPECT_FALSE(fs::exists(dir.Path() / "a.ics"));
}

TEST(CommandLine, ExportIcsWritesTheFileWithoutTouchingTheData) {
    const TempDir dir;
    const fs::path home = dir.Path() / "data";
    const fs::path started = dir.Path() / "started";
    fs::create_directories(home);
    fs::create_directories(started);
    const std::string database = (home / "data.db").string();
    CreateDatabaseFromSeed(database);
    {
        CAdoDatabase db(database);
        db.Open();
        db.Execute("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead) "
                   "Values ('张三','1990-11-20 00:00:00','阴历',22)");
        db.Close();
    }
    const std::optional<std::string> before = ReadWholeFile(database);

    // A relative name counts from where the program was started, not from
    // the data directory it works in.
    const Outcome run = RunProgram({"--export-ics", "生日.ics", "--years", "3"}, started, home);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "1 人")) << run.out;
    const std::string text = ReadWholeFile(started / "生日.ics").value_or("");
    EXPECT_TRUE(text.starts_with("BEGIN:VCALENDAR\r\n")) << text.substr(0, 40);
    EXPECT_TRUE(Has(text, "PRODID:-//Qilora//Annivo 1.8.0.0//ZH"));
    EXPECT_TRUE(Has(text, "UID:annivo-1-"));
    EXPECT_TRUE(Has(text, "TRIGGER:-P1DT15H"));
    EXPECT_FALSE(fs::exists(home / "生日.ics"));
    EXPECT_EQ(ReadWholeFile(database), before);

    // Failures: a Chinese message on stderr and a non-zero code.
    const Outcome unwritable =
        RunProgram({"--export-ics", (dir.Path() / "无" / "x.ics").string()}, started, home);
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(Has(unwritable.err, "无法写入日历文件")) << unwritable.err;

    fs::remove(database);
    fs::create_directories(dir.Path() / "bad");
    ASSERT_TRUE(ReplaceWholeFile(dir.Path() / "bad" / "data.db", "这不是数据库"));
    const Outcome broken = RunProgram({"--export-ics", "b.ics"}, started, dir.Path() / "bad");
    EXPECT_NE(broken.exitCode, 0);
    EXPECT_FALSE(broken.err.empty());
    EXPECT_FALSE(fs::exists(started / "b.ics"));
}

TEST(CommandLine, VCardsGoOutAndComeBackIntoAnotherDataDirectory) {
    const TempDir dir;
    const fs::path from = dir.Path() / "from", to = dir.Path() / "to";
    fs::create_directories(from);
    fs::create_directories(to);
    CreateDatabaseFromSeed((from / "data.db").string());
    CreateDatabaseFromSeed((to / "data.db").string());
    {
        CAdoDatabase db((from / "data.db").string());
        db.Open();
        db.Execute("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Mobile,m_Group) Values "
                   "('O''Brien','1925-03-07 00:00:00','阳历','13800138000','朋友'),"
                   "('欧阳娜娜','1980-02-30 00:00:00','阴历','','亲人')");
        db.Close();
    }
    const Outcome out = RunProgram({"--export-vcard", "people.vcf"}, dir.Path(), from);
    EXPECT_EQ(out.exitCode, 0) << out.err;
    EXPECT_FALSE(out.out.empty());
    EXPECT_TRUE(Has(ReadWholeFile(dir.Path() / "people.vcf").value_or(""), "FN:O'Brien"));

    const Outcome in = RunProgram({"--import-vcard", "people.vcf"}, dir.Path(), to);
    EXPECT_EQ(in.exitCode, 0) << in.err;
    EXPECT_TRUE(Has(in.out, "导入2人")) << in.out;
    CAdoDatabase db((to / "data.db").string());
    db.Open();
    db.Execute("Select m_Name,m_Date,m_DateStatus,m_Group From TiXing Order By m_Name");
    std::vector<std::string> rows;
    for (; !db.IsEOF(); db.MoveNext())
        rows.push_back(db.GetCollect("m_Name").AsString() + " " +
                       db.GetCollect("m_Date").AsString().substr(0, 10) + " " +
                       db.GetCollect("m_DateStatus").AsString() + " " +
                       db.GetCollect("m_Group").AsString());
    db.Close();
    EXPECT_EQ(rows, (std::vector<std::string>{"O'Brien 1925-03-07 阳历 朋友",
                                              "欧阳娜娜 1980-02-30 阴历 亲人"}));

    // Not a vCard: a Chinese message, a failure code, nothing stored.
    ASSERT_TRUE(ReplaceWholeFile(dir.Path() / "not.vcf", "这不是名片"));
    const Outcome wrong = RunProgram({"--import-vcard", "not.vcf"}, dir.Path(), to);
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_FALSE(wrong.err.empty());
    EXPECT_TRUE(wrong.out.empty());
}

TEST(CommandLine, PublishSendsOnlyWhatChangedAndSaysWhyItCannot) {
    const RadicaleServer server;
    const TempDir dir;
    const fs::path home = dir.Path() / "data";
    fs::create_directories(home);
    CreateDatabaseFromSeed((home / "data.db").string());
    {
        CAdoDatabase db((home / "data.db").string());
        db.Open();
        db.Execute("Insert Into TiXing (m_Name,m_Date,m_DateStatus) Values "
                   "('张三','1990-05-20 00:00:00','阳历')");
        db.Close();
    }
    const std::vector<std::string> publish{
        "--publish", server.CalendarUrl(), "--user", RadicaleServer::kUser, "--years", "3"};
    const std::string password = std::string(RadicaleServer::kPassword) + "\n";
    const Outcome first = RunProgram(publish, dir.Path(), home, password);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "新增3、更新0、删除0\n");
    const Outcome again = RunProgram(publish, dir.Path(), home, password);
    EXPECT_EQ(again.out, "新增0、更新0、删除0\n") << again.err;
    // Nothing but the record of what was published is stored.
    for (const fs::directory_entry& entry : fs::directory_iterator(home))
        EXPECT_TRUE(entry.path().filename() == "data.db" ||
                    entry.path().string().find("caldav-") != std::string::npos)
            << entry.path();

    const Outcome wrong = RunProgram(publish, dir.Path(), home, "falsch\n");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(Has(wrong.err, "401")) << wrong.err;
    EXPECT_TRUE(wrong.out.empty());
    const Outcome unset = RunProgram({"--publish"}, dir.Path(), home);
    EXPECT_EQ(unset.exitCode, 1);
    EXPECT_TRUE(Has(unset.err, "日历同步")) << unset.err;
    for (const std::vector<std::string>& usage :
         {std::vector<std::string>{"--publish", server.CalendarUrl()},
          {"--publish", "--user", "alice"},
          {"--user", "alice"}}) {
        const Outcome run = RunProgram(usage, dir.Path(), home);
        EXPECT_EQ(run.exitCode, 2) << usage.back();
    }
}

} // namespace
