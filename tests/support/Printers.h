#pragma once
// Readable failure messages for the program's value types.

#include "calendar/LunarCalendar.h"
#include "platform/BirthDate.h"
#include "platform/DateTime.h"

#include <ostream>

inline void PrintTo(const DateTime& value, std::ostream* out) {
    *out << (value.IsValid() ? value.Format("%Y-%m-%d %H:%M:%S") : std::string("(invalid)"));
}

inline void PrintTo(const BirthDate& value, std::ostream* out) {
    *out << (value.IsValid() ? value.Format("%Y-%m-%d %H:%M:%S") : std::string("(no date)"));
}

inline void PrintTo(const CalendarDate& value, std::ostream* out) {
    *out << value.year << "-" << value.month << "-" << value.day << " weekday " << value.weekday
         << " valid " << value.valid << " leap " << value.leap;
}
