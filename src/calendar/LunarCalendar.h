#pragma once
// Gregorian <-> Chinese lunar calendar on a constant year table
// (lunar years 1900..2100), plus the small date arithmetic and the names
// (sexagenary year, lunar day labels) that the rest of the program shows.

#include "platform/BirthDate.h"
#include "platform/Clock.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <string>

// One date record for Gregorian and lunar dates alike.
struct CalendarDate {
    std::int32_t year = 0;
    std::int32_t month = 0;   // 1..12; 0 when a conversion found no month
    std::int32_t day = 0;     // 1..31; 0 when a conversion found no month
    std::int32_t weekday = 0; // 0 = Sunday; for a lunar result the weekday of the Gregorian day
    std::int32_t valid = 0;   // set per cell by the month sheet; conversions return 0
    std::int32_t leap = 0;    // lunar dates: 1 in the leap month

    bool operator==(const CalendarDate&) const = default;
};

// Calendar kind argument of BirthdayThisYear: this value means lunar,
// any other value Gregorian.
constexpr int kLunarCalendarKind = -1;

// Stateless; every instance reads the same constant table, so create one
// where needed.
class CLunarCalendar {
public:
    static int FirstYear();
    static int LastYear();
    static bool HasYear(int year);

    // Leap-year decisions come from the table's leap bit for table years and
    // from the arithmetic rule elsewhere.
    int IsGregorianLeapYear(int year) const;
    int DaysInGregorianYear(int year) const;
    int DaysInGregorianMonth(int year, int month) const;
    int GregorianDayOfYear(int year, int month, int day) const;
    int Weekday(int year, int month, int day) const;

    // These read the table; a year outside it (or a month outside 1..12) gives 0.
    int LunarMonthDays(int year, int month) const;
    int LeapMonth(int year) const;
    int LeapMonthDays(int year) const;
    int NewYearOffset(int year) const;
    int LunarDayOfYear(const CalendarDate& lunar) const;

    // Outside the table both give month 0 and day 0.
    CalendarDate GregorianToLunar(const CalendarDate& gregorian) const;
    CalendarDate LunarToGregorian(const CalendarDate& lunar) const;

    // This year's birthday for a stored birth date-time; `kind` is
    // kLunarCalendarKind for a lunar birth date. Only month and day of the
    // birth date count; the result keeps its time of day and is invalid when
    // the year has no such birthday or lies outside the table.
    DateTime BirthdayThisYear(const BirthDate& birth, int kind, const Clock& clock) const;
    // The day (at midnight) of Gregorian year `year` on which a birthday of
    // that month and day falls; invalid when there is none. 29 February gives
    // 28 February in a common year; a lunar day 30 (accepted for any month)
    // gives the 29th of a 29-day month; a lunar date is always taken in the
    // ordinary month, never in the leap month.
    DateTime BirthdayOf(int month, int day, int kind, int year) const;
    DateTime BirthdayInYear(const BirthDate& birth, int kind, int year) const;

    // "农历辛卯年[兔年]", for any year.
    std::string GanZhiYearText(int year) const;
    // "正月" on the first day of a month ("闰五月" in a leap month), "初二".."三十"
    // on the others, "" otherwise.
    std::string LunarDayLabel(int month, int day, int leap = 0) const;
};
