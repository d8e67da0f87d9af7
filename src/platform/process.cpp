#include "platform/process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/system_root.h"

extern char** environ;

namespace fs = std::filesystem;

namespace platform {

namespace {

bool HasFolder(std::string_view name) {
    return name.find_first_of("\\/") != std::string_view::npos || (name.size() >= 2 && name[1] == ':');
}

// The spellings a program name may have on disk. Windows adds ".exe" to a name without an extension
// and takes a trailing dot to mean "no extension". The bare name comes after ".exe" so that a
// program built for this system without the extension (or a system tool) is found as well.
std::vector<std::string> NameVariants(std::string_view name) {
    if (!name.empty() && name.back() == '.') {
        return {std::string(name.substr(0, name.size() - 1))};
    }
    if (ExtensionPart(name).empty()) {
        return {std::string(name) + ".exe", std::string(name)};
    }
    return {std::string(name)};
}

std::optional<fs::path> ExistingProgram(std::string_view spelled) {
    fs::path native = NativePath(spelled);
    std::error_code ec;
    if (!fs::is_regular_file(native, ec)) {
        return std::nullopt;
    }
    fs::path absolute = fs::absolute(native, ec);
    return ec ? native : absolute.lexically_normal();
}

std::vector<std::string> SearchFolders() {
    std::vector<std::string> folders;
    std::string exeFolder = ExecutableFolder();
    if (!exeFolder.empty()) {
        folders.push_back(exeFolder);
    }
    std::error_code ec;
    fs::path current = fs::current_path(ec);
    folders.push_back(ec ? std::string(".") : current.string());
    folders.push_back(System32Folder().string());
    folders.push_back(WindowsFolder().string());
    if (const char* path = std::getenv("PATH")) {
        std::stringstream list(path);
        std::string folder;
        while (std::getline(list, folder, ':')) {
            folders.push_back(folder.empty() ? std::string(".") : folder);
        }
    }
    return folders;
}

std::optional<fs::path> FindProgram(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> variants = NameVariants(name);
    if (HasFolder(name)) {
        for (const std::string& variant : variants) {
            if (auto found = ExistingProgram(variant)) {
                return found;
            }
        }
        return std::nullopt;
    }
    for (const std::string& folder : SearchFolders()) {
        for (const std::string& variant : variants) {
            std::string candidate = folder;
            candidate += '/';
            candidate += variant;
            if (auto found = ExistingProgram(candidate)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

std::string SpawnErrorText(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "the program may not be executed";
        case ENOEXEC:
            return "the file is not a program this system can run";
        case ENOENT:
            return "the program or its interpreter does not exist";
        default:
            return std::strerror(error);
    }
}

int ExitCodeOf(const siginfo_t& info) {
    if (info.si_code == CLD_EXITED) {
        return info.si_status;
    }
    return Process::kSignalExitBase + info.si_status;
}

}  // namespace

Result<Process::Resolved> Process::Resolve(std::string_view commandLine) {
    std::vector<ModuleCandidate> candidates = ModuleCandidates(commandLine);
    if (candidates.empty()) {
        return Fail("the command line names no program");
    }
    for (const ModuleCandidate& candidate : candidates) {
        if (candidate.name.size() > kMaxModuleName) {
            break;  // Longer readings only grow; none can name a program.
        }
        if (auto module = FindProgram(candidate.name)) {
            return Resolved{*module, SplitArguments(candidate.arguments)};
        }
    }
    std::string_view shown = candidates.front().name.substr(0, kMaxModuleName);
    return Fail("program not found: \"" + std::string(shown) + "\"");
}

Result<std::unique_ptr<Process>> Process::Start(std::string_view commandLine,
                                                std::string_view workingFolder) {
    Result<Resolved> resolved = Resolve(commandLine);
    if (!resolved) {
        return WithContext(resolved.error(), "cannot start the program");
    }
    fs::path folder;
    if (!workingFolder.empty()) {
        folder = NativePath(workingFolder);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            return Fail("cannot start " + resolved->module.string() + ": working folder not found: \"" +
                        std::string(workingFolder) + "\"");
        }
    }

    std::string argv0 = resolved->module.string();
    std::vector<char*> argv;
    argv.push_back(argv0.data());
    for (std::string& argument : resolved->arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    }
    // The child starts with no blocked signals and default handlers, whatever the caller (or Qt)
    // set for itself: a Windows program starts clean.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigset_t allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &allSignals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    // glibc reports a failed exec (or chdir) from posix_spawn itself and reaps the failed child.
    pid_t pid = 0;
    int spawnError = posix_spawn(&pid, argv0.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawnError != 0) {
        return Fail("cannot start " + argv0 + ": " + SpawnErrorText(spawnError));
    }

    // Through syscall(): the declaration in glibc 2.36's <sys/pidfd.h> lacks C linkage for C++.
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        // Without a pidfd the child could be neither waited for without spinning nor told apart
        // from a later process with its pid; it has done nothing yet, so it is stopped at once.
        int error = errno;
        kill(pid, SIGKILL);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return Fail("cannot watch " + argv0 + ": " + std::strerror(error));
    }
    return std::make_unique<Process>(Key{}, pid, pidfd, resolved->module);
}

Process::Process(Key, pid_t pid, int pidfd, fs::path module)
    : pid_(pid), pidfd_(pidfd), module_(std::move(module)) {}

Process::~Process() {
    std::lock_guard lock(mutex_);
    TryReapLocked();
    if (exitCode_) {
        close(pidfd_);
        return;
    }
    try {
        std::thread([fd = pidfd_] {
            siginfo_t info{};
            while (waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(fd), &info, WEXITED) < 0 &&
                   errno == EINTR) {
            }
            close(fd);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the child is left to be reaped when this process ends.
        close(pidfd_);
    }
}

void Process::TryReapLocked() {
    if (exitCode_) {
        return;
    }
    for (;;) {
        siginfo_t info{};
        if (waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd_), &info, WEXITED | WNOHANG) ==
            0) {
            if (info.si_pid != 0) {
                exitCode_ = ExitCodeOf(info);
            }
            return;
        }
        if (errno != EINTR) {
            exitCode_ = kLostExitCode;
            return;
        }
    }
}

std::optional<int> Process::ExitCode() {
    std::lock_guard lock(mutex_);
    TryReapLocked();
    return exitCode_;
}

int Process::Wait() {
    for (;;) {
        if (std::optional<int> code = ExitCode()) {
            return *code;
        }
        pollfd watch{pidfd_, POLLIN, 0};
        poll(&watch, 1, -1);
    }
}

int Process::Wait(const EventPump& pump) {
    if (!pump) {
        return Wait();
    }
    for (;;) {
        if (std::optional<int> code = ExitCode()) {
            return *code;
        }
        pump(pidfd_);
    }
}

}  // namespace platform
