#include "calendar/LunarBirthDate.h"

#include "calendar/LunarCalendar.h"

namespace {

const char* const kEntryMonthNames[] = {"正月", "二月", "三月", "四月", "五月", "六月",
                                        "七月", "八月", "九月", "十月", "冬月", "腊月"};
const char* const kEntryDayNames[] = {
    "初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
    "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "二十",
    "廿一", "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十"};

} // namespace

const char* LunarMonthName(int month) {
    return month >= 1 && month <= 12 ? kEntryMonthNames[month - 1] : "";
}

const char* LunarDayName(int day) {
    return day >= 1 && day <= 30 ? kEntryDayNames[day - 1] : "";
}

DateTime GregorianOfLunar(const BirthDate& lunar) {
    const CLunarCalendar calendar;
    // The table's day count would run a missing 30th over into the next month.
    if (!lunar.IsValid() || lunar.Day() > calendar.LunarMonthDays(lunar.Year(), lunar.Month()))
        return DateTime::Invalid();
    const CalendarDate day =
        calendar.LunarToGregorian({lunar.Year(), lunar.Month(), lunar.Day(), 0, 0, 0});
    if (day.month == 0)
        return DateTime::Invalid();
    return DateTime(day.year, day.month, day.day, lunar.Hour(), lunar.Minute(), lunar.Second());
}

BirthDate LunarOfGregorian(const BirthDate& gregorian) {
    const DateTime day = gregorian.Gregorian();
    if (!day.IsValid())
        return {};
    const CalendarDate lunar =
        CLunarCalendar().GregorianToLunar({day.Year(), day.Month(), day.Day(), 0, 0, 0});
    if (lunar.month == 0)
        return {};
    return BirthDate(lunar.year, lunar.month, lunar.day, day.Hour(), day.Minute(), day.Second());
}

BirthDate SwitchCalendar(const BirthDate& date, bool toLunar) {
    const BirthDate converted = toLunar ? LunarOfGregorian(date) : GregorianOfLunar(date);
    return converted.IsValid() ? converted : date;
}

std::string GregorianEquivalentText(const BirthDate& lunar) {
    if (!lunar.IsValid())
        return {};
    const DateTime day = GregorianOfLunar(lunar);
    return day.IsValid() ? "阳历" + day.Format("%Y-%m-%d") : "无对应阳历日期";
}
