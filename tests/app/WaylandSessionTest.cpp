// The program's windows in a Wayland session; wayland_test.sh runs this in a
// headless compositor. A compositor places windows itself and gives the
// keyboard to whom it likes: what a program cannot do there must neither fail
// nor fill the log.

#include "ShellFixture.h"

#include "app/CAboutDlg.h"

#include <QAction>
#include <gmock/gmock.h>

namespace {

std::vector<std::string> g_Logged;

class WaylandSession : public ShellTest {
protected:
    WaylandSession() {
        // A Wayland desktop without a notification area: the window minimises.
        CTrayIcon::OverrideAvailability(std::nullopt);
        m_SavedHandler = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type != QtDebugMsg && type != QtInfoMsg)
                    g_Logged.push_back(text.toStdString());
            });
    }
    ~WaylandSession() override { qInstallMessageHandler(m_SavedHandler); }

    QtMessageHandler m_SavedHandler = nullptr;
};

TEST_F(WaylandSession, TheWindowADialogAndCascadedPopupsShowAndTheWindowComesBack) {
    ASSERT_EQ(QGuiApplication::platformName(), "wayland");
    CMainFrame& f = MakeFrame(false);
    f.CentreOnScreen();
    f.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
    for (const char* name : {"张三", "李四", "王五"}) {
        IncrementBusyCount(); // as the reminder check does
        f.OpenReminderPopup("", "生日提醒!", std::string("今天是") + name + "的生日");
    }
    ASSERT_EQ(f.OpenPopups().size(), 3u);
    for (CRemindPopupDlg* popup : f.OpenPopups())
        EXPECT_TRUE(QTest::qWaitForWindowExposed(popup));
    // A dialog opened over the pop-ups is lifted above them.
    bool aboutExposed = false;
    AnswerModal<CAboutDlg>(
        [&aboutExposed](CAboutDlg& about) { aboutExposed = QTest::qWaitForWindowExposed(&about); });
    f.Command(kCmdAbout)->trigger();
    EXPECT_TRUE(aboutExposed);
    for (CRemindPopupDlg* popup : f.OpenPopups())
        QTest::keyClick(popup, Qt::Key_Escape);

    // Minimised and back, as 查看 in a notification brings it.
    ASSERT_FALSE(CTrayIcon::IsAvailable());
    f.SendToTray();
    EXPECT_TRUE(f.IsOutOfSight());
    f.ShowFromTray();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_THAT(g_Logged, testing::IsEmpty());
}

} // namespace
