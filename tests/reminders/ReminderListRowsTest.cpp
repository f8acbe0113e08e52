#include "reminders/ReminderListRows.h"

#include "reminders/LoadReminderList.h"
#include "reminders/ReminderEditor.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

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

class ReminderCommands : public ::testing::Test {
protected:
    // Adds a person through the editor's save and returns the list as loaded.
    void Add(const std::string& name, const char* state = "生效") {
        ReminderForm form = NewReminderForm(kNow);
        form.name = name;
        form.stateIndex = std::string(state) == "失效" ? 1 : 0;
        ASSERT_EQ(SaveReminder(form, prompter), SaveOutcome::Saved);
    }
    ReminderList Load() {
        ReminderList list;
        LoadReminderList(list, FixedClock(kNow), prompter);
        return list;
    }
    std::string State(const std::string& name) {
        return db.Value(SqlFormat("select * from TiXing Where m_Name='%s'", name), "m_State");
    }

    SeededDatabase db;
    ScriptedPrompter prompter;
};

TEST_F(ReminderCommands, AwkwardNamesToggleAndDeleteLikeAnyOther) {
    for (const std::string name :
         {"O'Brien", "他说\"好\"", "C:\\路径\\", "100%完成", "𠀀𠮷", "'; Delete From TiXing; --"}) {
        SCOPED_TRACE(name);
        Add(name);
        ReminderList list = Load();
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].name, name);
        ToggleReminder(list[0].id, "生效", prompter);
        EXPECT_EQ(State(name), "失效");
        ToggleReminder(list[0].id, "失效", prompter);
        EXPECT_EQ(State(name), "生效");
        EXPECT_TRUE(DeleteReminder(std::to_string(list[0].id), name, prompter));
        EXPECT_TRUE(Load().empty());
        EXPECT_EQ(prompter.Texts().back(), "删除 " + name + " 的生日提醒成功!");
    }
    EXPECT_EQ(prompter.asked.size(), 12u) << "a question and a confirmation per delete, no failure";
}

TEST_F(ReminderCommands, AFailedWriteIsShownAndNothingClaimsSuccess) {
    Add("张三");
    const int id = Load()[0].id;
    db.Run("Create Trigger NoChanges Before Update On TiXing Begin Select Raise(Abort, "
           "'磁盘只读'); End");
    db.Run("Create Trigger NoDeletes Before Delete On TiXing Begin Select Raise(Abort, "
           "'磁盘只读'); End");
    ToggleReminder(id, "生效", prompter);
    EXPECT_TRUE(DeleteReminder(std::to_string(id), "张三", prompter))
        << "the list reloads all the same";
    // The question, then one failure each; no "成功".
    EXPECT_EQ(
        prompter.Texts(),
        (std::vector<std::string>{"磁盘只读", "你确定要删除关于 张三 的生日提醒吗?", "磁盘只读"}));
    EXPECT_EQ(State("张三"), "生效");
}

} // namespace
