#pragma once
// The reminder engine: one check over the reminder list on every timer tick,
// the state writes and the reminders themselves (pop-ups and mails).

#include "reminders/ReminderRecord.h"

#include <string>

class Clock;
class MailQueue;
class Prompter;
class ReminderSink;

class ReminderCheck {
public:
    // All five outlive the check (the main frame owns them).
    ReminderCheck(ReminderList& list, MailQueue& mail, ReminderSink& sink, Prompter& prompter,
                  const Clock& clock);

    // One tick: evaluates every person in list order, writes what changed and
    // fires the reminders that are due.
    void CheckReminders();

    // Writes the state (empty: keep) and the ahead code (-1: keep) of one
    // row, then refreshes the list view when it is shown.
    void UpdateReminderState(int id, const std::string& state, int aheadCode);

    // One person's reminders; `record` as it was before this tick changed it,
    // `days` to go (0: today). Balances the busy count raised before the call.
    void FireReminder(const ReminderRecord& record, int days);

private:
    void RefreshIfShown();

    ReminderList& m_List;
    MailQueue& m_Mail;
    ReminderSink& m_Sink;
    Prompter& m_Prompter;
    const Clock& m_Clock;
};
