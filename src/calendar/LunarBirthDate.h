#pragma once
// Entering a birth date in the lunar calendar: the names of the months and
// days offered, and what switching a birth date between the two calendars
// makes of it. A lunar birth date is held as numbers (lunar year, month and
// day of an ordinary month), the way the database keeps it.

#include "platform/BirthDate.h"
#include "platform/DateTime.h"

#include <string>

// 正月 … 十月, 冬月, 腊月; "" outside 1..12.
const char* LunarMonthName(int month);
// 初一 … 三十; "" outside 1..30.
const char* LunarDayName(int day);

// The Gregorian day of a lunar date of its lunar year (which may be in the
// next Gregorian year), with its time of day; invalid when that month has no
// such day (a 30th in a 29-day month) or the year is outside the calendar's table.
DateTime GregorianOfLunar(const BirthDate& lunar);
// The lunar date of a Gregorian day, with its time of day; a day of a leap
// month gives that month's number. No date when the day is not a real one
// or lies outside the table.
BirthDate LunarOfGregorian(const BirthDate& gregorian);

// The date shown after switching the calendar to lunar (toLunar) or to
// Gregorian: the same day in the other calendar, or, when that calendar has
// none, the numbers kept as they were.
BirthDate SwitchCalendar(const BirthDate& date, bool toLunar);

// Beside a lunar date: "阳历1980-03-16", or "无对应阳历日期" when there is no
// such day; "" for no date.
std::string GregorianEquivalentText(const BirthDate& lunar);
