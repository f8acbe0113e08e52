// The 导出 and 导入 commands in the main window: real files, a real frame,
// dialogs answered from a script.

#include "exchange/ExchangeCommands.h"

#include "../app/ShellFixture.h"
#include "SeededDatabase.h"
#include "exchange/Workbook.h"
#include "ui_CAvAddressList.h"
#include "views/CAvAddressList.h"
#include "views/CAvCalendar.h"

#include <QAction>
#include <QListWidget>
#include <QTreeWidget>
#include <QProgressDialog>

#include <atomic>

namespace {

using ExchangeCommands = ShellTest;

TEST_F(ExchangeCommands, ExportAndImportFromTheMenuAndTheListShowsNewPeopleAtOnce) {
    const SeededDatabase db;
    CMainFrame& f = MakeFrame();
    ASSERT_TRUE(f.Command(kCmdExport)->isEnabled() && f.Command(kCmdImport)->isEnabled());

    // An empty table: told, and nothing written.
    const std::string file = db.Dir().File("备份.xlsx");
    prompter.saveFiles = {file};
    f.Command(kCmdExport)->trigger();
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"数据库中还没有任何记录，没有可导出的内容。"}));
    EXPECT_FALSE(std::filesystem::exists(file));

    prompter.asked.clear();
    prompter.openFiles = {std::string(ANNIVO_EXCHANGE_FIXTURES) + "/people.xlsx"};
    f.Command(kCmdImport)->trigger();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].icon, PromptIcon::Information);
    // Only 张三 takes part in reminding; the others are contacts or have no mark.
    ASSERT_EQ(f.Reminders().size(), 1u);
    EXPECT_EQ(f.Reminders()[0].name, "张三");

    prompter.asked.clear();
    prompter.saveFiles = {db.Dir().File("备份")};
    f.Command(kCmdExport)->trigger();
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"导出文件保存于" + file + "!"}));
    EXPECT_EQ(ReadWorkbookSheet(file, "TiXing").rows.size(), 5u);

    // A damaged file: a warning, and the list stays as it was.
    prompter.asked.clear();
    WriteBytes(db.Dir().File("坏.xlsx"), ReadBytes(file).substr(0, 300));
    prompter.openFiles = {db.Dir().File("坏.xlsx")};
    f.Command(kCmdImport)->trigger();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].icon, PromptIcon::Warning);
    EXPECT_EQ(f.Reminders().size(), 1u);
}

// Whichever view is on screen shows the imported people at once.
TEST_F(ExchangeCommands, ImportedPeopleShowInTheViewOnScreen) {
    const SeededDatabase db;
    clock.Set(DateTime(2011, 5, 10, 8, 0, 0)); // 张三 of the workbooks is born on 1 May
    CMainFrame& f = MakeFrame();

    f.Command(kCmdCalendarView)->trigger();
    auto* calendar = qobject_cast<CAvCalendar*>(f.ActiveView());
    ASSERT_NE(calendar, nullptr);
    ASSERT_EQ(calendar->BirthdayList()->count(), 0);
    prompter.openFiles = {std::string(ANNIVO_EXCHANGE_FIXTURES) + "/people.xlsx"};
    f.Command(kCmdImport)->trigger();
    ASSERT_EQ(calendar->BirthdayList()->count(), 1);
    EXPECT_TRUE(calendar->BirthdayList()->item(0)->text().contains("张三"));

    const std::string file = db.Dir().File("孙丽.xlsx");
    {
        const SeededDatabase other;
        other.Run("Insert Into TiXing (m_Name,m_Group) Values ('孙丽','朋友')");
        ASSERT_EQ(ExportTable(file).result, ExchangeOutcome::Result::Done);
    }
    f.Command(kCmdAddressView)->trigger();
    auto* book = qobject_cast<CAvAddressList*>(f.ActiveView());
    ASSERT_NE(book, nullptr);
    const auto inTree = [book](const char* name) {
        return book->Controls()
            .contactTree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive)
            .size();
    };
    EXPECT_EQ(inTree("张三"), 1);
    ASSERT_EQ(inTree("孙丽"), 0);
    // A new contact half typed stays as it is.
    book->Controls().nameEdit->setText("周杰");
    prompter.openFiles = {file};
    f.Command(kCmdImport)->trigger();
    EXPECT_EQ(inTree("孙丽"), 1);
    EXPECT_EQ(book->Controls().nameEdit->text(), "周杰");
}

// Long work shows its progress and the window keeps handling events meanwhile:
// the work below only ends when the window's own event loop lets it go.
TEST_F(ExchangeCommands, LongWorkShowsProgressWhileTheWindowKeepsRunning) {
    CMainFrame& f = MakeFrame();
    std::atomic<bool> release = false;
    int shownMaximum = -1;
    int shownValue = -1;
    int looksLeft = 500; // a dialog that never shows fails the test instead of hanging it
    std::function<void()> watch = [&] {
        auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if ((dialog && dialog->isVisible() && dialog->value() == 2500) || --looksLeft == 0) {
            shownMaximum = dialog ? dialog->maximum() : -1;
            shownValue = dialog ? dialog->value() : -1;
            release = true;
            return;
        }
        QTimer::singleShot(20, watch);
    };
    QTimer::singleShot(0, watch);
    const ExchangeOutcome outcome =
        RunWithProgress(&f, "正在导入记录……", [&](const ExchangeProgress& progress) {
            progress(2500, 10000);
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return ExchangeOutcome{ExchangeOutcome::Result::Done, "完成", 10000};
        });
    EXPECT_EQ(outcome.message, "完成");
    EXPECT_EQ(shownMaximum, 10000);
    EXPECT_EQ(shownValue, 2500);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
