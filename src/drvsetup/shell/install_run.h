#pragma once

// The driver install and uninstall run: the INF of the running Windows family, the marker file in the
// system driver folder, the Driver Package Installer next to the INF with fixed switches, then the
// product's follow-up program, and the close request. The window takes part only through
// IInstallRunHost, so the run works and is tested without one.

#include <cstdint>
#include <string>

#include "platform/process.h"

namespace drvsetup {

class ApDrvInstall_HwSetting;
class CmdLineParam;

// What a run needs from the installer window.
class IInstallRunHost {
  public:
    // Shows and starts the animation while the installer works; stops and hides it afterwards.
    virtual void StartAnimation() = 0;
    virtual void StopAnimation() = 0;
    // The product box is disabled during a run so that no other product can be picked.
    virtual void SetProductBoxEnabled(bool enabled) = 0;
    // Takes the window out of the topmost band while another program has the screen, and back.
    virtual void SetTopmost(bool topmost) = 0;
    // The window closes at its next timer tick.
    virtual void RequestClose() = 0;
    // Lets the window process its events while a child runs; empty to simply block.
    virtual platform::EventPump WaitPump() = 0;
    virtual ~IInstallRunHost() = default;
};

// The exit code reported for a program that could not be started (STILL_ACTIVE).
inline constexpr int32_t kStillActive = 259;

// Enables the take-ownership, load-driver and security privileges, in that order, stopping at the
// first failure with its debug line. True only when all three were enabled.
bool EnablePrivileges();

// Starts the program (quoted) with the arguments and waits for it; its exit code, or kStillActive
// when it could not be started.
int32_t RunProgramAndWait(const std::string& program, const std::string& arguments,
                          const platform::EventPump& pump);
// The same for a complete command line.
int32_t RunCommandAndWait(const std::string& commandLine, const platform::EventPump& pump);

// The follow-up program's command line: the path in quotes and one space, then one more space and the
// parameters when there are any.
std::string FollowUpCommandLine(const std::string& path, const std::string& parameters);

// The family whose INF list a run uses: Vista 64, XP 64 and Vista 32 stand for themselves, everything
// else (Windows 2000 and unknown systems included) for XP 32-bit.
int32_t RunFamily(int32_t osCode);

// The Install and Uninstall buttons (and the timer of an unattended command line).
void InstallButtonClick(ApDrvInstall_HwSetting& setting, const CmdLineParam& cmdLine, IInstallRunHost& host);
void UninstallButtonClick(ApDrvInstall_HwSetting& setting, const CmdLineParam& cmdLine,
                          IInstallRunHost& host);

}  // namespace drvsetup
