#include "ShellFixture.h"

#include "controls/CSortListCtrl.h"
#include "mail/CSettingDlg.h"
#include "reminders/CAnnivoView.h"
#include "reminders/CReminderDlg.h"
#include "reminders/ReminderListRows.h"
#include "ui_CReminderDlg.h"

#include "ModalAnswer.h"
#include "SeededDatabase.h"
#include "Typing.h"

#include <QAction>
#include <QLabel>

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
        TypeText(ui.nameEdit, "张三");
        QTest::mouseClick(ui.gregorianRadio, Qt::LeftButton);
        ui.birthEdit->setDate(QDate(1980, 9, 12));
        ui.aheadCombo->setCurrentIndex(3);
        QTest::mouseClick(ui.okButton, Qt::LeftButton);
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

TEST_F(ReminderWorkflow, PersonalSettingsOpenFromMenuAndTrayButNotWhileLocked) {
    const SeededDatabase db;
    CMainFrame& f = MakeFrame();
    int opened = 0;
    for (QAction* command :
         {f.Command(kCmdPersonalSettings), f.TrayCommand(kCmdPersonalSettings)}) {
        ASSERT_TRUE(command->isEnabled());
        AnswerModal<CSettingDlg>([&opened](CSettingDlg& dialog) {
            ++opened;
            dialog.reject();
        });
        command->trigger();
    }
    EXPECT_EQ(opened, 2);
    f.Lock();
    EXPECT_FALSE(f.TrayCommand(kCmdPersonalSettings)->isEnabled());
}

} // namespace
