// Loading the reminder list from a data.db of 10,000 people (about 8,000 of
// them reminders), the way start-up and every list reload do it. Goal: at
// most 50 ms per load.
//
// Opening and closing the file, which every operation does (the tables are
// checked and the journal mode asked each time). Goal: about 1 ms.
//
// A write while another copy holds the write lock: the window's thread gives
// up after about 2 s (it used to wait 10 s per statement).
//
//   build/bench/annivo_bench_storage

#include "PeopleGenerator.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "reminders/LoadReminderList.h"
#include "storage/CAdoDatabase.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

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

void BM_OpenAndClose(benchmark::State& state) {
    const PeopleDirectory people(100);
    for (auto _ : state) {
        CAdoDatabase db(people.Database());
        db.Open();
        db.Close();
    }
}
BENCHMARK(BM_OpenAndClose)->Unit(benchmark::kMicrosecond);

void BM_WriteToALockedFile(benchmark::State& state) {
    const PeopleDirectory people(100);
    sqlite3* other = nullptr;
    sqlite3_open(people.Database().c_str(), &other);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    bool failed = true;
    for (auto _ : state) {
        try {
            CAdoDatabase db(people.Database());
            db.Open();
            db.Execute("Update TiXing Set m_Ahead=33 Where ID=1");
            failed = false;
        } catch (const DbError&) {
        }
    }
    sqlite3_close(other);
    if (!failed)
        state.SkipWithError("the write went through the lock");
}
BENCHMARK(BM_WriteToALockedFile)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
