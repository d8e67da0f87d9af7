#include "platform/system_info.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>

#include "platform/ascii.h"
#include "platform/system_root.h"

namespace platform {

namespace {

std::atomic<bool> wow64Disabled{false};

// The old value handed out by the switch is opaque to callers; it only has to come back to the revert
// call, so two addresses stand for "was on" and "was off".
char wasDisabledToken;
char wasEnabledToken;

}  // namespace

bool GetVersionEx(OsVersionInfo& info) {
    const SystemConfig& c = CurrentSystemConfig();
    bool accepted = (info.size == OsVersionInfo::kExtendedSize && c.extendedVersionQuery) ||
                    (info.size == OsVersionInfo::kBasicSize && c.basicVersionQuery);
    if (!accepted) {
        return false;
    }
    info.majorVersion = c.major;
    info.minorVersion = c.minor;
    info.buildNumber = c.build;
    info.platformId = c.platformId;
    info.csdVersion = c.servicePack;
    return true;
}

bool GetNativeSystemInfo(NativeSystemInfo& info) {
    const SystemConfig& c = CurrentSystemConfig();
    if (!c.nativeSystemInfo) {
        return false;
    }
    info.processorArchitecture = static_cast<uint16_t>(c.processorArchitecture);
    return true;
}

bool HasKernelFunction(std::string_view module, std::string_view function) {
    std::string m = FoldCase(module);
    if (m != "kernel32.dll" && m != "kernel32") {
        return false;
    }
    const SystemConfig& c = CurrentSystemConfig();
    if (function == "GetNativeSystemInfo") {
        return c.nativeSystemInfo;
    }
    if (function == "GetSystemWow64DirectoryA" || function == "GetSystemWow64DirectoryW" ||
        function == "Wow64DisableWow64FsRedirection" || function == "Wow64RevertWow64FsRedirection") {
        return c.wow64Redirection;
    }
    return !function.empty();
}

uint32_t GetUserDefaultLCID() {
    return CurrentSystemConfig().userDefaultLcid;
}
uint16_t GetSystemDefaultLangID() {
    return static_cast<uint16_t>(CurrentSystemConfig().systemDefaultLangId);
}
uint32_t GetACP() {
    return CurrentSystemConfig().ansiCodePage;
}

namespace {

// The process environment, then system.ini's, without the TEMP fallback.
std::optional<std::string> LookUpVariable(std::string_view name) {
    std::string key(name);
    if (const char* value = std::getenv(key.c_str()); value != nullptr) {
        return std::string(value);
    }
    // Windows compares variable names without regard to case.
    std::string folded = FoldCase(name);
    for (const auto& [k, v] : CurrentSystemConfig().environment) {
        if (FoldCase(k) == folded) {
            return v;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> GetEnvironmentVariable(std::string_view name) {
    if (auto value = LookUpVariable(name)) {
        return value;
    }
    std::string folded = FoldCase(name);
    if (folded == "temp" || folded == "tmp") {
        return RootTempFolder().string();
    }
    return std::nullopt;
}

std::string GetTempPath() {
    std::string path;
    for (const char* name : {"TMP", "TEMP"}) {
        if (auto value = LookUpVariable(name); value && !value->empty()) {
            path = *value;
            break;
        }
    }
    if (path.empty()) {
        path = RootTempFolder().string();
    }
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) {
        path += '/';
    }
    return path;
}

std::string GetWindowsDirectory() {
    return WindowsFolder().string();
}
std::string GetSystemDirectory() {
    return System32Folder().string();
}

std::string GetSystemWow64Directory() {
    return CurrentSystemConfig().wow64Redirection ? SysWow64Folder().string() : std::string();
}

std::string GetCommonAppDataFolder() {
    return CommonAppDataFolder().string();
}

bool Wow64DisableWow64FsRedirection(void** oldValue) {
    if (!CurrentSystemConfig().wow64Redirection || oldValue == nullptr) {
        return false;
    }
    bool was = wow64Disabled.exchange(true);
    *oldValue = was ? &wasDisabledToken : &wasEnabledToken;
    return true;
}

bool Wow64RevertWow64FsRedirection(void* oldValue) {
    if (!CurrentSystemConfig().wow64Redirection) {
        return false;
    }
    wow64Disabled = oldValue == &wasDisabledToken;
    return true;
}

bool Wow64RedirectionDisabled() {
    return wow64Disabled;
}

}  // namespace platform
