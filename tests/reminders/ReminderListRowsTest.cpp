#include "reminders/ReminderListRows.h"

#include "Printers.h"

#include <gtest/gtest.h>

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
                         "3|生效|人3|7|阴历|1980-09-12|2011-11-02|0|",
                         "5|将到|人5|3|阳历|1980-09-12|2011-11-02|1|",
                         "1|已过|人1|3|阳历|1980-09-12|2011-01-05|2|",
                         "4|失效|人4|3|阳历|1980-09-12|2011-01-05|3|",
                         "2|已过|人2|3|阳历|1980-09-12||4|",
                     }));
}

} // namespace
