#pragma once
// The festivals of one displayed month (rows of the Festival table, the
// month's solar terms and the stored people's birthdays) and the 6 x 7 month
// sheet the calendar view draws: each cell's Gregorian and lunar date, what it
// shows under its day number, its festival names, colour and red-day marks,
// and the week number of each row.

#include "calendar/LunarCalendar.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "storage/ReminderRecord.h"

#include <array>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

class CAdoDatabase;

// Festival classes (the Festival table's Class).
constexpr int kLegalHolidayClass = 0; // also a red day
constexpr int kTraditionalClass = 1;  // solar terms are entered with it
constexpr int kForeignClass = 2;
constexpr int kCustomClass = 3; // birthdays are entered with it

// Calendar of a festival date (the Festival table's GorN). Only these two
// values match a day; anything else the editor may have stored matches none.
constexpr int kFestivalLunar = 0;
constexpr int kFestivalGregorian = 1;

// Colour codes of a cell's text: 0 plain, else 1 + the festival class.
constexpr int kNoFestivalColour = 0;

struct FestivalEntry {
    std::int32_t festivalClass = 0;
    std::int32_t kind = 0; // kFestivalGregorian or kFestivalLunar
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::string name;

    bool operator==(const FestivalEntry&) const = default;
};

// The two festival switches of the profile file (section "Festival", keys
// "24Fest" and "Birthday"); a missing key counts as on.
struct FestivalOptions {
    bool solarTerms = true;
    bool birthdays = true;
};

// The switches as annivo.ini holds them now; only the value 1 turns one on.
FestivalOptions ReadFestivalOptions();

// One person whose birthday falls in a given month, on that day (the stored
// time of day kept).
struct MonthBirthday {
    const ReminderRecord* person = nullptr;
    DateTime birthday;
};

// The people whose birthday in `year` falls in `month` of that year, in the
// list's order: the days the calendar marks for that month and the reminders
// use in that year.
std::vector<MonthBirthday> BirthdaysInMonth(const ReminderList& people, int year, int month);

class CMonthSheet {
public:
    static constexpr int kCells = 42;
    static constexpr int kRows = 6;

    // `connectionString` names the database file; database failures are told
    // through `prompter`; `clock` says which cell is today.
    CMonthSheet(const Clock& clock, Prompter& prompter, std::string connectionString);
    virtual ~CMonthSheet() = default;

    // Rebuilds the festival list for a Gregorian month: every row of the
    // Festival table, then (as the options say) the month's solar terms and
    // the birthdays that fall in `year`. A database failure is told once and
    // ends the load; what was read before it stays. Without options, the
    // switches are read from annivo.ini, so the festival editor's changes
    // show at the next refresh.
    void LoadFestivals(int year, int month, bool skipBirthdays);
    // With a reminder list set, the birthdays come from it rather than from
    // the table: the same people (m_IsVailid 1) in the same order, without
    // reading every row again on each month shown. Only the birthdays of the
    // loaded month are listed, the only ones its days can show. The list must
    // outlive the sheet or be reset to null.
    void TakeBirthdaysFrom(const ReminderList* people) { m_People = people; }

    void LoadFestivals(int year, int month, bool skipBirthdays, const FestivalOptions& options);

    // The class of the first festival on that day followed by the names of
    // all of them, one space apart ("0元旦 新年"); "" when there is none.
    std::string FestivalText(int kind, int month, int day) const;

    // Lays out the Gregorian cells, week numbers, today and weekend marks.
    void FillMonth(int year, int month);
    // Loads the festivals (birthdays included) and fills the lunar cells,
    // labels, festival texts, colour codes and holiday marks. Runs after
    // FillMonth for the same month.
    void FillCellTexts(int year, int month);
    void FillCellTexts(int year, int month, const FestivalOptions& options);

    const std::list<FestivalEntry>& Festivals() const { return m_Festivals; }
    const std::array<CalendarDate, kCells>& GregorianCells() const { return m_Gregorian; }
    const std::array<CalendarDate, kCells>& LunarCells() const { return m_Lunar; }
    // Under the day number: the (shortened) festival names, else the lunar day.
    const std::array<std::string, kCells>& Labels() const { return m_Labels; }
    // All festival names of the day in full.
    const std::array<std::string, kCells>& FestivalTexts() const { return m_FestivalTexts; }
    const std::array<int, kCells>& TodayMarks() const { return m_Today; }
    const std::array<int, kCells>& RedMarks() const { return m_Red; }
    const std::array<int, kCells>& ColourCodes() const { return m_Colours; }
    // Sunday-first weeks, week 1 holding 1 January; 0 for an unused row.
    const std::array<int, kRows>& WeekNumbers() const { return m_Weeks; }

private:
    struct DayFestivals {
        bool found = false;
        int festivalClass = 0; // of the first entry on the day
        std::string names;
    };
    // `alsoDay30`: entries on day 30 match too (the last day of a 29-day lunar month).
    DayFestivals Lookup(int kind, int month, int day, bool alsoDay30 = false) const;
    void ReadFestivalRows(CAdoDatabase& db);
    void AddSolarTerms(int year, int month);
    void AddBirthdays(CAdoDatabase& db, int year);
    void AddBirthdays(const ReminderList& people, int year, int month);

    const Clock& m_Clock;
    Prompter& m_Prompter;
    std::string m_ConnectionString;
    CLunarCalendar m_Calendar;
    const ReminderList* m_People = nullptr;

    std::list<FestivalEntry> m_Festivals;
    std::array<CalendarDate, kCells> m_Gregorian{};
    std::array<CalendarDate, kCells> m_Lunar{};
    std::array<std::string, kCells> m_Labels;
    std::array<std::string, kCells> m_FestivalTexts;
    std::array<int, kCells> m_Today{};
    std::array<int, kCells> m_Red{};
    std::array<int, kCells> m_Colours{};
    std::array<int, kRows> m_Weeks{};
};
