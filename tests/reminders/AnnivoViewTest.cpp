#include "reminders/CAnnivoView.h"

#include "controls/FrameCommands.h"
#include "settings/Globals.h"
#include "controls/CSortListCtrl.h"
#include "reminders/CReminderDlg.h"
#include "reminders/ReminderListRows.h"
#include "ui_CReminderDlg.h"

#include "FixedClock.h"
#include "ModalAnswer.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class AnnivoView : public ::testing::Test {
protected:
    AnnivoView() {
        g_ActiveView = 0;
        // On 2011-09-09: 张三 in three days, 王五 reminded ahead, 李四 off, 赵六 passed.
        db.Run("Insert Into TiXing(m_State,m_Name,m_Date,m_DateStatus,m_Ahead,m_Mobile) Values"
               "('生效','张三','1980-09-12 23:59:59','阳历',33,'138'),"
               "('失效','李四','1985-03-01 23:59:59','阳历',0,''),"
               "('将到','王五','1990-09-10 23:59:59','阳历',22,''),"
               "('生效','赵六','1970-01-05 23:59:59','阴历',0,'')");
        view.Reload();
        view.resize(500, 300);
        view.show();
    }
    std::string Column(int column) const {
        std::string texts;
        for (int row = 0; row < view.List()->GetItemCount(); ++row)
            texts += view.List()->GetItemText(row, column) + " ";
        return texts;
    }
    void Select(const std::string& name) {
        for (int row = 0; row < view.List()->GetItemCount(); ++row)
            if (view.List()->GetItemText(row, kColumnName) == name)
                view.List()->SetSelectionMark(row);
    }
    std::string Stored(const std::string& name, const char* column = "m_State") const {
        return db.Value(SqlFormat("select * from TiXing Where m_Name='%s'", name), column);
    }

    SeededDatabase db;
    ScriptedPrompter prompter;
    FixedClock clock{DateTime(2011, 9, 9, 8, 0, 0)};
    ReminderList reminders;
    int restarts = 0;
    CAnnivoView view{reminders, clock, prompter, [this] { ++restarts; }};
};

TEST_F(AnnivoView, ShowsTheStoredPeopleLatestBirthdayFirst) {
    EXPECT_EQ(Column(kColumnName), "张三 王五 李四 赵六 ");
    EXPECT_EQ(Column(kColumnState), "生效 将到 失效 已过 ");
    EXPECT_EQ(Column(kColumnAhead) + Column(kColumnCalendar), "3 2 0 0 阳历 阳历 阳历 阴历 ");
    EXPECT_EQ(restarts, 1) << "every refresh restarts the reminder timer";
}

TEST_F(AnnivoView, ContextMenuOffersWhatTheSelectionAllows) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "新增提醒(&N)+ 修改(&M)- 删除(&D)- 失效(&S)- "},
        {"李四", "新增提醒(&N)+ 修改(&M)+ 删除(&D)+ 生效(&S)+ "},
        {"赵六", "新增提醒(&N)+ 修改(&M)+ 删除(&D)+ 失效(&S)+ "},
    };
    for (const auto& [name, expected] : cases) {
        view.List()->SetSelectionMark(-1);
        Select(name);
        const std::unique_ptr<QMenu> shown = view.MakeContextMenu();
        std::string menu;
        for (QAction* action : shown->actions())
            menu += action->text().toStdString() + (action->isEnabled() ? "+ " : "- ");
        EXPECT_EQ(menu, expected) << name;
        EXPECT_EQ(view.HasSelection(), *name != '\0');
    }
}

TEST_F(AnnivoView, ToggleWritesReloadsAndKeepsThePlaceSelected) {
    Select("赵六"); // 已过 switches off, 失效 switches back on
    for (const char* state : {"失效", "生效"}) {
        view.RunCommand(kCmdEnable);
        EXPECT_EQ(Stored("赵六"), state);
        EXPECT_EQ(view.List()->GetSelectionMark(), 3);
    }
    Select("王五");
    view.RunCommand(kCmdEnable);
    EXPECT_EQ(Stored("王五"), "生效");
    EXPECT_EQ(Column(kColumnState), "生效 生效 失效 已过 ");
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(AnnivoView, AfterAFailedWriteTheListShowsWhatIsStored) {
    reminders[0].state = "进行"; // the check changed it, but could not store it
    view.Refresh();
    EXPECT_EQ(Column(kColumnState), "进行 将到 失效 已过 ");
    db.Run(
        "Create Trigger Frozen Before Update On TiXing Begin Select Raise(Abort, '磁盘只读'); End");
    Select("张三");
    view.RunCommand(kCmdEnable);
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{DatabaseErrorText("更改提醒状态", db.Path(), "磁盘只读")});
    EXPECT_EQ(Column(kColumnState), "生效 将到 失效 已过 ");
}

TEST_F(AnnivoView, DeleteAsksAndRemovesTheWholePerson) {
    Select("王五");
    prompter.answers = {PromptAnswer::Cancel};
    view.RunCommand(kCmdDelete);
    EXPECT_EQ(Column(kColumnName), "张三 王五 李四 赵六 ");
    view.RunCommand(kCmdDelete);
    EXPECT_EQ(Column(kColumnName), "张三 李四 赵六 ");
    EXPECT_EQ(Stored("王五", "m_Name"), "(no row)");
    EXPECT_EQ(prompter.Texts().back(), "删除 王五 的生日提醒成功!");
    EXPECT_FALSE(view.HasSelection());
}

TEST_F(AnnivoView, EditOpensTheEditorWithTheRowAndShowsTheSavedChange) {
    Select("李四");
    AnswerModal<CReminderDlg>([](CReminderDlg& dialog) {
        Ui::CReminderDlg& ui = dialog.Controls();
        EXPECT_EQ((ui.nameEdit->text() + ui.okButton->text() + ui.stateCombo->currentText())
                      .toStdString(),
                  "李四确定失效");
        EXPECT_TRUE(ui.gregorianRadio->isChecked() && ui.birthEdit->date() == QDate(1985, 3, 1));
        ui.nameEdit->setText(QString::fromUtf8("李四'二"));
        ui.aheadCombo->setCurrentIndex(2);
        QTest::mouseClick(ui.okButton, Qt::LeftButton);
    });
    view.RunCommand(kCmdModify);
    EXPECT_EQ(Column(kColumnName), "张三 王五 李四'二 赵六 ");
    EXPECT_EQ(Stored("李四'二", "m_Ahead") + Stored("李四'二"), "22失效");
}

} // namespace
