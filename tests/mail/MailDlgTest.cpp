#include "mail/CMailDlg.h"

#include "../app/ShellFixture.h"
#include "ReceivedMail.h"
#include "SeededDatabase.h"
#include "SmtpTestServer.h"
#include "controls/CHyperLink.h"
#include "controls/CMainView.h"
#include "ui_CMailDlg.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <gmock/gmock.h>

namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

class MailDlg : public ShellTest {
protected:
    MailDlg() {
        db.Run("Insert Into TiXing (m_Name,m_Group,m_Email) Values ('张三','同学','zs@school.cn'),"
               "('李四','同事',''),('王五','同学','ww@school.cn'),('𠮷田','','ji@example.jp'),"
               "('O''Brien \"100%\" \\','朋友','ob@example.com')");
    }

    // "group: name name | group: ..." as the tree shows it.
    static std::string Tree(QTreeWidget* tree) {
        std::string shown;
        for (int g = 0; g < tree->topLevelItemCount(); ++g) {
            QTreeWidgetItem* group = tree->topLevelItem(g);
            shown += (g ? " | " : "") + group->text(0).toStdString() + ":";
            for (int p = 0; p < group->childCount(); ++p)
                shown += " " + group->child(p)->text(0).toStdString();
        }
        return shown;
    }
    static QTreeWidgetItem* Node(QTreeWidget* tree, const char* text) {
        return tree->findItems(QString::fromUtf8(text), Qt::MatchExactly | Qt::MatchRecursive)[0];
    }

    // Writes the mail in the composer that 发送邮件 opens and sends it.
    static void Send(CMainFrame& f, const ComposedMail& mail) {
        AnswerModal<CMailDlg>([mail](CMailDlg& dialog) {
            Ui::CMailDlg& ui = dialog.Controls();
            ui.recipientEdit->setText(QString::fromStdString(mail.recipient));
            ui.subjectEdit->insert(QString::fromStdString(mail.subject));
            ui.bodyEdit->setPlainText(QString::fromStdString(mail.body));
            QTest::mouseClick(ui.sendButton, Qt::LeftButton);
        });
        f.Command(kCmdSendMail)->trigger();
    }
    // Until every mail has been handled, kept as a draft included.
    static void WaitForTheMails(int busy = 0) {
        for (int i = 0; i < 3000 && BusyCount() > busy; ++i)
            QTest::qWait(10);
    }
    std::string Hint() const { return frame->ActiveView()->HintLine()->text().toStdString(); }

    SeededDatabase db;
    MailQueue& queue() { return (frame ? *frame : MakeFrame(false)).OutgoingMail(); }
};

TEST_F(MailDlg, TreeByGroupAndTheChosenContactReplacesTheRecipient) {
    CMailDlg dialog(queue(), prompter);
    Ui::CMailDlg& ui = dialog.Controls();
    EXPECT_EQ(Tree(ui.contactTree), "(未分组): 𠮷田 | 同事: 李四 | 同学: 张三 王五 | "
                                    "朋友: O'Brien \"100%\" \\");
    ui.recipientEdit->setText("typed@example.com");
    const std::pair<const char*, const char*> choices[] = {
        {"张三", "zs@school.cn"},
        {"李四", ""},
        {"O'Brien \"100%\" \\", "ob@example.com"},
        {"同学", ""},
        {"𠮷田", "ji@example.jp"}};
    for (const auto& [node, recipient] : choices) {
        ui.contactTree->setCurrentItem(Node(ui.contactTree, node));
        EXPECT_EQ(ui.recipientEdit->text().toStdString(), recipient) << node;
        EXPECT_EQ(ui.recipientEdit->cursorPosition(), 0) << "a long address shows its beginning";
    }

    db.Run("Drop Table TiXing");
    CMailDlg broken(queue(), prompter);
    EXPECT_EQ(broken.Controls().contactTree->topLevelItemCount(), 0);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_THAT(prompter.asked[0].text, HasSubstr("TiXing"));
}

TEST_F(MailDlg, DraftButtonsFollowTheSubjectAndTheDraftComesBack) {
    std::filesystem::create_directory(program.Path() / "annivo.ini"); // cannot be written
    const QString body = QString::fromUtf8("第一行 𠮷 'a' \"b\" \\ 100%\n\n最后一行");
    {
        CMailDlg dialog(queue(), prompter);
        Ui::CMailDlg& ui = dialog.Controls();
        EXPECT_FALSE(ui.loadDraftButton->isEnabled() || ui.saveDraftButton->isEnabled());
        ui.subjectEdit->insert(QString::fromUtf8("生日 'x' 𠮷")); // as typed
        EXPECT_TRUE(ui.saveDraftButton->isEnabled());
        ui.recipientEdit->setText("o'brien@example.com");
        ui.bodyEdit->setPlainText(body);
        QTest::mouseClick(ui.saveDraftButton, Qt::LeftButton);
        EXPECT_FALSE(ui.loadDraftButton->isEnabled()) << "nothing was saved";
        EXPECT_THAT(prompter.Texts(), testing::ElementsAre(HasSubstr("草稿没有保存")));
        std::filesystem::remove(program.Path() / "annivo.ini");
        QTest::mouseClick(ui.saveDraftButton, Qt::LeftButton);
        EXPECT_TRUE(ui.loadDraftButton->isEnabled());
    }
    CMailDlg dialog(queue(), prompter);
    Ui::CMailDlg& ui = dialog.Controls();
    ASSERT_TRUE(ui.loadDraftButton->isEnabled());
    QTest::mouseClick(ui.loadDraftButton, Qt::LeftButton);
    EXPECT_TRUE(ui.bodyEdit->toPlainText() == body);
    EXPECT_EQ(dialog.Mail(),
              (ComposedMail{"生日 'x' 𠮷", "o'brien@example.com", WithCrLf(body.toStdString())}));
    EXPECT_TRUE(ui.saveDraftButton->isEnabled());
    EXPECT_EQ(ui.subjectEdit->cursorPosition() + ui.recipientEdit->cursorPosition(), 0)
        << "long values show their beginning";
}

TEST_F(MailDlg, OpensFromMenuAndTrayOnlyUnlockedAndEscGivesTheBusyCountBack) {
    g_RunOnce = 1;
    CMainFrame& f = MakeFrame(false); // in the tray: a check-once run may end
    int opened = 0;
    for (QAction* command : {f.Command(kCmdSendMail), f.TrayCommand(kCmdSendMail)}) {
        ASSERT_TRUE(command->isEnabled());
        AnswerModal<CMailDlg>([&](CMailDlg& dialog) {
            ++opened;
            Ui::CMailDlg& ui = dialog.Controls();
            EXPECT_EQ(dialog.focusWidget(), ui.recipientEdit);
            EXPECT_EQ(BusyCount(), 1);
            f.OnReminderTimer();
            EXPECT_TRUE(quits.empty()) << "not while the composer is open";
            // Enter moves on in the fields, makes a new line in the body, never sends.
            QTest::keyClick(ui.recipientEdit, Qt::Key_Return);
            QTest::keyClicks(ui.subjectEdit, "Hi");
            QTest::keyClick(ui.subjectEdit, Qt::Key_Return);
            EXPECT_EQ(dialog.focusWidget(), ui.bodyEdit);
            QTest::keyClicks(ui.bodyEdit, "a");
            QTest::keyClick(ui.bodyEdit, Qt::Key_Return);
            QTest::keyClicks(ui.bodyEdit, "b");
            EXPECT_EQ(dialog.Mail().body, "a\r\nb");
            EXPECT_TRUE(dialog.isVisible() && prompter.asked.empty());
            QTest::keyClick(ui.bodyEdit, Qt::Key_Escape);
            EXPECT_FALSE(dialog.isVisible());
        });
        command->trigger();
        EXPECT_EQ(BusyCount(), 0);
    }
    EXPECT_EQ(opened, 2);
    f.OnReminderTimer();
    EXPECT_EQ(quits.size(), 1u) << "the check-once quit is not held up";

    f.Lock();
    EXPECT_FALSE(f.Command(kCmdSendMail)->isEnabled() || f.TrayCommand(kCmdSendMail)->isEnabled());
}

TEST_F(MailDlg, SentMailReachesTheServerWhole) {
    SmtpTestServer server; // started late: the mail waits for its greeting
    g_Setting.m_Email = "me@example.com";
    g_Setting.m_ServerName = "127.0.0.1:" + std::to_string(server.Port());
    CMainFrame& f = MakeFrame();
    AnswerModal<CMailDlg>([&](CMailDlg& dialog) {
        Ui::CMailDlg& ui = dialog.Controls();
        ui.subjectEdit->insert(QString::fromUtf8("生日快乐 'O' 𠮷"));
        ui.bodyEdit->setPlainText(QString::fromUtf8("第一行\n𠮷 100% \\"));
        QTest::mouseClick(ui.sendButton, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible()) << "no recipient yet";
        EXPECT_THAT(prompter.Texts(), testing::ElementsAre("请填写收件人的邮箱地址！"));
        ui.contactTree->setCurrentItem(Node(ui.contactTree, "王五"));
        ui.sendButton->setFocus();
        QTest::keyClick(ui.sendButton, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    f.Command(kCmdSendMail)->trigger();
    EXPECT_EQ(BusyCount(), 1) << "handed over to the mail";
    server.Start();
    WaitForTheMails();
    const ReceivedMail mail(server.Sessions(1).at(0));
    EXPECT_EQ(mail.recipient + "|" + mail.subject, "ww@school.cn|生日快乐 'O' 𠮷");
    EXPECT_EQ(mail.body, "第一行\r\n𠮷 100% \\");
}

TEST_F(MailDlg, AMailThatCannotBeSentBecomesTheDraftWhichAnOpenComposerOffers) {
    SmtpTestServer late; // the mail waits for its greeting, then the login is refused
    late.reply["PASS"] = "535 5.7.8 failed\r\n";
    g_Setting.m_Email = "me@example.com";
    g_Setting.m_ServerName = "127.0.0.1:" + std::to_string(late.Port());
    CMainFrame& f = MakeFrame();
    const ComposedMail mail{"生日快乐 'O' 𠮷", "zs@school.cn", "第一行\n𠮷 100% \\"};
    Send(f, mail);
    bool offered = false;
    AnswerModal<CMailDlg>([&](CMailDlg& dialog) {
        Ui::CMailDlg& ui = dialog.Controls();
        EXPECT_FALSE(ui.loadDraftButton->isEnabled());
        late.Start();
        WaitForTheMails(1); // the open composer's own count
        offered = ui.loadDraftButton->isEnabled();
        QTest::mouseClick(ui.loadDraftButton, Qt::LeftButton);
        EXPECT_EQ(dialog.Mail(), (ComposedMail{mail.subject, mail.recipient, WithCrLf(mail.body)}));
    });
    f.Command(kCmdSendMail)->trigger();
    EXPECT_TRUE(offered);
    EXPECT_THAT(Hint(),
                AllOf(testing::StartsWith("邮件发送失败!原因:535:Error username or password"),
                      testing::EndsWith("邮件已存为草稿，可在发送邮件窗口中读草稿。")));

    // The next failed mail asks, through the window's prompter, before replacing it.
    prompter.answers = {PromptAnswer::No};
    Send(f, {"另一封", "ls@work.cn", "也没发出去"});
    WaitForTheMails();
    EXPECT_THAT(prompter.Texts(), testing::ElementsAre(HasSubstr("“另一封”")));
    EXPECT_THAT(Hint(), testing::EndsWith("邮件没有发送，也没有保存。"));
}

} // namespace
