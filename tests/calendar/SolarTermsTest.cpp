#include "calendar/SolarTerms.h"

#include "Printers.h"
#include "TsvFile.h"

#include <gtest/gtest.h>
#include <map>

namespace {

TEST(SolarTerms, AgreesWithEveryRowOfTheTermFile) {
    const auto rows = ReadTsv(DataFile("solar-terms-1950-2050.tsv"));
    ASSERT_EQ(rows.size(), 101u * 24);
    for (const auto& row : rows) {
        const DateTime instant = DateTime::Parse(row[3]);
        ASSERT_TRUE(instant.IsValid()) << row[3];
        const DateTime day = instant.DateOnly();
        EXPECT_EQ(SolarTermName(day), row[2]) << row[3];
        EXPECT_EQ(SolarTermName(day.AddSeconds(86399)), row[2]) << "time of day is ignored";
        EXPECT_EQ(SolarTermNameByIndex(std::stoi(row[1])), row[2]);
    }
}

TEST(SolarTerms, EachYearHasExactly24TermDays) {
    for (int year = 1900; year <= 2100; ++year) {
        std::map<std::string, int> seen;
        for (DateTime d(year, 1, 1); d.Year() == year; d = d.AddDays(1)) {
            const std::string name = SolarTermName(d);
            if (!name.empty())
                ++seen[name];
        }
        ASSERT_EQ(seen.size(), 24u) << year;
        for (const auto& [name, count] : seen)
            EXPECT_EQ(count, 1) << year << " " << name;
    }
}

TEST(SolarTerms, TrueDaysWhereTheMeanModelIsOff) {
    struct Case {
        DateTime day;
        const char* name;
    };
    const Case cases[] = {
        {DateTime(2011, 1, 6), "小寒"},   {DateTime(2011, 2, 4), "立春"},
        {DateTime(2011, 4, 5), "清明"},   {DateTime(2011, 6, 22), "夏至"},
        {DateTime(2011, 12, 22), "冬至"}, {DateTime(2012, 1, 6), "小寒"},
        {DateTime(2012, 3, 5), "惊蛰"},   {DateTime(2012, 3, 20), "春分"},
        {DateTime(2012, 12, 21), "冬至"}, {DateTime(1950, 1, 6), "小寒"},
        {DateTime(1950, 12, 22), "冬至"}, {DateTime(1951, 12, 23), "冬至"},
        {DateTime(2049, 1, 5), "小寒"},   {DateTime(2049, 12, 21), "冬至"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SolarTermName(c.day), c.name) << c.day.Format("%Y-%m-%d");
    EXPECT_EQ(SolarTermName(DateTime(2011, 1, 5)), "");
    EXPECT_EQ(SolarTermName(DateTime(1951, 12, 22)), "");
}

TEST(SolarTerms, DaysWithoutATermAndInvalidDates) {
    for (int year : {1900, 1950, 2011, 2050, 2100})
        EXPECT_EQ(SolarTermName(DateTime(year, 1, 1)), "") << year;
    EXPECT_EQ(SolarTermName(DateTime()), "");
    EXPECT_EQ(SolarTermNameByIndex(0), "");
    EXPECT_EQ(SolarTermNameByIndex(25), "");
}

TEST(SolarTerms, OutsideTheTableTheMeanModelGivesPlausibleDays) {
    // 1949 and 2051 fall back to the mean-interval model; it must stay within a
    // day of the astronomical dates of the neighbouring table years.
    EXPECT_EQ(SolarTermName(DateTime(1949, 1, 5)), "小寒");
    EXPECT_EQ(SolarTermName(DateTime(1949, 12, 22)), "冬至");
    EXPECT_EQ(SolarTermName(DateTime(2051, 1, 5)), "小寒");
    EXPECT_EQ(SolarTermName(DateTime(2051, 6, 21)), "夏至");
    EXPECT_EQ(SolarTermName(DateTime(9999, 12, 31)), "");
}

} // namespace
