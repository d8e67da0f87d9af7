// Stand-in for the MICOM (embedded-controller) flash tool, "WinUpV01_10.exe":
//   WinUpV01_10 IMAGE /FORCE [/FORCE] [/SERIAL] [/A]
// It checks that IMAGE (relative to the current folder) is an intact EC image and writes its version
// into the controller's flash; the controller runs it from the next power-on. Options are compared
// without regard to case and may repeat; /SERIAL and /A change nothing more in the simulation.
// Every run is recorded in the machine's history; the exit status is one of FlashToolStatus.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine_rom.h"
#include "platform/paths.h"
#include "standins/flash_tool.h"

namespace {

bool Parse(const std::vector<std::string>& args, std::string& image) {
    if (args.size() < 2 || args[1].empty() || args[1][0] == '/')
        return false;
    image = args[1];
    bool force = false;
    for (size_t i = 2; i < args.size(); ++i) {
        std::string word = standins::Upper(args[i]);
        if (word == "/FORCE")
            force = true;
        else if (word != "/SERIAL" && word != "/A")
            return false;
    }
    return force;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    platform::SetExecutablePath(args.empty() ? std::string() : args[0]);
    std::string image;
    std::optional<std::string> version;
    int status = standins::kFlashDone;
    std::vector<uint8_t> bytes;
    if (!Parse(args, image)) {
        std::fputs("usage: WinUpV01_10 IMAGE /FORCE [/FORCE] [/SERIAL] [/A]\n", stderr);
        status = standins::kFlashBadArguments;
    } else if (!standins::ReadImageFile(image, bytes) || !(version = platform::ReadEcImageVersion(bytes))) {
        std::fprintf(stderr, "WinUpV01_10: %s is not a MICOM image\n", image.c_str());
        status = standins::kFlashBadImage;
    }
    return standins::FlashMachine(args, status, [&](platform::Machine& m) {
        if (m.settings().failMicomTool) {
            std::fputs("WinUpV01_10: MICOM update failed\n", stderr);
            return int{standins::kFlashFailed};
        }
        m.FlashEcFirmware(*version);
        return int{standins::kFlashDone};
    });
}
