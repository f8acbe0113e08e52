#include "mail/MailQueue.h"

#include "ReceivedMail.h"
#include "RecordingSink.h"
#include "SmtpTestServer.h"
#include "TestFiles.h"
#include "settings/Globals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

using ::testing::HasSubstr;
using ::testing::UnorderedElementsAreArray;

const std::string kClearNote = "(注意:服务器不支持加密，密码未加密传送!)";

class MailQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Jobs carry their own account: the settings must not be read again.
        g_Setting.m_ServerName = "unused.invalid";
        g_Setting.m_Email = g_Setting.m_UserName = g_Setting.m_Password = "unused";
    }

    SmtpTestServer server;
    RecordingSink sink;
    MailQueue queue{sink, server.Port()};
    const SenderAccount account{"annivo@example.com", "127.0.0.1", "annivo", "pw"};
};

TEST_F(MailQueueTest, DeliversEveryJobThroughItsSenderAccount) {
    server.Start();
    std::vector<std::string> expectedMails, expectedHints, mails;
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        queue.Enqueue({"subject " + n, "to" + n + "@x.org", "body", account});
        expectedMails.push_back("to" + n + "@x.org, subject " + n);
        expectedHints.push_back("标题:subject " + n + "的邮件发送成功!" + kClearNote);
    }
    ASSERT_TRUE(sink.WaitForMailThreads(20, 0));
    for (const std::string& session : server.Sessions(20)) {
        EXPECT_THAT(session, HasSubstr("AUTH LOGIN\r\nYW5uaXZv\r\ncHc=\r\n"
                                       "MAIL FROM: <annivo@example.com>\r\n"));
        const ReceivedMail received(session);
        mails.push_back(received.recipient + ", " + received.subject);
    }
    EXPECT_THAT(mails, UnorderedElementsAreArray(expectedMails));
    EXPECT_THAT(sink.Hints(), UnorderedElementsAreArray(expectedHints));
}

TEST_F(MailQueueTest, AFailedMailTheUserWroteIsKeptOnTheMainThread) {
    SmtpTestServer good; // over TLS, trusted through the system's store (in a test, this one)
    good.certificate = TestCertificates::Get().server;
    good.reply["EHLO"] = "250-test.local\r\n250 STARTTLS\r\n";
    good.Start();
    const ScopedEnv store{"SSL_CERT_FILE", TestCertificates::Get().caFile};
    server.reply["PASS"] = "535 5.7.8 failed\r\n";
    server.Start();
    std::vector<std::string> failures;
    std::thread::id keptOn;
    const auto keep = [&](const std::string& failure) {
        failures.push_back(failure);
        keptOn = std::this_thread::get_id();
        return failure + "|kept";
    };
    const std::string refused = "邮件发送失败!原因:535:Error username or password" + kClearNote;

    // The server field's own port wins over the queue's.
    SenderAccount toGood = account;
    toGood.server = "127.0.0.1:" + std::to_string(good.Port());
    queue.Enqueue({"sent", "you@example.com", "body", toGood, keep});
    ASSERT_TRUE(sink.WaitForMailThreads(1, 0));
    // A reminder mail's failure stays a hint, written by its thread.
    queue.Enqueue({"reminder", "you@example.com", "body", account});
    queue.Enqueue({"written", "you@example.com", "body", account, keep});
    ASSERT_TRUE(sink.WaitForPosted(1));
    ASSERT_TRUE(sink.WaitForMailThreads(2, 1)) << "the unsent mail still counts as busy";
    EXPECT_TRUE(failures.empty());
    sink.RunPosted();
    EXPECT_EQ(keptOn, std::this_thread::get_id());
    EXPECT_EQ(failures, std::vector<std::string>{refused});
    EXPECT_EQ(sink.Hints(),
              (std::vector<std::string>{"标题:sent的邮件发送成功!", refused, refused + "|kept"}));
    EXPECT_EQ(BusyCount(), 0);

    // Should the window go before the mail is kept, the count comes back all the same.
    queue.Enqueue({"written", "you@example.com", "body", account, keep});
    ASSERT_TRUE(sink.WaitForPosted(1));
    sink.DropPosted();
    EXPECT_TRUE(sink.WaitForMailThreads(3, 0));
}

} // namespace
