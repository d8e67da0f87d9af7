#include "platform/system_root.h"

#include <cstdlib>
#include <mutex>
#include <system_error>

#include "platform/system_config_file.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

struct RootState {
    std::mutex mutex;
    fs::path overrideRoot;
    fs::path root;
    std::optional<SystemConfig> config;
};

RootState& State() {
    static RootState state;
    return state;
}

fs::path DefaultRoot() {
    if (const char* env = std::getenv("WINSYS_ROOT"); env != nullptr && *env != '\0') {
        return fs::path(env);
    }
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
        return fs::path(data) / "winsys";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr && *home != '\0' ? home : "/tmp") / ".local/share/winsys";
}

SystemConfig Preset(std::string name, unsigned platformId, unsigned major, unsigned minor, unsigned build,
                    std::string servicePack, bool extended, unsigned arch, bool nativeInfo, bool wow64) {
    SystemConfig c;
    c.name = std::move(name);
    c.platformId = platformId;
    c.major = major;
    c.minor = minor;
    c.build = build;
    c.servicePack = std::move(servicePack);
    c.extendedVersionQuery = extended;
    c.processorArchitecture = arch;
    c.nativeSystemInfo = nativeInfo;
    c.wow64Redirection = wow64;
    c.privileges = KnownPrivileges();
    return c;
}

}  // namespace

const std::vector<std::string>& KnownPrivileges() {
    static const std::vector<std::string> names = {
        "SeAssignPrimaryTokenPrivilege",
        "SeAuditPrivilege",
        "SeBackupPrivilege",
        "SeChangeNotifyPrivilege",
        "SeCreateGlobalPrivilege",
        "SeCreatePagefilePrivilege",
        "SeCreatePermanentPrivilege",
        "SeCreateTokenPrivilege",
        "SeDebugPrivilege",
        "SeImpersonatePrivilege",
        "SeIncreaseBasePriorityPrivilege",
        "SeIncreaseQuotaPrivilege",
        "SeLoadDriverPrivilege",
        "SeLockMemoryPrivilege",
        "SeManageVolumePrivilege",
        "SeProfileSingleProcessPrivilege",
        "SeRemoteShutdownPrivilege",
        "SeRestorePrivilege",
        "SeSecurityPrivilege",
        "SeShutdownPrivilege",
        "SeSystemEnvironmentPrivilege",
        "SeSystemProfilePrivilege",
        "SeSystemtimePrivilege",
        "SeTakeOwnershipPrivilege",
        "SeTcbPrivilege",
        "SeUndockPrivilege",
    };
    return names;
}

// The version records are those each system reports: the 9x family has platform id 1 and puts its
// edition letter into the service-pack text; Windows 95 and NT 4 before SP6 know only the basic
// record; Windows 2000 lacks GetNativeSystemInfo and the WOW64 functions.
std::optional<SystemConfig> PresetConfig(std::string_view name) {
    if (name == "95")
        return Preset("95", 1, 4, 0, 950, "", false, 0, false, false);
    if (name == "98")
        return Preset("98", 1, 4, 10, 1998, "", true, 0, false, false);
    if (name == "98se")
        return Preset("98se", 1, 4, 10, 2222, " A ", true, 0, false, false);
    if (name == "me")
        return Preset("me", 1, 4, 90, 3000, "", true, 0, false, false);
    if (name == "nt4")
        return Preset("nt4", 2, 4, 0, 1381, "Service Pack 6", true, 0, false, false);
    if (name == "2000")
        return Preset("2000", 2, 5, 0, 2195, "Service Pack 4", true, 0, false, false);
    if (name == "xp")
        return Preset("xp", 2, 5, 1, 2600, "Service Pack 2", true, 0, true, false);
    if (name == "xp64")
        return Preset("xp64", 2, 5, 2, 3790, "Service Pack 2", true, 9, true, true);
    if (name == "vista32")
        return Preset("vista32", 2, 6, 0, 6002, "Service Pack 2", true, 0, true, false);
    if (name == "vista64")
        return Preset("vista64", 2, 6, 0, 6002, "Service Pack 2", true, 9, true, true);
    if (name == "win7")
        return Preset("win7", 2, 6, 1, 7601, "Service Pack 1", true, 9, true, true);
    return std::nullopt;
}

std::vector<std::string> PresetNames() {
    return {"95", "98", "98se", "me", "nt4", "2000", "xp", "xp64", "vista32", "vista64", "win7"};
}

fs::path CurrentSystemRoot() {
    RootState& s = State();
    std::lock_guard lock(s.mutex);
    if (s.root.empty()) {
        s.root = s.overrideRoot.empty() ? DefaultRoot() : s.overrideRoot;
    }
    return s.root;
}

void UseSystemRoot(const fs::path& root) {
    RootState& s = State();
    std::lock_guard lock(s.mutex);
    s.overrideRoot = root;
    s.root.clear();
    s.config.reset();
}

Result<void> InitSystemRoot(const fs::path& root, const SystemConfig& config) {
    std::error_code ec;
    for (const fs::path& sub : {fs::path("Windows/system32/Drivers"), fs::path("Windows/SysWOW64"),
                                fs::path("Windows/inf"), fs::path("ProgramData"), fs::path("Temp")}) {
        fs::create_directories(root / sub, ec);
        if (ec) {
            return Fail("creating " + (root / sub).string() + ": " + ec.message());
        }
    }
    return WriteSystemConfig(root, config);
}

Result<void> EnsureSystemRoot(const fs::path& root) {
    std::error_code ec;
    if (fs::exists(root / "system.ini", ec)) {
        return {};
    }
    return InitSystemRoot(root, *PresetConfig("xp"));
}

Result<SystemConfig> ReadSystemConfig(const fs::path& root) {
    return ReadSystemConfigFile(root / "system.ini");
}

Result<void> WriteSystemConfig(const fs::path& root, const SystemConfig& config) {
    return WriteSystemConfigFile(root / "system.ini", config);
}

const SystemConfig& CurrentSystemConfig() {
    fs::path root = CurrentSystemRoot();
    RootState& s = State();
    std::lock_guard lock(s.mutex);
    if (!s.config) {
        (void)EnsureSystemRoot(root);
        Result<SystemConfig> read = ReadSystemConfig(root);
        s.config = read.ok() ? read.value() : *PresetConfig("xp");
    }
    return *s.config;
}

fs::path WindowsFolder() {
    return CurrentSystemRoot() / "Windows";
}
fs::path System32Folder() {
    return WindowsFolder() / "system32";
}
fs::path SysWow64Folder() {
    return WindowsFolder() / "SysWOW64";
}
fs::path CommonAppDataFolder() {
    return CurrentSystemRoot() / "ProgramData";
}
fs::path RootTempFolder() {
    return CurrentSystemRoot() / "Temp";
}
fs::path RegistryDatabase() {
    return CurrentSystemRoot() / "registry.db";
}
fs::path MachineFolder() {
    return CurrentSystemRoot() / "machine";
}

}  // namespace platform
