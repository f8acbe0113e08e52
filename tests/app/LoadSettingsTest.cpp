#include "app/LoadSettings.h"

#include "platform/PasswordHash.h"
#include "reminders/LoadReminderList.h"
#include "settings/AppInfo.h"
#include "settings/BuiltInAccount.h"

#include "FixedClock.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"

#include <gtest/gtest.h>
#include <sstream>

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
    const std::string password = IsPasswordHash(s.m_UnLockPwd) ? "(hash)" : s.m_UnLockPwd;
    return s.m_Name + "|" + password + "|" + n(s.m_IsLock) + "|" + n(s.m_SmtpSelect) + "|" +
           s.m_Email + "|" + s.m_UserName + "|" + s.m_Password + "|" + s.m_ServerName + "|" +
           n(s.m_AheadEmail) + n(s.m_AheadWnd) + n(s.m_DayEmail) + n(s.m_DayWnd) + n(s.m_EveryDay) +
           "|" + s.m_AcceptEmail;
}

TEST(StartupLoads, SettingsAndRemindersOrExactlyOneMessage) {
    const std::string own =
        "Update MySetting Set m_Name='昵称',m_ServerName='smtp.163.com',m_Email='me@163.com',"
        "m_UserName='me',m_Password=\"secret\",m_UnLockPwd=\"unlock\",m_IsLock=1,m_MyMobile='139',"
        "m_AcceptEmail='inbox@qq.com',m_AheadEmail=-1,m_AheadWnd=0,m_DayEmail=1,m_DayWnd=-1,"
        "m_EveryDay=0,m_SmtpSelect=";
    const std::string builtIn = std::string(kBuiltInEmail) + "|" + std::string(kBuiltInUserName) +
                                "|" + std::string(kBuiltInPassword) + "|" +
                                std::string(kBuiltInServerName);
    const std::string untouched = "|?|7|7|?|?|?|?|77777|?";
    const struct {
        std::string setup;        // statements, one a line, or "rm" to remove data.db
        bool settings;            // which load runs: the settings or the reminder list
        std::string told, loaded; // the message; the settings, or the number of reminders
    } cases[] = {
        {"", true, "", "||0|0|||||01011|"}, // the shipped row: window reminders only
        // A stored true of -1 reads as 1; the built-in account replaces the sender.
        {own + "0", true, "", "|(hash)|1|0|me@163.com|me|secret|smtp.163.com|10110|inbox@qq.com"},
        {own + "1", true, "", "|(hash)|1|1|" + builtIn + "|10110|inbox@qq.com"},
        // So do the lock and the account choice.
        {own + "-1\nUpdate MySetting Set m_IsLock=-1", true, "",
         "|(hash)|1|1|" + builtIn + "|10110|inbox@qq.com"},
        {"rm", true, "unable to open database file", untouched},
        {"rm", false, "unable to open database file", "0"},
        {"DROP TABLE MySetting", true, "：文件中没有 MySetting 表", untouched},
        {"DROP TABLE TiXing", false, "：文件中没有 TiXing 表", "0"},
        {"Delete * From MySetting", true,
         "数据库中没有个人设置记录（MySetting 表是空的），个人设置未能读取。", untouched},
        {"Update MySetting Set m_UnLockPwd='pw'\nALTER TABLE MySetting DROP COLUMN m_IsLock", true,
         "m_IsLock", "|(hash)|7|7|?|?|?|?|77777|?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setup);
        const SeededDatabase db;
        db.Run("Insert Into TiXing(m_Name) Values('甲')");
        std::istringstream lines(c.setup == "rm" ? "" : c.setup);
        for (std::string sql; std::getline(lines, sql);)
            db.Run(sql);
        if (c.setup == "rm")
            std::filesystem::remove(db.Path());
        const std::string stored =
            c.told.empty() ? db.Value("Select * From MySetting", "m_Email") : "";
        ScriptedPrompter prompter;
        const SettingRecord saved = g_Setting;
        g_Setting = Sentinel();
        ReminderList list(2);
        if (c.settings)
            LoadSettings(prompter);
        else
            LoadReminderList(list, FixedClock(DateTime(2011, 6, 1)), prompter);
        const std::string loaded = c.settings ? Loaded(g_Setting) : std::to_string(list.size());
        g_Setting = saved;
        EXPECT_EQ(loaded, c.loaded);
        ASSERT_EQ(prompter.asked.size(), c.told.empty() ? 0u : 1u);
        if (c.told.empty()) {
            EXPECT_EQ(db.Value("Select * From MySetting", "m_Email"), stored)
                << "the table keeps the user's own account";
            continue;
        }
        const ScriptedPrompter::Asked& told = prompter.asked[0];
        EXPECT_NE(told.text.find(c.told), std::string::npos) << told.text;
        const std::string task = c.settings ? "读取个人设置" : "读取提醒列表";
        EXPECT_EQ(told.text.rfind(task + "时出错（" + db.Path() + "）：", 0), 0u) << told.text;
        EXPECT_TRUE(told.caption == kAppTitle && told.buttons == PromptButtons::Ok);
    }
}

TEST(StartupLoads, APasswordStoredAsTypedIsReplacedByItsHashWhereverItCanBe) {
    const SettingRecord saved = g_Setting;
    const SeededDatabase db;
    auto stored = [&db] { return db.Value("Select * From MySetting", "m_UnLockPwd"); };
    ScriptedPrompter prompter;

    // A file that cannot be written (its WAL index cannot be made) keeps the
    // value and says nothing more; the running settings hold only the hash.
    db.Run("Update MySetting Set m_UnLockPwd='pw'");
    std::filesystem::create_symlink(db.Dir().File("nowhere/shm"), db.Path() + "-shm");
    LoadSettings(prompter);
    EXPECT_TRUE(IsPasswordHash(g_Setting.m_UnLockPwd));
    EXPECT_TRUE(PasswordMatches("pw", g_Setting.m_UnLockPwd));
    std::filesystem::remove(db.Path() + "-shm");
    EXPECT_EQ(stored(), "pw");
    EXPECT_TRUE(prompter.asked.empty());

    // A writable one gets the hash the program holds.
    LoadSettings(prompter);
    EXPECT_TRUE(PasswordMatches("pw", g_Setting.m_UnLockPwd));
    EXPECT_FALSE(PasswordMatches("pW", g_Setting.m_UnLockPwd));
    EXPECT_EQ(stored(), g_Setting.m_UnLockPwd);
    const std::string hash = stored();
    LoadSettings(prompter);
    EXPECT_EQ(stored(), hash) << "a hash is kept as it is";

    // No password stays none.
    db.Run("Update MySetting Set m_UnLockPwd=''");
    LoadSettings(prompter);
    EXPECT_EQ(g_Setting.m_UnLockPwd + "|" + stored(), "|");
    EXPECT_TRUE(prompter.asked.empty());
    g_Setting = saved;
}

} // namespace
