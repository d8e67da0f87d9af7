#pragma once

// The simulated notebook behind the platform layer, kept in the system root's machine/ folder:
//   machine.ini  its settings and the state of its devices (readable text)
//   flash.rom    the firmware in the flash chip
//   running.rom  the firmware the machine booted with (what the BIOS segment shows)
//   ec.bin       the 64 KiB register space of the embedded controller
//   ram.bin      conventional memory 0x90000-0x9FFFF (the SMI request buffer lives there)
//   machine.lock taken around every read-modify-write, so separate processes see one machine
//
// Every request of a process loads the machine, changes it and saves what changed before the lock
// is released; nothing is cached between requests.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine_rom.h"
#include "platform/result.h"

namespace platform {

// What `winsys machine init` and `set` decide about the machine.
struct MachineSettings {
    // Firmware identity the first ROM is built from.
    std::string model = "NB10";
    std::string partNumber = "011";
    std::string version = "P01A";
    std::string releaseDate = "12/31/2006";
    std::string biosFlagDefault = "NBF 2006";
    unsigned romKiB = 1024;
    bool smiPresent = true;
    unsigned smiVersion = 0x24;
    bool smiModelFF = false;  // SMI function 4 answers 0xFF bytes instead of the model
    // DMI texts the firmware reports.
    std::string serial = "SN0012345678";
    std::string biosFlag = "NBF 2006";
    std::string purchaseDate = "01/15/2007";
    // Chipset.
    bool lpcBridge = true;
    unsigned acpiBase = 0x1000;
    bool smiEnabled = true;  // the SMI enable bit the firmware sets at power-on
    // Power and system.
    unsigned ac = 1;          // 0 offline, 1 online, 255 unknown
    unsigned battery = 100;   // percent, 255 unknown
    std::string freeDiskMiB;  // empty: the real free space
    unsigned priorityClass = 0x20;
    std::string ecFirmware = "1.10";         // the embedded controller's running firmware
    std::string ecFirmwareFlashed = "1.10";  // in its flash; it runs from the next power-on
    // The outside flash tools end with a failure status without writing anything.
    bool failBiosTool = false;
    bool failMicomTool = false;
    // Seconds each flash tool takes before it writes, so a test can interrupt an update mid-flash.
    unsigned flashToolSeconds = 0;
    // Physical drives 0 to 3: "none", or a comma-separated list of "ata" or "atapi" (packet device),
    // "fixed" (fixed-device bit), "removable", "security" (ATA security enabled).
    std::string disk0 = "ata,fixed";
    std::string disk1 = "atapi,removable";
    std::string disk2 = "none";
    std::string disk3 = "none";
    // Present devices, ";"-separated, each "class|name|disableable|problem|enabled" (problem 29: disabled
    // by its hardware).
    std::string devices =
        "Keyboard|Standard keyboard|0|0|1;Mouse|Touchpad|1|0|1;DiskDrive|Hard disk|0|0|1;CDROM|Optical "
        "drive|1|0|1";
    // A byte waiting in the keyboard controller at power-on: "none", "keyboard:0xNN" or "mouse:0xNN".
    std::string kbcPending = "none";
};

// One present device of the machine.
struct MachineDevice {
    std::string className;
    std::string name;
    bool disableable = false;
    unsigned problem = 0;  // 29: disabled by hardware
    bool enabled = true;
};
// The devices of a settings text; none when it is malformed.
std::optional<std::vector<MachineDevice>> ParseDevices(std::string_view text);
std::string DevicesText(const std::vector<MachineDevice>& devices);

// Keyboard controller: what the next byte written to port 0x60 means.
enum class KbcExpect : uint8_t {
    None,
    CommandByte,
    EcFunction,
    EcAddressHigh,
    EcAddressLow,
    EcValue,
    RestoreKeyboard,
    RestoreMouse,
};

// The state of the running machine's devices.
struct MachineState {
    bool poweredOn = true;
    uint8_t commandByte = 0x47;
    bool outputFull = false;
    bool outputMouse = false;
    uint8_t outputByte = 0;
    bool lastWasCommand = false;
    bool ecMode = false;  // between the enter (0xB1) and leave (0xB2-0xB4) commands
    bool ecWrite = false;
    uint16_t ecAddress = 0;
    KbcExpect expect = KbcExpect::None;
    uint32_t pciAddress = 0;
    uint16_t smiEnableWord = 0;
    // Power events and flash-tool command lines, oldest first.
    std::vector<std::string> history;
};

// DMI texts a BIOS flash asked the firmware to keep; the firmware reports them from the next power-on.
struct PendingDmi {
    std::optional<std::string> biosFlag;
    std::optional<std::string> purchaseDate;
    std::optional<std::string> serial;
    bool Empty() const { return !biosFlag && !purchaseDate && !serial; }
};

// One settable key: its name in machine.ini and on the `set` command line.
struct MachineKey {
    const char* name;
    const char* help;
};
const std::vector<MachineKey>& MachineKeys();

class Machine {
  public:
    // A healthy notebook (or the one the settings describe), powered on with its first firmware.
    static Machine Fresh(const MachineSettings& settings);
    // Loads the machine of a folder; fails when it has none or its files are broken.
    static Result<Machine> Load(const std::filesystem::path& folder);
    // Writes what changed since loading (everything for a fresh machine).
    Result<void> Save(const std::filesystem::path& folder);
    void MarkAllChanged();

    const MachineSettings& settings() const { return settings_; }
    MachineState& state() { return state_; }
    const MachineState& state() const { return state_; }
    PendingDmi& pendingDmi() { return pendingDmi_; }
    const PendingDmi& pendingDmi() const { return pendingDmi_; }
    // The embedded controller's flash: the version runs from the next power-on.
    void FlashEcFirmware(std::string version) { settings_.ecFirmwareFlashed = std::move(version); }

    // Changes one setting by name; the firmware identity keys give the machine a rebuilt ROM, in the
    // flash and running.
    Result<void> Set(std::string_view key, std::string_view value);
    std::string Get(std::string_view key) const;

    const std::vector<uint8_t>& Flash() const { return flash_.Get(); }
    const std::vector<uint8_t>& RunningRom() const { return running_.Get(); }
    // The flash chip: a write within the chip; the running firmware stays until the next power-on.
    Result<void> WriteFlash(size_t offset, std::span<const uint8_t> bytes);
    Result<void> ReplaceFlash(std::vector<uint8_t> rom);

    uint8_t EcRegister(uint16_t address) const { return ec_.Get()[address]; }
    void SetEcRegister(uint16_t address, uint8_t value);

    // Hardware as a driver sees it. Widths are 1, 2 or 4 bytes.
    uint32_t ReadPort(uint16_t port, unsigned width);
    void WritePort(uint16_t port, unsigned width, uint32_t value);
    std::vector<uint8_t> ReadMemory(uint64_t address, size_t length) const;
    void WriteMemory(uint64_t address, std::span<const uint8_t> bytes);

    std::vector<MachineDevice> Devices() const;
    // The property change of one device: false when it cannot be disabled, is disabled by its
    // hardware, or does not exist.
    bool SetDeviceEnabled(size_t index, bool enabled);

    // Physical drive i (0 to 3): the IDE device map its disk driver reports (0 when the drive does not
    // exist), and the 512 identify bytes for command 0xEC (identify device) or 0xA1 (identify packet
    // device); none when the drive does not answer that command.
    uint8_t DiskDeviceMap(unsigned drive) const;
    std::optional<std::vector<uint8_t>> DiskIdentify(unsigned drive, uint8_t command) const;

    // The BIOS segment as the running firmware shows it, with the SMBIOS entry point and table.
    std::vector<uint8_t> BiosSegment() const;
    std::optional<SmiDescriptor> RunningSmi() const;

    // Power-off honours the embedded controller's auto power-on bit (register 0xE887 bit 0): the
    // machine comes up again at once with the flashed firmware and the bit cleared.
    void PowerOff();
    // Boots the flashed firmware (BIOS and embedded controller, with the DMI texts a flash left
    // pending); false when the machine is already on.
    bool PowerOn();

  private:
    // A binary file of the machine, read only when a request needs it: most port requests touch
    // neither the firmware nor memory.
    class Blob {
      public:
        void Attach(std::filesystem::path path, size_t size);
        void Set(std::vector<uint8_t> bytes);
        const std::vector<uint8_t>& Get() const;
        std::vector<uint8_t>& Mutable();
        bool dirty = false;

      private:
        mutable std::vector<uint8_t> bytes_;
        mutable bool loaded_ = false;
        std::filesystem::path path_;
        size_t size_ = 0;
    };

    void Boot();
    void InitSmiState();
    void KbcCommand(uint8_t command);
    void KbcData(uint8_t data);
    void SmiPort(uint8_t value);
    uint32_t PciData() const;
    void RebuildRom();

    MachineSettings settings_;
    MachineState state_;
    PendingDmi pendingDmi_;
    Blob flash_;
    Blob running_;
    Blob ec_;
    Blob ram_;
};

// Loads the machine of a folder under its lock, lets the change run and saves it before unlocking.
// A folder without a machine gets a healthy one first.
Result<void> UpdateMachine(const std::filesystem::path& folder, const std::function<void(Machine&)>& change);
// Reads the machine under the lock (creating the healthy one when there is none).
Result<Machine> ReadMachine(const std::filesystem::path& folder);
// Replaces the machine of a folder with a fresh one, or with the one given (whatever state the
// folder was in, even a broken one).
Result<void> InitMachine(const std::filesystem::path& folder, const MachineSettings& settings);
Result<void> InitMachine(const std::filesystem::path& folder, Machine machine);

}  // namespace platform
