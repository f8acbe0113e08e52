#pragma once
// Browsing the calendar month by month: December goes on to January of the
// next year and January back to December of the year before, within the
// years the calendar offers.

#include <optional>

struct YearMonth {
    int year = 0;
    int month = 0; // 1..12
    bool operator==(const YearMonth&) const = default;
};

// The month `delta` months from (year, month); nothing when it lies outside
// the years from `firstYear` to `lastYear`.
std::optional<YearMonth> StepMonth(YearMonth from, int delta, int firstYear, int lastYear);
