// Loading and saving the settings database with many records, to show both grow linearly with the
// number of records (benchmark's complexity fit over 125 ... 1000 records beyond the known products).
// It works on a system root and a kit folder of its own in a temporary folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "drvsetup/config/archiver.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/vexa_db_file.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/system_root.h"

namespace fs = std::filesystem;

namespace {

// A system root and kit folder that live as long as the process.
class Scratch {
  public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "settings_db_bench.XXXXXX").string();
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

  private:
    fs::path folder_;
};

Scratch& TheScratch() {
    static Scratch scratch;
    return scratch;
}

// A database holding the known products plus `count` records of product 330, saved.
std::unique_ptr<drvsetup::VexaDbFile> MakeDb(drvsetup::Archiver& archiver, int64_t count) {
    TheScratch();
    fs::remove(drvsetup::VexaDbFile::ArchivePath());
    auto db = std::make_unique<drvsetup::VexaDbFile>(archiver);
    for (int64_t i = 0; i < count; ++i) {
        auto record = std::make_unique<drvsetup::HwSettingIO>(330, 330);
        record->SetName("Variant " + std::to_string(i));
        record->SetString(drvsetup::key::oemDescription, "OEM " + std::to_string(i * 7919));
        db->Add(330, std::move(record));
    }
    if (!db->Save().ok()) {
        std::abort();
    }
    return db;
}

void BM_SaveDatabase(benchmark::State& state) {
    drvsetup::Archiver archiver;
    auto db = MakeDb(archiver, state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(db->Save().ok());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SaveDatabase)
    ->Arg(125)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_LoadDatabase(benchmark::State& state) {
    drvsetup::Archiver archiver;
    MakeDb(archiver, state.range(0));
    for (auto _ : state) {
        drvsetup::VexaDbFile db(archiver);
        benchmark::DoNotOptimize(db.Groups().size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadDatabase)
    ->Arg(125)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
