#include "platform/DateTime.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to the given proleptic Gregorian date.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    int year;
    int month;
    int day;
};

constexpr Civil CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr std::int64_t kEpochDay = DaysFromCivil(1899, 12, 30);

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

} // namespace

bool DateTime::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DateTime::DaysInMonth(int year, int month) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : lengths[month - 1];
}

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return;
    m_Seconds = (DaysFromCivil(year, month, day) - kEpochDay) * kSecondsPerDay + hour * 3600 +
                minute * 60 + second;
    m_Valid = true;
}

DateTime DateTime::FromDays(double days) {
    DateTime result;
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return result;
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    result.m_Seconds =
        static_cast<std::int64_t>(whole) * kSecondsPerDay + std::llround(fraction * kSecondsPerDay);
    result.m_Valid = true;
    return result;
}

double DateTime::Days() const {
    if (!m_Valid)
        return std::numeric_limits<double>::quiet_NaN();
    const std::int64_t day = FloorDiv(m_Seconds, kSecondsPerDay);
    const double fraction = static_cast<double>(m_Seconds - day * kSecondsPerDay) / kSecondsPerDay;
    return day < 0 ? static_cast<double>(day) - fraction : static_cast<double>(day) + fraction;
}

bool DateTime::ParseFields(std::string_view text, Fields& fields) {
    auto& [year, month, day, hour, minute, second] = fields;
    fields = Fields();
    std::size_t pos = 0;
    auto number = [&](int& out, std::size_t minDigits, std::size_t maxDigits) {
        std::size_t start = pos;
        out = 0;
        while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
            out = out * 10 + (text[pos++] - '0');
        return pos - start >= minDigits;
    };
    auto separator = [&](std::string_view allowed) {
        if (pos < text.size() && allowed.find(text[pos]) != std::string_view::npos) {
            ++pos;
            return true;
        }
        return false;
    };
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (!number(year, 4, 4) || !separator("-/") || !number(month, 1, 2) || !separator("-/") ||
        !number(day, 1, 2))
        return false;
    if (separator(" T")) {
        if (!number(hour, 1, 2) || !separator(":") || !number(minute, 1, 2))
            return false;
        if (separator(":") && !number(second, 1, 2))
            return false;
    }
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    return pos == text.size();
}

DateTime DateTime::Parse(std::string_view text) {
    Fields f;
    if (!ParseFields(text, f))
        return Invalid();
    return DateTime(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

DateTime::Parts DateTime::Split() const {
    const std::int64_t day = FloorDiv(m_Seconds, kSecondsPerDay);
    const int secondOfDay = static_cast<int>(m_Seconds - day * kSecondsPerDay);
    const Civil civil = CivilFromDays(day + kEpochDay);
    return {civil.year,         civil.month,           civil.day,
            secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60};
}

int DateTime::Year() const {
    return m_Valid ? Split().year : 0;
}
int DateTime::Month() const {
    return m_Valid ? Split().month : 0;
}
int DateTime::Day() const {
    return m_Valid ? Split().day : 0;
}
int DateTime::Hour() const {
    return m_Valid ? Split().hour : 0;
}
int DateTime::Minute() const {
    return m_Valid ? Split().minute : 0;
}
int DateTime::Second() const {
    return m_Valid ? Split().second : 0;
}

int DateTime::DayOfWeek() const {
    if (!m_Valid)
        return 0;
    // 30 December 1899 was a Saturday.
    const std::int64_t day = FloorDiv(m_Seconds, kSecondsPerDay);
    return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

int DateTime::DayOfYear() const {
    if (!m_Valid)
        return 0;
    const Parts p = Split();
    return static_cast<int>(DaysFromCivil(p.year, p.month, p.day) - DaysFromCivil(p.year, 1, 1)) +
           1;
}

DateTime DateTime::DateOnly() const {
    if (!m_Valid)
        return *this;
    DateTime result = *this;
    result.m_Seconds = FloorDiv(m_Seconds, kSecondsPerDay) * kSecondsPerDay;
    return result;
}

DateTime DateTime::AddDays(int days) const {
    return AddSeconds(std::int64_t{days} * kSecondsPerDay);
}

DateTime DateTime::AddSeconds(std::int64_t seconds) const {
    DateTime result = *this;
    if (m_Valid)
        result.m_Seconds += seconds;
    return result;
}

bool DateTime::SameDay(const DateTime& other) const {
    return m_Valid && other.m_Valid &&
           FloorDiv(m_Seconds, kSecondsPerDay) == FloorDiv(other.m_Seconds, kSecondsPerDay);
}

double DateTime::operator-(const DateTime& other) const {
    if (!m_Valid || !other.m_Valid)
        return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(m_Seconds - other.m_Seconds) / kSecondsPerDay;
}

void AppendZeroPadded(std::string& out, int value, int width) {
    if (value < 0) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
        out += buffer;
        return;
    }
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    if (width > count)
        out.append(static_cast<std::size_t>(width - count), '0');
    while (count > 0)
        out += digits[--count];
}

std::string DateTime::Format(std::string_view format) const {
    if (!m_Valid)
        return {};
    const Parts p = Split();
    std::string out;
    out.reserve(format.size() + 8);
    auto put = [&](int width, int value) { AppendZeroPadded(out, value, width); };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        const char specifier = format[++i];
        switch (specifier) {
        case 'Y': put(4, p.year); break;
        case 'y': put(2, p.year % 100); break;
        case 'm': put(2, p.month); break;
        case 'd': put(2, p.day); break;
        case 'H': put(2, p.hour); break;
        case 'M': put(2, p.minute); break;
        case 'S': put(2, p.second); break;
        case 'I': put(2, p.hour % 12 == 0 ? 12 : p.hour % 12); break;
        case 'p': out += p.hour < 12 ? "AM" : "PM"; break;
        case 'j': put(3, DayOfYear()); break;
        case 'w': put(1, DayOfWeek()); break;
        case 'a': out.append(kDayNames[DayOfWeek()], 3); break;
        case 'A': out += kDayNames[DayOfWeek()]; break;
        case 'b': out.append(kMonthNames[p.month - 1], 3); break;
        case 'B': out += kMonthNames[p.month - 1]; break;
        case 'Z':
        case 'z': {
            // The value is local time; ask the time zone database what the
            // zone is called (or how far from UTC it is) at that moment.
            std::tm tm{};
            tm.tm_year = p.year - 1900;
            tm.tm_mon = p.month - 1;
            tm.tm_mday = p.day;
            tm.tm_hour = p.hour;
            tm.tm_min = p.minute;
            tm.tm_sec = p.second;
            tm.tm_isdst = -1;
            const std::time_t t = std::mktime(&tm);
            std::tm local{};
            localtime_r(&t, &local);
            if (specifier == 'Z') {
                out += local.tm_zone ? local.tm_zone : "";
            } else {
                const long offset = local.tm_gmtoff / 60;
                out += offset < 0 ? '-' : '+';
                AppendZeroPadded(out, static_cast<int>(std::labs(offset) / 60), 2);
                AppendZeroPadded(out, static_cast<int>(std::labs(offset) % 60), 2);
            }
            break;
        }
        case '%': out += '%'; break;
        default: out += '%'; out += specifier;
        }
    }
    return out;
}
