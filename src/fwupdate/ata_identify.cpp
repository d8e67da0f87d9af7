#include "fwupdate/ata_identify.h"

#include <algorithm>
#include <string>

#include "platform/device.h"

namespace fwupdate {

namespace {

constexpr size_t kVersionSize = 24;
constexpr size_t kIdentifyInputSize = 35;
constexpr size_t kIdentifyOutputSize = 531;
constexpr size_t kIdentifyOffset = 16;

constexpr uint8_t kIdentifyDevice = 0xEC;
constexpr uint8_t kIdentifyPacketDevice = 0xA1;

}  // namespace

std::optional<std::array<uint8_t, 512>> AtaIdentify(unsigned drive) {
    if (drive > 3)
        return std::nullopt;
    platform::Result<std::unique_ptr<platform::Device>> device =
        platform::OpenDevice("\\\\.\\PhysicalDrive" + std::to_string(drive));
    if (!device)
        return std::nullopt;

    std::array<uint8_t, kVersionSize> version{};
    platform::Result<size_t> answered = (*device)->IoControl(platform::kSmartGetVersion, {}, version);
    if (!answered || *answered < 4)
        return std::nullopt;
    uint8_t deviceMap = version[3];
    if (deviceMap == 0)
        return std::nullopt;

    std::array<uint8_t, kIdentifyInputSize> input{};
    input[1] = 0x02;  // buffer size 512, little-endian
    input[5] = 1;     // sector count
    input[6] = 1;     // sector number
    input[9] = (drive & 1) ? 0xB0 : 0xA0;
    // A packet device (an optical drive) answers only the packet form of identify.
    input[10] = (deviceMap & (1u << (4 + drive))) ? kIdentifyPacketDevice : kIdentifyDevice;
    input[12] = static_cast<uint8_t>(drive);
    std::array<uint8_t, kIdentifyOutputSize> output{};
    answered = (*device)->IoControl(platform::kSmartRcvDriveData, input, output);
    if (!answered || *answered < kIdentifyOffset + 512)
        return std::nullopt;
    std::array<uint8_t, 512> identify{};
    std::copy_n(output.begin() + kIdentifyOffset, identify.size(), identify.begin());
    return identify;
}

}  // namespace fwupdate
