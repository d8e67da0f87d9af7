#pragma once

// The updater's trace hook: diagnostic lines at fixed points of the update ("DeleteDirectoryFile :
// %s is Deleted\r\n", "Bios command : %s\r\n", ...). They go to the platform's debug-string channel,
// so a diagnostic run (WINSYS_DEBUG_LOG set) records them and an ordinary run discards them.

namespace fwupdate {

// printf-style; a line longer than 1024 bytes is cut.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace fwupdate
