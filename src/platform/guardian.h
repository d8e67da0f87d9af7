#pragma once

// A guardian is a small process of our own that outlives the program that started it and learns
// when that program has ended, however it ended: a normal exit, an uncaught exception, a signal, even
// SIGKILL. The program holds the write end of a pipe whose read end is the guardian's standard input;
// the kernel closes it when the program goes, and the guardian's read returns end-of-file.
//
// The guardian runs in a session of its own and ignores the terminal's signals, so a Ctrl+C that
// ends the program does not end the guardian before it has done its work.

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/result.h"

namespace platform {

class Guardian {
    struct Key {
        explicit Key() = default;
    };

  public:
    // Starts `program` with the caller's environment plus `environment` (name, value pairs) and no
    // arguments other than its name.
    static Result<std::unique_ptr<Guardian>> Start(
        const std::filesystem::path& program,
        const std::vector<std::pair<std::string, std::string>>& environment);

    Guardian(Key, pid_t pid, int pipeFd) : pid_(pid), pipeFd_(pipeFd) {}
    // Tells the guardian that the program is done with it and reaps it.
    ~Guardian();
    Guardian(const Guardian&) = delete;
    Guardian& operator=(const Guardian&) = delete;

    pid_t Pid() const { return pid_; }

  private:
    pid_t pid_;
    int pipeFd_;
};

// In the guardian: prepares it to outlive its program (ignores SIGINT, SIGTERM, SIGHUP and SIGPIPE)
// and blocks until the program that started it has ended.
void WaitForGuardedProgramEnd();

}  // namespace platform
