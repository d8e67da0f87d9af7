// Loading a "drvInstall.ini" of 10, 100 and 1000 record sections with VexaApIni, against Python's
// configparser reading the same file. The file is read by a Python process started once and kept
// running, so its start-up is not counted; each read is one request over a pipe.
//
//   BENCH_INPUTS=DIR ini_load_bench [benchmark options]   (DIR/ini_<N>/drvInstall.ini, made by bench/run)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "drvsetup/config/vexa_ap_ini.h"

namespace {

kit_bench::Scratch& TheScratch() {
    static kit_bench::Scratch scratch("ini_load_bench");
    return scratch;
}

std::filesystem::path IniFolder(int64_t records) {
    return kit_bench::Input("ini_" + std::to_string(records));
}

void BM_VexaApIniLoad(benchmark::State& state) {
    TheScratch();
    kit_bench::Scratch::UseKitFolder(IniFolder(state.range(0)));
    for (auto _ : state) {
        drvsetup::VexaApIni ini(1);
        if (ini.RecordCount() != static_cast<size_t>(state.range(0))) {
            state.SkipWithError("unexpected number of records");
            break;
        }
    }
    state.SetComplexityN(state.range(0));
}

// A Python process that reads the file it is sent on a line with configparser and answers with the
// number of sections.
class ConfigParserWorker {
  public:
    ConfigParserWorker() {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
            std::abort();
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        std::string program =
            "import configparser, sys\n"
            "for line in sys.stdin:\n"
            "    parser = configparser.ConfigParser(interpolation=None, strict=False)\n"
            "    parser.read(line.rstrip('\\n'), encoding='latin-1')\n"
            "    print(len(parser.sections()), flush=True)\n";
        std::string python = "python3";
        std::string flag = "-c";
        char* argv[] = {python.data(), flag.data(), program.data(), nullptr};
        if (posix_spawnp(&pid_, "python3", &actions, nullptr, argv, environ) != 0) {
            std::abort();
        }
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        requests_ = fdopen(toChild[1], "w");
        answers_ = fdopen(fromChild[0], "r");
    }
    ~ConfigParserWorker() {
        std::fclose(requests_);
        std::fclose(answers_);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    ConfigParserWorker(const ConfigParserWorker&) = delete;
    ConfigParserWorker& operator=(const ConfigParserWorker&) = delete;

    // The number of sections, or -1 when the worker is gone.
    long Read(const std::string& path) {
        std::fprintf(requests_, "%s\n", path.c_str());
        std::fflush(requests_);
        long sections = -1;
        return std::fscanf(answers_, "%ld", &sections) == 1 ? sections : -1;
    }

  private:
    pid_t pid_ = 0;
    FILE* requests_ = nullptr;
    FILE* answers_ = nullptr;
};

void BM_PythonConfigParser(benchmark::State& state) {
    static ConfigParserWorker worker;
    std::string path = (IniFolder(state.range(0)) / "drvInstall.ini").string();
    for (auto _ : state) {
        // The file has the record sections and one [InstallData] section.
        if (worker.Read(path) != state.range(0) + 1) {
            state.SkipWithError("configparser read failed");
            break;
        }
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_VexaApIniLoad)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PythonConfigParser)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
