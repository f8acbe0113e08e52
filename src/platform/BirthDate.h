#pragma once
// A birth date as the database keeps it: year, month, day and time of day.
// For a Gregorian row it is a real date; for a lunar row the month and day
// are the lunar month and day, so a day the Gregorian calendar lacks (the
// 30th of the second month, the 29th in a common year) must be held too.
// A default BirthDate is "no date".

#include "platform/DateTime.h"

#include <compare>
#include <string>
#include <string_view>

// The year a birth date carries when its year is not known (a contact's
// birthday given as month and day only). It is a leap year, so 29 February
// fits, and no living person was born in it; nothing works out an age from it.
inline constexpr int kUnknownBirthYear = 1604;

class BirthDate {
public:
    BirthDate() = default; // no date
    // Every real date is a birth date; an invalid DateTime is no date.
    BirthDate(const DateTime& date); // NOLINT(google-explicit-constructor)
    // No date when a part is out of range: a day up to 30 is taken in any
    // month, a later one only where the Gregorian month has it.
    BirthDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    static BirthDate FromDateTime(const DateTime& date) { return BirthDate(date); }
    // What DateTime::Parse reads, and such a text with a day up to 30 in any month.
    static BirthDate Parse(std::string_view text);
    static int LastDay(int year, int month);

    bool IsValid() const { return m_Valid; }
    int Year() const { return m_Year; }
    int Month() const { return m_Month; }
    int Day() const { return m_Day; }
    int Hour() const { return m_Hour; }
    int Minute() const { return m_Minute; }
    int Second() const { return m_Second; }
    bool HasKnownYear() const { return m_Valid && m_Year != kUnknownBirthYear; }

    // The same day and time as a Gregorian date; invalid when there is none.
    DateTime Gregorian() const;
    BirthDate DateOnly() const;
    // strftime-style like DateTime::Format; where the Gregorian calendar has
    // no such day only %Y %y %m %d %H %M %S and %% are filled in. No date
    // formats as the empty text.
    std::string Format(std::string_view format) const;

    bool operator==(const BirthDate& other) const = default;
    // In time order, no date first.
    std::strong_ordering operator<=>(const BirthDate& other) const = default;

private:
    // Declared in comparison order.
    bool m_Valid = false;
    int m_Year = 0, m_Month = 0, m_Day = 0, m_Hour = 0, m_Minute = 0, m_Second = 0;
};
