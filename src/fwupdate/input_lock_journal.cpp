#include "fwupdate/input_lock_journal.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

#include "fwupdate/input_lock.h"
#include "fwupdate/trace.h"
#include "platform/guardian.h"
#include "platform/paths.h"

namespace fwupdate {

namespace {

std::unique_ptr<platform::Guardian>& TheGuardian() {
    static std::unique_ptr<platform::Guardian> guardian;
    return guardian;
}

// Unlocks from `folder`, the working folder of the run that locked: the driver may have to be
// installed from the "AddMem.sys" it extracted there.
void UnlockFrom(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path previous = std::filesystem::current_path(error);
    std::error_code enter;
    std::filesystem::current_path(folder, enter);
    UnlockInput();
    std::filesystem::remove(folder / kInputLockJournalName, error);
    if (!enter && !previous.empty())
        std::filesystem::current_path(previous, error);
}

}  // namespace

void LockInputJournaled(const std::filesystem::path& folder, const std::filesystem::path& executable) {
    std::filesystem::path journal = std::filesystem::absolute(folder / kInputLockJournalName);
    // Written before anything is locked, so an end at any later moment leaves it behind.
    if (!platform::WriteFileAtomically(journal, "keyboard and mouse locked by the updater\r\n"))
        Trace("Input lock journal : cannot write %s\r\n", journal.c_str());
    if (!executable.empty() && !TheGuardian()) {
        auto guardian = platform::Guardian::Start(executable, {{kInputGuardVariable, journal.string()}});
        if (guardian)
            TheGuardian() = std::move(*guardian);
        else
            Trace("Input lock guard : %s\r\n", guardian.error().message.c_str());
    }
    LockInput();
}

void UnlockInputJournaled(const std::filesystem::path& folder) {
    UnlockInput();
    std::error_code error;
    std::filesystem::remove(folder / kInputLockJournalName, error);
    // The guardian finds no journal and ends.
    TheGuardian().reset();
}

bool RecoverInputLock(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(folder / kInputLockJournalName, error))
        return false;
    Trace("Input lock journal : an earlier run left input locked; unlocking\r\n");
    UnlockFrom(folder);
    return true;
}

std::optional<int> RunInputGuardIfAsked() {
    const char* journal = std::getenv(kInputGuardVariable);
    if (journal == nullptr || *journal == '\0')
        return std::nullopt;
    std::filesystem::path path(journal);
    platform::WaitForGuardedProgramEnd();
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error))
        UnlockFrom(path.parent_path());
    return 0;
}

}  // namespace fwupdate
