#include "ShellFixture.h"

#include "app/CMainView.h"
#include "controls/CColorToolBar.h"
#include "controls/CHyperLink.h"
#include "platform/Autostart.h"

#include <QAction>
#include <thread>

namespace {

using MainFrame = ShellTest;

std::string HintOf(CMainFrame& frame) {
    return frame.ActiveView()->HintLine()->text().toStdString();
}

int CheckedView(CMainFrame& frame) {
    int checked = 0;
    for (int id : {kCmdReminderView, kCmdCalendarView, kCmdAddressView})
        checked = frame.Command(id)->isChecked() ? (checked ? -1 : id) : checked;
    return checked; // -1: more than one
}

TEST_F(MainFrame, ViewCommandsSwitchViewsAndRememberTheChoice) {
    g_ActiveView = 7; // unknown: the reminder list is shown, and the menu says so
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(CheckedView(f), kCmdReminderView);
    EXPECT_EQ(HintOf(f), "生日提醒主界面，可以新增、修改、删除提醒。");
    const struct {
        int command, viewId;
        const char *stored, *hint;
    } steps[] = {
        {kCmdCalendarView, kViewCalendar, "1", "日历主界面，可以查看周别、阴阳历、节日。"},
        {kCmdAddressView, kViewAddressBook, "2", "通讯录主界面，可以新增、修改、删除联络人。"},
        {kCmdReminderView, kViewReminderList, "0", "生日提醒主界面，可以新增、修改、删除提醒。"},
    };
    std::map<int, CMainView*> seen;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.stored);
        f.Command(step.command)->trigger();
        EXPECT_EQ(f.ActiveView()->ViewId(), step.viewId);
        EXPECT_EQ(CheckedView(f), step.command);
        EXPECT_EQ(g_ActiveView, std::stoi(step.stored));
        EXPECT_NE(Ini().find(std::string("ActiveView=") + step.stored), std::string::npos);
        EXPECT_EQ(HintOf(f), step.hint);
        seen[step.viewId] = f.ActiveView();
    }
    f.ToolBar()->actions()[1]->trigger(); // one instance of each view
    EXPECT_EQ(f.ActiveView(), seen[kViewCalendar]);
    EXPECT_EQ(CheckedView(f), kCmdCalendarView);

    for (int id : {kCmdHomePage, kCmdProgramList})
        f.Command(id)->trigger();
    EXPECT_EQ(opened, (std::vector<std::string>{"http://example.test/bbs",
                                                "http://example.test/myprog.htm"}));
}

TEST_F(MainFrame, TogglesStoreTheirChoiceAndTwiceRestores) {
    auto stored = [this](const char* key) { return Ini().find(key) != std::string::npos; };
    const struct {
        int command;
        std::function<std::string()> effect;
        std::string before, after;
    } cases[] = {
        {kCmdAutostart, [] { return std::to_string(g_AutoStart) + ReadAutostart().value_or("-"); },
         "0-", "1" + g_ExePath},
        {kCmdRunOnce, [&] { return std::to_string(g_RunOnce) + (stored("RunOnce=1") ? "+" : "-"); },
         "0-", "1+"},
        // The stored value flips; the running flag waits for the next start.
        {kCmdAutoUpdate,
         [&] { return std::to_string(g_AutoUpdate) + (stored("AutoUpdate=1") ? "+" : "-"); }, "0-",
         "0+"},
    };
    CMainFrame& f = MakeFrame();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        QAction* toggle = f.Command(c.command);
        EXPECT_EQ(c.effect(), c.before);
        toggle->trigger();
        EXPECT_EQ(c.effect(), c.after);
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
    const struct {
        std::vector<std::string> texts, shown; // "." = the tick left the line alone
    } cases[] = {
        {{}, {".", ".", "."}},
        {{"甲"}, {"甲", ".", "甲", "."}},
        {{"甲", link}, {"甲", link, ".", "甲", link}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts.size());
        CMainFrame& f = MakeFrame();
        // Hint texts and hints come from worker threads too.
        std::thread([&] {
            for (const std::string& text : c.texts)
                f.AddHintText(text);
        }).join();
        QCoreApplication::processEvents();
        std::vector<std::string> shown;
        for (std::size_t tick = 0; tick < c.shown.size(); ++tick) {
            std::thread([&] { f.WriteHint("."); }).join();
            QCoreApplication::processEvents();
            f.OnReminderTimer();
            shown.push_back(HintOf(f));
        }
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_F(MainFrame, CheckOnceQuitsOnlyWhenOutOfSightAndIdle) {
    const struct {
        int runOnce;
        bool shown;
        int busy;
        bool quits;
    } cases[] = {
        {1, false, 0, true}, {1, true, 0, false}, {1, false, 1, false}, {0, false, 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.runOnce << c.shown << c.busy);
        g_RunOnce = c.runOnce;
        CMainFrame& f = MakeFrame(c.shown);
        f.TrayIcon().ShowIcon();
        f.StartReminderTimer();
        quits.clear();
        SetBusy(c.busy);
        f.OnReminderTimer();
        SetBusy(0);
        EXPECT_EQ(quits, c.quits ? std::vector<int>{0} : std::vector<int>{});
        EXPECT_EQ(f.TrayIcon().IsShown(), !c.quits); // quitting takes the icon away
        EXPECT_EQ(f.ReminderTimer().isActive(), !c.quits);
    }
}

TEST_F(MainFrame, MinimisingGoesToTheTrayOrStaysMinimisedWithoutOne) {
    for (const bool tray : {true, false}) {
        SCOPED_TRACE(tray);
        CTrayIcon::OverrideAvailability(tray);
        g_RunOnce = 1;
        CMainFrame& f = MakeFrame();
        quits.clear();
        f.showMinimized();
        QCoreApplication::processEvents();
        EXPECT_TRUE(f.TrayIcon().IsShown());
        EXPECT_EQ(f.isVisible(), !tray); // without a tray it waits in the task bar
        f.OnReminderTimer();             // either way it counts as out of sight
        EXPECT_EQ(quits, std::vector<int>{0});

        f.TrayIcon().ShowIcon();
        emit f.TrayIcon().Clicked();
        EXPECT_TRUE(f.isVisible() && !f.isMinimized());
        EXPECT_FALSE(f.TrayIcon().IsShown());
    }
}

TEST_F(MainFrame, LockHidesAndOnlyThePasswordBringsTheWindowBack) {
    g_Setting.m_UnLockPwd = "secret";
    CMainFrame& f = MakeFrame();
    auto trayMenu = [&f] {
        std::string s;
        for (int id : {kCmdShowWindow, kCmdSendMail, kCmdUnlock, kCmdExit})
            s += f.TrayCommand(id)->isEnabled() ? "+" : "-";
        return s;
    };
    EXPECT_EQ(trayMenu(), "+--+"); // the composer is not part of the program yet

    f.ToolBar()->actions()[4]->trigger(); // 锁定
    EXPECT_EQ(g_Setting.m_IsLock, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.TrayIcon().IsShown());
    EXPECT_EQ(f.TrayIcon().IconId(), 147);
    EXPECT_EQ(trayMenu(), "--++");

    // A click asks; a wrong password is told, 取消 leaves everything as it was.
    AnswerUnlock({"wrong"});
    emit f.TrayIcon().Clicked();
    EXPECT_EQ(unlockDialogs, 1);
    EXPECT_EQ(busyWhileAsking, 1);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "解锁密码不正确！");
    EXPECT_EQ(prompter.asked[0].caption, "提示");
    EXPECT_EQ(g_Setting.m_IsLock, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.TrayIcon().IconId(), 147);

    // 解除锁定 with the right password unlocks and leaves the window in the tray.
    AnswerUnlock({"wrong", "secret"});
    f.TrayCommand(kCmdUnlock)->trigger();
    EXPECT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(g_Setting.m_IsLock, 0);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.TrayIcon().IsShown());
    EXPECT_EQ(f.TrayIcon().IconId(), 128);
    EXPECT_EQ(trayMenu(), "+--+");

    // No password set: an empty entry unlocks, and the click shows the window.
    g_Setting.m_UnLockPwd.clear();
    f.Command(kCmdLock)->trigger();
    AnswerUnlock({""});
    emit f.TrayIcon().Clicked();
    EXPECT_EQ(g_Setting.m_IsLock, 0);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.TrayIcon().IsShown());

    f.hide();
    f.TrayCommand(kCmdExit)->trigger();
    EXPECT_EQ(quits, std::vector<int>{0});
}

TEST_F(MainFrame, WithoutATrayALockedWindowAsksBeforeItIsRestored) {
    CTrayIcon::OverrideAvailability(false);
    g_Setting.m_UnLockPwd = "pw";
    CMainFrame& f = MakeFrame();
    f.Command(kCmdLock)->trigger();
    EXPECT_TRUE(f.isMinimized());
    for (const char* answer : {"", "pw"}) {
        AnswerUnlock(*answer ? std::vector<std::string>{answer} : std::vector<std::string>{});
        f.showNormal(); // as the task bar would
        QTest::qWait(50);
        EXPECT_EQ(f.isMinimized(), !*answer);
        EXPECT_EQ(g_Setting.m_IsLock, *answer ? 0 : 1);
    }
    EXPECT_EQ(unlockDialogs, 2);
}

} // namespace
