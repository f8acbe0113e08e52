#include "ShellFixture.h"

#include "app/CAnnivoApp.h"
#include "app/CMainView.h"
#include "platform/Autostart.h"

#include "SeededDatabase.h"

namespace {

using StartupFlow = ShellTest;

TEST_F(StartupFlow, FirstAppearanceFollowsAutostartProfileDirectoryAndLock) {
    enum Answer { None, Cancel, Right };
    const struct {
        int autoStart, inProfileDir, lock;
        Answer answer; // to the unlock dialog, when one is expected
        bool visible;
        int lockAfter;
        int activeView, viewId; // the stored view is shown whatever the appearance
    } cases[] = {
        {1, 1, 1, None, false, 1, 0, 101},   {1, 1, 0, None, false, 0, 1, 136},
        {1, 0, 1, Cancel, false, 1, 2, 142}, {1, 0, 1, Right, true, 0, 5, 101},
        {1, 0, 0, None, true, 0, 0, 101},    {0, 1, 1, Cancel, false, 1, 1, 136},
        {0, 0, 1, Right, true, 0, 2, 142},   {0, 1, 0, None, true, 0, 0, 101},
        {0, 0, 0, None, true, 0, 0, 101},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(index++);
        const SeededDatabase db;
        db.Run(SqlFormat("Update MySetting Set m_IsLock=%d,m_UnLockPwd='pw'", c.lock));
        db.Run("Insert Into TiXing (m_Name) Values ('张三')");
        WriteBytes(program.Path() / "annivo.ini",
                   "[Settings]\nActiveView=" + std::to_string(c.activeView) + "\n");
        RemoveAutostart();
        if (c.autoStart)
            WriteAutostart(ExecutablePath());
        std::filesystem::current_path(c.inProfileDir ? home.Path() : config.Path());
        unlockDialogs = 0;
        if (c.answer != None)
            AnswerUnlock(c.answer == Right ? std::vector<std::string>{"pw"}
                                           : std::vector<std::string>{});

        CAnnivoApp app(prompter, clock);
        ASSERT_TRUE(app.InitInstance());
        CMainFrame& f = *app.MainFrame();
        f.SetQuitHandler([](int) {});

        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{});
        EXPECT_EQ(std::filesystem::current_path(), program.Path());
        EXPECT_EQ(unlockDialogs, c.answer != None ? 1 : 0);
        EXPECT_EQ(std::tuple(f.isVisible(), f.TrayIcon().IsShown(), f.TrayIcon().IconId(),
                             g_Setting.m_IsLock),
                  std::tuple(c.visible, !c.visible, c.lockAfter ? 147 : 128, c.lockAfter));
        EXPECT_EQ(f.Command(kCmdAutostart)->isChecked(), c.autoStart == 1);
        EXPECT_EQ(f.ActiveView()->ViewId(), c.viewId);
        EXPECT_TRUE(f.Reminders().size() == 1u && f.ReminderTimer().isActive());
    }
}

} // namespace
