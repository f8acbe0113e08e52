// One refresh of the calendar's month sheet (FillMonth + FillCellTexts) on the
// shipped database with 10,000 people in it: reading the people from the
// table, and taking them from the reminder list in memory as the calendar
// view does. The last benchmark is the floor under the first: SQLite alone
// stepping through the birthday query.
//
//   build/bench/annivo_bench_month_sheet

#include "PeopleGenerator.h"
#include "calendar/CMonthSheet.h"
#include "reminders/LoadReminderList.h"
#include "storage/CAdoDatabase.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sqlite3.h>

namespace {

constexpr std::size_t kPeople = 10000;

const FixedNow kNow{DateTime(2011, 1, 15, 9, 30)};

void BM_FillMonthWithTenThousandPeople(benchmark::State& state) {
    const PeopleDirectory people(kPeople);
    const FixedNow& clock = kNow;
    CountingPrompter prompter;
    CMonthSheet sheet(clock, prompter, people.Database());
    for (auto _ : state) {
        sheet.FillMonth(2011, 1);
        sheet.FillCellTexts(2011, 1, FestivalOptions{});
        benchmark::DoNotOptimize(sheet.Labels().data());
    }
    if (prompter.told > 0)
        state.SkipWithError("the load reported a database error");
    state.counters["festival_entries"] = static_cast<double>(sheet.Festivals().size());
}

// The calendar view's refresh: birthdays taken from the reminder list the
// program already holds in memory.
void BM_FillMonthFromTheReminderList(benchmark::State& state) {
    const PeopleDirectory people(kPeople);
    const FixedNow& clock = kNow;
    CountingPrompter prompter;
    g_ConnectionString = people.Database();
    ReminderList reminders;
    LoadReminderList(reminders, clock, prompter);
    CMonthSheet sheet(clock, prompter, people.Database());
    sheet.TakeBirthdaysFrom(&reminders);
    int month = 0;
    for (auto _ : state) {
        month = month % 12 + 1;
        sheet.FillMonth(2011, month);
        sheet.FillCellTexts(2011, month, FestivalOptions{});
        benchmark::DoNotOptimize(sheet.Labels().data());
    }
    if (prompter.told > 0)
        state.SkipWithError("the load reported a database error");
    state.counters["reminders"] = static_cast<double>(reminders.size());
}

void BM_SqliteAloneStepsThroughTheBirthdayQuery(benchmark::State& state) {
    const PeopleDirectory people(kPeople);
    sqlite3* db = nullptr;
    sqlite3_open_v2(people.Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "Select * from TiXing Where m_IsVailid=1 Order By m_Date", -1,
                           &statement, nullptr);
        std::size_t bytes = 0;
        while (sqlite3_step(statement) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(statement); ++c)
                bytes += sqlite3_column_bytes(statement, c);
        sqlite3_finalize(statement);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
}

} // namespace

BENCHMARK(BM_FillMonthWithTenThousandPeople)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillMonthFromTheReminderList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteAloneStepsThroughTheBirthdayQuery)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
