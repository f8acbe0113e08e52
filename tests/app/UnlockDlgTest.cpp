#include "ShellFixture.h"

#include "app/LoadSettings.h"
#include "controls/ResourceImages.h"
#include "platform/PasswordHash.h"

#include "SeededDatabase.h"

namespace {

using UnlockDialog = ShellTest;

// A password an older copy stored as typed: start-up keeps only its hash, and
// the dialog takes the password against that hash, start after start.
TEST_F(UnlockDialog, APasswordStoredAsTypedStillUnlocksButIsKeptOnlyAsItsHash) {
    const SeededDatabase db;
    db.Run("Update MySetting Set m_IsLock=1,m_UnLockPwd='pw'");
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        LoadSettings(prompter);
        const std::string stored = db.Value("Select * From MySetting", "m_UnLockPwd");
        EXPECT_TRUE(IsPasswordHash(stored)) << stored;
        EXPECT_EQ(g_Setting.m_UnLockPwd, stored);
        ASSERT_EQ(g_Setting.m_IsLock, 1);

        CTrayIcon tray;
        tray.Create(kIconLocked);
        CUnlockDlg dialog(tray, prompter);
        dialog.show();
        QLineEdit* field = dialog.PasswordField();
        QTest::keyClicks(field, "pW");
        QTest::mouseClick(dialog.UnlockButton(), Qt::LeftButton);
        ASSERT_EQ(prompter.Texts(), std::vector<std::string>{"解锁密码不正确！"});
        EXPECT_TRUE(dialog.isVisible() && g_Setting.m_IsLock == 1);

        field->clear();
        QTest::keyClicks(field, "pw");
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(std::pair(g_Setting.m_IsLock, tray.IconId()), std::pair(0, 128));
        prompter.asked.clear();
    }
}

} // namespace
