#include "reminders/LoadReminderList.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "TestFiles.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> Describe(const ReminderList& list) {
    auto date = [](const DateTime& d) {
        return d.IsValid() ? d.Format("%Y-%m-%d %H:%M:%S") : "invalid";
    };
    std::vector<std::string> rows;
    for (const ReminderRecord& r : list)
        rows.push_back(std::to_string(r.id) + "|" + r.state + "|" + r.name + "|" + r.calendar +
                       "|" + r.sound + "|" + date(r.birth) + "|" + date(r.birthdayThisYear) + "|" +
                       r.email + "|" + r.title + "|" + r.content + "|" + std::to_string(r.ahead));
    return rows;
}

TEST(LoadReminderList, ReadsRemindersInIdOrderWithThisYearsBirthday) {
    const SeededDatabase db;
    // Inserted out of order; contacts and odd validity values are left out.
    db.Run("Insert Into TiXing(ID,m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,m_Email,m_Title,"
           "m_Content,m_Ahead,m_IsVailid) Values"
           "(9,'生效','王五','1990-02-03 23:59:59','农历','S','p@q.cn','祝福','内容',0,1),"
           "(5,'将到','张三','1980-09-12 23:59:59','阳历','S','p@q.cn','祝福','内容',32,1),"
           "(2,'进行','李四','1985-08-15 23:59:59','阴历','S','p@q.cn','祝福','内容',33,1),"
           "(8,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,1)");
    db.Run("Insert Into TiXing(ID,m_Name,m_IsVailid) Values(3,'甲',0),(4,'乙',2),(6,'丙',NULL),"
           "(7,'丁',-1)");
    // The reminder editor names no m_IsVailid: the defaults make it a reminder.
    db.Run("Insert Into TiXing(ID,m_Name) Values(12,'戊')");

    ScriptedPrompter prompter;
    ReminderList list(3); // whatever was there is replaced
    LoadReminderList(list, FixedClock(DateTime(2011, 6, 1, 10, 0, 0)), prompter);
    EXPECT_TRUE(prompter.asked.empty());
    const std::string tail = "|p@q.cn|祝福|内容|";
    EXPECT_EQ(Describe(list),
              (std::vector<std::string>{
                  // Mid-Autumn 2011 fell on 12 September.
                  "2|进行|李四|阴历|S|1985-08-15 23:59:59|2011-09-12 23:59:59" + tail + "33",
                  "5|将到|张三|阳历|S|1980-09-12 23:59:59|2011-09-12 23:59:59" + tail + "32",
                  "8|||||invalid|invalid||||0",
                  // An unknown calendar text counts as Gregorian.
                  "9|生效|王五|农历|S|1990-02-03 23:59:59|2011-02-03 23:59:59" + tail + "0",
                  "12|生效|戊|||invalid|invalid||||0",
              }));
}

TEST(DatabaseSeed, AnExistingFileIsNeverReplaced) {
    TempDir dir;
    const std::string path = dir.File("data.db"), fresh = dir.File("new.db");
    WriteBytes(path, "the user's own data");
    EXPECT_THROW(CreateDatabaseFromSeed(path), DbError);
    // The build's tool keeps the file and succeeds, so the build goes on.
    for (const std::string& file : {path, fresh})
        EXPECT_EQ(std::system((std::string(ANNIVO_MAKEDB) + " '" + file + "' >/dev/null").c_str()),
                  0);
    EXPECT_EQ(ReadBytes(path), "the user's own data");
    CAdoDatabase made(fresh);
    made.Open();
    made.Execute("Select * From MySetting");
    EXPECT_EQ(made.GetRecordCount(), 1);
}

} // namespace
