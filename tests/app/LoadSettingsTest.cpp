#include "app/LoadSettings.h"

#include "app/AppInfo.h"
#include "app/BuiltInAccount.h"
#include "platform/TextCodec.h"
#include "reminders/CAdoDatabase.h"

#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace {

const char* kOwnAccount =
    "Update MySetting Set m_Name='昵称',m_ServerName='smtp.163.com',m_Email='me@163.com',"
    "m_UserName='me',m_Password=\"secret\",m_UnLockPwd=\"unlock\",m_IsLock=1,m_SmtpSelect=%d,"
    "m_MyMobile='139',m_AcceptEmail='inbox@qq.com',m_AheadEmail=-1,m_AheadWnd=0,m_DayEmail=1,"
    "m_DayWnd=-1,m_EveryDay=0";

// Values that no load would produce, to see what a failed load leaves alone.
SettingRecord Sentinel() {
    SettingRecord s;
    s.m_UnLockPwd = s.m_Email = s.m_UserName = s.m_Password = s.m_ServerName = s.m_AcceptEmail =
        "untouched";
    s.m_IsLock = s.m_SmtpSelect = s.m_AheadEmail = s.m_AheadWnd = s.m_DayEmail = s.m_DayWnd =
        s.m_EveryDay = 7;
    return s;
}

TEST(LoadSettings, ReadsTheRowWithYesNoColumnsAsZeroOrOne) {
    const SeededDatabase db;
    db.Run(SqlFormat(kOwnAccount, 0));
    ScriptedPrompter prompter;
    SettingRecord s = Sentinel();
    LoadSettings(s, prompter);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(s.m_UnLockPwd, "unlock");
    EXPECT_EQ(s.m_IsLock, 1);
    EXPECT_EQ(s.m_SmtpSelect, 0);
    EXPECT_EQ(s.m_Email, "me@163.com");
    EXPECT_EQ(s.m_UserName, "me");
    EXPECT_EQ(s.m_Password, "secret");
    EXPECT_EQ(s.m_ServerName, "smtp.163.com");
    EXPECT_EQ(s.m_AheadEmail, 1); // a stored true of -1
    EXPECT_EQ(s.m_AheadWnd, 0);
    EXPECT_EQ(s.m_DayEmail, 1);
    EXPECT_EQ(s.m_DayWnd, 1);
    EXPECT_EQ(s.m_EveryDay, 0);
    EXPECT_EQ(s.m_AcceptEmail, "inbox@qq.com");
    // Nickname and mobile are not needed at start-up.
    EXPECT_EQ(s.m_Name, "");
}

TEST(LoadSettings, TheShippedRowGivesWindowRemindersOnly) {
    const SeededDatabase db;
    ScriptedPrompter prompter;
    const SettingRecord saved = g_Setting;
    g_Setting = Sentinel();
    LoadSettings(prompter);
    const SettingRecord s = g_Setting;
    g_Setting = saved;
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(std::vector<int>({s.m_IsLock, s.m_SmtpSelect, s.m_DayWnd, s.m_AheadWnd, s.m_DayEmail,
                                s.m_AheadEmail, s.m_EveryDay}),
              std::vector<int>({0, 0, 1, 1, 0, 0, 1}));
    EXPECT_EQ(s.m_Email + s.m_ServerName + s.m_UserName + s.m_Password + s.m_AcceptEmail, "");
}

TEST(LoadSettings, TheBuiltInAccountReplacesTheStoredSender) {
    const SeededDatabase db;
    db.Run(SqlFormat(kOwnAccount, 1));
    ScriptedPrompter prompter;
    SettingRecord s;
    LoadSettings(s, prompter);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(s.m_Email, kBuiltInEmail);
    EXPECT_EQ(s.m_UserName, kBuiltInUserName);
    EXPECT_EQ(s.m_Password, kBuiltInPassword);
    EXPECT_EQ(s.m_ServerName, kBuiltInServerName);
    // The rest of the row still loads.
    EXPECT_EQ(s.m_AcceptEmail, "inbox@qq.com");
    EXPECT_EQ(s.m_DayWnd, 1);
    // The table keeps the user's own account for when they switch back.
    EXPECT_EQ(db.Value("Select * From MySetting", "m_Email"), "me@163.com");
}

TEST(LoadSettings, FailuresAreToldOnceAndKeepWhatWasNotRead) {
    struct Case {
        const char* what;
        std::function<void(SeededDatabase&)> spoil;
        const char* text;
        bool unlockRead; // whether m_UnLockPwd was read before the failure
    };
    const std::vector<Case> cases = {
        {"missing file", [](SeededDatabase& db) { std::filesystem::remove(db.Path()); },
         "unable to open database file", false},
        {"missing table", [](SeededDatabase& db) { db.Run("DROP TABLE MySetting"); },
         "no such table: MySetting", false},
        {"empty table", [](SeededDatabase& db) { db.Run("Delete * From MySetting"); },
         "数据库中没有个人设置记录（MySetting 表是空的），个人设置未能读取。", false},
        {"missing column",
         [](SeededDatabase& db) {
             db.Run("Update MySetting Set m_UnLockPwd='pw'");
             db.Run("ALTER TABLE MySetting DROP COLUMN m_IsLock");
         },
         "m_IsLock", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeededDatabase db;
        c.spoil(db);
        ScriptedPrompter prompter;
        SettingRecord s = Sentinel();
        LoadSettings(s, prompter);
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_NE(prompter.asked[0].text.find(c.text), std::string::npos) << prompter.asked[0].text;
        EXPECT_EQ(prompter.asked[0].caption, kAppTitle);
        EXPECT_EQ(prompter.asked[0].buttons, PromptButtons::Ok);
        EXPECT_EQ(s.m_UnLockPwd, c.unlockRead ? "pw" : "untouched");
        EXPECT_EQ(s.m_IsLock, 7);
        EXPECT_EQ(s.m_Email + s.m_AcceptEmail, "untoucheduntouched");
        EXPECT_EQ(s.m_DayWnd + s.m_EveryDay, 14);
    }
}

TEST(BuiltInAccount, IsConsistentWithTheServerList) {
    // The user name is the address's local part, and the settings dialog's
    // domain lookup on the built-in address lands on provider 10.
    const std::string_view email = kBuiltInEmail;
    const std::size_t at = email.find('@');
    ASSERT_NE(at, std::string_view::npos);
    EXPECT_EQ(kBuiltInUserName, email.substr(0, at));
    const std::string_view domain = email.substr(at + 1);
    const auto first = std::find_if(kSmtpServers.begin(), kSmtpServers.end(), [&](auto host) {
        return host.find(domain) != std::string_view::npos;
    });
    EXPECT_EQ(first - kSmtpServers.begin(), 9);
    EXPECT_EQ(kBuiltInServerName, kSmtpServers[9]);

    EXPECT_EQ(kBuiltInPassword.size(), 11u);
    EXPECT_TRUE(std::all_of(kBuiltInPassword.begin(), kBuiltInPassword.end(),
                            [](unsigned char c) { return std::isalnum(c); }));
    std::set<std::string_view> distinct;
    for (std::string_view host : kSmtpServers) {
        EXPECT_EQ(host.substr(0, 5), "smtp.") << host;
        EXPECT_TRUE(distinct.insert(host).second) << host;
    }
}

} // namespace
