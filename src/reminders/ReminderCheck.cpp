#include "reminders/ReminderCheck.h"

#include "mail/MailQueue.h"
#include "mail/ReminderSink.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "reminders/BirthdayEvaluation.h"
#include "reminders/LoadReminderList.h"
#include "settings/BuiltInAccount.h"
#include "settings/Globals.h"
#include "storage/CAdoDatabase.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// Taken here on the GUI thread: the sender thread must not read g_Setting.
SenderAccount CurrentSender() {
    return {g_Setting.m_Email, SubmissionServer(g_Setting.m_ServerName), g_Setting.m_UserName,
            g_Setting.m_Password};
}

} // namespace

ReminderCheck::ReminderCheck(ReminderList& list, MailQueue& mail, ReminderSink& sink,
                             Prompter& prompter, const Clock& clock)
    : m_List(list), m_Mail(mail), m_Sink(sink), m_Prompter(prompter), m_Clock(clock) {}

void ReminderCheck::CheckReminders() {
    m_InTick = true;
    m_TickGaveUp = false;
    m_TickFailure.clear();
    SaveUnsavedStates();
    const DateTime today = m_Clock.Now();
    // Birthdays were worked out for the year the list was loaded in; a run
    // that goes on over New Year's needs this year's.
    if (m_List.loadedYear != 0 && today.IsValid() && m_List.loadedYear != today.Year()) {
        LoadReminderList(m_List, m_Clock, m_Prompter);
        RefreshIfShown();
    }
    const int everyDay = g_Setting.m_EveryDay;
    // By index: a list refresh during the walk must not leave us holding a
    // dangling iterator.
    for (std::size_t i = 0; i < m_List.size(); ++i) {
        ReminderRecord& record = m_List[i];
        AdvanceToNextBirthday(record, today);
        const int days = DaysUntilBirthday(record.birthdayThisYear, today);
        // Only state and ahead code change, so keep just those for the copy
        // a reminder needs; copying every record on every tick would be waste.
        std::string oldState = record.state;
        const int oldAhead = record.ahead;
        const Evaluation evaluation = Evaluate(record, days, everyDay);
        if (!evaluation.countdownReset && !evaluation.backToActive &&
            evaluation.action == ReminderAction::None)
            continue;

        ReminderRecord before = record;
        before.state = std::move(oldState);
        before.ahead = oldAhead;
        if (evaluation.countdownReset)
            UpdateReminderState(before.id, "", AheadCode::Fresh(AheadCode{oldAhead}.AheadDays()));
        if (evaluation.backToActive)
            UpdateReminderState(before.id, "生效", -1);
        if (evaluation.action == ReminderAction::None)
            continue;
        if (NoteReminded(before.id, days, today)) {
            IncrementBusyCount();
            FireReminder(before, days);
        } else {
            WriteRemindedState(before, days);
        }
    }
    m_InTick = false;
    // One redraw for the whole tick: with thousands of people due, redrawing
    // after each change would hold the window for seconds.
    if (m_RefreshDue) {
        m_RefreshDue = false;
        RefreshIfShown();
    }
    // A file that can only be read explains every failed write at once.
    if (const std::optional<std::string> notice = TakeReadOnlyNotice())
        m_Prompter.Tell(*notice);
    else if (!m_TickFailure.empty())
        m_Prompter.Tell(m_TickFailure + "\n提醒状态会在下次检查时再保存。");
}

void ReminderCheck::SaveUnsavedStates() {
    for (auto it = m_Unsaved.begin(); it != m_Unsaved.end();) {
        const auto record =
            std::find_if(m_List.begin(), m_List.end(),
                         [id = *it](const ReminderRecord& r) { return r.id == id; });
        if (record == m_List.end()) { // deleted, or no longer a reminder
            it = m_Unsaved.erase(it);
            continue;
        }
        try {
            CAdoDatabase db;
            db.SetConnectionString(g_ConnectionString);
            db.SetTask("保存提醒状态");
            db.Open();
            db.Execute(SqlFormat("Update TiXing Set m_State='%s',m_Ahead=%d Where ID=%d",
                                 record->state, record->ahead, record->id));
            db.Close();
            it = m_Unsaved.erase(it);
        } catch (const DbError&) {
            // Told when it first failed; the file is no better yet.
            m_TickGaveUp = true;
            return;
        }
    }
}

void ReminderCheck::UpdateReminderState(int id, const std::string& state, int aheadCode) {
    std::string sql;
    if (state.empty())
        sql = SqlFormat("Update TiXing Set m_Ahead=%d Where ID=%d", aheadCode, id);
    else if (aheadCode == -1)
        sql = SqlFormat("Update TiXing Set m_State='%s' Where ID=%d", state, id);
    else
        sql = SqlFormat("Update TiXing Set m_State='%s',m_Ahead=%d Where ID=%d", state, aheadCode,
                        id);
    if (m_InTick && m_TickGaveUp) {
        m_Unsaved.insert(id);
    } else {
        try {
            CAdoDatabase db;
            db.SetConnectionString(g_ConnectionString);
            db.SetTask("保存提醒状态");
            db.Open();
            db.Execute(sql);
            db.Close();
        } catch (const DbError& error) {
            m_Unsaved.insert(id);
            if (!m_InTick)
                m_Prompter.Tell(error.what());
            else if (!m_TickGaveUp)
                m_TickFailure = error.what();
            m_TickGaveUp = true;
        }
    }
    RefreshIfShown();
}

bool ReminderCheck::NoteReminded(int id, int days, const DateTime& today) {
    RemindedDays& reminded = m_Reminded[id];
    DateTime& day = days == 0 ? reminded.birthday : reminded.ahead;
    if (day == today.DateOnly())
        return false;
    day = today.DateOnly();
    return true;
}

void ReminderCheck::WriteRemindedState(const ReminderRecord& record, int days) {
    if (days == 0) {
        UpdateReminderState(record.id, "进行", -1);
    } else if (days > 0) {
        const AheadCode ahead{record.ahead};
        UpdateReminderState(
            record.id, "将到",
            AheadCode::Make(ahead.AheadDays(), g_Setting.m_EveryDay != 0 ? days - 1 : 0));
    }
}

void ReminderCheck::FireReminder(const ReminderRecord& record, int days) {
    DecrementBusyCount();
    RefreshIfShown();
    WriteRemindedState(record, days);

    const DateTime now = m_Clock.Now();
    // Without a known year of birth there is no age to tell, only the birthday.
    const bool yearKnown = record.birth.HasKnownYear();
    const std::string age = yearKnown ? AgeText(AgeThisYear(record, now)) : std::string();
    const std::string birth = record.birth.Format(yearKnown ? "%Y-%m-%d" : "%m-%d");
    const std::string bornText = record.name + "的出生日期是:" + record.calendar + birth;

    if (days == 0) {
        if (!record.title.empty())
            m_Mail.Enqueue({record.title, record.email, record.content, CurrentSender()});
        if (g_Setting.m_DayEmail == 1)
            m_Mail.Enqueue({record.name + "的" + age + "生日的提醒!", g_Setting.m_AcceptEmail,
                            bornText + "\r\n今天(阳历" + now.Format("%Y-%m-%d") + ")是他(她)的" +
                                age + "生日，特此提醒!",
                            CurrentSender()});
        if (g_Setting.m_DayWnd == 1) {
            IncrementBusyCount();
            m_Sink.OpenReminderPopup(record.sound, "生日提醒!",
                                     "今天是" + record.name + "的" + age +
                                         "生日！让我们一起祝他(她)生日快乐！");
        }
        return;
    }
    if (days < 0)
        return;

    const std::string thisYear = ThisYearText(record);
    if (g_Setting.m_AheadEmail == 1)
        m_Mail.Enqueue({record.name + "的" + age + "生日即将到!", g_Setting.m_AcceptEmail,
                        bornText + "\r\n阳历" + thisYear + "是他(她)的" + age + "生日，特此提醒!",
                        CurrentSender()});
    if (g_Setting.m_AheadWnd == 1) {
        IncrementBusyCount();
        m_Sink.OpenReminderPopup(record.sound, "生日提前提醒！",
                                 bornText + "。\r\n他(她)今年的" + age + "生日是:" + thisYear +
                                     "。还有" + std::to_string(days) + "天就要到了，请准备！");
    }
}

void ReminderCheck::RefreshIfShown() {
    if (m_InTick) {
        m_RefreshDue = true;
        return;
    }
    if (g_ActiveView == 0)
        m_Sink.RefreshReminderList();
}
