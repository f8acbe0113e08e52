#include "platform/BirthDate.h"

#include <algorithm>
#include <cstdio>

BirthDate::BirthDate(const DateTime& date) {
    if (date.IsValid())
        *this = BirthDate(date.Year(), date.Month(), date.Day(), date.Hour(), date.Minute(),
                          date.Second());
}

BirthDate::BirthDate(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > LastDay(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return;
    m_Valid = true;
    m_Year = year;
    m_Month = month;
    m_Day = day;
    m_Hour = hour;
    m_Minute = minute;
    m_Second = second;
}

int BirthDate::LastDay(int year, int month) {
    const int days = DateTime::DaysInMonth(year, month);
    return days == 0 ? 0 : std::max(days, 30);
}

BirthDate BirthDate::Parse(std::string_view text) {
    DateTime::Fields f;
    if (!DateTime::ParseFields(text, f))
        return {};
    return BirthDate(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

DateTime BirthDate::Gregorian() const {
    if (!m_Valid)
        return DateTime::Invalid();
    return DateTime(m_Year, m_Month, m_Day, m_Hour, m_Minute, m_Second);
}

BirthDate BirthDate::DateOnly() const {
    return m_Valid ? BirthDate(m_Year, m_Month, m_Day) : BirthDate();
}

std::string BirthDate::Format(std::string_view format) const {
    if (!m_Valid)
        return {};
    if (const DateTime gregorian = Gregorian(); gregorian.IsValid())
        return gregorian.Format(format);
    std::string out;
    auto put = [&out](int value, int width) { AppendZeroPadded(out, value, width); };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        switch (format[++i]) {
        case 'Y': put(m_Year, 4); break;
        case 'y': put(m_Year % 100, 2); break;
        case 'm': put(m_Month, 2); break;
        case 'd': put(m_Day, 2); break;
        case 'H': put(m_Hour, 2); break;
        case 'M': put(m_Minute, 2); break;
        case 'S': put(m_Second, 2); break;
        case '%': out += '%'; break;
        default: break; // no weekday or day of year for a day that does not exist
        }
    }
    return out;
}
