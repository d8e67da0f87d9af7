#pragma once

// The stand-ins for outside programs record how they were started, one JSON line per run
// {"argv": [...], "cwd": "..."}, in a log of the system root's Windows folder, so tests and the demo can
// see the exact command lines the kit produced.

#include <string>
#include <vector>

namespace standins {

// Appends the line to Windows/<logName> of the current system root; false when it cannot be written.
bool AppendInvocation(const std::string& logName, const std::vector<std::string>& argv);

}  // namespace standins
