#pragma once
// The personal settings dialog's values and rules, without a window: reading
// the one MySetting row, the two sender accounts, what typing an address
// fills in, and saving the row together with the running settings.

#include "settings/Globals.h"

#include <string>
#include <string_view>

class Prompter;

// Field limits in GB18030 bytes.
inline constexpr std::size_t kNicknameLimit = 16;
inline constexpr std::size_t kSettingTextLimit = 20; // mobile, passwords, user name
inline constexpr std::size_t kAddressLimit = 100;    // the two addresses

enum class SenderAccount { None = -1, Own = 0, BuiltIn = 1 };

struct SettingForm {
    std::string nickname;
    std::string mobile;
    int isLock = -1; // radio group: -1 until the row is read
    // The stored unlock password is never shown, only whether there is one.
    // A new one is typed twice; both fields left empty keep the stored one.
    bool unlockPasswordSet = false;
    std::string unlockPassword;
    std::string unlockConfirm;
    bool clearUnlockPassword = false; // no password from now on
    bool dayWindow = false;
    bool dayEmail = false;
    bool aheadWindow = false;
    bool aheadEmail = false;
    bool everyDay = false;
    std::string acceptEmail;
    SenderAccount account = SenderAccount::None;
    std::string email;
    int serverIndex = -1;   // the chosen entry of the server list, or -1
    std::string serverText; // the server field's text
    std::string userName;
    std::string password;
};

// The list entry that begins with `text` (case-insensitive), searched from
// the second entry to the last and then the first, as the server field
// finds a stored server; -1 when none does or the text is empty.
int FindServerStartingWith(std::string_view text);

// Puts a stored server into the form: its list entry when there is one,
// else the text as typed.
void SetServer(SettingForm& form, const std::string& server);

// Opening: the twelve servers are in the list; the row fills the form. An
// empty table leaves every field empty (false); a failure is shown.
bool LoadSettingForm(SettingForm& form, Prompter& prompter);

// 用户帐户: the stored own account (and nickname) again.
void UseOwnAccount(SettingForm& form, Prompter& prompter);
// 软件作者帐户: the built-in account.
void UseBuiltInAccount(SettingForm& form);

// 邮箱 typed: the user name and the server follow the address, the password is cleared.
void OnEmailEdited(SettingForm& form, const std::string& email);

enum class SettingsSaveOutcome {
    Saved,    // row written and `running` refreshed
    Mismatch, // "两次输入的密码不一致!" shown: the dialog stays open
    Failed,   // the failure was shown; the dialog closes, `running` unchanged
};
// 设定: writes the row and refreshes `running` (the program's g_Setting),
// all but its lock flag: a lock set here counts from the next start. The
// unlock password goes into both as its hash (PasswordHash.h), never as typed.
SettingsSaveOutcome SaveSettingForm(const SettingForm& form, SettingRecord& running,
                                    Prompter& prompter);
