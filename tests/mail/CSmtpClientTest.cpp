#include "mail/CSmtpClient.h"

#include "FixedClock.h"
#include "SmtpTestServer.h"
#include "TempDir.h"
#include "TestCertificates.h"
#include "settings/BuiltInAccount.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// What a standard mail reader (Python's email package) makes of a mail.
std::map<std::string, std::string> ReadAsMailReader(const std::string& mail) {
    TempDir dir;
    std::ofstream(dir.File("mail.eml"), std::ios::binary) << mail;
    const std::string command = "python3 " ANNIVO_MAIL_TEST_DIR "/parse_mail.py " +
                                dir.File("mail.eml") + " > " + dir.File("shown");
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::map<std::string, std::string> shown;
    std::ifstream lines(dir.File("shown"));
    for (std::string line; std::getline(lines, line);) { // name=hex
        const std::size_t equals = line.find('=');
        std::string& value = shown[line.substr(0, equals)];
        for (std::size_t i = equals + 1; i + 1 < line.size(); i += 2)
            value += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    }
    return shown;
}

class SmtpClientTest : public ::testing::Test {
protected:
    // A client for the test server with the usual account and a short patience.
    std::unique_ptr<CSmtpClient> Client(unsigned int port, const std::string& host = "127.0.0.1") {
        setenv("TZ", "CST-8", 1); // China Standard Time, whose name mail readers take for US time
        tzset();
        auto client = std::make_unique<CSmtpClient>(host, port, clock);
        client->SetTimeouts(std::chrono::seconds(1), std::chrono::seconds(1));
        client->m_Sender = "me@example.com";
        client->m_Recipient = "you@example.com";
        client->m_UserName = "me";
        client->m_Password = "secret";
        client->m_Subject = "生日快乐";
        client->m_Body = "Hi";
        return client;
    }

    // Sends one mail through `server` and returns what the server received.
    std::string Deliver(SmtpTestServer& server, CSmtpClient& client, int result) {
        server.Start();
        EXPECT_EQ(client.SendMail(), result) << client.GetError();
        return server.Sessions(1).at(0);
    }

    FixedClock clock{DateTime(2011, 9, 12, 8, 30, 0)};
};

TEST_F(SmtpClientTest, SendsTheDialogueByteForByte) {
    SmtpTestServer server;
    server.splitReplies = true;
    auto client = Client(server.Port());
    const std::string session = Deliver(server, *client, 1);
    EXPECT_TRUE(
        session.starts_with("EHLO [127.0.0.1]\r\nAUTH LOGIN\r\nbWU=\r\nc2VjcmV0\r\n"
                            "MAIL FROM: <me@example.com>\r\nRCPT TO: <you@example.com>\r\nDATA\r\n"
                            "Date: Mon, 12 Sep 2011 08:30:00 +0800\r\nFrom: me@example.com\r\n"
                            "To: you@example.com\r\nSubject: =?UTF-8?B?55Sf5pel5b+r5LmQ?=\r\n"))
        << session;
    EXPECT_TRUE(session.ends_with("\r\n\r\nSGk=\r\n.\r\nQUIT\r\n")) << session;
    EXPECT_TRUE(client->PasswordSentInClear());
}

TEST_F(SmtpClientTest, ReportsEachFailingStage) {
    // key, its reply, result, error, what the client sent last
    const std::tuple<std::string, std::string, int, std::string, std::string> cases[] = {
        // No login on this server: no credentials, and the mail goes anyway.
        {"AUTH", "502 not implemented\r\n", 1, "SMTP服务器不需要验证", "QUIT\r\n"},
        {"MAIL", "250-a\r\n250-b\r\n250 c\r\n", 1, "", "QUIT\r\n"},
        {"GREETING", "554 go away\r\n", 0, "服务器没有回应！", ""},
        {"GREETING", "HANG", 0, "服务器没有回应！", ""},
        {"EHLO", "500 what?\r\n", 0, "500:SMTP server error", "EHLO [127.0.0.1]\r\n"},
        {"USER", "535 no such user\r\n", 0, "不明的错误！", "bWU=\r\n"},
        {"STARTTLS", "454 TLS not available\r\n", 0, "454:SMTP server refused STARTTLS",
         "STARTTLS\r\n"},
        {"PASS", "535 5.7.8 failed\r\n", 0, "535:Error username or password", "c2VjcmV0\r\n"},
        {"MAIL", "553 sender rejected\r\n", 0, "553:SMTP server error", "QUIT\r\n"},
        {"MAIL", "HANG", 0, "等待服务器回应超时！", "MAIL FROM: <me@example.com>\r\n"},
        {"MAIL", "DROP", 0, "服务器断开了连接！", "MAIL FROM: <me@example.com>\r\n"},
        // The last line of a reply decides.
        {"RCPT", "250-looking\r\n550 no such user\r\n", 0, "550:SMTP server error", "QUIT\r\n"},
        {"DATA", "451 try later\r\n", 0, "451:SMTP server not ready for data", "QUIT\r\n"},
        {"END", "554 rejected\r\n", 0, "554:SMTP server error", "QUIT\r\n"},
        {"END", "DROP", 0, "服务器断开了连接！", ""},
        {"QUIT", "500 eh\r\n", 1, "500:SMTP server didn't terminate session", "QUIT\r\n"},
    };
    for (const auto& [key, reply, result, error, lastSent] : cases) {
        SCOPED_TRACE(key + " " + reply);
        SmtpTestServer server;
        server.reply[key] = reply;
        if (key == "STARTTLS")
            server.reply["EHLO"] = "250-test.local\r\n250 STARTTLS\r\n";
        auto client = Client(server.Port());
        client->m_Body = std::string(200000, 'x'); // more than the server takes in at once
        const std::string session = Deliver(server, *client, result);
        EXPECT_TRUE(session.ends_with(lastSent)) << session;
        // Credentials are left out only where the server has no login.
        EXPECT_EQ(session.find("AUTH LOGIN\r\nMAIL") != std::string::npos, key == "AUTH");
        EXPECT_EQ(client->GetError(), error);
    }
}

TEST_F(SmtpClientTest, GreetsWithAnAddressLiteralForAnAddress) {
    // server field, IPv6 server, the EHLO line the server received
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"127.0.0.1", false, "EHLO [127.0.0.1]"},
        // Short and numeric forms name the address they connect to.
        {"127.1", false, "EHLO [127.0.0.1]"},
        {"2130706433", false, "EHLO [127.0.0.1]"},
        {"0x7f.0.0.1", false, "EHLO [127.0.0.1]"},
        {"localhost", false, "EHLO localhost"},
        {"[::1]", true, "EHLO [IPv6:::1]"},
        {"::1", true, "EHLO [IPv6:::1]"},
        {"[0:0:0:0:0:0:0:1]", true, "EHLO [IPv6:::1]"},
        {"[::ffff:127.0.0.1]", false, "EHLO [IPv6:::ffff:127.0.0.1]"},
    };
    for (const auto& [field, ipv6, hello] : cases) {
        SCOPED_TRACE(field);
        SmtpTestServer server(32, ipv6 ? AF_INET6 : AF_INET);
        // A bare IPv6 address has no room for a port: the client's port it is.
        const bool bare = field.find("::") != std::string::npos && field[0] != '[';
        const std::string port = std::to_string(server.Port());
        auto client = Client(server.Port(), bare ? field : field + ":" + port);
        const std::string session = Deliver(server, *client, 1);
        EXPECT_TRUE(session.starts_with(hello + "\r\nAUTH LOGIN\r\n")) << session;
    }
}

TEST_F(SmtpClientTest, ReportsAServerThatCannotBeReached) {
    SmtpTestServer full(0); // never started: one connection waits, no other gets in
    const int waiting = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address{
        AF_INET, htons(static_cast<uint16_t>(full.Port())), {htonl(INADDR_LOOPBACK)}, {}};
    ASSERT_EQ(connect(waiting, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const unsigned int closedPort = SmtpTestServer().Port(); // gone: nobody listens
    for (const auto& [port, error] :
         {std::pair{full.Port(), "连接服务器超时！"}, std::pair{closedPort, "无法创建连接！"}}) {
        auto client = Client(port);
        EXPECT_EQ(client->SendMail(), 0);
        EXPECT_EQ(client->GetError(), error);
    }
    close(waiting);
    // No sender account set up yet.
    auto client = Client(full.Port(), "");
    EXPECT_EQ(client->SendMail(), 0);
    EXPECT_EQ(client->GetError(), "服务器地址或端口无效！");
}

TEST_F(SmtpClientTest, LineBreaksCannotSmuggleCommandsOrHeaders) {
    SmtpTestServer server;
    server.Start();
    for (const char* address : {"you@example.com\r\nRCPT TO: <other@example.com>", "x@y\n"})
        for (std::string CSmtpClient::*field :
             {&CSmtpClient::m_Recipient, &CSmtpClient::m_Sender}) {
            auto client = Client(server.Port());
            (*client).*field = address;
            EXPECT_EQ(client->SendMail(), 0);
            EXPECT_EQ(client->GetError(), "邮件地址中含有回车或换行符！");
        }
    auto client = Client(server.Port());
    client->m_Subject = "Hi\r\nBcc: other@example.com";
    EXPECT_EQ(client->SendMail(), 1);
    // The refused mails never connected.
    EXPECT_THAT(server.Sessions(1),
                ElementsAre(HasSubstr("\r\nSubject: Hi  Bcc: other@example.com\r\nMessage-ID: ")));
}

TEST_F(SmtpClientTest, ConnectsOnlyThroughTlsItCanVerify) {
    const TestCertificates& certificates = TestCertificates::Get();
    const std::string untrusted = "服务器的证书不受信任，已拒绝连接！";
    const std::string upgrade = "EHLO [127.0.0.1]\r\nSTARTTLS\r\n[TLS";
    const TestCertificates::Pair none;
    // TLS from the first byte (else STARTTLS), served, trust the test CA, host,
    // error (empty: delivered), how the session starts
    const std::tuple<bool, TestCertificates::Pair, bool, std::string, std::string, std::string>
        cases[] = {
            {true, certificates.server, true, "127.0.0.1", "", "[TLS]EHLO [127.0.0.1]\r\nAUTH"},
            {false, certificates.server, true, "127.0.0.1", "",
             upgrade + "]EHLO [127.0.0.1]\r\nAUTH"},
            {false, certificates.server, true, "localhost", "",
             "EHLO localhost\r\nSTARTTLS\r\n[TLS]EHLO localhost\r\nAUTH LOGIN\r\n"},
            {false, certificates.selfSigned, true, "127.0.0.1", untrusted, upgrade + " failed]"},
            {true, certificates.server, false, "127.0.0.1", untrusted, "[TLS failed]"},
            {false, certificates.otherHost, true, "127.0.0.1",
             "服务器的证书不属于该服务器名称，已拒绝连接！", upgrade + " failed]"},
            {true, none, true, "127.0.0.1", "与服务器建立加密连接(TLS)失败！", ""},
        };
    for (const auto& [implicitTls, served, trustTestCa, host, error, dialogue] : cases) {
        SCOPED_TRACE(dialogue + error);
        SmtpTestServer server;
        server.certificate = served;
        server.implicitTls = implicitTls && !served.key.empty();
        if (!implicitTls)
            server.reply["EHLO"] = "250-test.local\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n";
        auto client = Client(server.Port(), host);
        client->SetTimeouts(std::chrono::seconds(10), std::chrono::seconds(10)); // a busy machine
        client->m_CaFile = trustTestCa ? certificates.caFile : "";
        client->m_ImplicitTlsPort = implicitTls ? server.Port() : 465;
        const std::string session = Deliver(server, *client, error.empty() ? 1 : 0);
        EXPECT_EQ(client->GetError(), error);
        EXPECT_TRUE(session.starts_with(dialogue)) << session;
        // Delivered, or refused before any credentials.
        EXPECT_EQ(session.ends_with("\r\n.\r\nQUIT\r\n"), error.empty()) << session;
        EXPECT_EQ(session.find("AUTH") == std::string::npos, !error.empty()) << session;
        EXPECT_FALSE(client->PasswordSentInClear());
    }
}

TEST_F(SmtpClientTest, LongAndNonAsciiCredentialsGoAsOneLineEach) {
    for (const auto& [user, password] : {std::pair{std::string(57, 'u'), std::string(57, 'p')},
                                         {std::string(60, 'u'), std::string(200, 'p')},
                                         {"张三@例子.中国", "生日快乐Pässwörd🎂"}}) {
        SmtpTestServer server;
        auto client = Client(server.Port());
        client->m_UserName = user;
        client->m_Password = password;
        const std::string session = Deliver(server, *client, 1);
        std::istringstream lines(session.substr(session.find("AUTH LOGIN\r\n") + 12));
        std::string sent[3];
        for (std::string& line : sent)
            std::getline(lines, line, '\n');
        EXPECT_EQ(CSmtpClient::Base64Decode(sent[0]), user);
        EXPECT_EQ(CSmtpClient::Base64Decode(sent[1]), password);
        EXPECT_EQ(sent[2], "MAIL FROM: <me@example.com>\r");
    }
}

TEST_F(SmtpClientTest, AMailReaderShowsWhatWasSent) {
    // From 2050 on a two-digit year reads as 19xx.
    clock.Set(DateTime(2051, 9, 12, 8, 30, 0));
    std::string longLine;
    while (longLine.size() < 100000)
        longLine += "生日快乐，万事如意! ";
    const std::string reminder =
        "张三的出生日期是:阳历1980-09-12\r\n今天(阳历2051-09-12)是他(她)的31周岁生日，特此提醒!";
    // subject, body, body as shown
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"张三的31周岁生日的提醒!", reminder, reminder},
        {"Hi", ".\r\n..two\r\n.end\r\n.", ".\r\n..two\r\n.end\r\n."},
        {"A祝你生日快乐，祝你生日快乐，祝你生日快乐，祝你幸福安康! Happy birthday to you", longLine,
         longLine},
        {"=?UTF-8?B?5byg?= is not a word", "bare\rCR\nand LF\r\n", "bare\r\nCR\r\nand LF\r\n"},
        {"", "", ""},
    };
    std::set<std::string> ids;
    for (const auto& [subject, body, shown] : cases) {
        SCOPED_TRACE(subject);
        SmtpTestServer server;
        server.certificate = TestCertificates::Get().server;
        server.reply["EHLO"] = "250-test.local\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n";
        auto client = Client(server.Port());
        client->SetTimeouts(std::chrono::seconds(10), std::chrono::seconds(10));
        client->m_CaFile = TestCertificates::Get().caFile;
        client->m_Subject = subject;
        client->m_Body = body;
        const std::string session = Deliver(server, *client, 1);
        ASSERT_NE(session.find("[TLS]"), std::string::npos);
        const std::size_t start = session.find("DATA\r\n") + 6;
        auto fields =
            ReadAsMailReader(session.substr(start, session.find("\r\n.\r\n", start) + 2 - start));
        EXPECT_EQ(fields["subject"], subject);
        EXPECT_EQ(fields["body"], shown);
        EXPECT_EQ(fields["type"], "text/plain; utf-8; 1.0");
        EXPECT_EQ(fields["date"], "2051-09-12T08:30:00+08:00");
        EXPECT_EQ(fields["from"], "me@example.com you@example.com");
        EXPECT_EQ(fields["defects"], "0");
        EXPECT_TRUE(
            std::regex_match(fields["id"], std::regex("<\\d{14}\\.[0-9a-f]{24}@example\\.com>")))
            << fields["id"];
        ids.insert(fields["id"]);
    }
    EXPECT_EQ(ids.size(), std::size(cases));
}

TEST(ServerAddressTest, ReadsHostAndPort) {
    // field, host, port (0: refused)
    const std::tuple<std::string, std::string, unsigned int> cases[] = {
        {" smtp.qq.com ", "smtp.qq.com", 25},
        {"smtp.qq.com:465", "smtp.qq.com", 465},
        {"[::1]:587", "::1", 587},
        {"::1", "::1", 25},
        {"smtp.qq.com:", "smtp.qq.com", 0},
        {"smtp.qq.com:65536", "smtp.qq.com", 0},
        {"smtp.qq.com:4x", "smtp.qq.com", 0},
        {"[::1]587", "::1", 0},
    };
    for (const auto& [field, host, port] : cases) {
        const ServerAddress address = ParseServerAddress(field, 25);
        EXPECT_EQ(address.host + ":" + std::to_string(address.port),
                  host + ":" + std::to_string(port));
    }
    // The listed providers send over TLS even when stored without a port.
    for (const auto& [field, server] : {std::pair{"SMTP.QQ.com", "smtp.qq.com:465"},
                                        {"smtp.gmail.com", "smtp.gmail.com:587"},
                                        {"smtp.qq.com:25", "smtp.qq.com:25"},
                                        {"smtp.163.co", "smtp.163.co"}})
        EXPECT_EQ(SubmissionServer(field), server);
}

TEST(Base64Test, BreaksLinesAfter76Characters) {
    const std::string bytes(115, 'x'), text = CSmtpClient::Base64Encode(bytes);
    EXPECT_EQ(text.size(), 2 * 78 + 4u);
    EXPECT_EQ(text.substr(76, 2) + text.substr(154, 2), "\r\n\r\n");
    EXPECT_EQ(CSmtpClient::Base64Decode(text), bytes);
}

} // namespace
