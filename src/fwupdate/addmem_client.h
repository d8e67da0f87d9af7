#pragma once

// The updater's side of its hardware-access driver: the service "ADDMEM" installed from the working
// folder's "AddMem.sys" on demand, the device "\\.\ADDMEM", and the control requests that carry each
// port and memory access to it.

#include <memory>

#include "fwupdate/hardware_channel.h"
#include "platform/device.h"

namespace fwupdate {

inline constexpr const char* kAddMemServiceName = "ADDMEM";
inline constexpr const char* kAddMemDevicePath = "\\\\.\\ADDMEM";

class AddMemDriver : public HardwareChannel {
  public:
    explicit AddMemDriver(std::unique_ptr<platform::Device> device) : device_(std::move(device)) {}

    std::optional<uint32_t> ReadPort(uint16_t port, unsigned width) override;
    bool WritePort(uint16_t port, unsigned width, uint32_t value) override;
    bool ReadPhysical(uint64_t address, std::span<uint8_t> out) override;
    bool WritePhysical(uint64_t address, std::span<const uint8_t> bytes) override;

  private:
    std::unique_ptr<platform::Device> device_;
};

// One attempt at opening the driver: the device as it is, else after installing the service (a
// failed installation is cleaned up and tried once more). None when the device stays closed.
std::unique_ptr<HardwareChannel> OpenAddMemDriver();

// Registers and starts the service from "ADDMEM.SYS" of the current directory, replacing one left
// from an earlier run. A start that fails does not fail the installation; the open that follows
// tells.
bool InstallAddMemService();
// Stops and deletes the service; false when there is none.
bool RemoveAddMemService();

}  // namespace fwupdate
