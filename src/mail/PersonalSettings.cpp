#include "mail/PersonalSettings.h"

#include "platform/PasswordHash.h"
#include "platform/Prompter.h"
#include "settings/BuiltInAccount.h"
#include "storage/CAdoDatabase.h"

#include <cctype>
#include <optional>
#include <utility>

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

void SelectServer(SettingForm& form, int index) {
    form.serverIndex = index;
    form.serverText = std::string(kSmtpServers[index]);
}

void ReadOwnAccount(SettingForm& form, const CAdoDatabase& db) {
    form.email = db.GetCollect("m_Email").AsString();
    form.userName = db.GetCollect("m_UserName").AsString();
    form.password = db.GetCollect("m_Password").AsString();
    SetServer(form, db.GetCollect("m_ServerName").AsString());
}

// What 设定 writes as the unlock password: nothing when it is cleared, the
// hash of a newly typed one, else the stored one (hashed now should an older
// copy have stored it as typed). Nothing at all when no hash could be made.
std::optional<std::string> UnlockPasswordToStore(const SettingForm& form) {
    if (form.clearUnlockPassword)
        return std::string();
    if (!form.unlockPassword.empty())
        return HashPassword(form.unlockPassword);
    std::string stored;
    {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("保存个人设置");
        db.Open();
        db.Execute("Select m_UnLockPwd From MySetting");
        if (!db.IsEOF())
            stored = db.GetCollect("m_UnLockPwd").AsString();
        db.Close();
    }
    if (stored.empty() || IsPasswordHash(stored))
        return stored;
    return HashPassword(stored);
}

} // namespace

int FindServerStartingWith(std::string_view text) {
    if (text.empty())
        return -1;
    const int count = static_cast<int>(kSmtpServers.size());
    for (int step = 1; step <= count; ++step) {
        const int index = step % count;
        if (StartsWithNoCase(kSmtpServers[index], text))
            return index;
    }
    return -1;
}

void SetServer(SettingForm& form, const std::string& server) {
    const int index = FindServerStartingWith(server);
    if (index >= 0) {
        SelectServer(form, index);
    } else {
        form.serverIndex = -1;
        form.serverText = server;
    }
}

bool LoadSettingForm(SettingForm& form, Prompter& prompter) {
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("读取个人设置");
        db.Open();
        db.Execute("Select * From MySetting");
        if (db.IsEOF())
            return false;
        if (db.GetCollect("m_SmtpSelect").AsYesNo() == 1)
            UseBuiltInAccount(form);
        else {
            form.account = SenderAccount::Own;
            ReadOwnAccount(form, db);
        }
        form.nickname = db.GetCollect("m_Name").AsString();
        form.unlockPasswordSet = !db.GetCollect("m_UnLockPwd").AsString().empty();
        form.unlockPassword.clear();
        form.unlockConfirm.clear();
        form.clearUnlockPassword = false;
        // Switches converted from the old format store true as -1.
        form.isLock = db.GetCollect("m_IsLock").AsYesNo() == 1 ? 1 : 0;
        form.mobile = db.GetCollect("m_MyMobile").AsString();
        form.acceptEmail = db.GetCollect("m_AcceptEmail").AsString();
        form.dayWindow = db.GetCollect("m_DayWnd").AsYesNo() != 0;
        form.dayEmail = db.GetCollect("m_DayEmail").AsYesNo() != 0;
        form.aheadWindow = db.GetCollect("m_AheadWnd").AsYesNo() != 0;
        form.aheadEmail = db.GetCollect("m_AheadEmail").AsYesNo() != 0;
        form.everyDay = db.GetCollect("m_EveryDay").AsYesNo() != 0;
        db.Close();
        return true;
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return false;
    }
}

void UseOwnAccount(SettingForm& form, Prompter& prompter) {
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("读取个人设置");
        db.Open();
        db.Execute("Select * From MySetting");
        if (!db.IsEOF()) {
            form.nickname = db.GetCollect("m_Name").AsString();
            ReadOwnAccount(form, db);
        }
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
    }
    form.account = SenderAccount::Own;
}

void UseBuiltInAccount(SettingForm& form) {
    form.account = SenderAccount::BuiltIn;
    form.email = kBuiltInEmail;
    SelectServer(form, static_cast<int>(kBuiltInServerIndex));
    form.userName = kBuiltInUserName;
    form.password = kBuiltInPassword;
}

void OnEmailEdited(SettingForm& form, const std::string& email) {
    form.email = email;
    const std::size_t at = email.find('@');
    if (at == std::string::npos) {
        form.userName = email;
        form.serverIndex = -1;
        form.serverText.clear();
    } else if (at + 1 < email.size()) {
        form.userName = email.substr(0, at);
        const std::string domain = email.substr(at + 1);
        int found = -1;
        for (std::size_t i = 0; i < kSmtpServers.size() && found < 0; ++i)
            if (kSmtpServers[i].find(domain) != std::string_view::npos)
                found = static_cast<int>(i);
        if (found >= 0) {
            SelectServer(form, found);
        } else {
            form.serverIndex = -1;
            form.serverText = "smtp." + domain;
        }
    }
    // An address typed with "@" last leaves the user name and server as they are.
    form.password.clear();
}

SettingsSaveOutcome SaveSettingForm(const SettingForm& form, SettingRecord& running,
                                    Prompter& prompter) {
    if (!form.clearUnlockPassword && form.unlockPassword != form.unlockConfirm) {
        prompter.Tell("两次输入的密码不一致!", "提示", PromptIcon::Warning);
        return SettingsSaveOutcome::Mismatch;
    }
    const int lock = form.isLock == 1 ? 1 : 0;
    const bool builtIn = form.account == SenderAccount::BuiltIn;
    std::string unlockPassword;
    try {
        std::optional<std::string> toStore = UnlockPasswordToStore(form);
        if (!toStore) {
            prompter.Tell("解锁密码未能加密（系统没有提供随机数），个人设置没有保存。", "提示",
                          PromptIcon::Warning);
            return SettingsSaveOutcome::Failed;
        }
        unlockPassword = std::move(*toStore);
        std::string sql;
        if (builtIn)
            sql = SqlFormat("Update MySetting Set m_Name='%s',m_UnLockPwd=\"%s\",m_IsLock=%d,"
                            "m_SmtpSelect=%d,m_MyMobile='%s',m_AcceptEmail='%s',m_AheadEmail=%d,"
                            "m_AheadWnd=%d,m_DayEmail=%d,m_DayWnd=%d,m_EveryDay=%d",
                            form.nickname, unlockPassword, lock, 1, form.mobile, form.acceptEmail,
                            int(form.aheadEmail), int(form.aheadWindow), int(form.dayEmail),
                            int(form.dayWindow), int(form.everyDay));
        else
            sql = SqlFormat(
                "Update MySetting Set m_Name='%s',m_ServerName='%s',m_Email='%s',m_UserName='%s',"
                "m_Password=\"%s\",m_UnLockPwd=\"%s\",m_IsLock=%d,m_SmtpSelect=%d,m_MyMobile='%s',"
                "m_AcceptEmail='%s',m_AheadEmail=%d,m_AheadWnd=%d,m_DayEmail=%d,m_DayWnd=%d,"
                "m_EveryDay=%d",
                form.nickname, form.serverText, form.email, form.userName, form.password,
                unlockPassword, lock, 0, form.mobile, form.acceptEmail, int(form.aheadEmail),
                int(form.aheadWindow), int(form.dayEmail), int(form.dayWindow), int(form.everyDay));
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("保存个人设置");
        db.Open();
        db.Execute(sql);
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return SettingsSaveOutcome::Failed;
    }
    running.m_Name = form.nickname;
    running.m_MyMobile = form.mobile;
    running.m_UnLockPwd = unlockPassword;
    running.m_SmtpSelect = builtIn ? 1 : 0;
    running.m_Email = form.email;
    running.m_ServerName = form.serverText;
    running.m_UserName = form.userName;
    running.m_Password = form.password;
    running.m_AcceptEmail = form.acceptEmail;
    running.m_DayWnd = form.dayWindow;
    running.m_DayEmail = form.dayEmail;
    running.m_AheadWnd = form.aheadWindow;
    running.m_AheadEmail = form.aheadEmail;
    running.m_EveryDay = form.everyDay;
    return SettingsSaveOutcome::Saved;
}
