#pragma once

// The programs' debug-string channel. Lines go to the file named by WINSYS_DEBUG_LOG, so tests and
// scripts can read what a run reported; without the variable they are discarded, as they are on a
// system where no debugger listens.

#include <string>
#include <string_view>

namespace platform {

// Appends the line to WINSYS_DEBUG_LOG, adding a newline unless it ends with one. Newlines inside the
// line are kept. Safe to call from several threads and processes at once.
void OutputDebugString(std::string_view line);

// Appends bytes to a file (created when missing) in a single append, so that lines written by
// several threads or processes never interleave. False when the file cannot be opened or written.
bool AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace platform
