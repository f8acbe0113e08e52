#include "reminders/LoadReminderList.h"

#include "app/AppInfo.h"
#include "reminders/CAdoDatabase.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

std::string Describe(const ReminderRecord& r) {
    auto date = [](const DateTime& d) {
        return d.IsValid() ? d.Format("%Y-%m-%d %H:%M:%S") : std::string("invalid");
    };
    return std::to_string(r.id) + "|" + r.state + "|" + r.name + "|" + r.calendar + "|" + r.sound +
           "|" + date(r.birth) + "|" + date(r.birthdayThisYear) + "|" + r.email + "|" + r.title +
           "|" + r.content + "|" + std::to_string(r.ahead);
}

std::vector<std::string> Describe(const ReminderList& list) {
    std::vector<std::string> rows;
    for (const ReminderRecord& r : list)
        rows.push_back(Describe(r));
    return rows;
}

void Insert(const SeededDatabase& db, int id, const char* state, const char* name, const char* date,
            const char* calendar, const char* isValid, const char* ahead) {
    db.Run(std::string("Insert Into TiXing(ID,m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,"
                       "m_Email,m_Title,m_Content,m_Ahead,m_IsVailid) Values(") +
           std::to_string(id) + "," + state + "," + name + "," + date + "," + calendar +
           ",'HAPPYBIRTHDAY','p@q.cn','祝福','内容'," + ahead + "," + isValid + ")");
}

TEST(LoadReminderList, ReadsRemindersInIdOrderWithThisYearsBirthday) {
    const SeededDatabase db;
    // Inserted out of order; contacts and odd validity values are left out.
    Insert(db, 9, "'生效'", "'王五'", "'1990-02-03 23:59:59'", "'农历'", "1", "0");
    Insert(db, 5, "'将到'", "'张三'", "'1980-09-12 23:59:59'", "'阳历'", "1", "32");
    Insert(db, 3, "'生效'", "'联系人'", "'1980-01-01 00:00:00'", "'阳历'", "0", "0");
    Insert(db, 4, "'生效'", "'二'", "'1980-01-01 00:00:00'", "'阳历'", "2", "0");
    Insert(db, 6, "'生效'", "'空'", "'1980-01-01 00:00:00'", "'阳历'", "NULL", "0");
    Insert(db, 7, "'生效'", "'负一'", "'1980-01-01 00:00:00'", "'阳历'", "-1", "0");
    Insert(db, 2, "'进行'", "'李四'", "'1985-08-15 23:59:59'", "'阴历'", "1", "33");
    Insert(db, 10, "'生效'", "'腊月'", "'1970-12-20 23:59:59'", "'阴历'", "1", "77");
    Insert(db, 11, "'生效'", "'闰日'", "'1984-02-29 00:00:00'", "'阳历'", "1", "11");
    db.Run(
        "Insert Into TiXing(ID,m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,m_Email,m_Title,"
        "m_Content,m_Ahead,m_IsVailid) Values(8,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,1)");

    const FixedClock clock(DateTime(2011, 6, 1, 10, 0, 0));
    ScriptedPrompter prompter;
    ReminderList list(3); // whatever was there is replaced
    LoadReminderList(list, clock, prompter);
    EXPECT_TRUE(prompter.asked.empty());
    const std::string tail = "|p@q.cn|祝福|内容|";
    EXPECT_EQ(
        Describe(list),
        (std::vector<std::string>{
            // Mid-Autumn 2011 fell on 12 September.
            "2|进行|李四|阴历|HAPPYBIRTHDAY|1985-08-15 23:59:59|2011-09-12 23:59:59" + tail + "33",
            "5|将到|张三|阳历|HAPPYBIRTHDAY|1980-09-12 23:59:59|2011-09-12 23:59:59" + tail + "32",
            "8|||||invalid|invalid||||0",
            // An unknown calendar text counts as Gregorian.
            "9|生效|王五|农历|HAPPYBIRTHDAY|1990-02-03 23:59:59|2011-02-03 23:59:59" + tail + "0",
            // Twelfth lunar month: found through the previous lunar year.
            "10|生效|腊月|阴历|HAPPYBIRTHDAY|1970-12-20 23:59:59|2011-01-23 23:59:59" + tail + "77",
            // No 29 February in 2011.
            "11|生效|闰日|阳历|HAPPYBIRTHDAY|1984-02-29 00:00:00|invalid" + tail + "11",
        }));
}

TEST(LoadReminderList, UsesDataDbInTheWorkingDirectory) {
    const SeededDatabase db;
    db.Run(
        "Insert Into TiXing(m_Name,m_Date,m_DateStatus) Values('甲','2000-03-01 23:59:59','阳历')");
    const std::string saved = g_ConnectionString;
    const std::filesystem::path cwd = std::filesystem::current_path();
    g_ConnectionString = "data.db";
    std::filesystem::current_path(db.Dir().Path());
    ScriptedPrompter prompter;
    ReminderList list;
    LoadReminderList(list, FixedClock(DateTime(2012, 1, 1)), prompter);
    std::filesystem::current_path(cwd);
    g_ConnectionString = saved;
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "甲");
    EXPECT_EQ(list[0].birthdayThisYear, DateTime(2012, 3, 1, 23, 59, 59));
}

TEST(LoadReminderList, DatabaseFailuresAreToldOnceAndLeaveTheListEmpty) {
    struct Case {
        const char* what;
        std::function<void(SeededDatabase&)> spoil;
        const char* sqliteText;
    };
    const std::vector<Case> cases = {
        {"missing file", [](SeededDatabase& db) { std::filesystem::remove(db.Path()); },
         "unable to open database file"},
        {"missing table", [](SeededDatabase& db) { db.Run("DROP TABLE TiXing"); },
         "no such table: TiXing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeededDatabase db;
        db.Run("Insert Into TiXing(m_Name) Values('甲')");
        c.spoil(db);
        ScriptedPrompter prompter;
        ReminderList list(2);
        LoadReminderList(list, FixedClock(DateTime(2011, 6, 1)), prompter);
        EXPECT_TRUE(list.empty());
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_NE(prompter.asked[0].text.find(c.sqliteText), std::string::npos)
            << prompter.asked[0].text;
        EXPECT_EQ(prompter.asked[0].caption, kAppTitle);
        EXPECT_EQ(prompter.asked[0].buttons, PromptButtons::Ok);
    }
}

} // namespace
