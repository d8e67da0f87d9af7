#pragma once

// The byte-level path to the machine that every hardware primitive of the updater goes through: I/O
// ports of 8, 16 and 32 bits and physical memory. The updater's own driver is one implementation; a
// simulated notebook or a recording can stand behind the same interface.

#include <cstdint>
#include <optional>
#include <span>

namespace fwupdate {

class HardwareChannel {
  public:
    virtual ~HardwareChannel() = default;

    // Each request reports whether the driver carried it out; widths are 1, 2 or 4 bytes.
    virtual std::optional<uint32_t> ReadPort(uint16_t port, unsigned width) = 0;
    virtual bool WritePort(uint16_t port, unsigned width, uint32_t value) = 0;
    virtual bool ReadPhysical(uint64_t address, std::span<uint8_t> out) = 0;
    virtual bool WritePhysical(uint64_t address, std::span<const uint8_t> bytes) = 0;
};

}  // namespace fwupdate
