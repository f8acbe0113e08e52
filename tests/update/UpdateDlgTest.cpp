// The update dialog and the frame's two ways into it, against a local HTTP
// server: the list, the progress, cancelling, the hand-over and quitting.

#include "../app/ShellFixture.h"

#include "platform/TextCodec.h"
#include "update/CUpdateDlg.h"
#include "update/PackagedCopy.h"

#include "HttpTestServer.h"

#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <gmock/gmock.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kDescriptionPath = "/mysoft/annivo/Version.htc";

class UpdateDlgTest : public ShellTest {
protected:
    UpdateDlgTest() {
        WriteBytes(program.Path() / "annivo.ini",
                   "[Version]\r\nUrlPath=" + server.Url("/") + "\r\n");
        CUpdateDlg::OverrideUpdaterLauncher([this] {
            ++launches;
            return true;
        });
    }
    ~UpdateDlgTest() override {
        CUpdateDlg::OverrideUpdaterLauncher(nullptr);
        OverridePackagedCopy(std::nullopt);
    }

    void Offer(const std::string& version, const std::string& files, int status = 200) {
        server.Serve(kDescriptionPath,
                     {status, Utf8ToGb18030("[Version]\r\nCurrentVersion=" + version +
                                            "\r\n[MSG]\r\nm=新版发布\r\n" + files)});
    }
    static bool WaitFor(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, 30000);
    }
    static QString Cell(CUpdateDlg& dialog, int row, int column) {
        QTableWidgetItem* item = dialog.FileList()->item(row, column);
        return item ? item->text() : QString();
    }
    static bool Idle(CUpdateDlg& dialog) {
        return dialog.State() == CUpdateDlg::kIdle && dialog.OkButton()->isEnabled();
    }
    bool HasDescription() const { return fs::exists(program.Path() / "version.ini"); }

    HttpTestServer server;
    int launches = 0;
};

} // namespace

TEST_F(UpdateDlgTest, CommandListsDownloadsWithProgressAndEndsAfterHandingOver) {
    Offer("1, 10, 0, 0", "[DFileName]\r\na=annivo.new\r\nb=notes.txt\r\n"
                         "[ReplaceFileName]\r\na=annivo\r\nb=说明.txt\r\n[FileSize]\r\na=20KB\r\n");
    server.Serve("/mysoft/annivo/annivo.new", {200, std::string(20000, 'n')});
    server.Serve("/mysoft/annivo/notes.txt", {200, "notes", false}); // no length
    MakeFrame();
    ASSERT_TRUE(frame->Command(kCmdOnlineUpdate)->isEnabled());
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CUpdateDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(g_UpdateDlgOpen, 1);
        ASSERT_TRUE(WaitFor([&] { return Idle(*dialog); }));
        EXPECT_EQ(dialog->StatusLine()->text().toStdString(), "下表是最新版须更新的文件：");
        ASSERT_EQ(dialog->FileList()->rowCount(), 2);
        EXPECT_TRUE(dialog->FileList()->isColumnHidden(0) && dialog->FileList()->isColumnHidden(1));
        EXPECT_EQ(Cell(*dialog, 1, 2).toStdString(), "说明.txt");
        EXPECT_EQ(Cell(*dialog, 0, 3).toStdString(), "20KB");

        QTest::keyClick(dialog, Qt::Key_Return); // 确定 is the default button
        ASSERT_TRUE(WaitFor([&] { return dialog->State() == CUpdateDlg::kDownloaded; }));
        EXPECT_EQ(Cell(*dialog, 0, 4).toStdString(), "100%");
        EXPECT_EQ(Cell(*dialog, 1, 4).toStdString(), "5 B");
        EXPECT_EQ(dialog->ProgressBar()->value(), dialog->ProgressBar()->maximum());
        EXPECT_EQ(dialog->StatusLine()->text().toStdString(), "下载完成！请点击“确定升级”进行升级");
        EXPECT_EQ(dialog->OkButton()->text().toStdString(), "确定升级");
        EXPECT_EQ(ReadBytes(program.Path() / "notes.txt"), "notes");
        EXPECT_EQ(launches, 0);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        answered = true;
    });
    frame->RunCommand(kCmdOnlineUpdate);
    EXPECT_TRUE(answered);
    EXPECT_EQ(launches, 1);
    EXPECT_EQ(quits, std::vector<int>{0});
    EXPECT_EQ(g_UpdateDlgOpen, 0);
    EXPECT_TRUE(HasDescription()); // for annivo-update
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(UpdateDlgTest, ExitDuringDownloadStopsAfterTheCurrentBlockAndASecondExitCloses) {
    Offer("1, 10, 0, 0", "[DFileName]\r\na=big.bin\r\n[ReplaceFileName]\r\na=big\r\n");
    server.Serve("/mysoft/annivo/big.bin", {200, std::string(65536, 'b'), true, "", 4096});
    CUpdateDlg dialog(prompter);
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return Idle(dialog); }));
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Cell(dialog, 0, 4) == "6%"; })); // 4096 bytes in

    QTest::mouseClick(dialog.ExitButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(WaitFor([&] { return dialog.StatusLine()->text() == "下载时已被用户取消！"; }));
    EXPECT_EQ(fs::file_size(program.Path() / "big.bin"), 4096u); // the partial file stays
    EXPECT_TRUE(dialog.OkButton()->isEnabled());                 // 确定 downloads again

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(g_UpdateDlgOpen, 0);
}

TEST_F(UpdateDlgTest, CheckEndsIdleWithAMessageWhenThereIsNothingToDownload) {
    // status, version offered, message, status line
    for (const auto& [status, version, message, statusLine] :
         {std::tuple{200, "1, 8, 0, 0", "当前已是最新的版本，无须更新",
                     "此版本已是最新版，无须更新!"},
          {404, "", "错误，服务器上指定的文件不存在！", "错误，服务器上指定的文件不存在！"}}) {
        prompter.asked.clear();
        Offer(version, "", status);
        CUpdateDlg dialog(prompter);
        ASSERT_TRUE(WaitFor([&] { return !prompter.asked.empty(); })) << message;
        EXPECT_THAT(prompter.asked[0].text, ::testing::HasSubstr(message));
        EXPECT_THAT(dialog.StatusLine()->text().toStdString(), ::testing::HasSubstr(statusLine));
        EXPECT_TRUE(dialog.State() == CUpdateDlg::kIdle && !dialog.OkButton()->isEnabled());
        EXPECT_FALSE(HasDescription());
    }
    EXPECT_EQ(server.Requests().size(), 2u); // nothing but the description files
}

TEST_F(UpdateDlgTest, AutomaticCheckAsksOnceAndLeavesTheHintsBehind) {
    Offer("1, 10, 0, 0", "");
    MakeFrame();
    g_AutoUpdate = 1;
    prompter.answers = {PromptAnswer::Cancel};
    frame->OnReminderTimer();
    EXPECT_EQ(g_AutoUpdate, 0);
    ASSERT_TRUE(WaitFor([] { return BusyCount() == 0; }));
    QApplication::processEvents();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "检测到Qilora生日提醒有新最版1, 10, 0, 0是否更新？");
    EXPECT_EQ(prompter.asked[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(frame->HintTexts(), std::vector<std::string>{"新版发布"});
    EXPECT_FALSE(HasDescription());
    frame->OnReminderTimer(); // once per run
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(UpdateDlgTest, PackagedCopyLeavesUpdatingToThePackageManager) {
    OverridePackagedCopy(true);
    Offer("1, 10, 0, 0", "");
    MakeFrame();
    bool dialogOpened = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<CUpdateDlg*>(QApplication::activeModalWidget())) {
            dialogOpened = true;
            dialog->done(QDialog::Rejected);
        }
    });
    frame->RunCommand(kCmdOnlineUpdate);
    EXPECT_FALSE(dialogOpened);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{PackageManagerUpdatesText()});

    // The automatic check still brings the maker's news, but offers no updater.
    g_AutoUpdate = 1;
    frame->OnReminderTimer();
    ASSERT_TRUE(WaitFor([] { return BusyCount() == 0; }));
    QApplication::processEvents();
    EXPECT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(frame->HintTexts(),
              (std::vector<std::string>{"新版发布", PackageManagerOfferText("1, 10, 0, 0")}));
    EXPECT_FALSE(HasDescription());
    EXPECT_EQ(launches, 0);
}
