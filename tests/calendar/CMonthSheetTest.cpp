#include "calendar/CMonthSheet.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "TestFiles.h"
#include "reminders/LoadReminderList.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

const FestivalOptions kTableOnly{false, false}, kTermsOnly{true, false},
    kBirthdaysOnly{false, true};

int Cell(int year, int month, int day) {
    return DateTime(year, month, 1).DayOfWeek() + day - 1;
}

// "label|all festival names|colour code, red mark" of one day's cell.
std::string At(const CMonthSheet& sheet, int year, int month, int day) {
    const int i = Cell(year, month, day);
    return sheet.Labels()[i] + "|" + sheet.FestivalTexts()[i] + "|" +
           std::to_string(sheet.ColourCodes()[i]) + "," + std::to_string(sheet.RedMarks()[i]);
}

class MonthSheetTest : public ::testing::Test {
protected:
    void SetUp() override { db.Run("DELETE FROM Festival"); } // each test brings its own
    void Show(int year, int month, const FestivalOptions& options) {
        sheet.FillMonth(year, month);
        sheet.FillCellTexts(year, month, options);
    }

    SeededDatabase db;
    FixedClock clock{DateTime(2011, 1, 15, 9, 30)};
    ScriptedPrompter prompter;
    CMonthSheet sheet{clock, prompter, db.Path()};
};

TEST_F(MonthSheetTest, EveryOfferedMonthIsLaidOutWithLunarDatesAndWeekNumbers) {
    const DateTime firstLunarDay(1900, 1, 31); // the table's first lunar new year
    for (int year = 1900; year <= 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            Show(year, month, kTermsOnly);
            ASSERT_EQ(sheet.Festivals().size(), 2u) << year << "-" << month;
            const int first = DateTime(year, month, 1).DayOfWeek();
            const int days = DateTime::DaysInMonth(year, month);
            // Week 1 holds 1 January; each later Sunday opens the next week.
            int week = 1;
            for (DateTime d(year, 1, 2); d <= DateTime(year, month, 1); d = d.AddDays(1))
                week += d.DayOfWeek() == 0;
            for (int i = 0; i < CMonthSheet::kCells; ++i) {
                const bool inMonth = i >= first && i < first + days;
                ASSERT_EQ(sheet.GregorianCells()[i].day, inMonth ? i - first + 1 : 0)
                    << year << "-" << month << " " << i;
                const bool lunar = inMonth && DateTime(year, month, i - first + 1) >= firstLunarDay;
                ASSERT_EQ(sheet.LunarCells()[i].valid, lunar) << year << "-" << month << " " << i;
                ASSERT_EQ(sheet.Labels()[i].empty(), !lunar && sheet.FestivalTexts()[i].empty());
                ASSERT_EQ(sheet.RedMarks()[i], i % 7 == 0 || i % 7 == 6);
                ASSERT_EQ(sheet.TodayMarks()[i],
                          year == 2011 && month == 1 && i == Cell(2011, 1, 15));
            }
            for (int row = 0; row < CMonthSheet::kRows; ++row)
                ASSERT_EQ(sheet.WeekNumbers()[row], row * 7 < first + days ? week + row : 0);
        }
    }
    Show(2015, 2, kTableOnly); // starts on Sunday: four rows
    EXPECT_EQ(sheet.WeekNumbers(), (std::array<int, 6>{6, 7, 8, 9, 0, 0}));
    Show(2011, 1, kTableOnly); // starts on Saturday: six rows
    EXPECT_EQ(sheet.WeekNumbers(), (std::array<int, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(MonthSheetTest, FestivalsJoinInClassOrderAreCutAndColourTheirDay) {
    // -1 and 7 are classes no editor offers; GorN -1 and day 0 match no day.
    db.Run(
        "INSERT INTO Festival ([Class],GorN,[Month],[Day],FestivalName) VALUES "
        "(3,1,10,3,'甲'),(1,1,10,3,'乙'),(0,1,10,3,'丙'),(3,1,10,4,'家'),(1,0,9,8,'传'),"
        "(2,1,10,5,'洋'),(1,1,10,6,'传统'),(-1,1,10,7,'无类'),(7,1,10,8,'怪类'),"
        "(0,-1,10,10,'无历'),(0,1,0,0,'无日'),(-1,1,2,3,'无类'),(2,1,2,3,'洋节'),(0,0,1,1,'春节'),"
        "(1,0,5,5,'端午节'),(2,1,3,1,'三个字'),(2,1,3,2,'四个字的'),(2,1,3,3,'a中文字'),"
        "(2,1,3,4,'ab中文'),(2,1,3,5,'𠀀中文'),(2,1,3,6,'中𠀀')");
    // Lunar 9-8 is 4 October 2011; lunar new year 2011 a Thursday; 1952 has a leap 5th
    // month, which names itself and shows no festival again. Names of more than six bytes
    // are cut to four without splitting a character.
    for (const std::string c :
         {"2011-10-03 丙 ..|丙 乙 甲|1,1", "2011-10-04 家 传|家 传|2,0", "2011-10-05 洋|洋|3,0",
          "2011-10-06 传统|传统|2,0", "2011-10-07 无类|无类|0,0", "2011-10-08 怪类|怪类|0,0",
          "2011-10-10 十四||0,0", "2011-02-03 无类..|无类 洋节 春节|1,1",
          "1952-05-28 端午节|端午节|2,0", "1952-06-22 闰五月||0,1", "1952-06-26 初五||0,0",
          "2011-03-01 三个字|三个字|3,0", "2011-03-02 四个..|四个字的|3,0",
          "2011-03-03 a中..|a中文字|3,0", "2011-03-04 ab中文|ab中文|3,0",
          "2011-03-05 𠀀..|𠀀中文|3,1", "2011-03-06 中𠀀|中𠀀|3,1"}) {
        const DateTime day = DateTime::Parse(c.substr(0, 10));
        Show(day.Year(), day.Month(), kTableOnly);
        EXPECT_EQ(At(sheet, day.Year(), day.Month(), day.Day()), c.substr(11));
    }
    EXPECT_EQ(sheet.FestivalText(1, 10, 3), "0丙 乙 甲");
    Show(1952, 6, kTableOnly);
    EXPECT_EQ(sheet.LunarCells()[Cell(1952, 6, 26)].leap, 1);
}

TEST_F(MonthSheetTest, SolarTermsAndBirthdaysFollowTheProfileFile) {
    db.Run("INSERT INTO TiXing (m_Name,m_DateStatus,m_Date) VALUES ('周','阳历','1985-02-19')");
    ScopedEnv home("ANNIVO_HOME", db.Dir().Path().string());
    const std::pair<std::string, std::string> profiles[] = {
        {"", "雨水 周生日"}, // a missing file or key counts as on
        {"[Festival]\r\n24Fest=1\r\nBirthday=0\r\n", "雨水"},
        {"[festival]\r\n24Fest=0\r\nBirthday=1\r\n", "周生日"},
        {"[Festival]\r\n24Fest=2\r\nBirthday=-1\r\n", ""}, // only 1 means on
    };
    for (const auto& [profile, rainWater] : profiles) {
        WriteBytes(db.Dir().Path() / "annivo.ini", profile);
        sheet.FillMonth(2015, 2);
        sheet.FillCellTexts(2015, 2);
        EXPECT_EQ(sheet.FestivalTexts()[Cell(2015, 2, 19)], rainWater) << profile;
        EXPECT_EQ(At(sheet, 2015, 2, 4),
                  rainWater.starts_with("雨水") ? "立春|立春|2,0" : "十六||0,0");
    }
}

TEST_F(MonthSheetTest, BirthdaysFallOnTheirDayOfTheDisplayedYear) {
    db.Run("INSERT INTO TiXing (m_Name,m_DateStatus,m_Date,m_IsVailid) VALUES "
           "('张三','阴历','1980-12-20 23:59:59',1),('李四','阳历','1988-02-29 00:00:00',1),"
           "('赵六','其他','1970-01-13 00:00:00',1),('王五','阳历','1970-01-23 00:00:00',0),"
           "('钱七','阴历','1990-12-01 23:59:59',1),"
           // A database converted from the old format says yes with -1.
           "('孙丽','阳历','1975-11-27 00:00:00',-1)"); // anything but 阴历 counts as Gregorian
    auto birthdays = [&](int year, int month) {
        sheet.LoadFestivals(year, month, false, kBirthdaysOnly);
        std::vector<std::string> found;
        for (int day = 1; day <= DateTime::DaysInMonth(year, month); ++day)
            if (std::string text = sheet.FestivalText(1, month, day); !text.empty())
                found.push_back(std::to_string(day) + ":" + text);
        return found;
    };
    using Days = std::vector<std::string>;
    // The reminder list in memory must give exactly what the table gives.
    ReminderList reminders;
    LoadReminderList(reminders, clock, prompter);
    const ReminderList* const sources[] = {nullptr, &reminders};
    for (const ReminderList* source : sources) {
        sheet.TakeBirthdaysFrom(source);
        SCOPED_TRACE(source ? "from the reminder list" : "from the table");
        // Lunar 12-1 of lunar 2010 falls on 4 January 2011, but 2011's own is 25 December.
        EXPECT_EQ(birthdays(2011, 1), (Days{"13:3赵六生日", "23:3张三生日"}));
        EXPECT_EQ(birthdays(2011, 12), (Days{"25:3钱七生日"}));
        EXPECT_EQ(birthdays(2011, 11), (Days{"27:3孙丽生日"}));
        EXPECT_EQ(birthdays(2012, 1), (Days{"13:3赵六生日 张三生日"})); // in order of birth
        EXPECT_EQ(birthdays(2011, 2), (Days{"28:3李四生日"})) << "29 February, common year";
        EXPECT_EQ(birthdays(2012, 2), (Days{"29:3李四生日"}));
        // Lunar 12-1 falls twice in 2016 but counts once; 2017 has none.
        EXPECT_EQ(birthdays(2016, 1), (Days{"13:3赵六生日", "29:3张三生日"}));
        EXPECT_EQ(birthdays(2016, 12), (Days{"29:3钱七生日"}));
        EXPECT_EQ(birthdays(2017, 12), Days{});
        Show(2011, 1, kBirthdaysOnly);
        EXPECT_EQ(At(sheet, 2011, 1, 23), "张三..|张三生日|4,1"); // a Sunday
    }
    sheet.TakeBirthdaysFrom(nullptr);
}

// The festivals a new database ships, over years with leap months and short 腊月s.
TEST(MonthSheetSeed, LunarFestivalsFallOnceAYearInTheOrdinaryMonth) {
    const SeededDatabase db;
    const FixedClock clock(DateTime(2011, 1, 15));
    ScriptedPrompter prompter;
    CMonthSheet sheet(clock, prompter, db.Path());
    const CLunarCalendar calendar;
    const DateTime first(2020, 1, 1), last(2030, 12, 31);
    std::map<std::string, std::vector<DateTime>> shown; // festival name: its days
    std::vector<std::string> leapMonths;                // first day: its label
    for (int year = first.Year(); year <= last.Year(); ++year) {
        for (int month = 1; month <= 12; ++month) {
            sheet.FillMonth(year, month);
            sheet.FillCellTexts(year, month, kTableOnly);
            for (int i = 0; i < CMonthSheet::kCells; ++i) {
                const CalendarDate& cell = sheet.GregorianCells()[i];
                if (!cell.valid)
                    continue;
                const DateTime day(year, month, cell.day);
                std::istringstream names(sheet.FestivalTexts()[i]);
                for (std::string name; names >> name;)
                    shown[name].push_back(day);
                if (sheet.LunarCells()[i].leap && sheet.LunarCells()[i].day == 1)
                    leapMonths.push_back(day.Format("%Y-%m-%d ") + sheet.Labels()[i]);
            }
        }
    }
    EXPECT_EQ(leapMonths, (std::vector<std::string>{"2020-05-23 闰四月", "2023-03-22 闰二月",
                                                    "2025-07-25 闰六月", "2028-06-23 闰五月"}));
    const std::vector<std::string> names =
        db.Column("Select * From Festival Where GorN=0", "FestivalName");
    const std::vector<std::string> months =
        db.Column("Select * From Festival Where GorN=0", "Month");
    const std::vector<std::string> days = db.Column("Select * From Festival Where GorN=0", "Day");
    ASSERT_EQ(names.size(), 12u);
    for (std::size_t f = 0; f < names.size(); ++f) {
        const int month = std::stoi(months[f]), day = std::stoi(days[f]);
        std::vector<DateTime> expected;
        for (int lunarYear = first.Year() - 1; lunarYear <= last.Year(); ++lunarYear) {
            const int lastDay = calendar.LunarMonthDays(lunarYear, month);
            const CalendarDate g =
                calendar.LunarToGregorian({lunarYear, month, std::min(day, lastDay), 0, 0, 0});
            if (const DateTime d(g.year, g.month, g.day); d >= first && d <= last)
                expected.push_back(d);
        }
        EXPECT_EQ(shown[names[f]], expected) << names[f];
    }
    const std::vector<DateTime>& dragonBoat = shown["端午节"];
    EXPECT_EQ(std::count(dragonBoat.begin(), dragonBoat.end(), DateTime(2028, 5, 28)), 1);
    EXPECT_EQ(std::count(dragonBoat.begin(), dragonBoat.end(), DateTime(2028, 6, 27)), 0)
        << "the 5th of the leap 5th month";
    std::string eves;
    for (const DateTime& d : shown["除夕"])
        eves += d.Format("%m-%d ");
    EXPECT_EQ(eves, "01-24 02-11 01-31 01-21 02-09 01-28 02-16 02-05 01-25 02-12 02-02 ")
        << "every year, on the 29th of a short 腊月 (2025, 2026)";
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(MonthSheetTest, DatabaseFailureIsToldOnceAndTheCalendarStillFills) {
    db.Run("DROP TABLE Festival");
    Show(2011, 1, {});
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(prompter.Texts()[0],
              DatabaseErrorText("读取日历的节日和生日", db.Path(),
                                "文件中没有 Festival 表，它不是本程序的数据库或已经损坏；"
                                "文件没有被改动。"));
    EXPECT_TRUE(sheet.Festivals().empty());
    EXPECT_EQ(sheet.Labels()[Cell(2011, 1, 5)], "初二");
    Show(2011, 1, {});
    EXPECT_EQ(prompter.Texts().size(), 2u) << "once per refresh";
}

} // namespace
