#pragma once
// What the calendar view writes into its controls, worked out without a
// window: the years it offers, week numbers, a day's tip, the birthday list,
// and how far the grid moves when the view is resized.

#include "calendar/LunarCalendar.h"
#include "storage/ReminderRecord.h"

#include <string>
#include <vector>

// Every year of these has lunar dates, solar terms and festivals.
constexpr int kFirstCalendarYear = 1900;
constexpr int kLastCalendarYear = 2100;

// "01".."53"; "" for a row that holds no day of the month.
std::string WeekNumberText(int week);

// The tip of a day cell: its Gregorian date, its lunar date (left out where
// the lunar table has none; "闰" before a leap month) and, when it has any, all its festival names.
std::string DayTipText(const CalendarDate& gregorian, const CalendarDate& lunar,
                       const std::string& festivals);

// One line per person whose birthday in the shown year falls in the shown
// month, in the list's order, with the day the calendar marks:
// "张三的今年生日是:阳历2011-1-23" while the shown year is `thisYear`,
// "张三的2012年生日是:阳历2012-1-23" for another year.
std::vector<std::string> BirthdayListLines(const ReminderList& people, int year, int month,
                                           int thisYear);

// The view keeps its grid centred: on each resize it moves the grid by half
// the change in width, carrying an odd pixel into the next resize.
class HalfWidthShift {
public:
    explicit HalfWidthShift(int initialWidth) : m_Width(initialWidth) {}
    // How far to move for the new width.
    int Next(int width);

private:
    int m_Width;
    int m_Carry = 0;
};
