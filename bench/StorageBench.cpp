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
#include <unistd.h>

namespace {

class FixedNow final : public Clock {
public:
    DateTime Now() const override { return DateTime(2011, 9, 9, 10, 0, 0); }
};

// Any message would mean the load failed; the benchmark then reports it.
class CountingPrompter final : public Prompter {
public:
    int told = 0;
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
        ++told;
        return PromptAnswer::Ok;
    }
    std::string ChooseOpenFile(const std::string&, const std::string&,
                               const std::string&) override {
        return {};
    }
    std::string ChooseSaveFile(const std::string&, const std::string&,
                               const std::string&) override {
        return {};
    }
};

class PeopleDirectory {
public:
    explicit PeopleDirectory(std::size_t count)
        : m_Path(std::filesystem::temp_directory_path() /
                 ("annivo-bench-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(m_Path);
        std::filesystem::create_directories(m_Path);
        g_ConnectionString = MakePeopleDatabase(m_Path, count);
    }
    ~PeopleDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }

private:
    std::filesystem::path m_Path;
};

void BM_LoadReminderList(benchmark::State& state) {
    const PeopleDirectory people(static_cast<std::size_t>(state.range(0)));
    const FixedNow clock;
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
