#include "calendar/LunarCalendar.h"

#include "FixedClock.h"
#include "Printers.h"
#include "TsvFile.h"

#include <gtest/gtest.h>

namespace {

const CLunarCalendar kCalendar;

CalendarDate Date(int year, int month, int day, int leap = 0) {
    CalendarDate date;
    date.year = year;
    date.month = month;
    date.day = day;
    date.leap = leap;
    return date;
}

// The lunar date of a Gregorian day, weekday dropped so results compare with Date().
CalendarDate ToLunar(const DateTime& d) {
    CalendarDate lunar = kCalendar.GregorianToLunar(Date(d.Year(), d.Month(), d.Day()));
    lunar.weekday = 0;
    return lunar;
}

TEST(LunarCalendar, EveryDayOfTheTableConvertsAndComesBack) {
    const DateTime first(1900, 1, 31); // lunar new year 1900
    const DateTime last(2100, 12, 31);
    CalendarDate previous = ToLunar(first);
    ASSERT_EQ(previous, Date(1900, 1, 1)) << "1900-01-31 opens the table";
    int days = 0;
    for (DateTime d = first.AddDays(1); d <= last; d = d.AddDays(1), ++days) {
        const CalendarDate lunar = ToLunar(d);
        ASSERT_NE(lunar.month, 0) << d.Format("%Y-%m-%d");
        ASSERT_EQ(kCalendar.GregorianToLunar(Date(d.Year(), d.Month(), d.Day())).weekday,
                  d.DayOfWeek());

        // Consecutive days walk the lunar calendar one day at a time.
        const bool nextDay = lunar.year == previous.year && lunar.month == previous.month &&
                             lunar.leap == previous.leap && lunar.day == previous.day + 1;
        const bool newMonth =
            lunar.day == 1 && previous.day >= 29 &&
            ((lunar.year == previous.year &&
              ((lunar.month == previous.month && lunar.leap == 1 && previous.leap == 0) ||
               (lunar.month == previous.month + 1 && lunar.leap == 0))) ||
             (lunar.year == previous.year + 1 && lunar.month == 1 && previous.month == 12 &&
              lunar.leap == 0));
        ASSERT_TRUE(nextDay || newMonth) << d.Format("%Y-%m-%d");

        const CalendarDate back = kCalendar.LunarToGregorian(lunar);
        ASSERT_EQ(back.year, d.Year()) << d.Format("%Y-%m-%d");
        ASSERT_EQ(back.month, d.Month()) << d.Format("%Y-%m-%d");
        ASSERT_EQ(back.day, d.Day()) << d.Format("%Y-%m-%d");
        ASSERT_EQ(back.weekday, d.DayOfWeek());
        ASSERT_EQ(back.valid, 0);
        ASSERT_EQ(back.leap, 0);
        previous = lunar;
    }
    EXPECT_GT(days, 73000);
}

// Decodes a year entry independently of the program and compares.
TEST(LunarCalendar, AgreesWithEveryRowOfTheYearFile) {
    const auto rows = ReadTsv(DataFile("lunar-years-1900-2100.tsv"));
    ASSERT_EQ(rows.size(), 201u);
    EXPECT_EQ(CLunarCalendar::FirstYear(), 1900);
    EXPECT_EQ(CLunarCalendar::LastYear(), 2100);
    for (const auto& row : rows) {
        const int year = std::stoi(row[0]);
        const unsigned long entry = std::stoul(row[1], nullptr, 16);
        const int b0 = (entry >> 16) & 0xFF, b1 = (entry >> 8) & 0xFF, b2 = entry & 0xFF;
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(kCalendar.IsGregorianLeapYear(year), (b0 >> 7) & 1);
        EXPECT_EQ(kCalendar.NewYearOffset(year), b0 & 0x3F);
        EXPECT_EQ(kCalendar.LeapMonth(year), b2 & 0x0F);
        EXPECT_EQ(kCalendar.LeapMonthDays(year), (b2 & 0x0F) == 0 ? 0 : ((b0 & 0x40) ? 30 : 29));
        const int lengths = (b1 << 4) | (b2 >> 4); // month 1 in bit 11 .. month 12 in bit 0
        for (int month = 1; month <= 12; ++month)
            EXPECT_EQ(kCalendar.LunarMonthDays(year, month),
                      ((lengths >> (12 - month)) & 1) ? 30 : 29);

        const DateTime newYear = DateTime::Parse(row[2]);
        ASSERT_TRUE(newYear.IsValid());
        EXPECT_EQ(newYear.Year(), year);
        EXPECT_EQ(kCalendar.NewYearOffset(year) + 1, newYear.DayOfYear());
        EXPECT_EQ(ToLunar(newYear), Date(year, 1, 1, 0));
        const CalendarDate back = kCalendar.LunarToGregorian(Date(year, 1, 1));
        EXPECT_EQ(back.month, newYear.Month());
        EXPECT_EQ(back.day, newYear.Day());
    }
}

TEST(LunarCalendar, LeapBitsAndWeekdaysMatchTheRealCalendar) {
    for (int year = 1900; year <= 2100; ++year) {
        EXPECT_EQ(kCalendar.IsGregorianLeapYear(year) == 1, DateTime::IsLeapYear(year)) << year;
        EXPECT_EQ(kCalendar.DaysInGregorianYear(year), DateTime::IsLeapYear(year) ? 366 : 365);
        for (int month = 1; month <= 12; ++month) {
            EXPECT_EQ(kCalendar.DaysInGregorianMonth(year, month),
                      DateTime::DaysInMonth(year, month));
            for (int day = 1; day <= DateTime::DaysInMonth(year, month); ++day)
                ASSERT_EQ(kCalendar.Weekday(year, month, day),
                          DateTime(year, month, day).DayOfWeek())
                    << year << "-" << month << "-" << day;
        }
    }
    EXPECT_EQ(kCalendar.Weekday(1950, 1, 1), 0);
    EXPECT_EQ(kCalendar.Weekday(1900, 1, 1), 1);
    EXPECT_EQ(kCalendar.Weekday(2100, 12, 31), 5);
    // Beyond the table the plain rules still give the real weekday.
    EXPECT_EQ(kCalendar.Weekday(1899, 12, 31), 0);
    EXPECT_EQ(kCalendar.Weekday(2101, 1, 1), 6);
    EXPECT_EQ(kCalendar.Weekday(2200, 3, 1), DateTime(2200, 3, 1).DayOfWeek());
}

TEST(LunarCalendar, KnownConversions) {
    EXPECT_EQ(ToLunar(DateTime(1950, 2, 17)), Date(1950, 1, 1));
    EXPECT_EQ(ToLunar(DateTime(1950, 2, 16)), Date(1949, 12, 30)); // the table now reaches back
    const CalendarDate newYear2011 = kCalendar.GregorianToLunar(Date(2011, 2, 3));
    EXPECT_EQ(newYear2011.month, 1);
    EXPECT_EQ(newYear2011.day, 1);
    EXPECT_EQ(newYear2011.weekday, 4);

    // 2012 has a 29-day leap 4th month after an ordinary 4th month of 30 days.
    EXPECT_EQ(kCalendar.LeapMonth(2012), 4);
    EXPECT_EQ(kCalendar.LeapMonthDays(2012), 29);
    EXPECT_EQ(kCalendar.LunarMonthDays(2012, 4), 30);
    CalendarDate leapFirst = ToLunar(DateTime(2012, 5, 21));
    EXPECT_EQ(leapFirst.month, 4);
    EXPECT_EQ(leapFirst.day, 1);
    EXPECT_EQ(leapFirst.leap, 1);
    const CalendarDate june20 = ToLunar(DateTime(2012, 6, 20));
    EXPECT_EQ(june20.month, 5);
    EXPECT_EQ(june20.day, 2);
    EXPECT_EQ(june20.leap, 0);

    auto gregorian = [](const CalendarDate& lunar) {
        const CalendarDate g = kCalendar.LunarToGregorian(lunar);
        return DateTime(g.year, g.month, g.day);
    };
    EXPECT_EQ(gregorian(Date(2012, 4, 1, 1)), DateTime(2012, 5, 21));
    EXPECT_EQ(gregorian(Date(2012, 4, 1, 0)), DateTime(2012, 4, 21));
    // A leap flag on a month that is not the leap month is ignored.
    EXPECT_EQ(gregorian(Date(2012, 5, 1, 1)), gregorian(Date(2012, 5, 1, 0)));
    // Day 30 of a 29-day month runs on into the next month.
    EXPECT_EQ(kCalendar.LunarMonthDays(2011, 12), 29);
    EXPECT_EQ(gregorian(Date(2011, 12, 29)), DateTime(2012, 1, 22));
    EXPECT_EQ(gregorian(Date(2011, 12, 30)), DateTime(2012, 1, 23));
    // The leap 5th month of 1952.
    EXPECT_EQ(gregorian(Date(1952, 5, 1, 1)), DateTime(1952, 6, 22));
    EXPECT_EQ(gregorian(Date(1952, 5, 5, 1)), DateTime(1952, 6, 26));
    EXPECT_EQ(kCalendar.LunarDayOfYear(Date(2012, 4, 1, 1)),
              kCalendar.LunarDayOfYear(Date(2012, 4, 1)) + 30);
    // Lunar year 2049 ends on 22 January 2050; lunar 2050 has a leap 3rd month.
    EXPECT_EQ(gregorian(Date(2049, 12, 29)), DateTime(2050, 1, 22));
    EXPECT_EQ(ToLunar(DateTime(2050, 1, 23)), Date(2050, 1, 1));
}

TEST(LunarCalendar, OutsideTheTableNothingConverts) {
    const CalendarDate beforeTable = kCalendar.GregorianToLunar(Date(1900, 1, 30));
    EXPECT_EQ(beforeTable.month, 0);
    EXPECT_EQ(beforeTable.day, 0);
    EXPECT_EQ(beforeTable.weekday, 2); // still the real weekday
    for (const CalendarDate& g :
         {Date(1899, 12, 31), Date(2101, 1, 1), Date(-5, 1, 1), Date(99999, 1, 1)}) {
        const CalendarDate lunar = kCalendar.GregorianToLunar(g);
        EXPECT_EQ(lunar.month, 0);
        EXPECT_EQ(lunar.day, 0);
    }
    for (const CalendarDate& l : {Date(1899, 12, 1), Date(2101, 1, 1), Date(2011, 1, 900)}) {
        const CalendarDate g = kCalendar.LunarToGregorian(l);
        EXPECT_EQ(g.month, 0);
        EXPECT_EQ(g.day, 0);
    }
    EXPECT_EQ(kCalendar.LunarMonthDays(1899, 1), 0);
    EXPECT_EQ(kCalendar.LunarMonthDays(2011, 0), 0);
    EXPECT_EQ(kCalendar.LunarMonthDays(2011, 13), 0);
    EXPECT_EQ(kCalendar.LeapMonth(2101), 0);
    EXPECT_EQ(kCalendar.LeapMonthDays(1899), 0);
    EXPECT_EQ(kCalendar.NewYearOffset(2101), 0);
    // A lunar date in January 2101 (end of lunar 2100) still converts.
    const CalendarDate endOf2100 = kCalendar.LunarToGregorian(Date(2100, 12, 29));
    EXPECT_EQ(endOf2100.year, 2101);
    EXPECT_EQ(endOf2100.month, 1);
}

TEST(LunarCalendar, BirthdayThisYearFollowsTheClock) {
    FixedClock clock(DateTime(2011, 6, 1, 9, 0, 0));
    const DateTime lunarLate(1980, 12, 20, 7, 30, 0);
    // Lunar 2011-12-20 is 13 January 2012, so the 2010 lunar year's date counts.
    EXPECT_EQ(kCalendar.BirthdayThisYear(lunarLate, kLunarCalendarKind, clock),
              DateTime(2011, 1, 23, 7, 30, 0));
    // Mid-autumn born: lunar 8-15 of 2011 is 12 September 2011.
    EXPECT_EQ(kCalendar.BirthdayThisYear(DateTime(1970, 8, 15), kLunarCalendarKind, clock),
              DateTime(2011, 9, 12));
    // Gregorian: this year's month and day with the stored time of day; any kind but -1 is
    // Gregorian.
    EXPECT_EQ(kCalendar.BirthdayThisYear(DateTime(1985, 9, 9, 18, 0, 0), 0, clock),
              DateTime(2011, 9, 9, 18, 0, 0));
    EXPECT_EQ(kCalendar.BirthdayThisYear(DateTime(1985, 9, 9), 1, clock), DateTime(2011, 9, 9));
    // 29 February: no day in a common year, the real day in a leap year.
    EXPECT_FALSE(kCalendar.BirthdayThisYear(DateTime(1984, 2, 29), 0, clock).IsValid());
    clock.Set(DateTime(2012, 1, 1));
    EXPECT_EQ(kCalendar.BirthdayThisYear(DateTime(1984, 2, 29), 0, clock), DateTime(2012, 2, 29));
    // Lunar 12-20 of 2012 falls in February 2013, so lunar 2011's is used: 13 January 2012.
    EXPECT_EQ(kCalendar.BirthdayThisYear(lunarLate, kLunarCalendarKind, clock),
              DateTime(2012, 1, 13, 7, 30, 0));
    // Birthdays keep working after 2049.
    clock.Set(DateTime(2060, 3, 1));
    const DateTime in2060 =
        kCalendar.BirthdayThisYear(DateTime(1970, 8, 15), kLunarCalendarKind, clock);
    ASSERT_TRUE(in2060.IsValid());
    EXPECT_EQ(in2060.Year(), 2060);
    const CalendarDate check = ToLunar(in2060);
    EXPECT_EQ(check.month, 8);
    EXPECT_EQ(check.day, 15);
    // Past the table, and for an invalid stored date: no date.
    clock.Set(DateTime(2101, 5, 1));
    EXPECT_FALSE(
        kCalendar.BirthdayThisYear(DateTime(1970, 8, 15), kLunarCalendarKind, clock).IsValid());
    EXPECT_FALSE(kCalendar.BirthdayThisYear(DateTime(), 0, clock).IsValid());
}

TEST(LunarCalendar, SexagenaryYearTexts) {
    EXPECT_EQ(kCalendar.GanZhiYearText(2011), "农历辛卯年[兔年]");
    EXPECT_EQ(kCalendar.GanZhiYearText(1924), "农历甲子年[鼠年]");
    EXPECT_EQ(kCalendar.GanZhiYearText(1983), "农历癸亥年[猪年]");
    EXPECT_EQ(kCalendar.GanZhiYearText(1984), "农历甲子年[鼠年]");
    EXPECT_EQ(kCalendar.GanZhiYearText(2050), "农历庚午年[马年]");
    EXPECT_EQ(kCalendar.GanZhiYearText(1923), "农历");
    EXPECT_EQ(kCalendar.GanZhiYearText(1900), "农历");
    EXPECT_EQ(kCalendar.GanZhiYearText(1864), "农历甲子年[鼠年]"); // remainder 0
}

TEST(LunarCalendar, DayLabels) {
    const std::pair<std::pair<int, int>, const char*> cases[] = {
        {{1, 1}, "正月"},  {{12, 1}, "十二月"}, {{11, 1}, "十一月"}, {{5, 2}, "初二"},
        {{5, 10}, "初十"}, {{5, 11}, "十一"},   {{5, 20}, "廿十"},   {{5, 21}, "廿一"},
        {{5, 29}, "廿九"}, {{5, 30}, "三十"},   {{13, 1}, ""},       {{0, 1}, ""},
        {{5, 31}, ""},     {{5, 0}, ""},        {{5, -1}, ""},
    };
    for (const auto& [input, label] : cases)
        EXPECT_EQ(kCalendar.LunarDayLabel(input.first, input.second), label)
            << input.first << "/" << input.second;
}

} // namespace
