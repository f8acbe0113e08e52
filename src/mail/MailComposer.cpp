#include "mail/MailComposer.h"

#include "mail/CSmtpClient.h"
#include "mail/MailQueue.h"
#include "platform/ProfileFile.h"
#include "platform/Prompter.h"
#include "platform/TextCodec.h"
#include "platform/TrimSpace.h"
#include "settings/BuiltInAccount.h"
#include "settings/Globals.h"
#include "storage/CAdoDatabase.h"

#include <limits>

namespace {

constexpr const char* kSection = "Mail";
// GetString reads through a 260-byte buffer; subject and recipient fit.
constexpr std::size_t kStringBuffer = 259;
constexpr std::size_t kWholeValue = std::numeric_limits<std::size_t>::max();

// A profile value is one line: a stray line break would end it early.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return line;
}

std::string NormaliseBreaks(std::string_view text, std::string_view lineBreak) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += lineBreak;
        } else if (text[i] == '\n') {
            out += lineBreak;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The mail as the draft gives it back: one line each for subject and
// recipient, without the blanks at their ends.
ComposedMail AsStoredDraft(const ComposedMail& mail) {
    return {std::string(TrimSpace(OneLine(mail.subject))),
            std::string(TrimSpace(OneLine(mail.recipient))), WithCrLf(mail.body)};
}

// `failure` followed by a sentence about the mail.
std::string FailureAnd(const std::string& failure, const std::string& sentence) {
    const bool ended = failure.ends_with("！") || failure.ends_with("!") ||
                       failure.ends_with("。") || failure.ends_with(")");
    return failure + (ended ? "" : "。") + sentence;
}

std::string Titled(const std::string& subject) {
    return subject.empty() ? "(无标题)" : "“" + subject + "”";
}

} // namespace

std::string WithCrLf(std::string_view text) {
    return NormaliseBreaks(text, "\r\n");
}

std::string WithLf(std::string_view text) {
    return NormaliseBreaks(text, "\n");
}

bool HasMailDraft(const ProfileFile& ini) {
    for (const char* key : {"Subject", "Recept", "Content"})
        if (!ini.GetString(kSection, key, "", kStringBuffer).empty())
            return true;
    return false;
}

bool SaveMailDraft(ProfileFile& ini, const ComposedMail& draft) {
    std::string content = CSmtpClient::Base64Encode(Utf8ToGb18030(WithCrLf(draft.body)));
    std::erase_if(content, [](char c) { return c == '\r' || c == '\n'; });
    bool saved = ini.WriteString(kSection, "Subject", OneLine(draft.subject));
    saved = ini.WriteString(kSection, "Recept", OneLine(draft.recipient)) && saved;
    return ini.WriteString(kSection, "Content", content) && saved;
}

ComposedMail LoadMailDraft(const ProfileFile& ini) {
    ComposedMail draft;
    draft.subject = ini.GetString(kSection, "Subject", "", kStringBuffer);
    draft.recipient = ini.GetString(kSection, "Recept", "", kStringBuffer);
    // Read whole: a body of any length must come back, not the first 1 kB.
    const std::string content = ini.GetString(kSection, "Content", "", kWholeValue);
    draft.body = Gb18030ToUtf8(CSmtpClient::Base64Decode(content));
    return draft;
}

std::vector<ContactGroup> LoadComposerContacts(Prompter& prompter) {
    try {
        CAdoDatabase db(g_ConnectionString);
        db.SetTask("读取通讯录");
        db.Open();
        return LoadContactGroups(db);
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return {};
    }
}

std::string LookUpRecipient(const std::string& group, const std::string& name, Prompter& prompter) {
    try {
        CAdoDatabase db(g_ConnectionString);
        db.SetTask("查找收件人的邮箱");
        db.Open();
        db.Execute(SqlFormat("Select * From TiXing Where m_Name='%s'", name));
        // Two people of one name in different groups: the one chosen, not
        // whichever the table holds first.
        std::string first;
        bool found = false;
        for (; !db.IsEOF(); db.MoveNext()) {
            std::string email = db.GetCollect("m_Email").AsString();
            if (db.GetCollect("m_Group").AsString() == group)
                return email;
            if (!found)
                first = std::move(email);
            found = true;
        }
        return first;
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return {};
    }
}

SenderAccount CurrentSenderAccount() {
    return {g_Setting.m_Email, SubmissionServer(g_Setting.m_ServerName), g_Setting.m_UserName,
            g_Setting.m_Password};
}

ComposerBusyHold::ComposerBusyHold() {
    IncrementBusyCount();
}

ComposerBusyHold::~ComposerBusyHold() {
    Release();
}

void ComposerBusyHold::Release() {
    if (!m_Held)
        return;
    m_Held = false;
    DecrementBusyCount();
}

std::string KeepUnsentMail(ProfileFile& ini, const ComposedMail& mail, const std::string& failure,
                           Prompter& prompter) {
    const ComposedMail unsent = AsStoredDraft(mail);
    for (;;) {
        const ComposedMail draft = LoadMailDraft(ini);
        if (draft == unsent)
            return FailureAnd(failure, "邮件已存为草稿，可在发送邮件窗口中读草稿。");
        if (draft == ComposedMail{})
            break;
        const std::string question =
            "邮件" + Titled(unsent.subject) + "没有发送成功。\n要把它存为草稿吗？现有的草稿" +
            Titled(draft.subject) + "将被替换。\n\n选“否”则保留现有的草稿，这封邮件不保存。";
        if (prompter.Ask(question, "发送邮件", PromptButtons::YesNo, PromptIcon::Question) !=
            PromptAnswer::Yes)
            return FailureAnd(failure, "邮件没有发送，也没有保存。");
        // Another mail that failed meanwhile may have become the draft, and
        // the user was not asked about that one.
        if (LoadMailDraft(ini) == draft)
            break;
    }
    if (!SaveMailDraft(ini, unsent)) {
        const std::string hint =
            FailureAnd(failure, "邮件没有存为草稿：不能写入配置文件 " + ini.Path().string() + "。");
        // Its text is gone: that must not pass unseen in the hint line.
        prompter.Tell(hint, "发送邮件", PromptIcon::Warning);
        return hint;
    }
    return FailureAnd(failure, "邮件已存为草稿，可在发送邮件窗口中读草稿。");
}

void SendComposedMail(MailQueue& queue, const ComposedMail& mail, ComposerBusyHold& hold,
                      const std::filesystem::path& draftFile, Prompter& prompter,
                      std::function<void()> draftKept) {
    MailJob job{mail.subject, mail.recipient, WithCrLf(mail.body), CurrentSenderAccount()};
    job.keepUnsent = [mail, draftFile, &prompter, draftKept](const std::string& failure) {
        ProfileFile ini(draftFile);
        std::string hint = KeepUnsentMail(ini, mail, failure, prompter);
        if (draftKept)
            draftKept();
        return hint;
    };
    queue.Enqueue(std::move(job));
    hold.Release();
}
