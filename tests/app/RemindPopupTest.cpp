#include "ShellFixture.h"

#include "controls/CSortListCtrl.h"
#include "platform/MediaPlayer.h"
#include "platform/QtPrompter.h"
#include "reminders/CAnnivoView.h"
#include "reminders/CReminderDlg.h"
#include "reminders/LoadReminderList.h"
#include "reminders/ReminderListRows.h"

#include "SeededDatabase.h"
#include "Sound.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QWindow>

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
        // A check-once run waits for the pop-up.
        EXPECT_TRUE(popup->StopMusicBox()->isChecked() && BusyCount() == 1);
        EXPECT_EQ(fs::exists(program.Path() / "happy.mid"), c.music == "HAPPYBIRTHDAY");
        EXPECT_EQ(popup->Player()->IsPlaying(), c.sounds);
        EXPECT_TRUE(!c.sounds || Heard());

        popup->StopMusicBox()->setChecked(c.stopMusic);
        if (c.key)
            QTest::keyClick(popup, c.key);
        else
            QTest::mouseClick(popup->OkButton(), Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_TRUE(f.OpenPopups().empty() && BusyCount() == 0);
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

bool StaysOnTop(const QWidget* window) {
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
           window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
}

// Questions and dialogs over open pop-ups, with the program's real message
// boxes: each must come up above the pop-ups (which stay on top) with the
// keyboard, and Enter pressed on a pop-up must not answer what it covers.
class PopupsAndQuestions : public RemindPopup {
protected:
    PopupsAndQuestions() {
        g_Setting.m_DayWnd = 1;
        for (const char* name : {"刘洋", "张三"})
            db.Run(
                std::string("Insert Into TiXing (m_Name,m_Date,m_Ahead,m_DateStatus) Values ('") +
                name + "','1980-09-09 23:59:59',0,'阳历')");
        frame = std::make_unique<CMainFrame>(questions, clock);
        frame->SetQuitHandler([this](int code) { quits.push_back(code); });
        frame->show();
        LoadReminderList(frame->Reminders(), clock, questions);
        frame->RefreshReminderList();
        list = qobject_cast<CAnnivoView*>(frame->ActiveView());
    }
    ~PopupsAndQuestions() override { frame.reset(); }

    void Select(const std::string& name) {
        for (int row = 0; row < list->List()->GetItemCount(); ++row)
            if (list->List()->GetItemText(row, kColumnName) == name)
                list->List()->SetSelectionMark(row);
    }
    // Enter on every open pop-up, as the window system delivers it.
    void PressEnterOnPopups() {
        for (CRemindPopupDlg* popup : frame->OpenPopups())
            QTest::keyClick(popup->windowHandle(), Qt::Key_Return);
    }
    static void PressEnterOnFocus() {
        QWindow* focus = QGuiApplication::focusWindow();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key_Return);
    }
    void ExpectAboveThePopups(QWidget& dialog) {
        EXPECT_TRUE(StaysOnTop(&dialog)) << "under the pop-ups";
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog)) << "the keyboard is elsewhere";
        for (CRemindPopupDlg* popup : frame->OpenPopups())
            EXPECT_FALSE(popup->isActiveWindow());
    }
    int Rows() const { return static_cast<int>(db.Column("select * from TiXing", "ID").size()); }

    const SeededDatabase db;
    QtPrompter questions;
    CAnnivoView* list = nullptr;
};

TEST_F(PopupsAndQuestions, TheDeleteQuestionComesUpAboveThePopupsAndTheyDoNotAnswerIt) {
    frame->OnReminderTimer();
    ASSERT_EQ(frame->OpenPopups().size(), 2u);

    Select("刘洋");
    int asked = 0;
    AnswerModal<QMessageBox>([&](QMessageBox& box) {
        ++asked;
        EXPECT_EQ(box.text().toStdString(), "你确定要删除关于 刘洋 的生日提醒吗?");
        ExpectAboveThePopups(box);
        PressEnterOnPopups();
        EXPECT_TRUE(box.isVisible() && Rows() == 2) << "a pop-up answered the question";
        EXPECT_EQ(frame->OpenPopups().size(), 2u);
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    frame->Command(kCmdDelete)->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Rows(), 2);

    // With the question on top, Enter answers it; the message that follows
    // comes up above the pop-ups as well.
    Select("刘洋");
    AnswerModal<QMessageBox>([&](QMessageBox& box) {
        ExpectAboveThePopups(box);
        PressEnterOnFocus();
        AnswerModal<QMessageBox>([&](QMessageBox& told) {
            ++asked;
            EXPECT_EQ(told.text().toStdString(), "删除 刘洋 的生日提醒成功!");
            ExpectAboveThePopups(told);
            PressEnterOnFocus();
        });
    });
    frame->Command(kCmdDelete)->trigger();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Rows(), 1);

    // Without pop-ups, questions are ordinary windows again.
    for (CRemindPopupDlg* popup : frame->OpenPopups())
        QTest::mouseClick(popup->OkButton(), Qt::LeftButton);
    Select("张三");
    AnswerModal<QMessageBox>([&](QMessageBox& box) {
        ++asked;
        EXPECT_FALSE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    });
    frame->Command(kCmdDelete)->trigger();
    EXPECT_EQ(asked, 3);
}

TEST_F(PopupsAndQuestions, APopupThatComesWhileADialogIsOpenStaysBelowItWithoutTheKeyboard) {
    int answered = 0;
    AnswerModal<CReminderDlg>([&](CReminderDlg& dialog) {
        ++answered;
        EXPECT_FALSE(StaysOnTop(&dialog));
        frame->OnReminderTimer(); // the reminder timer runs on while the editor is open
        ASSERT_EQ(frame->OpenPopups().size(), 2u);
        ExpectAboveThePopups(dialog);
        PressEnterOnPopups();
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    frame->Command(kCmdNewReminder)->trigger();
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(Rows(), 2) << "nothing saved";
    EXPECT_EQ(frame->OpenPopups().size(), 2u);
    for (CRemindPopupDlg* popup : frame->OpenPopups())
        QTest::mouseClick(popup->OkButton(), Qt::LeftButton);
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
