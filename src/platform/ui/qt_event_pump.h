#pragma once

// The event pump of the Qt programs: while a child runs, the window keeps painting, its timers fire
// and its buttons answer, and the thread sleeps in the event loop instead of polling the child.

#include "platform/process.h"

namespace platform {

// Runs a local event loop until `fd` is readable. Without a QCoreApplication it simply blocks on
// the fd.
void PumpQtEventsUntilReadable(int fd);

// The pump to hand to Process::Wait from a Qt program.
EventPump QtEventPump();

}  // namespace platform
