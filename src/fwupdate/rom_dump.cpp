#include "fwupdate/rom_dump.h"

#include <cstdint>
#include <fstream>
#include <vector>

#include "fwupdate/driver_handle.h"
#include "fwupdate/hardware_access.h"
#include "platform/paths.h"

namespace fwupdate {

namespace {

constexpr uint64_t kRomStart = 0xFFF00000;
constexpr size_t kBlockSize = 4096;
constexpr size_t kBlocks = 256;

}  // namespace

bool DumpRom() {
    DriverSession driver(OpenAttempts::Once);
    if (!driver.open())
        return false;
    HardwareAccess hardware(driver.channel());
    // The whole ROM is read before the file is touched, so a failing read leaves no half dump that
    // looks like a whole one.
    std::vector<uint8_t> rom(kBlocks * kBlockSize);
    for (size_t block = 0; block < kBlocks; ++block) {
        std::span<uint8_t> out(rom.data() + block * kBlockSize, kBlockSize);
        if (!hardware.ReadPhysical(kRomStart + block * kBlockSize, out))
            return false;
    }
    // Opened for update so that an existing file is overwritten in place, as the dump always was.
    std::filesystem::path path = platform::NativePath("ReadRomFile.bin");
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!file.is_open())
        file.open(path, std::ios::out | std::ios::binary);
    if (!file.is_open())
        return false;
    file.write(reinterpret_cast<const char*>(rom.data()), static_cast<std::streamsize>(rom.size()));
    return static_cast<bool>(file.flush());
}

}  // namespace fwupdate
