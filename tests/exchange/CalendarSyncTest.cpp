// 设定 > 日历同步 in the main window, and the publishes that follow changes
// to the list, against a real Radicale. Run by with_private_bus.sh in a
// private D-Bus session: with GNOME Keyring's secret store, or with none.

#include "exchange/CCalendarSyncDlg.h"
#include "exchange/CalendarSyncScheduler.h"

#include "../app/ShellFixture.h"
#include "RadicaleServer.h"
#include "SeededDatabase.h"
#include "Typing.h"
#include "controls/CHyperLink.h"
#include "controls/CSortListCtrl.h"
#include "exchange/CalDavPublish.h"
#include "platform/SecretStore.h"
#include "platform/WholeFile.h"
#include "reminders/CAnnivoView.h"
#include "reminders/LoadReminderList.h"

#include <QAction>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <cstdlib>

namespace {

class CalendarSync : public ShellTest {
protected:
    void SetUp() override {
        // Never the secret store of the desktop the tests run on.
        if (std::getenv("ANNIVO_PRIVATE_BUS") == nullptr)
            GTEST_SKIP() << "needs with_private_bus.sh";
        db.Run(
            "Insert Into TiXing (m_Name,m_Date,m_DateStatus) Values ('张三','1990-04-02','阳历')");
        clock.Set(DateTime(2026, 3, 1, 9, 0, 0));
    }

    // Opens the dialog from the menu, fills it by keyboard and ends it with
    // `last` (Enter: 确定).
    void FillDialog(CMainFrame& f, const std::string& password,
                    const std::function<void(CCalendarSyncDlg&)>& last) {
        bool answered = false;
        AnswerModal<CCalendarSyncDlg>([&](CCalendarSyncDlg& dialog) {
            answered = true;
            EXPECT_EQ(dialog.focusWidget(), dialog.UrlEdit());
            TypeText(dialog.UrlEdit(), QString::fromStdString(server.CalendarUrl()));
            QTest::keyClick(dialog.UrlEdit(), Qt::Key_Tab);
            TypeText(dialog.UserEdit(), QString::fromUtf8(RadicaleServer::kUser));
            QTest::keyClick(dialog.UserEdit(), Qt::Key_Tab);
            TypeText(dialog.PasswordEdit(), QString::fromStdString(password));
            dialog.YearsBox()->setValue(2);
            last(dialog);
        });
        f.Command(kCmdCalendarSync)->trigger();
        EXPECT_TRUE(answered);
    }

    // Nothing in the program directory holds the password.
    void ExpectPasswordInNoFile() const {
        for (const auto& entry : std::filesystem::directory_iterator(program.Path()))
            EXPECT_EQ(ReadWholeFile(entry.path()).value_or("").find(RadicaleServer::kPassword),
                      std::string::npos)
                << entry.path();
    }

    std::string Hint() { return frame->ActiveView()->HintLine()->text().toStdString(); }

    const RadicaleServer server;
    const SeededDatabase db;
};

TEST_F(CalendarSync, ThePasswordGoesToTheStoreAndChangesArePublishedOnAWorker) {
    ASSERT_TRUE(SecretStoreRuns());
    CMainFrame& f = MakeFrame();
    FillDialog(f, RadicaleServer::kPassword, [](CCalendarSyncDlg& dialog) {
        EXPECT_NE(dialog.StoreNote()->text().indexOf(QString::fromUtf8("保存在桌面的密码库中")),
                  -1);
        QTest::keyClick(dialog.UrlEdit(), Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    const CalendarSyncSettings saved = ReadCalendarSyncSettings();
    EXPECT_EQ(saved.url, server.CalendarUrl());
    EXPECT_EQ(saved.user, RadicaleServer::kUser);
    EXPECT_EQ(saved.years, 2);
    ExpectPasswordInNoFile();
    const SecretResult stored = ReadSecret(CalendarSecretKey(saved.url, saved.user));
    EXPECT_EQ(stored.secret, RadicaleServer::kPassword);

    // Saving the calendar asks for a publish within the minute; it runs
    // off the GUI thread and its outcome becomes the hint line.
    CalendarSyncScheduler& sync = f.CalendarSync();
    EXPECT_TRUE(sync.ChangeTimer().isActive());
    EXPECT_LE(sync.ChangeTimer().interval(), 60 * 1000);
    QSignalSpy finished(&sync, &CalendarSyncScheduler::Finished);
    sync.ChangeTimer().stop();
    sync.PublishSoon();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(Hint(), "日历已同步：新增2、更新0、删除0");

    // annivo --publish finds the same settings and password, and nothing to send.
    std::filesystem::copy_file(db.Path(), program.Path() / "data.db");
    std::FILE* pipe = popen(
        ("ANNIVO_HOME='" + program.Path().string() + "' '" ANNIVO_EXE "' --publish 2>&1").c_str(),
        "r");
    std::string printed(256, '\0');
    printed.resize(std::fread(printed.data(), 1, printed.size(), pipe));
    EXPECT_EQ(pclose(pipe), 0) << printed;
    EXPECT_EQ(printed, "新增0、更新0、删除0\n");

    // The person switched off in the list: another publish, which deletes.
    auto* list = qobject_cast<CAnnivoView*>(f.View(kViewReminderList));
    ASSERT_NE(list, nullptr);
    LoadReminderList(f.Reminders(), clock, prompter);
    f.RefreshReminderList();
    ASSERT_EQ(list->List()->GetItemCount(), 1);
    list->List()->SetSelectionMark(0);
    f.Command(kCmdEnable)->trigger();
    EXPECT_EQ(db.Value("Select m_State From TiXing", "m_State"), "失效");
    EXPECT_TRUE(sync.ChangeTimer().isActive());
    sync.ChangeTimer().stop();
    sync.PublishSoon();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(Hint(), "日历已同步：新增0、更新0、删除2");
    EXPECT_TRUE(prompter.Texts().empty()); // nobody was asked anything

    // A locked keyring is not read: the desktop would ask for its password.
    QDBusInterface service(QStringLiteral("org.freedesktop.secrets"),
                           QStringLiteral("/org/freedesktop/secrets"),
                           QStringLiteral("org.freedesktop.Secret.Service"));
    const QDBusReply<QDBusObjectPath> keyring =
        service.call(QStringLiteral("ReadAlias"), QStringLiteral("default"));
    ASSERT_TRUE(keyring.isValid());
    service.call(QStringLiteral("Lock"),
                 QVariant::fromValue(QList<QDBusObjectPath>{keyring.value()}));
    ASSERT_TRUE(SecretStoreLocked());
    sync.PublishSoon();
    EXPECT_EQ(Hint(), "日历未同步：桌面的密码库已锁定，解锁后会在下次同步时继续。");
}

TEST_F(CalendarSync, WithoutAStoreTheDialogSaysSoAndOnlyItsOwnButtonPublishes) {
    ASSERT_FALSE(SecretStoreRuns());
    CMainFrame& f = MakeFrame();
    FillDialog(f, RadicaleServer::kPassword, [this](CCalendarSyncDlg& dialog) {
        EXPECT_NE(dialog.StoreNote()->text().indexOf(QString::fromUtf8("没有可用的密码库")), -1);
        dialog.PublishButton()->click();
        EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"日历已同步：新增2、更新0、删除0"}));
        QTest::keyClick(dialog.UrlEdit(), Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(ReadCalendarSyncSettings().url, server.CalendarUrl());
    ExpectPasswordInNoFile();

    // The automatic publish cannot get the password: it says why on the
    // hint line and asks nobody.
    CalendarSyncScheduler& sync = f.CalendarSync();
    QSignalSpy finished(&sync, &CalendarSyncScheduler::Finished);
    sync.ChangeTimer().stop();
    sync.PublishSoon();
    if (finished.isEmpty()) {
        ASSERT_TRUE(finished.wait(30000));
    }
    EXPECT_NE(Hint().find("日历未同步：没有可用的密码库"), std::string::npos) << Hint();
    EXPECT_EQ(prompter.Texts().size(), 1U);

    // A wrong address is refused in the dialog, and the settings stay.
    FillDialog(f, "", [this](CCalendarSyncDlg& dialog) {
        dialog.UrlEdit()->setText(QStringLiteral("caldav.example"));
        QTest::keyClick(dialog.UrlEdit(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(prompter.Texts().back().find("https://"), std::string::npos);
        QTest::keyClick(dialog.UrlEdit(), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(ReadCalendarSyncSettings().url, server.CalendarUrl());
}

} // namespace
