#pragma once

// The end of an update: the embedded controller is asked to switch the machine on again after the
// next power-off, and the machine is powered off so the new firmware starts from a cold boot.

#include <cstdint>

namespace fwupdate {

inline constexpr uint16_t kAutoPowerOnRegister = 0xE887;
inline constexpr uint32_t kExitWindowsShutdown = 0x1;
inline constexpr uint32_t kExitWindowsPowerOff = 0x8;

// 0, or non-zero when the driver cannot be opened or the embedded controller does not answer.
uint32_t SetAutoPowerOn();

// Enables the shutdown privilege (on the NT family) and powers off; nothing is reported.
void PowerOff(uint32_t flags);

}  // namespace fwupdate
