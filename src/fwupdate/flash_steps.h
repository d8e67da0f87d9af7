#pragma once

// What surrounds the runs of the two outside flash tools: the DMI options that make the BIOS flash
// keep the machine's serial number, purchase date and BIOS flag, the patch of "bios.wph" that makes
// the flash tool rewrite the ESCD area, and the start of a tool and the wait for its exit status.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "fwupdate/bios_identity.h"
#include "fwupdate/options.h"
#include "platform/process.h"

namespace fwupdate {

// The BIOS flag the flash installs: the image's default flag with its fourth character made "A" or
// "B" (kept from the running flag when that already says, else "B" for a running version whose
// fourth character is "E"). A default flag shorter than four characters is padded with blanks first.
std::string EffectiveBiosFlag(const BiosIdentity& running, const ImageIdentity& image);

// Appends the DMI options to the BIOS command. False when they did not fit within
// kMaxCommandChars; the command is then unchanged.
bool CompleteBiosCommand(const BiosIdentity& running, const ImageIdentity& image, uint32_t flags,
                         std::string& command);

// Where the ESCD patch looks for the flash tail and which table entry it changes.
struct EscdPatchResult {
    bool patched = false;
    uint64_t entryOffset = 0;  // file offset of the changed entry
};

// Makes the flash tool rewrite the ESCD area: changes the ESCD entry of the image's table (entry 8 of
// a 1 MiB image, entry 0 of a smaller one) in place when the table reaches it. Never fails the
// update: a file that cannot be opened, lacks its records or ends early stays as it was.
EscdPatchResult PatchEscd(const std::filesystem::path& image);

// The command line for a tool of the working folder: the folder immediately followed by the command
// text, with the program part quoted when the folder holds a blank.
std::string ToolCommandLine(std::string_view workingFolder, std::string_view commandText);

// Starts the tool with the working folder as its current folder and waits, without a time limit and
// letting `pump` process the caller's events, until it ends. Its exit status, or -1 when it cannot
// be started.
int RunTool(std::string_view workingFolder, std::string_view commandText,
            const platform::EventPump& pump = {});

}  // namespace fwupdate
