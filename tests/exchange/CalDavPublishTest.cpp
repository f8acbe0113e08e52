// Publishing to a real Radicale server, read back by a phone-style client
// (caldav_client.py): every birthday on the program's day, later publishes
// in step without duplicates, foreign events untouched, refusals explained.

#include "exchange/CalDavPublish.h"

#include "RadicaleServer.h"
#include "SeededDatabase.h"
#include "TestCertificates.h"
#include "calendar/LunarCalendar.h"
#include "platform/WholeFile.h"
#include "storage/CAdoDatabase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const DateTime kNow(2026, 12, 7, 8, 0, 0);

struct ServerEvent {
    std::string file, uid, day, summary, etag;
};

std::string RunScript(const std::string& arguments, const std::string& input = "") {
    const std::string command =
        ANNIVO_SYSTEM_PYTHON " " ANNIVO_EXCHANGE_SCRIPTS "/caldav_client.py " + arguments;
    std::string output;
    if (input.empty()) {
        FILE* pipe = popen((command + " 2>&1").c_str(), "r");
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0) << output;
    } else {
        FILE* pipe = popen((command + " >/dev/null").c_str(), "w");
        std::fwrite(input.data(), 1, input.size(), pipe);
        EXPECT_EQ(pclose(pipe), 0);
    }
    return output;
}

std::string Credentials(const std::string& url) {
    return "'" + url + "' " + RadicaleServer::kUser + " '" + RadicaleServer::kPassword + "'";
}

// What the server holds, by UID.
std::map<std::string, ServerEvent> ReadBack(const RadicaleServer& server) {
    std::map<std::string, ServerEvent> events;
    std::istringstream lines(RunScript("list " + Credentials(server.CalendarUrl())));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        ServerEvent e;
        std::getline(fields, e.file, '\t');
        std::getline(fields, e.uid, '\t');
        std::getline(fields, e.day, '\t');
        std::getline(fields, e.summary, '\t');
        std::getline(fields, e.etag, '\t');
        EXPECT_TRUE(events.emplace(e.uid, e).second) << "twice: " << e.uid;
    }
    return events;
}

void AddPerson(const SeededDatabase& db, const std::string& name, const std::string& date,
               bool lunar) {
    db.Run(SqlFormat("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_IsVailid) "
                     "Values ('%s','%s','%s',1)",
                     name, date, lunar ? "阴历" : "阳历"));
}

PublishResult Publish(const SeededDatabase& db, const std::string& url, int years,
                      const std::string& password = RadicaleServer::kPassword,
                      CalDavTimeouts timeouts = {}) {
    CalendarPublishRequest request;
    request.account = {url, RadicaleServer::kUser, password};
    request.years = years;
    return PublishCalendar(db.Path(), request, kNow, db.Dir().Path(), timeouts);
}

std::string Iso(const DateTime& day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.Year(), day.Month(), day.Day());
    return text;
}

int IdOf(const SeededDatabase& db, const std::string& name) {
    return std::stoi(db.Value("Select ID From TiXing Where m_Name='" + name + "'", "ID"));
}

TEST(CalDavPublish, TheCalendarFollowsTheListWithoutDuplicatesAndLeavesOtherEventsAlone) {
    const RadicaleServer server;
    const SeededDatabase db;
    AddPerson(db, "张三", "1990-11-20 00:00:00", true);
    AddPerson(db, "李四", "1988-02-29 00:00:00", false);
    AddPerson(db, "王五", "2001-12-30 00:00:00", true); // 腊月三十, not in every year
    AddPerson(db, "赵六", "1975-06-01 00:00:00", false);
    const std::string foreign = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//x//EN\r\n"
                                "BEGIN:VEVENT\r\nUID:dentist@phone\r\nDTSTAMP:20261201T000000Z\r\n"
                                "DTSTART;VALUE=DATE:20270105\r\nSUMMARY:牙医\r\nEND:VEVENT\r\n"
                                "END:VCALENDAR\r\n";
    RunScript("put " + Credentials(server.CalendarUrl() + "dentist.ics"), foreign);

    const PublishResult first = Publish(db, server.CalendarUrl(), 10);
    ASSERT_TRUE(first.ok) << first.message;
    std::map<std::string, ServerEvent> events = ReadBack(server);

    // Every birthday on the day the program's own rule gives, as <UID>.ics.
    const CLunarCalendar calendar;
    std::size_t expected = 0, nextTwoYearsKept = 0;
    for (const auto& [name, lunar] : std::vector<std::pair<std::string, bool>>{
             {"张三", true}, {"李四", false}, {"王五", true}, {"赵六", false}}) {
        const int id = IdOf(db, name);
        const BirthDate birth = BirthDate::Parse(
            db.Value("Select m_Date From TiXing Where ID=" + std::to_string(id), "m_Date"));
        for (int year = 2026; year < 2036; ++year) {
            const DateTime day =
                calendar.BirthdayInYear(birth, lunar ? kLunarCalendarKind : 1, year);
            const std::string uid =
                "annivo-" + std::to_string(id) + "-" + std::to_string(year) + "@annivo";
            if (!day.IsValid()) {
                EXPECT_EQ(events.count(uid), 0U) << uid;
                continue;
            }
            ++expected;
            if (year < 2028 && name != "赵六")
                ++nextTwoYearsKept;
            ASSERT_EQ(events.count(uid), 1U) << uid;
            EXPECT_EQ(events[uid].day, Iso(day)) << uid;
            EXPECT_EQ(events[uid].file, uid + ".ics");
            EXPECT_EQ(events[uid].summary.rfind(name + " ", 0), 0U) << events[uid].summary;
        }
    }
    EXPECT_EQ(events.size(), expected + 1);
    EXPECT_EQ(first.message, "新增" + std::to_string(expected) + "、更新0、删除0");

    // A phone edits 张三's 2027 event; 张三's birthday then changes in the
    // program and 赵六 is switched off. Two years only, from now on.
    const std::string zhang2027 = "annivo-" + std::to_string(IdOf(db, "张三")) + "-2027@annivo";
    RunScript("put " + Credentials(server.CalendarUrl() + zhang2027 + ".ics"),
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//x//EN\r\nBEGIN:VEVENT\r\nUID:" +
                  zhang2027 +
                  "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART;VALUE=DATE:20270101\r\n"
                  "SUMMARY:edited\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    db.Run("Update TiXing Set m_Date='1990-11-21 00:00:00' Where m_Name='张三'");
    db.Run("Update TiXing Set m_IsVailid=0 Where m_Name='赵六'");
    const PublishResult second = Publish(db, server.CalendarUrl(), 2);
    ASSERT_TRUE(second.ok) << second.message;
    const std::map<std::string, ServerEvent> after = ReadBack(server);
    // 张三 2026 and 2027 changed; everything from 2028 on and 赵六's gone.
    EXPECT_EQ(second.counts.updated, 2U) << second.message;
    EXPECT_EQ(second.counts.added, 0U);
    EXPECT_EQ(second.counts.deleted, expected - nextTwoYearsKept) << second.message;
    EXPECT_EQ(after.size(), nextTwoYearsKept + 1);
    EXPECT_EQ(after.at(zhang2027).day,
              Iso(calendar.BirthdayInYear(BirthDate::Parse("1990-11-21 00:00:00"),
                                          kLunarCalendarKind, 2027)));
    ASSERT_EQ(after.count("dentist@phone"), 1U);
    EXPECT_EQ(after.at("dentist@phone").etag, events.at("dentist@phone").etag);

    // Nothing changed: nothing is sent, nothing moves on the server.
    const PublishResult third = Publish(db, server.CalendarUrl(), 2);
    EXPECT_EQ(third.message, "新增0、更新0、删除0");
    std::map<std::string, ServerEvent> same = ReadBack(server);
    for (const auto& [uid, event] : after)
        EXPECT_EQ(same.at(uid).etag, event.etag) << uid;

    // The state lost (a new data directory's copy): the events are found
    // again on the server and taken over, not doubled.
    std::filesystem::remove(PublishStatePath(db.Dir().Path(), server.CalendarUrl()));
    const PublishResult fourth = Publish(db, server.CalendarUrl(), 2);
    EXPECT_TRUE(fourth.ok) << fourth.message;
    EXPECT_EQ(ReadBack(server).size(), nextTwoYearsKept + 1);
}

TEST(CalDavPublish, RefusalsAndSilenceAreExplainedAndTheNextPublishCompletes) {
    const RadicaleServer server;
    const SeededDatabase db;
    AddPerson(db, "张三", "1990-05-20 00:00:00", false);
    const SilentServer silent;
    const TestCertificates::Pair& self = TestCertificates::Get().selfSigned;
    const RadicaleServer selfSigned(self.certificate, self.key);
    struct Case {
        std::string url, password, says;
    };
    for (const Case& c : std::vector<Case>{
             {server.CalendarUrl(), "falsch", "不接受这个用户名或密码（401）"},
             {server.Root() + "alice/nosuch/", RadicaleServer::kPassword, "没有这个日历（404）"},
             {server.Root() + "alice/", RadicaleServer::kPassword, "不是 CalDAV 日历"},
             {silent.Url(), RadicaleServer::kPassword, "长时间没有回应"},
             {"http://127.0.0.1:" + std::to_string(FreeLocalPort()) + "/",
              RadicaleServer::kPassword, "无法连接日历服务器"},
             {selfSigned.CalendarUrl(), RadicaleServer::kPassword, "证书验证失败"},
             {"ftp://127.0.0.1/", RadicaleServer::kPassword, "https://"}}) {
        const PublishResult result = Publish(db, c.url, 3, c.password, {1, 1});
        EXPECT_FALSE(result.ok) << c.url;
        EXPECT_NE(result.message.find(c.says), std::string::npos)
            << c.url << ": " << result.message;
    }
    EXPECT_TRUE(ReadBack(server).empty());

    // Refused half-way (another resource already has the 2027 event's UID):
    // what went through is kept, and the next publish sends only the rest.
    const std::string clash = Credentials(server.CalendarUrl() + "clash.ics");
    RunScript("put " + clash,
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//x//EN\r\nBEGIN:VEVENT\r\n"
              "UID:annivo-" +
                  std::to_string(IdOf(db, "张三")) +
                  "-2027@annivo\r\nDTSTAMP:20261201T000000Z\r\n"
                  "DTSTART;VALUE=DATE:20270105\r\nSUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    const PublishResult cut = Publish(db, server.CalendarUrl(), 3);
    EXPECT_FALSE(cut.ok);
    EXPECT_NE(cut.message.find("本次已新增1、更新0、删除0，下次同步时继续"), std::string::npos)
        << cut.message;
    RunScript("delete " + clash);
    const PublishResult good = Publish(db, server.CalendarUrl(), 3);
    EXPECT_EQ(good.message, "新增2、更新0、删除0");
    EXPECT_EQ(ReadBack(server).size(), 3U);
}

} // namespace
