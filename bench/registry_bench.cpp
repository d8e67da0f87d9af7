// The registry: importing a .reg file of 10 000 values, and 10 000 single value writes (each its own
// transaction, as a program setting values one by one makes them), against the sqlite3 program
// inserting the same rows in one transaction. Every round starts from a new, empty database.
//
//   BENCH_INPUTS=DIR registry_bench [benchmark options]   (DIR/values.reg and DIR/values.sql, made by
//   bench/run)
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "bench_support.h"
#include "platform/reg_file.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kCodePage = 1252;
constexpr int kValues = 10000;

kit_bench::Scratch& TheScratch() {
    static kit_bench::Scratch scratch("registry_bench");
    return scratch;
}

fs::path FreshDatabase(const char* name) {
    fs::path db = TheScratch().Folder() / name;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        fs::remove(db.string() + suffix);
    }
    return db;
}

void BM_RegFileImport(benchmark::State& state) {
    const fs::path regFile = kit_bench::Input("values.reg");
    for (auto _ : state) {
        state.PauseTiming();
        auto registry = platform::Registry::Open(FreshDatabase("import.db"), kCodePage);
        state.ResumeTiming();
        if (!registry || !platform::ImportRegFileFrom(**registry, regFile, kCodePage).ok()) {
            state.SkipWithError("import failed");
            break;
        }
    }
    state.counters["values"] = kValues;
}

void BM_SingleValueWrites(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto registry = platform::Registry::Open(FreshDatabase("writes.db"), kCodePage);
        std::optional<platform::RegKey> key;
        if (registry) {
            if (auto opened = (*registry)->OpenKey("SOFTWARE\\Vexa\\Bench", true)) {
                key = *opened;
            }
        }
        state.ResumeTiming();
        if (!key) {
            state.SkipWithError("the key cannot be made");
            break;
        }
        for (int i = 0; i < kValues; ++i) {
            std::string name = "Value" + std::to_string(i);
            bool written = i % 2 == 0 ? key->SetString(name, "Setting text " + std::to_string(i)).ok()
                                      : key->SetDword(name, static_cast<uint32_t>(i)).ok();
            if (!written) {
                state.SkipWithError("write failed");
                return;
            }
        }
    }
    state.counters["values"] = kValues;
}

void BM_Sqlite3Insert(benchmark::State& state) {
    const fs::path sql = kit_bench::Input("values.sql");
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path db = FreshDatabase("sqlite3.db");
        state.ResumeTiming();
        if (!kit_bench::RunShell("sqlite3 '" + db.string() + "' < '" + sql.string() + "'")) {
            state.SkipWithError("sqlite3 failed");
            break;
        }
    }
    state.counters["values"] = kValues;
}

BENCHMARK(BM_RegFileImport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SingleValueWrites)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Sqlite3Insert)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
