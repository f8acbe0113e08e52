#include "ShellFixture.h"

#include "platform/MediaPlayer.h"

#include "Sound.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

namespace fs = std::filesystem;

namespace {

class RemindPopup : public ShellTest {
protected:
    const DiskAudio audio{program.File("output.raw")};

    int Audible() const { return Loudness(program.Path() / "output.raw").first; }
    // Waits, a bounded while, for a tenth of a second more sound (16-bit stereo).
    bool Heard() const {
        const int wanted = Audible() + 8820;
        for (int wait = 0; wait < 1000 && Audible() < wanted; ++wait)
            QTest::qWait(10);
        return Audible() >= wanted;
    }
};

TEST_F(RemindPopup, PlaysItsMusicAndEndsTheReminderOnOkOrEsc) {
    const struct {
        std::string music;
        bool sounds, stopMusic; // stopMusic: the box's tick at OK
        Qt::Key key;            // 0: the OK button
    } cases[] = {
        {"HAPPYBIRTHDAY", true, true, Qt::Key(0)},
        {"", false, true, Qt::Key(0)},
        // Plays on after the window is gone; last, as it holds the output.
        {WriteToneWav(program.Path() / "tone.wav", 3), true, false, Qt::Key_Escape},
    };
    g_RunOnce = 1;
    CMainFrame& f = MakeFrame(false); // in the tray
    for (const auto& c : cases) {
        SCOPED_TRACE(c.music);
        quits.clear();
        fs::remove(program.Path() / "output.raw");
        IncrementBusyCount(); // as the reminder check does before it fires
        f.OpenReminderPopup(c.music, "生日提醒!", "甲的出生日期是:阳历1980-09-12。\r\n还有3天");
        ASSERT_EQ(f.OpenPopups().size(), 1u);
        CRemindPopupDlg* popup = f.OpenPopups()[0];
        EXPECT_EQ(popup->Heading()->text() + popup->Message()->toPlainText(),
                  QString::fromUtf8("生日提醒!甲的出生日期是:阳历1980-09-12。\n还有3天"));
        EXPECT_TRUE(popup->StopMusicBox()->isChecked());
        EXPECT_EQ(BusyCount(), 1); // a check-once run waits for the pop-up
        EXPECT_EQ(fs::exists(program.Path() / "happy.mid"), c.music == "HAPPYBIRTHDAY");
        EXPECT_EQ(popup->Player()->IsPlaying(), c.sounds);
        EXPECT_TRUE(!c.sounds || Heard());

        popup->StopMusicBox()->setChecked(c.stopMusic);
        if (c.key)
            QTest::keyClick(popup, c.key);
        else
            QTest::mouseClick(popup->OkButton(), Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_TRUE(f.OpenPopups().empty());
        EXPECT_EQ(BusyCount(), 0);
        EXPECT_EQ(quits, std::vector<int>{0}) << "a check-once run ends with its pop-up";
        EXPECT_FALSE(fs::exists(program.Path() / "happy.mid"));
        EXPECT_EQ(f.LingeringPlayerCount(), c.stopMusic ? 0u : 1u);
        EXPECT_TRUE(c.stopMusic || Heard());
        EXPECT_TRUE(c.sounds || Audible() == 0);
    }
}

TEST_F(RemindPopup, PopupsOpenedTogetherCascadeSoEachTitleBarShows) {
    g_RunOnce = 0;
    CMainFrame& f = MakeFrame(false);
    for (int i = 0; i < 3; ++i) {
        IncrementBusyCount();
        f.OpenReminderPopup("", "生日提醒!", "第" + std::to_string(i + 1) + "个");
    }
    const std::vector<CRemindPopupDlg*> popups = f.OpenPopups();
    ASSERT_EQ(popups.size(), 3u);
    const QPoint step = popups[1]->pos() - popups[0]->pos();
    EXPECT_TRUE(step.x() > 0 && step.y() > 0) << step.x() << "," << step.y();
    EXPECT_EQ(popups[2]->pos() - popups[1]->pos(), step);
    for (CRemindPopupDlg* popup : popups)
        popup->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(BusyCount(), 0);
}

TEST(RemindPopupPlace, CascadeSkipsTakenPlacesAndStaysOnTheScreen) {
    const QRect screen(0, 0, 1000, 800);
    const QSize size(400, 200);
    using Points = std::vector<QPoint>;
    // First place, places taken: where the next one goes (steps of 30).
    const std::tuple<QPoint, Points, QPoint> cases[] = {
        {{300, 300}, {}, {300, 300}},
        {{300, 300}, {{300, 300}}, {330, 330}},
        {{300, 300}, {{330, 330}, {300, 300}}, {360, 360}},
        {{300, 300}, {{360, 360}}, {300, 300}},
        {{300, 580}, {{300, 580}}, {0, 0}},           // the next step leaves the screen
        {{300, 580}, {{300, 580}, {0, 0}}, {30, 30}}, // and goes on from the corner
        {{700, 700}, Points{{700, 700}}, {0, 0}},     // a first place partly off the screen
    };
    for (const auto& [first, taken, expected] : cases)
        EXPECT_EQ(CRemindPopupDlg::CascadePosition(first, size, screen, taken, 30), expected)
            << first.x() << "," << first.y() << " with " << taken.size() << " taken";
    Points everywhere;
    for (int i = 0; i < 30; ++i)
        everywhere.push_back({i * 30, i * 30});
    everywhere.push_back({300, 300});
    EXPECT_EQ(CRemindPopupDlg::CascadePosition({300, 300}, size, screen, everywhere, 30),
              QPoint(300, 300));
}

} // namespace
