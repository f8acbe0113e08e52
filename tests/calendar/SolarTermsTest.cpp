#include "calendar/SolarTerms.h"

#include "Printers.h"
#include "TsvFile.h"

#include <gtest/gtest.h>

namespace {

TEST(SolarTerms, AgreesWithEveryRowOfTheTermFile) {
    const auto rows = ReadTsv("solar-terms-1900-2100.tsv");
    ASSERT_EQ(rows.size(), 201u * 24);
    for (const auto& row : rows) {
        const DateTime day = DateTime::Parse(row[3]).DateOnly();
        ASSERT_TRUE(day.IsValid()) << row[3];
        EXPECT_EQ(SolarTermName(day), row[2]) << row[3];
        EXPECT_EQ(SolarTermName(day.AddSeconds(86399)), row[2]) << "time of day is ignored";
        EXPECT_EQ(SolarTermNameByIndex(std::stoi(row[1])), row[2]);
    }
}

TEST(SolarTerms, DaysWithoutATermAndYearsBeyondTheTable) {
    // Beyond 1900..2100 the mean model still names the terms within a day of the truth.
    for (const std::string c :
         {"2011-01-05", "1951-12-22", "2100-01-01", "1900-01-05", "1899-01-05小寒",
          "1899-12-22冬至", "2101-01-05小寒", "2101-06-21夏至", "9999-12-31"})
        EXPECT_EQ(SolarTermName(DateTime::Parse(c.substr(0, 10))), c.substr(10)) << c;
    EXPECT_EQ(SolarTermName(DateTime()) + SolarTermNameByIndex(0) + SolarTermNameByIndex(25), "");
}

} // namespace
