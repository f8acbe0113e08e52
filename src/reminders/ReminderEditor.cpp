#include "reminders/ReminderEditor.h"

#include "calendar/LunarBirthDate.h"
#include "platform/Prompter.h"
#include "reminders/BirthdayEvaluation.h"
#include "storage/CAdoDatabase.h"

const char* const kBlessings[6] = {
    "在这个属于你最灿烂的日子里，我诚挚的送上一句最古老但又是最新鲜出炉的生日祝福：生日快乐！终身"
    "美丽！ ",
    "祝福加祝福是很多个祝福，祝福减祝福是祝福的起点，祝福乘祝福是无限个祝福，祝福除祝福是唯一的祝"
    "福，祝福你生日快乐！",
    "但愿我寄予您的祝福是最新鲜最令你百读不厌的，祝福您生日快乐，开心快活！",
    "愿我的祝福萦绕你，在你缤纷的人生之旅，在你飞翔的彩虹天空里。祝：生日快乐！天天好心情！永远靓"
    "丽！ ",
    "用我满怀的爱，祝你生日快乐，是你使我的生活有了意义，我对你的情无法用言语表达，想与你共度生命"
    "每一天。 ",
    "愿你的生日充满无穷的快乐，愿你今天的回忆温馨，愿你今天的梦想甜美，愿你这一年称心如意！",
};

const char* const kDefaultBlessing =
    "想念的话，说也说不完，关怀的心，永远不改变。一串真挚的祝福，一个不平凡的心意，衷心地祝愿你生"
    "日快乐！";

const char* const kMusicFileFilter = "音乐文件 (*.wav *.mid *.midi *.mp3)";

ReminderForm NewReminderForm(const DateTime& today) {
    ReminderForm form;
    // Today in the calendar the form starts with, so that it is today's date
    // the lunar entry shows.
    const BirthDate lunarToday = LunarOfGregorian(today.DateOnly());
    form.birth = lunarToday.IsValid() ? lunarToday : BirthDate(today.DateOnly());
    return form;
}

MusicChoice MusicChoiceFor(const std::string& soundPath) {
    if (soundPath == kBuiltInMusic)
        return MusicChoice::BuiltIn;
    return soundPath.empty() ? MusicChoice::None : MusicChoice::OwnFile;
}

ReminderForm EditReminderForm(int id, const std::string& name, const std::string& shownState,
                              bool lunar, const BirthDate& birth, Prompter& prompter) {
    ReminderForm form;
    form.editMode = true;
    form.id = id;
    form.name = form.oldName = name;
    form.state = shownState;
    form.stateIndex = shownState == "失效" ? 1 : 0;
    form.calendar = lunar ? CalendarChoice::Lunar : CalendarChoice::Gregorian;
    form.birth = birth;
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("读取" + name + "的资料");
        db.Open();
        db.Execute(SqlFormat("select * from TiXing Where m_Name='%s'", name));
        if (db.GetRecordCount() > 0) {
            form.email = db.GetCollect("m_Email").AsString();
            form.soundPath = db.GetCollect("m_SoundPath").AsString();
            form.title = db.GetCollect("m_Title").AsString();
            form.content = db.GetCollect("m_Content").AsString();
            form.mobile = db.GetCollect("m_Mobile").AsString();
            // Read as the reminders read it, so a code the program cannot
            // have written offers the days the reminders act on.
            form.aheadDays =
                AheadCode{AheadCode::InRange(db.GetCollect("m_Ahead").AsInt())}.AheadDays();
        }
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
    }
    form.music = MusicChoiceFor(form.soundPath);
    form.blessing = form.title.empty() ? BlessingChoice::Off : BlessingChoice::On;
    return form;
}

void ChooseMusic(ReminderForm& form, MusicChoice choice) {
    form.music = choice;
    if (choice == MusicChoice::None)
        form.soundPath.clear();
    else if (choice == MusicChoice::BuiltIn)
        form.soundPath = kBuiltInMusic;
}

bool ChooseMusicFile(ReminderForm& form, Prompter& prompter) {
    const std::string path = prompter.ChooseOpenFile("打开", kMusicFileFilter, "");
    if (path.empty())
        return false;
    form.music = MusicChoice::OwnFile;
    form.soundPath = path;
    return true;
}

std::string ReadUserNickname(Prompter& prompter) {
    std::string nickname;
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("读取个人设置");
        db.Open();
        db.Execute("select * from MySetting");
        if (db.GetRecordCount() > 0)
            nickname = db.GetCollect("m_Name").AsString();
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
    }
    return nickname;
}

void SwitchBlessingOn(ReminderForm& form, const std::string& nickname) {
    form.blessing = BlessingChoice::On;
    form.title = "来自" + nickname + "的生日祝福！";
    if (form.content.empty())
        form.content = kDefaultBlessing;
}

void SwitchBlessingOff(ReminderForm& form) {
    form.blessing = BlessingChoice::Off;
    form.title.clear();
    form.content.clear();
}

std::string BirthDateLiteral(const BirthDate& birth) {
    return birth.Format("#%Y-%m-%d 23:59:59#");
}

std::string AheadCodeText(int aheadDays) {
    const std::string digit = std::to_string(aheadDays);
    return digit + digit;
}

const char* StateText(int stateIndex) {
    return stateIndex == 1 ? "失效" : "生效";
}

const char* CalendarText(CalendarChoice calendar) {
    return calendar == CalendarChoice::Lunar ? "阴历" : "阳历";
}

SaveOutcome SaveReminder(const ReminderForm& form, Prompter& prompter) {
    if (!form.birth.IsValid()) {
        prompter.Tell("请选择出生日期。");
        return SaveOutcome::NoBirthDate;
    }
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("保存" + form.name + "的生日提醒");
        db.Open();
        if (form.editMode)
            db.Execute(SqlFormat("Select * from TiXing Where m_Name='%s' And m_Name<>'%s'",
                                 form.name, form.oldName));
        else
            db.Execute(SqlFormat("select * from TiXing Where m_Name='%s'", form.name));
        if (db.GetRecordCount() > 0) {
            db.Close();
            prompter.Tell("该姓名已存在!请确认", "错误", PromptIcon::Error);
            return SaveOutcome::NameTaken;
        }
        const std::string date = BirthDateLiteral(form.birth);
        const std::string ahead = AheadCodeText(form.aheadDays);
        const std::string state = StateText(form.stateIndex);
        const std::string calendar = CalendarText(form.calendar);
        if (form.editMode && form.birthChanged)
            db.Execute(
                SqlFormat("Update TiXing Set m_State='%s',m_Name='%s',m_Date=%s,m_DateStatus='%s',"
                          "m_SoundPath='%s',m_Email='%s',m_Title='%s',m_Content='%s',m_Ahead=%s,"
                          "m_Mobile='%s' Where ID=%d",
                          state, form.name, date, calendar, form.soundPath, form.email, form.title,
                          form.content, ahead, form.mobile, form.id));
        else if (form.editMode)
            db.Execute(SqlFormat("Update TiXing Set m_State='%s',m_Name='%s',m_DateStatus='%s',"
                                 "m_SoundPath='%s',m_Email='%s',m_Title='%s',m_Content='%s',"
                                 "m_Ahead=%s,m_Mobile='%s' Where ID=%d",
                                 state, form.name, calendar, form.soundPath, form.email, form.title,
                                 form.content, ahead, form.mobile, form.id));
        else
            db.Execute(SqlFormat(
                "InSert InTo TiXing(m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,m_Email,"
                "m_Title,m_Content,m_Ahead,m_Mobile)Values('%s','%s',%s,'%s','%s','%s','%s','%s',"
                "%s,'%s')",
                state, form.name, date, calendar, form.soundPath, form.email, form.title,
                form.content, ahead, form.mobile));
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}
