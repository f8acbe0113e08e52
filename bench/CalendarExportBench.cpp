// Writing the birthdays of 10,000 people with reminding on, 10 years each,
// to a calendar file (about a third lunar). Goal: at most 1 s.
//
//   build/bench/annivo_bench_calendar_export

#include "PeopleGenerator.h"
#include "exchange/CalendarExport.h"
#include "storage/DatabaseSeed.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void BM_ExportCalendar(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path directory = fs::temp_directory_path() / "annivo-bench-calendar";
    fs::remove_all(directory);
    fs::create_directories(directory);
    const std::string database = (directory / "data.db").string();
    CreateDatabaseFromSeed(database);
    std::vector<GeneratedPerson> people = GeneratePeople(static_cast<std::size_t>(state.range(0)));
    for (GeneratedPerson& person : people)
        person.isValid = 1; // every one of them exported
    InsertPeople(database, people);

    CalendarExportRequest request;
    request.file = directory / "birthdays.ics";
    request.years = 10;
    CalendarExportResult result;
    for (auto _ : state) {
        result = ExportCalendarFile(database, request, DateTime(2026, 3, 1, 9, 0, 0));
        if (!result.ok) {
            state.SkipWithError(result.message.c_str());
            break;
        }
    }
    state.counters["events"] = static_cast<double>(result.events);
    state.counters["bytes"] = static_cast<double>(fs::file_size(request.file));
    fs::remove_all(directory);
}
BENCHMARK(BM_ExportCalendar)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
