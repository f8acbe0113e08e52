#include "reminders/CReminderDlg.h"

#include "app/Globals.h"
#include "controls/CImageButton.h"
#include "reminders/ReminderEditor.h"
#include "ui_CReminderDlg.h"

#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "Typing.h"

#include <QApplication>
#include <QClipboard>
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
    EXPECT_TRUE(ui.builtInMusicRadio->isChecked());
    EXPECT_EQ(S(ui.soundPathEdit->text()), "HAPPYBIRTHDAY");
    prompter.openFiles = {"/home/me/歌 1.mp3"};
    QTest::mouseClick(ui.ownMusicRadio, Qt::LeftButton);
    EXPECT_TRUE(ui.ownMusicRadio->isChecked());
    EXPECT_EQ(S(ui.soundPathEdit->text()), "/home/me/歌 1.mp3");
    QTest::mouseClick(ui.ownMusicRadio, Qt::LeftButton); // asked again, cancelled: the file stays
    EXPECT_EQ(S(ui.soundPathEdit->text()), "/home/me/歌 1.mp3");
    EXPECT_EQ(prompter.openFileDialogs, 3);
    QTest::mouseClick(ui.noMusicRadio, Qt::LeftButton);
    EXPECT_EQ(S(ui.soundPathEdit->text()), "");
}

TEST_F(ReminderDlg, BlessingSwitchAndThePanelOfReadyBlessings) {
    db.Run("Update MySetting Set m_Name='小明'");
    EXPECT_TRUE(ui.blessingOffRadio->isChecked());
    EXPECT_TRUE(ui.titleEdit->isReadOnly());
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
    EXPECT_EQ(S(ui.titleEdit->text()), "来自小明的生日祝福！");
    EXPECT_EQ(S(ui.contentEdit->toPlainText()), kBlessings[2]);
    QTest::mouseClick(ui.blessingOffRadio, Qt::LeftButton);
    EXPECT_EQ(S(ui.titleEdit->text() + ui.contentEdit->toPlainText()), "");
    EXPECT_TRUE(ui.titleEdit->isReadOnly());
    QTest::mouseClick(ui.blessingOnRadio, Qt::LeftButton);
    EXPECT_EQ(S(ui.contentEdit->toPlainText()), kDefaultBlessing);

    QTest::mouseClick(ui.moreButton, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<std::string>{
                          "http://example.test/bbs/problem.asp?boardid=5&problemID=8"});
    QTest::mouseClick(ui.blessingsButton, Qt::LeftButton);
    EXPECT_FALSE(dialog.BlessingsShown());
    EXPECT_EQ(S(ui.blessingsButton->text()), "祝福语>>");
    EXPECT_EQ(dialog.sizeHint().width(), narrow);
}

TEST_F(ReminderDlg, ATakenNameKeepsTheDialogOpenAndEscLeavesWithoutSaving) {
    db.Run("Insert Into TiXing(m_Name) Values('张三')");
    TypeText(ui.nameEdit, "张三");
    QTest::mouseClick(ui.okButton, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"该姓名已存在!请确认"});
    EXPECT_EQ(dialog.focusWidget(), ui.nameEdit);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(db.Column("select * from TiXing", "m_Name"), std::vector<std::string>{"张三"});
}

} // namespace
