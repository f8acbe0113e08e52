#include "reminders/ReminderListRows.h"

#include "reminders/BirthdayEvaluation.h"
#include "reminders/LoadReminderList.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const DateTime kNow(2011, 9, 9, 8, 0, 0);

ReminderRecord Person(int id, const std::string& state, const DateTime& thisYear) {
    ReminderRecord r;
    r.id = id;
    r.state = state;
    r.name = "人" + std::to_string(id);
    r.calendar = "阳历";
    r.birth = DateTime(1980, 9, 12, 23, 59, 59);
    r.birthdayThisYear = thisYear;
    r.ahead = 33;
    return r;
}

TEST(ReminderRows, StateAndSpanChooseTextAndColour) {
    const DateTime ahead(2011, 9, 12, 23, 59, 59), laterToday(2011, 9, 9, 23, 59, 59),
        passed(2011, 9, 1, 23, 59, 59), midnightToday(2011, 9, 9);
    const struct {
        const char* state;
        DateTime thisYear;
        const char* shown;
        RowColour colour;
    } cases[] = {
        {"进行", ahead, "进行", {255, 128, 255}},
        {"进行", passed, "进行", {255, 128, 255}},
        {"将到", passed, "将到", {111, 183, 255}},
        {"失效", passed, "失效", {192, 192, 192}},
        {"提前", ahead, "提前", {0, 255, 128}},
        {"提前", passed, "提前", {255, 128, 255}},
        {"生效", ahead, "生效", {0, 255, 128}},
        {"生效", laterToday, "生效", {0, 255, 128}},      // the editor's 23:59:59 lasts all day
        {"生效", midnightToday, "已过", {255, 255, 128}}, // an address-book midnight does not
        {"生效", passed, "已过", {255, 255, 128}},
        {"生效", DateTime::Invalid(), "已过", {255, 255, 128}}, // 29 February in a common year
        {"别的", passed, "已过", {255, 255, 128}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.state) + " " + c.thisYear.Format("%Y-%m-%d %H:%M:%S"));
        const std::vector<ReminderRow> rows =
            BuildReminderRows({Person(1, c.state, c.thisYear)}, kNow);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].cells[kColumnState], c.shown);
        EXPECT_EQ(rows[0].colour, c.colour);
    }
}

TEST(ReminderRows, LatestBirthdayFirstAndEqualDatesKeepTheirOrder) {
    const DateTime early(2011, 1, 5, 23, 59, 59), late(2011, 11, 2, 23, 59, 59);
    ReminderList list = {Person(1, "生效", early), Person(2, "生效", DateTime::Invalid()),
                         Person(3, "生效", late), Person(4, "失效", early),
                         Person(5, "将到", late)};
    list[2].ahead = 72;
    list[2].calendar = "阴历";
    SortByBirthdayThisYear(list);
    const std::vector<ReminderRow> rows = BuildReminderRows(list, kNow);
    std::vector<std::string> shown;
    for (const ReminderRow& row : rows) {
        std::string line;
        for (const std::string& cell : row.cells)
            line += cell + "|";
        shown.push_back(line);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "3|生效|人3|7|阴历|1980-09-12|2011-11-02|0|54|",
                         "5|将到|人5|3|阳历|1980-09-12|2011-11-02|1|54|",
                         "1|已过|人1|3|阳历|1980-09-12|2011-01-05|2||",
                         "4|失效|人4|3|阳历|1980-09-12|2011-01-05|3||",
                         "2|已过|人2|3|阳历|1980-09-12||4||",
                     }));
}

// A list of thousands is put in order along the cycles of its new order:
// every record must arrive whole, in the order a stable sort gives.
TEST(ReminderRows, ALongListSortsWithEveryRecordWhole) {
    ReminderList list;
    std::uint32_t seed = 12345;
    for (int id = 0; id < 3000; ++id) {
        seed = seed * 1103515245u + 12345u;
        const int day = static_cast<int>(seed >> 16) % 40; // many equal dates
        list.push_back(Person(
            id, "生效", day == 0 ? DateTime::Invalid() : DateTime(2011, 1, 1).AddDays(day * 7)));
        list.back().content = std::string(static_cast<std::size_t>(id % 50), 'x');
    }
    ReminderList expected = list;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const ReminderRecord& a, const ReminderRecord& b) {
                         return a.birthdayThisYear > b.birthdayThisYear;
                     });
    SortByBirthdayThisYear(list);
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        ASSERT_EQ(list[i].id, expected[i].id) << i;
        EXPECT_EQ(list[i].name, "人" + std::to_string(list[i].id));
        EXPECT_EQ(list[i].content.size(), static_cast<std::size_t>(list[i].id % 50));
        EXPECT_EQ(list[i].birthdayThisYear, expected[i].birthdayThisYear);
    }
}

// 距生日 as the list loads the people: whole days, 0 on the day; a birthday
// passed this year counts to next year's.
TEST(ReminderRows, DaysToGoReachIntoNextYear) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing(m_State,m_Name,m_Date,m_DateStatus,m_Ahead) Values"
           "('生效','今天','1980-09-09 23:59:59','阳历',33),"
           "('生效','今天零点','1980-09-09 00:00:00','阳历',0),"
           "('生效','明天','1980-09-10 00:00:00','阳历',0),"
           "('生效','上周','1980-09-01 23:59:59','阳历',0),"
           "('生效','闰日','1980-02-29 23:59:59','阳历',0),"
           "('生效','中秋','1970-08-15 23:59:59','阴历',0),"
           "('生效','春节','1970-01-01 23:59:59','阴历',0),"
           "('生效','元旦','1970-01-01 23:59:59','阳历',7)");
    ScriptedPrompter prompter;
    std::map<std::string, std::string> days;
    auto load = [&](const DateTime& now) {
        const FixedClock clock(now);
        ReminderList list;
        LoadReminderList(list, clock, prompter);
        days.clear();
        for (const ReminderRow& row : BuildReminderRows(list, now))
            days[row.cells[kColumnName]] = row.cells[kColumnDaysToGo];
    };
    load(DateTime(2011, 9, 9, 8, 0, 0));
    EXPECT_EQ(days, (std::map<std::string, std::string>{
                        {"今天", "0"},
                        {"今天零点", "0"},
                        {"明天", "1"},
                        {"上周", "358"}, // 2012-09-01, over 29 February
                        {"闰日", "173"}, // 2012-02-29
                        {"中秋", "3"},   // 2011-09-12
                        {"春节", "136"}, // 2012-01-23
                        {"元旦", "114"},
                    }));
    // In the last days of the year, whether or not the reminder moved on to
    // next year's birthday already.
    load(DateTime(2011, 12, 30, 8, 0, 0));
    EXPECT_EQ(days["元旦"] + " " + days["春节"] + " " + days["上周"], "2 24 246");
    EXPECT_TRUE(prompter.asked.empty());

    ReminderRecord none; // a birthday in neither year
    none.birthdayThisYear = none.birthdayNextYear = DateTime::Invalid();
    EXPECT_EQ(DaysToNextBirthday(none, DateTime(2011, 9, 9)), std::nullopt);
    EXPECT_EQ(BuildReminderRows({none}, DateTime(2011, 9, 9))[0].cells[kColumnDaysToGo], "");
}

} // namespace
