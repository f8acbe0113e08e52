#include "app/LoadSettings.h"

#include "app/BuiltInAccount.h"
#include "platform/Prompter.h"
#include "reminders/CAdoDatabase.h"

void LoadSettings(SettingRecord& setting, Prompter& prompter) {
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("读取个人设置");
        db.Open();
        db.Execute("Select *  FROM  MySetting");
        if (db.IsEOF())
            db.Fail("数据库中没有个人设置记录（MySetting 表是空的），个人设置未能读取。");

        setting.m_UnLockPwd = db.GetCollect("m_UnLockPwd").AsString();
        setting.m_IsLock = db.GetCollect("m_IsLock").AsInt();
        setting.m_SmtpSelect = db.GetCollect("m_SmtpSelect").AsInt();
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
}

void LoadSettings(Prompter& prompter) {
    LoadSettings(g_Setting, prompter);
}
