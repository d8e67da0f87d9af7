#pragma once

// Version, locale, environment and system folders of the emulated system, in the shape the programs
// ask for them on Windows. Everything comes from the current system root (system.ini and its folders).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The version record. The caller sets `size` to the record it asks for, as on Windows: 156 for the
// extended record, 148 for the basic one.
struct OsVersionInfo {
    static constexpr uint32_t kExtendedSize = 156;
    static constexpr uint32_t kBasicSize = 148;
    uint32_t size = kExtendedSize;
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    std::string csdVersion;  // the service-pack text
};

// False when the system does not accept a record of that size (or the size is neither).
bool GetVersionEx(OsVersionInfo& info);

struct NativeSystemInfo {
    uint16_t processorArchitecture = 0;  // 0: x86, 9: x64
};
// False when the system has no GetNativeSystemInfo (look it up with HasKernelFunction first, as the
// programs do).
bool GetNativeSystemInfo(NativeSystemInfo& info);

// Whether a function of a system library exists on this system, looked up by name. Of kernel32.dll,
// GetNativeSystemInfo and the WOW64 redirection functions are optional; the other kernel32 functions
// always exist. Other libraries are unknown here.
bool HasKernelFunction(std::string_view module, std::string_view function);

uint32_t GetUserDefaultLCID();
uint16_t GetSystemDefaultLangID();
uint32_t GetACP();

// The process environment first, then the environment of system.ini; TEMP and TMP fall back on the
// system root's Temp folder.
std::optional<std::string> GetEnvironmentVariable(std::string_view name);
// TMP, TEMP or the root's Temp folder, with a trailing separator.
std::string GetTempPath();

// System folders of the root, without trailing separator.
std::string GetWindowsDirectory();
std::string GetSystemDirectory();
// Empty when the system has no WOW64 (no GetSystemWow64DirectoryA).
std::string GetSystemWow64Directory();
std::string GetCommonAppDataFolder();

// The per-process WOW64 redirection switch. Paths are not redirected here; the switch only records
// the state, so the programs' calls behave as on a 64-bit system. Both fail on a system without the
// functions.
bool Wow64DisableWow64FsRedirection(void** oldValue);
bool Wow64RevertWow64FsRedirection(void* oldValue);
bool Wow64RedirectionDisabled();

}  // namespace platform
