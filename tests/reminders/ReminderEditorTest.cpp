#include "reminders/ReminderEditor.h"

#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <gtest/gtest.h>

namespace {

const DateTime kToday(2011, 9, 9, 8, 30, 0);

class ReminderEditor : public ::testing::Test {
protected:
    // The stored row of a person, the columns the editor writes plus m_IsVailid.
    std::string Row(const std::string& name) const {
        std::string row;
        for (const char* column :
             {"m_State", "m_Name", "m_Date", "m_DateStatus", "m_SoundPath", "m_Email", "m_Title",
              "m_Content", "m_Ahead", "m_Mobile", "m_IsVailid"})
            row +=
                db.Value(SqlFormat("select * from TiXing Where m_Name='%s'", name), column) + "|";
        return row;
    }
    int IdOf(const std::string& name) const {
        return std::stoi(db.Value(SqlFormat("select * from TiXing Where m_Name='%s'", name), "ID"));
    }
    void Add(const std::string& name) {
        ReminderForm form = NewReminderForm(kToday);
        form.name = name;
        ASSERT_EQ(SaveReminder(form, prompter), SaveOutcome::Saved);
    }

    SeededDatabase db;
    ScriptedPrompter prompter;
};

TEST_F(ReminderEditor, AddWritesEveryFieldWithTheLastSecondOfTheDayAndTheDoubledAheadDays) {
    db.Run("Update MySetting Set m_Name='小明'");
    ReminderForm form = NewReminderForm(kToday);
    EXPECT_EQ(form.birth, DateTime(2011, 9, 9));
    EXPECT_EQ(form.calendar, CalendarChoice::Lunar);
    EXPECT_EQ(form.blessing, BlessingChoice::Off);
    form.name = "张三";
    form.calendar = CalendarChoice::Gregorian;
    form.birth = DateTime(1980, 9, 12, 1, 1, 1);
    form.mobile = "13800138000";
    form.email = "zs@example.com";
    form.aheadDays = 3;
    ChooseMusic(form, MusicChoice::BuiltIn);
    SwitchBlessingOn(form, ReadUserNickname(prompter));
    ASSERT_EQ(SaveReminder(form, prompter), SaveOutcome::Saved);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(Row("张三"),
              std::string("生效|张三|1980-09-12 23:59:59|阳历|HAPPYBIRTHDAY|zs@example.com|"
                          "来自小明的生日祝福！|") +
                  kDefaultBlessing + "|33|13800138000|1|");
}

TEST_F(ReminderEditor, EditReadsThePersonAndSavingRewritesStateAndCountdown) {
    db.Run("Insert Into TiXing(m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,m_Email,m_Title,"
           "m_Content,m_Ahead,m_Mobile) Values('将到','O''Brien','1979-03-04 23:59:59','阴历',"
           "'/music/a b.mp3','ob@example.com','生日快乐','100% \"真心\" C:\\祝福','51','139')");
    const int id = IdOf("O'Brien");
    ReminderForm form =
        EditReminderForm(id, "O'Brien", "将到", true, DateTime(1979, 3, 4, 1, 1, 1), prompter);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(form.stateIndex, 0);
    EXPECT_EQ(form.music, MusicChoice::OwnFile);
    EXPECT_EQ(form.blessing, BlessingChoice::On);
    EXPECT_EQ(form.aheadDays, 5);
    EXPECT_EQ(form.mobile + "|" + form.email + "|" + form.content,
              "139|ob@example.com|100% \"真心\" C:\\祝福");

    form.name = "O'Brien 𠮷";
    form.stateIndex = 1;
    ASSERT_EQ(SaveReminder(form, prompter), SaveOutcome::Saved);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(Row("O'Brien 𠮷"), "失效|O'Brien 𠮷|1979-03-04 23:59:59|阴历|/music/a b.mp3|"
                                 "ob@example.com|生日快乐|100% \"真心\" C:\\祝福|55|139|1|");
    EXPECT_EQ(IdOf("O'Brien 𠮷"), id);
}

TEST_F(ReminderEditor, NamesMustBeUniqueButAPersonMayKeepItsOwn) {
    Add("张三");
    Add("李四");
    const struct {
        bool edit;
        const char* oldName;
        const char* name;
        SaveOutcome outcome;
    } cases[] = {
        {false, "", "张三", SaveOutcome::NameTaken},
        {true, "李四", "张三", SaveOutcome::NameTaken},
        {true, "张三", "张三", SaveOutcome::Saved},
        {false, "", "王五", SaveOutcome::Saved},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.oldName) + " -> " + c.name);
        prompter.asked.clear();
        ReminderForm form = c.edit ? EditReminderForm(IdOf(c.oldName), c.oldName, "生效", false,
                                                      DateTime(1990, 1, 2, 1, 1, 1), prompter)
                                   : NewReminderForm(kToday);
        form.name = c.name;
        EXPECT_EQ(SaveReminder(form, prompter), c.outcome);
        if (c.outcome == SaveOutcome::NameTaken) {
            ASSERT_EQ(prompter.asked.size(), 1u);
            EXPECT_EQ(prompter.asked[0].text, "该姓名已存在!请确认");
            EXPECT_EQ(prompter.asked[0].caption, "错误");
        } else {
            EXPECT_TRUE(prompter.asked.empty());
        }
    }
    EXPECT_EQ(db.Column("select * from TiXing Order By ID", "m_Name"),
              (std::vector<std::string>{"张三", "李四", "王五"}));
}

TEST_F(ReminderEditor, WithoutADatabaseEveryStepTellsWhyAndTheEditorStillCloses) {
    g_ConnectionString = db.Dir().File("missing.db");
    ReminderForm form =
        EditReminderForm(7, "张三", "失效", false, DateTime(1990, 1, 2, 1, 1, 1), prompter);
    EXPECT_EQ(form.stateIndex, 1);
    EXPECT_EQ(form.name + form.email, "张三");
    EXPECT_EQ(ReadUserNickname(prompter), "");
    EXPECT_EQ(SaveReminder(form, prompter), SaveOutcome::Saved);
    ASSERT_EQ(prompter.asked.size(), 3u);
    for (const auto& asked : prompter.asked)
        EXPECT_NE(asked.text.find("missing.db"), std::string::npos) << asked.text;
}

} // namespace
