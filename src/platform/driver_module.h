#pragma once

// A driver module loaded into this process: the shared object behind a kernel-driver service, driven
// through the one entry point of driver_abi.h. The module reaches the machine only through the
// MachineHardware it is handed with each request.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "platform/driver_abi.h"
#include "platform/library_module.h"
#include "platform/machine_hardware.h"
#include "platform/result.h"

namespace platform {

// The device a driver module creates.
struct DriverDeviceNames {
    std::string deviceName;  // "\Device\ADDMEM"
    std::string linkName;    // "\DosDevices\ADDMEM"
    // The name "\\.\NAME" opens: the link name after "\DosDevices\" (or after its last "\").
    std::string DosName() const;
};

class DriverModule {
  public:
    // Fails for a file that is not a loadable library and for a library without KitDriverEntry; the
    // error says which.
    static Result<std::unique_ptr<DriverModule>> Load(const std::filesystem::path& fullPath);

    // Asks the module for its device; fails when it declares none or a malformed one.
    Result<DriverDeviceNames> CreateDevice(MachineHardware& hardware);

    // One request; the bytes the module wrote into `output`, or an error naming the status it
    // returned. A module that claims more bytes than the output holds fails the request.
    Result<size_t> Request(MachineHardware& hardware, uint32_t kind, uint32_t code,
                           std::span<const uint8_t> input, std::span<uint8_t> output);

    const std::filesystem::path& path() const { return library_->path(); }

    DriverModule(std::unique_ptr<LibraryModule> library, KitDriverEntryFunction entry)
        : library_(std::move(library)), entry_(entry) {}

  private:
    std::unique_ptr<LibraryModule> library_;
    KitDriverEntryFunction entry_;
};

}  // namespace platform
