#include "ShellFixture.h"

#include "platform/MediaPlayer.h"
#include "reminders/CAdoDatabase.h"
#include "reminders/CRemindPopupDlg.h"
#include "reminders/DatabaseSeed.h"
#include "reminders/LoadReminderList.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The sound goes through SDL's disk driver into a file of the test's own.
class RemindPopup : public ShellTest {
protected:
    const ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    const ScopedEnv output{"SDL_DISKAUDIOFILE", program.File("output.raw")};
    const ScopedEnv delay{"SDL_DISKAUDIODELAY", "5"};

    // Samples (16-bit) louder than a whisper written so far.
    int Audible() const {
        std::ifstream in(program.Path() / "output.raw", std::ios::binary);
        std::int16_t sample;
        int audible = 0;
        while (in.read(reinterpret_cast<char*>(&sample), 2))
            audible += std::abs(int(sample)) > 200;
        return audible;
    }

    // Waits, a bounded while, for a tenth of a second of sound.
    bool HeardSomething() const {
        for (int i = 0; i < 1000; ++i) {
            if (Audible() > 4410)
                return true;
            QTest::qWait(10);
        }
        return false;
    }

    std::string ToneWav() const {
        const std::uint32_t rate = 22050, frames = rate, size = frames * 2;
        const std::uint32_t header[] = {0x46464952, 36 + size,  0x45564157, 0x20746d66,
                                        16,         0x00010001, rate,       rate * 2,
                                        0x00100002, 0x61746164, size};
        std::ofstream out(program.Path() / "tone.wav", std::ios::binary);
        out.write(reinterpret_cast<const char*>(header), sizeof header);
        for (std::uint32_t i = 0; i < frames; ++i) {
            const auto sample = std::int16_t(12000 * std::sin(2 * M_PI * 440 * i / rate));
            out.write(reinterpret_cast<const char*>(&sample), 2);
        }
        return program.File("tone.wav");
    }

    CRemindPopupDlg* Open(CMainFrame& f, const std::string& music) {
        IncrementBusyCount(); // as the reminder check does before it fires
        f.OpenReminderPopup(music, "生日提醒!",
                            "今天是张三的31周岁生日！让我们一起祝他(她)生日快乐！");
        const std::vector<CRemindPopupDlg*> popups = f.OpenPopups();
        return popups.empty() ? nullptr : popups.back();
    }
};

TEST_F(RemindPopup, PlaysTheBuiltInTuneAndCleansUpOnOk) {
    CMainFrame& f = MakeFrame();
    CRemindPopupDlg* popup = Open(f, "HAPPYBIRTHDAY");
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->windowTitle().toStdString(), "提醒");
    EXPECT_TRUE(popup->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(popup->isModal());
    EXPECT_EQ(popup->Heading()->text().toStdString(), "生日提醒!");
    EXPECT_EQ(popup->Message()->toPlainText().toStdString(),
              "今天是张三的31周岁生日！让我们一起祝他(她)生日快乐！");
    EXPECT_TRUE(popup->Message()->isReadOnly());
    EXPECT_EQ(popup->StopMusicBox()->text().toStdString(), "按确定时关闭提醒音乐");
    EXPECT_TRUE(popup->StopMusicBox()->isChecked());
    EXPECT_EQ(popup->Music(), "happy.mid");
    EXPECT_TRUE(fs::exists(program.Path() / "happy.mid"));
    EXPECT_EQ(BusyCount(), 1);

    EXPECT_TRUE(HeardSomething());
    QTest::mouseClick(popup->OkButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.OpenPopups().empty());
    EXPECT_FALSE(fs::exists(program.Path() / "happy.mid"));
    EXPECT_EQ(BusyCount(), 0);
    EXPECT_EQ(f.LingeringPlayerCount(), 0u);
}

TEST_F(RemindPopup, AWaveFilePlaysOnWhenTheBoxIsUnticked) {
    CMainFrame& f = MakeFrame();
    CRemindPopupDlg* popup = Open(f, ToneWav());
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(popup->Player()->IsPlaying());
    EXPECT_FALSE(fs::exists(program.Path() / "happy.mid"));
    popup->StopMusicBox()->setChecked(false);
    QTest::keyClick(popup, Qt::Key_Escape); // Esc ends the reminder like OK
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.OpenPopups().empty());
    EXPECT_EQ(BusyCount(), 0);
    // The frame keeps the player until the music ends.
    EXPECT_EQ(f.LingeringPlayerCount(), 1u);
    EXPECT_TRUE(HeardSomething());
}

TEST_F(RemindPopup, EmptyMusicIsSilentAndClosingTheLastPopupEndsACheckOnceRun) {
    g_RunOnce = 1;
    CMainFrame& f = MakeFrame(false); // in the tray
    CRemindPopupDlg* first = Open(f, "");
    CRemindPopupDlg* second = Open(f, program.File("missing.mp3"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, first);
    EXPECT_FALSE(first->Player()->IsOpen());
    EXPECT_FALSE(second->Player()->IsOpen());
    EXPECT_EQ(BusyCount(), 2);

    first->close(); // the close box
    QCoreApplication::processEvents();
    EXPECT_TRUE(quits.empty());
    EXPECT_EQ(BusyCount(), 1);
    QTest::mouseClick(second->OkButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(BusyCount(), 0);
    EXPECT_EQ(quits, std::vector<int>{0});
    EXPECT_EQ(Audible(), 0);
}

TEST_F(RemindPopup, ADueReminderOpensItsPopupOnTheTickAndHoldsACheckOnceRun) {
    CreateDatabaseFromSeed(program.File("data.db"));
    {
        CAdoDatabase db(program.File("data.db"));
        db.Open();
        db.Execute("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead,m_SoundPath) Values "
                   "('张三','1980-09-12 00:00:00','阳历',33,'')");
    }
    g_Setting.m_DayWnd = 1;
    g_RunOnce = 1;
    clock.Set(DateTime(2011, 9, 12, 9, 0, 0));
    CMainFrame& f = MakeFrame(false);
    LoadReminderList(f.Reminders(), clock, prompter);
    ASSERT_EQ(f.Reminders().size(), 1u);

    f.OnReminderTimer();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(quits.empty()); // the pop-up keeps the run alive
    const std::vector<CRemindPopupDlg*> popups = f.OpenPopups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0]->Message()->toPlainText().toStdString(),
              "今天是张三的31周岁生日！让我们一起祝他(她)生日快乐！");
    EXPECT_EQ(f.Reminders()[0].state, "进行");

    f.OnReminderTimer(); // fires once only
    EXPECT_EQ(f.OpenPopups().size(), 1u);
    QTest::mouseClick(popups[0]->OkButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, std::vector<int>{0});
}

} // namespace
