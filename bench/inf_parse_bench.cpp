// Parsing a 20 MB UTF-16LE driver INF with PerInfFile, against `iconv -f UTF-16LE -t CP1252 | grep -c`
// on it: the outside pipeline converts the whole file and scans every line, as the parser must. The
// byte-order mark is cut off first (tail -c +3), as iconv cannot put it into the code page.
//
//   BENCH_INPUTS=DIR inf_parse_bench [benchmark options]   (DIR/large.inf, made by bench/run)
#include <benchmark/benchmark.h>

#include <string>

#include "bench_support.h"
#include "drvsetup/shell/os_tools.h"
#include "drvsetup/shell/per_inf_file.h"

namespace {

kit_bench::Scratch& TheScratch() {
    static kit_bench::Scratch scratch("inf_parse_bench");
    return scratch;
}

void BM_PerInfFileParse(benchmark::State& state) {
    TheScratch();
    const std::string path = kit_bench::Input("large.inf").string();
    size_t ids = 0;
    for (auto _ : state) {
        drvsetup::PerInfFile inf(drvsetup::OsWinXP32, path, "", "");
        ids = inf.GetHardwareIds().size();
        if (ids == 0) {
            state.SkipWithError("no hardware identifiers found");
            break;
        }
    }
    state.counters["hardware_ids"] = static_cast<double>(ids);
}

void BM_IconvGrep(benchmark::State& state) {
    const std::string path = kit_bench::Input("large.inf").string();
    for (auto _ : state) {
        if (!kit_bench::RunShell("tail -c +3 '" + path +
                                 "' | iconv -f UTF-16LE -t CP1252 | grep -c 'USB\\\\VID_'")) {
            state.SkipWithError("iconv | grep failed");
            break;
        }
    }
}

BENCHMARK(BM_PerInfFileParse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IconvGrep)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
