#include "app/LoadSettings.h"

#include "app/AppInfo.h"
#include "app/BuiltInAccount.h"
#include "reminders/CAdoDatabase.h"
#include "reminders/LoadReminderList.h"

#include "FixedClock.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

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
// AheadWnd, DayEmail, DayWnd, EveryDay. Nickname and mobile are not loaded.
std::string Loaded(const SettingRecord& s) {
    auto n = [](int v) { return std::to_string(v); };
    return s.m_Name + "|" + s.m_UnLockPwd + "|" + n(s.m_IsLock) + "|" + n(s.m_SmtpSelect) + "|" +
           s.m_Email + "|" + s.m_UserName + "|" + s.m_Password + "|" + s.m_ServerName + "|" +
           n(s.m_AheadEmail) + n(s.m_AheadWnd) + n(s.m_DayEmail) + n(s.m_DayWnd) + n(s.m_EveryDay) +
           "|" + s.m_AcceptEmail;
}

TEST(LoadSettings, ReadsTheRowWithYesNoColumnsAsZeroOrOneAndTheBuiltInAccount) {
    const std::string builtIn = std::string(kBuiltInEmail) + "|" + std::string(kBuiltInUserName) +
                                "|" + std::string(kBuiltInPassword) + "|" +
                                std::string(kBuiltInServerName);
    const std::pair<int, std::string> cases[] = {
        {-1, "||0|0|||||01011|"}, // the shipped row: window reminders only
        // A stored true of -1 reads as 1.
        {0, "|unlock|1|0|me@163.com|me|secret|smtp.163.com|10110|inbox@qq.com"},
        {1, "|unlock|1|1|" + builtIn + "|10110|inbox@qq.com"},
    };
    for (const auto& [smtpSelect, loaded] : cases) {
        const SeededDatabase db;
        if (smtpSelect >= 0)
            db.Run(SqlFormat(
                "Update MySetting Set m_Name='昵称',m_ServerName='smtp.163.com',"
                "m_Email='me@163.com',m_UserName='me',m_Password=\"secret\",m_UnLockPwd=\"unlock\","
                "m_IsLock=1,m_SmtpSelect=%d,m_MyMobile='139',m_AcceptEmail='inbox@qq.com',"
                "m_AheadEmail=-1,m_AheadWnd=0,m_DayEmail=1,m_DayWnd=-1,m_EveryDay=0",
                smtpSelect));
        ScriptedPrompter prompter;
        const SettingRecord saved = g_Setting;
        g_Setting = Sentinel();
        LoadSettings(prompter);
        EXPECT_EQ(Loaded(g_Setting), loaded);
        g_Setting = saved;
        EXPECT_TRUE(prompter.asked.empty());
        // The table keeps the user's own account for when they switch back.
        EXPECT_EQ(db.Value("Select * From MySetting", "m_Password"),
                  smtpSelect < 0 ? "" : "secret");
    }
}

TEST(StartupLoads, DatabaseFailuresAreToldOnceAndKeepWhatWasNotRead) {
    const std::string untouched = "|?|7|7|?|?|?|?|77777|?";
    const std::function<void(const SeededDatabase&)> remove = [](const SeededDatabase& db) {
        std::filesystem::remove(db.Path());
    };
    const struct {
        std::function<void(const SeededDatabase&)> spoil;
        bool settings;            // which load runs: settings or the reminder list
        std::string text, loaded; // settings left, or the number of reminders
    } cases[] = {
        {remove, true, "unable to open database file", untouched},
        {remove, false, "unable to open database file", "0"},
        {[](auto& db) { db.Run("DROP TABLE MySetting"); }, true, "no such table: MySetting",
         untouched},
        {[](auto& db) { db.Run("DROP TABLE TiXing"); }, false, "no such table: TiXing", "0"},
        {[](auto& db) { db.Run("Delete * From MySetting"); }, true,
         "数据库中没有个人设置记录（MySetting 表是空的），个人设置未能读取。", untouched},
        {[](auto& db) {
             db.Run("Update MySetting Set m_UnLockPwd='pw'");
             db.Run("ALTER TABLE MySetting DROP COLUMN m_IsLock");
         },
         true, "m_IsLock", "|pw|7|7|?|?|?|?|77777|?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const SeededDatabase db;
        db.Run("Insert Into TiXing(m_Name) Values('甲')");
        c.spoil(db);
        ScriptedPrompter prompter;
        SettingRecord s = Sentinel();
        ReminderList list(2);
        if (c.settings)
            LoadSettings(s, prompter);
        else
            LoadReminderList(list, FixedClock(DateTime(2011, 6, 1)), prompter);
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_NE(prompter.asked[0].text.find(c.text), std::string::npos) << prompter.asked[0].text;
        EXPECT_EQ(prompter.asked[0].caption, kAppTitle);
        EXPECT_EQ(prompter.asked[0].buttons, PromptButtons::Ok);
        EXPECT_EQ(c.settings ? Loaded(s) : std::to_string(list.size()), c.loaded);
    }
}

TEST(BuiltInAccount, IsConsistentWithTheServerList) {
    // The user name is the address's local part, and the settings dialog's
    // domain lookup on the built-in address lands on the built-in server.
    const std::size_t at = kBuiltInEmail.find('@');
    ASSERT_NE(at, std::string_view::npos);
    EXPECT_EQ(kBuiltInUserName, kBuiltInEmail.substr(0, at));
    const auto first = std::find_if(kSmtpServers.begin(), kSmtpServers.end(), [&](auto host) {
        return host.find(kBuiltInEmail.substr(at + 1)) != std::string_view::npos;
    });
    ASSERT_NE(first, kSmtpServers.end());
    EXPECT_EQ(*first, kBuiltInServerName);
}

} // namespace
