#include "fwupdate/power_control.h"

#include <optional>

#include "fwupdate/driver_handle.h"
#include "fwupdate/hardware_access.h"
#include "platform/machine_hardware.h"
#include "platform/privileges.h"
#include "platform/system_info.h"

namespace fwupdate {

namespace {

constexpr unsigned kRealtimePriorityClass = 0x100;
constexpr uint32_t kAutoPowerOnFailed = 1;

}  // namespace

uint32_t SetAutoPowerOn() {
    DriverSession driver(OpenAttempts::Ten);
    if (!driver.open())
        return kAutoPowerOnFailed;
    // At real-time priority no other thread of the system can put keyboard-controller traffic between
    // the bytes of the exchange.
    std::optional<unsigned> previous = platform::ProcessPriorityClass();
    (void)platform::SetProcessPriorityClass(kRealtimePriorityClass);

    HardwareAccess hardware(driver.channel());
    bool armed = false;
    if (std::optional<uint8_t> value = hardware.EcRead(kAutoPowerOnRegister))
        armed = hardware.EcWrite(kAutoPowerOnRegister, static_cast<uint8_t>(*value | 1));

    if (previous)
        (void)platform::SetProcessPriorityClass(*previous);
    return armed ? 0 : kAutoPowerOnFailed;
}

void PowerOff(uint32_t flags) {
    platform::OsVersionInfo info;
    info.size = platform::OsVersionInfo::kBasicSize;
    if (platform::GetVersionEx(info) && info.platformId == 2)
        (void)platform::EnablePrivilege("SeShutdownPrivilege");
    // Shut-down and power-off both end with the machine off; the machine has nothing to log off from.
    if (flags & (kExitWindowsShutdown | kExitWindowsPowerOff))
        (void)platform::PowerOffMachine();
}

}  // namespace fwupdate
