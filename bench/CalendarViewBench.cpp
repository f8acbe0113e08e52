// Switching the calendar view's month with 10,000 people in the database:
// from the month combo's change to the new texts, colours and tips pushed to
// the controls. Goal: at most 10 ms, so that holding an arrow key on the combo
// scrolls through the months smoothly. Runs without a display.
//
//   build/bench/annivo_bench_calendar_view

#include "PeopleGenerator.h"
#include "reminders/LoadReminderList.h"
#include "storage/CAdoDatabase.h"
#include "views/CAvCalendar.h"

#include <QApplication>
#include <QComboBox>
#include <benchmark/benchmark.h>

namespace {

constexpr std::size_t kPeople = 10000;

const FixedNow kNow{DateTime(2011, 1, 15, 9, 30)};

void BM_SwitchTheShownMonth(benchmark::State& state) {
    const PeopleDirectory people(kPeople);
    const FixedNow& clock = kNow;
    CountingPrompter prompter;
    g_ConnectionString = people.Database();
    ReminderList reminders;
    LoadReminderList(reminders, clock, prompter);
    CAvCalendar view(reminders, clock, prompter, people.Database());
    view.resize(800, 600);
    view.show();
    QCoreApplication::processEvents();
    int month = 0;
    for (auto _ : state) {
        month = (month + 1) % 12;
        view.MonthCombo()->setCurrentIndex(month);
    }
    if (prompter.told > 0)
        state.SkipWithError("the refresh reported a database error");
    state.counters["reminders"] = static_cast<double>(reminders.size());
}

} // namespace

BENCHMARK(BM_SwitchTheShownMonth)->Unit(benchmark::kMillisecond);
