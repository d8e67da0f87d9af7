#pragma once

// Faults for the stores' tests, done to a forked child so the test itself is not hurt: a write that
// fails part-way under a file-size limit (the way a full disk fails a write), a child the kernel kills
// in the middle of a write, and a child killed from outside while it writes.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

namespace kit_test {

enum class AtLimit {
    kWriteFails,  // SIGXFSZ ignored: the write that crosses the limit is short, the next one fails
    kKilled,      // SIGXFSZ as by default: the kernel kills the child at that write
};

// Both ends of a write that crosses the limit, for tables of cases.
struct AtLimitCase {
    const char* label;
    AtLimit atLimit;
};
inline constexpr AtLimitCase kAtLimitCases[] = {{"the write fails", AtLimit::kWriteFails},
                                                {"the writer is killed", AtLimit::kKilled}};

// What became of a child: its exit code, or the signal that ended it.
struct ChildEnd {
    bool exited = false;
    int code = -1;
    int signal = 0;
};

inline ChildEnd WaitChild(pid_t child) {
    int status = 0;
    ChildEnd end;
    if (waitpid(child, &status, 0) != child) {
        return end;
    }
    if (WIFEXITED(status)) {
        end.exited = true;
        end.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        end.signal = WTERMSIG(status);
    }
    return end;
}

// Runs `body` in a child whose files may grow to `limit` bytes at most; its result is the exit code.
inline ChildEnd RunUnderFileSizeLimit(rlim_t limit, AtLimit atLimit, const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, atLimit == AtLimit::kWriteFails ? SIG_IGN : SIG_DFL);
        const rlimit fileSize{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0) {
            _exit(100);
        }
        _exit(body());
    }
    return child < 0 ? ChildEnd{} : WaitChild(child);
}

// Runs body(0), body(1), ... in a child without end, and kills it with SIGKILL once it has finished
// `rounds` of them: it dies somewhere inside a later round, most likely in the middle of a write.
// False when the child could not be started or ended by itself.
inline bool KillDuringRounds(int rounds, const std::function<void(int)>& body) {
    int done[2];
    if (pipe(done) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(done[0]);
        for (int round = 0;; ++round) {
            body(round);
            const char tick = 1;
            if (write(done[1], &tick, 1) != 1) {
                _exit(1);
            }
        }
    }
    close(done[1]);
    if (child < 0) {
        close(done[0]);
        return false;
    }
    int finished = 0;
    char tick = 0;
    while (finished < rounds && read(done[0], &tick, 1) == 1) {
        ++finished;
    }
    kill(child, SIGKILL);
    close(done[0]);
    const ChildEnd end = WaitChild(child);
    return finished == rounds && end.signal == SIGKILL;
}

// Whether permissions stop this process from writing (they do not for root).
inline bool PermissionsApply() {
    return geteuid() != 0;
}

}  // namespace kit_test
