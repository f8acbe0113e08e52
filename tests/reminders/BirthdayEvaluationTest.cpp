#include "reminders/BirthdayEvaluation.h"

#include "Printers.h"

#include <gtest/gtest.h>

namespace {

const char* ActionName(ReminderAction action) {
    switch (action) {
    case ReminderAction::None: return "none";
    case ReminderAction::Ahead: return "ahead";
    case ReminderAction::Birthday: return "birthday";
    }
    return "?";
}

TEST(BirthdayEvaluationTest, DecidesByDaysCountdownAndState) {
    using A = ReminderAction;
    struct Case {
        std::string state;
        int ahead;
        int days;
        int everyDay;
        std::string newState;
        int newAhead;
        A action;
        bool reset;
        bool backToActive;
    };
    const Case cases[] = {
        // the ahead window opens at d = N, inclusive
        {"生效", 33, 4, 1, "生效", 33, A::None, false, false},
        {"生效", 33, 3, 1, "将到", 32, A::Ahead, false, false},
        {"生效", 33, 3, 0, "将到", 30, A::Ahead, false, false},
        {"生效", 77, 7, 1, "将到", 76, A::Ahead, false, false},
        {"生效", 77, 8, 1, "生效", 77, A::None, false, false},
        // every day, or once, until the day
        {"将到", 32, 3, 1, "将到", 32, A::None, false, false},
        {"将到", 32, 2, 1, "将到", 31, A::Ahead, false, false},
        {"将到", 31, 1, 1, "将到", 30, A::Ahead, false, false},
        {"将到", 30, 2, 0, "将到", 30, A::None, false, false},
        {"将到", 30, 0, 0, "进行", 30, A::Birthday, false, false},
        {"生效", 33, 0, 1, "进行", 33, A::Birthday, false, false},
        {"生效", 0, 0, 1, "进行", 0, A::Birthday, false, false},
        {"生效", 0, 1, 1, "生效", 0, A::None, false, false},
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
        {"失效", 33, 2, 1, "失效", 33, A::None, false, false},
        {"提前", 33, 0, 1, "提前", 33, A::None, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state + " " + std::to_string(c.ahead) + " d=" + std::to_string(c.days) +
                     " everyDay=" + std::to_string(c.everyDay));
        ReminderRecord record;
        record.state = c.state;
        record.ahead = c.ahead;
        const Evaluation result = Evaluate(record, c.days, c.everyDay);
        EXPECT_EQ(record.state, c.newState);
        EXPECT_EQ(record.ahead, c.newAhead);
        EXPECT_STREQ(ActionName(result.action), ActionName(c.action));
        EXPECT_EQ(result.countdownReset, c.reset);
        EXPECT_EQ(result.backToActive, c.backToActive);
    }
}

// Several checks a day from four days before to the day after.
TEST(BirthdayEvaluationTest, FiresOncePerDayInTheWindowAndResetsAfter) {
    for (const int everyDay : {1, 0}) {
        SCOPED_TRACE(everyDay);
        ReminderRecord record;
        record.state = "生效";
        record.ahead = 33;
        std::vector<int> fired;
        for (int days = 4; days >= -1; --days)
            for (int tick = 0; tick < 3; ++tick)
                if (Evaluate(record, days, everyDay).action != ReminderAction::None)
                    fired.push_back(days);
        EXPECT_EQ(fired, everyDay ? std::vector<int>({3, 2, 1, 0}) : std::vector<int>({3, 0}));
        EXPECT_EQ(record.state, "生效");
        EXPECT_EQ(record.ahead, 33);
    }
}

TEST(BirthdayEvaluationTest, CountsDaysWithinTheYearOnly) {
    struct Case {
        DateTime birthday;
        DateTime today;
        int days;
    };
    const Case cases[] = {
        {DateTime(2011, 9, 12, 23, 59, 59), DateTime(2011, 9, 9, 8, 0, 0), 3},
        {DateTime(2011, 9, 12, 23, 59, 59), DateTime(2011, 9, 12, 0, 0, 1), 0},
        {DateTime(2011, 9, 12), DateTime(2011, 9, 13, 12, 0, 0), -1},
        {DateTime(2012, 3, 1), DateTime(2012, 2, 28), 2},
        {DateTime(2011, 1, 2), DateTime(2011, 12, 30), -362}, // no window across New Year
        {DateTime(2011, 2, 29), DateTime(2011, 2, 27), -1},   // no 29 February this year
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.birthday.Format("%Y-%m-%d") + " " + c.today.Format("%Y-%m-%d"));
        EXPECT_EQ(DaysUntilBirthday(c.birthday, c.today), c.days);
    }
    EXPECT_LT(DaysUntilBirthday(DateTime::Invalid(), DateTime(2011, 1, 1)), 0);
}

TEST(BirthdayEvaluationTest, AgeAndThisYearTexts) {
    ReminderRecord record;
    record.birth = DateTime(1980, 9, 12, 23, 59, 59);
    record.birthdayThisYear = DateTime(2011, 9, 12, 23, 59, 59);
    EXPECT_EQ(AgeText(AgeThisYear(record, DateTime(2011, 1, 1))), "31周岁");
    EXPECT_EQ(ThisYearText(record), "2011-09-12");

    // A lunar row born late in the lunar year: the stored year still counts.
    record.calendar = "阴历";
    record.birth = DateTime(1980, 12, 20, 23, 59, 59);
    record.birthdayThisYear = DateTime(2011, 1, 23, 23, 59, 59);
    EXPECT_EQ(AgeText(AgeThisYear(record, DateTime(2011, 1, 20))), "31周岁");

    record.birthdayThisYear = DateTime::Invalid();
    EXPECT_EQ(ThisYearText(record), "");
}

TEST(BirthdayEvaluationTest, ShowsPassedOnlyForActiveReminders) {
    const DateTime evening(2011, 9, 12, 23, 59, 59); // saved by the reminder editor
    const DateTime midnight(2011, 9, 12);            // saved by the address book
    const DateTime morning(2011, 9, 12, 8, 0, 0);
    const DateTime nextDay(2011, 9, 13, 8, 0, 0);
    struct Case {
        std::string state;
        DateTime birthday;
        DateTime now;
        std::string shown;
    };
    const Case cases[] = {
        {"生效", evening, morning, "生效"},
        {"生效", midnight, morning, "已过"},
        {"生效", evening, nextDay, "已过"},
        {"别的", evening, nextDay, "已过"},
        {"生效", DateTime::Invalid(), morning, "已过"},
        {"进行", evening, nextDay, "进行"},
        {"将到", evening, nextDay, "将到"},
        {"失效", evening, nextDay, "失效"},
        {"提前", evening, nextDay, "提前"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state + " " + c.now.Format("%Y-%m-%d %H:%M:%S"));
        EXPECT_EQ(ShownState(c.state, c.birthday, c.now), c.shown);
    }
}

} // namespace
