#pragma once

// ATA identify data of the physical drives, asked of their disk driver through its SMART requests.

#include <array>
#include <cstdint>
#include <optional>

namespace fwupdate {

// The 512 identify bytes of drive 0 to 3; none when the drive cannot be opened, reports no IDE
// device or fails the request.
std::optional<std::array<uint8_t, 512>> AtaIdentify(unsigned drive);

}  // namespace fwupdate
