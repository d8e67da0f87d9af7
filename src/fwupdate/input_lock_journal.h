#pragma once

// Keyboard and mouse must never stay locked after an update, however the updater ends. Two things
// see to it:
//   - a journal, "InputLock.jnl" in the working folder, written before the lock and removed after
//     the unlock; a run that finds it at start knows an earlier one ended while input was locked, and
//     unlocks first (before the working folder is emptied);
//   - a guardian process, started before the lock, that waits for the updater to end and unlocks
//     when the journal is still there at that moment (a signal, an uncaught exception, SIGKILL).

#include <filesystem>
#include <optional>

namespace fwupdate {

inline constexpr char kInputLockJournalName[] = "InputLock.jnl";
// The environment variable that makes the updater act as the guardian of a journal.
inline constexpr char kInputGuardVariable[] = "FWUPDATE_INPUT_GUARD";

// The journal in `folder` first, then the guardian (when `executable` is given), then the lock.
void LockInputJournaled(const std::filesystem::path& folder, const std::filesystem::path& executable);
// The unlock, then the journal goes and the guardian is let go.
void UnlockInputJournaled(const std::filesystem::path& folder);

// At start: unlocks and removes the journal when an earlier run left one in `folder`. True when it
// found one.
bool RecoverInputLock(const std::filesystem::path& folder);

// The guardian's side: when the environment names a journal, waits for the updater to end, unlocks
// if the journal is still there, and returns the exit code for main; none for an ordinary start.
std::optional<int> RunInputGuardIfAsked();

}  // namespace fwupdate
