#include "fwupdate/smi_enable.h"

#include <optional>

#include "fwupdate/driver_handle.h"
#include "fwupdate/hardware_access.h"

namespace fwupdate {

namespace {

// The LPC bridge (bus 0, device 31, function 0) holds the ACPI I/O base at 0x40; the SMI enable
// register lies 0x30 above that base.
constexpr uint8_t kLpcDevice = 31;
constexpr uint8_t kAcpiBaseRegister = 0x40;
constexpr uint16_t kSmiEnableOffset = 0x30;
constexpr uint16_t kGlobalSmiEnable = 0x0001;

constexpr uint32_t kNoDriver = 1;
constexpr uint32_t kNoBridge = 2;
constexpr uint32_t kRegisterFailed = 3;

}  // namespace

uint32_t EnableSmi() {
    DriverSession driver(OpenAttempts::Ten);
    if (!driver.open())
        return kNoDriver;
    HardwareAccess hardware(driver.channel());
    std::optional<uint32_t> base = hardware.ReadPciConfig(0, kLpcDevice, 0, kAcpiBaseRegister);
    if (!base)
        return kRegisterFailed;
    if (*base == 0xFFFFFFFF)
        return kNoBridge;
    // Bit 0 of the register only says the base is an I/O address.
    uint16_t port = static_cast<uint16_t>((*base & ~1u) + kSmiEnableOffset);
    std::optional<uint16_t> enable = hardware.ReadPortWord(port);
    if (!enable)
        return kRegisterFailed;
    if (!(*enable & kGlobalSmiEnable) &&
        !hardware.WritePortWord(port, static_cast<uint16_t>(*enable | kGlobalSmiEnable)))
        return kRegisterFailed;
    return 0;
}

}  // namespace fwupdate
