#pragma once

// Devices as CreateFile("\\.\NAME") and DeviceIoControl reach them. Two kinds exist:
// - the device of a loaded driver module: "\\.\ADDMEM" when a running driver declares the link
//   "\DosDevices\ADDMEM"; the process loads the driver's loaded copy and passes every request into it
//   (see services.h). Opening fails when no running driver declares the name.
//   An open handle keeps its own load of the module, as a handle keeps a driver on Windows; after the
//   driver stops it still answers; its hardware requests fail while the machine is off.
// - "\\.\PhysicalDrive0" to "3", the disk driver of the simulated notebook's drives, answering
//   SMART_GET_VERSION and SMART_RCV_DRIVE_DATA (ATA identify). A drive that does not exist fails to open.
// Names are compared without regard to case; "//./NAME" is accepted as well.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/result.h"

namespace platform {

// Disk driver control codes.
inline constexpr uint32_t kSmartGetVersion = 0x74080;
inline constexpr uint32_t kSmartRcvDriveData = 0x7C088;
// Sizes of their buffers: GETVERSIONINPARAMS; SENDCMDINPARAMS (up to the drive number); the
// SENDCMDOUTPARAMS header before the 512 identify bytes.
inline constexpr size_t kSmartVersionSize = 24;
inline constexpr size_t kSmartInputMinSize = 13;
inline constexpr size_t kSmartOutputHeaderSize = 16;
inline constexpr size_t kIdentifySize = 512;

// An open device handle; closing is destroying it.
class Device {
  public:
    virtual ~Device() = default;
    // DeviceIoControl: the bytes written into `output`, or an error.
    virtual Result<size_t> IoControl(uint32_t code, std::span<const uint8_t> input,
                                     std::span<uint8_t> output) = 0;
};

// CreateFile of a device path (existing only).
Result<std::unique_ptr<Device>> OpenDevice(std::string_view path);

}  // namespace platform
