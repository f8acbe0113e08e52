#include "reminders/CAnnivoView.h"

#include "controls/CSortListCtrl.h"
#include "controls/FrameCommands.h"
#include "reminders/CReminderDlg.h"
#include "reminders/ReminderListRows.h"
#include "settings/Globals.h"
#include "ui_CReminderDlg.h"

#include "FixedClock.h"
#include "ModalAnswer.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QToolTip>
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
    int Row(const std::string& name) const {
        for (int row = 0; row < view.List()->GetItemCount(); ++row)
            if (view.List()->GetItemText(row, kColumnName) == name)
                return row;
        return -1;
    }
    QPoint CellCentre(int row, int column) const {
        return view.List()->visualRect(view.List()->model()->index(row, column)).center();
    }
    void ClickHeader(int column) {
        QHeaderView* header = view.List()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    }
    // Runs `open` and returns the name the reminder editor showed, "" when none opened.
    std::string EditorNameAfter(const std::function<void()>& open) {
        std::string shown;
        AnswerModal<CReminderDlg>([&shown](CReminderDlg& dialog) {
            shown = dialog.Controls().nameEdit->text().toStdString();
        });
        open();
        return shown;
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

TEST_F(AnnivoView, AListReloadedWhileHiddenShowsTheChangeWhenShownAgain) {
    view.hide();
    db.Run("Insert Into TiXing(m_State,m_Name,m_Date,m_DateStatus,m_Ahead) Values"
           "('生效','孙七','1988-12-01 23:59:59','阳历',0)");
    const int before = restarts;
    view.Reload();
    EXPECT_EQ(restarts, before + 1) << "the reminder timer starts again even while hidden";
    view.show();
    EXPECT_EQ(Column(kColumnName), "孙七 张三 王五 李四 赵六 ");
}

// Start-up makes the rows on its reading thread and offers them; the list
// may show them only while they are what it would make itself.
TEST_F(AnnivoView, OfferedRowsAreShownOnlyForTheMomentAndRecordsTheyWereMadeOf) {
    auto offer = [this](const DateTime& at, const std::string& mark) {
        SortByBirthdayThisYear(reminders);
        std::vector<ShownReminder> rows = ShownReminders(reminders, at);
        rows.front().name = mark; // tells offered rows from rows made by the list
        view.OfferRows(std::make_shared<const std::vector<ShownReminder>>(std::move(rows)), at);
    };
    view.hide();
    offer(clock.Now(), "备好的");
    view.show();
    EXPECT_EQ(Column(kColumnName), "备好的 王五 李四 赵六 ");
    view.Refresh(); // taken once: the next filling makes its own
    EXPECT_EQ(Column(kColumnName), "张三 王五 李四 赵六 ");

    // Made a day earlier, 张三's three days to go would be wrong.
    view.hide();
    offer(clock.Now(), "昨天的");
    clock.Set(DateTime(2011, 9, 10, 8, 0, 0));
    view.show();
    EXPECT_EQ(Column(kColumnName), "张三 王五 李四 赵六 ");
    EXPECT_EQ(view.List()->GetItemText(0, kColumnDaysToGo), "2");

    // Records changed since: a refresh drops the rows made of the old ones.
    view.hide();
    offer(clock.Now(), "改前的");
    view.Refresh();
    view.show();
    EXPECT_EQ(Column(kColumnName), "张三 王五 李四 赵六 ");
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

TEST_F(AnnivoView, DaysToGoSortAsNumbersWithThePeopleWithoutABirthdayLast) {
    db.Run("Insert Into TiXing(m_State,m_Name,m_Date,m_DateStatus,m_Ahead) Values"
           "('生效','九天','1990-09-18 23:59:59','阳历',0),"
           "('生效','十天','1990-09-19 23:59:59','阳历',0),"
           "('生效','百天','1990-12-18 23:59:59','阳历',0)");
    view.Reload();
    for (ReminderRecord& person : reminders)
        if (person.name == "赵六") // a birthday in neither year
            person.birthdayThisYear = person.birthdayNextYear = DateTime::Invalid();
    view.Refresh();
    ClickHeader(kColumnDaysToGo);
    // 李四's 1 March has passed: next year's, in the leap year 2012.
    EXPECT_EQ(Column(kColumnDaysToGo), "1 3 9 10 100 174  ");
    EXPECT_EQ(Column(kColumnName), "王五 张三 九天 十天 百天 李四 赵六 ");
    ClickHeader(kColumnDaysToGo);
    EXPECT_EQ(Column(kColumnDaysToGo), "174 100 10 9 3 1  ");
}

TEST_F(AnnivoView, ANameTooLongForItsColumnShowsInFullAsATipUntilTheListHasRoom) {
    const std::string longName = "欧阳诸葛司马上官慕容长孙令狐";
    db.Run(SqlFormat("Insert Into TiXing(m_State,m_Name,m_Date,m_DateStatus,m_Ahead) Values"
                     "('生效','%s','1990-10-01 23:59:59','阳历',0)",
                     longName));
    view.Reload();
    view.resize(300, 300);
    QApplication::processEvents();
    CSortListCtrl* list = view.List();
    const int row = Row(longName);
    ASSERT_TRUE(list->IsTextCut(row, kColumnName));
    EXPECT_FALSE(list->IsTextCut(Row("张三"), kColumnName));
    auto tipOver = [&](int overRow) {
        const QPoint at = CellCentre(overRow, kColumnName);
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : "";
    };
    EXPECT_EQ(tipOver(Row("张三")), ""); // a whole name needs no tip
    EXPECT_EQ(tipOver(row), longName);

    // With room the name column takes it, and the name shows whole.
    const int narrow = list->columnWidth(kColumnName);
    view.resize(900, 300);
    QApplication::processEvents();
    EXPECT_GT(list->columnWidth(kColumnName), narrow);
    EXPECT_FALSE(list->IsTextCut(row, kColumnName));
    QToolTip::hideText();
}

TEST_F(AnnivoView, DoubleClickAndEnterOpenTheEditorOnTheRow) {
    CSortListCtrl* list = view.List();
    const QPoint li = CellCentre(Row("李四"), kColumnState);
    EXPECT_EQ(EditorNameAfter([&] {
                  // What a double click brings: a click, then the second press.
                  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, li);
                  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, li);
              }),
              "李四");
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, li);
    Select("王五");
    EXPECT_EQ(EditorNameAfter([&] { QTest::keyClick(list, Qt::Key_Return); }), "王五");
    EXPECT_EQ(EditorNameAfter([&] { QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier); }),
              "王五");
}

TEST_F(AnnivoView, DeleteKeyAsksAsTheCommandDoesAndDeletesOnlyOnOk) {
    Select("王五");
    prompter.answers = {PromptAnswer::Cancel};
    QTest::keyClick(view.List(), Qt::Key_Delete);
    EXPECT_EQ(Stored("王五", "m_Name"), "王五");
    QTest::keyClick(view.List(), Qt::Key_Delete);
    EXPECT_EQ(Stored("王五", "m_Name"), "(no row)");
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"你确定要删除关于 王五 的生日提醒吗?",
                                                          "你确定要删除关于 王五 的生日提醒吗?",
                                                          "删除 王五 的生日提醒成功!"}));
    EXPECT_EQ(Column(kColumnName), "张三 李四 赵六 ");
    QTest::keyClick(view.List(), Qt::Key_Delete); // nothing selected: nothing asked
    EXPECT_EQ(prompter.asked.size(), 3u);
}

} // namespace
