#include "mail/MailQueue.h"

#include "RecordingSink.h"
#include "SmtpTestServer.h"
#include "app/Globals.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

class MailQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Setting.m_ServerName = "127.0.0.1";
        g_Setting.m_Email = "annivo@example.com";
        g_Setting.m_UserName = "annivo";
        g_Setting.m_Password = "pw";
        ASSERT_EQ(BusyCount(), 0);
    }

    RecordingSink sink;
};

TEST_F(MailQueueTest, DeliversEveryJobThroughTheSenderAccount) {
    SmtpTestServer server;
    server.Start();
    MailQueue queue(sink, server.Port());
    constexpr int kJobs = 20;
    for (int i = 0; i < kJobs; ++i)
        queue.Enqueue(
            {"subject " + std::to_string(i), "to" + std::to_string(i) + "@example.com", "body"});

    ASSERT_TRUE(sink.WaitForMailThreads(kJobs, 0));
    ASSERT_TRUE(server.WaitForSessions(kJobs));
    std::vector<std::string> hints = sink.Hints();
    std::vector<std::string> expected;
    for (int i = 0; i < kJobs; ++i)
        expected.push_back("标题:subject " + std::to_string(i) + "的邮件发送成功!");
    std::sort(hints.begin(), hints.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(hints, expected);

    for (int i = 0; i < kJobs; ++i) {
        const std::string to = "to" + std::to_string(i) + "@example.com";
        const auto sessions = server.Sessions();
        const auto count = std::count_if(sessions.begin(), sessions.end(), [&](const auto& s) {
            return s.find("RCPT TO: <" + to + ">\r\n") != std::string::npos &&
                   s.find("\r\nTo: " + to + "\r\nSubject: subject " + std::to_string(i) + "\r\n") !=
                       std::string::npos;
        });
        EXPECT_EQ(count, 1) << to;
    }
    for (const std::string& session : server.Sessions()) {
        EXPECT_NE(session.find("AUTH LOGIN\r\nYW5uaXZv\r\ncHc=\r\n"), std::string::npos);
        EXPECT_NE(session.find("MAIL FROM: <annivo@example.com>\r\n"), std::string::npos);
    }
}

TEST_F(MailQueueTest, PutsTheOutcomeIntoTheHintLine) {
    struct Case {
        std::string key;
        std::string reply;
        std::string hint;
    };
    const Case cases[] = {
        {"PASS", "535 5.7.8 failed\r\n", "邮件发送失败!原因:535:Error username or password"},
        {"AUTH", "502 5.5.1 not implemented\r\n", "标题:生日提醒的邮件发送成功!"},
        {"RCPT", "550 unknown\r\n", "邮件发送失败!原因:550:SMTP server error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        RecordingSink hints;
        SmtpTestServer server;
        server.reply[c.key] = c.reply;
        server.Start();
        MailQueue queue(hints, server.Port());
        queue.Enqueue({"生日提醒", "you@example.com", "body"});
        ASSERT_TRUE(hints.WaitForMailThreads(1, 0));
        EXPECT_EQ(hints.Hints(), std::vector<std::string>{c.hint});
    }
}

} // namespace
