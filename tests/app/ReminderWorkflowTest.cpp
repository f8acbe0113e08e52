#include "ShellFixture.h"

#include "controls/CBirthDateEdit.h"
#include "controls/CSortListCtrl.h"
#include "exchange/TableExchange.h"
#include "mail/CSettingDlg.h"
#include "reminders/CAnnivoView.h"
#include "reminders/CReminderDlg.h"
#include "reminders/LoadReminderList.h"
#include "reminders/ReminderListRows.h"
#include "ui_CReminderDlg.h"

#include "ReceivedMail.h"
#include "SecondConnection.h"
#include "SeededDatabase.h"
#include "SmtpTestServer.h"
#include "LunarTyping.h"
#include "Typing.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <gmock/gmock.h>

namespace {

using ReminderWorkflow = ShellTest;

TEST_F(ReminderWorkflow, APersonAddedThreeDaysAheadIsRemindedOnTheNextTick) {
    const SeededDatabase db;
    g_Setting.m_AheadWnd = 1;
    g_Setting.m_EveryDay = 1;
    CMainFrame& f = MakeFrame();
    auto* list = qobject_cast<CAnnivoView*>(f.ActiveView());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(f.Command(kCmdNewReminder)->isEnabled());
    EXPECT_FALSE(f.Command(kCmdModify)->isEnabled());

    // The clock says 2011-09-09: 张三's birthday is in three days.
    AnswerModal<CReminderDlg>([](CReminderDlg& dialog) {
        Ui::CReminderDlg& ui = dialog.Controls();
        EXPECT_TRUE(ui.lunarRadio->isChecked() && ui.okButton->text() == QString::fromUtf8("添加"));
        TypeText(ui.nameEdit, "张三");
        QTest::mouseClick(ui.gregorianRadio, Qt::LeftButton);
        ui.birthEdit->setDate(QDate(1980, 9, 12));
        ui.aheadCombo->setCurrentIndex(3);
        QTest::keyClick(ui.nameEdit, Qt::Key_Return); // Enter saves
    });
    f.Command(kCmdNewReminder)->trigger();
    ASSERT_EQ(list->List()->GetItemCount(), 1);
    EXPECT_EQ(list->List()->GetItemText(0, kColumnState), "生效");
    EXPECT_TRUE(f.ReminderTimer().isActive()) << "the refresh restarted the timer";

    f.OnReminderTimer();
    EXPECT_EQ(list->List()->GetItemText(0, kColumnState), "将到");
    EXPECT_EQ(list->List()->RowBkColor(0), QColor(111, 183, 255));
    EXPECT_EQ(db.Value("select * from TiXing", "m_State") +
                  db.Value("select * from TiXing", "m_Ahead"),
              "将到32");
    const std::vector<CRemindPopupDlg*> popups = f.OpenPopups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_TRUE(prompter.asked.empty());

    // With the row selected the main menu's row commands come alive.
    list->List()->SetSelectionMark(0);
    for (int id : {kCmdModify, kCmdDelete, kCmdEnable})
        EXPECT_TRUE(f.Command(id)->isEnabled()) << id;
    f.Command(kCmdCalendarView)->trigger();
    EXPECT_FALSE(f.Command(kCmdNewReminder)->isEnabled()) << "only while the list is shown";
}

// Lunar 二月三十, a day the Gregorian calendar lacks, goes through the
// editor, the database, the list and a workbook backup exactly as entered.
TEST_F(ReminderWorkflow, ALunarThirtiethOfTheSecondMonthIsKeptEverywhere) {
    const SeededDatabase db;
    CMainFrame& f = MakeFrame();
    auto* list = qobject_cast<CAnnivoView*>(f.ActiveView());
    ASSERT_NE(list, nullptr);
    const auto stored = [](const SeededDatabase& from) {
        return from.Value("select typeof(m_Date) || ' ' || m_Date || ' ' || m_DateStatus || ' ' || "
                          "m_Mobile As v from TiXing",
                          "v");
    };

    AnswerModal<CReminderDlg>([](CReminderDlg& dialog) {
        Ui::CReminderDlg& ui = dialog.Controls();
        CBirthDateEdit& birth = dialog.BirthEntry();
        TypeText(ui.nameEdit, "张三");
        ASSERT_TRUE(ui.lunarRadio->isChecked());
        EXPECT_EQ(birth.Text(), QString::fromUtf8("2011年八月十二")) << "born today";
        EnterLunarFebruaryThirtieth1980(birth);
        EXPECT_EQ(birth.Text(), QString::fromUtf8("1980年二月三十"));
        EXPECT_EQ(birth.EquivalentLabel()->text(), QString::fromUtf8("无对应阳历日期"));
        QTest::keyClick(birth.LunarDayCombo(), Qt::Key_Up);
        EXPECT_EQ(birth.EquivalentLabel()->text(), QString::fromUtf8("阳历1980-04-14")) << "廿九";
        QTest::keyClick(birth.LunarDayCombo(), Qt::Key_Down);
        QTest::mouseClick(ui.okButton, Qt::LeftButton);
    });
    f.Command(kCmdNewReminder)->trigger();
    EXPECT_EQ(stored(db), "text 1980-02-30 23:59:59 阴历 ");
    ASSERT_EQ(list->List()->GetItemCount(), 1);
    EXPECT_EQ(list->List()->GetItemText(0, kColumnBirth), "1980-02-30");

    // Opened from the list it shows as entered; trying the other calendar
    // and coming back changes nothing, so the date is not written again.
    list->List()->SetSelectionMark(0);
    AnswerModal<CReminderDlg>([](CReminderDlg& dialog) {
        Ui::CReminderDlg& ui = dialog.Controls();
        EXPECT_EQ(dialog.BirthEntry().Text(), QString::fromUtf8("1980年二月三十"));
        QTest::mouseClick(ui.gregorianRadio, Qt::LeftButton);
        EXPECT_EQ(dialog.BirthEntry().Text(), "1980-02-29") << "the month's last day";
        QTest::mouseClick(ui.lunarRadio, Qt::LeftButton);
        EXPECT_EQ(dialog.BirthEntry().Text(), QString::fromUtf8("1980年二月三十"));
        ui.mobileEdit->setText("139");
        QTest::mouseClick(ui.okButton, Qt::LeftButton);
    });
    f.Command(kCmdModify)->trigger();
    EXPECT_EQ(stored(db), "text 1980-02-30 23:59:59 阴历 139");

    // Backed up to a workbook and restored into a new database, as it was.
    const std::string file = db.Dir().File("backup.xlsx");
    ASSERT_EQ(ExportTable(file).result, ExchangeOutcome::Result::Done);
    const SeededDatabase restored;
    ASSERT_EQ(ImportTable(file).result, ExchangeOutcome::Result::Done);
    EXPECT_EQ(stored(restored), "text 1980-02-30 23:59:59 阴历 139");
    EXPECT_TRUE(prompter.asked.empty());
}

void SelectPerson(CAnnivoView& list, const std::string& name) {
    for (int row = 0; row < list.List()->GetItemCount(); ++row)
        if (list.List()->GetItemText(row, kColumnName) == name)
            list.List()->SetSelectionMark(row);
    ASSERT_EQ(list.List()->GetItemText(list.List()->GetSelectionMark(), kColumnName), name);
}

// The reminders given by a tick: the messages of the pop-ups it opened (which
// the user then closes with OK) and the subjects of the mails it sent.
std::vector<std::string> RemindersOfTick(CMainFrame& frame, SmtpTestServer& server,
                                         std::size_t& mailsSeen) {
    frame.OnReminderTimer();
    std::vector<std::string> given;
    for (CRemindPopupDlg* popup : frame.OpenPopups()) {
        given.push_back(popup->Message()->toPlainText().section('\n', 0, 0).toStdString());
        QTest::mouseClick(popup->OkButton(), Qt::LeftButton);
    }
    for (int i = 0; i < 3000 && BusyCount() > 0; ++i) // the mails
        QTest::qWait(10);
    const std::vector<std::string> sessions = server.SettledSessions();
    for (; mailsSeen < sessions.size(); ++mailsSeen)
        given.push_back("mail: " + ReceivedMail(sessions[mailsSeen]).subject);
    return given;
}

TEST_F(ReminderWorkflow, NoEditToggleOrDeleteBringsBackARemindersGivenToday) {
    const SeededDatabase db;
    SmtpTestServer server;
    server.Start();
    g_Setting.m_DayWnd = g_Setting.m_AheadWnd = g_Setting.m_DayEmail = g_Setting.m_AheadEmail = 1;
    g_Setting.m_EveryDay = 1;
    g_Setting.m_Email = g_Setting.m_AcceptEmail = "me@example.com";
    g_Setting.m_ServerName = "127.0.0.1:" + std::to_string(server.Port());
    // Today is 2011-09-09: two birthdays today, one in three days, two later.
    for (const char* row : {"'张三','1980-09-09 23:59:59',33", "'李四','1990-09-09 23:59:59',0",
                            "'王五','1985-09-12 23:59:59',33", "'刘洋','1975-10-01 23:59:59',33",
                            "'赵六','1970-11-20 23:59:59',33"})
        db.Run(std::string("Insert Into TiXing (m_Name,m_Date,m_Ahead,m_DateStatus) Values (") +
               row + ",'阳历')");
    clock.Set(DateTime(2011, 9, 9, 10, 0, 0));
    CMainFrame& f = MakeFrame();
    LoadReminderList(f.Reminders(), clock, prompter); // as start-up does
    f.RefreshReminderList();
    auto* list = qobject_cast<CAnnivoView*>(f.ActiveView());
    ASSERT_NE(list, nullptr);
    std::size_t mailsSeen = 0;

    // Another program holds the file during the first tick: the states wait
    // in memory for a later tick.
    std::vector<std::string> given;
    {
        const SecondConnection other = OpenSecondConnection(db.Path(), "BEGIN IMMEDIATE");
        given = RemindersOfTick(f, server, mailsSeen);
    }
    EXPECT_THAT(given, testing::UnorderedElementsAre(
                           "今天是张三的31周岁生日！让我们一起祝他(她)生日快乐！",
                           "今天是李四的21周岁生日！让我们一起祝他(她)生日快乐！",
                           "王五的出生日期是:阳历1985-09-12。", "mail: 张三的31周岁生日的提醒!",
                           "mail: 李四的21周岁生日的提醒!", "mail: 王五的26周岁生日即将到!"));
    EXPECT_THAT(prompter.Texts(), testing::ElementsAre(testing::HasSubstr("下次检查时再保存")));

    // Saving 张三 unchanged in the editor reads the list again, before the
    // states were saved; so do a toggle and a delete of other people.
    SelectPerson(*list, "张三");
    AnswerModal<CReminderDlg>(
        [](CReminderDlg& dialog) { QTest::keyClick(dialog.Controls().nameEdit, Qt::Key_Return); });
    f.Command(kCmdModify)->trigger();
    clock.Set(DateTime(2011, 9, 9, 10, 0, 20));
    EXPECT_THAT(RemindersOfTick(f, server, mailsSeen), testing::IsEmpty());
    SelectPerson(*list, "赵六");
    f.Command(kCmdEnable)->trigger(); // 失效
    SelectPerson(*list, "刘洋");
    f.Command(kCmdDelete)->trigger(); // the question is answered 确定
    clock.Set(DateTime(2011, 9, 9, 10, 0, 40));
    EXPECT_THAT(RemindersOfTick(f, server, mailsSeen), testing::IsEmpty());
    EXPECT_EQ(db.Value("select group_concat(m_Name||m_State||m_Ahead,' ') As s from TiXing", "s"),
              "张三进行33 李四进行0 王五将到32 赵六失效33");

    // The next day the usual rules apply again.
    clock.Set(DateTime(2011, 9, 10, 10, 0, 0));
    EXPECT_THAT(RemindersOfTick(f, server, mailsSeen),
                testing::UnorderedElementsAre("王五的出生日期是:阳历1985-09-12。",
                                              "mail: 王五的26周岁生日即将到!"));
}

TEST_F(ReminderWorkflow, PersonalSettingsOpenFromMenuAndTray) {
    const SeededDatabase db;
    CMainFrame& f = MakeFrame();
    int opened = 0;
    for (QAction* command :
         {f.Command(kCmdPersonalSettings), f.TrayCommand(kCmdPersonalSettings)}) {
        AnswerModal<CSettingDlg>([&opened](CSettingDlg& dialog) {
            ++opened;
            dialog.reject();
        });
        command->trigger();
    }
    EXPECT_EQ(opened, 2);
}

} // namespace
