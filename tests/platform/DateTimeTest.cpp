#include "platform/DateTime.h"

#include "Printers.h"
#include "TestFiles.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

TEST(DateTime, CountsFractionalDaysFrom30December1899) {
    // Before the epoch the day counts back while the fraction still runs forward.
    const std::pair<DateTime, double> cases[] = {{DateTime(1899, 12, 30), 0.0},
                                                 {DateTime(2011, 9, 9, 18, 0, 0), 40795.75},
                                                 {DateTime(1899, 12, 29, 6, 0, 0), -1.25},
                                                 {DateTime(1899, 12, 30, 0, 0, 1), 1.0 / 86400}};
    for (const auto& [date, days] : cases) {
        EXPECT_DOUBLE_EQ(date.Days(), days) << days;
        EXPECT_EQ(DateTime::FromDays(days), date) << days;
    }
    const DateTime noon(2011, 9, 9, 12, 0, 0);
    EXPECT_DOUBLE_EQ(DateTime(2011, 9, 12) - noon, 2.5);
    EXPECT_TRUE(noon.SameDay(DateTime(2011, 9, 9)) && !noon.SameDay(DateTime(2011, 9, 10)));
    EXPECT_EQ(noon.DateOnly(), DateTime(2011, 9, 9));
    EXPECT_EQ(DateTime(2012, 3, 1).AddSeconds(-1), DateTime(2012, 2, 29, 23, 59, 59));
    const DateTime t(2012, 2, 29, 23, 59, 58);
    EXPECT_EQ(std::make_tuple(t.Year(), t.Month(), t.Day(), t.Hour(), t.Minute(), t.Second(),
                              t.DayOfWeek(), t.DayOfYear()),
              std::make_tuple(2012, 2, 29, 23, 59, 58, 3, 60)); // a Wednesday
}

TEST(DateTime, ImpossibleDatesAreInvalidAndMatchNothing) {
    for (const DateTime& d : {DateTime(2011, 2, 29), DateTime(1900, 2, 29), DateTime(2011, 13, 1),
                              DateTime(2011, 4, 31), DateTime(2011, 1, 1, 24, 0, 0),
                              DateTime(2011, 1, 0), DateTime()}) {
        EXPECT_FALSE(d.IsValid() || d.SameDay(d) || d.AddDays(1).IsValid());
        EXPECT_EQ(d.Format("%Y-%m-%d"), "");
        EXPECT_TRUE(std::isnan(d - DateTime(2011, 1, 1)));
    }
    EXPECT_TRUE(DateTime(2000, 2, 29).IsValid());
    EXPECT_LT(DateTime(), DateTime(1900, 1, 1));
}

TEST(DateTime, FormatsInEnglishAndParsesTheStoredForms) {
    const ScopedEnv zone("TZ", "Asia/Shanghai");
    const DateTime t(2011, 9, 9, 8, 5, 3);
    EXPECT_EQ(t.Format("%a, %d %b %y %H:%M:%S %z 100%%"), "Fri, 09 Sep 11 08:05:03 +0800 100%");
    EXPECT_EQ(t.Format("%Q trailing %"), "%Q trailing %");

    EXPECT_EQ(DateTime::Parse("2011-09-09T08:05:03"), t);
    EXPECT_EQ(DateTime::Parse("2011-09-09"), DateTime(2011, 9, 9));
    EXPECT_EQ(DateTime::Parse("2011/9/9 8:05"), DateTime(2011, 9, 9, 8, 5, 0));
    for (const char* bad : {"", "2011", "2011-09", "2011-02-29", "2011-09-09 25:00:00",
                            "2011-09-09 18", "2011-09-09x", "abcd-ef-gh", "20110909"})
        EXPECT_FALSE(DateTime::Parse(bad).IsValid()) << bad;
}

TEST(DateTime, ZeroPaddingMatchesPrintfIncludingEdges) {
    for (const int width : {0, 1, 2, 3, 4, 6})
        for (const int value :
             {0, 5, 9, 10, 99, 100, 987, 2011, 12345, 2147483647, -1, -42, -2147483647 - 1}) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%0*d", width, value);
            std::string out = "x";
            AppendZeroPadded(out, value, width);
            EXPECT_EQ(out, std::string("x") + expected) << value << " width " << width;
        }
    // The list's date columns, and a year before 1000 and a zone west of UTC.
    const ScopedEnv zone("TZ", "America/St_Johns");
    EXPECT_EQ(DateTime(987, 1, 2, 3, 4, 5).Format("%Y-%m-%d %H:%M:%S %j %w %I%p"),
              "0987-01-02 03:04:05 002 " + std::to_string(DateTime(987, 1, 2).DayOfWeek()) +
                  " 03AM");
    EXPECT_EQ(DateTime(2011, 1, 9, 18).Format("%z %I"), "-0330 06");
}

} // namespace
