#include "ShellFixture.h"

#include "app/Startup.h"
#include "reminders/LoadReminderList.h"

#include "DesktopSession.h"
#include "SeededDatabase.h"

#include <QAction>
#include <gmock/gmock.h>

namespace {

// What the program logged about notifications while a test ran.
std::vector<std::string> g_Logged;

class DesktopNotifications : public ShellTest {
protected:
    DesktopNotifications() {
        g_DesktopNotify = 1;
        g_Setting.m_DayWnd = g_Setting.m_AheadWnd = g_Setting.m_EveryDay = 1;
        g_Logged.clear();
        m_SavedHandler =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
                if (text.contains(QString::fromUtf8("桌面通知")))
                    g_Logged.push_back(text.toStdString());
            });
    }
    ~DesktopNotifications() override { qInstallMessageHandler(m_SavedHandler); }
    void SetUp() override {
        static bool busUsed = false; // see DesktopSession.h
        if (std::exchange(busUsed, true))
            GTEST_SKIP() << "needs a process of its own, as ctest runs it";
    }

    // A frame in the tray with a birthday on 9 September and one on the 12th.
    CMainFrame& FrameWith(const std::string& today, const std::string& ahead) {
        for (const std::string& row : {"'" + today + "','1980-09-09 23:59:59',33",
                                       "'" + ahead + "','1985-09-12 23:59:59',33"})
            db.Run("Insert Into TiXing (m_Name,m_Date,m_Ahead,m_DateStatus) Values (" + row +
                   ",'阳历')");
        MakeFrame(false);
        LoadReminderList(frame->Reminders(), clock, prompter);
        frame->RefreshReminderList(); // as start-up does
        return *frame;
    }
    void TickOn(int day) {
        clock.Set(DateTime(2011, 9, day, 8, 0, 0));
        frame->OnReminderTimer();
    }

    const SeededDatabase db;
    QtMessageHandler m_SavedHandler = nullptr;
};

TEST_F(DesktopNotifications, ATickListsEachPopupAndViewAsksThePasswordBeforeShowingTheWindow) {
    DesktopSession session;
    session.StartNotificationService();
    g_Setting.m_IsLock = 1;
    g_Setting.m_UnLockPwd = "secret";
    CMainFrame& f = FrameWith("张三", "A&B<i>");
    TickOn(9);
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
    EXPECT_THAT(g_Logged, testing::IsEmpty());
}

TEST_F(DesktopNotifications, TurnedOffTheyStopAndTheChoiceIsKept) {
    DesktopSession session;
    session.StartNotificationService();
    ReadStartupSettings();
    CMainFrame& f = FrameWith("张三", "李四");
    EXPECT_TRUE(g_DesktopNotify == 1 && f.Command(kCmdDesktopNotify)->isChecked());
    f.Command(kCmdDesktopNotify)->trigger();
    ReadStartupSettings();
    EXPECT_TRUE(g_DesktopNotify == 0 && !f.Command(kCmdDesktopNotify)->isChecked());

    // Off: the pop-ups alone. Back on, only the next day's reminder arrives.
    TickOn(9);
    EXPECT_EQ(f.OpenPopups().size(), 2u);
    f.Command(kCmdDesktopNotify)->trigger();
    TickOn(10);
    QTRY_COMPARE(session.Displayed(), 1);
    EXPECT_THAT(session.CloseAllAndReadHistory(),
                testing::ElementsAre(testing::Property(&QString::toStdString,
                                                       testing::HasSubstr("还有2天就要到了"))));
}

TEST_F(DesktopNotifications, WithoutABusThePopupsStillOpenAndItIsLoggedOnce) {
    const ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    CMainFrame& f = FrameWith("张三", "李四");
    TickOn(9);
    TickOn(10);
    EXPECT_EQ(f.OpenPopups().size(), 3u);
    EXPECT_EQ(g_Logged.size(), 1u);
}

TEST_F(DesktopNotifications, AMissingServiceIsLoggedOnceAndFoundWhenItStarts) {
    DesktopSession session;
    CMainFrame& f = FrameWith("张三", "李四");
    TickOn(9);
    QTRY_COMPARE(g_Logged.size(), 1u);
    TickOn(10);
    EXPECT_EQ(f.OpenPopups().size(), 3u);
    // The bus answers in order: once the next day's reminder is on the
    // screen, the failure of the one before has been handled.
    session.StartNotificationService();
    TickOn(11);
    QTRY_COMPARE(session.Displayed(), 1);
    EXPECT_EQ(g_Logged.size(), 1u) << testing::PrintToString(g_Logged);
}

} // namespace
