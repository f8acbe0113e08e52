#pragma once
// The mail composer's rules, without a window: the one draft kept in the Mail
// section of annivo.ini, the address looked up for a chosen contact, and the
// busy count that the open composer holds and hands over on 发送.

#include "mail/MailJob.h"
#include "storage/ContactGroups.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class MailQueue;
class ProfileFile;
class Prompter;

// Field limits in GB18030 bytes.
inline constexpr std::size_t kRecipientLimit = 50;
inline constexpr std::size_t kSubjectLimit = 100;

struct ComposedMail {
    std::string subject;
    std::string recipient;
    std::string body; // lines separated by CR LF

    bool operator==(const ComposedMail&) const = default;
};

// Every line break (CR LF, LF alone, CR alone) as CR LF, as mail wants it.
std::string WithCrLf(std::string_view text);
// Every line break as LF alone, as the edit control holds it.
std::string WithLf(std::string_view text);

// A draft exists while any of its fields is stored: a mail kept because it
// could not be sent may have no subject.
bool HasMailDraft(const ProfileFile& ini);
// Overwrites the draft. The body is kept as one line of Base64 over its
// GB18030 bytes, read back whole whatever its length. False when the file
// could not be written; the draft is then not safe.
bool SaveMailDraft(ProfileFile& ini, const ComposedMail& draft);
ComposedMail LoadMailDraft(const ProfileFile& ini);

// The contact tree by group; a database error is shown and gives no groups.
std::vector<ContactGroup> LoadComposerContacts(Prompter& prompter);

// The address of the contact shown as `name` under the group node `group`:
// of the first person of that name in that group, else of the first of that
// name. "" when there is none; a database error is shown and gives "".
std::string LookUpRecipient(const std::string& group, const std::string& name, Prompter& prompter);

// The account mails go out through, as the settings stand now.
SenderAccount CurrentSenderAccount();

// The composer counts as busy from its opening to its closing, so that a
// check-once run does not end under the user's hands. Release gives the
// count back once, however often it is called; so does the destructor.
class ComposerBusyHold {
public:
    ComposerBusyHold();
    ~ComposerBusyHold();
    ComposerBusyHold(const ComposerBusyHold&) = delete;
    ComposerBusyHold& operator=(const ComposerBusyHold&) = delete;

    void Release();
    bool IsHeld() const { return m_Held; }

private:
    bool m_Held = true;
};

// A mail from the composer that could not be sent becomes the draft, so that
// its text is not lost. A draft holding another mail is replaced only when
// the user says so; a draft holding this one is left alone. Main thread
// only. Returns the hint to show: `failure`, then what became of the mail.
std::string KeepUnsentMail(ProfileFile& ini, const ComposedMail& mail, const std::string& failure,
                           Prompter& prompter);

// 发送: queues the mail (its sender thread counts as busy until the mail is
// handled), then gives back the composer's count, so the count never drops
// to zero in between. Should the mail fail, it is kept as the draft in
// `draftFile`, asking through `prompter` (which outlives the mail) if need
// be; `draftKept` is called after that, as the draft may have changed.
void SendComposedMail(MailQueue& queue, const ComposedMail& mail, ComposerBusyHold& hold,
                      const std::filesystem::path& draftFile, Prompter& prompter,
                      std::function<void()> draftKept = {});
