#pragma once

// Starting Qt in the programs' main(): without a display they run headless on the offscreen
// platform, so an unattended run (tests, scripts over ssh) neither fails to start nor waits on a
// window nobody sees.

#include <QApplication>
#include <memory>

namespace platform {

// Sets QT_QPA_PLATFORM=offscreen when there is no display and the caller has not chosen a platform.
// Call before the QApplication is created. True when Qt will run offscreen for that reason.
bool PrepareQtPlatform();

// PrepareQtPlatform, the QApplication itself, and the Qt message box presenter. argc must outlive the
// application, as QApplication requires (main's own argc does).
std::unique_ptr<QApplication> StartQtApplication(int& argc, char** argv);

}  // namespace platform
