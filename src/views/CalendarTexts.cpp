#include "views/CalendarTexts.h"

#include "calendar/CMonthSheet.h"

#include <cstdio>

std::string WeekNumberText(int week) {
    if (week == 0)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", week);
    return text;
}

std::string DayTipText(const CalendarDate& gregorian, const CalendarDate& lunar,
                       const std::string& festivals) {
    char line[96];
    std::snprintf(line, sizeof line, "公元%d年%d月%d日", gregorian.year, gregorian.month,
                  gregorian.day);
    std::string text = line;
    if (lunar.month != 0) {
        // A day of a leap month says so; its numbers alone would name the ordinary month's day.
        std::snprintf(line, sizeof line, "\n农历%d年%s%d月%d日", lunar.year,
                      lunar.leap == 1 ? "闰" : "", lunar.month, lunar.day);
        text += line;
    }
    if (!festivals.empty())
        text += "\n节日:" + festivals;
    return text;
}

std::vector<std::string> BirthdayListLines(const ReminderList& people, int year, int month,
                                           int thisYear) {
    const std::string which = year == thisYear ? "今年" : std::to_string(year) + "年";
    std::vector<std::string> lines;
    for (const MonthBirthday& found : BirthdaysInMonth(people, year, month)) {
        const DateTime& birthday = found.birthday;
        char date[48];
        std::snprintf(date, sizeof date, "%d-%d-%d", birthday.Year(), birthday.Month(),
                      birthday.Day());
        lines.push_back(found.person->name + "的" + which + "生日是:阳历" + date);
    }
    return lines;
}

int HalfWidthShift::Next(int width) {
    const int change = width - m_Width + m_Carry;
    m_Width = width;
    const int shift = change / 2;
    m_Carry = change - 2 * shift;
    return shift;
}
