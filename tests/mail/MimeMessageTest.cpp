#include "mail/CSmtpClient.h"

#include "FixedClock.h"
#include "SmtpTestServer.h"
#include "TempDir.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>

namespace {

// What a standard mail reader (Python's email package) makes of a mail.
std::map<std::string, std::string> ReadAsMailReader(const std::string& mail) {
    TempDir dir;
    std::ofstream(dir.File("mail.eml"), std::ios::binary) << mail;
    const std::string command =
        "python3 " ANNIVO_MAIL_TEST_DIR "/parse_mail.py " + dir.File("mail.eml");
    FILE* output = popen(command.c_str(), "r");
    std::map<std::string, std::string> shown;
    std::string line; // name=hex
    for (int c; output && (c = std::fgetc(output)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        const std::size_t equals = line.find('=');
        std::string& value = shown[line.substr(0, equals)];
        for (std::size_t i = equals + 1; i + 1 < line.size(); i += 2)
            value += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        line.clear();
    }
    if (output)
        pclose(output);
    return shown;
}

TEST(MimeMessageTest, AMailReaderShowsWhatWasSent) {
    setenv("TZ", "CST-8", 1);
    tzset();
    // From 2050 on a two-digit year reads as 19xx.
    FixedClock clock{DateTime(2051, 9, 12, 8, 30, 0)};
    const TestCertificates& certificates = TestCertificates::Get();
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
        server.certificate = certificates.server;
        server.reply["EHLO"] = "250-test.local\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n";
        server.Start();
        CSmtpClient client("127.0.0.1", server.Port(), clock);
        client.m_CaFile = certificates.caFile;
        client.m_Sender = "me@example.com";
        client.m_Recipient = "you@example.com";
        client.m_Subject = subject;
        client.m_Body = body;
        ASSERT_EQ(client.SendMail(), 1) << client.GetError();
        const std::string session = server.Sessions(1).at(0);
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

} // namespace
