// Start-up's reading of a 50 MB annivo.ini: the start-up settings, then the
// festival switches the calendar reads when it is the first view. Goal: the
// file is parsed once, so this costs about one read and parse of the file.
//
//   build/bench/annivo_bench_profile

#include "app/Startup.h"
#include "calendar/CMonthSheet.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"
#include "platform/WholeFile.h"

#include "TempDir.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

// Many sections of Chinese keys and values, the program's own sections last,
// so every lookup walks the whole file.
std::string FiftyMegabyteProfile() {
    constexpr std::size_t kSize = 50u * 1024 * 1024;
    std::string text;
    text.reserve(kSize + 4096);
    for (int line = 0; text.size() < kSize; ++line) {
        if (line % 1000 == 0)
            text += Utf8ToGb18030("[分组" + std::to_string(line / 1000) + "]") + "\r\n";
        text += Utf8ToGb18030("联系人" + std::to_string(line) + "=张三李四王五 生日快乐 " +
                              std::to_string(line * 7919)) +
                "\r\n";
    }
    text += "[Settings]\r\nRunOnce=0\r\nAutoUpdate=1\r\nActiveView=1\r\n"
            "[Version]\r\nUrlPath=http://127.0.0.1/\r\n[Festival]\r\n24Fest=1\r\nBirthday=0\r\n";
    return text;
}

void BM_StartupProfileReading(benchmark::State& state) {
    TempDir program;
    setenv("ANNIVO_HOME", program.Path().c_str(), 1);
    const std::string bytes = FiftyMegabyteProfile();
    const std::filesystem::path path = program.Path() / "annivo.ini";
    if (!ReplaceWholeFile(path, bytes))
        state.SkipWithError("cannot write annivo.ini");
    // As at a real start, the file was last written a while ago.
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) -
                                               std::chrono::hours(1));
    for (auto _ : state) {
        // As CAnnivoApp::InitInstance does.
        const SharedProfileReading readOnce;
        ReadStartupSettings();
        benchmark::DoNotOptimize(ReadFestivalOptions());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    unsetenv("ANNIVO_HOME");
}
BENCHMARK(BM_StartupProfileReading)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
