// Publishing the birthdays of 1,000 people with reminding on, 10 years each,
// to a local Radicale (Debian's radicale) with a password file: the first
// publish, which sends every event (100 people too, to see how the time
// grows). Each iteration starts a fresh server.
//
//   build/bench/annivo_bench_caldav

#include "PeopleGenerator.h"
#include "RadicaleServer.h"
#include "exchange/CalDavPublish.h"
#include "storage/DatabaseSeed.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void BM_PublishCalendar(benchmark::State& state) {
    namespace fs = std::filesystem;
    const TempDir directory;
    const std::string database = (directory.Path() / "data.db").string();
    CreateDatabaseFromSeed(database);
    std::vector<GeneratedPerson> people = GeneratePeople(static_cast<std::size_t>(state.range(0)));
    for (GeneratedPerson& person : people) {
        person.isValid = 1; // every one of them published
        person.state = "生效";
    }
    InsertPeople(database, people);

    PublishResult result;
    for (auto _ : state) {
        state.PauseTiming();
        const RadicaleServer server;
        const TempDir data;
        CalendarPublishRequest request;
        request.account = {server.CalendarUrl(), RadicaleServer::kUser, RadicaleServer::kPassword};
        request.years = 10;
        state.ResumeTiming();
        result = PublishCalendar(database, request, DateTime(2026, 3, 1, 9, 0, 0), data.Path());
        state.PauseTiming();
        if (!result.ok) {
            state.SkipWithError(result.message.c_str());
            break;
        }
        state.ResumeTiming();
    }
    state.counters["events"] = static_cast<double>(result.counts.added);
}
// Radicale looks through the whole collection for a clash of UIDs before it
// stores a new event, so its time per event grows with the calendar.
BENCHMARK(BM_PublishCalendar)->Arg(100)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
