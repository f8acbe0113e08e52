// Loading the reminder list from a data.db of 10,000 people (about 8,000 of
// them reminders), the way start-up and every list reload do it. Goal: at
// most 50 ms per load.
//
//   build/bench/annivo_bench_storage

#include "PeopleGenerator.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "reminders/CAdoDatabase.h"
#include "reminders/LoadReminderList.h"

#include <benchmark/benchmark.h>

namespace {

const FixedNow kNow{DateTime(2011, 9, 9, 10, 0, 0)};

void BM_LoadReminderList(benchmark::State& state) {
    const PeopleDirectory people(static_cast<std::size_t>(state.range(0)));
    g_ConnectionString = people.Database();
    const FixedNow& clock = kNow;
    CountingPrompter prompter;
    ReminderList list;
    for (auto _ : state) {
        LoadReminderList(list, clock, prompter);
        benchmark::DoNotOptimize(list.data());
    }
    if (prompter.told > 0)
        state.SkipWithError("the load reported a database error");
    state.counters["reminders"] = static_cast<double>(list.size());
}
BENCHMARK(BM_LoadReminderList)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
