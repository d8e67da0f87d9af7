#pragma once

// The result codes of the update steps and how a failure is reported: the title and text each code
// shows, which failures undo the update's traces on the machine, and the report itself.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "fwupdate/bios_identity.h"
#include "fwupdate/options.h"
#include "fwupdate/result_codes.h"

namespace fwupdate {

class ResourceModule;

struct FailureText {
    uint32_t result;
    uint32_t titleId;
    uint32_t textId;
};

// The reported codes, 0x80000002 to 0x80000013, in order (the disk-space failure reports itself).
std::span<const FailureText> FailureTexts();
// The title and text of a code; none for a code the table lacks.
std::optional<FailureText> FailureTextOf(uint32_t result);

// Failures past the extraction undo the update's traces (input lock, tool files, unselected images),
// except those that arise before the working folder is entered or anything is extracted.
bool CleansUpAfter(uint32_t result);
// Whether that cleanup deletes files: not for the invalid option, found before the working folder
// is entered, where the current folder is still the user's.
bool DeletesFilesAfter(uint32_t result);

// What the sequence undoes, wired by the sequence; an empty function is skipped.
struct CleanupActions {
    std::function<void()> clearBusy;
    std::function<void()> unlockInput;
    std::function<void()> deleteToolFiles;
    std::function<void()> deleteUnselectedImages;
};

// The identities a model failure names; empty when not read yet.
struct FailureContext {
    const BiosIdentity* running = nullptr;
    const ImageIdentity* image = nullptr;
};

// The text a code shows, formatted: with the running model, running part number, new model and new
// part number for the model failures, otherwise the table text with "%%" printed as "%". A code the
// table lacks shows the fatal-error pair, so no failure goes unreported.
std::string FailureTitle(const ResourceModule& module, uint32_t result);
std::string FailureMessage(const ResourceModule& module, uint32_t result, const FailureContext& context);

// Reports `result`: clears the busy flag, undoes what CleansUpAfter says, shows the title and text
// (type 16; nothing with kFlagNoMessageBox) and returns `result` as the exit code.
uint32_t ReportFailure(uint32_t result, UpdateFlags flags, const ResourceModule& module,
                       const FailureContext& context, const CleanupActions& actions);

}  // namespace fwupdate
