#include "platform/system_config_file.h"

#include <algorithm>
#include <sstream>

#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace platform {

namespace {

constexpr const char* kVersion = "Version";
constexpr const char* kSystem = "System";
constexpr const char* kKernel32 = "Kernel32";
constexpr const char* kLocale = "Locale";
constexpr const char* kEnvironment = "Environment";
constexpr const char* kPrivileges = "Privileges";

// Numbers are decimal, or hexadecimal after "0x".
unsigned ReadNumber(const profile::ProfileFile& file, const char* section, const char* key,
                    unsigned fallback) {
    uint64_t value = 0;
    if (!ParseUnsigned(file.ReadString(section, key, ""), value) || value > 0xFFFFFFFFu) {
        return fallback;
    }
    return static_cast<unsigned>(value);
}

bool ReadFlag(const profile::ProfileFile& file, const char* section, const char* key, bool fallback) {
    return ReadNumber(file, section, key, fallback ? 1 : 0) != 0;
}

std::string Hex(unsigned value, int width) {
    std::ostringstream out;
    out << "0x" << std::hex;
    out.width(width);
    out.fill('0');
    out << value;
    return out.str();
}

}  // namespace

Result<SystemConfig> ReadSystemConfigFile(const std::filesystem::path& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        return Fail("cannot read " + path.string());
    }
    profile::ProfileFile file = profile::ProfileFile::FromBytes(bytes);
    if (!file.HasSection(kVersion)) {
        return Fail(path.string() + " has no [Version] section");
    }
    SystemConfig c = *PresetConfig("xp");
    c.name = file.ReadString(kSystem, "Name", c.name);
    c.platformId = ReadNumber(file, kVersion, "PlatformId", c.platformId);
    c.major = ReadNumber(file, kVersion, "MajorVersion", c.major);
    c.minor = ReadNumber(file, kVersion, "MinorVersion", c.minor);
    c.build = ReadNumber(file, kVersion, "BuildNumber", c.build);
    // Profile reading trims values, so blanks that belong to the text are kept inside quotes.
    c.servicePack = file.ReadString(kVersion, "ServicePack", c.servicePack);
    c.extendedVersionQuery = ReadFlag(file, kVersion, "ExtendedQuery", c.extendedVersionQuery);
    c.basicVersionQuery = ReadFlag(file, kVersion, "BasicQuery", c.basicVersionQuery);
    c.processorArchitecture = ReadNumber(file, kSystem, "ProcessorArchitecture", c.processorArchitecture);
    c.nativeSystemInfo = ReadFlag(file, kKernel32, "GetNativeSystemInfo", c.nativeSystemInfo);
    c.wow64Redirection = ReadFlag(file, kKernel32, "Wow64FsRedirection", c.wow64Redirection);
    c.userDefaultLcid = ReadNumber(file, kLocale, "UserDefaultLCID", c.userDefaultLcid);
    c.systemDefaultLangId = ReadNumber(file, kLocale, "SystemDefaultLangID", c.systemDefaultLangId);
    c.ansiCodePage = ReadNumber(file, kLocale, "AnsiCodePage", c.ansiCodePage);
    c.environment.clear();
    for (const std::string& name : file.KeyNames(kEnvironment)) {
        c.environment.emplace(name, file.ReadString(kEnvironment, name, ""));
    }
    c.openProcessToken = ReadFlag(file, kPrivileges, "OpenProcessToken", c.openProcessToken);
    c.privileges.clear();
    for (const std::string& name : file.KeyNames(kPrivileges)) {
        if (name != "OpenProcessToken" && ReadFlag(file, kPrivileges, name.c_str(), false)) {
            c.privileges.push_back(name);
        }
    }
    return c;
}

Result<void> WriteSystemConfigFile(const std::filesystem::path& path, const SystemConfig& c) {
    profile::ProfileFile file;
    auto flag = [](bool b) { return b ? "1" : "0"; };
    file.WriteString(kSystem, "Name", c.name);
    file.WriteString(kSystem, "ProcessorArchitecture", std::to_string(c.processorArchitecture));
    file.WriteString(kVersion, "PlatformId", std::to_string(c.platformId));
    file.WriteString(kVersion, "MajorVersion", std::to_string(c.major));
    file.WriteString(kVersion, "MinorVersion", std::to_string(c.minor));
    file.WriteString(kVersion, "BuildNumber", std::to_string(c.build));
    file.WriteString(kVersion, "ServicePack", "\"" + c.servicePack + "\"");
    file.WriteString(kVersion, "ExtendedQuery", flag(c.extendedVersionQuery));
    file.WriteString(kVersion, "BasicQuery", flag(c.basicVersionQuery));
    file.WriteString(kKernel32, "GetNativeSystemInfo", flag(c.nativeSystemInfo));
    file.WriteString(kKernel32, "Wow64FsRedirection", flag(c.wow64Redirection));
    file.WriteString(kLocale, "UserDefaultLCID", std::to_string(c.userDefaultLcid));
    file.WriteString(kLocale, "SystemDefaultLangID", Hex(c.systemDefaultLangId, 4));
    file.WriteString(kLocale, "AnsiCodePage", std::to_string(c.ansiCodePage));
    for (const auto& [name, value] : c.environment) {
        file.WriteString(kEnvironment, name, value);
    }
    if (c.environment.empty()) {
        // Keep the section, so a user sees where variables go.
        file.WriteString(kEnvironment, "; TEMP", "folder of temporary files when the process has none");
    }
    file.WriteString(kPrivileges, "OpenProcessToken", flag(c.openProcessToken));
    for (const std::string& name : KnownPrivileges()) {
        bool held = std::find(c.privileges.begin(), c.privileges.end(), name) != c.privileges.end();
        file.WriteString(kPrivileges, name, flag(held));
    }
    return file.Save(path.string());
}

}  // namespace platform
