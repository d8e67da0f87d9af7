#pragma once

// Keeps keyboard and mouse input away from the embedded controller while it is being rewritten: the
// mouse devices are disabled and the keyboard controller's interfaces switched off, and both are
// given back afterwards.

namespace fwupdate {

// Disables (enables) every present mouse device that can be disabled and is not already disabled by
// its hardware. A device that refuses stays as it was.
void SetMouseDevicesEnabled(bool enabled);

// The keyboard-controller part is skipped silently when the driver cannot be opened. Unlocking
// without a lock is harmless.
void LockInput();
void UnlockInput();

}  // namespace fwupdate
