#include "drvsetup/shell/install_run.h"

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/shell/cmd_line.h"
#include "drvsetup/shell/os_tools.h"
#include "platform/debug_output.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/privileges.h"
#include "platform/system_info.h"

namespace drvsetup {

namespace {

constexpr const char* kStars = "**********************************";

// The 13 characters and the terminating NUL, no line end.
constexpr std::string_view kMarkerContent("Do Not Delete\0", 14);

// A marker name comes from the setup INI; one that names another folder would let a setup file write
// anywhere on the system, so only a plain file name is taken.
bool IsPlainFileName(std::string_view name) {
    return name.find_first_of("\\/") == std::string_view::npos && name != "." && name != "..";
}

bool WriteMarker(const std::string& path) {
    return platform::WriteFileAtomically(platform::NativePath(path), kMarkerContent);
}

void WriteMarkerFile(int32_t osCode, const std::string& markerName) {
    if (markerName.empty()) {
        return;
    }
    bool plain = IsPlainFileName(markerName);
    if (osCode == OsVista64 || osCode == OsWinXP64) {
        platform::OutputDebugString(kStars);
        if (!platform::HasKernelFunction("kernel32.dll", "GetSystemWow64DirectoryA") ||
            !platform::HasKernelFunction("kernel32.dll", "Wow64DisableWow64FsRedirection") ||
            !platform::HasKernelFunction("kernel32.dll", "Wow64RevertWow64FsRedirection")) {
            platform::OutputDebugString("********** Create System File False ************");
            return;
        }
        std::string markerPath;
        void* old = nullptr;
        if (platform::Wow64DisableWow64FsRedirection(&old)) {
            platform::OutputDebugString("****myGetSystemWow64DirectoryA****");
            // The native folder sits beside the WOW64 one: its parent, then system32.
            std::string wow64 = platform::GetSystemWow64Directory().substr(0, 1023);
            markerPath = platform::FolderPart(wow64) + "\\system32\\Drivers\\" + markerName;
            if (plain) {
                (void)WriteMarker(markerPath);
            }
            platform::Wow64RevertWow64FsRedirection(old);
        }
        platform::OutputDebugString(markerPath);
        platform::OutputDebugString(kStars);
        return;
    }
    if (plain) {
        (void)WriteMarker(platform::GetWindowsDirectory().substr(0, 1023) + "\\system32\\Drivers\\" +
                          markerName);
    }
}

// The Driver Package Installer next to the INF: DPInst.exe, else DPInstX64.exe.
std::optional<std::string> FindInstaller(const PerInfFile& inf) {
    std::string folder = platform::FolderPart(inf.GetPath());
    for (const char* name : {"DPInst.exe", "DPInstX64.exe"}) {
        std::string candidate = folder + name;
        if (platform::FileExists(candidate)) {
            return candidate;
        }
    }
    platform::MessageBoxA("Can't find DPInst.exe", "Can't find DPInst.exe", platform::MB_OK);
    return std::nullopt;
}

void RunFollowUp(const ApDrvInstall_HwSetting& setting, int32_t programKey, int32_t parameterKey,
                 bool unattended, IInstallRunHost& host) {
    std::string parameters = setting.GetValue(parameterKey);
    if (unattended) {
        parameters += " /s";
    }
    std::string path = platform::ExecutableFolder() + setting.GetValue(programKey);
    if (!platform::FileExists(path)) {
        return;
    }
    host.SetTopmost(false);
    (void)RunCommandAndWait(FollowUpCommandLine(path, parameters), host.WaitPump());
    host.SetTopmost(true);
}

}  // namespace

std::string FollowUpCommandLine(const std::string& path, const std::string& parameters) {
    std::string commandLine = "\"" + path + "\" ";
    if (!parameters.empty()) {
        commandLine += ' ';
        commandLine += parameters;
    }
    return commandLine;
}

bool EnablePrivileges() {
    std::optional<platform::AccessToken> token = platform::AccessToken::OpenForProcess();
    if (!token) {
        return false;
    }
    struct Privilege {
        const char* name;
        const char* failure;
    };
    static constexpr Privilege kPrivileges[] = {
        {"SeTakeOwnershipPrivilege", "SetPrivilege(SE_TAKE_OWNERSHIP_NAME) False"},
        {"SeLoadDriverPrivilege", "SetPrivilege(SE_LOAD_DRIVER_NAME) False"},
        {"SeSecurityPrivilege", "SetPrivilege(SE_SECURITY_NAME) False"},
    };
    for (const Privilege& p : kPrivileges) {
        std::optional<uint32_t> luid = platform::LookupPrivilegeValue(p.name);
        if (!luid || !token->EnablePrivilege(*luid)) {
            platform::OutputDebugString(p.failure);
            return false;
        }
    }
    return true;
}

int32_t RunCommandAndWait(const std::string& commandLine, const platform::EventPump& pump) {
    auto process = platform::Process::Start(commandLine);
    if (!process) {
        return kStillActive;
    }
    // Waiting blocks on the child and on the window's events together, so nothing spins while an
    // installer runs and the window still repaints and ticks.
    return (*process)->Wait(pump);
}

int32_t RunProgramAndWait(const std::string& program, const std::string& arguments,
                          const platform::EventPump& pump) {
    std::string commandLine = "\"" + program + "\" ";
    commandLine += arguments;
    return RunCommandAndWait(commandLine, pump);
}

int32_t RunFamily(int32_t osCode) {
    return osCode == OsVista64 || osCode == OsWinXP64 || osCode == OsVista32 ? osCode : OsWinXP32;
}

void InstallButtonClick(ApDrvInstall_HwSetting& setting, const CmdLineParam& cmdLine, IInstallRunHost& host) {
    int32_t osCode = GetOsCode();
    PerInfFile* inf = setting.GetInf(RunFamily(osCode), 0);
    if (inf == nullptr) {
        return;
    }
    WriteMarkerFile(osCode, setting.GetValue(key::System32FileFlagFileName));
    std::optional<std::string> installer = FindInstaller(*inf);
    if (!installer) {
        return;
    }
    std::string arguments = IsSilentCmdLine() ? "/s /sw /f /lm /d /se /el " : "/f /lm /d /se /el ";
    host.StartAnimation();
    host.SetProductBoxEnabled(false);
    host.SetTopmost(false);
    (void)RunProgramAndWait(*installer, arguments, host.WaitPump());
    host.SetTopmost(true);
    host.StopAnimation();
    host.SetProductBoxEnabled(true);
    RunFollowUp(setting, key::Ap0, key::Ap0Param, cmdLine.AutoInstall() == 1, host);
    host.RequestClose();
}

void UninstallButtonClick(ApDrvInstall_HwSetting& setting, const CmdLineParam& cmdLine,
                          IInstallRunHost& host) {
    PerInfFile* inf = setting.GetInf(RunFamily(GetOsCode()), 0);
    if (inf == nullptr) {
        return;
    }
    std::optional<std::string> installer = FindInstaller(*inf);
    if (!installer) {
        return;
    }
    std::string arguments = IsSilentCmdLine() ? "/s " : "";
    arguments += "/u \"" + inf->GetPath() + "\" /D";
    host.StartAnimation();
    host.SetProductBoxEnabled(false);
    (void)RunProgramAndWait(*installer, arguments, host.WaitPump());
    host.StopAnimation();
    host.SetProductBoxEnabled(true);
    RunFollowUp(setting, key::UnAp0, key::UnAp0Param, cmdLine.AutoUninstall() == 1, host);
    host.RequestClose();
}

}  // namespace drvsetup
