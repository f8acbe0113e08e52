#include "ShellFixture.h"

#include "controls/CHyperLink.h"
#include "controls/CMainView.h"
#include "controls/CSortListCtrl.h"
#include "reminders/CAnnivoView.h"
#include "reminders/ReminderListRows.h"
#include "ui_CAvAddressList.h"
#include "views/CAvAddressList.h"

#include "SeededDatabase.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>

namespace {

using AddressBookWorkflow = ShellTest;

std::string Text(const QSize& size) {
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

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

// The window's smallest size is the same whichever view is shown, and every
// view is whole at it: in the address book no two controls overlap, none is
// cut off, and each button, label and check box shows its whole text.
TEST_F(AddressBookWorkflow, SmallestWindowShowsEveryViewWhole) {
    const SeededDatabase db;
    const std::string address =
        "广东省深圳市南山区粤海街道科技园南区高新南七道数字技术园A座十二楼一二零八室前台转交";
    db.Run(SqlFormat("Insert Into TiXing (m_Name,m_Group,m_DateStatus,m_Date,m_CompAddr) Values "
                     "('欧阳娜娜','同学','阳历','1975-02-14 00:00:00','%s')",
                     address));
    CMainFrame& f = MakeFrame();
    f.resize(1, 1);
    QApplication::processEvents();
    const QSize smallest = f.size();
    ASSERT_LT(smallest.width(), 760);
    for (const int command : {kCmdCalendarView, kCmdAddressView, kCmdReminderView}) {
        f.Command(command)->trigger();
        QApplication::processEvents();
        EXPECT_EQ(Text(f.size()), Text(smallest)) << command;
        const CMainView* view = f.ActiveView();
        EXPECT_EQ(Text(view->minimumSizeHint().expandedTo(view->size())), Text(view->size()))
            << command << " needs more room";
    }

    f.Command(kCmdAddressView)->trigger();
    QApplication::processEvents();
    auto* book = qobject_cast<CAvAddressList*>(f.ActiveView());
    ASSERT_NE(book, nullptr);
    Ui::CAvAddressList& ui = book->Controls();
    ui.searchEdit->setText(QString::fromUtf8("欧阳娜娜"));
    QTest::mouseClick(ui.searchButton, Qt::LeftButton);
    ASSERT_EQ(book->ShownName(), "欧阳娜娜");
    // The address, longer than its field, shows its beginning.
    QLineEdit* field = ui.compAddrEdit;
    ASSERT_GT(field->fontMetrics().horizontalAdvance(field->text()), field->width());
    EXPECT_EQ(field->cursorPosition(), 0);
    EXPECT_LT(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(),
              field->fontMetrics().averageCharWidth() * 2);

    const QWidget* content = ui.nameEdit->parentWidget();
    std::vector<std::pair<std::string, QRect>> placed;
    for (QWidget* control : content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isVisible())
            continue;
        const std::string name = control->objectName().toStdString();
        const QRect where(control->mapTo(book, QPoint(0, 0)), control->size());
        EXPECT_TRUE(book->rect().contains(where)) << name << " is cut off";
        if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control)) {
            EXPECT_GE(control->width(), control->sizeHint().width()) << name << " is cut short";
        }
        for (const auto& [other, rect] : placed)
            EXPECT_FALSE(rect.intersects(where)) << name << " overlaps " << other;
        placed.emplace_back(name, where);
    }
    EXPECT_GE(placed.size(), 39u);
    const QRect hint(book->HintLine()->mapTo(book, QPoint(0, 0)), book->HintLine()->size());
    EXPECT_TRUE(book->rect().contains(hint));
    EXPECT_FALSE(hint.intersects(QRect(content->mapTo(book, QPoint(0, 0)), content->size())));
}

} // namespace
