#pragma once

// Pieces the benchmark programs share: a system root and kit folder of their own in a temporary
// folder, and outside programs started directly (no shell unless asked for) and waited for, which is
// how the anchors the kit is compared with are timed.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/system_root.h"

extern char** environ;

namespace kit_bench {

// A system root and a kit folder ("kit/", where the executable is taken to be) that live as long as
// the process. The folder is removed when the process ends normally.
class Scratch {
  public:
    explicit Scratch(const char* name) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(name) + ".XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        std::filesystem::create_directories(folder_ / "kit");
        if (!platform::EnsureSystemRoot(folder_ / "root").ok()) {
            std::abort();
        }
        platform::UseSystemRoot(folder_ / "root");
        UseKitFolder(folder_ / "kit");
    }
    ~Scratch() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path Kit() const { return folder_ / "kit"; }
    std::filesystem::path Root() const { return folder_ / "root"; }

    // The folder the kit's programs take as their own (the executable folder).
    static void UseKitFolder(const std::filesystem::path& kit) {
        platform::SetExecutablePath((kit / "drvsetup").string());
    }

  private:
    std::filesystem::path folder_;
};

// Runs a program found on PATH with its standard output sent to `output` (or /dev/null) and waits
// for it; true when it ended with 0.
inline bool RunProgram(const std::vector<std::string>& args, const std::string& output = "/dev/null") {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& arg : copies) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The same for a shell command line, for anchors that are pipelines.
inline bool RunShell(const std::string& commandLine, const std::string& output = "/dev/null") {
    return RunProgram({"sh", "-c", commandLine}, output);
}

// A required input of the run: BENCH_INPUTS/<name>, made by bench/run.
inline std::filesystem::path Input(const std::string& name) {
    const char* folder = std::getenv("BENCH_INPUTS");
    if (folder == nullptr) {
        std::fprintf(stderr, "set BENCH_INPUTS to the folder bench/run makes the inputs in\n");
        std::exit(2);
    }
    std::filesystem::path path = std::filesystem::path(folder) / name;
    if (!std::filesystem::exists(path)) {
        std::fprintf(stderr, "missing input %s (made by bench/run)\n", path.c_str());
        std::exit(2);
    }
    return path;
}

}  // namespace kit_bench
