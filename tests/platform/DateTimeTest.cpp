#include "platform/DateTime.h"

#include "Printers.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

TEST(DateTime, CountsDaysFrom30December1899) {
    EXPECT_DOUBLE_EQ(DateTime(1899, 12, 30).Days(), 0.0);
    EXPECT_DOUBLE_EQ(DateTime(1900, 1, 1).Days(), 2.0);
    EXPECT_DOUBLE_EQ(DateTime(2011, 9, 9).Days(), 40795.0);
    EXPECT_DOUBLE_EQ(DateTime(2011, 9, 9, 18, 0, 0).Days(), 40795.75);
    // Before the epoch the day counts back while the fraction still runs forward.
    EXPECT_DOUBLE_EQ(DateTime(1899, 12, 29, 6, 0, 0).Days(), -1.25);

    for (double days : {0.0, 2.0, 40795.75, -1.25, 73050.5, 1.0 / 86400}) {
        const DateTime back = DateTime::FromDays(days);
        ASSERT_TRUE(back.IsValid());
        EXPECT_NEAR(back.Days(), days, 1e-9) << days;
    }
    const DateTime t = DateTime::FromDays(40795.75);
    EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "2011-09-09 18:00:00");
    EXPECT_EQ(DateTime::FromDays(-1.25).Format("%Y-%m-%d %H:%M"), "1899-12-29 06:00");
}

TEST(DateTime, PartsReadBack) {
    const DateTime t(2012, 2, 29, 23, 59, 58);
    EXPECT_EQ(t.Year(), 2012);
    EXPECT_EQ(t.Month(), 2);
    EXPECT_EQ(t.Day(), 29);
    EXPECT_EQ(t.Hour(), 23);
    EXPECT_EQ(t.Minute(), 59);
    EXPECT_EQ(t.Second(), 58);
    EXPECT_EQ(t.DayOfYear(), 60);
    EXPECT_EQ(t.DayOfWeek(), 3); // a Wednesday
    EXPECT_EQ(DateTime(1950, 1, 1).DayOfWeek(), 0);
    EXPECT_EQ(DateTime(2011, 12, 31).DayOfYear(), 365);
    EXPECT_EQ(DateTime(2012, 12, 31).DayOfYear(), 366);
}

TEST(DateTime, ImpossibleDatesAreInvalidAndMatchNothing) {
    const DateTime invalid[] = {DateTime(2011, 2, 29),
                                DateTime(1900, 2, 29),
                                DateTime(2011, 13, 1),
                                DateTime(2011, 4, 31),
                                DateTime(2011, 1, 1, 24, 0, 0),
                                DateTime(2011, 1, 0),
                                DateTime()};
    for (const DateTime& d : invalid) {
        EXPECT_FALSE(d.IsValid());
        EXPECT_FALSE(d.SameDay(d));
        EXPECT_EQ(d.Format("%Y-%m-%d"), "");
        EXPECT_TRUE(std::isnan(d - DateTime(2011, 1, 1)));
        EXPECT_FALSE(d.AddDays(1).IsValid());
    }
    EXPECT_TRUE(DateTime(2012, 2, 29).IsValid());
    EXPECT_TRUE(DateTime(2000, 2, 29).IsValid());
    EXPECT_LT(DateTime(), DateTime(1900, 1, 1));
}

TEST(DateTime, DifferenceIsInFractionalDays) {
    const DateTime a(2011, 9, 9, 12, 0, 0);
    EXPECT_DOUBLE_EQ(DateTime(2011, 9, 12) - a, 2.5);
    EXPECT_DOUBLE_EQ(a - DateTime(2011, 9, 12), -2.5);
    EXPECT_DOUBLE_EQ(DateTime(2013, 1, 1) - DateTime(2012, 1, 1), 366.0);
    EXPECT_TRUE(a.SameDay(DateTime(2011, 9, 9, 0, 0, 0)));
    EXPECT_FALSE(a.SameDay(DateTime(2011, 9, 10)));
    EXPECT_EQ(a.DateOnly(), DateTime(2011, 9, 9));
    EXPECT_EQ(DateTime(2011, 12, 31, 8, 0, 0).AddDays(1), DateTime(2012, 1, 1, 8, 0, 0));
    EXPECT_EQ(DateTime(2012, 3, 1).AddSeconds(-1), DateTime(2012, 2, 29, 23, 59, 59));
    EXPECT_LT(DateTime(2011, 9, 9), a);
}

TEST(DateTime, FormatsTheStrftimeSpecifiersInEnglish) {
    setenv("TZ", "Asia/Shanghai", 1);
    const DateTime t(2011, 9, 9, 8, 5, 3);
    EXPECT_EQ(t.Format("%Y-%m-%d"), "2011-09-09");
    EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "2011-09-09 08:05:03");
    EXPECT_EQ(t.Format("%a, %d %b %y %H:%M:%S %z"), "Fri, 09 Sep 11 08:05:03 +0800");
    EXPECT_EQ(t.Format("%A %B %j %w %I%p 100%%"), "Friday September 252 5 08AM 100%");
    EXPECT_EQ(DateTime(2011, 9, 9, 0, 0, 0).Format("%I %p"), "12 AM");
    EXPECT_EQ(t.Format("%Q trailing %"), "%Q trailing %");
    unsetenv("TZ");
}

TEST(DateTime, ParsesTheStoredForms) {
    EXPECT_EQ(DateTime::Parse("2011-09-09 18:30:05"), DateTime(2011, 9, 9, 18, 30, 5));
    EXPECT_EQ(DateTime::Parse("2011-09-09"), DateTime(2011, 9, 9));
    EXPECT_EQ(DateTime::Parse("2011/9/9 8:05"), DateTime(2011, 9, 9, 8, 5, 0));
    EXPECT_EQ(DateTime::Parse("2011-09-09T18:30:05"), DateTime(2011, 9, 9, 18, 30, 5));
    for (const char* bad : {"", "2011", "2011-09", "2011-02-29", "2011-09-09 25:00:00",
                            "2011-09-09 18", "2011-09-09x", "abcd-ef-gh", "20110909"})
        EXPECT_FALSE(DateTime::Parse(bad).IsValid()) << bad;
}

} // namespace
