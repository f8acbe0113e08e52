// Dates read from the database, from #...# literals and from workbooks: any
// text either names a real date and time or is invalid, and a valid one
// formats back to itself.

#include "FuzzCheck.h"
#include "platform/DateTime.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void CheckValid(const DateTime& value) {
    FUZZ_CHECK(value.Month() >= 1 && value.Month() <= 12);
    FUZZ_CHECK(value.Day() >= 1 &&
               value.Day() <= DateTime::DaysInMonth(value.Year(), value.Month()));
    FUZZ_CHECK(value.Hour() >= 0 && value.Hour() <= 23);
    FUZZ_CHECK(value.Minute() >= 0 && value.Minute() <= 59);
    FUZZ_CHECK(value.Second() >= 0 && value.Second() <= 59);
    FUZZ_CHECK(value.DayOfWeek() >= 0 && value.DayOfWeek() <= 6);
    FUZZ_CHECK(value.DayOfYear() >= 1 && value.DayOfYear() <= 366);
    FUZZ_CHECK(value.DateOnly().SameDay(value));
    FUZZ_CHECK(value.AddDays(1) - value == 1.0);
    // The stored form is the one the database keeps and sorts by.
    const std::string stored = value.Format("%Y-%m-%d %H:%M:%S");
    FUZZ_CHECK(!value.Format("%a %A %b %B %j %w %I %p %Z %z %%").empty());
    if (value.Year() >= 1 && value.Year() <= 9999) {
        FUZZ_CHECK(DateTime::Parse(stored) == value);
        // Every spelling the program accepts reads the same moment.
        FUZZ_CHECK(DateTime::Parse(value.Format(" %Y/%m/%dT%H:%M:%S ")) == value);
        FUZZ_CHECK(DateTime::Parse(value.Format("%Y-%m-%d %H:%M")) ==
                   value.AddSeconds(-value.Second()));
        FUZZ_CHECK(DateTime::Parse(value.Format("%Y-%m-%d")) == value.DateOnly());
        FUZZ_CHECK(DateTime(value.Year(), value.Month(), value.Day(), value.Hour(), value.Minute(),
                            value.Second()) == value);
    }
    // Day counts carry whole seconds exactly.
    const DateTime again = DateTime::FromDays(value.Days());
    FUZZ_CHECK(again.IsValid() && again == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const DateTime parsed = DateTime::Parse(text);
    if (parsed.IsValid()) {
        CheckValid(parsed);
        FUZZ_CHECK(parsed.Year() >= 1 && parsed.Year() <= 9999);
    } else {
        FUZZ_CHECK(parsed.Format("%Y").empty() && parsed.Year() == 0);
        FUZZ_CHECK(!parsed.SameDay(parsed));
    }

    // The same bytes as a day count, as a REAL column would hold it.
    if (size >= sizeof(double)) {
        double days;
        std::memcpy(&days, data, sizeof days);
        const DateTime counted = DateTime::FromDays(days);
        FUZZ_CHECK(counted.IsValid() == (std::isfinite(days) && std::fabs(days) <= 3.0e6));
        if (counted.IsValid())
            CheckValid(counted);
    }
    return 0;
}
