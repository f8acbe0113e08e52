#include "ShellFixture.h"

#include "app/CMainView.h"
#include "app/FrameCommands.h"
#include "controls/CColorToolBar.h"
#include "controls/CHyperLink.h"
#include "platform/Autostart.h"

#include <QAction>
#include <QMenu>

namespace {

using MainFrame = ShellTest;

std::string HintOf(CMainFrame& frame) {
    return frame.ActiveView()->HintLine()->text().toStdString();
}

std::vector<int> CheckedViews(CMainFrame& frame) {
    std::vector<int> checked;
    for (int id : {kCmdReminderView, kCmdCalendarView, kCmdAddressView})
        if (frame.Command(id)->isChecked())
            checked.push_back(id);
    return checked;
}

TEST_F(MainFrame, ViewCommandsSwitchViewsAndRememberTheChoice) {
    g_ActiveView = 7; // an unknown stored value starts on the reminder list, and says so
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(f.windowTitle().toStdString(), "Qilora生日提醒 2011贺岁版");
    EXPECT_EQ(CheckedViews(f), std::vector<int>{kCmdReminderView});
    EXPECT_EQ(HintOf(f), "生日提醒主界面，可以新增、修改、删除提醒。");

    // The toolbar: five buttons with their tips, each a picture of the strip.
    std::vector<std::string> tips;
    for (QAction* action : f.ToolBar()->actions())
        tips.push_back(action->isSeparator() ? "|" : action->toolTip().toStdString());
    EXPECT_EQ(tips, (std::vector<std::string>{"生日提醒", "日历", "通讯录", "|", "锁定", "关于"}));
    EXPECT_EQ(f.ToolBar()->ImageCount(), 5);

    struct Step {
        int command;
        int viewId;
        const char* stored;
        const char* hint;
    };
    const Step steps[] = {
        {kCmdCalendarView, kViewCalendar, "1", "日历主界面，可以查看周别、阴阳历、节日。"},
        {kCmdAddressView, kViewAddressBook, "2", "通讯录主界面，可以新增、修改、删除联络人。"},
        {kCmdReminderView, kViewReminderList, "0", "生日提醒主界面，可以新增、修改、删除提醒。"},
    };
    std::map<int, CMainView*> seen;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.stored);
        f.Command(step.command)->trigger();
        EXPECT_EQ(f.ActiveView()->ViewId(), step.viewId);
        EXPECT_EQ(CheckedViews(f), std::vector<int>{step.command});
        EXPECT_EQ(g_ActiveView, std::stoi(step.stored));
        EXPECT_NE(Ini().find(std::string("ActiveView=") + step.stored), std::string::npos) << Ini();
        EXPECT_EQ(HintOf(f), step.hint);
        seen[step.viewId] = f.ActiveView();
    }
    // One instance of each view: going back finds the same one.
    f.ToolBar()->actions()[1]->trigger();
    EXPECT_EQ(f.ActiveView(), seen[kViewCalendar]);
    EXPECT_EQ(CheckedViews(f), std::vector<int>{kCmdCalendarView});
}

TEST_F(MainFrame, TogglesStoreTheirChoiceAndTwiceRestores) {
    const std::string exe = g_ExePath;
    struct Case {
        int command;
        std::function<std::string()> effect; // what the toggle changed outside the menu
        const char* before;
        const char* after;
    };
    const std::vector<Case> cases = {
        {kCmdAutostart,
         [] { return std::to_string(g_AutoStart) + ":" + ReadAutostart().value_or("none"); },
         "0:none", "1:"},
        {kCmdRunOnce,
         [this] {
             return std::to_string(g_RunOnce) +
                    (Ini().find("RunOnce=1") != std::string::npos ? "+" : "-");
         },
         "0-", "1+"},
        // The stored value flips; the running flag waits for the next start.
        {kCmdAutoUpdate,
         [this] {
             return std::to_string(g_AutoUpdate) +
                    (Ini().find("AutoUpdate=1") != std::string::npos ? "+" : "-");
         },
         "0-", "0+"},
    };
    CMainFrame& f = MakeFrame();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        QAction* toggle = f.Command(c.command);
        ASSERT_TRUE(toggle->isEnabled());
        EXPECT_EQ(c.effect(), c.before);
        EXPECT_FALSE(toggle->isChecked());
        toggle->trigger();
        EXPECT_EQ(c.effect(), c.command == kCmdAutostart ? "1:" + exe : c.after);
        EXPECT_TRUE(toggle->isChecked());
        toggle->trigger();
        EXPECT_EQ(c.effect(), c.before);
        EXPECT_FALSE(toggle->isChecked());
    }

    // Where the autostart entry cannot be written the menu still follows the user.
    std::filesystem::remove_all(config.Path() / "autostart");
    WriteBytes(config.Path() / "autostart", "a file where the directory should be");
    f.Command(kCmdAutostart)->trigger();
    EXPECT_TRUE(f.Command(kCmdAutostart)->isChecked());
    EXPECT_EQ(g_AutoStart, 1);
    EXPECT_FALSE(ReadAutostart());
}

TEST_F(MainFrame, HintLineCyclesThroughTheTextsWithARestAfterTheLast) {
    const std::string link = "[url=http://example.test/]乙[/url]";
    // "." marks a tick that left the line alone.
    const struct {
        std::vector<std::string> texts;
        std::vector<std::string> shown;
    } cases[] = {
        {{}, {".", ".", "."}},
        {{"甲"}, {"甲", ".", "甲", "."}},
        {{"甲", link}, {"甲", link, ".", "甲", link}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts.size());
        CMainFrame& f = MakeFrame();
        for (const std::string& text : c.texts)
            f.AddHintText(text);
        std::vector<std::string> shown;
        for (std::size_t tick = 0; tick < c.shown.size(); ++tick) {
            f.WriteHint(".");
            f.OnReminderTimer();
            shown.push_back(HintOf(f));
        }
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_F(MainFrame, HintsFromWorkerThreadsArriveOnTheWindowThread) {
    CMainFrame& f = MakeFrame();
    std::thread worker([&f] {
        f.AddHintText("新版本");
        f.WriteHint("邮件已发送");
    });
    worker.join();
    EXPECT_EQ(HintOf(f), "生日提醒主界面，可以新增、修改、删除提醒。"); // not yet: posted
    QCoreApplication::processEvents();
    EXPECT_EQ(HintOf(f), "邮件已发送");
    EXPECT_EQ(f.HintTexts(), std::vector<std::string>{"新版本"});
}

TEST_F(MainFrame, CheckOnceQuitsOnlyWhenOutOfSightAndIdle) {
    const struct {
        int runOnce;
        bool hidden;
        int busy;
        bool quits;
    } cases[] = {
        {1, true, 0, true},  {1, false, 0, false}, {1, true, 1, false},
        {0, true, 0, false}, {1, true, -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.runOnce << c.hidden << c.busy);
        g_RunOnce = c.runOnce;
        CMainFrame& f = MakeFrame(!c.hidden);
        f.TrayIcon().ShowIcon();
        f.StartReminderTimer();
        quits.clear();
        {
            std::lock_guard lock(g_BusyMutex);
            g_BusyCount = c.busy;
        }
        f.OnReminderTimer();
        EXPECT_EQ(quits, c.quits ? std::vector<int>{0} : std::vector<int>{});
        // Quitting takes the icon away and stops the timer.
        EXPECT_EQ(f.TrayIcon().IsShown(), !c.quits);
        EXPECT_EQ(f.ReminderTimer().isActive(), !c.quits);
        std::lock_guard lock(g_BusyMutex);
        g_BusyCount = 0;
    }
}

TEST_F(MainFrame, MinimisingGoesToTheTrayOrStaysMinimisedWithoutOne) {
    for (const bool tray : {true, false}) {
        SCOPED_TRACE(tray);
        CTrayIcon::OverrideAvailability(tray);
        g_RunOnce = 1;
        CMainFrame& f = MakeFrame();
        quits.clear();
        EXPECT_FALSE(f.TrayIcon().IsShown());
        f.showMinimized();
        QCoreApplication::processEvents();
        EXPECT_TRUE(f.TrayIcon().IsShown());
        EXPECT_EQ(f.isVisible(), !tray); // hidden behind the icon, or left in the task bar
        EXPECT_TRUE(f.IsOutOfSight());
        f.OnReminderTimer(); // either way a check-once run is done
        EXPECT_EQ(quits, std::vector<int>{0});

        f.TrayIcon().ShowIcon();
        f.TrayIcon().Clicked();
        EXPECT_TRUE(f.isVisible());
        EXPECT_FALSE(f.isMinimized());
        EXPECT_FALSE(f.TrayIcon().IsShown());
    }
}

TEST_F(MainFrame, LockHidesAndOnlyThePasswordBringsTheWindowBack) {
    g_Setting.m_UnLockPwd = "秘密";
    CMainFrame& f = MakeFrame();
    auto states = [&f] {
        std::string s;
        for (int id : {kCmdShowWindow, kCmdSendMail, kCmdUnlock, kCmdExit})
            s += f.TrayCommand(id)->isEnabled() ? "+" : "-";
        return s;
    };
    EXPECT_EQ(states(), "+--+"); // the composer is not part of the program yet
    EXPECT_EQ(f.TrayIcon().IconId(), 128);

    f.ToolBar()->actions()[4]->trigger(); // 锁定
    EXPECT_EQ(g_Setting.m_IsLock, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.TrayIcon().IsShown());
    EXPECT_EQ(f.TrayIcon().IconId(), 147);
    EXPECT_EQ(states(), "--++");
    f.TrayCommand(kCmdShowWindow)->trigger(); // disabled in the menu; refused anyway
    EXPECT_FALSE(f.isVisible());

    // A click on the icon asks; a wrong password is told, 取消 leaves all as it was.
    AnswerUnlock({"错的"});
    f.TrayIcon().Clicked();
    EXPECT_EQ(unlockDialogs, 1);
    EXPECT_EQ(busyWhileAsking, 1);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "解锁密码不正确！");
    EXPECT_EQ(prompter.asked[0].caption, "提示");
    EXPECT_EQ(g_Setting.m_IsLock, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.TrayIcon().IsShown());
    EXPECT_EQ(f.TrayIcon().IconId(), 147);

    // 解除锁定 with the right password unlocks but leaves the window in the tray.
    AnswerUnlock({"错的", "秘密"});
    f.TrayCommand(kCmdUnlock)->trigger();
    EXPECT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(g_Setting.m_IsLock, 0);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.TrayIcon().IsShown());
    EXPECT_EQ(f.TrayIcon().IconId(), 128);
    EXPECT_EQ(states(), "+--+");

    // Not locked: a click brings the window straight back.
    f.TrayIcon().Clicked();
    EXPECT_EQ(unlockDialogs, 2);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.TrayIcon().IsShown());

    // Locked with no password set: an empty entry unlocks, and the click shows the window.
    g_Setting.m_UnLockPwd.clear();
    f.Command(kCmdLock)->trigger();
    AnswerUnlock({""});
    f.TrayIcon().Clicked();
    EXPECT_EQ(g_Setting.m_IsLock, 0);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.TrayIcon().IsShown());
}

TEST_F(MainFrame, WithoutATrayALockedWindowAsksBeforeItIsRestored) {
    CTrayIcon::OverrideAvailability(false);
    g_Setting.m_UnLockPwd = "pw";
    CMainFrame& f = MakeFrame();
    f.Command(kCmdLock)->trigger();
    EXPECT_TRUE(f.isMinimized());
    EXPECT_TRUE(f.TrayIcon().IsShown());

    AnswerUnlock({}); // cancel
    f.showNormal();   // as the task bar would
    QTest::qWait(50);
    EXPECT_EQ(unlockDialogs, 1);
    EXPECT_TRUE(f.isMinimized());
    EXPECT_EQ(g_Setting.m_IsLock, 1);

    AnswerUnlock({"pw"});
    f.showNormal();
    QTest::qWait(50);
    EXPECT_EQ(unlockDialogs, 2);
    EXPECT_FALSE(f.isMinimized());
    EXPECT_EQ(g_Setting.m_IsLock, 0);
}

TEST_F(MainFrame, HelpLinksOpenUnderTheServerAddress) {
    CMainFrame& f = MakeFrame();
    for (int id : {kCmdHomePage, kCmdProgramList, kCmdFeedback})
        f.Command(id)->trigger();
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], "http://example.test/bbs");
    EXPECT_EQ(opened[1], "http://example.test/myprog.htm");
    EXPECT_EQ(opened[2].rfind("mailto:", 0), 0u);

    // Closing the window (or 退出) ends the program.
    f.Command(kCmdExit)->trigger();
    EXPECT_EQ(quits, std::vector<int>{0});
}

} // namespace
