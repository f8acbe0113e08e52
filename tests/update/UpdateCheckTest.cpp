// The update against a real HTTP server on 127.0.0.1: the description file,
// the version rule, the file names, the downloads and the automatic check.

#include "update/UpdateCheck.h"
#include "settings/Globals.h"
#include "platform/TextCodec.h"
#include "update/PackagedCopy.h"
#include "update/Updater.h"

#include "HttpTestServer.h"
#include "TempDir.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

constexpr const char* kDescriptionPath = "/mysoft/annivo/Version.htc";

std::string Description(const std::string& version, const std::string& files = "") {
    return "[Version]\r\nCurrentVersion=" + version +
           "\r\n[MSG]\r\nm1=新年快乐\r\nm2=<a>论坛</a>\r\n" + files;
}

const std::string kTwoFiles = "[DFileName]\r\nf1=bin/annivo.new\r\nf2=readme.txt\r\n"
                              "[SaveFileName]\r\nf1=annivo.download\r\n"
                              "[ReplaceFileName]\r\nf1=annivo\r\nf2=readme.txt\r\n"
                              "[FileSize]\r\nf1=9 KB\r\nf2=1 KB\r\n";

class UpdateTest : public ::testing::Test {
protected:
    UpdateTest() {
        WriteBytes(program.Path() / "annivo.ini",
                   "[Version]\r\nUrlPath=" + server.Url("/") + "\r\n");
    }
    void Offer(const std::string& description, int status = 200) {
        server.Serve(kDescriptionPath, {status, Utf8ToGb18030(description)});
    }
    static VersionCheck Check() { return CheckForUpdate(ReadUpdateSettings(), nullptr); }
    bool HasDescription() const { return fs::exists(program.Path() / "version.ini"); }

    const TempDir program;
    const ScopedEnv home{"ANNIVO_HOME", program.Path().string()};
    HttpTestServer server;
};

struct Observed final : DownloadObserver {
    std::vector<std::string> status;
    void Status(const std::string& text) override { status.push_back(text); }
    void FileBegun(std::size_t, std::int64_t) override {}
    void Progress(std::size_t, std::int64_t, std::int64_t) override {}
};

} // namespace

TEST(PackagedCopy, IsMarkedBesideTheInstalledSeed) {
    const TempDir prefix;
    fs::create_directories(prefix.Path() / "bin");
    WriteBytes(prefix.Path() / "share/annivo/data.db", "seed"); // as `cmake --install` leaves it
    EXPECT_FALSE(IsPackagedCopy(prefix.Path() / "bin"));
    WriteBytes(prefix.Path() / "share/annivo/packaged", "");
    EXPECT_TRUE(IsPackagedCopy(prefix.Path() / "bin"));
}

TEST(VersionRule, ComparesNumbersPartByPart) {
    // offered, installed, newer
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"1, 10, 0, 0", "1, 8, 0, 0", true}, // the text order would say older
        {"1, 8, 0, 0", "1, 8, 0, 0", false}, {"1, 7, 9, 9", "1, 8, 0, 0", false},
        {"1, 8, 0, 1", "1, 8", true},        {"1, 8, 0, 0", "1, 8", false},
        {"2.0", "1, 8, 0, 0", true},         {"", "1, 8, 0, 0", false},
        {"<html>", "1, 8, 0, 0", false},     {"1, 9, 0, 0", "unknown", true},
    };
    for (const auto& [offered, installed, newer] : cases)
        EXPECT_EQ(IsNewerVersion(offered, installed), newer) << offered << " vs " << installed;
}

TEST(UpdateNames, StayInsideTheProgramDirectory) {
    for (const auto& [name, clean] :
         {std::pair{"annivo", "annivo"}, {"sub\\a.dll", "sub/a.dll"}, {" ./sub//b ", "sub/b"}})
        EXPECT_EQ(CleanRelativeName(name), clean) << name;
    for (const char* name :
         {"/etc/passwd", "\\x", "..\\..\\x", "a/../../b", "a/..", "C:\\Windows\\x", "", " ./ "})
        EXPECT_EQ(CleanRelativeName(name), std::nullopt) << name;
}

TEST(UpdateProgress, PercentOrBytesWithoutDividingByZero) {
    EXPECT_EQ(ProgressText(512, 1024), "50%");
    EXPECT_EQ(ProgressText(3'000'000'000, 4'000'000'000), "75%"); // beyond 32 bits
    EXPECT_EQ(ProgressText(2000, 1000), "100%");                  // a server that lied
    EXPECT_EQ(ProgressText(0, 0), "0 B");
}

TEST_F(UpdateTest, RefusedStatusesAndNamesEndTheCheckBeforeAnyDownload) {
    const std::string replaces = "[ReplaceFileName]\r\nf=x\r\n";
    // status, description, outcome, message
    const std::tuple<int, std::string, VersionCheck::Kind, const char*> cases[] = {
        {400, "", VersionCheck::Failed, "错误，服务器未回应。"},
        {403, "", VersionCheck::Failed, "服务器禁止访问！"},
        {404, "", VersionCheck::Failed, "错误，服务器上指定的文件不存在！"},
        {500, "<html>", VersionCheck::UpToDate, ""}, // an error page has no version
        {200, std::string(2 << 20, ' '), VersionCheck::Failed,
         "更新服务器返回的版本信息不正确（文件过大）。"},
        // Names that would leave the program directory.
        {200, "[DFileName]\r\nf=../../etc/x\r\n" + replaces, VersionCheck::Refused, "已停止更新"},
        {200, "[DFileName]\r\nf=x\r\n[SaveFileName]\r\nf=/tmp/x\r\n" + replaces,
         VersionCheck::Refused, "已停止更新"},
        {200, "[DFileName]\r\nf=x\r\n[ReplaceFileName]\r\nf=..\\annivo\r\n", VersionCheck::Refused,
         "已停止更新"},
        {200, "[DFileName]\r\nf=\r\n" + replaces, VersionCheck::Refused, "已停止更新"},
        // Without a replace name the save name stands in, and is held to the same rule.
        {200, "[DFileName]\r\nf=sub/..\r\n", VersionCheck::Refused, "已停止更新"},
        {200, "[DFileName]\r\nf=x\r\n[SaveFileName]\r\nf=../x\r\n", VersionCheck::Refused,
         "已停止更新"},
        {200, "[DFileName]\r\nf=x\r\n[SHA256]\r\nother=00\r\n" + replaces, VersionCheck::Refused,
         "已停止更新"},
    };
    for (const auto& [status, files, kind, message] : cases) {
        Offer(status == 200 && kind == VersionCheck::Refused ? Description("2, 0, 0, 0", files)
                                                             : files,
              status);
        const VersionCheck check = Check();
        EXPECT_EQ(check.kind, kind) << status << files;
        EXPECT_THAT(check.message, HasSubstr(message)) << status << files;
        // The status texts exactly.
        EXPECT_TRUE(kind == VersionCheck::Refused || check.message == message) << check.message;
        EXPECT_FALSE(HasDescription());
    }
    EXPECT_EQ(server.Requests().size(), std::size(cases)); // the description files only
    EXPECT_THAT(server.Requests().back(), HasSubstr("no-cache"));
}

TEST_F(UpdateTest, NewerVersionIsFoundBehindARedirectAndDownloadedWithOrWithoutLength) {
    const std::string big(9000, 'A');
    server.Serve("/mysoft/annivo/bin/annivo.new", {200, big});
    server.Serve("/mysoft/annivo/readme.txt", {200, "hello", false});
    server.Serve(kDescriptionPath, {302, "", true, "/moved.htc"});
    server.Serve("/moved.htc", {200, Utf8ToGb18030(Description("1, 10, 0, 0", kTwoFiles))});
    const VersionCheck check = Check();
    ASSERT_EQ(check.kind, VersionCheck::Offered) << check.message;
    EXPECT_TRUE(HasDescription());
    ASSERT_EQ(check.description.files.size(), 2u);
    EXPECT_EQ(check.description.files[0].sizeText, "9 KB");
    EXPECT_THAT(check.description.messages, ElementsAre("新年快乐", "<a>论坛</a>"));
    Observed observed;
    const DownloadResult result =
        DownloadUpdateFiles(check.directoryUrl, check.description.files, observed, nullptr);
    EXPECT_EQ(result.outcome, StepOutcome::Done) << result.message;
    EXPECT_EQ(ReadBytes(program.Path() / "annivo.download"), big);
    EXPECT_EQ(ReadBytes(program.Path() / "readme.txt"), "hello"); // named after the URL
    EXPECT_THAT(observed.status,
                ElementsAre("正在校验文件annivo下载地址...", "正在下载文件annivo...",
                            "正在校验文件readme.txt下载地址...", "正在下载文件readme.txt..."));

    // annivo.ini names the installed version and the server.
    WriteBytes(program.Path() / "annivo.ini",
               "[Version]\r\nUrlPath=" + server.Url("") + "\r\nCurrentVersion=1, 10, 0, 0\r\n");
    EXPECT_EQ(Check().kind, VersionCheck::UpToDate);
    EXPECT_FALSE(HasDescription());
    fs::remove(program.Path() / "annivo.ini");
    const UpdateSettings defaults = ReadUpdateSettings();
    EXPECT_EQ(defaults.urlPath.rfind("https://", 0), 0u);
    EXPECT_EQ(defaults.fileName + "|" + defaults.currentVersion, "Version.htc|1, 8, 0, 0");
}

TEST_F(UpdateTest, DownloadStopsOnRefusalDigestMismatchAndStall) {
    const std::string helloSha256 =
        "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824";
    server.Serve("/mysoft/annivo/ok.txt", {200, "hello"});
    server.Serve("/mysoft/annivo/bad.txt", {200, "HELLO"});
    server.Serve("/mysoft/annivo/slow.bin", {200, std::string(8192, 'x'), true, "", 1});
    auto file = [](const char* name, std::string sha256 = "") {
        return UpdateFile{"k", name, "", name, "", std::move(sha256)};
    };
    // files, outcome, message, what ok.txt then holds
    const std::tuple<std::vector<UpdateFile>, StepOutcome, const char*, const char*> cases[] = {
        {{file("ok.txt", helloSha256), file("missing.txt")},
         StepOutcome::Failed,
         "错误，服务器上指定的文件不存在！",
         "hello"},
        {{file("bad.txt", helloSha256)}, StepOutcome::Failed, "校验失败", ""},
        {{file("slow.bin")}, StepOutcome::Failed, "长时间没有回应", ""},
    };
    for (const auto& [files, outcome, message, okFile] : cases) {
        fs::remove(program.Path() / "ok.txt");
        Observed observed;
        const DownloadResult result = DownloadUpdateFiles(server.Url("/mysoft/annivo/"), files,
                                                          observed, nullptr, HttpOptions{5, 1});
        EXPECT_EQ(result.outcome, outcome) << files[0].downloadName;
        EXPECT_THAT(result.message, HasSubstr(message));
        EXPECT_EQ(ReadBytes(program.Path() / "ok.txt"), okFile);
    }
    EXPECT_FALSE(fs::exists(program.Path() / "bad.txt")); // a mismatch is not kept
    EXPECT_EQ(fs::file_size(program.Path() / "slow.bin"), 1u);

    // Saved under the name of the installed file it replaces: a stall or a
    // failed check leaves the installed file whole; a whole download takes its place.
    for (const char* name : {"bad.txt", "slow.bin", "ok.txt"})
        WriteBytes(program.Path() / name, "installed");
    const std::tuple<UpdateFile, StepOutcome, const char*> inPlace[] = {
        {file("bad.txt", helloSha256), StepOutcome::Failed, "installed"},
        {file("slow.bin"), StepOutcome::Failed, "installed"},
        {file("ok.txt", helloSha256), StepOutcome::Done, "hello"},
    };
    for (const auto& [update, outcome, holds] : inPlace) {
        Observed observed;
        const DownloadResult result = DownloadUpdateFiles(
            server.Url("/mysoft/annivo/"), {update}, observed, nullptr, HttpOptions{5, 1});
        EXPECT_EQ(result.outcome, outcome) << update.downloadName;
        EXPECT_EQ(ReadBytes(program.Path() / update.downloadName), holds);
    }
    for (const auto& entry : fs::directory_iterator(program.Path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
}

// ReplaceFileName may be left out: the file of the save name (or, without
// one, of the URL's last part) is the one replaced.
TEST_F(UpdateTest, FilesWithoutAReplaceNameReplaceTheFileTheyAreSavedAs) {
    WriteBytes(program.Path() / "data/festivals.txt", "old festivals");
    WriteBytes(program.Path() / "readme.txt", "old readme");
    server.Serve("/mysoft/annivo/new/festivals.txt", {200, "new festivals"});
    server.Serve("/mysoft/annivo/docs/readme.txt", {200, "new readme"});
    Offer(Description("2, 0, 0, 0", "[DFileName]\r\nf1=new/festivals.txt\r\nf2=docs/readme.txt\r\n"
                                    "[SaveFileName]\r\nf1=data\\festivals.txt\r\n"));
    const VersionCheck check = Check();
    ASSERT_EQ(check.kind, VersionCheck::Offered) << check.message;
    ASSERT_EQ(check.description.files.size(), 2u);
    EXPECT_EQ(check.description.files[0].replaceName, "data\\festivals.txt"); // the 文件名 shown
    EXPECT_EQ(check.description.files[1].replaceName, "readme.txt");

    Observed observed;
    const DownloadResult result =
        DownloadUpdateFiles(check.directoryUrl, check.description.files, observed, nullptr);
    ASSERT_EQ(result.outcome, StepOutcome::Done) << result.message;
    const InstallResult installed = InstallUpdateFiles();
    EXPECT_TRUE(installed.ok) << installed.message;
    EXPECT_EQ(ReadBytes(program.Path() / "data/festivals.txt"), "new festivals");
    EXPECT_EQ(ReadBytes(program.Path() / "readme.txt"), "new readme");
    EXPECT_FALSE(HasDescription());
    EXPECT_EQ(std::distance(fs::directory_iterator(program.Path()), {}), 3); // and annivo.ini
}

namespace {

struct RecordingHost final : AutoUpdateHost {
    std::vector<std::string> hints, offers;
    bool startUpdater = false;
    void AddHintText(const std::string& text) override { hints.push_back(text); }
    bool OfferUpdate(const std::string& version) override {
        offers.push_back(version);
        return startUpdater;
    }
};

} // namespace

TEST_F(UpdateTest, AutomaticCheckSpeaksOnlyOfNewerVersionsAndAlwaysLowersTheBusyCount) {
    // status (0: nobody listens), body, start the updater, hints, offers, Version.ini stays
    const std::tuple<int, std::string, bool, std::size_t, std::size_t, bool> cases[] = {
        {200, Description("1, 10, 0, 0"), true, 2, 1, true}, // the updater reads it
        {200, Description("1, 8, 0, 0"), false, 2, 0, false}, {404, "", false, 0, 0, false},
        {500, "<html>oops</html>", false, 0, 0, false},       {0, "", false, 0, 0, false},
    };
    for (const auto& [status, body, startUpdater, hints, offers, descriptionStays] : cases) {
        SCOPED_TRACE(std::to_string(status) + body);
        fs::remove(program.Path() / "version.ini");
        Offer(body, status);
        if (status == 0)
            WriteBytes(program.Path() / "annivo.ini",
                       "[Version]\r\nUrlPath=http://127.0.0.1:1/\r\n");
        RecordingHost host;
        host.startUpdater = startUpdater;
        IncrementBusyCount();
        RunAutomaticUpdateCheck(host);
        EXPECT_EQ(BusyCount(), 0);
        EXPECT_EQ(host.hints.size(), hints);
        EXPECT_EQ(host.offers.size(), offers);
        EXPECT_EQ(HasDescription(), descriptionStays);
    }
}
