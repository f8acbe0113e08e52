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

using ::testing::AllOf;
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
        ASSERT_TRUE(SaveMailDraft(ini, draft));
        EXPECT_TRUE(HasMailDraft(ini));
        EXPECT_TRUE(LoadMailDraft(ini) == draft) << draft.subject; // not printed: 12 kB
    }
    // One line of Base64 over the GB18030 bytes, as the program always kept it.
    const std::string file = ReadBytes(path);
    EXPECT_THAT(file, HasSubstr("\r\nContent=0rsNCg0Ktv4NCg==\r\n"));
    EXPECT_EQ(ProfileFile(path).GetInt("Settings", "RunOnce", 0), 1);
    EXPECT_EQ(ProfileFile(path).GetString("Mail", "Old", "", 99), "keep");
    EXPECT_EQ(ProfileFile(path).GetInt("Festival", "24Fest", 1), 0);
}

TEST(UnsentMail, BecomesTheDraftIfNoOtherIsReplacedUnaskedOrIsSaidToBeLost) {
    const TempDir dir;
    ProfileFile ini(dir.File("annivo.ini"));
    ScriptedPrompter prompter;
    const std::string failure = "邮件发送失败!原因:无法创建连接！";
    const std::string kept = failure + "邮件已存为草稿，可在发送邮件窗口中读草稿。";
    const ComposedMail mail{"生日快乐 ", "zs@school.cn", "第一行\n第二行"};
    const ComposedMail stored{"生日快乐", "zs@school.cn", "第一行\r\n第二行"};

    EXPECT_EQ(KeepUnsentMail(ini, mail, failure, prompter), kept);
    EXPECT_EQ(LoadMailDraft(ini), stored);
    // Saved as a draft before it was sent: nothing to ask.
    EXPECT_EQ(KeepUnsentMail(ini, stored, failure, prompter), kept);
    EXPECT_TRUE(prompter.asked.empty());

    // Another draft is replaced only when the user says so.
    prompter.answers = {PromptAnswer::No};
    EXPECT_EQ(KeepUnsentMail(ini, {"另一封", "ls@work.cn", "也没发出去"}, failure, prompter),
              failure + "邮件没有发送，也没有保存。");
    EXPECT_EQ(LoadMailDraft(ini), stored);
    // Without a subject it is a draft all the same, which 读草稿 can read.
    const ComposedMail untitled{"", "zs@school.cn", "没有标题"};
    EXPECT_EQ(KeepUnsentMail(ini, untitled, failure, prompter), kept);
    EXPECT_THAT(prompter.Texts(),
                testing::ElementsAre(AllOf(HasSubstr("“另一封”"), HasSubstr("“生日快乐”")),
                                     AllOf(HasSubstr("(无标题)"), HasSubstr("“生日快乐”"))));
    EXPECT_EQ(prompter.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_TRUE(HasMailDraft(ini));
    EXPECT_EQ(LoadMailDraft(ini), untitled);

    // A file that cannot be written: said, not only in the hint line.
    prompter.asked.clear();
    ProfileFile unwritable(dir.Path());
    const std::string lost = KeepUnsentMail(unwritable, mail, failure, prompter);
    EXPECT_EQ(lost, failure + "邮件没有存为草稿：不能写入配置文件 " + dir.Path().string() + "。");
    EXPECT_THAT(prompter.Texts(), testing::ElementsAre(lost));
}

// Saves another draft while the user is asked, as a second failed mail would.
struct DraftChangingPrompter final : Prompter {
    DraftChangingPrompter(ProfileFile& ini, ComposedMail meanwhile)
        : ini(ini), meanwhile(std::move(meanwhile)) {}
    PromptAnswer Ask(const std::string& text, const std::string&, PromptButtons,
                     PromptIcon) override {
        questions.push_back(text);
        if (questions.size() == 1)
            SaveMailDraft(ini, meanwhile);
        return PromptAnswer::Yes;
    }
    std::string ChooseOpenFile(const std::string&, const std::string&,
                               const std::string&) override {
        return {};
    }
    std::string ChooseSaveFile(const std::string&, const std::string&,
                               const std::string&) override {
        return {};
    }
    ProfileFile& ini;
    ComposedMail meanwhile;
    std::vector<std::string> questions;
};

TEST(UnsentMail, ReplacesOnlyTheDraftTheUserWasAskedAbout) {
    const TempDir dir;
    ProfileFile ini(dir.File("annivo.ini"));
    ASSERT_TRUE(SaveMailDraft(ini, {"旧草稿", "a@b.c", "旧"}));
    DraftChangingPrompter prompter(ini, {"另一封失败的邮件", "c@d.e", "也要问"});
    const ComposedMail mail{"生日快乐", "zs@school.cn", "正文"};
    KeepUnsentMail(ini, mail, "邮件发送失败!原因:无法创建连接！", prompter);
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_THAT(prompter.questions[1], HasSubstr("“另一封失败的邮件”"));
    EXPECT_EQ(LoadMailDraft(ini), mail);
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
