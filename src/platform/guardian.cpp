#include "platform/guardian.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace platform {

Result<std::unique_ptr<Guardian>> Guardian::Start(
    const std::filesystem::path& program,
    const std::vector<std::pair<std::string, std::string>>& environment) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return Fail(std::string("cannot make the guardian's pipe: ").append(std::strerror(errno)));

    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string_view entry(*e);
        bool replaced = false;
        for (const auto& [name, value] : environment)
            replaced = replaced ||
                       (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=');
        if (!replaced)
            envText.emplace_back(entry);
    }
    for (const auto& [name, value] : environment)
        envText.push_back(std::string(name).append("=").append(value));
    std::vector<char*> envp;
    for (std::string& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = program.string();
    std::vector<char*> argv{path.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    int error = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (error != 0) {
        close(fds[1]);
        return Fail(
            std::string("cannot start the guardian ").append(path).append(": ").append(std::strerror(error)));
    }
    return std::make_unique<Guardian>(Key{}, pid, fds[1]);
}

Guardian::~Guardian() {
    close(pipeFd_);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
}

void WaitForGuardedProgramEnd() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        ::signal(signal, SIG_IGN);
    char buffer[64];
    for (;;) {
        ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno != EINTR))
            return;
    }
}

}  // namespace platform
