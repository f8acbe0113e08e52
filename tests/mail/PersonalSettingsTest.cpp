#include "mail/PersonalSettings.h"

#include "platform/PasswordHash.h"
#include "settings/BuiltInAccount.h"

#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

class PersonalSettings : public ::testing::Test {
protected:
    PersonalSettings() {
        db.Run("Update MySetting Set m_Name='小明',m_MyMobile='139',m_IsLock=1,m_UnLockPwd='pw',"
               "m_DayWnd=-1,m_DayEmail=0,m_AheadWnd=0,m_AheadEmail=1,m_EveryDay=1,"
               "m_AcceptEmail='me@example.com',m_SmtpSelect=0,m_Email='me@qq.com',"
               "m_ServerName='SMTP.QQ.COM',m_UserName='me',m_Password='secret'");
    }
    std::string Stored() const {
        std::string row;
        for (const char* column :
             {"m_Name", "m_MyMobile", "m_IsLock", "m_UnLockPwd", "m_DayWnd", "m_DayEmail",
              "m_AheadWnd", "m_AheadEmail", "m_EveryDay", "m_AcceptEmail", "m_SmtpSelect",
              "m_Email", "m_ServerName", "m_UserName", "m_Password"}) {
            const std::string value = db.Value("Select * From MySetting", column);
            row += (IsPasswordHash(value) ? "(hash)" : value) + "|";
        }
        return row;
    }
    std::string StoredPassword() const {
        return db.Value("Select * From MySetting", "m_UnLockPwd");
    }
    static std::string Sender(const SettingForm& f) {
        return std::to_string(static_cast<int>(f.account)) + "|" + f.email + "|" +
               std::to_string(f.serverIndex) + "|" + f.serverText + "|" + f.userName + "|" +
               f.password;
    }

    SeededDatabase db;
    ScriptedPrompter prompter;
};

TEST_F(PersonalSettings, OpeningShowsTheRowAndFindsTheStoredServerInTheList) {
    SettingForm form;
    ASSERT_TRUE(LoadSettingForm(form, prompter));
    // The password is announced, never shown.
    EXPECT_EQ(form.unlockPassword + "|" + form.unlockConfirm + "|" +
                  std::to_string(form.unlockPasswordSet) + std::to_string(form.isLock),
              "||11");
    EXPECT_EQ(Sender(form), "0|me@qq.com|2|smtp.qq.com|me|secret");

    // The built-in account shows itself whatever the sender columns hold;
    // switches converted from the old format store true as -1.
    for (const std::string on : {"1", "-1"}) {
        db.Run("Update MySetting Set m_IsLock=" + on + ",m_SmtpSelect=" + on);
        SettingForm builtIn;
        ASSERT_TRUE(LoadSettingForm(builtIn, prompter));
        EXPECT_EQ(builtIn.isLock, 1) << on;
        EXPECT_EQ(Sender(builtIn),
                  "1|" + std::string(kBuiltInEmail) + "|9|" + std::string(kBuiltInServerName) +
                      "|" + std::string(kBuiltInUserName) + "|" + std::string(kBuiltInPassword));
    }

    db.Run("Delete From MySetting");
    SettingForm empty;
    EXPECT_FALSE(LoadSettingForm(empty, prompter));
    EXPECT_TRUE(empty.isLock == -1 && empty.account == SenderAccount::None);
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(PersonalSettings, AStoredServerIsLookedUpFromTheSecondEntryOn) {
    const std::pair<const char*, int> cases[] = {
        {"smtp.1", 1}, {"smtp.163.com", 0},      {"SMTP.QQ", 2},
        {"smtp.s", 3}, {"mail.example.org", -1}, {"", -1}};
    for (const auto& [server, index] : cases)
        EXPECT_EQ(FindServerStartingWith(server), index) << server;
}

TEST_F(PersonalSettings, TypingAnAddressFillsUserNameAndServerAndClearsThePassword) {
    for (const auto& [typed, sender] : {
             std::pair{"bob", "-1|bob|-1||bob|"},
             {"bob@", "-1|bob@|2|smtp.qq.com|me|"},
             {"bob@qq.com", "-1|bob@qq.com|2|smtp.qq.com|bob|"},
             {"bob@1", "-1|bob@1|0|smtp.163.com|bob|"}, // the first entry holding the typed part
             {"bob@example.org", "-1|bob@example.org|-1|smtp.example.org|bob|"},
             {"bob@a@b", "-1|bob@a@b|-1|smtp.a@b|bob|"},
         }) {
        SettingForm form;
        form.userName = "me";
        form.serverIndex = 2;
        form.serverText = "smtp.qq.com";
        form.password = "secret";
        OnEmailEdited(form, typed);
        EXPECT_EQ(Sender(form), sender) << typed;
    }
}

TEST_F(PersonalSettings, SavingTheOwnAccountWritesEveryColumnAndTheRunningSettingsButTheLock) {
    SettingForm form;
    ASSERT_TRUE(LoadSettingForm(form, prompter));
    form.nickname = "O'Brien";
    form.isLock = 0;
    form.unlockPassword = form.unlockConfirm = "it's \"100%\" \\𠮷";
    form.dayEmail = true;
    OnEmailEdited(form, "bob@163.com");
    form.password = "p'a\"ss";
    SettingRecord running;
    running.m_IsLock = 1;
    ASSERT_EQ(SaveSettingForm(form, running, prompter), SettingsSaveOutcome::Saved);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(Stored(), "O'Brien|139|0|(hash)|1|1|0|1|1|me@example.com|0|bob@163.com|"
                        "smtp.163.com|bob|p'a\"ss|");
    EXPECT_TRUE(PasswordMatches("it's \"100%\" \\𠮷", StoredPassword()));
    EXPECT_EQ(running.m_IsLock, 1) << "a lock change counts from the next start";
    EXPECT_EQ(running.m_UserName + "|" + running.m_Password + "|" + running.m_UnLockPwd,
              "bob|p'a\"ss|" + StoredPassword());
}

TEST_F(PersonalSettings, SavingTheBuiltInAccountLeavesTheOwnSenderColumnsAlone) {
    SettingForm form;
    ASSERT_TRUE(LoadSettingForm(form, prompter));
    UseBuiltInAccount(form);
    form.aheadWindow = true;
    SettingRecord running;
    ASSERT_EQ(SaveSettingForm(form, running, prompter), SettingsSaveOutcome::Saved);
    // The password left as it was is kept, and no longer as typed.
    EXPECT_EQ(Stored(),
              "小明|139|1|(hash)|1|0|1|1|1|me@example.com|1|me@qq.com|SMTP.QQ.COM|me|secret|");
    EXPECT_TRUE(PasswordMatches("pw", StoredPassword()));
    EXPECT_EQ(running.m_SmtpSelect, 1);
    EXPECT_EQ(running.m_Password, kBuiltInPassword);
}

TEST_F(PersonalSettings, ANewPasswordIsTypedTwiceAndStoredOnlyAsASaltedHash) {
    SettingForm form;
    ASSERT_TRUE(LoadSettingForm(form, prompter));
    SettingRecord running;
    std::vector<std::string> hashes;
    for (int save = 0; save < 2; ++save) {
        form.unlockPassword = form.unlockConfirm = "新密码";
        ASSERT_EQ(SaveSettingForm(form, running, prompter), SettingsSaveOutcome::Saved);
        hashes.push_back(StoredPassword());
        EXPECT_TRUE(PasswordMatches("新密码", hashes.back()));
        EXPECT_EQ(running.m_UnLockPwd, hashes.back());
    }
    EXPECT_NE(hashes[0], hashes[1]) << "each save has its own salt";

    // Both fields left empty keep it as stored; 清除密码 leaves none.
    form.unlockPassword = form.unlockConfirm = "";
    ASSERT_EQ(SaveSettingForm(form, running, prompter), SettingsSaveOutcome::Saved);
    EXPECT_EQ(StoredPassword(), hashes[1]);
    form.clearUnlockPassword = true;
    ASSERT_EQ(SaveSettingForm(form, running, prompter), SettingsSaveOutcome::Saved);
    EXPECT_EQ(StoredPassword() + "|" + running.m_UnLockPwd, "|");
    SettingForm cleared;
    ASSERT_TRUE(LoadSettingForm(cleared, prompter));
    EXPECT_FALSE(cleared.unlockPasswordSet);
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(PersonalSettings, MismatchOrFailureWritesNothingAndKeepsTheRunningSettings) {
    const std::string before = Stored();
    SettingForm form;
    ASSERT_TRUE(LoadSettingForm(form, prompter));
    form.nickname = "新名字";
    form.unlockConfirm = "pW";
    SettingRecord running;
    running.m_Email = "old@example.com";
    EXPECT_EQ(SaveSettingForm(form, running, prompter), SettingsSaveOutcome::Mismatch);
    form.unlockConfirm = form.unlockPassword;
    db.Run(
        "Create Trigger Frozen Before Update On MySetting Begin Select Raise(Abort, '只读'); End");
    EXPECT_EQ(SaveSettingForm(form, running, prompter), SettingsSaveOutcome::Failed);
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[0].text + "|" + prompter.asked[0].caption,
              "两次输入的密码不一致!|提示");
    EXPECT_EQ(prompter.asked[1].text, DatabaseErrorText("保存个人设置", db.Path(), "只读"));
    EXPECT_EQ(Stored(), before);
    EXPECT_EQ(running.m_Email, "old@example.com");
}

} // namespace
