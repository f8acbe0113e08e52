#include "reminders/LoadReminderList.h"

#include "calendar/CMonthSheet.h"
#include "reminders/BirthdayEvaluation.h"
#include "reminders/ReminderEditor.h"
#include "reminders/ReminderListRows.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "TestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>

namespace {

std::vector<std::string> Describe(const ReminderList& list) {
    auto date = [](const auto& d) {
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
    // Inserted out of order; contacts and odd validity values are left out,
    // but -1, the "yes" of databases converted from the old format, is a reminder.
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
                  "7|生效|丁|||invalid|invalid||||0",
                  "8|||||invalid|invalid||||0",
                  // An unknown calendar text counts as Gregorian.
                  "9|生效|王五|农历|S|1990-02-03 23:59:59|2011-02-03 23:59:59" + tail + "0",
                  "12|生效|戊|||invalid|invalid||||0",
              }));
}

// Codes the program never writes: brought into range once, and a tick over
// them does no arithmetic on the raw number.
TEST(LoadReminderList, StoredAheadCodesOutOfRangeAreRepairedOnce) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing (ID,m_Name,m_Date,m_DateStatus,m_Ahead) Values "
           "(1,'甲','1980-01-02','阳历',2147483647),(2,'乙','1980-01-02','阳历',-5),"
           "(3,'丙','1980-01-02','阳历',80),(4,'丁','1980-01-02','阳历',79),"
           "(5,'戊','1980-01-02','阳历',-2147483648)");
    ScriptedPrompter prompter;
    ReminderList list;
    LoadReminderList(list, FixedClock(DateTime(2011, 6, 1)), prompter);
    std::vector<int> aheads;
    for (const ReminderRecord& r : list)
        aheads.push_back(r.ahead);
    EXPECT_EQ(aheads, (std::vector<int>{77, 77, 77, 77, 77}));
    EXPECT_EQ(db.Column("Select * From TiXing Order By ID", "m_Ahead"),
              (std::vector<std::string>{"77", "77", "77", "77", "77"}));
    EXPECT_TRUE(prompter.asked.empty());
}

// 39: three days ahead with a countdown of nine. The days chosen are kept and
// the countdown made full, so the person is reminded from three days before.
TEST(LoadReminderList, ACountdownAboveItsAheadDaysIsRepairedToThem) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing (ID,m_State,m_Name,m_Date,m_DateStatus,m_Ahead) Values "
           "(1,'生效','甲','1980-09-12 23:59:59','阳历',39)");
    ScriptedPrompter prompter;
    ReminderList list;
    LoadReminderList(list, FixedClock(DateTime(2011, 9, 3, 9, 0, 0)), prompter);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].ahead, 33);
    EXPECT_EQ(db.Value("Select * From TiXing", "m_Ahead"), "33");
    EXPECT_EQ(BuildReminderRows(list, DateTime(2011, 9, 3))[0].cells[kColumnAhead], "3");
    EXPECT_EQ(EditReminderForm(1, "甲", "生效", false, list[0].birth, prompter).aheadDays, 3);

    std::vector<int> remindedAt; // days to go
    for (DateTime today(2011, 9, 3, 9, 0, 0); today.Day() <= 12; today = today.AddDays(1)) {
        const int days = DaysUntilBirthday(list[0].birthdayThisYear, today);
        if (Evaluate(list[0], days, 1).action != ReminderAction::None)
            remindedAt.push_back(days);
    }
    EXPECT_EQ(remindedAt, (std::vector<int>{3, 2, 1, 0}));
    EXPECT_TRUE(prompter.asked.empty());
}

// Every lunar birth date, every year 1950..2099: the reminders' birthday is a
// day of that year holding that lunar date, and the calendar shows exactly
// those days.
TEST(LoadReminderList, EveryLunarBirthdayShowsInTheCalendarOnTheDayReminded) {
    const SeededDatabase db;
    std::string rows;
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= 30; ++day)
            if (DateTime(1960, month, day).IsValid())
                rows += (rows.empty() ? "('" : ",('") + std::to_string(month * 100 + day) + "','" +
                        DateTime(1960, month, day, 23, 59, 59).Format("%Y-%m-%d %H:%M:%S") +
                        "','阴历')";
    db.Run("Insert Into TiXing (m_Name,m_Date,m_DateStatus) Values " + rows);
    db.Run("Delete From Festival");

    ScriptedPrompter prompter;
    FixedClock clock{DateTime(1950, 7, 1)};
    CMonthSheet sheet{clock, prompter, db.Path()};
    const CLunarCalendar calendar;
    ReminderList list;
    int yearsWithout = 0;
    for (int year = 1950; year <= 2099; ++year) {
        clock.Set(DateTime(year, 7, 1)); // mid-year: nothing moves on to next year
        LoadReminderList(list, clock, prompter);
        sheet.LoadFestivals(year, 1, false, FestivalOptions{false, true});
        std::set<std::string> reminded, shown;
        for (const ReminderRecord& r : list) {
            const DateTime& day = r.birthdayThisYear;
            if (!day.IsValid()) {
                ++yearsWithout;
                continue;
            }
            ASSERT_EQ(day.Year(), year) << r.name;
            const CalendarDate lunar =
                calendar.GregorianToLunar({year, day.Month(), day.Day(), 0, 0, 0});
            // In the ordinary month; a 30th on the 29th of a month that has no 30th.
            const int lastDay = calendar.LunarMonthDays(lunar.year, lunar.month);
            ASSERT_EQ(lunar.leap, 0) << year << " " << r.name;
            ASSERT_EQ(lunar.month * 100 + lunar.day,
                      r.birth.Month() * 100 + std::min(r.birth.Day(), lastDay))
                << year << " " << r.name;
            reminded.insert(day.Format("%m-%d ") + r.name + "生日");
        }
        for (const FestivalEntry& entry : sheet.Festivals())
            shown.insert(DateTime(year, entry.month, entry.day).Format("%m-%d ") + entry.name);
        ASSERT_EQ(shown, reminded) << year;
    }
    // Each of them a year in which the lunar date falls only in late December
    // of the year before and in January of the year after (a short 冬月's 30th
    // among them, kept on 31 December rather than 1 January).
    EXPECT_EQ(yearsWithout, 1038);
    EXPECT_TRUE(prompter.asked.empty());
}

// New Year's Eve, Dragon Boat and Mid-Autumn are days off: red in a new database's calendar.
TEST(DatabaseSeed, StatutoryHolidaysShowAsRedDays) {
    const SeededDatabase db;
    ScriptedPrompter prompter;
    const FixedClock clock{DateTime(2011, 1, 1)};
    CMonthSheet sheet{clock, prompter, db.Path()};
    // 2011: 除夕 on Wednesday 2 February, 端午节 on Monday 6 June, 中秋节 on
    // Monday 12 September; 七夕 (a Saturday) keeps its own colour.
    for (const auto& [month, day, shown] :
         {std::tuple{2, 2, "除夕|1,1"}, std::tuple{6, 6, "端午节|1,1"},
          std::tuple{9, 12, "中秋节|1,1"}, std::tuple{8, 6, "七夕|2,1"}}) {
        sheet.FillMonth(2011, month);
        sheet.FillCellTexts(2011, month, FestivalOptions{false, false});
        const int cell = DateTime(2011, month, 1).DayOfWeek() + day - 1;
        EXPECT_EQ(sheet.FestivalTexts()[cell] + "|" + std::to_string(sheet.ColourCodes()[cell]) +
                      "," + std::to_string(sheet.RedMarks()[cell]),
                  shown);
    }
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
