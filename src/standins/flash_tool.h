#pragma once

// What the two flash-tool stand-ins share: they read their image from the current folder, write it
// into the simulated notebook of the current system root, record their command line in the machine's
// history and end with the status a caller judges them by.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace standins {

// Exit statuses of the flash tools.
enum FlashToolStatus : int {
    kFlashDone = 0,
    kFlashFailed = 1,        // the machine is set to make the tool fail; nothing was written
    kFlashBadArguments = 2,  // a missing image name, an unknown option or a value too long
    kFlashBadImage = 3,      // unreadable, not an image of this kind, or not fitting the flash
    kFlashNoMachine = 4,     // the machine could not be read or saved
};

// The longest DMI text the firmware keeps.
inline constexpr size_t kMaxDmiText = 31;

// The history entry of a run: the tool's name without folder and extension, then its arguments,
// separated by blanks ("SWinFlash bios.wph /P").
std::string ToolCommandText(const std::vector<std::string>& argv);

// The option word in upper case, as the tools compare options without regard to case.
std::string Upper(std::string text);

// Reads an image named relative to the current folder; false when it cannot be read.
bool ReadImageFile(const std::string& name, std::vector<uint8_t>& bytes);

// Records the run in the machine's history and, when `status` is still kFlashDone, lets `flash`
// write the machine and decide the final status. Returns that status (kFlashNoMachine when the
// machine could not be updated).
int FlashMachine(const std::vector<std::string>& argv, int status,
                 const std::function<int(platform::Machine&)>& flash);

}  // namespace standins
