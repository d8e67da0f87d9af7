#include "fwupdate/input_lock.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "fwupdate/driver_handle.h"
#include "fwupdate/hardware_access.h"
#include "platform/ascii.h"
#include "platform/machine_hardware.h"

namespace fwupdate {

namespace {

constexpr unsigned kProblemHardwareDisabled = 29;

bool IsMouseClass(const std::string& className) {
    return className.size() >= 5 && platform::EqualsNoCase(std::string_view(className).substr(0, 5), "mouse");
}

// Commands (and the command byte after 0x60) to the keyboard controller, each after its input buffer
// has emptied.
void SendToKeyboardController(std::initializer_list<uint8_t> commands, uint8_t commandByte) {
    DriverSession driver(OpenAttempts::TenWithPause);
    if (!driver.open())
        return;
    HardwareAccess hardware(driver.channel());
    for (uint8_t command : commands) {
        if (!hardware.KbcWaitInputEmpty() || !hardware.KbcCommand(command))
            return;
    }
    if (!hardware.KbcWaitInputEmpty() || !hardware.KbcCommand(0x60) || !hardware.KbcWaitInputEmpty())
        return;
    (void)hardware.KbcWriteData(commandByte);
}

}  // namespace

void SetMouseDevicesEnabled(bool enabled) {
    // One pass over the present devices of all classes; nothing is reported, a device that refuses
    // the change just keeps its state.
    std::optional<std::vector<platform::MachineDevice>> devices = platform::PresentDevices();
    if (!devices)
        return;
    for (size_t i = 0; i < devices->size(); ++i) {
        const platform::MachineDevice& device = (*devices)[i];
        if (!IsMouseClass(device.className) || !device.disableable ||
            device.problem == kProblemHardwareDisabled)
            continue;
        (void)platform::SetPresentDeviceEnabled(i, enabled);
    }
}

void LockInput() {
    SetMouseDevicesEnabled(false);
    // Keyboard and mouse interfaces off; the command byte 0x74 masks both interrupts and stops both
    // clocks.
    SendToKeyboardController({0xAD, 0xA7}, 0x74);
}

void UnlockInput() {
    // Both interfaces on; 0x47 enables both interrupts and keeps translation and the system flag.
    SendToKeyboardController({0xAE, 0xA8}, 0x47);
    SetMouseDevicesEnabled(true);
}

}  // namespace fwupdate
