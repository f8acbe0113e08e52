// A 16 MB update file from a server on 127.0.0.1 through the 512-byte block
// loop with its stop check and progress, into the program directory. Goal:
// the loop is not what limits a download: at least 100 MB/s on loopback.
//
//   build/bench/annivo_bench_update

#include "update/UpdateCheck.h"

#include "HttpTestServer.h"
#include "TempDir.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>

namespace {

class QuietObserver final : public DownloadObserver {
public:
    void Status(const std::string&) override {}
    void FileBegun(std::size_t, std::int64_t) override {}
    void Progress(std::size_t, std::int64_t, std::int64_t) override { ++updates; }
    int updates = 0;
};

void BM_DownloadUpdateFile(benchmark::State& state) {
    constexpr std::size_t kSize = 16 * 1024 * 1024;
    TempDir program;
    setenv("ANNIVO_HOME", program.Path().c_str(), 1);
    HttpTestServer server;
    server.Serve("/u/big.bin", {200, std::string(kSize, 'u')});
    const std::vector<UpdateFile> files = {{"k", "big.bin", "", "big.bin", "", ""}};
    std::atomic<int> dialogState{0};
    QuietObserver observer;
    for (auto _ : state) {
        const DownloadResult result = DownloadUpdateFiles(server.Url("/u/"), files, observer,
                                                          [&] { return dialogState == 1; });
        if (result.outcome != StepOutcome::Done)
            state.SkipWithError(result.message.c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
    state.counters["progress posts per file"] =
        static_cast<double>(observer.updates) / static_cast<double>(state.iterations());
    unsetenv("ANNIVO_HOME");
}
BENCHMARK(BM_DownloadUpdateFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
