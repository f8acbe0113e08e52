#include "views/CalendarTexts.h"

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
        std::snprintf(line, sizeof line, "\n农历%d年%d月%d日", lunar.year, lunar.month, lunar.day);
        text += line;
    }
    if (!festivals.empty())
        text += "\n节日:" + festivals;
    return text;
}

std::vector<std::string> BirthdayListLines(const ReminderList& people, int month) {
    std::vector<std::string> lines;
    for (const ReminderRecord& person : people) {
        const DateTime& birthday = person.birthdayThisYear;
        if (!birthday.IsValid() || birthday.Month() != month)
            continue;
        char date[48];
        std::snprintf(date, sizeof date, "%d-%d-%d", birthday.Year(), birthday.Month(),
                      birthday.Day());
        lines.push_back(person.name + "的今年生日是:阳历" + date);
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
