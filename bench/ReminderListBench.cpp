// The reminder list view with 10,000 people: one refresh (rows rebuilt from
// the reminder list and the visible rows painted) and one header click
// (sort and paint). Goals: refresh at most 30 ms, header sort at most 50 ms.
//
//   QT_QPA_PLATFORM=offscreen build/bench/annivo_bench_reminder_list

#include "PeopleGenerator.h"
#include "controls/CSortListCtrl.h"
#include "platform/Clock.h"
#include "reminders/CAnnivoView.h"
#include "reminders/LoadReminderList.h"
#include "reminders/ReminderListRows.h"
#include "storage/CAdoDatabase.h"

#include <QApplication>
#include <QHeaderView>
#include <benchmark/benchmark.h>

namespace {

const FixedNow kNow{DateTime(2011, 9, 9, 10, 0, 0)};

// 10,000 reminders of generated people, as the list holds them after a load.
ReminderList TenThousandReminders(CountingPrompter& prompter) {
    const PeopleDirectory people(12'500); // about four in five are reminders
    g_ConnectionString = people.Database();
    ReminderList list;
    LoadReminderList(list, kNow, prompter);
    list.resize(std::min<std::size_t>(list.size(), 10'000));
    return list;
}

struct ShownList {
    explicit ShownList(ReminderList& list) : view(list, clock, prompter, [] {}) {
        view.resize(760, 520);
        view.show();
        QApplication::processEvents();
    }
    void Paint() { view.List()->viewport()->repaint(); }

    const FixedNow& clock = kNow;
    CountingPrompter prompter;
    CAnnivoView view;
};

void BM_RefreshReminderList(benchmark::State& state) {
    CountingPrompter prompter;
    ReminderList list = TenThousandReminders(prompter);
    ShownList shown(list);
    for (auto _ : state) {
        shown.view.Refresh();
        shown.Paint();
    }
    if (prompter.told > 0 || shown.view.List()->GetItemCount() != 10'000)
        state.SkipWithError("the list is not the 10,000 people it should be");
}
BENCHMARK(BM_RefreshReminderList)->Unit(benchmark::kMillisecond);

// Each iteration is one click on a header: the column's direction flips, so
// every sort is a real reordering.
void BM_HeaderSort(benchmark::State& state) {
    CountingPrompter prompter;
    ReminderList list = TenThousandReminders(prompter);
    ShownList shown(list);
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        shown.view.List()->SortByColumn(column);
        shown.Paint();
    }
    if (prompter.told > 0)
        state.SkipWithError("the load reported a database error");
}
BENCHMARK(BM_HeaderSort)
    ->Arg(kColumnName)
    ->Arg(kColumnState)
    ->Arg(kColumnThisYear)
    ->Unit(benchmark::kMillisecond);

} // namespace
