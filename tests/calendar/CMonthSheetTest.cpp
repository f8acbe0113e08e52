#include "calendar/CMonthSheet.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

const FestivalOptions kTableOnly{false, false};

class MonthSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        Exec("CREATE TABLE Festival (编号 INTEGER PRIMARY KEY AUTOINCREMENT, [Class] INTEGER,"
             " GorN INTEGER, [Month] INTEGER, [Day] INTEGER, FestivalName TEXT);"
             "CREATE TABLE TiXing (ID INTEGER PRIMARY KEY AUTOINCREMENT, m_Name TEXT,"
             " m_DateStatus TEXT, m_Date DATETIME, m_IsVailid INTEGER DEFAULT 1, m_State TEXT)");
    }
    void Exec(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    }
    void AddFestival(int cls, int kind, int month, int day, const std::string& name) {
        Exec("INSERT INTO Festival ([Class], GorN, [Month], [Day], FestivalName) VALUES (" +
             std::to_string(cls) + "," + std::to_string(kind) + "," + std::to_string(month) + "," +
             std::to_string(day) + ",'" + name + "')");
    }
    void AddPerson(const std::string& name, const std::string& date, const std::string& status,
                   int valid = 1) {
        Exec("INSERT INTO TiXing (m_Name, m_DateStatus, m_Date, m_IsVailid) VALUES ('" + name +
             "','" + status + "','" + date + "'," + std::to_string(valid) + ")");
    }
    void Show(int year, int month, const FestivalOptions& options = {}) {
        sheet.FillMonth(year, month);
        sheet.FillCellTexts(year, month, options);
    }
    static int Cell(int year, int month, int day) { return DateTime(year, month, 1).DayOfWeek() + day - 1; }

    TempDir dir;
    std::string path = dir.File("data.db");
    FixedClock clock{DateTime(2011, 1, 15, 9, 30)};
    ScriptedPrompter prompter;
    CMonthSheet sheet{clock, prompter, path};
};

TEST_F(MonthSheetTest, LaysOutMonthsWithWeekNumbersAndMarks) {
    struct Case {
        int year, month, firstCell, days;
        std::array<int, 6> weeks;
    };
    const Case cases[] = {
        {2015, 2, 0, 28, {6, 7, 8, 9, 0, 0}},      // starts on Sunday, four rows
        {2011, 1, 6, 31, {1, 2, 3, 4, 5, 6}},      // starts on Saturday, six rows
        {2050, 12, 4, 31, {49, 50, 51, 52, 53, 0}}, // last month the calendar offers
    };
    for (const Case& c : cases) {
        Show(c.year, c.month, kTableOnly);
        EXPECT_EQ(sheet.WeekNumbers(), c.weeks) << c.year << "-" << c.month;
        for (int i = 0; i < CMonthSheet::kCells; ++i) {
            const CalendarDate& cell = sheet.GregorianCells()[i];
            const bool inMonth = i >= c.firstCell && i < c.firstCell + c.days;
            ASSERT_EQ(cell.valid, inMonth ? 1 : 0) << i;
            EXPECT_EQ(sheet.RedMarks()[i], i % 7 == 0 || i % 7 == 6) << i;
            EXPECT_EQ(sheet.TodayMarks()[i], c.year == 2011 && i == Cell(2011, 1, 15)) << i;
            if (inMonth) {
                EXPECT_EQ(cell.day, i - c.firstCell + 1);
                EXPECT_EQ(cell.weekday, DateTime(c.year, c.month, cell.day).DayOfWeek());
            } else {
                EXPECT_EQ(sheet.Labels()[i], "") << "nothing left from the month before";
            }
        }
    }
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(MonthSheetTest, EveryOfferedMonthHasLunarDatesAndIndependentWeekNumbers) {
    for (int year = 1950; year <= 2050; ++year) {
        for (int month = 1; month <= 12; ++month) {
            Show(year, month, kTableOnly);
            for (int i = 0; i < CMonthSheet::kCells; ++i) {
                const CalendarDate& cell = sheet.GregorianCells()[i];
                if (!cell.valid)
                    continue;
                const CalendarDate& lunar = sheet.LunarCells()[i];
                ASSERT_EQ(lunar.valid, 1) << year << "-" << month << "-" << cell.day;
                ASSERT_NE(sheet.Labels()[i], "");
                // Week 1 holds 1 January; each later Sunday opens the next week.
                int sundays = 0;
                for (DateTime d(year, 1, 2); d <= DateTime(year, month, cell.day); d = d.AddDays(1))
                    sundays += d.DayOfWeek() == 0;
                ASSERT_EQ(sheet.WeekNumbers()[i / 7], sundays + 1) << year << "-" << month;
                i += 6 - i % 7; // one cell per row is enough
            }
        }
    }
    // Lunar new year 2011 shows the month name.
    Show(2011, 2, kTableOnly);
    EXPECT_EQ(sheet.Labels()[Cell(2011, 2, 3)], "正月");
}

TEST_F(MonthSheetTest, FestivalsJoinInClassOrderAndColourTheDay) {
    AddFestival(3, 1, 10, 3, "甲");
    AddFestival(1, 1, 10, 3, "乙");
    AddFestival(0, 1, 10, 3, "丙");  // a Monday
    AddFestival(2, 1, 2, 3, "洋节");  // on lunar new year 2011, a Thursday
    AddFestival(0, 0, 1, 1, "春节");
    AddFestival(3, 1, 10, 4, "家");
    AddFestival(1, 0, 9, 8, "传"); // lunar 2011-9-8 is 4 October
    AddFestival(2, 1, 10, 5, "洋");
    AddFestival(1, 1, 10, 6, "传统");
    AddFestival(-1, 1, 10, 7, "无类"); // no class chosen in the editor
    AddFestival(7, 1, 10, 8, "怪类");  // a Saturday
    AddFestival(0, -1, 10, 10, "无历");
    AddFestival(0, 1, 0, 0, "无日");
    Show(2011, 10, kTableOnly);
    EXPECT_EQ(sheet.FestivalText(1, 10, 3), "0丙 乙 甲");
    EXPECT_EQ(sheet.FestivalText(1, 10, 9), "");
    struct Case {
        int day;
        const char* text;
        int colour, red;
    };
    const Case cases[] = {
        {3, "丙 乙 甲", 1, 1}, {4, "家 传", 2, 0},  {5, "洋", 3, 0}, {6, "传统", 2, 0},
        {7, "无类", 0, 0},     {8, "怪类", 0, 1}, {10, "", 0, 0},
    };
    for (const Case& c : cases) {
        const int i = Cell(2011, 10, c.day);
        EXPECT_EQ(sheet.FestivalTexts()[i], c.text) << c.day;
        EXPECT_EQ(sheet.ColourCodes()[i], c.colour) << c.day;
        EXPECT_EQ(sheet.RedMarks()[i], c.red) << c.day;
    }

    Show(2011, 2, kTableOnly);
    const int newYear = Cell(2011, 2, 3);
    EXPECT_EQ(sheet.FestivalTexts()[newYear], "洋节 春节");
    EXPECT_EQ(sheet.Labels()[newYear], "洋节..");
    EXPECT_EQ(sheet.ColourCodes()[newYear], 1); // the lunar class 0 wins over class 2
    EXPECT_EQ(sheet.RedMarks()[newYear], 1);
}

TEST_F(MonthSheetTest, LunarFestivalShowsInTheOrdinaryAndTheLeapMonth) {
    AddFestival(1, 0, 5, 5, "端午节");
    const CLunarCalendar calendar;
    for (int leap : {0, 1}) {
        const CalendarDate day = calendar.LunarToGregorian({1952, 5, 5, 0, 0, leap});
        Show(day.year, day.month, kTableOnly);
        const int i = Cell(day.year, day.month, day.day);
        EXPECT_EQ(sheet.LunarCells()[i].leap, leap);
        EXPECT_EQ(sheet.Labels()[i], "端午节") << "leap " << leap;
        EXPECT_EQ(sheet.ColourCodes()[i], 2);
    }
}

TEST_F(MonthSheetTest, LongFestivalTextsAreCutAtFourBytesWithoutSplittingACharacter) {
    const std::pair<const char*, const char*> cases[] = {
        {"三个字", "三个字"}, {"四个字的", "四个.."}, {"a中文字", "a中.."},
        {"ab中文", "ab中文"}, {"𠀀中文", "𠀀.."},     {"中𠀀", "中𠀀"},
    };
    for (int i = 0; i < 6; ++i)
        AddFestival(2, 1, 3, i + 1, cases[i].first);
    Show(2011, 3, kTableOnly);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(sheet.Labels()[Cell(2011, 3, i + 1)], cases[i].second);
        EXPECT_EQ(sheet.FestivalTexts()[Cell(2011, 3, i + 1)], cases[i].first);
    }
}

TEST_F(MonthSheetTest, SolarTermsAndBirthdaysFollowTheOptions) {
    AddPerson("周", "1985-02-19 23:59:59", "阳历");
    for (const FestivalOptions options : {FestivalOptions{}, FestivalOptions{true, false},
                                          FestivalOptions{false, true}, kTableOnly}) {
        Show(2015, 2, options);
        const int springBegins = Cell(2015, 2, 4), rainWater = Cell(2015, 2, 19);
        EXPECT_EQ(sheet.Labels()[springBegins], options.solarTerms ? "立春" : "十六");
        EXPECT_EQ(sheet.ColourCodes()[springBegins], options.solarTerms ? 2 : 0);
        const std::string rainText = std::string(options.solarTerms ? "雨水" : "") +
                                     (options.solarTerms && options.birthdays ? " " : "") +
                                     (options.birthdays ? "周生日" : "");
        EXPECT_EQ(sheet.FestivalTexts()[rainWater], rainText);
    }
    sheet.LoadFestivals(2015, 2, true, {});
    EXPECT_EQ(sheet.Festivals().size(), 2u) << "birthdays skipped, two terms";
}

TEST_F(MonthSheetTest, BirthdaysFallOnTheirDayOfTheDisplayedYear) {
    AddPerson("张三", "1980-12-20 23:59:59", "阴历");
    AddPerson("李四", "1988-02-29 00:00:00", "阳历");
    AddPerson("赵六", "1970-01-13 00:00:00", "其他"); // anything but 阴历 is Gregorian
    AddPerson("王五", "1970-01-23 00:00:00", "阳历", 0);
    AddPerson("钱七", "1990-12-01 23:59:59", "阴历");
    auto birthdays = [&](int year, int month) {
        sheet.LoadFestivals(year, month, false, {false, true});
        std::vector<std::string> found;
        for (int day = 1; day <= DateTime::DaysInMonth(year, month); ++day)
            if (std::string text = sheet.FestivalText(1, month, day); !text.empty())
                found.push_back(std::to_string(day) + ":" + text);
        return found;
    };
    EXPECT_EQ(birthdays(2011, 1),
              (std::vector<std::string>{"4:3钱七生日", "13:3赵六生日", "23:3张三生日"}));
    EXPECT_EQ(birthdays(2012, 1), (std::vector<std::string>{"13:3赵六生日 张三生日"}));
    EXPECT_TRUE(birthdays(2011, 2).empty()) << "29 February in a common year";
    EXPECT_EQ(birthdays(2012, 2), (std::vector<std::string>{"29:3李四生日"}));
    // Lunar 12-1 falls twice in 2016 and not at all in 2017.
    EXPECT_EQ(birthdays(2016, 1),
              (std::vector<std::string>{"10:3钱七生日", "13:3赵六生日", "29:3张三生日"}));
    EXPECT_EQ(birthdays(2016, 12), (std::vector<std::string>{"29:3钱七生日"}));
    EXPECT_TRUE(birthdays(2017, 12).empty());

    Show(2011, 1, {false, true});
    EXPECT_EQ(sheet.Labels()[Cell(2011, 1, 23)], "张三..");
    EXPECT_EQ(sheet.ColourCodes()[Cell(2011, 1, 23)], 4);
}

TEST_F(MonthSheetTest, DatabaseFailureIsToldOnceAndTheCalendarStillFills) {
    Exec("DROP TABLE Festival");
    AddPerson("张三", "1980-01-05 23:59:59", "阳历");
    Show(2011, 1);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_NE(prompter.asked[0].text.find("no such table: Festival"), std::string::npos);
    EXPECT_EQ(prompter.asked[0].buttons, PromptButtons::Ok);
    EXPECT_TRUE(sheet.Festivals().empty());
    EXPECT_EQ(sheet.Labels()[Cell(2011, 1, 5)], "初二");

    CMonthSheet missing(clock, prompter, dir.File("missing.db"));
    missing.FillMonth(2011, 1);
    missing.FillCellTexts(2011, 1, {});
    EXPECT_EQ(prompter.asked.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.db")));
}

} // namespace
