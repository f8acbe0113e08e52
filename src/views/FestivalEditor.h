#pragma once
// The festival editor's rules without a window: the Festival table as the
// editor lists it, adding, changing and deleting a row with their questions
// and messages, and storing the calendar's two festival switches.

#include "calendar/CMonthSheet.h"

#include <optional>
#include <string>
#include <vector>

class Prompter;

// The name field holds at most this many GB18030 bytes (10 Chinese
// characters), as the reminder editor's name field does.
inline constexpr std::size_t kFestivalNameLimit = 20;

// Class labels for the classes 0..3, in the order of the class box.
extern const char* const kFestivalClassLabels[4];

// The class label; a class stored by something else shows as its number.
std::string FestivalClassText(int festivalClass);
// "阴历" for 0 (lunar), else "阳历", the way the calendar box shows it.
const char* FestivalCalendarText(int gorN);

struct FestivalRow {
    int id = 0;
    int festivalClass = 0;
    int gorN = kFestivalGregorian;
    int month = 1;
    int day = 1;
    std::string name;
};

// The list's six cells: key (hidden), class, name, calendar, month, day.
std::vector<std::string> FestivalListTexts(const FestivalRow& row);

// Every row of the table in class, month, day order; nothing after a
// database failure, which has been shown.
std::optional<std::vector<FestivalRow>> ReadFestivalList(Prompter& prompter);

// What the form holds: class 0..3, calendar 0 lunar / 1 Gregorian, month
// 1..12, day 1..31.
struct FestivalForm {
    std::string name;
    int festivalClass = 0;
    int calendar = kFestivalLunar;
    int month = 1;
    int day = 1;
};

// Why the form's date can never show in the calendar (a day its month never
// has: 2月30日, 4月31日, a lunar 31st), or "" when it can.
std::string FestivalDateProblem(const FestivalForm& form);

// A date that can never show is refused with FestivalDateProblem's text.
// Each returns true when the table changed and the success message was shown
// (the caller then refills the list); false when the user said No to the
// duplicate question or a database failure was shown.
bool AddFestival(const FestivalForm& form, Prompter& prompter);
// `storedName` is the row's name as the list shows it: only a changed name is
// checked against the other rows.
bool UpdateFestival(int key, const std::string& storedName, const FestivalForm& form,
                    Prompter& prompter);
bool DeleteFestival(int key, Prompter& prompter);

// Writes both switches into annivo.ini as "1" or "0". A file that cannot be
// written is reported; false then.
bool WriteFestivalOptions(const FestivalOptions& options, Prompter& prompter);
