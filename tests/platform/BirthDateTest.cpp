#include "platform/BirthDate.h"

#include "Printers.h"

#include <gtest/gtest.h>

namespace {

// Lunar rows keep a day the Gregorian calendar lacks; everything DateTime
// reads, a birth date reads the same way.
TEST(BirthDate, ReadsWhatDateTimeReadsAndADayUpTo30InAnyMonth) {
    for (const char* text : {"1980-09-12 23:59:59", "1980-9-2", "1980/09/12 7:05", "2000-02-29",
                             "1980-12-31T08:00:00", "  1925-03-07", "0100-01-01"}) {
        const DateTime date = DateTime::Parse(text);
        ASSERT_TRUE(date.IsValid()) << text;
        EXPECT_EQ(BirthDate::Parse(text), BirthDate(date)) << text;
        EXPECT_EQ(BirthDate::Parse(text).Gregorian(), date) << text;
    }
    const struct {
        const char* text;
        int year, month, day, hour, minute, second;
    } lunar[] = {
        {"1980-02-30 23:59:59", 1980, 2, 30, 23, 59, 59},
        {"1981-02-29", 1981, 2, 29, 0, 0, 0},
        {"2023-02-30 01:01:01", 2023, 2, 30, 1, 1, 1},
    };
    for (const auto& l : lunar) {
        const BirthDate date = BirthDate::Parse(l.text);
        ASSERT_TRUE(date.IsValid()) << l.text;
        EXPECT_EQ(date, BirthDate(l.year, l.month, l.day, l.hour, l.minute, l.second));
        EXPECT_FALSE(date.Gregorian().IsValid()) << "no such Gregorian day: " << l.text;
    }
    for (const char* text :
         {"1980-02-31", "1980-04-31", "1980-13-01", "1980-00-10", "1980-01-00", "1980-01-32",
          "1980-02-30 24:00:00", "80-02-30", "1980-02-30x", "", "明年"})
        EXPECT_FALSE(BirthDate::Parse(text).IsValid()) << text;
    EXPECT_FALSE(BirthDate(DateTime::Invalid()).IsValid());
}

TEST(BirthDate, WritesTheStoredFormEvenForADayOnlyTheLunarCalendarHas) {
    EXPECT_EQ(BirthDate(1980, 2, 30).Format("#%Y-%m-%d 23:59:59#"), "#1980-02-30 23:59:59#");
    EXPECT_EQ(BirthDate(1981, 2, 29, 7, 5, 9).Format("%Y-%m-%d %H:%M:%S %% %y"),
              "1981-02-29 07:05:09 % 81");
    EXPECT_EQ(BirthDate(1980, 9, 12).Format("%Y-%m-%d %a"),
              DateTime(1980, 9, 12).Format("%Y-%m-%d %a"));
    EXPECT_EQ(BirthDate().Format("%Y-%m-%d"), "");
    // What is written reads back as it was.
    for (const BirthDate& date : {BirthDate(1980, 2, 30, 23, 59, 59), BirthDate(100, 1, 1),
                                  BirthDate(2100, 12, 30, 0, 0, 1)})
        EXPECT_EQ(BirthDate::Parse(date.Format("%Y-%m-%d %H:%M:%S")), date);
    EXPECT_EQ(BirthDate(1980, 2, 30, 23, 59, 59).DateOnly(), BirthDate(1980, 2, 30));
}

TEST(BirthDate, OrdersLikeDatesWithNoDateFirst) {
    EXPECT_LT(BirthDate(), BirthDate(1, 1, 1));
    EXPECT_LT(BirthDate(1980, 2, 29), BirthDate(1980, 2, 30));
    EXPECT_LT(BirthDate(1980, 2, 30, 23, 59, 59), BirthDate(1980, 3, 1));
    EXPECT_LT(BirthDate(1980, 3, 1, 0, 0, 0), BirthDate(1980, 3, 1, 0, 0, 1));
}

} // namespace
