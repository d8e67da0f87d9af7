#include "drvsetup/config/ini_gen_files.h"

#include <vector>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/hw_setting.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/device/product_tables.h"
#include "drvsetup/shell/framework_int.h"
#include "drvsetup/shell/setup_ini_discovery.h"
#include "platform/ascii.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace drvsetup {

namespace {

constexpr const char* kCollectionFile = "__Setup.ini";
constexpr const char* kLegacyMarkerSection = "InstallData";
constexpr const char* kLegacyInfoSection = "__Info";
constexpr const char* kInfoSection = "__info";

// The components of a path, with "." dropped and ".." taking back the one before it.
std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::string RelativePath(std::string_view folder, std::string_view path) {
    const std::vector<std::string> from = Components(folder);
    const std::vector<std::string> to = Components(path);
    size_t common = 0;
    while (common < from.size() && common < to.size() && platform::EqualsNoCase(from[common], to[common])) {
        ++common;
    }
    std::string relative;
    for (size_t i = common; i < from.size(); ++i) {
        relative.append("..\\");
    }
    for (size_t i = common; i < to.size(); ++i) {
        relative.append(to[i]).append("\\");
    }
    if (!relative.empty()) {
        relative.pop_back();
    }
    return relative;
}

std::string RelativeToExecutableFolder(std::string_view path) {
    return RelativePath(platform::ExecutableFolder(), path);
}

void PrepareRecordForGeneration(ApDrvInstall_HwSetting& view) {
    view.SetValue(key::bEnableType, "2");
    if (view.GetValue(key::WdmDllName) == "Error") {
        view.SetValue(key::WdmDllName, ProductLibrary(view.Record().GetHardwareID()));
    }
}

GeneratedIniPaths GeneratedIniFiles(const ApDrvInstall_HwSetting& view) {
    GeneratedIniPaths paths;
    paths.productFile = LocalizedSetupIniPath();
    paths.productFile.append("_").append(ModelCode(view.Record().GetHardwareID()));
    paths.collectionFile = platform::ExecutableFolder();
    paths.collectionFile.append(kCollectionFile);
    return paths;
}

platform::Result<void> WriteRecordToIni(const ApDrvInstall_HwSetting& view, const std::string& path) {
    // Under the profile lock: two generators writing the collection file at once keep both records.
    platform::Result<void> saved = platform::profile::UpdateFile(
        path,
        [&view](platform::profile::ProfileFile& file) { view.WriteToIni(file, view.Record().GetName()); });
    if (!saved) {
        return platform::WithContext(saved.error(), "writing " + path);
    }
    return {};
}

platform::Result<void> WriteGeneratedIniFiles(const ApDrvInstall_HwSetting& view) {
    const GeneratedIniPaths paths = GeneratedIniFiles(view);
    if (platform::Result<void> first = WriteRecordToIni(view, paths.productFile); !first) {
        return first;
    }
    return WriteRecordToIni(view, paths.collectionFile);
}

IniReadBack ReadRecordFromIni(const std::string& path, ApDrvInstall_HwSetting& view) {
    const platform::profile::ProfileFile file = platform::profile::ProfileFile::Load(path);
    IniReadBack result;
    if (file.HasSection(kLegacyMarkerSection)) {
        result.product = FrameworkIntOr(file.ReadString(kLegacyInfoSection, "InstallDriver", ""), 0);
        result.hardwareId = result.product;
        if (result.product != 0) {
            result.found = true;
            const HwSettingIO record(HwSettingIO::Legacy{}, file, result.hardwareId, result.product);
            view.Record().CopyFrom(record);
        }
        return result;
    }
    for (const std::string& section : file.SectionNames()) {
        // [__info] repeats the install keys of the record written last, InstallDriver among them, and
        // is written first: taken as a record it would give a nameless one without hardware ID.
        if (platform::EqualsNoCase(section, kInfoSection)) {
            continue;
        }
        const int32_t product = FrameworkIntOr(file.ReadString(section, "InstallDriver", ""), 0);
        if (product == 0) {
            continue;
        }
        result.found = true;
        result.product = product;
        result.hardwareId = FrameworkIntOr(file.ReadString(section, "V_HardwareID", ""), 0);
        const HwSettingIO record(file, section);
        view.Record().CopyFrom(record);
        break;
    }
    return result;
}

}  // namespace drvsetup
