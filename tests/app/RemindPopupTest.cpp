#include "ShellFixture.h"

#include "platform/MediaPlayer.h"
#include "reminders/CAdoDatabase.h"
#include "reminders/DatabaseSeed.h"
#include "reminders/LoadReminderList.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

#include <cmath>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The sound goes through SDL's disk driver into a file of the test's own.
class RemindPopup : public ShellTest {
protected:
    const ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    const ScopedEnv output{"SDL_DISKAUDIOFILE", program.File("output.raw")};
    const ScopedEnv delay{"SDL_DISKAUDIODELAY", "5"};

    int AudibleSamples() const {
        std::ifstream in(program.Path() / "output.raw", std::ios::binary);
        int audible = 0;
        for (std::int16_t sample; in.read(reinterpret_cast<char*>(&sample), 2);)
            audible += std::abs(int(sample)) > 200;
        return audible;
    }
    // Waits, a bounded while, for a tenth of a second more sound (16-bit stereo).
    bool Heard() const {
        const int wanted = AudibleSamples() + 8820;
        for (int wait = 0; wait < 1000 && AudibleSamples() < wanted; ++wait)
            QTest::qWait(10);
        return AudibleSamples() >= wanted;
    }

    // Three seconds of 440 Hz, 16-bit mono.
    std::string ToneWav() const {
        const std::uint32_t rate = 22050, frames = rate * 3, size = frames * 2;
        const std::uint32_t header[] = {0x46464952, 36 + size, 0x45564157, 0x20746d66, 16,  0x10001,
                                        rate,       rate * 2,  0x100002,   0x61746164, size};
        std::ofstream out(program.Path() / "tone.wav", std::ios::binary);
        out.write(reinterpret_cast<const char*>(header), sizeof header);
        for (std::uint32_t i = 0; i < frames; ++i) {
            const auto sample = std::int16_t(12000 * std::sin(2 * M_PI * 440 * i / rate));
            out.write(reinterpret_cast<const char*>(&sample), 2);
        }
        return program.File("tone.wav");
    }
};

TEST_F(RemindPopup, PlaysItsMusicAndEndsTheReminderOnOkOrEsc) {
    const struct {
        std::string music;
        bool sounds;
        bool stopMusic; // the box's tick at OK
        Qt::Key key;    // 0: the OK button
    } cases[] = {
        {"HAPPYBIRTHDAY", true, true, Qt::Key(0)},
        {"", false, true, Qt::Key(0)},
        {program.File("missing.mp3"), false, true, Qt::Key_Escape},
        {ToneWav(), true, false, Qt::Key_Escape}, // plays on after the window is gone; last, as
                                                  // it holds the output
    };
    CMainFrame& f = MakeFrame();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.music);
        fs::remove(program.Path() / "output.raw");
        IncrementBusyCount(); // as the reminder check does before it fires
        f.OpenReminderPopup(c.music, "生日提醒!", "甲的出生日期是:阳历1980-09-12。\r\n还有3天");
        ASSERT_EQ(f.OpenPopups().size(), 1u);
        CRemindPopupDlg* popup = f.OpenPopups()[0];
        EXPECT_EQ(popup->Heading()->text().toStdString(), "生日提醒!");
        EXPECT_EQ(popup->Message()->toPlainText().toStdString(),
                  "甲的出生日期是:阳历1980-09-12。\n还有3天");
        EXPECT_TRUE(popup->StopMusicBox()->isChecked());
        EXPECT_EQ(fs::exists(program.Path() / "happy.mid"), c.music == "HAPPYBIRTHDAY");
        EXPECT_EQ(popup->Player()->IsPlaying(), c.sounds);
        if (c.sounds) {
            EXPECT_TRUE(Heard());
        }

        popup->StopMusicBox()->setChecked(c.stopMusic);
        if (c.key)
            QTest::keyClick(popup, c.key);
        else
            QTest::mouseClick(popup->OkButton(), Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_TRUE(f.OpenPopups().empty());
        EXPECT_EQ(BusyCount(), 0);
        EXPECT_FALSE(fs::exists(program.Path() / "happy.mid"));
        EXPECT_EQ(f.LingeringPlayerCount(), c.stopMusic ? 0u : 1u);
        if (!c.stopMusic) {
            EXPECT_TRUE(Heard());
        }
        if (!c.sounds) {
            EXPECT_EQ(AudibleSamples(), 0);
        }
    }
}

TEST_F(RemindPopup, ADueReminderOpensItsPopupOnTheTickAndHoldsACheckOnceRun) {
    CreateDatabaseFromSeed(program.File("data.db"));
    {
        CAdoDatabase db(program.File("data.db"));
        db.Open();
        db.Execute("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead) Values "
                   "('张三','1980-09-12 00:00:00','阳历',33)");
    }
    g_Setting.m_DayWnd = 1;
    g_RunOnce = 1;
    clock.Set(DateTime(2011, 9, 12, 9, 0, 0));
    CMainFrame& f = MakeFrame(false); // in the tray
    LoadReminderList(f.Reminders(), clock, prompter);

    f.OnReminderTimer();
    f.OnReminderTimer(); // fires once only
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(quits.empty()); // the pop-up keeps the run alive
    ASSERT_EQ(f.OpenPopups().size(), 1u);
    CRemindPopupDlg* popup = f.OpenPopups()[0];
    EXPECT_EQ(popup->Message()->toPlainText().toStdString(),
              "今天是张三的31周岁生日！让我们一起祝他(她)生日快乐！");
    popup->close(); // the close box ends it like OK
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, std::vector<int>{0});
}

} // namespace
