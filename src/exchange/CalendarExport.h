#pragma once
// Birthdays, festivals and solar terms as all-day iCalendar (RFC 5545)
// events, and the .ics file that carries them. The events are worked out
// apart from the file so that anything else sending them to a calendar
// produces the same days and the same UIDs.

#include "calendar/CMonthSheet.h"
#include "platform/DateTime.h"
#include "storage/ReminderRecord.h"

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

struct CalendarEvent {
    // Stable across exports: the same person (row ID) and year give the same
    // UID, so a calendar importing the file again updates instead of adding.
    std::string uid;
    DateTime day; // the all-day event's Gregorian day
    std::string summary;
    std::string description; // "" for none
    std::string category;    // "生日", "节日", "节气"
    // A display alarm at 09:00 local time that many days before; 0 = on the day.
    std::vector<int> alarmDaysBefore;
};

inline constexpr int kDefaultCalendarYears = 10;
inline constexpr int kMostCalendarYears = 100;

// The years exported: `first` and the `count` years from it, never past the
// last year the lunar calendar knows (2100); count 0 when there is none.
struct CalendarYears {
    int first = 0;
    int count = 0;
};
// `years` is brought into 1..kMostCalendarYears.
CalendarYears ExportYearsFrom(int firstYear, int years);

// One event per year in which the person has a birthday, on the day the
// reminders and the calendar use (CLunarCalendar::BirthdayInYear); none for
// the years before the first birthday.
std::vector<CalendarEvent> BirthdayEvents(const ReminderRecord& person, CalendarYears years);
// A row of the Festival table with its key (编号), which its UIDs carry.
struct CatalogueFestival {
    int id = 0;
    FestivalEntry entry;
};
// The catalogue's festivals on the days the calendar view shows them.
std::vector<CalendarEvent> FestivalEvents(const std::vector<CatalogueFestival>& catalogue,
                                          CalendarYears years);
std::vector<CalendarEvent> SolarTermEvents(CalendarYears years);

// The whole VCALENDAR text; `stamp` becomes every event's DTSTAMP.
std::string CalendarText(const std::vector<CalendarEvent>& events, std::time_t stamp);

// The people taking part in reminding (m_IsVailid 1, not 失效), in ID order, read from
// the database file `connectionString` without writing to it. Throws DbError.
ReminderList ReadCalendarPeople(const std::string& connectionString);
// Every row of the Festival table, the same way. Throws DbError.
std::vector<CatalogueFestival> ReadFestivalCatalogue(const std::string& connectionString);

// The events an export or a publish sends: the birthdays of the people with
// reminding on, and the festivals and solar terms when asked; `people` gets
// how many people took part. Throws DbError.
std::vector<CalendarEvent> CalendarEventsOf(const std::string& connectionString,
                                            CalendarYears years, bool festivals, bool solarTerms,
                                            std::size_t& people);

// The clock's local time as a time_t, for DTSTAMP.
std::time_t LocalTimeT(const DateTime& now);

struct CalendarExportRequest {
    std::filesystem::path file;
    int years = kDefaultCalendarYears;
    bool festivals = false;
    bool solarTerms = false;
};

struct CalendarExportResult {
    bool ok = false;
    std::string message; // what was done, or why it failed (Chinese)
    std::size_t people = 0;
    std::size_t events = 0;
};

// Reads the database and replaces `request.file` as a whole; a failure leaves
// the old file as it was. `now` gives the first year and the stamp.
CalendarExportResult ExportCalendarFile(const std::string& connectionString,
                                        const CalendarExportRequest& request, const DateTime& now);
