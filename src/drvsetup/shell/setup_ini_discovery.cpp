#include "drvsetup/shell/setup_ini_discovery.h"

#include "drvsetup/shell/cmd_line.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/system_info.h"

namespace drvsetup {

namespace {

// Languages are told apart by the exact LCID; other sublanguages fall back on the default file.
struct LanguageFile {
    uint32_t firstLcid;
    uint32_t count;  // LCIDs firstLcid, firstLcid + 0x400, ...
    const char* fileName;
};

constexpr LanguageFile kLanguageFiles[] = {
    {0x0404, 1, "drvInstall.cht"}, {0x0C04, 1, "drvInstall.cht"}, {0x0804, 1, "drvInstall.chs"},
    {0x0411, 1, "drvInstall.jpn"}, {0x040C, 6, "drvInstall.FRA"}, {0x0407, 5, "drvInstall.DEU"},
    {0x0410, 2, "drvInstall.ITA"}, {0x0413, 2, "drvInstall.NLD"}, {0x040A, 20, "drvInstall.ENS"},
};

}  // namespace

std::string SetupIniFileNameForLcid(uint32_t lcid) {
    for (const LanguageFile& f : kLanguageFiles) {
        if (lcid >= f.firstLcid && (lcid - f.firstLcid) % 0x400 == 0 &&
            (lcid - f.firstLcid) / 0x400 < f.count) {
            return f.fileName;
        }
    }
    return "drvInstall.ini";
}

std::string LocalizedSetupIniPath() {
    std::string folder = platform::ExecutableFolder();
    std::string candidate = folder + SetupIniFileNameForLcid(platform::GetUserDefaultLCID());
    if (!platform::FileExists(candidate)) {
        candidate = folder + "drvInstall.ini";
    }
    return candidate;
}

std::string FallbackSetupIniPath() {
    return platform::ExecutableFolder() + "_vSetup.ini";
}

std::optional<std::string> FindSetupIni() {
    std::string localized = LocalizedSetupIniPath();
    if (platform::FileExists(localized)) {
        return localized;
    }
    std::string fallback = FallbackSetupIniPath();
    if (platform::FileExists(fallback)) {
        return fallback;
    }
    return std::nullopt;
}

std::optional<std::string> ObtainCmdLineText(const std::vector<std::string>& arguments) {
    if (!arguments.empty()) {
        return CmdLineTextFromArguments(arguments);
    }
    std::optional<std::string> ini = FindSetupIni();
    if (!ini) {
        platform::MessageBoxA(
            "Can't find Ini file", "Error",
            platform::MB_ICONEXCLAMATION | platform::MB_TOPMOST | platform::MB_SETFOREGROUND);
        return std::nullopt;
    }
    return platform::profile::ReadString(*ini, "InstallData", "CmdLineParameter", "");
}

}  // namespace drvsetup
