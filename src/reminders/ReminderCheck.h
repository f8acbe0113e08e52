#pragma once
// The reminder engine: one check over the reminder list on every timer tick,
// the state writes and the reminders themselves (pop-ups and mails).

#include "storage/ReminderRecord.h"

#include <map>
#include <set>
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

    // One tick: first saves the states earlier ticks could not, then
    // evaluates every person in list order, writes what changed and fires
    // the reminders that are due. All failed writes of a tick make one
    // message at its end, and only when something new could not be saved;
    // after the first failure the tick waits for the file no more.
    // A person is reminded at most once a day of each kind (ahead, on the
    // day) in a run, whatever reloads of the list brought back: a reminder
    // already given today only has its state written again.
    void CheckReminders();

    // Writes the state (empty: keep) and the ahead code (-1: keep) of one
    // row, then refreshes the list view when it is shown. A row that could
    // not be written is saved again, as it then stands in the list, at the
    // next tick.
    void UpdateReminderState(int id, const std::string& state, int aheadCode);

    // One person's reminders; `record` as it was before this tick changed it,
    // `days` to go (0: today). Balances the busy count raised before the call.
    void FireReminder(const ReminderRecord& record, int days);

private:
    void RefreshIfShown();
    void SaveUnsavedStates();
    // The state write that goes with a reminder ("进行", or "将到" with the
    // countdown lowered).
    void WriteRemindedState(const ReminderRecord& record, int days);
    // Notes the reminder as given today; false when it was given already.
    bool NoteReminded(int id, int days, const DateTime& today);

    // Per row ID: the day its ahead reminder and its birthday reminder were
    // last given in this run. Kept apart from the list, which every reload
    // replaces with what the file says (an edit resets the state, a state not
    // saved yet is read back as it was).
    struct RemindedDays {
        DateTime ahead;
        DateTime birthday;
    };
    std::map<int, RemindedDays> m_Reminded;

    // Rows whose state in the list is not in the file yet.
    std::set<int> m_Unsaved;
    bool m_InTick = false;
    bool m_RefreshDue = false; // the list changed during the tick
    bool m_TickGaveUp = false; // a write of this tick failed: the rest wait for the next
    std::string m_TickFailure; // the first new failure of this tick

    ReminderList& m_List;
    MailQueue& m_Mail;
    ReminderSink& m_Sink;
    Prompter& m_Prompter;
    const Clock& m_Clock;
};
