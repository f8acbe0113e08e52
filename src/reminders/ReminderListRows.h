#pragma once
// What the reminder list shows and what its commands do, without a window:
// the rows built from the reminder list, their colours, the toggle's caption
// and target state, and the delete and toggle writes.

#include "storage/ReminderRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Prompter;

// 编号 状态 姓名 提前 阴阳历 出生日期 今年生日, the row's position, which
// keys its colour, and 距生日 (days to the next birthday, "" for none).
inline constexpr int kReminderColumnCount = 9;
inline constexpr int kReminderColourKeyColumn = 7;
enum ReminderColumn : int {
    kColumnId = 0,
    kColumnState = 1,
    kColumnName = 2,
    kColumnAhead = 3,
    kColumnCalendar = 4,
    kColumnBirth = 5,
    kColumnThisYear = 6,
    kColumnPosition = 7,
    kColumnDaysToGo = 8,
};

struct RowColour {
    int red = 0, green = 0, blue = 0;
    bool operator==(const RowColour&) const = default;
};

struct ReminderRow {
    std::array<std::string, kReminderColumnCount> cells;
    RowColour colour;
};

// Latest birthday this year first; people with the same date keep their order.
void SortByBirthdayThisYear(ReminderList& list);

// The colour of a row by the state it shows and whether its birthday this
// year (with its time of day) is still to come at `now`.
RowColour ReminderRowColour(const std::string& shownState, const DateTime& birthdayThisYear,
                            const DateTime& now);

// What a row shows of a record, taken when the list is filled; the texts
// are made from it when the row is first shown, so a long list fills fast
// and a row never reads a record the reminder check has changed since.
struct ShownReminder {
    std::int32_t id = 0;
    std::string shownState;
    std::string name;
    int aheadDays = 0;
    std::string calendar;
    BirthDate birth;
    DateTime birthdayThisYear;
    std::optional<int> daysToGo;
    int position = 0; // in the list, which keys the row's colour
    RowColour colour;
};

// One per record, in list order.
std::vector<ShownReminder> ShownReminders(const ReminderList& list, const DateTime& now);
// The cells of a row, in column order.
std::array<std::string, kReminderColumnCount> ReminderCells(const ShownReminder& shown);

// One row per record, in list order.
std::vector<ReminderRow> BuildReminderRows(const ReminderList& list, const DateTime& now);

// The toggle switches these shown states off and every other one on.
bool ToggleSwitchesOff(const std::string& shownState);
// The context menu's caption for the toggle.
std::string ToggleCaption(const std::string& shownState);

// A 出生日期 cell ("1980-09-12", or a lunar "1980-02-30") as the editor's
// birth date, at 01:01:01; no date when the text is none.
BirthDate BirthFromListText(const std::string& text);

// Asks whether to delete the person (the whole row, address-book data
// included), deletes and confirms. False when the user said no; a failure
// is shown and counts as done, so the caller reloads either way.
bool DeleteReminder(const std::string& idText, const std::string& name, Prompter& prompter);

// Switches the reminder off or on by the state its row shows. A failure is
// shown; the caller reloads either way.
void ToggleReminder(int id, const std::string& shownState, Prompter& prompter);
