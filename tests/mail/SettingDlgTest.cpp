#include "mail/CSettingDlg.h"

#include "controls/CImageButton.h"
#include "platform/PasswordHash.h"
#include "settings/BuiltInAccount.h"
#include "settings/Globals.h"
#include "ui_CSettingDlg.h"

#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SettingDlg : public ::testing::Test {
protected:
    SettingDlg() {
        db.Run("Update MySetting Set m_Name='小明',m_IsLock=0,m_UnLockPwd='pw',m_SmtpSelect=0,"
               "m_Email='me@126.com',m_ServerName='smtp.126.com',m_UserName='me',"
               "m_Password='secret',m_AcceptEmail='me@example.com'");
        g_Setting = SettingRecord();
    }
    ~SettingDlg() override { g_Setting = SettingRecord(); }

    // 邮箱|服务器|用户名|密码, and whether they can be changed.
    static std::string Sender(Ui::CSettingDlg& ui) {
        return (ui.emailEdit->text() + "|" + ui.serverCombo->currentText() + "|" +
                ui.userNameEdit->text() + "|" + ui.passwordEdit->text() +
                (ui.emailEdit->isEnabled() ? "|own" : "|fixed"))
            .toStdString();
    }

    SeededDatabase db;
    ScriptedPrompter prompter;
};

TEST_F(SettingDlg, SwitchesAccountsAndSavesOnceTheConfirmationMatches) {
    CSettingDlg dialog(prompter);
    Ui::CSettingDlg& ui = dialog.Controls();
    dialog.show();
    EXPECT_TRUE(ui.ownAccountRadio->isChecked() && ui.lockOffRadio->isChecked());
    EXPECT_EQ(Sender(ui), "me@126.com|smtp.126.com|me|secret|own");

    ui.nicknameEdit->setText(QString::fromUtf8("别名"));
    QTest::mouseClick(ui.builtInAccountRadio, Qt::LeftButton);
    EXPECT_EQ(Sender(ui), std::string(kBuiltInEmail) + "|" + std::string(kBuiltInServerName) + "|" +
                              std::string(kBuiltInUserName) + "|" + std::string(kBuiltInPassword) +
                              "|fixed");
    QTest::mouseClick(ui.ownAccountRadio, Qt::LeftButton);
    EXPECT_EQ(Sender(ui), "me@126.com|smtp.126.com|me|secret|own");
    EXPECT_EQ(ui.nicknameEdit->text().toStdString(), "小明");
    // Typing the address (not filling it in) sets user name and server.
    QTest::keyClick(ui.emailEdit, Qt::Key_End);
    QTest::keyClicks(ui.emailEdit, "x");
    EXPECT_EQ(Sender(ui), "me@126.comx|smtp.126.comx|me||own");
    QTest::keyClick(ui.emailEdit, Qt::Key_Backspace);

    // The stored password is announced, not shown.
    EXPECT_EQ(ui.unlockEdit->placeholderText(), QString::fromUtf8("已设置"));
    QTest::mouseClick(ui.lockOnRadio, Qt::LeftButton);
    ui.unlockEdit->setText("new");
    QTest::mouseClick(ui.okButton, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompter.asked.size(), 1u); // the two passwords differ
    EXPECT_EQ(dialog.focusWidget(), ui.unlockEdit);

    ui.confirmEdit->setText("new");
    ui.passwordEdit->setText("pw");
    ui.dayEmailCheck->setChecked(true);
    QTest::keyClick(ui.acceptEdit, Qt::Key_Return); // Enter is 设定
    EXPECT_FALSE(dialog.isVisible());
    // Saved, and the next mail uses it.
    EXPECT_EQ(g_Setting.m_Password + "|" + g_Setting.m_ServerName, "pw|smtp.126.com");
    EXPECT_EQ(g_Setting.m_DayEmail, 1);
    EXPECT_TRUE(PasswordMatches("new", g_Setting.m_UnLockPwd));
}

TEST_F(SettingDlg, ClearingThePasswordEmptiesItsFieldsAndLeavesNone) {
    {
        CSettingDlg dialog(prompter);
        Ui::CSettingDlg& ui = dialog.Controls();
        dialog.show();
        ASSERT_TRUE(ui.clearPasswordCheck->isEnabled());
        ui.unlockEdit->setText("half");
        QTest::mouseClick(ui.clearPasswordCheck, Qt::LeftButton);
        EXPECT_TRUE(!ui.unlockEdit->isEnabled() && ui.unlockEdit->text().isEmpty());
        QTest::keyClick(ui.nicknameEdit, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(db.Value("Select * From MySetting", "m_UnLockPwd") + "|" + g_Setting.m_UnLockPwd,
              "|");
    EXPECT_TRUE(prompter.asked.empty());

    // Nothing stored: nothing to announce or clear.
    CSettingDlg reopened(prompter);
    EXPECT_TRUE(reopened.Controls().unlockEdit->placeholderText().isEmpty());
    EXPECT_FALSE(reopened.Controls().clearPasswordCheck->isEnabled());
}

// An empty server field shows the form a server takes, whole; the note on
// the authorisation code sits under the password; long values show their
// beginning.
TEST_F(SettingDlg, ServerFormAndAuthorisationCodeNoteShowAndLongValuesShowTheirStart) {
    const std::string accept = "zhang.san.family.birthdays.2026@mail.example.com";
    const std::string server = "smtp.mail.example-provider-with-a-long-name.com.cn:465";
    db.Run(SqlFormat("Update MySetting Set m_ServerName='',m_AcceptEmail='%s',"
                     "m_UserName='zhang.san.family.birthdays.2026'",
                     accept));
    {
        CSettingDlg dialog(prompter);
        Ui::CSettingDlg& ui = dialog.Controls();
        dialog.show();
        QLineEdit* serverEdit = ui.serverCombo->lineEdit();
        ASSERT_TRUE(serverEdit->text().isEmpty());
        const QString form = QString::fromUtf8("smtp.example.com 或 smtp.example.com:465");
        EXPECT_EQ(serverEdit->placeholderText(), form);
        EXPECT_GT(serverEdit->width(), serverEdit->fontMetrics().horizontalAdvance(form))
            << "the form shows whole";

        const QLabel* note = ui.passwordNote;
        EXPECT_EQ(note->text(),
                  QString::fromUtf8("QQ、163、126 邮箱请填写 SMTP 授权码，而不是登录密码。"));
        EXPECT_TRUE(note->isVisible());
        const QRect password(ui.passwordEdit->mapTo(&dialog, QPoint(0, 0)),
                             ui.passwordEdit->size());
        const QRect under(note->mapTo(&dialog, QPoint(0, 0)), note->size());
        EXPECT_GE(under.top(), password.bottom());
        EXPECT_LT(under.left(), password.right());
        EXPECT_GE(note->width(), note->sizeHint().width()) << "the note shows whole";
        EXPECT_TRUE(ui.accountBox->contentsRect().contains(
            QRect(note->mapTo(ui.accountBox, QPoint(0, 0)), note->size())));

        EXPECT_EQ(ui.acceptEdit->text().toStdString(), accept);
        for (const QLineEdit* edit : {ui.acceptEdit, ui.userNameEdit, ui.emailEdit})
            EXPECT_EQ(edit->cursorPosition(), 0) << edit->objectName().toStdString();
    }
    db.Run(SqlFormat("Update MySetting Set m_ServerName='%s'", server));
    CSettingDlg dialog(prompter);
    dialog.show();
    EXPECT_EQ(dialog.Controls().serverCombo->currentText().toStdString(), server);
    EXPECT_EQ(dialog.Controls().serverCombo->lineEdit()->cursorPosition(), 0);
    EXPECT_TRUE(prompter.asked.empty());
}

} // namespace
