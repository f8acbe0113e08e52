#include "views/CFestivalDlg.h"

#include "app/CMainFrame.h"
#include "controls/CImageButton.h"
#include "ui_CFestivalDlg.h"
#include "views/CAvCalendar.h"

#include "FixedClock.h"
#include "ModalAnswer.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "TestFiles.h"
#include "Typing.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string S(const QString& text) {
    return text.toStdString();
}

class FestivalDlg : public ::testing::Test {
protected:
    FestivalDlg() { WriteBytes(Ini(), "; mine\r\n[Festival]\r\n24Fest=0\r\n"); }

    std::filesystem::path Ini() const { return db.Dir().Path() / "annivo.ini"; }
    void Open() {
        dialog = std::make_unique<CFestivalDlg>(prompter);
        ui = &dialog->Controls();
        dialog->show();
    }
    CSortListCtrl& List() const { return *ui->festivalList; }
    int RowOf(const std::string& name) const {
        for (int row = 0; row < List().GetItemCount(); ++row)
            if (List().GetItemText(row, 2) == name)
                return row;
        return -1;
    }
    void Click(const std::string& name) {
        const QModelIndex index = List().model()->index(RowOf(name), 2);
        List().scrollTo(index);
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, List().visualRect(index).center());
    }
    void Name(const char* name) {
        ui->nameEdit->clear();
        TypeText(ui->nameEdit, name);
    }
    // "class,calendar,month,day" of every row of that name, in key order.
    std::vector<std::string> Stored(const std::string& name) const {
        return db.Column(SqlFormat("Select [Class]||','||GorN||','||[Month]||','||[Day] As v "
                                   "From Festival Where FestivalName='%s' Order By 编号",
                                   name),
                         "v");
    }
    int KeyOf(const std::string& name) const {
        return std::stoi(
            db.Value(SqlFormat("Select * From Festival Where FestivalName='%s'", name), "编号"));
    }
    std::string Combos() const {
        return S(ui->nameEdit->text() + ":" + ui->calendarCombo->currentText() + "," +
                 ui->monthCombo->currentText() + "," + ui->dayCombo->currentText() + "," +
                 ui->classCombo->currentText());
    }
    std::string Buttons() const {
        return std::string(ui->addButton->isEnabled() ? "添加" : "") +
               (ui->updateButton->isEnabled() ? "更新" : "") +
               (ui->deleteButton->isEnabled() ? "删除" : "");
    }

    SeededDatabase db;
    ScopedEnv home{"ANNIVO_HOME", db.Dir().Path().string()};
    ScriptedPrompter prompter;
    std::unique_ptr<CFestivalDlg> dialog;
    Ui::CFestivalDlg* ui = nullptr;
};

TEST_F(FestivalDlg, OpensOnTheStoredOptionsAndListsByClassMonthDayWithExactRowSelection) {
    db.Run("Insert Into Festival([Class],GorN,[Month],[Day],FestivalName) Values "
           "(3,1,1,1,'自己的'),(0,1,12,31,'年末'),(0,0,2,1,'二月')");
    Open();
    EXPECT_FALSE(ui->solarTermsCheck->isChecked());
    EXPECT_TRUE(ui->birthdaysCheck->isChecked()) << "a missing key counts as on";
    EXPECT_EQ(dialog->focusWidget(), ui->nameEdit);
    EXPECT_EQ(Combos(), ":阴历,1,1,法定节日");
    EXPECT_EQ(Buttons(), "") << "nothing to add without a name, nothing selected";

    // Class, then month, then day, numerically; the hidden first column holds the key.
    const std::vector<int> order = {RowOf("元旦"),   RowOf("二月"),  RowOf("劳动节"),
                                    RowOf("国庆节"), RowOf("年末"),  RowOf("元宵节"),
                                    RowOf("情人节"), RowOf("自己的")};
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(order.back(), List().GetItemCount() - 1);
    EXPECT_TRUE(List().isColumnHidden(0));
    for (int row = 0; row < List().GetItemCount(); ++row)
        EXPECT_EQ(List().GetItemText(row, 0), std::to_string(KeyOf(List().GetItemText(row, 2))));

    // 20 GB18030 bytes, as the reminder editor's name.
    TypeText(ui->nameEdit, "一二三四五六七八九十壹");
    EXPECT_EQ(S(ui->nameEdit->text()), "一二三四五六七八九十");
    EXPECT_EQ(Buttons(), "添加");
    // Tab reaches every field and every button that can act.
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    std::string chain;
    for (int i = 0; i < 11; ++i, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
        chain += QApplication::focusWidget()->objectName().toStdString() + " ";
    EXPECT_EQ(chain, "nameEdit calendarCombo monthCombo dayCombo classCombo addButton "
                     "festivalList solarTermsCheck birthdaysCheck okButton cancelButton ");

    // A row selects the entries that read exactly its values.
    const std::pair<const char*, const char*> rows[] = {
        {"元旦", "元旦:阳历,1,1,法定节日"},
        {"国庆节", "国庆节:阳历,10,1,法定节日"},
        {"腊八节", "腊八节:阴历,12,8,传统节日"},
        {"元旦", "元旦:阳历,1,1,法定节日"}, // "1" again after "10" and "12"
        {"年末", "年末:阳历,12,31,法定节日"},
    };
    for (const auto& [name, combos] : rows) {
        Click(name);
        EXPECT_EQ(Combos(), combos) << name;
        EXPECT_EQ(ui->nameEdit->cursorPosition(), 0) << "a long name shows its beginning";
        EXPECT_EQ(dialog->CurrentKey(), KeyOf(name));
        EXPECT_EQ(Buttons(), "添加更新删除");
    }
}

TEST_F(FestivalDlg, AddAndUpdateAskOnlyAboutAnotherRowsNameAndNoKeepsTheTable) {
    using Texts = std::vector<std::string>;
    const std::string addQuestion = "该节日名称已存在！您确定要添加相同的名称吗？";
    const std::string updateQuestion = "该节日名称已存在！您确定要修改它与别的节日相同的名称吗？";
    const auto press = [this](CImageButton* button, PromptAnswer answer) {
        prompter.asked.clear();
        prompter.answers = {answer};
        QTest::mouseClick(button, Qt::LeftButton);
        return prompter.Texts();
    };
    Open();
    Name("春节");
    ui->calendarCombo->setCurrentIndex(1);
    ui->monthCombo->setCurrentIndex(1);
    ui->dayCombo->setCurrentIndex(29);
    ui->classCombo->setCurrentIndex(3);
    EXPECT_EQ(press(ui->addButton, PromptAnswer::Yes), Texts{"阳历2月没有30日，请重新选择日期。"});
    ui->dayCombo->setCurrentIndex(28); // shows in leap years
    EXPECT_EQ(press(ui->addButton, PromptAnswer::No), Texts{addQuestion});
    EXPECT_TRUE(prompter.asked[0].caption == "提示" &&
                prompter.asked[0].buttons == PromptButtons::YesNo &&
                prompter.asked[0].icon == PromptIcon::Question);
    EXPECT_EQ(Stored("春节"), Texts{"0,0,1,1"});
    EXPECT_EQ(press(ui->addButton, PromptAnswer::Yes), (Texts{addQuestion, "添加成功！"}));
    EXPECT_EQ(Stored("春节"), (Texts{"0,0,1,1", "3,1,2,29"}));
    EXPECT_EQ(List().GetItemText(List().GetSelectionMark(), 5), "29") << "the new row is shown";

    Click("元旦");
    const int key = KeyOf("元旦");
    ui->dayCombo->setCurrentIndex(1);
    EXPECT_EQ(press(ui->updateButton, PromptAnswer::No), Texts{"修改成功！"}) << "same name";
    EXPECT_EQ(Stored("元旦"), Texts{"0,1,1,2"});
    Name("春节");
    EXPECT_EQ(press(ui->updateButton, PromptAnswer::No), Texts{updateQuestion});
    EXPECT_EQ(Stored("元旦"), Texts{"0,1,1,2"});
    EXPECT_EQ(press(ui->updateButton, PromptAnswer::Yes), (Texts{updateQuestion, "修改成功！"}));
    EXPECT_EQ(db.Value(SqlFormat("Select * From Festival Where 编号=%d", key), "FestivalName"),
              "春节");
}

TEST_F(FestivalDlg, OptionsAreWrittenOnlyBy确认AndEnterInTheFieldsAddsInstead) {
    const std::string before = ReadBytes(Ini());
    Open();
    ui->solarTermsCheck->setChecked(true);
    ui->birthdaysCheck->setChecked(false);
    QTest::keyClick(ui->nameEdit, Qt::Key_Return); // no name: nothing happens
    Name("回车节");
    QTest::keyClick(ui->nameEdit, Qt::Key_Return);
    ui->dayCombo->setFocus();
    QTest::keyClick(ui->dayCombo, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{
                  "添加成功！", "该节日名称已存在！您确定要添加相同的名称吗？", "添加成功！"}));
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClick(ui->nameEdit, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ReadBytes(Ini()), before) << "退出 leaves the file as it was";

    Open();
    ui->birthdaysCheck->setChecked(false);
    ui->solarTermsCheck->setFocus();
    QTest::keyClick(ui->solarTermsCheck, Qt::Key_Space);
    QTest::keyClick(ui->solarTermsCheck, Qt::Key_Return); // 确认 from anywhere else
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(ReadBytes(Ini()), "; mine\r\n[Festival]\r\n24Fest=1\r\nBirthday=0\r\n");

    // A profile that cannot be written is reported and the dialog stays.
    std::filesystem::remove(Ini());
    std::filesystem::create_directory(Ini());
    Open();
    prompter.asked.clear();
    QTest::mouseClick(ui->okButton, Qt::LeftButton);
    EXPECT_EQ(prompter.Texts().at(0).rfind("无法保存节日选项：", 0), 0u);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(FestivalDlg, OddNamesRoundTripAndADeletedRowCannotBeDeletedAgain) {
    Open();
    for (const char* name :
         {"O'Brien节", "\"双引号\"", "C:\\节\\", "100%满意", "𠮷野家", "#1# ''"}) {
        Name(name);
        QTest::mouseClick(ui->addButton, Qt::LeftButton);
        ASSERT_EQ(List().GetSelectionMark(), RowOf(name)) << "added, listed and selected";
        const std::string renamed = std::string(name) + "2";
        Name(renamed.c_str());
        QTest::mouseClick(ui->updateButton, Qt::LeftButton);
        EXPECT_EQ(List().GetItemText(List().GetSelectionMark(), 2), renamed);
        // Gone after one 删除: nothing selected, so a second press does nothing.
        QTest::mouseClick(ui->deleteButton, Qt::LeftButton);
        QTest::mouseClick(ui->deleteButton, Qt::LeftButton);
        EXPECT_TRUE(Stored(renamed).empty() && RowOf(renamed) == -1 && Buttons() == "添加");
        EXPECT_EQ(prompter.Texts(),
                  (std::vector<std::string>{"添加成功！", "修改成功！", "删除成功！"}))
            << name;
        prompter.asked.clear();
    }
}

TEST_F(FestivalDlg, ADatabaseFailureIsShownAndTheOperationStops) {
    Open();
    Click("元旦");
    const int rows = List().GetItemCount();
    db.Run("Drop Table Festival");
    for (CImageButton* button : {ui->addButton, ui->updateButton, ui->deleteButton}) {
        prompter.asked.clear();
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_EQ(prompter.asked.size(), 1u) << S(button->text());
        EXPECT_NE(prompter.asked[0].text.find("Festival"), std::string::npos);
        EXPECT_TRUE(List().GetItemCount() == rows &&
                    List().GetItemText(List().GetSelectionMark(), 2) == "元旦")
            << "no refill";
    }
}

// Through the main window: the calendar shows the dialog's changes as soon as it closes.
TEST_F(FestivalDlg, TheCalendarShowsANewFestivalAndTheSwitchesOnceTheDialogCloses) {
    FixedClock clock{DateTime(2011, 9, 9, 8, 0, 0)};
    CMainFrame frame(prompter, clock);
    frame.SetQuitHandler([](int) {});
    frame.SwitchView(kViewCalendar);
    auto* calendar = static_cast<CAvCalendar*>(frame.View(kViewCalendar));
    const auto label = [calendar](int day) {
        return S(calendar->DayText(DateTime(2011, 9, 1).DayOfWeek() + day - 1)->text());
    };
    WriteBytes(Ini(), "[Festival]\r\n24Fest=1\r\n");
    calendar->Refresh();
    ASSERT_EQ(label(8), "白露");
    ASSERT_EQ(label(20), "廿三");

    AnswerModal<CFestivalDlg>([](CFestivalDlg& festivals) {
        Ui::CFestivalDlg& controls = festivals.Controls();
        TypeText(controls.nameEdit, "新节");
        controls.calendarCombo->setCurrentIndex(1);
        controls.monthCombo->setCurrentIndex(8);
        controls.dayCombo->setCurrentIndex(19);
        QTest::mouseClick(controls.addButton, Qt::LeftButton);
        controls.solarTermsCheck->setChecked(false);
        QTest::mouseClick(controls.okButton, Qt::LeftButton);
    });
    frame.RunCommand(kCmdFestivals);
    EXPECT_EQ(label(20), "新节");
    EXPECT_EQ(label(8), "十一");
}

} // namespace
