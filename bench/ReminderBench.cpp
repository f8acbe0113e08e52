// One reminder check over 10,000 people of whom nobody is due: the work the
// timer does every 20 seconds all day long. Goal: at most 2 ms per tick.
//
//   build/bench/annivo_bench_reminders

#include "PeopleGenerator.h"
#include "mail/MailQueue.h"
#include "mail/ReminderSink.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "reminders/BirthdayEvaluation.h"
#include "reminders/ReminderCheck.h"
#include "settings/Globals.h"

#include <benchmark/benchmark.h>

namespace {

const FixedNow kNow{DateTime(2011, 9, 12, 10, 0, 0)};

class SilentSink final : public ReminderSink {
public:
    void OpenReminderPopup(const std::string&, const std::string&, const std::string&) override {}
    void RefreshReminderList() override {}
    void WriteHint(const std::string&) override {}
    void PostToMainThread(std::function<void()>) override {}
};

// People whose birthdays lie outside their windows (before today, or more
// than their ahead days away), with every state and calendar mixed in.
ReminderList QuietPeople(int count, const Clock& clock) {
    const char* states[] = {"生效", "生效", "生效", "失效", "将到"};
    ReminderList list;
    list.reserve(count);
    const DateTime today = clock.Now();
    for (int i = 0; i < count; ++i) {
        ReminderRecord r;
        r.id = i + 1;
        r.state = states[i % 5];
        r.name = "联系人" + std::to_string(i);
        r.calendar = i % 3 == 0 ? "阴历" : "阳历";
        r.sound = "HAPPYBIRTHDAY";
        const int n = i % 8;
        r.ahead = AheadCode::Fresh(n);
        // More than n days ahead, or up to half a year passed (all within 2011).
        const int offset = i % 2 == 0 ? n + 1 + i % 90 : -(1 + i % 180);
        const DateTime day = today.AddDays(offset);
        r.birth = DateTime(1950 + i % 60, day.Month(), day.Day(), 23, 59, 59);
        r.birthdayThisYear = DateTime(day.Year(), day.Month(), day.Day(), 23, 59, 59);
        r.email = "person" + std::to_string(i) + "@example.com";
        r.title = "生日快乐";
        r.content = "祝你生日快乐，身体健康，万事如意！";
        list.push_back(std::move(r));
    }
    return list;
}

void BM_CheckRemindersNothingDue(benchmark::State& state) {
    const FixedNow& clock = kNow;
    SilentSink sink;
    CountingPrompter prompter;
    MailQueue mail(sink);
    ReminderList list = QuietPeople(static_cast<int>(state.range(0)), clock);
    g_Setting.m_EveryDay = 1;
    g_Setting.m_AheadWnd = g_Setting.m_AheadEmail = g_Setting.m_DayWnd = g_Setting.m_DayEmail = 1;
    ReminderCheck check(list, mail, sink, prompter, clock);
    // The first tick puts back the states and countdowns of birthdays already
    // past, writing each to the database; the ticks after it are the steady
    // state the timer repeats all day.
    check.CheckReminders();
    for (auto _ : state)
        check.CheckReminders();
    if (BusyCount() != 0)
        state.SkipWithError("something fired");
}
BENCHMARK(BM_CheckRemindersNothingDue)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
