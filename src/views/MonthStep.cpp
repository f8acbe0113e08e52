#include "views/MonthStep.h"

std::optional<YearMonth> StepMonth(YearMonth from, int delta, int firstYear, int lastYear) {
    // Months counted from January of year 0, so that the division floors.
    const long long index = static_cast<long long>(from.year) * 12 + (from.month - 1) + delta;
    const long long year = index >= 0 ? index / 12 : (index - 11) / 12;
    if (year < firstYear || year > lastYear)
        return std::nullopt;
    return YearMonth{static_cast<int>(year), static_cast<int>(index - year * 12) + 1};
}
