#include "calendar/LunarBirthDate.h"

#include "calendar/LunarCalendar.h"

#include "Printers.h"

#include <gtest/gtest.h>

namespace {

TEST(LunarBirthDate, OffersTwelveMonthsAndThirtyDaysByTheirNames) {
    std::string months;
    for (int month = 0; month <= 13; ++month)
        months += std::string(LunarMonthName(month)) + " ";
    EXPECT_EQ(months, " 正月 二月 三月 四月 五月 六月 七月 八月 九月 十月 冬月 腊月  ");
    std::string days;
    for (int day : {0, 1, 9, 10, 11, 19, 20, 21, 29, 30, 31})
        days += std::string(LunarDayName(day)) + " ";
    EXPECT_EQ(days, " 初一 初九 初十 十一 十九 二十 廿一 廿九 三十  ");
}

// Every day of every ordinary lunar month of the table has its Gregorian day
// and comes back from it; a 30th the month lacks has none, rather than
// running over into the next month.
TEST(LunarBirthDate, EveryLunarDayOfTheTableConvertsBothWays) {
    const CLunarCalendar calendar;
    int missingThirties = 0;
    DateTime previous;
    for (int year = CLunarCalendar::FirstYear(); year <= CLunarCalendar::LastYear(); ++year) {
        for (int month = 1; month <= 12; ++month) {
            const int length = calendar.LunarMonthDays(year, month);
            for (int day = 1; day <= 30; ++day) {
                const BirthDate lunar(year, month, day, 23, 59, 59);
                const DateTime gregorian = GregorianOfLunar(lunar);
                if (day > length) {
                    ASSERT_FALSE(gregorian.IsValid()) << lunar.Format("%Y-%m-%d");
                    EXPECT_EQ(GregorianEquivalentText(lunar), "无对应阳历日期");
                    ++missingThirties;
                    continue;
                }
                ASSERT_TRUE(gregorian.IsValid()) << lunar.Format("%Y-%m-%d");
                if (gregorian.Year() > CLunarCalendar::LastYear())
                    continue; // the table has no lunar dates for that Gregorian year
                ASSERT_EQ(LunarOfGregorian(gregorian), lunar) << lunar.Format("%Y-%m-%d");
                // Days go forward, a leap month's days left out between.
                ASSERT_GT(gregorian, previous) << lunar.Format("%Y-%m-%d");
                previous = gregorian;
            }
        }
    }
    EXPECT_GT(missingThirties, 1000);
    EXPECT_EQ(GregorianEquivalentText(BirthDate(1980, 2, 29)), "阳历1980-04-14");
    EXPECT_EQ(GregorianEquivalentText(BirthDate(1981, 2, 30)), "阳历1981-04-04");
    EXPECT_EQ(GregorianEquivalentText(BirthDate(1979, 12, 29)), "阳历1980-02-15")
        << "late in the lunar year is early in the next Gregorian one";
    EXPECT_EQ(GregorianEquivalentText(BirthDate(1850, 5, 6)), "无对应阳历日期")
        << "before the table";
    EXPECT_EQ(GregorianEquivalentText(BirthDate()), "");
}

TEST(LunarBirthDate, SwitchingConvertsOrKeepsTheDateAsEntered) {
    const struct {
        BirthDate date;
        bool toLunar;
        BirthDate shown;
    } cases[] = {
        {BirthDate(2011, 9, 9), true, BirthDate(2011, 8, 12)},
        {BirthDate(2011, 8, 12), false, BirthDate(2011, 9, 9)},
        {BirthDate(1980, 1, 20, 23, 59, 59), true, BirthDate(1979, 12, 3, 23, 59, 59)},
        {BirthDate(2020, 5, 30), true, BirthDate(2020, 4, 8)}, // 闰四月初八: the month's number
        {BirthDate(2020, 4, 8), false, BirthDate(2020, 4, 30)},
        // No such day in the other calendar: kept as entered.
        {BirthDate(1980, 2, 30), false, BirthDate(1980, 2, 30)},
        {BirthDate(1850, 5, 6), false, BirthDate(1850, 5, 6)},
        {BirthDate(1850, 5, 31), true, BirthDate(1850, 5, 31)},
        {BirthDate(1900, 1, 30), true, BirthDate(1900, 1, 30)}, // before the first lunar new year
        {BirthDate(), true, BirthDate()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SwitchCalendar(c.date, c.toLunar), c.shown)
            << c.date.Format("%Y-%m-%d") << (c.toLunar ? " to lunar" : " to Gregorian");
}

} // namespace
