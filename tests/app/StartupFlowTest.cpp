#include "ShellFixture.h"

#include "app/CAnnivoApp.h"
#include "app/StartupReading.h"
#include "controls/CMainView.h"
#include "controls/CSortListCtrl.h"
#include "platform/Autostart.h"
#include "reminders/CAnnivoView.h"
#include "reminders/ReminderListRows.h"

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

// The program's main begins the start before Qt starts (the people are read
// meanwhile): the window shows the same list as a start begun by the window
// itself; where there is no directory to enter, the start says why, at once.
TEST_F(StartupFlow, AStartBegunBeforeTheWindowShowsWhatItReadOrWhyItCannot) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing (m_Name,m_Date,m_DateStatus) Values "
           "('张三','1980-03-01 23:59:59','阳历'),('李四','1980-12-01 23:59:59','阳历'),"
           "('王五','1980-07-01 23:59:59','阴历')");
    std::vector<std::string> shown[2];
    for (const bool early : {true, false}) {
        CAnnivoApp app(prompter, clock, early ? std::make_unique<StartupReading>(clock) : nullptr);
        ASSERT_TRUE(app.InitInstance());
        app.MainFrame()->SetQuitHandler([](int) {});
        const auto* list = dynamic_cast<CAnnivoView*>(app.MainFrame()->View(kViewReminderList));
        ASSERT_NE(list, nullptr);
        for (int row = 0; row < list->List()->GetItemCount(); ++row)
            for (int column = 0; column < kReminderColumnCount; ++column)
                shown[early].push_back(list->List()->GetItemText(row, column));
    }
    EXPECT_EQ(shown[true], shown[false]);
    EXPECT_EQ(shown[true].size(), 3u * kReminderColumnCount);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{});

    WriteBytes(home.Path() / "file", "");
    const ScopedEnv unusable{"ANNIVO_HOME", (home.Path() / "file/annivo").string()};
    CAnnivoApp app(prompter, clock, std::make_unique<StartupReading>(clock));
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(prompter.Texts()[0].find("程序不能运行"), std::string::npos) << prompter.Texts()[0];
}

} // namespace
