// Writing one record into a "__Setup.ini" that already holds many records, as "Gen Ini File" does.
// The counters show what the kernel saw of the file per write: one open for reading and one
// replacement, whatever the number of records (opens_per_write and writes_per_write, from inotify).
// It works on a system root and a kit folder of its own in a temporary folder.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/ini_gen_files.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/system_root.h"
#include "support/file_access_counter.h"

namespace fs = std::filesystem;

namespace {

class Scratch {
  public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "ini_gen_bench.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        fs::create_directories(folder_ / "kit");
        if (!platform::EnsureSystemRoot(folder_ / "root").ok()) {
            std::abort();
        }
        platform::UseSystemRoot(folder_ / "root");
        platform::SetExecutablePath((folder_ / "kit" / "drvsetup").string());
    }
    ~Scratch() {
        std::error_code error;
        fs::remove_all(folder_, error);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    fs::path Collection() const { return folder_ / "kit" / "__Setup.ini"; }

  private:
    fs::path folder_;
};

Scratch& TheScratch() {
    static Scratch scratch;
    return scratch;
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
    const fs::path collection = TheScratch().Collection();
    FillCollection(collection, state.range(0));
    drvsetup::HwSettingIO record(718, 718);
    record.SetName("Newcomer");
    drvsetup::ApDrvInstall_HwSetting view(record);
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
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_WriteRecordIntoCollection)
    ->Arg(100)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
