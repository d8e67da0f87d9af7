#pragma once

// The primitives the updater builds on its driver: port access, physical memory and its search, PCI
// configuration reads, the BIOS's software SMI and the embedded controller reached through the
// keyboard controller. Every retry and wait has a limit; reaching it fails the primitive, and the
// caller reports that as it reports a driver that fails.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "fwupdate/hardware_channel.h"

namespace fwupdate {

struct HardwareLimits {
    int portAttempts = 1000;                  // a port request the driver keeps refusing
    std::chrono::milliseconds smiPoll{2000};  // until the BIOS marks the SMI request done
    std::chrono::milliseconds kbcWait{1000};  // each keyboard-controller buffer wait
};

// The limits the high-level operations use; tests shorten them.
HardwareLimits CurrentHardwareLimits();
void SetHardwareLimits(const HardwareLimits& limits);

// The 17-byte descriptor the BIOS segment carries from its "SwSmi@" text on.
struct SmiInterface {
    uint16_t port = 0;
    uint8_t trigger = 0;
    uint8_t prepare = 0;
    uint8_t finish = 0;
    uint16_t bufferOffset = 0;
    uint16_t bufferSegment = 0;
    uint8_t version = 0;
    uint32_t BufferAddress() const { return uint32_t{bufferSegment} * 16 + bufferOffset; }
};

// What the embedded-controller enter step found waiting in the keyboard controller, so the leave
// step can put it back.
struct EcEnterState {
    enum Kind : uint8_t { Nothing = 0, MouseByte = 1, KeyboardByte = 2 };
    Kind kind = Nothing;
    uint8_t pending = 0;
};

inline constexpr uint64_t kBiosSegmentStart = 0xF0000;
inline constexpr size_t kBiosSegmentLength = 0x10000;
// Interface versions below this one do not answer the calls the updater makes.
inline constexpr uint8_t kMinimumSmiVersion = 0x24;

class HardwareAccess {
  public:
    explicit HardwareAccess(HardwareChannel& channel, HardwareLimits limits = CurrentHardwareLimits())
        : channel_(channel), limits_(limits) {}

    // Port requests are repeated while the driver refuses them, up to the attempt limit.
    std::optional<uint8_t> ReadPortByte(uint16_t port);
    std::optional<uint16_t> ReadPortWord(uint16_t port);
    std::optional<uint32_t> ReadPortDword(uint16_t port);
    bool WritePortByte(uint16_t port, uint8_t value);
    bool WritePortWord(uint16_t port, uint16_t value);
    bool WritePortDword(uint16_t port, uint32_t value);

    bool ReadPhysical(uint64_t address, std::span<uint8_t> out);
    bool WritePhysical(uint64_t address, std::span<const uint8_t> bytes);

    // Configuration mechanism 1 through ports 0xCF8 and 0xCFC.
    std::optional<uint32_t> ReadPciConfig(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg);

    // The physical address of the first offset 0, step, 2 x step, ... of the window where the text
    // starts; 0 when it is nowhere (or the window cannot be read). A text ending exactly at the end of
    // the window is found.
    uint64_t Search(uint64_t start, size_t length, std::string_view text, size_t step);

    // Looks for the SMI descriptor in the BIOS segment; the SMI call is usable afterwards when it was
    // found with a recent enough version.
    bool FindSmiInterface();
    bool SmiUsable() const { return smi_ && smi_->version >= kMinimumSmiVersion; }
    const std::optional<SmiInterface>& smiInterface() const { return smi_; }
    // The 16 data bytes the BIOS answers; none when the interface is not usable, the input is longer
    // than 16 bytes, or the BIOS does not complete the request in time.
    std::optional<std::array<uint8_t, 16>> SmiCall(uint16_t function, std::span<const uint8_t> input);

    // Keyboard controller: status and command at 0x64, data at 0x60.
    std::optional<uint8_t> KbcStatus();
    bool KbcCommand(uint8_t command);
    bool KbcWriteData(uint8_t data);
    std::optional<uint8_t> KbcReadData();
    bool KbcWaitInputEmpty();
    bool KbcWaitOutputFull();

    // Embedded-controller register protocol. A read or write that fails half-way still tries the
    // leave step, so the keyboard controller is not left serving the embedded controller.
    std::optional<EcEnterState> EcEnter();
    bool EcLeave(const EcEnterState& state);
    std::optional<uint8_t> EcRead(uint16_t address);
    bool EcWrite(uint16_t address, uint8_t value);

  private:
    std::optional<uint32_t> ReadPort(uint16_t port, unsigned width);
    bool WritePort(uint16_t port, unsigned width, uint32_t value);
    bool KbcWaitStatus(uint8_t bit, bool set);
    bool EcAddress(uint8_t function, uint16_t address);

    HardwareChannel& channel_;
    HardwareLimits limits_;
    std::optional<SmiInterface> smi_;
};

}  // namespace fwupdate
