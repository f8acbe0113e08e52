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
        "?";
    s.m_IsLock = s.m_SmtpSelect = s.m_AheadEmail = s.m_AheadWnd = s.m_DayEmail = s.m_DayWnd =
        s.m_EveryDay = 7;
    return s;
}

// What start-up loads, in its reading order; the flags are AheadEmail,
// AheadWnd, DayEmail, DayWnd, EveryDay.
std::string Loaded(const SettingRecord& s) {
    auto n = [](int v) { return std::to_string(v); };
    return s.m_UnLockPwd + "|" + n(s.m_IsLock) + "|" + n(s.m_SmtpSelect) + "|" + s.m_Email + "|" +
           s.m_UserName + "|" + s.m_Password + "|" + s.m_ServerName + "|" + n(s.m_AheadEmail) +
           n(s.m_AheadWnd) + n(s.m_DayEmail) + n(s.m_DayWnd) + n(s.m_EveryDay) + "|" +
           s.m_AcceptEmail;
}

TEST(LoadSettings, ReadsTheRowWithYesNoColumnsAsZeroOrOne) {
    const SeededDatabase db;
    db.Run(SqlFormat(kOwnAccount, 0));
    ScriptedPrompter prompter;
    SettingRecord s = Sentinel();
    LoadSettings(s, prompter);
    EXPECT_TRUE(prompter.asked.empty());
    // A stored true of -1 reads as 1.
    EXPECT_EQ(Loaded(s), "unlock|1|0|me@163.com|me|secret|smtp.163.com|10110|inbox@qq.com");
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
    EXPECT_EQ(Loaded(s), "|0|0|||||01011|");
}

TEST(LoadSettings, TheBuiltInAccountReplacesTheStoredSender) {
    const SeededDatabase db;
    db.Run(SqlFormat(kOwnAccount, 1));
    ScriptedPrompter prompter;
    SettingRecord s;
    LoadSettings(s, prompter);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(Loaded(s), "unlock|1|1|" + std::string(kBuiltInEmail) + "|" +
                             std::string(kBuiltInUserName) + "|" + std::string(kBuiltInPassword) +
                             "|" + std::string(kBuiltInServerName) + "|10110|inbox@qq.com");
    // The table keeps the user's own account for when they switch back.
    EXPECT_EQ(db.Value("Select * From MySetting", "m_Email"), "me@163.com");
}

TEST(LoadSettings, FailuresAreToldOnceAndKeepWhatWasNotRead) {
    struct Case {
        const char* what;
        std::function<void(SeededDatabase&)> spoil;
        const char* text;
        const char* loaded;
    };
    const char* untouched = "?|7|7|?|?|?|?|77777|?";
    const std::vector<Case> cases = {
        {"missing file", [](SeededDatabase& db) { std::filesystem::remove(db.Path()); },
         "unable to open database file", untouched},
        {"missing table", [](SeededDatabase& db) { db.Run("DROP TABLE MySetting"); },
         "no such table: MySetting", untouched},
        {"empty table", [](SeededDatabase& db) { db.Run("Delete * From MySetting"); },
         "数据库中没有个人设置记录（MySetting 表是空的），个人设置未能读取。", untouched},
        {"missing column",
         [](SeededDatabase& db) {
             db.Run("Update MySetting Set m_UnLockPwd='pw'");
             db.Run("ALTER TABLE MySetting DROP COLUMN m_IsLock");
         },
         "m_IsLock", "pw|7|7|?|?|?|?|77777|?"},
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
        EXPECT_EQ(Loaded(s), c.loaded);
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
