#include "ShellFixture.h"

#include "app/Startup.h"
#include "reminders/LoadReminderList.h"

#include "DesktopSession.h"
#include "SeededDatabase.h"

#include <QAction>
#include <gmock/gmock.h>

namespace {

// Warnings the program logs while a test runs.
std::vector<std::string> g_Logged;

class DesktopNotifications : public ShellTest {
protected:
    DesktopNotifications() {
        g_DesktopNotify = 1;
        g_Setting.m_DayWnd = g_Setting.m_AheadWnd = g_Setting.m_EveryDay = 1;
        g_Logged.clear();
        m_SavedHandler = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtWarningMsg)
                    g_Logged.push_back(text.toStdString());
            });
    }
    ~DesktopNotifications() override { qInstallMessageHandler(m_SavedHandler); }
    void SetUp() override {
        static bool busUsed = false; // see DesktopSession.h
        if (std::exchange(busUsed, true))
            GTEST_SKIP() << "needs a process of its own, as ctest runs it";
    }

    // A birthday today and one in three days (the clock says 2011-09-09).
    void AddPeople(const std::string& today, const std::string& ahead) {
        for (const std::string& row : {"'" + today + "','1980-09-09 23:59:59',33",
                                       "'" + ahead + "','1985-09-12 23:59:59',33"})
            db.Run("Insert Into TiXing (m_Name,m_Date,m_Ahead,m_DateStatus) Values (" + row +
                   ",'阳历')");
    }
    CMainFrame& TickInTray() {
        CMainFrame& f = MakeFrame(false);
        LoadReminderList(f.Reminders(), clock, prompter);
        f.OnReminderTimer();
        return f;
    }
    int LoggedAboutNotifications() const {
        return int(std::count_if(g_Logged.begin(), g_Logged.end(), [](const std::string& line) {
            return line.find("桌面通知") != std::string::npos;
        }));
    }

    const SeededDatabase db;
    QtMessageHandler m_SavedHandler = nullptr;
};

TEST_F(DesktopNotifications, ATickListsEachPopupAndViewAsksThePasswordBeforeShowingTheWindow) {
    DesktopSession session;
    session.StartNotificationService();
    AddPeople("张三", "A&B<i>");
    g_Setting.m_IsLock = 1;
    g_Setting.m_UnLockPwd = "secret";
    CMainFrame& f = TickInTray();
    ASSERT_EQ(f.OpenPopups().size(), 2u);
    QTRY_COMPARE(session.Displayed(), 2);

    AnswerUnlock({"secret"});
    session.Control({"action", "0"});
    QTRY_VERIFY(f.isVisible());
    EXPECT_TRUE(unlockDialogs == 1 && g_Setting.m_IsLock == 0);

    // The service reads markup: the name must arrive as text, not as tags.
    EXPECT_THAT(
        session.CloseAllAndReadHistory(),
        testing::UnorderedElementsAre(
            QString::fromUtf8("生日提醒!|今天是张三的31周岁生日！让我们一起祝他(她)生日快乐！|"
                              "Qilora生日提醒"),
            QString::fromUtf8("生日提前提醒！|A&amp;B&lt;i&gt;的出生日期是:阳历1985-09-12。\n"
                              "他(她)今年的26周岁生日是:2011-09-12。还有3天就要到了，请准备！|"
                              "Qilora生日提醒")));
    EXPECT_EQ(LoggedAboutNotifications(), 0) << testing::PrintToString(g_Logged);
}

TEST_F(DesktopNotifications, TurnedOffTheyStopAndTheChoiceIsKept) {
    DesktopSession session;
    session.StartNotificationService();
    AddPeople("张三", "李四");
    CMainFrame& f = MakeFrame();
    EXPECT_TRUE(f.Command(kCmdDesktopNotify)->isChecked()) << "on by default";
    f.Command(kCmdDesktopNotify)->trigger();
    EXPECT_THAT(Ini(), testing::HasSubstr("DesktopNotify=0"));
    g_DesktopNotify = 1;
    ReadStartupSettings();
    EXPECT_EQ(g_DesktopNotify, 0);

    // Off: the pop-ups alone. Back on, only the next day's reminder arrives.
    LoadReminderList(f.Reminders(), clock, prompter);
    f.RefreshReminderList(); // as start-up does
    f.OnReminderTimer();
    EXPECT_EQ(f.OpenPopups().size(), 2u);
    f.Command(kCmdDesktopNotify)->trigger();
    EXPECT_TRUE(g_DesktopNotify == 1 && f.Command(kCmdDesktopNotify)->isChecked());
    clock.Set(DateTime(2011, 9, 10, 8, 0, 0));
    f.OnReminderTimer();
    QTRY_COMPARE(session.Displayed(), 1);
    EXPECT_THAT(session.CloseAllAndReadHistory(),
                testing::ElementsAre(testing::Property(&QString::toStdString,
                                                       testing::HasSubstr("还有2天就要到了"))));
}

TEST_F(DesktopNotifications, WithoutABusThePopupsStillOpenAndItIsLoggedOnce) {
    AddPeople("张三", "李四");
    const ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    CMainFrame& f = TickInTray();
    clock.Set(DateTime(2011, 9, 10, 8, 0, 0));
    f.OnReminderTimer();
    EXPECT_EQ(f.OpenPopups().size(), 3u);
    EXPECT_EQ(LoggedAboutNotifications(), 1) << testing::PrintToString(g_Logged);
}

TEST_F(DesktopNotifications, AMissingServiceIsLoggedOnceAndFoundWhenItStarts) {
    AddPeople("张三", "李四");
    DesktopSession session;
    CMainFrame& f = TickInTray();
    QTRY_COMPARE(LoggedAboutNotifications(), 1);
    clock.Set(DateTime(2011, 9, 10, 8, 0, 0));
    f.OnReminderTimer();
    EXPECT_EQ(f.OpenPopups().size(), 3u);
    // What the bus answers arrives in order: once the next day's reminder is
    // on the screen, the failure of the one before has been handled.
    session.StartNotificationService();
    clock.Set(DateTime(2011, 9, 11, 8, 0, 0));
    f.OnReminderTimer();
    QTRY_COMPARE(session.Displayed(), 1);
    EXPECT_EQ(LoggedAboutNotifications(), 1) << testing::PrintToString(g_Logged);
}

} // namespace
