#include "calendar/LunarCalendar.h"

#include <algorithm>
#include <array>

namespace {

#include "LunarYearTable.inc"

constexpr int kTableYears = kLunarTableLastYear - kLunarTableFirstYear + 1;
static_assert(sizeof kLunarYearTable / sizeof kLunarYearTable[0] == kTableYears);

// The day count starts at 1 January 1950, a Sunday.
constexpr int kWeekdayAnchorYear = 1950;

constexpr bool ArithmeticLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

constexpr bool TableLeap(int year) {
    return (kLunarYearTable[year - kLunarTableFirstYear][0] & 0x80) != 0;
}

// Days from 1 January of the table's first year to 1 January of each table
// year and of the year after the last, from the leap bits.
constexpr std::array<int, kTableYears + 1> MakeYearStarts() {
    std::array<int, kTableYears + 1> starts{};
    for (int k = 0; k < kTableYears; ++k)
        starts[k + 1] = starts[k] + (TableLeap(kLunarTableFirstYear + k) ? 366 : 365);
    return starts;
}
constexpr std::array<int, kTableYears + 1> kYearStarts = MakeYearStarts();

// Days from 1 January 1950 to 1 January of `year` (negative before 1950).
long long DaysBeforeYear(int year) {
    auto arithmeticDaysFromFirst = [](int y) {
        // Days from 1 January of the first table year to 1 January of y by the plain rule.
        auto leapsBefore = [](long long v) { return v / 4 - v / 100 + v / 400; };
        const long long from = kLunarTableFirstYear - 1;
        const long long to = static_cast<long long>(y) - 1;
        return 365LL * (y - kLunarTableFirstYear) + leapsBefore(to) - leapsBefore(from);
    };
    auto fromFirst = [&](int y) -> long long {
        if (y >= kLunarTableFirstYear && y <= kLunarTableLastYear + 1)
            return kYearStarts[y - kLunarTableFirstYear];
        if (y > kLunarTableLastYear + 1)
            return kYearStarts[kTableYears] + arithmeticDaysFromFirst(y) -
                   arithmeticDaysFromFirst(kLunarTableLastYear + 1);
        return arithmeticDaysFromFirst(y);
    };
    return fromFirst(year) - fromFirst(kWeekdayAnchorYear);
}

const unsigned char* Entry(int year) {
    if (year < kLunarTableFirstYear || year > kLunarTableLastYear)
        return nullptr;
    return kLunarYearTable[year - kLunarTableFirstYear];
}

const char* const kStems[] = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
const char* const kBranches[] = {"子", "丑", "寅", "卯", "辰", "巳",
                                 "午", "未", "申", "酉", "戌", "亥"};
const char* const kAnimals[] = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                "马", "羊", "猴", "鸡", "狗", "猪"};
const char* const kMonthNames[] = {"正月", "二月", "三月", "四月", "五月",   "六月",
                                   "七月", "八月", "九月", "十月", "十一月", "十二月"};
const char* const kDayNames[] = {"",     "初二", "初三", "初四", "初五", "初六", "初七", "初八",
                                 "初九", "初十", "十一", "十二", "十三", "十四", "十五", "十六",
                                 "十七", "十八", "十九", "二十", "廿一", "廿二", "廿三", "廿四",
                                 "廿五", "廿六", "廿七", "廿八", "廿九", "三十"};

} // namespace

int CLunarCalendar::FirstYear() {
    return kLunarTableFirstYear;
}
int CLunarCalendar::LastYear() {
    return kLunarTableLastYear;
}
bool CLunarCalendar::HasYear(int year) {
    return Entry(year) != nullptr;
}

int CLunarCalendar::IsGregorianLeapYear(int year) const {
    if (const unsigned char* entry = Entry(year))
        return (entry[0] & 0x80) ? 1 : 0;
    return ArithmeticLeap(year) ? 1 : 0;
}

int CLunarCalendar::DaysInGregorianYear(int year) const {
    return IsGregorianLeapYear(year) ? 366 : 365;
}

int CLunarCalendar::DaysInGregorianMonth(int year, int month) const {
    if (month == 2)
        return IsGregorianLeapYear(year) ? 29 : 28;
    if (month < 8)
        return month % 2 == 1 ? 31 : 30;
    return month % 2 == 0 ? 31 : 30;
}

int CLunarCalendar::GregorianDayOfYear(int year, int month, int day) const {
    int n = day;
    for (int k = 1; k < month && k <= 12; ++k)
        n += DaysInGregorianMonth(year, k);
    return n;
}

int CLunarCalendar::Weekday(int year, int month, int day) const {
    const long long days = DaysBeforeYear(year) + GregorianDayOfYear(year, month, day) - 1;
    return static_cast<int>(((days % 7) + 7) % 7);
}

int CLunarCalendar::LunarMonthDays(int year, int month) const {
    const unsigned char* entry = Entry(year);
    if (!entry || month < 1 || month > 12)
        return 0;
    const bool thirty =
        month <= 8 ? (entry[1] >> (8 - month)) & 1 : (entry[2] >> (12 - month + 4)) & 1;
    return thirty ? 30 : 29;
}

int CLunarCalendar::LeapMonth(int year) const {
    const unsigned char* entry = Entry(year);
    return entry ? entry[2] & 0x0F : 0;
}

int CLunarCalendar::LeapMonthDays(int year) const {
    const unsigned char* entry = Entry(year);
    if (!entry || (entry[2] & 0x0F) == 0)
        return 0;
    return (entry[0] & 0x40) ? 30 : 29;
}

int CLunarCalendar::NewYearOffset(int year) const {
    const unsigned char* entry = Entry(year);
    return entry ? entry[0] & 0x3F : 0;
}

int CLunarCalendar::LunarDayOfYear(const CalendarDate& lunar) const {
    const int leapMonth = LeapMonth(lunar.year);
    int s = 0;
    for (int k = 1; k < lunar.month && k <= 12; ++k)
        s += LunarMonthDays(lunar.year, k);
    if (leapMonth != 0 && leapMonth < lunar.month)
        s += LeapMonthDays(lunar.year);
    if (leapMonth == lunar.month && lunar.leap == 1)
        s += LunarMonthDays(lunar.year, lunar.month);
    return s + lunar.day;
}

CalendarDate CLunarCalendar::GregorianToLunar(const CalendarDate& gregorian) const {
    CalendarDate lunar;
    const int y = gregorian.year;
    lunar.year = y;
    lunar.weekday = Weekday(y, gregorian.month, gregorian.day);
    if (!HasYear(y))
        return lunar;
    int n = GregorianDayOfYear(y, gregorian.month, gregorian.day);
    int year = y;
    if (n <= NewYearOffset(y)) {
        year = y - 1;
        lunar.year = year;
        if (!HasYear(year))
            return lunar;
        n += DaysInGregorianYear(year);
    }
    n -= NewYearOffset(year);

    const int leapMonth = LeapMonth(year);
    int s = 0;
    for (int k = 1; k <= 12; ++k) {
        const int length = LunarMonthDays(year, k);
        s += length;
        if (s >= n) {
            lunar.month = k;
            lunar.day = n - (s - length);
            return lunar;
        }
        if (leapMonth == k) {
            const int leapLength = LeapMonthDays(year);
            s += leapLength;
            if (s >= n) {
                lunar.month = k;
                lunar.day = n - (s - leapLength);
                lunar.leap = 1;
                return lunar;
            }
        }
    }
    return lunar;
}

CalendarDate CLunarCalendar::LunarToGregorian(const CalendarDate& lunar) const {
    CalendarDate gregorian;
    gregorian.year = lunar.year;
    if (!HasYear(lunar.year))
        return gregorian;
    int n = LunarDayOfYear(lunar) + NewYearOffset(lunar.year);
    int y = lunar.year;
    if (n > DaysInGregorianYear(y)) {
        n -= DaysInGregorianYear(y);
        ++y;
    }
    gregorian.year = y;
    int s = 0;
    for (int k = 1; k <= 12; ++k) {
        const int length = DaysInGregorianMonth(y, k);
        if (s + length >= n && n > s) {
            gregorian.month = k;
            gregorian.day = n - s;
            gregorian.weekday = Weekday(y, k, gregorian.day);
            return gregorian;
        }
        s += length;
    }
    return gregorian;
}

// The birthday of Gregorian year `year` is a day of that year or none. A lunar
// date of lunar year Y may fall into January of Y + 1; the one of lunar year
// Y - 1 then stands in when it falls into Y. When neither does (a late 11th or
// 12th month date in some years), that year has no birthday.
// The customs people keep: born on 29 February, the birthday of a common year
// is 28 February; a lunar 30th is kept on the last day of a month that has
// only 29 days, never on the first of the next; and a lunar birth date names
// the ordinary month, never the leap month of that number.
DateTime CLunarCalendar::BirthdayOf(int month, int day, int kind, int year) const {
    if (kind == kLunarCalendarKind) {
        if (day < 1 || day > 30)
            return DateTime::Invalid();
        for (const int lunarYear : {year, year - 1}) {
            const int length = LunarMonthDays(lunarYear, month);
            if (length == 0)
                continue; // outside the table, or no such month
            const CalendarDate result =
                LunarToGregorian({lunarYear, month, std::min(day, length), 0, 0, 0});
            if (result.month != 0 && result.year == year)
                return DateTime(year, result.month, result.day);
        }
        return DateTime::Invalid();
    }
    if (month == 2 && day == 29 && !IsGregorianLeapYear(year))
        day = 28;
    return DateTime(year, month, day);
}

DateTime CLunarCalendar::BirthdayInYear(const BirthDate& birth, int kind, int year) const {
    if (!birth.IsValid())
        return DateTime::Invalid();
    const DateTime day = BirthdayOf(birth.Month(), birth.Day(), kind, year);
    if (!day.IsValid())
        return day;
    return DateTime(year, day.Month(), day.Day(), birth.Hour(), birth.Minute(), birth.Second());
}

DateTime CLunarCalendar::BirthdayThisYear(const BirthDate& birth, int kind,
                                          const Clock& clock) const {
    return BirthdayInYear(birth, kind, clock.Now().Year());
}

std::string CLunarCalendar::GanZhiYearText(int year) const {
    // Counted from 1924 (甲子) both ways, so the years before it that the
    // calendar shows get their names too.
    const int i = ((year - 1924) % 60 + 60) % 60;
    std::string text = "农历";
    text += kStems[i % 10];
    text += kBranches[i % 12];
    text += "年[";
    text += kAnimals[i % 12];
    text += "年]";
    return text;
}

std::string CLunarCalendar::LunarDayLabel(int month, int day, int leap) const {
    if (day == 1) {
        if (month < 1 || month > 12)
            return "";
        return (leap == 1 ? std::string("闰") : std::string()) + kMonthNames[month - 1];
    }
    if (day >= 2 && day <= 30)
        return kDayNames[day - 1];
    return "";
}
