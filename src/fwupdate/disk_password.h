#pragma once

// A hard disk with ATA security enabled could lock the machine out after the cold boot that follows
// the update, so the update refuses to run while one is present.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "fwupdate/result_codes.h"

namespace fwupdate {

// The 512 identify bytes of physical drive 0 to 3; none when the drive is skipped.
using AtaIdentifyFunction = std::function<std::optional<std::array<uint8_t, 512>>(unsigned drive)>;

// 0, or kResultHddPassword when a fixed drive reports security enabled.
uint32_t CheckHardDiskPassword(const AtaIdentifyFunction& identify);
// The same over the machine's physical drives.
uint32_t CheckHardDiskPassword();

}  // namespace fwupdate
