#include "platform/device.h"

#include <algorithm>
#include <cstring>

#include "platform/ascii.h"
#include "platform/driver_module.h"
#include "platform/machine.h"
#include "platform/machine_hardware.h"
#include "platform/services.h"
#include "platform/system_root.h"

namespace platform {

namespace {

constexpr unsigned kDriveCount = 4;
constexpr uint8_t kIdentifyDevice = 0xEC;
constexpr uint8_t kIdentifyPacketDevice = 0xA1;
// Offsets in SENDCMDINPARAMS: IDEREGS from byte 4, then the drive number.
constexpr size_t kCommandRegister = 10;
constexpr size_t kDriveNumber = 12;
// Capabilities of GETVERSIONINPARAMS: ATA identify, ATAPI identify, SMART commands.
constexpr uint32_t kSmartCapabilities = 0x1 | 0x2 | 0x4;

void PutDword(std::span<uint8_t> out, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A device handle to a driver module's device: the process has its own load of the driver's copy.
class DriverDevice : public Device {
  public:
    DriverDevice(std::unique_ptr<DriverModule> module, std::unique_ptr<MachineHardware> hardware)
        : module_(std::move(module)), hardware_(std::move(hardware)) {}
    ~DriverDevice() override {
        // Closing cannot fail for the caller; a driver that refuses it is unloaded all the same.
        (void)module_->Request(*hardware_, KIT_DRIVER_CLOSE, 0, {}, {});
    }
    DriverDevice(const DriverDevice&) = delete;
    DriverDevice& operator=(const DriverDevice&) = delete;

    Result<size_t> IoControl(uint32_t code, std::span<const uint8_t> input,
                             std::span<uint8_t> output) override {
        return module_->Request(*hardware_, KIT_DRIVER_IOCONTROL, code, input, output);
    }

  private:
    std::unique_ptr<DriverModule> module_;
    std::unique_ptr<MachineHardware> hardware_;
};

// "\\.\PhysicalDriveN": the disk driver answering the SMART requests from the machine's drives.
class PhysicalDrive : public Device {
  public:
    explicit PhysicalDrive(unsigned drive) : drive_(drive) {}

    Result<size_t> IoControl(uint32_t code, std::span<const uint8_t> input,
                             std::span<uint8_t> output) override {
        Result<Machine> machine = ReadMachine(MachineFolder());
        if (!machine)
            return machine.error();
        if (code == kSmartGetVersion)
            return Version(*machine, output);
        if (code == kSmartRcvDriveData)
            return Identify(*machine, input, output);
        return Fail("PhysicalDrive" + std::to_string(drive_) + ": unsupported control code");
    }

  private:
    Result<size_t> Version(const Machine& machine, std::span<uint8_t> output) const {
        if (output.size() < kSmartVersionSize)
            return Fail("SMART_GET_VERSION: the output buffer is too small");
        std::fill(output.begin(), output.begin() + kSmartVersionSize, 0);
        output[0] = 1;  // version
        output[1] = 1;  // revision
        output[3] = machine.DiskDeviceMap(drive_);
        PutDword(output, 4, kSmartCapabilities);
        return kSmartVersionSize;
    }

    Result<size_t> Identify(const Machine& machine, std::span<const uint8_t> input,
                            std::span<uint8_t> output) const {
        if (input.size() < kSmartInputMinSize)
            return Fail("SMART_RCV_DRIVE_DATA: the input is too short");
        if (output.size() < kSmartOutputHeaderSize + kIdentifySize)
            return Fail("SMART_RCV_DRIVE_DATA: the output buffer is too small");
        uint8_t command = input[kCommandRegister];
        if (command != kIdentifyDevice && command != kIdentifyPacketDevice)
            return Fail("SMART_RCV_DRIVE_DATA: unsupported command");
        if (input[kDriveNumber] != drive_)
            return Fail("SMART_RCV_DRIVE_DATA: the request names another drive");
        std::optional<std::vector<uint8_t>> data = machine.DiskIdentify(drive_, command);
        if (!data || data->size() != kIdentifySize)
            return Fail("SMART_RCV_DRIVE_DATA: the drive aborted the identify command");
        std::fill(output.begin(), output.begin() + kSmartOutputHeaderSize, 0);
        PutDword(output, 0, static_cast<uint32_t>(kIdentifySize));
        std::copy(data->begin(), data->end(), output.begin() + kSmartOutputHeaderSize);
        return kSmartOutputHeaderSize + kIdentifySize;
    }

    unsigned drive_;
};

// The NAME of "\\.\NAME"; none for a path that is not a device path.
std::optional<std::string> DeviceName(std::string_view path) {
    if (path.size() <= 4)
        return std::nullopt;
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (!separator(path[0]) || !separator(path[1]) || path[2] != '.' || !separator(path[3]))
        return std::nullopt;
    std::string name(path.substr(4));
    if (name.find_first_of("\\/") != std::string::npos || name.find('\0') != std::string::npos)
        return std::nullopt;
    return name;
}

// N of "PhysicalDriveN"; none for other names or a number that is not a plain decimal.
std::optional<unsigned> DriveNumber(std::string_view name) {
    constexpr std::string_view kPrefix = "physicaldrive";
    if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 3 ||
        !EqualsNoCase(name.substr(0, kPrefix.size()), kPrefix))
        return std::nullopt;
    unsigned number = 0;
    for (char c : name.substr(kPrefix.size())) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return number;
}

}  // namespace

Result<std::unique_ptr<Device>> OpenDevice(std::string_view path) {
    std::string shown(path.substr(0, path.find('\0')));
    std::optional<std::string> name = DeviceName(path);
    if (!name)
        return Fail(shown + ": not a device path");

    if (std::optional<unsigned> drive = DriveNumber(*name)) {
        Result<Machine> machine = ReadMachine(MachineFolder());
        if (!machine)
            return WithContext(machine.error(), "opening " + shown);
        if (*drive >= kDriveCount || machine->DiskDeviceMap(*drive) == 0)
            return Fail(shown + ": no such device");
        return std::unique_ptr<Device>(std::make_unique<PhysicalDrive>(*drive));
    }

    for (const LoadedDriver& driver : LoadedDrivers()) {
        if (!EqualsNoCase(driver.device.DosName(), *name))
            continue;
        Result<std::unique_ptr<DriverModule>> module = DriverModule::Load(driver.loadedCopy);
        if (!module)
            return WithContext(module.error(), "opening " + shown);
        std::unique_ptr<MachineHardware> hardware = OpenMachineHardware();
        Result<size_t> opened = (*module)->Request(*hardware, KIT_DRIVER_OPEN, 0, {}, {});
        if (!opened)
            return WithContext(opened.error(), "opening " + shown);
        return std::unique_ptr<Device>(
            std::make_unique<DriverDevice>(std::move(*module), std::move(hardware)));
    }
    return Fail(shown + ": no such device");
}

}  // namespace platform
