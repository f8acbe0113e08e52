#pragma once
// The 24 solar terms (二十四节气).

#include "platform/DateTime.h"

#include <string>

// Name of the solar term that falls on the calendar day of `date`
// ("小寒" .. "冬至"), or "" when none does. The time of day is ignored.
std::string SolarTermName(const DateTime& date);

// Name of term `index` (1 = 小寒 .. 24 = 冬至), "" for any other index.
std::string SolarTermNameByIndex(int index);
