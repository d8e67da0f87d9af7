#pragma once

// The system root: the folder that holds the state of the emulated Windows system the programs run
// on (its version, locale, environment and privileges in system.ini, HKEY_LOCAL_MACHINE in
// registry.db, the Windows and common application-data folders, and the simulated notebook).
//
// It is the folder named by WINSYS_ROOT, or $XDG_DATA_HOME/winsys (~/.local/share/winsys) when that
// is unset, and it is created with defaults (Windows XP Service Pack 2, 32-bit, US English, code page
// 1252, every privilege held) on first use.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace platform {

// What system.ini says about the emulated system.
struct SystemConfig {
    std::string name = "xp";  // the preset it was made from ("xp", "win7", ...)
    // Version record.
    unsigned platformId = 2;  // 1: Windows 9x family, 2: NT family
    unsigned major = 5;
    unsigned minor = 1;
    unsigned build = 2600;
    std::string servicePack = "Service Pack 2";
    // Which version records the version query accepts: the extended one (NT 5 and later, NT 4 SP6,
    // Windows 98 and Me), the basic one, or none at all (a failed query).
    bool extendedVersionQuery = true;
    bool basicVersionQuery = true;
    unsigned processorArchitecture = 0;  // 0: x86, 9: x64
    // Optional kernel functions of kernel32.dll.
    bool nativeSystemInfo = true;   // GetNativeSystemInfo
    bool wow64Redirection = false;  // GetSystemWow64DirectoryA, Wow64Disable/RevertWow64FsRedirection
    // Locale.
    unsigned userDefaultLcid = 1033;
    unsigned systemDefaultLangId = 0x0409;
    unsigned ansiCodePage = 1252;
    // Process environment additions (TEMP and so on); the real process environment comes first.
    std::map<std::string, std::string> environment;
    // Whether the process may open its own access token to adjust privileges.
    bool openProcessToken = true;
    // Privileges the user holds, by name.
    std::vector<std::string> privileges;
};

// The presets `winsys init --os NAME` knows: 95, 98, 98se, me, nt4, 2000, xp, xp64, vista32, vista64,
// win7.
std::optional<SystemConfig> PresetConfig(std::string_view name);
std::vector<std::string> PresetNames();
// Every privilege name the emulated system knows (a name outside this list fails its look-up).
const std::vector<std::string>& KnownPrivileges();

// The folder the process works on: WINSYS_ROOT, the default folder, or the one set by UseSystemRoot.
std::filesystem::path CurrentSystemRoot();
// Points the process at another system root (tests, `winsys --root`). Drops cached state.
void UseSystemRoot(const std::filesystem::path& root);

// Creates a system root with the given configuration: system.ini, the folders, an empty registry.
// An existing system.ini is replaced; other files stay.
Result<void> InitSystemRoot(const std::filesystem::path& root, const SystemConfig& config);
// Makes sure the root exists, creating it with defaults when it does not.
Result<void> EnsureSystemRoot(const std::filesystem::path& root);

Result<SystemConfig> ReadSystemConfig(const std::filesystem::path& root);
Result<void> WriteSystemConfig(const std::filesystem::path& root, const SystemConfig& config);

// The configuration of the current root, read once per process (created with defaults first when
// the root does not exist yet). A root whose system.ini cannot be read falls back to the defaults.
const SystemConfig& CurrentSystemConfig();

// Folders of the current root.
std::filesystem::path WindowsFolder();        // Windows
std::filesystem::path System32Folder();       // Windows/system32
std::filesystem::path SysWow64Folder();       // Windows/SysWOW64
std::filesystem::path CommonAppDataFolder();  // ProgramData
std::filesystem::path RootTempFolder();       // Temp
std::filesystem::path RegistryDatabase();     // registry.db
std::filesystem::path MachineFolder();        // machine

}  // namespace platform
