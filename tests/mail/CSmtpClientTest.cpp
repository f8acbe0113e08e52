#include "mail/CSmtpClient.h"

#include "FixedClock.h"
#include "SmtpTestServer.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class SmtpClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);
        tzset();
    }

    // A client for the test server with the usual account and a short patience.
    std::unique_ptr<CSmtpClient> Client(unsigned int port) {
        auto client = std::make_unique<CSmtpClient>("127.0.0.1", port, clock);
        client->SetTimeouts(1s, 1s);
        client->m_Sender = "me@example.com";
        client->m_Recipient = "you@example.com";
        client->m_UserName = "me";
        client->m_Password = "secret";
        client->m_Subject = "生日快乐";
        client->m_Body = "Hello\r\nWorld";
        return client;
    }

    // Sends one mail through `server` and returns what the server received.
    std::string Deliver(SmtpTestServer& server, CSmtpClient& client, int expectedResult) {
        server.Start();
        EXPECT_EQ(client.SendMail(), expectedResult) << client.GetError();
        EXPECT_TRUE(server.WaitForSessions(1));
        const auto sessions = server.Sessions();
        return sessions.empty() ? std::string() : sessions.front();
    }

    FixedClock clock{DateTime(2011, 9, 12, 8, 30, 0)};
};

const std::string kDialogueUpToData = "EHLO 127.0.0.1\r\n"
                                      "AUTH LOGIN\r\n"
                                      "bWU=\r\n"
                                      "c2VjcmV0\r\n"
                                      "MAIL FROM: <me@example.com>\r\n"
                                      "RCPT TO: <you@example.com>\r\n"
                                      "DATA\r\n";

const std::string kHeaders = "Date: Mon, 12 Sep 11 08:30:00 UTC\r\n"
                             "From: me@example.com\r\n"
                             "To: you@example.com\r\n"
                             "Subject: \xC9\xFA\xC8\xD5\xBF\xEC\xC0\xD6\r\n" // GB18030
                             "\r\n";

TEST_F(SmtpClientTest, SendsTheDialogueByteForByte) {
    SmtpTestServer server;
    auto client = Client(server.Port());
    client->m_Body = "你好\r\nWorld";
    const std::string received = Deliver(server, *client, 1);
    EXPECT_EQ(received, kDialogueUpToData + kHeaders +
                            "\xC4\xE3\xBA\xC3\r\nWorld\r\n\r\n.\r\n"
                            "QUIT\r\n");
    EXPECT_EQ(client->GetError(), "");
}

TEST_F(SmtpClientTest, ReportsEachFailingStage) {
    struct Case {
        std::string key;
        std::string reply;  // "" = the server's reply
        std::string hangAt; // the server goes silent here
        std::string dropAt; // the server hangs up here
        int result;
        std::string error;
        std::string lastSent; // the dialogue ends with this
    };
    const Case cases[] = {
        {"GREETING", "554 go away\r\n", "", "", 0, "服务器没有回应！", ""},
        {"GREETING", "", "GREETING", "", 0, "服务器没有回应！", ""},
        {"EHLO", "500 what?\r\n", "", "", 0, "500:SMTP server error", "EHLO 127.0.0.1\r\n"},
        {"USER", "535 no such user\r\n", "", "", 0, "不明的错误！", "bWU=\r\n"},
        {"PASS", "535 5.7.8 failed\r\n", "", "", 0, "535:Error username or password",
         "c2VjcmV0\r\n"},
        {"MAIL", "553 sender rejected\r\n", "", "", 0, "553:SMTP server error", "QUIT\r\n"},
        {"MAIL", "", "MAIL", "", 0, "等待服务器回应超时！", "MAIL FROM: <me@example.com>\r\n"},
        {"RCPT", "550 no such user\r\n", "", "", 0, "550:SMTP server error", "QUIT\r\n"},
        {"RCPT", "250-looking\r\n550 no such user\r\n", "", "", 0, "550:SMTP server error",
         "QUIT\r\n"}, // the last line of a reply decides
        {"DATA", "451 try later\r\n", "", "", 0, "451:SMTP server not ready for data", "QUIT\r\n"},
        {"END", "554 rejected\r\n", "", "", 0, "554:SMTP server error", "QUIT\r\n"},
        {"END", "", "", "END", 0, "服务器断开了连接！", ""},
        {"QUIT", "500 eh\r\n", "", "", 1, "500:SMTP server didn't terminate session", "QUIT\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + " " + c.reply + c.hangAt + c.dropAt);
        SmtpTestServer server;
        if (!c.reply.empty())
            server.reply[c.key] = c.reply;
        server.hangAt = c.hangAt;
        server.dropAt = c.dropAt;
        auto client = Client(server.Port());
        client->m_Body = std::string(200000, 'x'); // more than the server takes in at once
        const std::string received = Deliver(server, *client, c.result);
        EXPECT_EQ(client->GetError(), c.error);
        ASSERT_GE(received.size(), c.lastSent.size());
        EXPECT_EQ(received.substr(received.size() - c.lastSent.size()), c.lastSent);
    }
}

TEST_F(SmtpClientTest, AServerWithoutLoginGetsTheMailAnyway) {
    SmtpTestServer server;
    server.reply["AUTH"] = "502 5.5.1 command not implemented\r\n";
    auto client = Client(server.Port());
    const std::string received = Deliver(server, *client, 1);
    EXPECT_EQ(received.rfind("EHLO 127.0.0.1\r\nAUTH LOGIN\r\nMAIL FROM: <me@example.com>\r\n", 0),
              0u);
    EXPECT_EQ(client->GetError(), "SMTP服务器不需要验证");
}

TEST_F(SmtpClientTest, ReadsRepliesSplitOverSegmentsAndMultiLineReplies) {
    SmtpTestServer server;
    server.splitReplies = true;
    server.reply["MAIL"] = "250-first\r\n250-second\r\n250 last\r\n";
    server.reply["END"] = "250-queued\r\n250 as 1234\r\n";
    auto client = Client(server.Port());
    const std::string received = Deliver(server, *client, 1);
    EXPECT_EQ(received, kDialogueUpToData + kHeaders + "Hello\r\nWorld\r\n\r\n.\r\nQUIT\r\n");
}

TEST_F(SmtpClientTest, GivesUpOnAConnectionThatIsNeverAccepted) {
    SmtpTestServer server(0); // never started: nobody accepts
    const int filler = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    auto client = Client(server.Port());
    EXPECT_EQ(client->SendMail(), 0);
    EXPECT_EQ(client->GetError(), "连接服务器超时！");
    close(filler);
}

TEST_F(SmtpClientTest, ReportsAServerThatIsNotThere) {
    unsigned int port = 0;
    {
        SmtpTestServer closed;
        port = closed.Port();
    }
    auto client = Client(port);
    EXPECT_EQ(client->SendMail(), 0);
    EXPECT_EQ(client->GetError(), "无法创建连接！");
}

TEST_F(SmtpClientTest, BodyLinesStartingWithADotCannotEndTheData) {
    struct Case {
        std::string body;
        std::string data; // what follows the header block
    };
    const Case cases[] = {
        {".", "..\r\n\r\n.\r\n"},
        {"", "\r\n\r\n.\r\n"},
        {"a\r\n.\r\nb", "a\r\n..\r\nb\r\n\r\n.\r\n"},
        {".hidden\r\n..two\r\nend.", "..hidden\r\n...two\r\nend.\r\n\r\n.\r\n"},
        {"bare\nline\n.\n", "bare\r\nline\r\n..\r\n\r\n\r\n.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        SmtpTestServer server;
        auto client = Client(server.Port());
        client->m_Body = c.body;
        const std::string received = Deliver(server, *client, 1);
        EXPECT_EQ(received, kDialogueUpToData + kHeaders + c.data + "QUIT\r\n");
    }
}

TEST_F(SmtpClientTest, LineBreaksCannotSmuggleCommandsOrHeaders) {
    SmtpTestServer server;
    server.Start();
    for (const char* address : {"you@example.com\r\nRCPT TO: <other@example.com>", "x@y\n"}) {
        auto client = Client(server.Port());
        client->m_Recipient = address;
        EXPECT_EQ(client->SendMail(), 0);
        EXPECT_EQ(client->GetError(), "邮件地址中含有回车或换行符！");
        auto fromClient = Client(server.Port());
        fromClient->m_Sender = address;
        EXPECT_EQ(fromClient->SendMail(), 0);
        EXPECT_EQ(fromClient->GetError(), "邮件地址中含有回车或换行符！");
    }

    auto client = Client(server.Port());
    client->m_Subject = "Hi\r\nBcc: other@example.com";
    EXPECT_EQ(client->SendMail(), 1);
    ASSERT_TRUE(server.WaitForSessions(1));
    const auto sessions = server.Sessions();
    ASSERT_EQ(sessions.size(), 1u); // the refused mails never connected
    EXPECT_NE(sessions[0].find("\r\nSubject: Hi  Bcc: other@example.com\r\n\r\n"),
              std::string::npos);
}

TEST(Base64Test, EncodesAsTheMailAndTheDraftExpect) {
    const std::string fiftySeven(57, 'x');
    std::string fiftySevenText; // 76 characters
    for (int i = 0; i < 19; ++i)
        fiftySevenText += "eHh4";
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"", ""},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
        {std::string("\xFF\xFE\x00\x01z", 5), "//4AAXo="},
        {fiftySeven, fiftySevenText + "\r\n"},
        {fiftySeven + "x", fiftySevenText + "\r\neA=="},
        {fiftySeven + fiftySeven, fiftySevenText + "\r\n" + fiftySevenText + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CSmtpClient::Base64Encode(c.bytes), c.text);
    }
}

TEST(Base64Test, DecodesSkippingWhatIsNotInTheAlphabet) {
    struct Case {
        std::string text;
        std::string bytes;
    };
    const Case cases[] = {
        {"YQ==", "a"},
        {"YWI=", "ab"},
        {"YWJj", "abc"},
        {"YW\r\nJj", "abc"},
        {"Y W J j", "abc"},
        {"xOO6ww==", "\xC4\xE3\xBA\xC3"},
        {"YWJjAGRl", "abc"}, // the result ends at a zero byte
        {"", ""},
        {"==", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CSmtpClient::Base64Decode(c.text), c.bytes);
    }
    const std::string fiftySeven(57, 'q');
    EXPECT_EQ(CSmtpClient::Base64Decode(CSmtpClient::Base64Encode(fiftySeven)), fiftySeven);
}

} // namespace
