#include "ShellFixture.h"

#include "app/CAnnivoApp.h"
#include "controls/CMainView.h"
#include "platform/Autostart.h"

#include "SecondConnection.h"
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

// Another copy writing, a file that can only be read, and a file that is not
// the program's: the window comes up all the same, with whoever can be read,
// after no message, the one that says why nothing can be saved, and one per load.
TEST_F(StartupFlow, ALockedReadOnlyOrEmptyDatabaseStillShowsTheWindow) {
    for (const std::string fault : {"locked", "read-only", "zero bytes"}) {
        SCOPED_TRACE(fault);
        const SeededDatabase db;
        db.Run("Insert Into TiXing (m_Name) Values ('张三')");
        const SecondConnection writer =
            OpenSecondConnection(db.Path(), fault == "locked" ? "BEGIN IMMEDIATE" : "");
        if (fault == "read-only") // a -shm that cannot be made
            std::filesystem::create_symlink(db.Dir().Path() / "nowhere", db.Path() + "-shm");
        if (fault == "zero bytes")
            WriteBytes(db.Path(), "");
        prompter.asked.clear();
        CAnnivoApp app(prompter, clock);
        ASSERT_TRUE(app.InitInstance());
        app.MainFrame()->SetQuitHandler([](int) {});
        EXPECT_TRUE(app.MainFrame()->isVisible());
        EXPECT_EQ(app.MainFrame()->Reminders().size(), fault == "zero bytes" ? 0u : 1u);
        EXPECT_EQ(prompter.asked.size(), fault == "locked" ? 0u : fault == "read-only" ? 1u : 2u);
        EXPECT_EQ(ReadBytes(db.Path()).empty(), fault == "zero bytes");
    }
}

} // namespace
