#pragma once
// Days to go, age, shown state and the reminder decision for one person, as
// pure functions of the record, the current date and the every-day setting.

#include "storage/ReminderRecord.h"

#include <algorithm>
#include <optional>
#include <string>

// m_Ahead = 10 x N + R: N days ahead reminding starts (0..7), R the countdown,
// the largest number of days to go for which a reminder may still be given.
struct AheadCode {
    int code = 0;

    int AheadDays() const { return code / 10; }
    // Never more than the ahead days: a larger stored countdown would remind
    // before the window opens.
    int Countdown() const { return std::min(code % 10, AheadDays()); }
    // A fresh or reset code: the countdown back at the full number of days.
    static int Fresh(int aheadDays) { return 11 * aheadDays; }
    static int Make(int aheadDays, int countdown) { return 10 * aheadDays + countdown; }
    // A stored code the program cannot have written becomes one it can: ahead
    // days outside 0..7 or a negative code give 77 (a week ahead, the
    // countdown full); a countdown above its ahead days is reset to them (39
    // gives 33), the days the user chose being kept. Nothing else then does
    // arithmetic on an arbitrary stored number.
    static int InRange(int stored) {
        if (stored < 0 || stored / 10 > 7)
            return 77;
        return stored % 10 > stored / 10 ? Fresh(stored / 10) : stored;
    }
};

// Whole days from today to the birthday: positive = days to go, 0 = today,
// negative = passed. An invalid birthday (none this year) counts as passed.
int DaysUntilBirthday(const DateTime& birthday, const DateTime& today);

// When this year's birthday has passed or does not exist and next year's is
// no further away than the ahead days, the record reminds towards next
// year's: someone born on 2 January with 3 days ahead is reminded on 30
// December. True when the record moved on.
bool AdvanceToNextBirthday(ReminderRecord& record, const DateTime& today);

// Whole days from today to the next birthday: the one of the record's year
// while it is still to come (0 on the day itself), else the one of the year
// after; nothing when neither year has one.
std::optional<int> DaysToNextBirthday(const ReminderRecord& record, const DateTime& today);

// The age reached at the birthday reminded (also for lunar rows: the stored
// year counts); this year's age when there is none.
int AgeThisYear(const ReminderRecord& record, const DateTime& now);
std::string AgeText(int age); // "31周岁"

// "%Y-%m-%d" of the birthday reminded; "" when there is none this year.
std::string ThisYearText(const ReminderRecord& record);

// The state the list shows: the stored one, or "已过" for a birthday (with
// its stored time of day) that has passed while nothing else is going on.
std::string ShownState(const std::string& state, const DateTime& birthdayThisYear,
                       const DateTime& now);

enum class ReminderAction { None, Ahead, Birthday };

struct Evaluation {
    ReminderAction action = ReminderAction::None;
    bool countdownReset = false; // write the ahead code alone
    bool backToActive = false;   // write the state "生效" alone
};

// Applies the rules to the record in place: state and ahead code. The writes
// that go with a reminder (state "进行", or "将到" with the new code) are left
// to the reminder; the two others are flagged in the result.
Evaluation Evaluate(ReminderRecord& record, int days, int everyDay);
