// Writing one record into a "__Setup.ini" of 500 records, as "Gen Ini File" does, against copying
// that file with cp. The counters show what the kernel saw of the file per write: one open for
// reading and one replacement, whatever the number of records (opens_per_write and
// writes_per_write, from inotify). It works on a system root and a kit folder of its own in a
// temporary folder.

#include <benchmark/benchmark.h>

#include <string>

#include "bench_support.h"
#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/ini_gen_files.h"
#include "platform/profile.h"
#include "support/file_access_counter.h"

namespace fs = std::filesystem;

namespace {

kit_bench::Scratch& TheScratch() {
    static kit_bench::Scratch scratch("ini_gen_bench");
    return scratch;
}

fs::path Collection() {
    return TheScratch().Kit() / "__Setup.ini";
}

// A collection of `count` records of product 718.
void FillCollection(const fs::path& path, int64_t count) {
    platform::profile::ProfileFile file;
    drvsetup::HwSettingIO record(718, 718);
    drvsetup::ApDrvInstall_HwSetting view(record);
    for (int64_t i = 0; i < count; ++i) {
        view.Record().SetName("Record" + std::to_string(i));
        view.WriteToIni(file, view.Record().GetName());
    }
    if (!file.Save(path.string()).ok()) {
        std::abort();
    }
}

void BM_WriteRecordIntoCollection(benchmark::State& state) {
    const fs::path collection = Collection();
    FillCollection(collection, state.range(0));
    drvsetup::HwSettingIO record(718, 718);
    record.SetName("Newcomer");
    drvsetup::ApDrvInstall_HwSetting view(record);
    // The first write adds the record; the timed ones replace it, so the file keeps its size.
    if (!drvsetup::WriteRecordToIni(view, collection.string()).ok()) {
        state.SkipWithError("write failed");
        return;
    }
    kit_test::FileAccessCounter counter(collection);
    counter.Reset();
    int64_t writes = 0;
    for (auto _ : state) {
        if (!drvsetup::WriteRecordToIni(view, collection.string()).ok()) {
            state.SkipWithError("write failed");
            return;
        }
        ++writes;
    }
    state.counters["opens_per_write"] = static_cast<double>(counter.Opens()) / static_cast<double>(writes);
    state.counters["writes_per_write"] = static_cast<double>(counter.Writes()) / static_cast<double>(writes);
    state.counters["bytes"] = static_cast<double>(fs::file_size(collection));
}

// cp of the same collection (with the record in it) to a new file.
void BM_CopyCollection(benchmark::State& state) {
    const fs::path collection = Collection();
    FillCollection(collection, state.range(0) + 1);
    const fs::path copy = TheScratch().Folder() / "copy.ini";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(copy);
        state.ResumeTiming();
        if (!kit_bench::RunProgram({"cp", collection.string(), copy.string()})) {
            state.SkipWithError("cp failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(collection));
}

BENCHMARK(BM_WriteRecordIntoCollection)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyCollection)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
