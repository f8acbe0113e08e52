#include "reminders/BirthdayEvaluation.h"

#include "Printers.h"

#include <gtest/gtest.h>

namespace {

TEST(BirthdayEvaluationTest, DecidesByDaysCountdownAndState) {
    using A = ReminderAction;
    // state, ahead code, d, m_EveryDay -> state, ahead code, action, countdown reset, back to 生效
    const std::tuple<std::string, int, int, int, std::string, int, A, bool, bool> cases[] = {
        // the ahead window opens at d = N, inclusive
        {"生效", 33, 4, 1, "生效", 33, A::None, false, false},
        {"生效", 33, 3, 1, "将到", 32, A::Ahead, false, false},
        {"生效", 33, 3, 0, "将到", 30, A::Ahead, false, false},
        {"生效", 77, 7, 1, "将到", 76, A::Ahead, false, false},
        // every day, or once, until the day
        {"将到", 32, 3, 1, "将到", 32, A::None, false, false},
        {"将到", 32, 2, 1, "将到", 31, A::Ahead, false, false},
        {"将到", 30, 2, 0, "将到", 30, A::None, false, false},
        {"将到", 30, 0, 0, "进行", 30, A::Birthday, false, false},
        {"生效", 33, 0, 1, "进行", 33, A::Birthday, false, false},
        {"生效", 0, 0, 1, "进行", 0, A::Birthday, false, false},
        {"进行", 30, 0, 1, "进行", 30, A::None, false, false},
        // the day after: countdown and state reset for next year
        {"进行", 30, -1, 1, "生效", 33, A::None, true, true},
        {"将到", 30, -1, 1, "生效", 33, A::None, true, true},
        {"生效", 30, -5, 1, "生效", 33, A::None, true, false},
        {"生效", 33, -1, 1, "生效", 33, A::None, false, false},
        {"进行", 33, 5, 1, "生效", 33, A::None, false, true},
        {"将到", 32, 5, 1, "将到", 33, A::None, true, false},
        // switched off or unknown: only the countdown may be reset
        {"失效", 30, -1, 1, "失效", 33, A::None, true, false},
        {"失效", 33, 0, 1, "失效", 33, A::None, false, false},
        {"提前", 33, 0, 1, "提前", 33, A::None, false, false},
        // a stored countdown above its ahead days opens no earlier window
        {"生效", 39, 9, 1, "生效", 39, A::None, false, false},
        {"生效", 39, 4, 1, "生效", 39, A::None, false, false},
        {"生效", 39, 3, 1, "将到", 32, A::Ahead, false, false},
        {"生效", 9, 5, 1, "生效", 9, A::None, false, false},
    };
    for (const auto& [state, ahead, days, everyDay, newState, newAhead, action, reset, back] :
         cases) {
        SCOPED_TRACE(state + " " + std::to_string(ahead) + " d=" + std::to_string(days) + " " +
                     std::to_string(everyDay));
        ReminderRecord record;
        record.state = state;
        record.ahead = ahead;
        const Evaluation result = Evaluate(record, days, everyDay);
        EXPECT_EQ(std::tuple(record.state, record.ahead, static_cast<int>(result.action),
                             result.countdownReset, result.backToActive),
                  std::tuple(newState, newAhead, static_cast<int>(action), reset, back));
    }
}

TEST(BirthdayEvaluationTest, CountsWholeDays) {
    const std::tuple<DateTime, DateTime, int> cases[] = {
        {DateTime(2011, 9, 12, 23, 59, 59), DateTime(2011, 9, 12, 0, 0, 1), 0},
        {DateTime(2011, 9, 12), DateTime(2011, 9, 13, 12, 0, 0), -1},
        {DateTime(2012, 3, 1), DateTime(2012, 2, 28), 2},
        {DateTime(2011, 1, 2), DateTime(2011, 12, 30), -362},
        {DateTime(2012, 1, 2, 23, 59, 59), DateTime(2011, 12, 30, 23, 0, 0), 3},
        {DateTime(2011, 2, 29), DateTime(2011, 2, 27), -1}, // no 29 February this year
    };
    for (const auto& [birthday, today, days] : cases)
        EXPECT_EQ(DaysUntilBirthday(birthday, today), days) << testing::PrintToString(today);
    EXPECT_LT(DaysUntilBirthday(DateTime::Invalid(), DateTime(2011, 1, 1)), 0); // passed
}

TEST(BirthdayEvaluationTest, MovesOnToNextYearsBirthdayOnlyWithinTheAheadDays) {
    const DateTime thisYear(2011, 1, 2, 23, 59, 59);
    const DateTime nextYear(2012, 1, 2, 23, 59, 59);
    // this year's birthday, ahead code, today -> the birthday reminded
    const std::tuple<DateTime, int, DateTime, DateTime> cases[] = {
        {thisYear, 33, DateTime(2011, 12, 29), thisYear}, // 4 days: not yet
        {thisYear, 33, DateTime(2011, 12, 30), nextYear}, // 3 days
        {thisYear, 30, DateTime(2011, 12, 31), nextYear}, // the countdown does not matter
        {thisYear, 3, DateTime(2011, 12, 31), thisYear},  // no ahead days
        {thisYear, 33, DateTime(2011, 1, 2), thisYear},   // today
        {DateTime::Invalid(), 77, DateTime(2011, 12, 27), nextYear}, // none this year
        {thisYear, 2147483647, DateTime(2011, 6, 1), thisYear},      // out of range: a week at most
    };
    for (const auto& [birthday, ahead, today, reminded] : cases) {
        ReminderRecord record;
        record.birth = DateTime(1980, 1, 2, 23, 59, 59);
        record.birthdayThisYear = birthday;
        record.birthdayNextYear = nextYear;
        record.ahead = ahead;
        AdvanceToNextBirthday(record, today);
        EXPECT_EQ(record.birthdayThisYear, reminded) << today.Format("%m-%d") << " " << ahead;
        if (reminded == nextYear) {
            EXPECT_EQ(AgeThisYear(record, today), 32);
            EXPECT_EQ(ThisYearText(record), "2012-01-02");
        }
    }
}

// A lunar row born late in the lunar year: the stored year still counts.
TEST(BirthdayEvaluationTest, LunarAgeCountsTheStoredYear) {
    ReminderRecord record;
    record.calendar = "阴历";
    record.birth = DateTime(1980, 12, 20, 23, 59, 59);
    record.birthdayThisYear = DateTime(2011, 1, 23, 23, 59, 59);
    EXPECT_EQ(AgeText(AgeThisYear(record, DateTime(2011, 1, 20))), "31周岁");
    record.birthdayThisYear = DateTime::Invalid();
    EXPECT_EQ(ThisYearText(record), "");
}

} // namespace
