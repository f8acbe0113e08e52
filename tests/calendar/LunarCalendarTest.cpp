#include "calendar/LunarCalendar.h"

#include "FixedClock.h"
#include "Printers.h"
#include "TsvFile.h"

#include <array>
#include <gtest/gtest.h>
#include <map>

namespace {

const CLunarCalendar kCalendar;

CalendarDate Date(int year, int month, int day, int leap = 0, int weekday = 0) {
    return {year, month, day, weekday, 0, leap};
}

// The lunar date of a Gregorian day, weekday dropped so results compare with Date().
CalendarDate ToLunar(const DateTime& d) {
    CalendarDate lunar = kCalendar.GregorianToLunar(Date(d.Year(), d.Month(), d.Day()));
    lunar.weekday = 0;
    return lunar;
}

DateTime ToGregorian(const CalendarDate& lunar) {
    const CalendarDate g = kCalendar.LunarToGregorian(lunar);
    return DateTime(g.year, g.month, g.day);
}

TEST(LunarCalendar, EveryDayConvertsAndComesBackWithTheRealWeekday) {
    CalendarDate previous = ToLunar(DateTime(1900, 1, 31));
    ASSERT_EQ(previous, Date(1900, 1, 1)) << "1900-01-31 opens the table";
    for (DateTime d(1900, 1, 1); d <= DateTime(2100, 12, 31); d = d.AddDays(1)) {
        const int year = d.Year(), month = d.Month();
        ASSERT_EQ(kCalendar.Weekday(year, month, d.Day()), d.DayOfWeek()) << d.Format("%Y-%m-%d");
        if (d < DateTime(1900, 2, 1))
            continue;
        // Consecutive days walk the lunar calendar one day at a time.
        const auto [y, m, day, weekday, valid, leap] = previous;
        const int length = leap ? kCalendar.LeapMonthDays(y) : kCalendar.LunarMonthDays(y, m);
        CalendarDate next = day < length                           ? Date(y, m, day + 1, leap)
                            : !leap && kCalendar.LeapMonth(y) == m ? Date(y, m, 1, 1)
                            : m == 12                              ? Date(y + 1, 1, 1)
                                                                   : Date(y, m + 1, 1);
        next.weekday = d.DayOfWeek();
        ASSERT_EQ(kCalendar.GregorianToLunar(Date(year, month, d.Day())), next)
            << d.Format("%Y-%m-%d");
        ASSERT_EQ(kCalendar.LunarToGregorian(next), Date(year, month, d.Day(), 0, d.DayOfWeek()));
        previous = next;
    }
    // Beyond the table the plain rules still give the real weekday.
    for (const DateTime d : {DateTime(1899, 12, 31), DateTime(2101, 1, 1), DateTime(2200, 3, 1)})
        EXPECT_EQ(kCalendar.Weekday(d.Year(), d.Month(), d.Day()), d.DayOfWeek()) << d.Year();
}

// Decodes a year entry independently of the program and compares.
TEST(LunarCalendar, AgreesWithEveryRowOfTheYearFile) {
    const auto rows = ReadTsv("lunar-years-1900-2100.tsv");
    ASSERT_EQ(rows.size(), 201u);
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        const int year = std::stoi(row[0]);
        const unsigned long entry = std::stoul(row[1], nullptr, 16);
        const int b0 = (entry >> 16) & 0xFF, b1 = (entry >> 8) & 0xFF, b2 = entry & 0xFF;
        EXPECT_EQ(kCalendar.IsGregorianLeapYear(year), (b0 >> 7) & 1);
        EXPECT_EQ(kCalendar.NewYearOffset(year), b0 & 0x3F);
        EXPECT_EQ(kCalendar.LeapMonth(year), b2 & 0x0F);
        EXPECT_EQ(kCalendar.LeapMonthDays(year), (b2 & 0x0F) == 0 ? 0 : ((b0 & 0x40) ? 30 : 29));
        const int lengths = (b1 << 4) | (b2 >> 4); // month 1 in bit 11 .. month 12 in bit 0
        for (int month = 1; month <= 12; ++month)
            EXPECT_EQ(kCalendar.LunarMonthDays(year, month),
                      (lengths >> (12 - month)) & 1 ? 30 : 29);
        const DateTime newYear = DateTime::Parse(row[2]);
        ASSERT_EQ(newYear.Year(), year);
        EXPECT_EQ(kCalendar.NewYearOffset(year) + 1, newYear.DayOfYear());
        EXPECT_EQ(ToLunar(newYear), Date(year, 1, 1));
        EXPECT_EQ(ToGregorian(Date(year, 1, 1)), newYear);
    }
}

TEST(LunarCalendar, KnownConversionsAndNothingOutsideTheTable) {
    // Every day is checked above; these are the dates people know. 1949-12-30 shows that
    // the table reaches back; 2012 has a leap 4th month.
    const std::pair<DateTime, CalendarDate> bothWays[] = {
        {DateTime(1950, 2, 17), Date(1950, 1, 1)},    {DateTime(1950, 2, 16), Date(1949, 12, 30)},
        {DateTime(2011, 2, 3), Date(2011, 1, 1)},     {DateTime(2012, 4, 21), Date(2012, 4, 1)},
        {DateTime(2012, 5, 21), Date(2012, 4, 1, 1)}, {DateTime(1952, 6, 22), Date(1952, 5, 1, 1)}};
    for (const auto& [gregorian, lunar] : bothWays) {
        EXPECT_EQ(ToLunar(gregorian), lunar) << gregorian.Format("%Y-%m-%d");
        EXPECT_EQ(ToGregorian(lunar), gregorian);
    }
    // Day 30 of a 29-day month runs on into the next month; a leap flag on a
    // month that is not the leap month is ignored.
    EXPECT_EQ(ToGregorian(Date(2011, 12, 30)), DateTime(2012, 1, 23));
    EXPECT_EQ(ToGregorian(Date(2012, 5, 1, 1)), ToGregorian(Date(2012, 5, 1, 0)));
    EXPECT_EQ(kCalendar.LunarDayOfYear(Date(2012, 4, 1, 1)),
              kCalendar.LunarDayOfYear(Date(2012, 4, 1)) + 30);
    EXPECT_EQ(ToGregorian(Date(2100, 12, 29)).Year(), 2101) << "end of lunar 2100";

    for (const CalendarDate& g : {Date(1900, 1, 30), Date(1899, 12, 31), Date(2101, 1, 1),
                                  Date(-5, 1, 1), Date(99999, 1, 1)})
        EXPECT_EQ(kCalendar.GregorianToLunar(g).month + kCalendar.GregorianToLunar(g).day, 0);
    EXPECT_EQ(kCalendar.GregorianToLunar(Date(1900, 1, 30)).weekday, 2) << "still the real one";
    for (const CalendarDate& l : {Date(1899, 12, 1), Date(2101, 1, 1), Date(2011, 1, 900)})
        EXPECT_EQ(kCalendar.LunarToGregorian(l).month + kCalendar.LunarToGregorian(l).day, 0);
    EXPECT_EQ(kCalendar.LunarMonthDays(1899, 1) + kCalendar.LunarMonthDays(2011, 0) +
                  kCalendar.LunarMonthDays(2011, 13) + kCalendar.LeapMonth(2101) +
                  kCalendar.LeapMonthDays(1899) + kCalendar.NewYearOffset(2101),
              0);
}

TEST(LunarCalendar, BirthdayThisYearFollowsTheClock) {
    const DateTime lunarLate(1980, 12, 20, 7, 30, 0), midAutumn(1970, 8, 15);
    const DateTime leapDay(1984, 2, 29), june2011(2011, 6, 1, 9, 0, 0), jan2012(2012, 1, 1);
    const struct {
        DateTime now, birth;
        int kind;
        DateTime expected;
    } cases[] = {
        // Lunar 2011-12-20 is 13 January 2012, so the 2010 lunar year's date counts.
        {june2011, lunarLate, kLunarCalendarKind, DateTime(2011, 1, 23, 7, 30, 0)},
        {jan2012, lunarLate, kLunarCalendarKind, DateTime(2012, 1, 13, 7, 30, 0)},
        {june2011, midAutumn, kLunarCalendarKind, DateTime(2011, 9, 12)},
        // Any kind but -1 is Gregorian; the stored time of day stays.
        {june2011, DateTime(1985, 9, 9, 18, 0, 0), 0, DateTime(2011, 9, 9, 18, 0, 0)},
        {june2011, DateTime(1985, 9, 9), 1, DateTime(2011, 9, 9)},
        {june2011, leapDay, 0, DateTime(2011, 2, 28)}, // 28 February in a common year
        {jan2012, leapDay, 0, DateTime(2012, 2, 29)},
        // Birthdays keep working after 2049, and stop past the table.
        {DateTime(2060, 3, 1), midAutumn, kLunarCalendarKind, ToGregorian(Date(2060, 8, 15))},
        {DateTime(2101, 5, 1), midAutumn, kLunarCalendarKind, DateTime()},
        {june2011, DateTime(), 0, DateTime()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kCalendar.BirthdayThisYear(c.birth, c.kind, FixedClock(c.now)), c.expected)
            << c.birth.Format("%Y-%m-%d") << " at " << c.now.Format("%Y-%m-%d");
}

TEST(LunarCalendar, SexagenaryYearTextsAndDayLabels) {
    for (const std::string c :
         {"2011农历辛卯年[兔年]", "1924农历甲子年[鼠年]", "1983农历癸亥年[猪年]",
          "1984农历甲子年[鼠年]", "2050农历庚午年[马年]", "1864农历甲子年[鼠年]",
          "1923农历癸亥年[猪年]", "1900农历庚子年[鼠年]", "1899农历己亥年[猪年]"})
        EXPECT_EQ(kCalendar.GanZhiYearText(std::stoi(c.substr(0, 4))), c.substr(4));
    const std::tuple<int, int, const char*> labels[] = {
        {1, 1, "正月"},  {12, 1, "十二月"}, {11, 1, "十一月"}, {5, 2, "初二"},  {5, 10, "初十"},
        {5, 11, "十一"}, {5, 20, "二十"},   {5, 21, "廿一"},   {5, 29, "廿九"}, {5, 30, "三十"},
        {13, 1, ""},     {0, 1, ""},        {5, 31, ""},       {5, 0, ""},      {5, -1, ""}};
    for (const auto& [month, day, label] : labels)
        EXPECT_EQ(kCalendar.LunarDayLabel(month, day), label) << month << "/" << day;
    // A leap month names itself on its first day only.
    EXPECT_EQ(kCalendar.LunarDayLabel(5, 1, 1), "闰五月");
    EXPECT_EQ(kCalendar.LunarDayLabel(11, 1, 1), "闰十一月");
    EXPECT_EQ(kCalendar.LunarDayLabel(5, 2, 1) + kCalendar.LunarDayLabel(13, 1, 1), "初二");
}

// The lunar years of the reference file, decoded without the program: the
// new year's day and the length of every ordinary month and of the leap month.
struct LunarYearFacts {
    DateTime newYear;
    int leapMonth = 0, leapLength = 0;
    std::array<int, 13> lengths{}; // [1..12]

    // Day `day` of the ordinary month `month`.
    DateTime Day(int month, int day) const {
        int before = 0;
        for (int m = 1; m < month; ++m)
            before += lengths[m] + (m == leapMonth ? leapLength : 0);
        return newYear.AddDays(before + day - 1);
    }
};

std::map<int, LunarYearFacts> ReadLunarFacts() {
    std::map<int, LunarYearFacts> facts;
    for (const auto& row : ReadTsv("lunar-years-1900-2100.tsv")) {
        const unsigned long entry = std::stoul(row[1], nullptr, 16);
        LunarYearFacts& f = facts[std::stoi(row[0])];
        f.newYear = DateTime::Parse(row[2]);
        f.leapMonth = entry & 0x0F;
        f.leapLength = (entry >> 22) & 1 ? 30 : 29;
        const unsigned long lengths = (entry >> 4) & 0xFFF; // month 1 in bit 11
        for (int m = 1; m <= 12; ++m)
            f.lengths[m] = (lengths >> (12 - m)) & 1 ? 30 : 29;
    }
    return facts;
}

TEST(LunarCalendar, BirthdaysKeepTheCustomsInEveryYear) {
    const std::map<int, LunarYearFacts> facts = ReadLunarFacts();
    ASSERT_EQ(facts.size(), 201u);
    for (int year = 1900; year <= 2100; ++year) {
        const bool leapYear = DateTime(year, 2, 29).IsValid();
        ASSERT_EQ(kCalendar.BirthdayOf(2, 29, 1, year), DateTime(year, 2, leapYear ? 29 : 28))
            << year;
        // A lunar birthday falls in the ordinary month, the 30th on the last day
        // of a 29-day month; this year's lunar date is preferred to last year's.
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, 15, 29, 30}) {
                DateTime expected;
                for (int lunarYear : {year, year - 1}) {
                    const auto f = facts.find(lunarYear);
                    if (f == facts.end())
                        continue;
                    const DateTime d =
                        f->second.Day(month, std::min(day, f->second.lengths[month]));
                    if (d.Year() == year) {
                        expected = d;
                        break;
                    }
                }
                ASSERT_EQ(kCalendar.BirthdayOf(month, day, kLunarCalendarKind, year), expected)
                    << year << " lunar " << month << "-" << day;
            }
        }
    }
    // The days people know: 除夕 of a short 腊月, and 端午 of a year with a leap 5th month.
    EXPECT_EQ(kCalendar.BirthdayOf(12, 30, kLunarCalendarKind, 2026), DateTime(2026, 2, 16));
    EXPECT_EQ(kCalendar.BirthdayOf(5, 5, kLunarCalendarKind, 2028), DateTime(2028, 5, 28));
    EXPECT_EQ(kCalendar.BirthdayInYear(DateTime(1996, 2, 29, 23, 59, 59), 1, 2027),
              DateTime(2027, 2, 28, 23, 59, 59));
    for (const auto& [month, day] : {std::pair{5, 31}, {5, 0}, {13, 1}, {0, 1}})
        EXPECT_FALSE(kCalendar.BirthdayOf(month, day, kLunarCalendarKind, 2011).IsValid())
            << month << "-" << day;
}

} // namespace
