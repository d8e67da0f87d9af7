// Extraction of a packed payload (ExtractAll) against `gzip -dc` of the same members, each writing
// the files into a folder of its own. bench/run-extract makes the payload and compares the two.
//
//   extract_bench --make-payload DIR MIB    writes a payload folder of about MIB mebibytes
//   extract_bench --extract PACKED DIR     extracts the payload of PACKED into DIR once, the part of
//                                          an update that is extraction, timed as a process by bench/run
//   EXTRACT_BENCH_EXE=packed extract_bench [benchmark options]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "fwupdate/payload_archive.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// File contents of a plausible payload: firmware images with long runs of erased flash (0xFF) and
// repeated tables, executables with text and code-like noise, a few small files.
std::string MakeContent(size_t size, uint32_t seed, double noiseShare) {
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(size);
    while (out.size() < size) {
        size_t chunk = std::min<size_t>(size - out.size(), 512 + rng() % 8192);
        double pick = static_cast<double>(rng() % 1000) / 1000.0;
        if (pick < noiseShare) {
            for (size_t i = 0; i < chunk; ++i) {
                out.push_back(static_cast<char>(rng()));
            }
        } else if (pick < noiseShare + 0.25) {
            out.append(chunk, '\xff');
        } else {
            static const char kWords[] = "BIOS setup table entry version model part number flash block ";
            for (size_t i = 0; i < chunk; ++i) {
                out.push_back(kWords[(i + rng() % 3) % (sizeof kWords - 1)]);
            }
        }
    }
    return out;
}

int MakePayload(const fs::path& folder, size_t mib) {
    fs::create_directories(folder);
    struct File {
        const char* name;
        double share;  // of the whole payload
        double noise;
    } files[] = {
        {"A1234.WPH", 0.30, 0.35},     {"A1235.WPH", 0.30, 0.35},     {"SWinFlash.exe", 0.08, 0.6},
        {"PhlashNT.sys", 0.02, 0.6},   {"PhlashLc.dll", 0.03, 0.6},   {"PHLASH.INI", 0.0005, 0.0},
        {"KT01_001.BIN", 0.04, 0.5},   {"KT01_002.BIN", 0.04, 0.5},   {"WinUpV01_10.exe", 0.04, 0.6},
        {"AddMem.sys", 0.01, 0.6},     {"mfc42.dll", 0.05, 0.6},      {"msvcp60.dll", 0.02, 0.6},
        {"msvcrt.dll", 0.03, 0.6},     {"winhlp32.exe", 0.02, 0.6},   {"ConResEn.dll", 0.002, 0.3},
        {"ConResChs.dll", 0.002, 0.3}, {"ConResCht.dll", 0.002, 0.3}, {"ConResKr.dll", 0.002, 0.3},
        {"ConResRu.dll", 0.002, 0.3},  {"ConResPo.dll", 0.002, 0.3},  {"ConResGr.dll", 0.002, 0.3},
        {"ConResFr.dll", 0.002, 0.3},  {"ConResSp.dll", 0.002, 0.3},
    };
    double total = 0;
    for (const File& f : files) {
        total += f.share;
    }
    uint32_t seed = 1;
    for (const File& f : files) {
        size_t size = static_cast<size_t>(static_cast<double>(mib) * 1024 * 1024 * f.share / total);
        std::string content = MakeContent(size, seed++, f.noise);
        std::ofstream(folder / f.name, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    return 0;
}

struct Payload {
    fs::path exe;
    uint32_t offset = 0;
    fs::path work;
    std::vector<std::string> members;  // stored names; the member files are in work/members
};

const Payload& TheP() {
    static Payload payload = [] {
        Payload p;
        const char* exe = std::getenv("EXTRACT_BENCH_EXE");
        if (exe == nullptr) {
            std::fprintf(stderr, "extract_bench: set EXTRACT_BENCH_EXE to a packed executable\n");
            std::exit(2);
        }
        p.exe = exe;
        p.offset = fwupdate::ReadArchiveOffset(p.exe).value_or(0);
        char pattern[] = "/tmp/extract-bench-XXXXXX";
        p.work = mkdtemp(pattern);
        fs::create_directory(p.work / "members");
        // The members as files, for gzip to read: cut from the archive once, outside the timing.
        auto source = fwupdate::FileArchiveSource::Open(p.exe);
        auto entries = fwupdate::ListArchive(*source, p.offset);
        if (!entries) {
            std::fprintf(stderr, "extract_bench: %s\n", entries.error().message.c_str());
            std::exit(2);
        }
        source->Seek(p.offset + fwupdate::kArchiveHeaderSize);
        for (const auto& entry : *entries) {
            source->Seek(source->Tell() + fwupdate::kEntryHeaderSize);
            std::string bytes(entry.memberSize, '\0');
            source->Read(bytes.data(), bytes.size());
            std::ofstream(p.work / "members" / entry.storedName, std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            p.members.push_back(entry.storedName);
        }
        std::atexit([] { fs::remove_all(TheP().work); });
        return p;
    }();
    return payload;
}

void FreshFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directory(folder);
}

void BM_ExtractAll(benchmark::State& state) {
    const Payload& p = TheP();
    fs::path out = p.work / "extract";
    for (auto _ : state) {
        state.PauseTiming();
        FreshFolder(out);
        state.ResumeTiming();
        auto status = fwupdate::ExtractAll(p.exe, p.offset, out);
        if (!status || *status != fwupdate::ExtractStatus::kSuccess) {
            state.SkipWithError("extraction failed");
            break;
        }
    }
}

// gzip -dc MEMBER > OUTPUT, started directly (no shell), one process per member.
bool Gunzip(const fs::path& member, const fs::path& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::string memberPath = member.string();
    char gzip[] = "gzip";
    char flags[] = "-dc";
    char* argv[] = {gzip, flags, memberPath.data(), nullptr};
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "gzip", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_GzipDc(benchmark::State& state) {
    const Payload& p = TheP();
    fs::path out = p.work / "gzip";
    for (auto _ : state) {
        state.PauseTiming();
        FreshFolder(out);
        state.ResumeTiming();
        for (const std::string& name : p.members) {
            if (!Gunzip(p.work / "members" / name, out / name.substr(0, name.size() - 3))) {
                state.SkipWithError("gzip -dc failed");
                break;
            }
        }
    }
}

BENCHMARK(BM_ExtractAll)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GzipDc)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--make-payload") == 0) {
        return MakePayload(argv[2], std::strtoul(argv[3], nullptr, 10));
    }
    if (argc == 4 && std::strcmp(argv[1], "--extract") == 0) {
        fs::path exe = argv[2];
        fs::create_directories(argv[3]);
        auto status = fwupdate::ExtractAll(exe, fwupdate::ReadArchiveOffset(exe).value_or(0), argv[3]);
        return status && *status == fwupdate::ExtractStatus::kSuccess ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
