#pragma once

// Child processes started from a Windows command line, as CreateProcess does when it is given no
// separate program name, and waited for while the caller's window keeps processing its events.
//
// The program part of the line names the module: quoted, or else the shortest prefix ending before a
// blank that names an existing file. ".exe" is implied when the name has no extension. A name
// without a folder is looked for in the caller's executable folder, the current folder, the system
// folder and the Windows folder of the current system root, then the folders of PATH. Names resolve
// as NativePath resolves them. The child gets the resolved module as argv[0] (absolute) and the rest
// of the line split as the Windows C runtime splits it.
//
// Waiting never spins: it blocks on the child's pidfd, or hands that fd to the caller's pump, which
// processes UI events until the fd is readable.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace platform {

// Processes the caller's events until `fd` is readable, or returns after handling some of them; it
// must block while there is nothing to do. Wait calls it again until the child has ended.
using EventPump = std::function<void(int fd)>;

class Process {
    // Only Start makes a Process; the key keeps the constructor usable by std::make_unique.
    struct Key {
        explicit Key() = default;
    };

  public:
    // A child ended by a signal reports 128 + the signal number, as a shell does; an exit status is
    // 0..255, so the two never collide.
    static constexpr int kSignalExitBase = 128;
    // The exit code of a child whose status was taken by someone else (a stray waitpid(-1)).
    static constexpr int kLostExitCode = -1;
    // The longest program name, as written, that a command line may give (MAX_PATH on Windows).
    // It also bounds the work for a line with thousands of blanks and no program in it.
    static constexpr size_t kMaxModuleName = 260;

    // Starts the program a command line names. `workingFolder` (a Windows-style path, resolved as
    // NativePath does) is the child's current folder; empty means the caller's. The child inherits
    // the caller's environment. Fails, with nothing left running, when the program is not found,
    // cannot be executed or the folder does not exist.
    static Result<std::unique_ptr<Process>> Start(std::string_view commandLine,
                                                  std::string_view workingFolder = {});

    // The file Start would run for a command line, and the arguments it would pass after argv[0].
    struct Resolved {
        std::filesystem::path module;
        std::vector<std::string> arguments;
    };
    static Result<Resolved> Resolve(std::string_view commandLine);

    Process(Key, pid_t pid, int pidfd, std::filesystem::path module);
    // A child left running when its Process goes away keeps running (an interrupted flash could
    // leave a machine without firmware) and is reaped by a background thread when it ends.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    const std::filesystem::path& Module() const { return module_; }
    // Readable once the child has ended; for pumps and poll loops of callers.
    int WaitFd() const { return pidfd_; }

    // The exit code if the child has ended, std::nullopt while it runs. Never blocks.
    std::optional<int> ExitCode();
    bool HasExited() { return ExitCode().has_value(); }

    // Blocks until the child ends and returns its exit code. Safe to call from another thread than
    // the one that started the child, and from several at once; there is no time limit.
    int Wait();
    // Lets `pump` process the caller's events until the child ends. An empty pump blocks as Wait().
    int Wait(const EventPump& pump);

  private:
    // Takes the child's status if it has ended; the caller holds mutex_.
    void TryReapLocked();

    pid_t pid_;
    int pidfd_;
    std::filesystem::path module_;
    std::mutex mutex_;
    std::optional<int> exitCode_;
};

}  // namespace platform
