#include "views/AddressBook.h"
#include "controls/CBirthDateEdit.h"
#include "controls/CHyperLink.h"
#include "ui_CAvAddressList.h"
#include "views/CAvAddressList.h"

#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "LunarTyping.h"
#include "Typing.h"

#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class AddressBook : public ::testing::Test {
protected:
    // A row as another part of the program writes it; groups out of order.
    void Insert(const std::string& name, const std::string& group, int remind = 0) {
        db.Run(SqlFormat("Insert Into TiXing (m_Name,m_Group,m_IsVailid,m_Date,m_DateStatus,"
                         "m_State,m_Ahead,m_Title) Values ('%s','%s',%d,'1980-09-12 23:59:59',"
                         "'阳历','将到',32,'生日快乐')",
                         name, group, remind));
    }
    CAvAddressList& Open() {
        view = std::make_unique<CAvAddressList>(prompter, [this] { ++changes; });
        view->show();
        return *view;
    }
    Ui::CAvAddressList& Ui() { return view->Controls(); }
    QTreeWidgetItem* Node(int group, int child = -1) {
        QTreeWidgetItem* top = Ui().contactTree->topLevelItem(group);
        return child < 0 || top == nullptr ? top : top->child(child);
    }
    // The tree as text: "group: name name | group: ...".
    std::string Tree() {
        std::string text;
        for (int g = 0; QTreeWidgetItem* top = Node(g); ++g) {
            text += (g ? " | " : "") + top->text(0).toStdString() + ":";
            for (int c = 0; c < top->childCount(); ++c)
                text += " " + top->child(c)->text(0).toStdString();
        }
        return text;
    }
    std::string Selected() {
        const QList<QTreeWidgetItem*> items = Ui().contactTree->selectedItems();
        return items.size() == 1 ? items[0]->text(0).toStdString() : "(none)";
    }
    std::string Column(const std::string& name, const std::string& column) {
        return db.Value(SelectContactSql(name), column);
    }
    bool FormCleared() {
        return Ui().nameEdit->text().isEmpty() && Ui().mobileEdit->text().isEmpty() &&
               Ui().remindCheck->isChecked() && !Ui().updateButton->isEnabled() &&
               !Ui().deleteButton->isEnabled();
    }

    SeededDatabase db;
    ScriptedPrompter prompter;
    int changes = 0;
    std::unique_ptr<CAvAddressList> view;
};

TEST_F(AddressBook, TreeShowsEveryRowByGroupAndAGroupNodePresetsTheGroup) {
    Insert("张三", "同学");
    Insert("李四", "朋友", 1);
    Insert("王五", "同学");
    Insert("赵六", "老'乡\"\\%𠮷"); // not one of the four
    Insert("钱七", "", -1);         // from the reminder editor, which knows no group
    Open();
    EXPECT_EQ(Tree(), "(未分组): 钱七 | 同学: 张三 王五 | 朋友: 李四 | 老'乡\"\\%𠮷: 赵六");
    EXPECT_TRUE(FormCleared());
    EXPECT_EQ(Ui().groupCombo->currentText(), Q("(未分组)"));
    EXPECT_EQ(Ui().groupCombo->itemText(1), Q("朋友")) << "the four in pinyin order";
    EXPECT_EQ(Ui().calendarCombo->currentText(), Q("阴历"));
    EXPECT_EQ(view->focusWidget(), Ui().nameEdit) << "ready for a new contact";

    Ui().contactTree->setCurrentItem(Node(1, 1));
    EXPECT_EQ(Ui().nameEdit->text(), Q("王五"));
    EXPECT_EQ(Ui().groupCombo->currentText(), Q("同学"));
    EXPECT_EQ(Ui().calendarCombo->currentText(), Q("阳历"));
    EXPECT_EQ(Ui().birthEdit->date(), QDate(1980, 9, 12));
    EXPECT_FALSE(Ui().remindCheck->isChecked());
    EXPECT_TRUE(Ui().updateButton->isEnabled() && Ui().deleteButton->isEnabled());
    Ui().contactTree->setCurrentItem(Node(0, 0));
    EXPECT_TRUE(Ui().remindCheck->isChecked()) << "-1, the yes of converted databases";

    // A group outside the four is offered while its contact is shown, so
    // that 更新 keeps it.
    const std::string odd = "老'乡\"\\%𠮷";
    Ui().contactTree->setCurrentItem(Node(3, 0));
    EXPECT_EQ(Ui().groupCombo->currentText().toStdString(), odd);
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(Column("赵六", "m_Group"), odd);
    Ui().contactTree->setCurrentItem(Node(1, 0));
    EXPECT_EQ(Ui().groupCombo->count(), 5);

    Ui().contactTree->setCurrentItem(Node(2));
    EXPECT_TRUE(FormCleared());
    EXPECT_EQ(Ui().groupCombo->currentText(), Q("朋友"));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"修改成功！"});
}

TEST_F(AddressBook, AddRefusesEmptyAndTakenNamesThenWritesAndShowsTheContact) {
    Insert("张三", "同学", 1);
    Open();
    QTest::mouseClick(Ui().addButton, Qt::LeftButton);
    TypeText(Ui().nameEdit, "张三");
    QTest::mouseClick(Ui().addButton, Qt::LeftButton);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"请输入姓名后才能增加新的联络人！", "姓名已存在！"}));
    EXPECT_EQ(db.Column("select * from TiXing", "m_Name").size(), 1u);

    Ui().nameEdit->setText(Q("O'Brien \"老\\王\" 100%𠮷"));
    Ui().calendarCombo->setCurrentText(Q("阳历"));
    Ui().birthEdit->setDate(QDate(1925, 3, 7));
    Ui().remindCheck->setChecked(false);
    Ui().groupCombo->setCurrentText(Q("同事"));
    Ui().homeAddrEdit->setText(Q("北京 'A' \"B\" \\ 50%𠮷"));
    Ui().homeAddrEdit->setFocus();
    QTest::keyClick(Ui().homeAddrEdit, Qt::Key_Return); // no contact shown: Enter adds
    const std::string name = "O'Brien \"老\\王\" 100%𠮷";
    EXPECT_EQ(prompter.Texts().back(), "添加成功！");
    EXPECT_EQ(Column(name, "m_Date"), "1925-03-07 00:00:00");
    EXPECT_EQ(Column(name, "m_IsVailid") + Column(name, "m_Group") + Column(name, "m_State"),
              "0同事生效");
    EXPECT_EQ(Column(name, "m_HomeAddr"), "北京 'A' \"B\" \\ 50%𠮷");
    EXPECT_EQ(Selected(), name) << "the new contact is found and shown";
    EXPECT_EQ(Ui().birthEdit->date(), QDate(1925, 3, 7));
    EXPECT_TRUE(Ui().updateButton->isEnabled());
    EXPECT_EQ(changes, 1);
}

TEST_F(AddressBook, UpdateKeepsReminderColumnsAndRefusesATakenName) {
    Insert("张三", "同学", 1);
    Insert("李四", "朋友");
    Open();
    Ui().searchEdit->setText(Q("张三"));
    Ui().searchEdit->setFocus();
    QTest::keyClick(Ui().searchEdit, Qt::Key_Return);
    ASSERT_EQ(Selected(), "张三");

    Ui().mobileEdit->setText(Q("13800138000"));
    Ui().mobileEdit->setFocus();
    QTest::keyClick(Ui().mobileEdit, Qt::Key_Return); // a contact shown: Enter updates
    EXPECT_EQ(Column("张三", "m_Mobile"), "13800138000");
    EXPECT_EQ(Column("张三", "m_State") + Column("张三", "m_Ahead") + Column("张三", "m_Title"),
              "将到32生日快乐");
    EXPECT_EQ(Column("张三", "m_Date"), "1980-09-12 23:59:59") << "its time of day too";

    Ui().nameEdit->setText(Q("李四"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    Ui().nameEdit->clear();
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(Column("张三", "m_Mobile"), "13800138000") << "nothing written";

    Ui().nameEdit->setText(Q("张三丰"));
    Ui().groupCombo->setCurrentText(Q("亲人"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"修改成功！", "姓名已存在！",
                                        "请输入姓名后才能更新联络人！", "修改成功！"}));
    EXPECT_EQ(Column("张三", "m_Name"), "(no row)");
    EXPECT_EQ(Tree(), "亲人: 张三丰 | 朋友: 李四");
    EXPECT_EQ(Selected(), "张三丰");
    EXPECT_EQ(changes, 2);

    // Deleted by another copy of the program while shown here: 更新 says
    // so, writes nothing and keeps what was typed.
    db.Run("Delete From TiXing Where m_Name='张三丰'");
    prompter.asked.clear();
    Ui().mobileEdit->setText(Q("13900139000"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_TRUE(prompter.Texts()[0].starts_with("没有找到联络人张三丰")) << prompter.Texts()[0];
    EXPECT_EQ(Ui().mobileEdit->text(), Q("13900139000"));
    EXPECT_EQ(db.Column("select * from TiXing", "ID").size(), 1u);
    EXPECT_EQ(changes, 2);
}

// Each contact is written back as it was read, whatever the contact shown
// before it held: no group, no birth date, no calendar, a date before 1900
// or one the field cannot show, a text longer than its field takes.
TEST_F(AddressBook, UpdateKeepsWhatTheFormCouldNotShowOrWasNotChanged) {
    Insert("张三", "同事");
    db.Run("Insert Into TiXing (m_Name,m_Group,m_DateStatus,m_Company) Values "
           "('刘洋','','','')"); // no date, like an imported row
    const std::string longCompany = "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十";
    const std::string longQQ(40000, '7');
    db.Run(SqlFormat("Insert Into TiXing (m_Name,m_Group,m_DateStatus,m_Date,m_Company,m_QQ) "
                     "Values ('古人','同事','阴','1850-05-06 23:59:59','%s','%s')",
                     longCompany, longQQ));
    auto stored = [&](const std::string& name) {
        return db.Value(SqlFormat("Select ifnull(m_Date,'NULL') As d From TiXing Where m_Name='%s'",
                                  name),
                        "d") +
               "|" + Column(name, "m_Group") + "|" + Column(name, "m_DateStatus") + "|" +
               Column(name, "m_Company") + "|" + Column(name, "m_Mobile");
    };
    Open();
    ASSERT_EQ(Tree(), "(未分组): 刘洋 | 同事: 张三 古人");

    Ui().contactTree->setCurrentItem(Node(1, 0));
    ASSERT_EQ(Ui().birthEdit->date(), QDate(1980, 9, 12));
    Ui().contactTree->setCurrentItem(Node(0, 0));
    EXPECT_EQ(Ui().groupCombo->currentText(), Q("(未分组)"));
    EXPECT_EQ(Ui().birthEdit->text(), Q("(无日期)"));
    EXPECT_EQ(Ui().calendarCombo->currentText(), Q("(未指定)"));
    Ui().mobileEdit->setText(Q("13900000001"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(stored("刘洋"), "NULL||||13900000001");

    Ui().contactTree->setCurrentItem(Node(1, 1));
    EXPECT_EQ(Ui().birthEdit->date(), QDate(1850, 5, 6));
    EXPECT_EQ(Ui().calendarCombo->currentText(), Q("阴")) << "not taken for 阴历";
    Ui().mobileEdit->setText(Q("13900000002"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(stored("古人"), "1850-05-06 23:59:59|同事|阴|" + longCompany + "|13900000002");
    EXPECT_TRUE(Column("古人", "m_QQ") == longQQ);

    // A date the user types is written; one taken away leaves none.
    Ui().contactTree->setCurrentItem(Node(0, 0));
    Ui().birthEdit->setFocus();
    QTest::keyClicks(Ui().birthEdit, "19900203");
    Ui().calendarCombo->setCurrentText(Q("阳历"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(stored("刘洋"), "1990-02-03 00:00:00||阳历||13900000001");
    Ui().birthEdit->setDate(Ui().birthEdit->minimumDate());
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(stored("刘洋"), "NULL||阳历||13900000001");
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>(4, "修改成功！"));
    Ui().birthEdit->setFocus();
    QTest::keyClick(Ui().birthEdit, Qt::Key_Up);
    EXPECT_GT(Ui().birthEdit->date(), QDate(2000, 1, 1)) << "from no date, stepping starts now";
}

// After 新增 the new contact is on show; a new one starts from an empty form.
TEST_F(AddressBook, ClearEmptiesTheFormSoAddTakesOnlyWhatWasTyped) {
    Insert("张三", "同学");
    Open();
    TypeText(Ui().nameEdit, "孙丽");
    Ui().calendarCombo->setCurrentText(Q("阳历"));
    Ui().birthEdit->setDate(QDate(1988, 8, 8));
    Ui().groupCombo->setCurrentText(Q("同事"));
    TypeText(Ui().emailEdit, "sunli@example.com");
    TypeText(Ui().qqEdit, "10001");
    TypeText(Ui().companyEdit, "星光公司");
    TypeText(Ui().homeAddrEdit, "上海");
    QTest::mouseClick(Ui().addButton, Qt::LeftButton);
    EXPECT_EQ(Selected(), "孙丽");
    EXPECT_EQ(view->ShownName(), "孙丽");
    Ui().faxEdit->setText(Q("021-1"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(Column("孙丽", "m_Fax"), "021-1") << "更新 applies to the new contact";

    QTest::mouseClick(Ui().clearButton, Qt::LeftButton);
    EXPECT_TRUE(FormCleared());
    EXPECT_EQ(Selected(), "(none)");
    for (QLineEdit* edit : view->findChildren<QLineEdit*>()) {
        // The date field's own editors aside.
        if (edit != Ui().searchEdit && edit->objectName() != "qt_spinbox_lineedit") {
            EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
        }
    }
    EXPECT_EQ(view->BirthEntry().Text(), Q("(无日期)"));
    EXPECT_EQ(Ui().groupCombo->currentText(), Q("(未分组)"));
    EXPECT_EQ(Ui().calendarCombo->currentText(), Q("阴历"));
    EXPECT_EQ(view->focusWidget(), Ui().nameEdit);
    TypeText(Ui().nameEdit, "周杰");
    TypeText(Ui().mobileEdit, "13700000000");
    TypeText(Ui().homeTelEdit, "021-2");
    QTest::keyClick(Ui().homeTelEdit, Qt::Key_Return);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"添加成功！", "修改成功！", "添加成功！"}));
    std::string others;
    for (const char* column : {"m_Email", "m_QQ", "m_Company", "m_HomeAddr", "m_Group", "m_Fax"})
        others += Column("周杰", column);
    EXPECT_EQ(others, "");
    EXPECT_EQ(Column("周杰", "m_Date"), "");
    EXPECT_EQ(Column("周杰", "m_Mobile") + Column("周杰", "m_HomeTel"), "13700000000021-2");
    EXPECT_EQ(Column("孙丽", "m_Date") + Column("孙丽", "m_Company"),
              "1988-08-08 00:00:00星光公司");

    // A search that finds nothing, and a group node, empty the form too; 清空
    // on a group node keeps that group for the new contact.
    for (const bool search : {true, false}) {
        Ui().searchEdit->setText(Q("孙丽"));
        QTest::mouseClick(Ui().searchButton, Qt::LeftButton);
        ASSERT_EQ(Ui().birthEdit->date(), QDate(1988, 8, 8));
        if (search) {
            Ui().searchEdit->setText(Q("钱"));
            QTest::mouseClick(Ui().searchButton, Qt::LeftButton);
        } else {
            Ui().contactTree->setCurrentItem(Node(1));
            Ui().nameEdit->setText(Q("半个"));
            QTest::mouseClick(Ui().clearButton, Qt::LeftButton);
        }
        EXPECT_TRUE(FormCleared()) << search;
        EXPECT_EQ(Ui().emailEdit->text() + view->BirthEntry().Text(), Q("(无日期)")) << search;
        EXPECT_EQ(Ui().groupCombo->currentText(), search ? Q("(未分组)") : Q("同事"));
    }
}

// A 阴历 birth date is entered as lunar year, month and day, every day of
// every month included, and stored as entered.
TEST_F(AddressBook, ALunarDateIsEnteredAsLunarMonthAndDayAndKeptAsWritten) {
    db.Run("Insert Into TiXing (m_Name,m_Group,m_IsVailid,m_Date,m_DateStatus) Values "
           "('老王','同事',1,'1980-02-30 23:59:59','阴历')");
    auto stored = [&](const std::string& name) {
        return db.Value(SqlFormat("Select typeof(m_Date) || ' ' || m_Date || ' ' || m_DateStatus "
                                  "As v From TiXing Where m_Name='%s'",
                                  name),
                        "v");
    };
    Open();
    CBirthDateEdit& birth = view->BirthEntry();
    EXPECT_EQ(Ui().calendarCombo->currentText(), Q("阴历"));
    EXPECT_EQ(birth.Text(), Q("(无日期)"));
    EXPECT_EQ(Ui().birthLabel->buddy(), &birth);

    TypeText(Ui().nameEdit, "孙丽");
    EnterLunarFebruaryThirtieth1980(birth);
    EXPECT_EQ(birth.EquivalentLabel()->text(), Q("无对应阳历日期"));
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    Ui().nameEdit->setFocus();
    std::vector<QWidget*> walked;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(walked, (std::vector<QWidget*>{Ui().calendarCombo, birth.LunarYearEdit(),
                                             birth.LunarMonthCombo(), birth.LunarDayCombo(),
                                             Ui().remindCheck}));
    QTest::mouseClick(Ui().addButton, Qt::LeftButton);
    EXPECT_EQ(stored("孙丽"), "text 1980-02-30 00:00:00 阴历");
    EXPECT_EQ(birth.Text(), Q("1980年二月三十")) << "the new contact, read again";

    // One stored earlier shows as it is and stays so when another field changes.
    Ui().searchEdit->setText(Q("老王"));
    QTest::mouseClick(Ui().searchButton, Qt::LeftButton);
    EXPECT_EQ(birth.Text(), Q("1980年二月三十"));
    Ui().mobileEdit->setText(Q("139"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(stored("老王"), "text 1980-02-30 23:59:59 阴历");

    // Switching the calendar converts the date shown, and 更新 writes it.
    Ui().searchEdit->setText(Q("孙丽"));
    QTest::mouseClick(Ui().searchButton, Qt::LeftButton);
    QTest::keyClick(birth.LunarDayCombo(), Qt::Key_Up);
    EXPECT_EQ(birth.EquivalentLabel()->text(), Q("阳历1980-04-14")) << "二月廿九";
    Ui().calendarCombo->setCurrentText(Q("阳历"));
    EXPECT_EQ(Ui().birthEdit->date(), QDate(1980, 4, 14));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(stored("孙丽"), "text 1980-04-14 00:00:00 阳历");
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"添加成功！", "修改成功！", "修改成功！"}));
}

// Every mnemonic of the view is its own, and none is one of the menu bar's
// (操作 O, 查看 V, 设定 S, 帮助 H).
TEST_F(AddressBook, MnemonicsDoNotClash) {
    Open();
    std::string letters = "OVSH";
    for (QWidget* widget : view->findChildren<QWidget*>()) {
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp < 0 || amp + 1 >= text.size())
            continue;
        const char letter = text.at(amp + 1).toUpper().toLatin1();
        EXPECT_EQ(letters.find(letter), std::string::npos) << text.toStdString();
        letters += letter;
    }
    EXPECT_NE(letters.find('W'), std::string::npos);
}

TEST_F(AddressBook, DeleteAsksFirstAndKeepsTheEmptiedGroup) {
    const std::string odd = "O'Neil 100%𠮷";
    Insert("张三", "同学", 1);
    Insert(odd, "朋友");
    Open();
    Ui().contactTree->setCurrentItem(Node(1, 0));
    Ui().mobileEdit->setText(Q("139'%"));
    QTest::mouseClick(Ui().updateButton, Qt::LeftButton);
    EXPECT_EQ(Column(odd, "m_Mobile"), "139'%");
    prompter.asked.clear();
    changes = 0;

    prompter.answers = {PromptAnswer::Cancel};
    QTest::mouseClick(Ui().deleteButton, Qt::LeftButton);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "你确定要删除关于 " + odd + " 的资料吗?");
    EXPECT_EQ(prompter.asked[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(Column(odd, "m_Name"), odd) << "Cancel deletes nothing";
    EXPECT_EQ(changes, 0);

    QTest::mouseClick(Ui().deleteButton, Qt::LeftButton);
    EXPECT_EQ(prompter.Texts().back(), "删除" + odd + "成功！");
    EXPECT_EQ(Column(odd, "m_Name"), "(no row)");
    EXPECT_EQ(Tree(), "同学: 张三 | 朋友:");
    EXPECT_EQ(Selected(), "朋友");
    EXPECT_TRUE(FormCleared());
    EXPECT_EQ(changes, 1);
}

TEST_F(AddressBook, PreviousAndNextWalkTheTreeAcrossGroups) {
    const std::vector<ContactGroup> tree = {{"A", {"a1", "a2"}}, {"B", {}}, {"C", {"c1"}}};
    using N = ContactNode;
    const struct {
        N from;
        std::optional<N> previous, next;
    } cases[] = {
        {{0, -1}, std::nullopt, N{0, 0}}, {{0, 0}, N{0, -1}, N{0, 1}},
        {{0, 1}, N{0, 0}, N{1, -1}},      {{1, -1}, N{0, 1}, N{2, -1}},
        {{2, -1}, N{1, -1}, N{2, 0}},     {{2, 0}, N{2, -1}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PreviousContactNode(tree, c.from), c.previous) << c.from.group << c.from.child;
        EXPECT_EQ(NextContactNode(tree, c.from), c.next) << c.from.group << c.from.child;
    }

    Insert("张三", "同学");
    Insert("李四", "朋友");
    Open();
    Ui().contactTree->setCurrentItem(Node(0, 0));
    QTest::mouseClick(Ui().nextButton, Qt::LeftButton);
    EXPECT_EQ(Selected(), "朋友");
    EXPECT_TRUE(FormCleared());
    QTest::mouseClick(Ui().previousButton, Qt::LeftButton);
    EXPECT_EQ(Selected(), "张三");
    EXPECT_EQ(view->focusWidget(), Ui().contactTree);
}

TEST(AddressBookSearch, FindsNamesHoldingTheTextLiterallyWholeNamesFirst) {
    const std::vector<ContactGroup> tree = {
        {"同学", {"张三丰", "O'Brien", "100%_x", "Tom", "张三"}},
        {"朋友", {"李张三", "tom lee", "100x", "a_b", "张三"}},
    };
    using N = ContactNode;
    const struct {
        const char* text;
        std::vector<N> found;
    } cases[] = {
        {"张三", {N{0, 4}, N{1, 4}, N{0, 0}, N{1, 0}}},
        {" 张三丰  ", {N{0, 0}}},
        {"tom", {N{0, 3}, N{1, 1}}}, // Latin letters in either case
        {"TOM LEE", {N{1, 1}}},
        {"%", {N{0, 2}}}, // never a wildcard
        {"_", {N{0, 2}, N{1, 3}}},
        {"%_", {N{0, 2}}},
        {"'", {N{0, 1}}},
        {"'; Drop Table TiXing; --", {}},
        {"同学", {}}, // group names are not searched
        {"王", {}},
        {"", {}},
        {"  ", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SearchContactNodes(tree, c.text), c.found) << "[" << c.text << "]";
    EXPECT_EQ(NoContactFoundText(" 王 "), "没有找到姓名中含有“王”的联络人。");
}

TEST_F(AddressBook, SearchFindsNamesHoldingTheTextAndGoesOnToTheNext) {
    Insert("张三", "同学");
    Insert("王五", "同学");
    Insert("张三丰", "朋友");
    Insert("O'Brien 100%_", "朋友");
    Insert("李张三", "亲人");
    Open();
    ASSERT_EQ(Tree(), "亲人: 李张三 | 同学: 张三 王五 | 朋友: 张三丰 O'Brien 100%_");
    Ui().searchEdit->setText(Q("张三"));
    std::vector<std::string> shown;
    for (int press = 0; press < 4; ++press) {
        QTest::mouseClick(Ui().searchButton, Qt::LeftButton);
        EXPECT_EQ(Selected(), view->ShownName());
        shown.push_back(view->ShownName());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"张三", "李张三", "张三丰", "张三"}));
    EXPECT_TRUE(Node(0)->isExpanded() && Node(1)->isExpanded() && Node(2)->isExpanded());
    EXPECT_EQ(view->HintLine()->PlainText(), Q("找到 3 个联络人，再按“搜索”看下一个。"));
    EXPECT_EQ(view->focusWidget(), Ui().contactTree);

    // Another text starts again from its best match.
    Ui().searchEdit->setText(Q("张三丰"));
    QTest::mouseClick(Ui().searchButton, Qt::LeftButton);
    EXPECT_EQ(Selected(), "张三丰");
    for (const char* text : {"%", "_", "'", "o'b"}) {
        Ui().searchEdit->setText(Q(text));
        QTest::mouseClick(Ui().searchButton, Qt::LeftButton);
        EXPECT_EQ(Selected(), "O'Brien 100%_") << text;
    }
    EXPECT_TRUE(prompter.asked.empty());

    for (const char* text : {"赵", "同学", "%'_"}) {
        Ui().searchEdit->setText(Q(text));
        Ui().searchEdit->setFocus();
        QTest::keyClick(Ui().searchEdit, Qt::Key_Return);
        EXPECT_EQ(Selected(), "(none)") << text;
        EXPECT_TRUE(FormCleared()) << text;
        EXPECT_EQ(view->focusWidget(), Ui().searchEdit) << "ready for another text";
    }
    Ui().searchEdit->clear();
    QTest::mouseClick(Ui().searchButton, Qt::LeftButton);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"没有找到姓名中含有“赵”的联络人。",
                                                          "没有找到姓名中含有“同学”的联络人。",
                                                          "没有找到姓名中含有“%'_”的联络人。",
                                                          "请输入要搜索的姓名或姓名中的字。"}));
    EXPECT_EQ(db.Column("select * from TiXing", "m_Name").size(), 5u);
}

TEST_F(AddressBook, FieldsTakeNoMoreBytesThanTheirColumnAllowsAndNeverHalfACharacter) {
    Open();
    const struct {
        QLineEdit* edit;
        const char* typed;
        const char* kept;
    } cases[] = {
        {Ui().nameEdit, "一二三四五六七八九十百", "一二三四五六七八九十"},
        {Ui().positionEdit, "经理助理a𠮷吉", "经理助理a"},
        {Ui().positionEdit, "经理助理𠮷吉", "经理助理吉"},
        {Ui().qqEdit, "12345678901234567890123456789012345678901234567890x",
         "12345678901234567890123456789012345678901234567890x"},
    };
    for (const auto& c : cases) {
        c.edit->clear();
        c.edit->setFocus();
        TypeText(c.edit, c.typed);
        EXPECT_EQ(c.edit->text(), Q(c.kept)) << c.typed;
    }
}

} // namespace
