#pragma once
// A local date and time with one-second resolution, counted from
// 30 December 1899 like the database's date/time values. A DateTime can be
// invalid (for instance 29 February of a common year); an invalid value
// matches no day and formats as the empty text.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

class DateTime {
public:
    DateTime() = default; // invalid
    // Invalid when the parts do not name a real date and time.
    DateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    static DateTime Invalid() { return DateTime(); }
    // From the database's representation: whole days since 30 December 1899,
    // time of day as fraction (negative values count backwards, the fraction
    // still moving forward through the day).
    static DateTime FromDays(double days);
    // Parses "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (also
    // with '/' between the date parts and 'T' before the time); invalid otherwise.
    static DateTime Parse(std::string_view text);
    // The numbers of a text Parse reads, not yet checked against the calendar;
    // false when the text has not that form.
    struct Fields {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    };
    static bool ParseFields(std::string_view text, Fields& fields);
    static bool IsLeapYear(int year);
    static int DaysInMonth(int year, int month);

    bool IsValid() const { return m_Valid; }
    double Days() const;

    int Year() const;
    int Month() const;
    int Day() const;
    int Hour() const;
    int Minute() const;
    int Second() const;
    int DayOfWeek() const; // 0 = Sunday
    int DayOfYear() const; // 1-based

    DateTime DateOnly() const;
    DateTime AddDays(int days) const;
    DateTime AddSeconds(std::int64_t seconds) const;
    bool SameDay(const DateTime& other) const;

    // strftime-style: %Y %y %m %d %H %M %S %I %p %j %w %a %A %b %B %Z %z %%.
    // Day and month names are English, whatever the process locale.
    std::string Format(std::string_view format) const;

    // Fractional days from `other` to this; NaN when either is invalid.
    double operator-(const DateTime& other) const;
    bool operator==(const DateTime& other) const = default;
    std::strong_ordering operator<=>(const DateTime& other) const = default;

private:
    struct Parts {
        int year, month, day, hour, minute, second;
    };
    Parts Split() const;

    // Declared first so that invalid values order before every valid one.
    bool m_Valid = false;
    std::int64_t m_Seconds = 0; // since 1899-12-30 00:00:00
};

// Appends `value` in decimal, zero-padded to at least `width` characters, as
// printf's "%0*d" does; without printf, as lists format thousands of dates.
void AppendZeroPadded(std::string& out, int value, int width);
