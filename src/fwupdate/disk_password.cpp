#include "fwupdate/disk_password.h"

#include "fwupdate/ata_identify.h"

namespace fwupdate {

namespace {

constexpr unsigned kDrives = 4;
constexpr uint16_t kFixedDevice = 0x0040;      // word 0
constexpr uint16_t kSecurityEnabled = 0x0002;  // word 128

uint16_t IdentifyWord(const std::array<uint8_t, 512>& identify, size_t word) {
    return static_cast<uint16_t>(identify[2 * word] | identify[2 * word + 1] << 8);
}

}  // namespace

uint32_t CheckHardDiskPassword(const AtaIdentifyFunction& identify) {
    for (unsigned drive = 0; drive < kDrives; ++drive) {
        std::optional<std::array<uint8_t, 512>> data = identify(drive);
        if (!data)
            continue;
        if ((IdentifyWord(*data, 0) & kFixedDevice) && (IdentifyWord(*data, 128) & kSecurityEnabled))
            return kResultHddPassword;
    }
    return 0;
}

uint32_t CheckHardDiskPassword() {
    return CheckHardDiskPassword(AtaIdentify);
}

}  // namespace fwupdate
