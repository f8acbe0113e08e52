#include "ShellFixture.h"

#include "controls/CSortListCtrl.h"
#include "reminders/CAnnivoView.h"
#include "reminders/ReminderListRows.h"
#include "ui_CAvAddressList.h"
#include "views/CAvAddressList.h"

#include "SeededDatabase.h"

#include <QAction>

namespace {

using AddressBookWorkflow = ShellTest;

// A contact with 提醒 ticked is a reminder: the reminder list and the frame's
// reminders follow every change made in the address book.
TEST_F(AddressBookWorkflow, ContactChangesReachTheReminderList) {
    const SeededDatabase db;
    CMainFrame& f = MakeFrame();
    auto* list = qobject_cast<CAnnivoView*>(f.View(kViewReminderList));
    ASSERT_NE(list, nullptr);
    f.Command(kCmdAddressView)->trigger();
    auto* book = qobject_cast<CAvAddressList*>(f.ActiveView());
    ASSERT_NE(book, nullptr);
    Ui::CAvAddressList& ui = book->Controls();

    auto reminderNames = [&] {
        std::string names;
        for (const ReminderRecord& record : f.Reminders())
            names += record.name + ";";
        return names;
    };
    ui.nameEdit->setText(QString::fromUtf8("张三"));
    QTest::mouseClick(ui.addButton, Qt::LeftButton);
    ui.nameEdit->setText(QString::fromUtf8("李四"));
    ui.remindCheck->setChecked(false);
    QTest::mouseClick(ui.addButton, Qt::LeftButton);
    EXPECT_EQ(reminderNames(), "张三;");

    ui.searchEdit->setText(QString::fromUtf8("张三"));
    QTest::mouseClick(ui.searchButton, Qt::LeftButton);
    ui.nameEdit->setText(QString::fromUtf8("张三丰"));
    QTest::mouseClick(ui.updateButton, Qt::LeftButton);
    EXPECT_EQ(reminderNames(), "张三丰;");

    f.Command(kCmdReminderView)->trigger();
    ASSERT_EQ(list->List()->GetItemCount(), 1);
    EXPECT_EQ(list->List()->GetItemText(0, kColumnName), "张三丰");

    f.Command(kCmdAddressView)->trigger();
    EXPECT_EQ(book->ShownName(), "张三丰") << "still shown after coming back";
    QTest::mouseClick(ui.deleteButton, Qt::LeftButton);
    EXPECT_EQ(reminderNames(), "");
    f.Command(kCmdReminderView)->trigger();
    EXPECT_EQ(list->List()->GetItemCount(), 0);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"添加成功！", "添加成功！", "修改成功！",
                                        "你确定要删除关于 张三丰 的资料吗?", "删除张三丰成功！"}));
}

} // namespace
