#pragma once

// After a flash the chipset's global SMI enable bit is set again, so the new BIOS can serve its
// system-management interrupts before the machine is powered off.

#include <cstdint>

namespace fwupdate {

// 0, or non-zero when the driver cannot be opened, the LPC bridge is missing or a register access
// fails.
uint32_t EnableSmi();

}  // namespace fwupdate
