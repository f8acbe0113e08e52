// Writing 10,000 contacts as a vCard file and reading such a file into a
// fresh database. Goals: export at most 0.5 s, import at most 1 s.
//
//   build/bench/annivo_bench_vcard

#include "PeopleGenerator.h"
#include "exchange/VCardExchange.h"
#include "storage/CAdoDatabase.h"

#include <benchmark/benchmark.h>

namespace {

// The generated people with every address-book field filled, as a phone's
// contacts would be.
std::string FilledDatabase(const PeopleDirectory& people) {
    CAdoDatabase db(people.Database());
    db.Open();
    db.Execute("Update TiXing Set m_QQ='12345678',m_Company='北京某某科技有限公司',"
               "m_Department='研发部',m_Position='工程师',m_CompTel='010-62345678',"
               "m_CompAddr='北京市海淀区中关村大街1号某某大厦12层',m_Fax='010-62345679',"
               "m_HomeTel='010-81234567',m_HomeAddr='北京市朝阳区某某小区3号楼2单元501'");
    db.Close();
    return people.Database();
}

void BM_ExportVCard(benchmark::State& state) {
    const PeopleDirectory people(static_cast<std::size_t>(state.range(0)));
    const std::string database = FilledDatabase(people);
    const std::string file =
        (std::filesystem::path(database).parent_path() / "contacts.vcf").string();
    for (auto _ : state) {
        const VCardOutcome outcome = ExportVCardFile(file, database);
        if (outcome.exitCode != 0)
            state.SkipWithError(outcome.message.c_str());
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_ExportVCard)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ImportVCard(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const PeopleDirectory source(count);
    const std::string database = FilledDatabase(source);
    const std::filesystem::path work = std::filesystem::path(database).parent_path();
    const std::string file = (work / "contacts.vcf").string();
    if (ExportVCardFile(file, database).exitCode != 0)
        state.SkipWithError("the export failed");
    // Each round reads into an empty table, as a new user's first import.
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::filesystem::path directory = work / std::to_string(++round);
        std::filesystem::create_directories(directory);
        const std::string target = MakePeopleDatabase(directory, 0);
        state.ResumeTiming();
        const VCardOutcome outcome = ImportVCardFile(file, target);
        if (outcome.added != count) {
            state.SkipWithError(outcome.message.c_str());
            break;
        }
    }
}
BENCHMARK(BM_ImportVCard)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
