#include "mail/MailComposer.h"

#include "ReceivedMail.h"
#include "RecordingSink.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "SmtpTestServer.h"
#include "TempDir.h"
#include "TestFiles.h"
#include "app/Globals.h"
#include "mail/MailQueue.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::HasSubstr;

// Ten kilobytes and more: many lines, 4-byte and 2-byte characters, quotes.
std::string LongBody() {
    std::string body;
    for (int line = 0; Gb18030Length(body) < 12'000; ++line)
        body += "第" + std::to_string(line) + "行 𠮷野家 O'Brien \"引号\" 100% C:\\路径\r\n";
    return body + "\r\n.\r\n最后一行没有换行";
}

TEST(MailDraft, ComesBackWholeAndLeavesTheRestOfTheFileAlone) {
    const TempDir dir;
    const std::string path = dir.File("annivo.ini");
    WriteBytes(path, "[Settings]\r\nRunOnce=1\r\n[Mail]\r\nOld=keep\r\n[Festival]\r\n24Fest=0\r\n");
    ProfileFile ini(path);
    EXPECT_FALSE(HasMailDraft(ini));

    const ComposedMail drafts[] = {
        {"生日快乐 'a' \"b\" \\c 100% 𠮷", "o'brien@example.com", LongBody()},
        {"空的正文", "", ""},
        {"x", "a@b.c", "一\r\n\r\n二\r\n"},
    };
    for (const ComposedMail& draft : drafts) {
        SCOPED_TRACE(draft.subject);
        ASSERT_TRUE(SaveMailDraft(ini, draft));
        EXPECT_TRUE(HasMailDraft(ini));
        const ComposedMail back = LoadMailDraft(ini);
        EXPECT_EQ(back.subject, draft.subject);
        EXPECT_EQ(back.recipient, draft.recipient);
        EXPECT_TRUE(back.body == draft.body) << "body of " << back.body.size() << " bytes";
    }
    // One line of Base64 over the GB18030 bytes, as the program always kept it.
    const std::string file = ReadBytes(path);
    EXPECT_THAT(file, HasSubstr("\r\nContent=0rsNCg0Ktv4NCg==\r\n"));
    EXPECT_EQ(ProfileFile(path).GetInt("Settings", "RunOnce", 0), 1);
    EXPECT_EQ(ProfileFile(path).GetString("Mail", "Old", "", 99), "keep");
    EXPECT_EQ(ProfileFile(path).GetInt("Festival", "24Fest", 1), 0);

    // A file that cannot be written says so instead of losing the draft unseen.
    ProfileFile unwritable(dir.Path());
    EXPECT_FALSE(SaveMailDraft(unwritable, drafts[2]));
}

TEST(MailDraft, LineBreaksBecomeCrLfForMailAndLfForTheEditor) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb", "a\r\nb"}, {"a\r\nb", "a\r\nb"}, {"a\rb", "a\r\nb"}, {"\n\r\n\r", "\r\n\r\n\r\n"},
        {"", ""},           {"𠮷\n", "𠮷\r\n"},
    };
    for (const auto& [text, crlf] : cases) {
        EXPECT_EQ(WithCrLf(text), crlf) << text;
        EXPECT_EQ(WithLf(crlf), WithLf(text)) << text;
        EXPECT_EQ(WithLf(crlf).find('\r'), std::string::npos) << text;
    }
}

TEST(Recipient, IsTheChosenPersonsAddressOrEmptyAndErrorsAreShown) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing (m_Name,m_Group,m_Email) Values "
           "('张伟','同学','zw@school.cn'),('张伟','同事','zw@work.cn'),"
           "('O''Brien','朋友','ob@example.com'),('𠮷田 \"100%\" \\','','ji@example.jp'),"
           "('李四','同事',''),('同事','朋友','named-like-a-group@example.com')");
    ScriptedPrompter prompter;
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"同学", "张伟", "zw@school.cn"},
        {"同事", "张伟", "zw@work.cn"},
        {"家人", "张伟", "zw@school.cn"}, // the group is gone: the first of the name
        {"朋友", "O'Brien", "ob@example.com"},
        {"", "𠮷田 \"100%\" \\", "ji@example.jp"},
        {"同事", "李四", ""},
        {"同事", "王五", ""},
    };
    for (const auto& [group, name, address] : cases)
        EXPECT_EQ(LookUpRecipient(group, name, prompter), address) << group << "/" << name;
    EXPECT_TRUE(prompter.asked.empty());

    db.Run("Drop Table TiXing");
    EXPECT_EQ(LookUpRecipient("同学", "张伟", prompter), "");
    EXPECT_TRUE(LoadComposerContacts(prompter).empty());
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_THAT(prompter.asked[0].text, HasSubstr("TiXing"));
}

TEST(ComposerBusyCount, IsHandedToTheMailOnSendAndGivenBackOnExit) {
    SmtpTestServer server; // started late: the mail waits for its greeting
    RecordingSink sink;
    MailQueue queue(sink);
    g_Setting.m_Email = "me@example.com";
    g_Setting.m_UserName = "me";
    g_Setting.m_Password = "pw";
    g_Setting.m_ServerName = "127.0.0.1:" + std::to_string(server.Port());
    {
        ComposerBusyHold composer; // 退出
        EXPECT_EQ(BusyCount(), 1);
        composer.Release();
        composer.Release();
        EXPECT_EQ(BusyCount(), 0);
    }
    EXPECT_EQ(BusyCount(), 0);
    {
        ComposerBusyHold composer; // 发送
        SendComposedMail(queue, {"问候 'x' 𠮷", "you@example.com", "第一行\n第二行\r."}, composer);
        EXPECT_FALSE(composer.IsHeld());
        EXPECT_EQ(BusyCount(), 1) << "the sender thread holds it now";
    }
    EXPECT_EQ(BusyCount(), 1);
    server.Start();
    ASSERT_TRUE(sink.WaitForMailThreads(1, 0));
    const std::vector<std::string> sessions = server.Sessions(1);
    ASSERT_EQ(sessions.size(), 1u);
    const ReceivedMail mail(sessions[0]);
    EXPECT_EQ(mail.recipient, "you@example.com");
    EXPECT_EQ(mail.subject, "问候 'x' 𠮷");
    EXPECT_EQ(mail.body, "第一行\r\n第二行\r\n.");
    EXPECT_THAT(sink.Hints()[0], HasSubstr("标题:问候 'x' 𠮷的邮件发送成功!"));
    g_Setting = SettingRecord();
}

} // namespace
