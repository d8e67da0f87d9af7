// Stand-in for the BIOS flash tool, "SWinFlash.exe":
//   SWinFlash IMAGE /P [/BBL] [/C] [/MODE=n] [/DO0:flag] [/DO1:date] [/DSS:serial]
// It checks that IMAGE (relative to the current folder) is a BIOS image whose ROM part fits the
// notebook's flash chip, replaces the flash with that ROM, and keeps the DMI texts of /DO0: (BIOS
// flag), /DO1: (purchase date) and /DSS: (system serial) pending with the flash: the firmware reports
// them from the next power-on, as it does the new BIOS. Options are compared without regard to case;
// a DMI value runs to the next option, so arguments after it that do not start with "/" belong to it
// (the updater does not quote a serial number with a blank in it). /BBL (boot block too), /C (clear
// CMOS) and /MODE are accepted and change nothing more in the simulation.
// Every run is recorded in the machine's history; the exit status is one of FlashToolStatus.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine_rom.h"
#include "platform/paths.h"
#include "standins/flash_tool.h"

namespace {

struct Options {
    std::string image;
    bool program = false;
    std::optional<std::string> biosFlag, purchaseDate, serial;
};

bool Parse(const std::vector<std::string>& args, Options& options) {
    if (args.size() < 2 || args[1].empty() || args[1][0] == '/')
        return false;
    options.image = args[1];
    std::optional<std::string>* value = nullptr;  // the DMI value further words belong to
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string word = standins::Upper(arg);
        if (!arg.starts_with("/")) {
            if (!value)
                return false;
            **value += ' ';
            **value += arg;
        } else if (word == "/P") {
            options.program = true;
            value = nullptr;
        } else if (word == "/BBL" || word == "/C") {
            value = nullptr;
        } else if (word.starts_with("/MODE=") && word.size() == 7 && word[6] >= '0' && word[6] <= '9') {
            value = nullptr;
        } else if (word.starts_with("/DO0:") || word.starts_with("/DO1:") || word.starts_with("/DSS:")) {
            value = word.starts_with("/DO0:")   ? &options.biosFlag
                    : word.starts_with("/DO1:") ? &options.purchaseDate
                                                : &options.serial;
            *value = arg.substr(5);
        } else {
            return false;
        }
    }
    for (const auto* text : {&options.biosFlag, &options.purchaseDate, &options.serial})
        if (*text && (*text)->size() > standins::kMaxDmiText)
            return false;
    return options.program;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    platform::SetExecutablePath(args.empty() ? std::string() : args[0]);
    Options options;
    int status = standins::kFlashDone;
    std::vector<uint8_t> file;
    std::vector<uint8_t> rom;
    if (!Parse(args, options)) {
        std::fputs("usage: SWinFlash IMAGE /P [/BBL] [/C] [/MODE=n] [/DO0:flag] [/DO1:date] [/DSS:serial]\n",
                   stderr);
        status = standins::kFlashBadArguments;
    } else if (!standins::ReadImageFile(options.image, file)) {
        std::fprintf(stderr, "SWinFlash: cannot read %s\n", options.image.c_str());
        status = standins::kFlashBadImage;
    } else {
        std::span<const uint8_t> romPart = platform::RomPartOf(file);
        if (romPart.empty() || !platform::ReadRomInfo(romPart).complete) {
            std::fprintf(stderr, "SWinFlash: %s is not a BIOS image\n", options.image.c_str());
            status = standins::kFlashBadImage;
        }
        rom.assign(romPart.begin(), romPart.end());
    }
    status = standins::FlashMachine(args, status, [&](platform::Machine& m) {
        if (m.settings().failBiosTool) {
            std::fputs("SWinFlash: flash programming failed\n", stderr);
            return int{standins::kFlashFailed};
        }
        if (!m.ReplaceFlash(rom)) {
            std::fprintf(stderr, "SWinFlash: %s does not fit the %zu KiB flash\n", options.image.c_str(),
                         m.Flash().size() / 1024);
            return int{standins::kFlashBadImage};
        }
        platform::PendingDmi& pending = m.pendingDmi();
        if (options.biosFlag)
            pending.biosFlag = options.biosFlag;
        if (options.purchaseDate)
            pending.purchaseDate = options.purchaseDate;
        if (options.serial)
            pending.serial = options.serial;
        return int{standins::kFlashDone};
    });
    return status;
}
