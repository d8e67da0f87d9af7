#pragma once

// Hardware access as the hardware-access driver provides it: I/O ports of 8, 16 and 32 bits and
// physical memory. The simulated implementation serves each request from the machine in a folder,
// loading and saving it under its lock, so separate processes see one machine. Driver modules and
// tests call this interface; a recording or another machine could stand behind it.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/machine.h"

namespace platform {

class MachineHardware {
  public:
    virtual ~MachineHardware() = default;

    // A request fails when the machine is off or cannot be read or saved.
    virtual std::optional<uint32_t> ReadPort(uint16_t port, unsigned width) = 0;
    virtual bool WritePort(uint16_t port, unsigned width, uint32_t value) = 0;
    virtual bool ReadPhysical(uint64_t address, std::span<uint8_t> out) = 0;
    virtual bool WritePhysical(uint64_t address, std::span<const uint8_t> bytes) = 0;

    std::optional<uint8_t> ReadPortByte(uint16_t port);
    std::optional<uint16_t> ReadPortWord(uint16_t port);
    std::optional<uint32_t> ReadPortDword(uint16_t port) { return ReadPort(port, 4); }
    bool WritePortByte(uint16_t port, uint8_t value) { return WritePort(port, 1, value); }
    bool WritePortWord(uint16_t port, uint16_t value) { return WritePort(port, 2, value); }
    bool WritePortDword(uint16_t port, uint32_t value) { return WritePort(port, 4, value); }
};

// The simulated notebook in a folder (the system root's machine/ folder by default).
std::unique_ptr<MachineHardware> OpenMachineHardware(const std::filesystem::path& folder);
std::unique_ptr<MachineHardware> OpenMachineHardware();

// Power as the system reports it.
struct PowerStatus {
    uint8_t acLine = 1;            // 0 offline, 1 online, 255 unknown
    uint8_t batteryPercent = 100;  // 0 to 100, 255 unknown
};
std::optional<PowerStatus> QueryPowerStatus();
// The fixed free-disk figure in MiB that tests set to override the real one; none when unset.
std::optional<uint64_t> FixedFreeDiskMiB();
// The process priority class as the machine records it (so a test can see it raised and restored).
std::optional<unsigned> ProcessPriorityClass();
bool SetProcessPriorityClass(unsigned priorityClass);
// Powers the machine of the current root off (and on again at once when auto power-on is armed).
Result<void> PowerOffMachine();
// Powers it on; false when it was already on.
Result<bool> PowerOnMachine();

// The present devices of the machine of the current root, in their order (SetupDiGetClassDevs of
// every class); none when the machine cannot be read.
std::optional<std::vector<MachineDevice>> PresentDevices();
// The property change (DIF_PROPERTYCHANGE, enable or disable) of device `index` of that list: false
// when the device refuses it (see Machine::SetDeviceEnabled) or the machine cannot be saved.
bool SetPresentDeviceEnabled(size_t index, bool enabled);

}  // namespace platform
