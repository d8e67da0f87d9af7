#pragma once

// Whether the process can show windows to someone: the programs decide between a dialog and the
// console, and between a real Qt platform and the offscreen one, on this alone.

namespace platform {

// True when DISPLAY or WAYLAND_DISPLAY names a display (an empty value counts as none).
bool HasDisplay();

}  // namespace platform
