#include "mail/MailQueue.h"

#include "RecordingSink.h"
#include "SmtpTestServer.h"
#include "app/Globals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>

namespace {

using ::testing::UnorderedElementsAreArray;

class MailQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Setting.m_ServerName = "127.0.0.1";
        g_Setting.m_Email = "annivo@example.com";
        g_Setting.m_UserName = "annivo";
        g_Setting.m_Password = "pw";
    }

    SmtpTestServer server;
    RecordingSink sink;
    MailQueue queue{sink, server.Port()};
};

TEST_F(MailQueueTest, DeliversEveryJobThroughTheSenderAccount) {
    server.Start();
    std::vector<std::string> expectedMails, expectedHints, mails;
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        queue.Enqueue({"subject " + n, "to" + n + "@x.org", "body"});
        expectedMails.push_back("to" + n + "@x.org, subject " + n);
        expectedHints.push_back("标题:subject " + n + "的邮件发送成功!");
    }
    ASSERT_TRUE(sink.WaitForMailThreads(20, 0));
    // Each through the sender account, the recipient in the envelope and the header.
    const std::regex mail("AUTH LOGIN\r\nYW5uaXZv\r\ncHc=\r\nMAIL FROM: <annivo@example.com>\r\n"
                          "RCPT TO: <(.*)>[\\s\\S]*\r\nTo: \\1\r\nSubject: (.*)\r\n");
    for (const std::string& session : server.Sessions(20)) {
        std::smatch match;
        EXPECT_TRUE(std::regex_search(session, match, mail)) << session;
        mails.push_back(match.str(1) + ", " + match.str(2));
    }
    EXPECT_THAT(mails, UnorderedElementsAreArray(expectedMails));
    EXPECT_THAT(sink.Hints(), UnorderedElementsAreArray(expectedHints));
}

TEST_F(MailQueueTest, PutsAFailureIntoTheHintLine) {
    server.reply["PASS"] = "535 5.7.8 failed\r\n";
    server.Start();
    queue.Enqueue({"生日提醒", "you@example.com", "body"});
    ASSERT_TRUE(sink.WaitForMailThreads(1, 0));
    EXPECT_EQ(sink.Hints(),
              std::vector<std::string>{"邮件发送失败!原因:535:Error username or password"});
}

} // namespace
