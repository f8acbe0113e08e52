#pragma once
// Fills the reminder list from the TiXing table: start-up does it once, the
// reminder list view after every change it makes.

#include "storage/ReminderRecord.h"

#include <optional>
#include <string>

class CAdoDatabase;
class Clock;
class Prompter;

// The columns ReminderRecordOfRow reads, in its order: a query's select list
// begins with them. m_IsVailid is the last (index 10).
extern const char* const kReminderColumns;

// The reminder fields of the row `db` stands on, read from a query that
// selects kReminderColumns first, its ahead code brought into range; the
// birthdays are left to the caller.
ReminderRecord ReminderRecordOfRow(const CAdoDatabase& db);

// Replaces `list` with the rows that take part in reminding (m_IsVailid 1),
// in ID order, each with its birthdays in the clock's current year and the
// next (moved on to next year's where that one is already due), and notes
// the year in the list. A database
// failure is told once through `prompter`; the records read before it stay.
void LoadReminderList(ReminderList& list, const Clock& clock, Prompter& prompter);
// The same for the moment `now`, touching no window, so that it may run on
// another thread: the failure's message is returned instead of told.
std::optional<std::string> ReadReminderList(ReminderList& list, const DateTime& now);
