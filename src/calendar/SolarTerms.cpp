#include "calendar/SolarTerms.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

#include "SolarTermTable.inc"

struct Term {
    const char* name;
    int offsetMinutes; // from the start point of the year in the mean-interval model
};

const Term kTerms[24] = {
    {"小寒", 0},      {"大寒", 21208},  {"立春", 42467},  {"雨水", 63836},  {"惊蛰", 85337},
    {"春分", 107014}, {"清明", 128867}, {"谷雨", 150921}, {"立夏", 173149}, {"小满", 195551},
    {"芒种", 218072}, {"夏至", 240693}, {"小暑", 263343}, {"大暑", 285989}, {"立秋", 308563},
    {"处暑", 331033}, {"白露", 353350}, {"秋分", 375494}, {"寒露", 397447}, {"霜降", 419210},
    {"立冬", 440795}, {"小雪", 462224}, {"大雪", 483532}, {"冬至", 504758},
};

// Day of month of term `index` (1..24) in a year of the astronomical table.
int TableDay(int year, int index) {
    const char digit = kSolarTermDays[year - kSolarTermTableFirstYear][index - 1];
    const int value = digit <= '9' ? digit - '0' : digit - 'A' + 10;
    return value + (index % 2 == 1 ? 3 : 18);
}

// Outside the table: the mean-interval model, counting a fixed mean year
// from 6 January 1900 02:05.
std::string ModelTermName(const DateTime& date) {
    static const DateTime base(1900, 1, 6, 2, 5, 0);
    const double p = (date.Year() - 1900) * 525948.76;
    const int dayOfYear = date.DayOfYear();
    for (const Term& term : kTerms) {
        const double minutes = std::trunc(p + term.offsetMinutes);
        if (minutes < std::numeric_limits<std::int32_t>::min() ||
            minutes > std::numeric_limits<std::int32_t>::max())
            return {};
        const DateTime instant = base.AddSeconds(static_cast<std::int64_t>(minutes) * 60);
        if (instant.DayOfYear() == dayOfYear)
            return term.name;
    }
    return {};
}

} // namespace

std::string SolarTermName(const DateTime& date) {
    if (!date.IsValid())
        return {};
    const int year = date.Year();
    if (year < kSolarTermTableFirstYear || year > kSolarTermTableLastYear)
        return ModelTermName(date);
    // Month m holds terms 2m - 1 and 2m.
    const int month = date.Month();
    for (int index = 2 * month - 1; index <= 2 * month; ++index)
        if (TableDay(year, index) == date.Day())
            return kTerms[index - 1].name;
    return {};
}

std::string SolarTermNameByIndex(int index) {
    return index >= 1 && index <= 24 ? kTerms[index - 1].name : "";
}
