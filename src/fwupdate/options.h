#pragma once

// The updater's option word and the two tool command lines, both set by the command-line options.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fwupdate/result_codes.h"

namespace fwupdate {

// One 32-bit word, 0 at start; the options and a few steps set bits, every step reads them.
using UpdateFlags = uint32_t;

inline constexpr UpdateFlags kFlagBlockPowerOff = 0x00001;    // no completion message, auto-on or power-off
inline constexpr UpdateFlags kFlagSkipCheckPart = 0x00002;    // the part-number comparison passes
inline constexpr UpdateFlags kFlagSkipCheckModel = 0x00004;   // the model comparison passes
inline constexpr UpdateFlags kFlagSkipMicom = 0x00010;        // no MICOM selection, flash nor power-off
inline constexpr UpdateFlags kFlagNoMessageBox = 0x00020;     // every message answers OK unseen
inline constexpr UpdateFlags kFlagBreakEscd = 0x00100;        // patch the BIOS image before flashing
inline constexpr UpdateFlags kFlagModeDmiAlways = 0x00200;    // "/MODE" digit 3: always add the DMI options
inline constexpr UpdateFlags kFlagModeNoDmi = 0x00800;        // "/MODE" digit 1: no default DMI options
inline constexpr UpdateFlags kFlagReadBios = 0x02000;         // dump the ROM and stop
inline constexpr UpdateFlags kFlagSkipUpdateFiles = 0x04000;  // no image selection: "bios.wph" as it is
inline constexpr UpdateFlags kFlagSkipCheckDate = 0x08000;    // the date comparison passes
inline constexpr UpdateFlags kFlagSkipCheckPower = 0x10000;   // the power check passes
inline constexpr UpdateFlags kFlagNoPrompt = 0x20000;         // no confirmation prompt

inline constexpr std::string_view kInitialBiosCommand = "SWinFlash bios.wph /P";
inline constexpr std::string_view kInitialMicomCommand = "WinUpV01_10 kbc.bin /FORCE";
// The tools' command buffers hold this many characters; nothing may make a command longer.
inline constexpr size_t kMaxCommandChars = 260;

struct UpdateOptions {
    UpdateFlags flags = 0;
    std::string biosCommand{kInitialBiosCommand};
    std::string micomCommand{kInitialMicomCommand};
};

// Parses the command line (the text after the program name) into `options`, which starts as the
// caller passes it. 0, or kResultInvalidOption for a token that is no option, or for options that
// would make a command longer than kMaxCommandChars. Options seen before a failure keep their effect.
uint32_t ParseOptions(std::string_view commandLine, UpdateOptions& options);

// Appends " " and `word` to a command unless that makes it longer than kMaxCommandChars; false then,
// and the command is left as it was.
bool AppendCommandOption(std::string& command, std::string_view word);
// Appends `text` whole; false, leaving the command as it was, when the result would be longer than
// kMaxCommandChars. An option cut in the middle would hand a flash tool a wrong serial or flag.
bool AppendCommand(std::string& command, std::string_view text);

}  // namespace fwupdate
