// Backing up 10,000 people to a workbook and restoring them into a fresh
// database. Goals: export at most 1 s, import at most 1 s.
//
//   build/bench/annivo_bench_exchange

#include "PeopleGenerator.h"
#include "exchange/TableExchange.h"
#include "storage/CAdoDatabase.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Export(benchmark::State& state) {
    const PeopleDirectory people(static_cast<std::size_t>(state.range(0)));
    g_ConnectionString = people.Database();
    const std::string file =
        (std::filesystem::path(people.Database()).parent_path() / "backup.xlsx").string();
    for (auto _ : state) {
        const ExchangeOutcome outcome = ExportTable(file);
        if (outcome.result != ExchangeOutcome::Result::Done)
            state.SkipWithError(outcome.message.c_str());
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_Export)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Import(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    const PeopleDirectory source(rows);
    g_ConnectionString = source.Database();
    const std::filesystem::path work = std::filesystem::path(source.Database()).parent_path();
    const std::string file = (work / "backup.xlsx").string();
    if (ExportTable(file).result != ExchangeOutcome::Result::Done)
        state.SkipWithError("the export failed");
    // Each round restores into an empty table, as after a new installation.
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::filesystem::path directory = work / std::to_string(++round);
        std::filesystem::create_directories(directory);
        g_ConnectionString = MakePeopleDatabase(directory, 0);
        state.ResumeTiming();
        const ExchangeOutcome outcome = ImportTable(file);
        if (outcome.rows != rows) {
            state.SkipWithError(outcome.message.c_str());
            break;
        }
    }
}
BENCHMARK(BM_Import)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
