// 导出日历 in the main window: the dialog driven from the keyboard, a real
// database and a real file.

#include "exchange/CCalendarExportDlg.h"

#include "../app/ShellFixture.h"
#include "SeededDatabase.h"
#include "Typing.h"
#include "platform/WholeFile.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

using CalendarExportCommand = ShellTest;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CalendarExportCommand, ExportsWhatTheDialogSaysAndStaysOpenUntilItCan) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing (m_Name,m_Date,m_DateStatus) Values ('张三','1990-04-02','阳历')");
    clock.Set(DateTime(2026, 3, 1, 9, 0, 0));
    CMainFrame& f = MakeFrame();
    const std::string chosen = db.Dir().File("家人");
    const std::string file = chosen + ".ics";
    prompter.saveFiles = {chosen};

    bool answered = false;
    AnswerModal<CCalendarExportDlg>([&](CCalendarExportDlg& dialog) {
        answered = true;
        EXPECT_EQ(dialog.focusWidget(), dialog.FileEdit());
        EXPECT_EQ(dialog.YearsBox()->value(), 10);
        // No name: told, and the dialog waits for one.
        dialog.FileEdit()->clear();
        QTest::keyClick(dialog.FileEdit(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"请填写要导出的日历文件名。"}));

        // The save dialog's name gets the calendar suffix.
        dialog.BrowseButton()->click();
        EXPECT_EQ(dialog.FileEdit()->text().toStdString(), file);
        dialog.YearsBox()->selectAll();
        TypeText(dialog.YearsBox(), "2");
        dialog.FestivalsBox()->setChecked(true);
        prompter.asked.clear();
        QTest::keyClick(dialog.FileEdit(), Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    f.Command(kCmdExportCalendar)->trigger();
    ASSERT_TRUE(answered);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].icon, PromptIcon::Information);
    const std::string text = ReadWholeFile(file).value_or("");
    EXPECT_TRUE(Has(text, "UID:annivo-1-2026@annivo"));
    EXPECT_TRUE(Has(text, "UID:annivo-1-2027@annivo"));
    EXPECT_FALSE(Has(text, "UID:annivo-1-2028@annivo"));
    EXPECT_TRUE(Has(text, "CATEGORIES:节日"));
    EXPECT_FALSE(Has(text, "CATEGORIES:节气"));

    // A file already there is replaced only when the user says so.
    ASSERT_TRUE(ReplaceWholeFile(file, "mine"));
    prompter.asked.clear();
    prompter.answers = {PromptAnswer::No};
    AnswerModal<CCalendarExportDlg>([&](CCalendarExportDlg& dialog) {
        dialog.FileEdit()->setText(QString::fromStdString(file));
        QTest::keyClick(dialog.FileEdit(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(dialog.FileEdit(), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    });
    f.Command(kCmdExportCalendar)->trigger();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(ReadWholeFile(file), "mine");
}

} // namespace
