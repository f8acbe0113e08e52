#include "mail/CSmtpClient.h"

#include "FixedClock.h"
#include "SmtpTestServer.h"
#include "TempDir.h"
#include "TestCertificates.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>

namespace {

// What a standard mail reader (Python's email package) makes of each mail.
std::vector<std::map<std::string, std::string>>
ReadAsMailReader(const std::vector<std::string>& mails) {
    TempDir dir;
    std::string command = "python3 " ANNIVO_MAIL_TEST_DIR "/parse_mail.py";
    for (std::size_t i = 0; i < mails.size(); ++i) {
        const std::string file = dir.File(std::to_string(i) + ".eml");
        std::ofstream(file, std::ios::binary) << mails[i];
        command += " " + file;
    }
    std::vector<std::map<std::string, std::string>> shown(1);
    FILE* output = popen(command.c_str(), "r");
    std::string line;
    for (int c; output && (c = std::fgetc(output)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
        } else if (line == "--") {
            shown.emplace_back();
        } else {
            const std::size_t equals = line.find('=');
            std::string value;
            for (std::size_t i = equals + 1; i + 1 < line.size(); i += 2)
                value += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
            shown.back()[line.substr(0, equals)] = value;
        }
        if (c == '\n')
            line.clear();
    }
    if (output)
        pclose(output);
    shown.pop_back();
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
    // subject, body, body as shown
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"张三的31周岁生日的提醒!",
         "张三的出生日期是:阳历1980-09-12\r\n今天(阳历2051-09-12)是他(她)的31周岁生日，特此提醒!",
         "张三的出生日期是:阳历1980-09-12\r\n今天(阳历2051-09-12)是他(她)的31周岁生日，特此提醒!"},
        {"Hi", ".\r\n..two\r\n.end\r\n.", ".\r\n..two\r\n.end\r\n."},
        {"A祝你生日快乐，祝你生日快乐，祝你生日快乐，祝你幸福安康! Happy birthday to you", longLine,
         longLine},
        {"=?UTF-8?B?5byg?= is not a word", "bare\rCR\nand LF\r\n", "bare\r\nCR\r\nand LF\r\n"},
        {"", "", ""},
    };
    std::vector<std::string> mails;
    for (const auto& [subject, body, shown] : cases) {
        SmtpTestServer server;
        server.certificateFile = certificates.server.certificate;
        server.keyFile = certificates.server.key;
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
        mails.push_back(session.substr(start, session.find("\r\n.\r\n", start) + 2 - start));
    }

    const auto read = ReadAsMailReader(mails);
    ASSERT_EQ(read.size(), mails.size());
    std::set<std::string> ids;
    for (std::size_t i = 0; i < mails.size(); ++i) {
        const auto& [subject, body, shown] = cases[i];
        auto fields = read[i];
        SCOPED_TRACE(subject);
        EXPECT_EQ(fields["subject"], subject);
        EXPECT_EQ(fields["body"], shown);
        EXPECT_EQ(fields["type"] + "; " + fields["charset"] + "; " + fields["mime"],
                  "text/plain; utf-8; 1.0");
        EXPECT_EQ(fields["date"], "2051-09-12T08:30:00+08:00");
        EXPECT_EQ(fields["from"] + " " + fields["to"], "me@example.com you@example.com");
        EXPECT_EQ(fields["defects"], "0");
        EXPECT_TRUE(
            std::regex_match(fields["id"], std::regex("<\\d{14}\\.[0-9a-f]{24}@example\\.com>")))
            << fields["id"];
        ids.insert(fields["id"]);
    }
    EXPECT_EQ(ids.size(), std::size(cases));
}

} // namespace
