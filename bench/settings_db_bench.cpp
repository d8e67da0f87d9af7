// Loading and saving the settings database of 64, 1000 and 5000 records, to show both grow linearly
// with the number of records, against the outside programs doing the archive's share of the work:
// `zip -P` of the same working file for Save, `unzip -P` of the same archive for loading.
// It works on a system root and a kit folder of its own in a temporary folder.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench_support.h"
#include "drvsetup/config/archiver.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/vexa_db_file.h"

namespace fs = std::filesystem;

namespace {

kit_bench::Scratch& TheScratch() {
    static kit_bench::Scratch scratch("settings_db_bench");
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
        if (!db->Save().ok()) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.counters["working_file_bytes"] = static_cast<double>(db->FileText().size());
    state.counters["archive_bytes"] = static_cast<double>(fs::file_size(drvsetup::VexaDbFile::ArchivePath()));
    state.SetComplexityN(state.range(0));
}

void BM_LoadDatabase(benchmark::State& state) {
    drvsetup::Archiver archiver;
    MakeDb(archiver, state.range(0));
    for (auto _ : state) {
        drvsetup::VexaDbFile db(archiver);
        if (db.ArchiveUnreadable()) {
            state.SkipWithError("archive unreadable");
            break;
        }
        benchmark::DoNotOptimize(db.Groups().size());
    }
    state.SetComplexityN(state.range(0));
}

// zip -P of the working file Save writes, into a new archive each time as Save makes one.
void BM_ZipP(benchmark::State& state) {
    drvsetup::Archiver archiver;
    auto db = MakeDb(archiver, state.range(0));
    const fs::path folder = TheScratch().Folder() / "zip";
    fs::create_directories(folder);
    const fs::path workingFile = folder / drvsetup::kSettingsDbEntry;
    const std::string text = db->FileText();
    std::ofstream(workingFile, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
    const fs::path archive = folder / "out.zip";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(archive);
        state.ResumeTiming();
        if (!kit_bench::RunProgram({"zip", "-q", "-j", "-P", drvsetup::kSettingsDbPassword, archive.string(),
                                    workingFile.string()})) {
            state.SkipWithError("zip failed");
            break;
        }
    }
    state.SetComplexityN(state.range(0));
}

// unzip -P of the archive Save wrote, into a file as loading extracts it.
void BM_UnzipP(benchmark::State& state) {
    drvsetup::Archiver archiver;
    MakeDb(archiver, state.range(0));
    const fs::path output = TheScratch().Folder() / "unzipped.ini";
    const std::string archive = drvsetup::VexaDbFile::ArchivePath().string();
    for (auto _ : state) {
        if (!kit_bench::RunProgram(
                {"unzip", "-p", "-P", drvsetup::kSettingsDbPassword, archive, drvsetup::kSettingsDbEntry},
                output.string())) {
            state.SkipWithError("unzip failed");
            break;
        }
    }
    state.SetComplexityN(state.range(0));
}

void Sizes(benchmark::internal::Benchmark* bench) {
    bench->Arg(64)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_SaveDatabase)->Apply(Sizes);
BENCHMARK(BM_ZipP)->Apply(Sizes);
BENCHMARK(BM_LoadDatabase)->Apply(Sizes);
BENCHMARK(BM_UnzipP)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
