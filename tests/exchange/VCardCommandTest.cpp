// 导入名片 and 导出名片 in the main window and the address book: a real
// frame, real files, the file dialogs answered from a script.

#include "exchange/VCardExchange.h"

#include "../app/ShellFixture.h"
#include "SeededDatabase.h"
#include "ui_CAvAddressList.h"
#include "views/CAvAddressList.h"

#include <gmock/gmock.h>

#include <QAction>
#include <QPushButton>
#include <QTreeWidget>

namespace {

using VCardCommands = ShellTest;

const char* kCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nEMAIL:z@example.com\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:李四\r\nBDAY:1990-05-20\r\n"
                     "CATEGORIES:朋友\r\nEND:VCARD\r\n";

TEST_F(VCardCommands, TheOperationsMenuImportsAndTheReminderListShowsThemAtOnce) {
    const SeededDatabase db;
    CMainFrame& f = MakeFrame();
    ASSERT_TRUE(f.Command(kCmdImportVCard)->isEnabled());
    const std::string file = db.Dir().File("手机.vcf");
    WriteBytes(file, kCards);
    prompter.openFiles = {file};
    f.Command(kCmdImportVCard)->trigger();
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"导入2人，更新0人，跳过0人"}));
    // 李四 has a birthday, so he is a reminder now; 张三 without one is a contact.
    ASSERT_EQ(f.Reminders().size(), 1u);
    EXPECT_EQ(f.Reminders()[0].name, "李四");
}

TEST_F(VCardCommands, TheAddressBookImportsFillsTheContactOnShowAndExports) {
    const SeededDatabase db;
    db.Run("InSert Into TiXing(m_Name,m_DateStatus,m_IsVailid,m_Mobile) "
           "Values('张三','阳历',0,'139')");
    CMainFrame& f = MakeFrame();
    f.Command(kCmdAddressView)->trigger();
    auto* book = qobject_cast<CAvAddressList*>(f.ActiveView());
    ASSERT_NE(book, nullptr);
    Ui::CAvAddressList& ui = book->Controls();
    ui.searchEdit->setText("张三");
    book->Search();
    ASSERT_EQ(book->ShownName(), "张三");
    ASSERT_TRUE(ui.emailEdit->text().isEmpty());

    const std::string file = db.Dir().File("手机.vcf");
    WriteBytes(file, kCards);
    prompter.openFiles = {file};
    ui.importCardsButton->click();
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"导入1人，更新1人，跳过0人"}));
    // The form shows what the import filled in, so 更新 cannot empty it again.
    EXPECT_EQ(ui.emailEdit->text(), "z@example.com");
    EXPECT_EQ(ui.mobileEdit->text(), "139");
    EXPECT_EQ(ui.contactTree->findItems("李四", Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
    ASSERT_EQ(f.Reminders().size(), 1u); // the rest of the program was told

    prompter.asked.clear();
    prompter.saveFiles = {db.Dir().File("通讯录")};
    ui.exportCardsButton->click();
    const std::string written = db.Dir().File("通讯录.vcf");
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"已将2位联系人导出到" + written + "。"}));
    EXPECT_THAT(ReadBytes(written),
                ::testing::HasSubstr("FN:李四\r\nN:李四;;;;\r\nBDAY:1990-05-20\r\n"));
}

} // namespace
