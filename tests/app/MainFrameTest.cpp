#include "ShellFixture.h"

#include "controls/CColorToolBar.h"
#include "controls/CHyperLink.h"
#include "controls/CMainView.h"
#include "platform/Autostart.h"
#include "reminders/CReminderDlg.h"
#include "ui_CReminderDlg.h"

#include "SeededDatabase.h"

#include <QAction>
#include <QToolButton>
#include <gmock/gmock.h>
#include <thread>

namespace {

using MainFrame = ShellTest;

std::string HintOf(CMainFrame& frame) {
    return frame.ActiveView()->HintLine()->text().toStdString();
}

QAction* ToolButton(CMainFrame& frame, int id) {
    for (QAction* action : frame.ToolBar()->actions())
        if (action->data().toInt() == id)
            return action;
    return nullptr;
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
    const std::tuple<int, int, int, const char*> steps[] = {
        {kCmdCalendarView, kViewCalendar, 1, "日历主界面，可以查看周别、阴阳历、节日。"},
        {kCmdAddressView, kViewAddressBook, 2, "通讯录主界面，可以新增、修改、删除联络人。"},
        {kCmdReminderView, kViewReminderList, 0, "生日提醒主界面，可以新增、修改、删除提醒。"},
    };
    std::map<int, CMainView*> seen;
    for (const auto& [command, viewId, stored, hint] : steps) {
        SCOPED_TRACE(stored);
        f.Command(command)->trigger();
        EXPECT_EQ(f.ActiveView()->ViewId(), viewId);
        EXPECT_EQ(CheckedView(f), command);
        EXPECT_EQ(g_ActiveView, stored);
        EXPECT_NE(Ini().find("ActiveView=" + std::to_string(stored)), std::string::npos);
        EXPECT_EQ(HintOf(f), hint);
        seen[viewId] = f.ActiveView();
    }
    f.ToolBar()->actions()[1]->trigger(); // one instance of each view
    EXPECT_EQ(f.ActiveView(), seen[kViewCalendar]);
}

TEST_F(MainFrame, NewOnTheToolbarOpensTheNewReminderEditorWhileTheListIsShown) {
    const SeededDatabase db;
    CMainFrame& f = MakeFrame();
    QAction* add = ToolButton(f, kCmdNewReminder);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->toolTip().toStdString(), "新增提醒");
    std::string opened;
    AnswerModal<CReminderDlg>([&opened](CReminderDlg& dialog) {
        opened = (dialog.windowTitle() + dialog.Controls().okButton->text()).toStdString();
    });
    QTest::mouseClick(f.ToolBar()->widgetForAction(add), Qt::LeftButton);
    EXPECT_EQ(opened, "增加提醒添加");
    // Enabled as the menu's 新增提醒: only while the list is shown.
    for (auto [view, enabled] :
         {std::pair{kCmdCalendarView, false}, std::pair{kCmdAddressView, false},
          std::pair{kCmdReminderView, true}}) {
        f.Command(view)->trigger();
        EXPECT_EQ(add->isEnabled(), enabled) << view;
        EXPECT_EQ(f.Command(kCmdNewReminder)->isEnabled(), enabled) << view;
    }
}

TEST_F(MainFrame, TogglesStoreTheirChoiceAndTwiceRestores) {
    CMainFrame& f = MakeFrame();
    // The running flags and the autostart entry | stored RunOnce, AutoUpdate | menu ticks.
    auto state = [this, &f] {
        std::string s = std::to_string(g_AutoStart) + std::to_string(g_RunOnce) +
                        std::to_string(g_AutoUpdate) + ReadAutostart().value_or("") + "|";
        for (const char* key : {"RunOnce=1", "AutoUpdate=1"})
            s += Ini().find(key) != std::string::npos ? "+" : "-";
        for (int id : {kCmdAutostart, kCmdRunOnce, kCmdAutoUpdate})
            s += f.Command(id)->isChecked() ? "+" : "-";
        return s;
    };
    const std::string initial = state();
    EXPECT_EQ(initial, "000|-----");
    // The running AutoUpdate waits for the next start.
    const std::pair<int, std::string> toggles[] = {{kCmdAutostart, "100" + g_ExePath + "|--+--"},
                                                   {kCmdRunOnce, "010|+--+-"},
                                                   {kCmdAutoUpdate, "000|-+--+"}};
    for (const auto& [command, after] : toggles) {
        f.Command(command)->trigger();
        EXPECT_EQ(state(), after) << command;
        f.Command(command)->trigger();
        EXPECT_EQ(state(), initial) << command;
    }
}

TEST_F(MainFrame, ChoicesAReadOnlySettingsFileCannotKeepAreToldAndItStaysAsItIs) {
    CMainFrame& f = MakeFrame();
    const std::filesystem::path ini = program.Path() / "annivo.ini";
    const std::string stored = "[Settings]\r\nAutoUpdate=0\r\n";
    WriteBytes(ini, stored);
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read |
                                          std::filesystem::perms::group_read |
                                          std::filesystem::perms::others_read);
    // Check-once still counts for this run; automatic update stays as stored.
    f.Command(kCmdRunOnce)->trigger();
    EXPECT_TRUE(g_RunOnce == 1 && f.Command(kCmdRunOnce)->isChecked());
    f.Command(kCmdAutoUpdate)->trigger();
    EXPECT_FALSE(f.Command(kCmdAutoUpdate)->isChecked());
    // The view changes; that it cannot be remembered is told once.
    f.Command(kCmdCalendarView)->trigger();
    f.Command(kCmdReminderView)->trigger();
    EXPECT_EQ(f.ActiveView()->ViewId(), kViewReminderList);
    EXPECT_EQ(Ini(), stored);
    std::vector<std::string> told; // the fixture has no database to tell about too
    for (const std::string& text : prompter.Texts())
        if (text.find("设置") != std::string::npos)
            told.push_back(text);
    ASSERT_EQ(told.size(), 3u);
    const char* settings[] = {"检测一次退出", "自动检测更新", "启动时显示的界面"};
    for (std::size_t i = 0; i < told.size(); ++i) {
        EXPECT_THAT(told[i], ::testing::HasSubstr(std::string("无法保存“") + settings[i] + "”"));
        EXPECT_THAT(told[i], ::testing::HasSubstr(ini.string() + " 或它所在的目录是只读的"));
    }
}

// Root may write anywhere, so the entry is blocked by what stands in its way:
// a file where the autostart directory belongs, a full directory where the
// entry is.
TEST_F(MainFrame, AutostartThatCannotBeChangedSaysSoAndKeepsItsTick) {
    CMainFrame& f = MakeFrame();
    WriteBytes(config.Path() / "autostart", "not a directory");
    f.Command(kCmdAutostart)->trigger();
    EXPECT_TRUE(g_AutoStart == 0 && !f.Command(kCmdAutostart)->isChecked());
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_THAT(prompter.Texts()[0], ::testing::HasSubstr("无法设置随机启动"));

    std::filesystem::remove(config.Path() / "autostart");
    std::filesystem::create_directories(config.Path() / "autostart/annivo.desktop/x");
    g_AutoStart = 1;
    f.Command(kCmdAutostart)->setChecked(true);
    f.Command(kCmdAutostart)->trigger();
    EXPECT_TRUE(g_AutoStart == 1 && f.Command(kCmdAutostart)->isChecked());
    ASSERT_EQ(prompter.Texts().size(), 2u);
    EXPECT_THAT(prompter.Texts()[1], ::testing::HasSubstr("无法关闭随机启动"));
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
    // Check once, window shown, busy count: quits.
    const std::tuple<int, bool, int, bool> cases[] = {
        {1, false, 0, true}, {1, true, 0, false}, {1, false, 1, false}, {0, false, 0, false}};
    for (const auto& [runOnce, shown, busy, quit] : cases) {
        SCOPED_TRACE(testing::Message() << runOnce << shown << busy);
        g_RunOnce = runOnce;
        CMainFrame& f = MakeFrame(shown);
        f.TrayIcon().ShowIcon();
        f.StartReminderTimer();
        quits.clear();
        SetBusy(busy);
        f.OnReminderTimer();
        SetBusy(0);
        EXPECT_EQ(quits.size(), quit ? 1u : 0u);
        // Quitting takes the icon away and stops the timer.
        EXPECT_EQ(f.TrayIcon().IsShown() + f.ReminderTimer().isActive(), quit ? 0 : 2);
    }
}

TEST_F(MainFrame, MinimisingGoesToTheTrayOrWithoutOneStaysMinimisedAndLockable) {
    for (const bool tray : {true, false}) {
        SCOPED_TRACE(tray);
        CTrayIcon::OverrideAvailability(tray);
        g_RunOnce = 1;
        CMainFrame& f = MakeFrame();
        quits.clear();
        f.showMinimized();
        QCoreApplication::processEvents();
        // Without a tray it waits in the task bar.
        EXPECT_TRUE(f.TrayIcon().IsShown() && f.isVisible() == !tray);
        f.OnReminderTimer(); // either way it counts as out of sight
        EXPECT_EQ(quits, std::vector<int>{0});

        f.TrayIcon().ShowIcon();
        emit f.TrayIcon().Clicked();
        EXPECT_TRUE(f.isVisible() && !f.isMinimized() && !f.TrayIcon().IsShown());
        if (tray)
            continue;
        // Without a tray a locked window asks before the task bar may restore it.
        g_Setting.m_UnLockPwd = "pw";
        f.Command(kCmdLock)->trigger();
        EXPECT_TRUE(f.isMinimized());
        for (const char* answer : {"", "pw"}) {
            AnswerUnlock(*answer ? std::vector<std::string>{answer} : std::vector<std::string>{});
            f.showNormal();
            QTest::qWait(50);
            EXPECT_EQ(f.isMinimized(), !*answer);
            EXPECT_EQ(g_Setting.m_IsLock, *answer ? 0 : 1);
        }
        EXPECT_EQ(unlockDialogs, 2);
    }
}

TEST_F(MainFrame, LockHidesAndOnlyThePasswordBringsTheWindowBack) {
    g_Setting.m_UnLockPwd = "secret";
    CMainFrame& f = MakeFrame();
    auto trayMenu = [&f] {
        std::string s;
        for (int id : {kCmdShowWindow, kCmdSendMail, kCmdPersonalSettings, kCmdUnlock, kCmdExit})
            s += f.TrayCommand(id)->isEnabled() ? "+" : "-";
        return s;
    };
    EXPECT_EQ(trayMenu(), "+++-+");

    ToolButton(f, kCmdLock)->trigger();
    EXPECT_TRUE(g_Setting.m_IsLock == 1 && !f.isVisible() && f.TrayIcon().IsShown() &&
                f.TrayIcon().IconId() == 147);
    EXPECT_EQ(trayMenu(), "---++");

    // A click asks; a wrong password is told, 取消 leaves everything as it was.
    AnswerUnlock({"wrong"});
    emit f.TrayIcon().Clicked();
    EXPECT_EQ(std::pair(unlockDialogs, busyWhileAsking), std::pair(1, 1));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text + prompter.asked[0].caption, "解锁密码不正确！提示");
    EXPECT_TRUE(g_Setting.m_IsLock == 1 && !f.isVisible() && f.TrayIcon().IconId() == 147);

    // 解除锁定 with the right password unlocks and leaves the window in the tray.
    AnswerUnlock({"wrong", "secret"});
    f.TrayCommand(kCmdUnlock)->trigger();
    EXPECT_TRUE(prompter.asked.size() == 2u && g_Setting.m_IsLock == 0);
    EXPECT_TRUE(!f.isVisible() && f.TrayIcon().IsShown() && f.TrayIcon().IconId() == 128);
    EXPECT_EQ(trayMenu(), "+++-+");

    // No password set: an empty entry unlocks, and the click shows the window.
    g_Setting.m_UnLockPwd.clear();
    f.Command(kCmdLock)->trigger();
    AnswerUnlock({""});
    emit f.TrayIcon().Clicked();
    EXPECT_TRUE(g_Setting.m_IsLock == 0 && f.isVisible() && !f.TrayIcon().IsShown());
}

} // namespace
