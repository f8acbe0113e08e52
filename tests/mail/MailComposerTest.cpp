#include "mail/MailComposer.h"

#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "TempDir.h"
#include "TestFiles.h"
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
}

TEST(Recipient, IsTheChosenPersonsAddressOrEmptyAndAnErrorIsShown) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing (m_Name,m_Group,m_Email) Values "
           "('张伟','同学','zw@school.cn'),('张伟','同事','zw@work.cn')");
    ScriptedPrompter prompter;
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"同学", "张伟", "zw@school.cn"},
        {"同事", "张伟", "zw@work.cn"},
        {"家人", "张伟", "zw@school.cn"}, // the group is gone: the first of the name
        {"同事", "王五", ""},
    };
    for (const auto& [group, name, address] : cases)
        EXPECT_EQ(LookUpRecipient(group, name, prompter), address) << group << "/" << name;
    EXPECT_TRUE(prompter.asked.empty());

    db.Run("Drop Table TiXing");
    EXPECT_EQ(LookUpRecipient("同学", "张伟", prompter), "");
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_THAT(prompter.asked[0].text, HasSubstr("TiXing"));
}

} // namespace
