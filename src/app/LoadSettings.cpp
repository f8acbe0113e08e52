#include "app/LoadSettings.h"

#include "platform/PasswordHash.h"
#include "platform/Prompter.h"
#include "settings/BuiltInAccount.h"
#include "storage/CAdoDatabase.h"

#include <utility>

namespace {

// A password stored as typed, by an older copy of the program, is replaced by
// its hash: in the running settings at once, and in the file when that can be
// written (a read-only file keeps working and is mended at a later start).
// Only the very value read is replaced, should another copy have changed it.
void HashPlainPassword(SettingRecord& setting) {
    if (setting.m_UnLockPwd.empty() || IsPasswordHash(setting.m_UnLockPwd))
        return;
    std::optional<std::string> hash = HashPassword(setting.m_UnLockPwd);
    if (!hash)
        return;
    const std::string plain = std::exchange(setting.m_UnLockPwd, std::move(*hash));
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("保存个人设置");
        db.Open();
        if (!db.IsReadOnly())
            db.Execute(SqlFormat("Update MySetting Set m_UnLockPwd='%s' Where m_UnLockPwd='%s'",
                                 setting.m_UnLockPwd, plain));
        db.Close();
    } catch (const DbError&) {
        // Nothing lost: the plain value still unlocks, and the next start tries again.
    }
}

} // namespace

void LoadSettings(SettingRecord& setting, Prompter& prompter) {
    bool passwordRead = false;
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("读取个人设置");
        db.Open();
        db.Execute("Select *  FROM  MySetting");
        if (db.IsEOF())
            db.Fail("数据库中没有个人设置记录（MySetting 表是空的），个人设置未能读取。");

        setting.m_UnLockPwd = db.GetCollect("m_UnLockPwd").AsString();
        passwordRead = true;
        // Switches converted from the old format store true as -1.
        setting.m_IsLock = db.GetCollect("m_IsLock").AsYesNo();
        setting.m_SmtpSelect = db.GetCollect("m_SmtpSelect").AsYesNo();
        setting.m_Email = db.GetCollect("m_Email").AsString();
        setting.m_UserName = db.GetCollect("m_UserName").AsString();
        setting.m_Password = db.GetCollect("m_Password").AsString();
        setting.m_ServerName = db.GetCollect("m_ServerName").AsString();
        if (setting.m_SmtpSelect == 1) {
            setting.m_Email = kBuiltInEmail;
            setting.m_UserName = kBuiltInUserName;
            setting.m_Password = kBuiltInPassword;
            setting.m_ServerName = kBuiltInServerName;
        }
        setting.m_AheadEmail = db.GetCollect("m_AheadEmail").AsYesNo();
        setting.m_AheadWnd = db.GetCollect("m_AheadWnd").AsYesNo();
        setting.m_DayEmail = db.GetCollect("m_DayEmail").AsYesNo();
        setting.m_DayWnd = db.GetCollect("m_DayWnd").AsYesNo();
        setting.m_EveryDay = db.GetCollect("m_EveryDay").AsYesNo();
        setting.m_AcceptEmail = db.GetCollect("m_AcceptEmail").AsString();
        db.Close();
    } catch (const DbError& e) {
        // The database object is gone by now: the file is closed before the
        // message waits for the user.
        prompter.Tell(e.what());
    }
    if (passwordRead)
        HashPlainPassword(setting);
}

void LoadSettings(Prompter& prompter) {
    LoadSettings(g_Setting, prompter);
}
