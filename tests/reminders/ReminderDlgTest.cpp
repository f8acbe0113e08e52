#include "reminders/CReminderDlg.h"

#include "controls/CBirthDateEdit.h"
#include "controls/CImageButton.h"
#include "reminders/LoadReminderList.h"
#include "reminders/ReminderEditor.h"
#include "reminders/ReminderListRows.h"
#include "settings/Globals.h"
#include "ui_CReminderDlg.h"

#include "FixedClock.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "Typing.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ReminderDlg : public ::testing::Test {
protected:
    ReminderDlg()
        : dialog(NewReminderForm(DateTime(2011, 9, 9, 8, 0, 0)), prompter), ui(dialog.Controls()) {
        g_UrlPath = "http://example.test/";
        dialog.SetLinkOpener([this](const QUrl& url) {
            opened.push_back(url.toString().toStdString());
            return true;
        });
        dialog.show();
    }
    static std::string S(const QString& text) { return text.toStdString(); }

    SeededDatabase db;
    ScriptedPrompter prompter;
    CReminderDlg dialog;
    Ui::CReminderDlg& ui;
    std::vector<std::string> opened;
};

TEST_F(ReminderDlg, AddIsOfferedOnlyWithANameAndFieldsRefuseTextPastTheirBytes) {
    EXPECT_FALSE(ui.okButton->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), ui.nameEdit);
    TypeText(ui.nameEdit, "张");
    EXPECT_TRUE(ui.okButton->isEnabled());
    QTest::keyClick(ui.nameEdit, Qt::Key_Backspace);
    EXPECT_FALSE(ui.okButton->isEnabled());

    // 20 bytes: ten Chinese characters, or nine and two letters; a 4-byte
    // character that does not fit is refused whole.
    const std::pair<const char*, const char*> typed[] = {
        {"一二三四五六七八九十壹", "一二三四五六七八九十"},
        {"一二三四五六七八九𠮷ab", "一二三四五六七八九ab"},
        {"𠮷𠮷𠮷𠮷𠮷", "𠮷𠮷𠮷𠮷𠮷"},
    };
    for (const auto& [keys, kept] : typed) {
        ui.nameEdit->clear();
        TypeText(ui.nameEdit, keys);
        EXPECT_EQ(S(ui.nameEdit->text()), kept);
    }
    // A longer name stored elsewhere can be shortened, but not lengthened.
    ui.nameEdit->setText(QString::fromUtf8("一二三四五六七八九十壹"));
    TypeText(ui.nameEdit, "贰");
    QTest::keyClick(ui.nameEdit, Qt::Key_Backspace);
    EXPECT_EQ(S(ui.nameEdit->text()), "一二三四五六七八九十");
    ui.mobileEdit->setFocus();
    QTest::keyClicks(ui.mobileEdit, "123456789012345678901");
    EXPECT_EQ(S(ui.mobileEdit->text()), "12345678901234567890");
    ui.mobileEdit->clear();
    QTest::keyClicks(ui.mobileEdit, "139");
    QApplication::clipboard()->setText(QString::fromUtf8("一二三四五六七八九"));
    QTest::keyClick(ui.mobileEdit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(S(ui.mobileEdit->text()), "139") << "a paste that does not fit is refused";
}

TEST_F(ReminderDlg, MusicChoicesAndACancelledFileDialogRestoringTheLastOne) {
    EXPECT_TRUE(ui.noMusicRadio->isChecked());
    QTest::mouseClick(ui.builtInMusicRadio, Qt::LeftButton);
    EXPECT_EQ(S(ui.soundPathEdit->text()), "HAPPYBIRTHDAY");
    QTest::mouseClick(ui.ownMusicRadio, Qt::LeftButton); // cancelled
    EXPECT_TRUE(ui.builtInMusicRadio->isChecked() && ui.soundPathEdit->text() == "HAPPYBIRTHDAY");
    prompter.openFiles = {"/home/me/歌 1.mp3"};
    QTest::mouseClick(ui.ownMusicRadio, Qt::LeftButton);
    EXPECT_TRUE(ui.ownMusicRadio->isChecked());
    QTest::mouseClick(ui.ownMusicRadio, Qt::LeftButton); // asked again, cancelled: the file stays
    EXPECT_EQ(S(ui.soundPathEdit->text()), "/home/me/歌 1.mp3");
    EXPECT_EQ(prompter.openFileDialogs, 3);
    QTest::mouseClick(ui.noMusicRadio, Qt::LeftButton);
    EXPECT_EQ(S(ui.soundPathEdit->text()), "");
}

TEST_F(ReminderDlg, BlessingSwitchAndThePanelOfReadyBlessings) {
    db.Run("Update MySetting Set m_Name='小明'");
    EXPECT_TRUE(ui.blessingOffRadio->isChecked() && ui.titleEdit->isReadOnly());
    const int narrow = dialog.sizeHint().width();
    QTest::mouseClick(ui.blessingsButton, Qt::LeftButton);
    EXPECT_TRUE(dialog.BlessingsShown());
    EXPECT_EQ(S(ui.blessingsButton->text()), "祝福语<<");
    EXPECT_GT(dialog.sizeHint().width(), narrow + 100);
    QTest::mouseClick(ui.blessing3Radio, Qt::LeftButton);
    EXPECT_EQ(S(ui.contentEdit->toPlainText()), kBlessings[2]);
    EXPECT_EQ(S(ui.titleEdit->text()), "") << "a blessing leaves the title alone";

    QTest::mouseClick(ui.blessingOnRadio, Qt::LeftButton);
    EXPECT_FALSE(ui.titleEdit->isReadOnly());
    EXPECT_EQ(S(ui.titleEdit->text() + ui.contentEdit->toPlainText()),
              "来自小明的生日祝福！" + std::string(kBlessings[2]));
    QTest::mouseClick(ui.blessingOffRadio, Qt::LeftButton);
    EXPECT_TRUE(ui.titleEdit->text().isEmpty() && ui.contentEdit->toPlainText().isEmpty() &&
                ui.titleEdit->isReadOnly());
    QTest::mouseClick(ui.blessingOnRadio, Qt::LeftButton);
    EXPECT_EQ(S(ui.contentEdit->toPlainText()), kDefaultBlessing);

    QTest::mouseClick(ui.moreButton, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<std::string>{
                          "http://example.test/bbs/problem.asp?boardid=5&problemID=8"});
    QTest::mouseClick(ui.blessingsButton, Qt::LeftButton);
    EXPECT_TRUE(!dialog.BlessingsShown() && dialog.sizeHint().width() == narrow);
    EXPECT_EQ(S(ui.blessingsButton->text()), "祝福语>>");
}

TEST_F(ReminderDlg, ATakenNameKeepsTheDialogOpenAndEscLeavesWithoutSaving) {
    db.Run("Insert Into TiXing(m_Name) Values('张三')");
    TypeText(ui.nameEdit, "张三");
    QTest::mouseClick(ui.okButton, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible() && dialog.focusWidget() == ui.nameEdit);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"该姓名已存在!请确认"});
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(!dialog.isVisible() && dialog.result() == QDialog::Rejected);
    EXPECT_EQ(db.Column("select * from TiXing", "m_Name"), std::vector<std::string>{"张三"});
}

TEST_F(ReminderDlg, AFailedWriteKeepsTheDialogOpenWithEverythingTyped) {
    EXPECT_EQ(S(dialog.windowTitle()), "增加提醒");
    db.Run("Create Trigger NoInsert Before Insert On TiXing Begin "
           "Select Raise(Abort, '磁盘只读'); End");
    TypeText(ui.nameEdit, "张三");
    ui.mobileEdit->setFocus();
    QTest::keyClicks(ui.mobileEdit, "139");
    QTest::keyClick(ui.mobileEdit, Qt::Key_Return);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{DatabaseErrorText("保存张三的生日提醒",
                                                                           db.Path(), "磁盘只读")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(S(ui.nameEdit->text() + ui.mobileEdit->text()), "张三139");

    db.Run("Drop Trigger NoInsert");
    QTest::mouseClick(ui.okButton, Qt::LeftButton);
    EXPECT_TRUE(!dialog.isVisible() && dialog.result() == QDialog::Accepted);
    EXPECT_EQ(db.Column("select * from TiXing", "m_Mobile"), std::vector<std::string>{"139"});
}

// The editor for a stored person, opened as the list opens it: from the row's cells.
ReminderForm FormFromList(const std::string& name, Prompter& prompter) {
    const DateTime now(2011, 9, 9, 8, 0, 0);
    ReminderList list;
    LoadReminderList(list, FixedClock(now), prompter);
    for (const ReminderRow& row : BuildReminderRows(list, now))
        if (row.cells[kColumnName] == name)
            return EditReminderForm(std::stoi(row.cells[kColumnId]), name, row.cells[kColumnState],
                                    row.cells[kColumnCalendar] == "阴历",
                                    BirthFromListText(row.cells[kColumnBirth]), prompter);
    ADD_FAILURE() << name << " is not in the list";
    return {};
}

// A missing, early or timed birth date is shown as stored and, unless
// another is picked, left exactly as it was; a row without one asks for one.
TEST_F(ReminderDlg, EditingWritesTheBirthDateOnlyWhenAnotherIsPicked) {
    db.Run("Insert Into TiXing(m_State,m_Name,m_Date,m_DateStatus,m_Ahead) Values"
           "('生效','甲',NULL,'阳历',0),('生效','乙','','阳历',0),"
           "('生效','丙','1899-05-01 08:30:00','阳历',0),"
           "('生效','丁','1980-09-12 07:15:00','阴历',0)");
    auto stored = [this](const char* name) {
        return db.Value(SqlFormat("select ifnull(m_Mobile,'') || '|' || typeof(m_Date) || '|' || "
                                  "hex(m_Date) As row from TiXing Where m_Name='%s'",
                                  name),
                        "row");
    };
    // name, date shown, whether 确定 saves
    for (const auto& [name, shown, saves] :
         {std::tuple{"甲", "(无日期)", false}, std::tuple{"乙", "(无日期)", false},
          std::tuple{"丙", "1899-05-01", true}, std::tuple{"丁", "1980年九月十二", true}}) {
        SCOPED_TRACE(name);
        const std::string before = stored(name);
        prompter.asked.clear();
        CReminderDlg edit(FormFromList(name, prompter), prompter);
        Ui::CReminderDlg& controls = edit.Controls();
        edit.show();
        EXPECT_EQ(S(edit.windowTitle()), "修改提醒");
        EXPECT_EQ(S(edit.BirthEntry().Text()), shown);
        controls.mobileEdit->setFocus();
        QTest::keyClicks(controls.mobileEdit, "139");
        QTest::mouseClick(controls.okButton, Qt::LeftButton);
        EXPECT_EQ(edit.isVisible(), !saves);
        EXPECT_EQ(stored(name), saves ? "139" + before.substr(before.find('|')) : before);
        if (saves) {
            EXPECT_TRUE(prompter.asked.empty());
            continue;
        }
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"请选择出生日期。"});
        EXPECT_EQ(edit.focusWidget(), controls.birthEdit);
        QTest::keyClick(controls.birthEdit, Qt::Key_Up); // leaves "no date" at today
        EXPECT_EQ(controls.birthEdit->date(), QDate::currentDate());
        controls.birthEdit->setDate(QDate(1985, 3, 4));
        QTest::mouseClick(controls.okButton, Qt::LeftButton);
        EXPECT_FALSE(edit.isVisible());
        EXPECT_EQ(db.Value(SqlFormat("select * from TiXing Where m_Name='%s'", name), "m_Date"),
                  "1985-03-04 23:59:59");
    }
}

TEST_F(ReminderDlg, SwitchingTheCalendarConvertsTheDateShownAndTabWalksTheLunarEntry) {
    CBirthDateEdit& birth = dialog.BirthEntry();
    QLabel* equivalent = birth.EquivalentLabel();
    EXPECT_EQ(S(birth.Text()), "2011年八月十二") << "today, as a lunar date";
    EXPECT_EQ(S(equivalent->text()), "阳历2011-09-09");

    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), ui.nameEdit);
    ui.lunarRadio->setFocus();
    std::vector<QWidget*> walked;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(walked, (std::vector<QWidget*>{birth.LunarYearEdit(), birth.LunarMonthCombo(),
                                             birth.LunarDayCombo(), ui.mobileEdit}));

    QTest::mouseClick(ui.gregorianRadio, Qt::LeftButton);
    EXPECT_EQ(ui.birthEdit->date(), QDate(2011, 9, 9));
    EXPECT_EQ(S(equivalent->text()), "");
    ui.birthEdit->setDate(QDate(2020, 5, 30)); // in the leap fourth month
    QTest::mouseClick(ui.lunarRadio, Qt::LeftButton);
    EXPECT_EQ(S(birth.Text()), "2020年四月初八");
    EXPECT_EQ(S(equivalent->text()), "阳历2020-04-30");
    // Back untouched, the date is the one entered; changed after a switch,
    // it is converted anew.
    QTest::mouseClick(ui.gregorianRadio, Qt::LeftButton);
    EXPECT_EQ(ui.birthEdit->date(), QDate(2020, 5, 30));
    ui.birthEdit->setDate(QDate(2020, 5, 1));
    QTest::mouseClick(ui.lunarRadio, Qt::LeftButton);
    EXPECT_EQ(S(birth.Text()), "2020年四月初九");

    // No date stays none in either calendar, and OK asks for one.
    birth.LunarYearEdit()->setValue(birth.LunarYearEdit()->minimum());
    EXPECT_EQ(S(birth.Text()), "(无日期)");
    EXPECT_FALSE(birth.LunarMonthCombo()->isEnabled() || birth.LunarDayCombo()->isEnabled());
    QTest::mouseClick(ui.gregorianRadio, Qt::LeftButton);
    EXPECT_EQ(S(birth.Text()), "(无日期)");
    QTest::mouseClick(ui.lunarRadio, Qt::LeftButton);
    TypeText(ui.nameEdit, "张三");
    QTest::mouseClick(ui.okButton, Qt::LeftButton);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"请选择出生日期。"});
    EXPECT_EQ(QApplication::focusWidget(), birth.LunarYearEdit());
    QTest::keyClick(birth.LunarYearEdit(), Qt::Key_Up); // from no date to today
    EXPECT_NE(S(birth.Text()), "(无日期)");
    EXPECT_TRUE(birth.LunarMonthCombo()->isEnabled() && birth.LunarDayCombo()->isEnabled());
}

// Values longer than their fields show their beginning.
TEST_F(ReminderDlg, LongValuesShowTheirBeginning) {
    ReminderForm form = NewReminderForm(DateTime(2011, 9, 9, 8, 0, 0));
    form.name = "欧阳娜娜";
    form.mobile = "13800138000";
    form.email = "ouyang.nana.family.birthdays.2026@mail.example.com";
    form.music = MusicChoice::OwnFile;
    form.soundPath = "/home/ouyang/音乐/生日歌/各种版本/中文/祝你生日快乐（钢琴独奏版）.mp3";
    form.blessing = BlessingChoice::On;
    form.title = "祝欧阳娜娜生日快乐，愿你在新的一岁里平安喜乐、万事如意、心想事成";
    CReminderDlg edit(form, prompter);
    Ui::CReminderDlg& controls = edit.Controls();
    edit.show();
    ASSERT_EQ(S(controls.titleEdit->text()), form.title);
    // The name field, which has the keyboard, keeps the cursor where typing goes on.
    EXPECT_EQ(edit.focusWidget(), controls.nameEdit);
    for (QLineEdit* field :
         {controls.mobileEdit, controls.emailEdit, controls.soundPathEdit, controls.titleEdit})
        EXPECT_EQ(field->cursorPosition(), 0) << field->objectName().toStdString();
}

} // namespace
