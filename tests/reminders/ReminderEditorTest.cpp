#include "reminders/ReminderEditor.h"

#include "reminders/LoadReminderList.h"
#include "reminders/ReminderListRows.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <gtest/gtest.h>

namespace {

const DateTime kToday(2011, 9, 9, 8, 30, 0);

class ReminderEditor : public ::testing::Test {
protected:
    std::string Stored(const std::string& name, const char* column) const {
        return db.Value(SqlFormat("select * from TiXing Where m_Name='%s'", name), column);
    }
    // The stored row of a person, the columns the editor writes plus m_IsVailid.
    std::string Row(const std::string& name) const {
        std::string row;
        for (const char* column :
             {"m_State", "m_Name", "m_Date", "m_DateStatus", "m_SoundPath", "m_Email", "m_Title",
              "m_Content", "m_Ahead", "m_Mobile", "m_IsVailid"})
            row += Stored(name, column) + "|";
        return row;
    }
    int IdOf(const std::string& name) const { return std::stoi(Stored(name, "ID")); }
    void Add(const std::string& name) {
        ReminderForm form = NewReminderForm(kToday);
        form.name = name;
        ASSERT_EQ(SaveReminder(form, prompter), SaveOutcome::Saved);
    }
    ReminderList Load() {
        ReminderList list;
        LoadReminderList(list, FixedClock(kToday), prompter);
        return list;
    }

    SeededDatabase db;
    ScriptedPrompter prompter;
};

TEST_F(ReminderEditor, AddWritesEveryFieldWithTheLastSecondOfTheDayAndTheDoubledAheadDays) {
    db.Run("Update MySetting Set m_Name='小明'");
    ReminderForm form = NewReminderForm(kToday);
    EXPECT_EQ(form.birth, BirthDate(2011, 8, 12)) << "today, in the lunar calendar";
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
    EXPECT_EQ(form.stateIndex, 0);
    EXPECT_EQ(form.music, MusicChoice::OwnFile);
    EXPECT_EQ(form.blessing, BlessingChoice::On);
    EXPECT_EQ(form.aheadDays, 5);

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
    // Person edited (none: a new one), name -> saved
    for (const auto& [oldName, name, saved] :
         {std::tuple{"", "张三", false}, std::tuple{"李四", "张三", false},
          std::tuple{"张三", "张三", true}}) {
        SCOPED_TRACE(std::string(oldName) + " -> " + name);
        prompter.asked.clear();
        ReminderForm form = *oldName ? EditReminderForm(IdOf(oldName), oldName, "生效", false,
                                                        DateTime(1990, 1, 2, 1, 1, 1), prompter)
                                     : NewReminderForm(kToday);
        form.name = name;
        EXPECT_EQ(SaveReminder(form, prompter),
                  saved ? SaveOutcome::Saved : SaveOutcome::NameTaken);
        EXPECT_EQ(prompter.Texts(), saved ? std::vector<std::string>{}
                                          : std::vector<std::string>{"该姓名已存在!请确认"});
    }
    EXPECT_EQ(db.Column("select * from TiXing Order By ID", "m_Name"),
              (std::vector<std::string>{"张三", "李四"}));
}

TEST_F(ReminderEditor, WithoutADatabaseEveryStepTellsWhyAndNoSaveIsClaimed) {
    g_ConnectionString = db.Dir().File("missing.db");
    ReminderForm form =
        EditReminderForm(7, "张三", "失效", false, DateTime(1990, 1, 2, 1, 1, 1), prompter);
    EXPECT_EQ(form.stateIndex, 1);
    EXPECT_EQ(ReadUserNickname(prompter), "");
    EXPECT_EQ(SaveReminder(form, prompter), SaveOutcome::Failed);
    ASSERT_EQ(prompter.asked.size(), 3u);
    for (const auto& asked : prompter.asked)
        EXPECT_NE(asked.text.find("missing.db"), std::string::npos) << asked.text;
}

TEST_F(ReminderEditor, AwkwardNamesToggleAndDeleteLikeAnyOther) {
    for (const std::string name :
         {"O'Brien", "他说\"好\"", "C:\\路径\\", "100%完成", "𠀀𠮷", "'; Delete From TiXing; --"}) {
        SCOPED_TRACE(name);
        Add(name);
        ReminderList list = Load();
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].name, name);
        ToggleReminder(list[0].id, "生效", prompter);
        EXPECT_EQ(Stored(name, "m_State"), "失效");
        ToggleReminder(list[0].id, "失效", prompter);
        EXPECT_EQ(Stored(name, "m_State"), "生效");
        EXPECT_TRUE(DeleteReminder(std::to_string(list[0].id), name, prompter));
        EXPECT_TRUE(Load().empty());
        EXPECT_EQ(prompter.Texts().back(), "删除 " + name + " 的生日提醒成功!");
    }
    EXPECT_EQ(prompter.asked.size(), 12u) << "a question and a confirmation per delete, no failure";
}

TEST_F(ReminderEditor, AFailedWriteIsShownAndNothingClaimsSuccess) {
    Add("张三");
    const int id = Load()[0].id;
    for (const char* change : {"Update", "Delete"})
        db.Run(std::string("Create Trigger No") + change + " Before " + change +
               " On TiXing Begin Select Raise(Abort, '磁盘只读'); End");
    ToggleReminder(id, "生效", prompter);
    EXPECT_TRUE(DeleteReminder(std::to_string(id), "张三", prompter))
        << "the list reloads all the same";
    // The question, then one failure each, saying what failed; no "成功".
    EXPECT_EQ(
        prompter.Texts(),
        (std::vector<std::string>{DatabaseErrorText("更改提醒状态", db.Path(), "磁盘只读"),
                                  "你确定要删除关于 张三 的生日提醒吗?",
                                  DatabaseErrorText("删除张三的生日提醒", db.Path(), "磁盘只读")}));
    EXPECT_EQ(Stored("张三", "m_State"), "生效");
}

} // namespace
