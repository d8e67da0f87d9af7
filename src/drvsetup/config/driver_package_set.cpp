#include "drvsetup/config/driver_package_set.h"

#include "drvsetup/config/setup_ini_lines.h"
#include "drvsetup/device/product_tables.h"
#include "drvsetup/shell/os_tools.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace drvsetup {

namespace {

// Driver folder keys.
constexpr int32_t kDriverPathVista64 = 10203;
constexpr int32_t kDriverXPPath64 = 10204;
constexpr int32_t kDriverXPPath32 = 10205;
constexpr int32_t kDriver2000Path = 10206;
constexpr int32_t kDriverMePath = 10207;
constexpr int32_t kDriver98Path = 10208;

// Media-player setup keys.
constexpr int32_t kMediaPlayerXP32 = 102111;
constexpr int32_t kMediaPlayerXP64 = 102112;
constexpr int32_t kMediaPlayerVista32 = 102113;
constexpr int32_t kMediaPlayerVista64 = 102114;
constexpr int32_t kMediaPlayer2K = 102115;

int32_t RunningCode(int32_t osCode) {
    return osCode == -1 ? GetOsCode() : osCode;
}

// Folders are looked up by OS code; Vista 32-bit, like the 9x family, takes driver98Path.
int32_t DriverFolderKey(int32_t osCode) {
    switch (RunningCode(osCode)) {
        case OsWin2000:
            return kDriver2000Path;
        case OsWinXP32:
            return kDriverXPPath32;
        case OsWinXP64:
            return kDriverXPPath64;
        case OsVista64:
            return kDriverPathVista64;
        case OsWinMe:
            return kDriverMePath;
        default:
            return kDriver98Path;
    }
}

int32_t MediaPlayerKey(int32_t osCode) {
    switch (RunningCode(osCode)) {
        case OsWinXP32:
            return kMediaPlayerXP32;
        case OsWinXP64:
            return kMediaPlayerXP64;
        case OsVista32:
            return kMediaPlayerVista32;
        case OsVista64:
            return kMediaPlayerVista64;
        default:
            return kMediaPlayer2K;
    }
}

// One Windows family: its code, the position of its list, and the first identifier of each of its
// three key families (slot n adds n).
struct Family {
    int32_t osCode;
    size_t list;
    int32_t infKey;
    int32_t hwNameKey;
    int32_t serviceKey;
};

// In the order the lists are built.
constexpr Family kFamilies[] = {
    {OsVista32, 0, 10215, 10239, 102391},  {OsWin2000, 1, 10221, 10245, 1024511},
    {OsWinXP32, 2, 10227, 10251, 1025111}, {OsVista64, 3, 102331, 102572, 1025811},
    {OsWinXP64, 4, 10233, 10257, 1025711},
};

const Family* FamilyOfCode(int32_t osCode) {
    for (const Family& family : kFamilies) {
        if (family.osCode == osCode) {
            return &family;
        }
    }
    return nullptr;
}

}  // namespace

ApDrvInstall_HwSetting::ApDrvInstall_HwSetting(const IVexaSetting& record)
    : record_(std::make_unique<HwSettingIO>(record)) {
    Rebuild();
}

void ApDrvInstall_HwSetting::SetFromRecord(const IVexaSetting& record) {
    record_->CopyFrom(record);
    Rebuild();
}

void ApDrvInstall_HwSetting::Rebuild() {
    for (auto& list : lists_) {
        list.clear();
    }
    chosenInf_ = nullptr;
    std::string exeFolder = platform::ExecutableFolder();
    for (const Family& family : kFamilies) {
        std::string folder(TrimBlanks(exeFolder + record_->GetString(DriverFolderKey(family.osCode))));
        if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) {
            folder += '\\';
        }
        for (int32_t n = 0; n < kSlots; ++n) {
            std::string name = record_->GetString(family.infKey + n);
            if (name.empty()) {
                continue;
            }
            lists_[family.list].push_back(std::make_unique<PerInfFile>(
                family.osCode, folder + name,
                std::string(TrimBlanks(record_->GetString(family.hwNameKey + n))),
                std::string(TrimBlanks(record_->GetString(family.serviceKey + n)))));
        }
    }
}

PerInfFile* ApDrvInstall_HwSetting::GetInf(int32_t osCode, int32_t index) const {
    if (index == -1) {
        return chosenInf_;
    }
    const Family* family = FamilyOfCode(RunningCode(osCode));
    const auto& list = lists_[(family != nullptr ? family : FamilyOfCode(OsWinXP32))->list];
    if (index < 0 || static_cast<size_t>(index) >= list.size()) {
        return nullptr;
    }
    return list[static_cast<size_t>(index)].get();
}

PerInfFile* ApDrvInstall_HwSetting::CurrentInf() const {
    if (chosenInf_ != nullptr) {
        return chosenInf_;
    }
    int32_t code = GetOsCode();
    if (const Family* family = FamilyOfCode(code); family != nullptr && !lists_[family->list].empty()) {
        return lists_[family->list].front().get();
    }
    // Made once for the process and kept for its lifetime, so callers may hold on to it.
    static PerInfFile placeholder(code, "Error", "", "");
    return &placeholder;
}

std::string ApDrvInstall_HwSetting::GetModelCode() const {
    return ModelCode(record_->GetHardwareID());
}

std::string ApDrvInstall_HwSetting::GetDriverFolder(int32_t osCode) const {
    return record_->GetString(DriverFolderKey(osCode));
}

void ApDrvInstall_HwSetting::SetDriverFolder(int32_t osCode, const std::string& folder) {
    record_->SetString(DriverFolderKey(osCode), folder);
}

std::string ApDrvInstall_HwSetting::GetMediaPlayerSetup(int32_t osCode) const {
    return record_->GetString(MediaPlayerKey(osCode));
}

void ApDrvInstall_HwSetting::SetMediaPlayerSetup(int32_t osCode, const std::string& name) {
    record_->SetString(MediaPlayerKey(osCode), name);
}

void ApDrvInstall_HwSetting::SetInfFileName(int32_t osCode, int32_t index, const std::string& name) {
    if (const Family* family = FamilyOfCode(osCode); family != nullptr && index >= 0 && index < kSlots) {
        record_->SetString(family->infKey + index, name);
    }
}

void ApDrvInstall_HwSetting::SetInfHwName(int32_t osCode, int32_t index, const std::string& name) {
    if (const Family* family = FamilyOfCode(osCode); family != nullptr && index >= 0 && index < kSlots) {
        record_->SetString(family->hwNameKey + index, name);
    }
}

void ApDrvInstall_HwSetting::SetInfServiceName(int32_t osCode, int32_t index, const std::string& name) {
    if (const Family* family = FamilyOfCode(osCode); family != nullptr && index >= 0 && index < kSlots) {
        record_->SetString(family->serviceKey + index, name);
    }
}

PerInfFile* ApDrvInstall_HwSetting::SlotInf(int32_t osCode, int32_t index) const {
    const Family* family = FamilyOfCode(osCode);
    if (family == nullptr || index < 0 || index >= kSlots) {
        return nullptr;
    }
    const auto& list = lists_[family->list];
    return static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)].get() : nullptr;
}

void ApDrvInstall_HwSetting::SetInfPath(int32_t osCode, int32_t index, const std::string& folder,
                                        const std::string& fileName) {
    std::string path = folder + "\\" + fileName;
    if (PerInfFile* inf = SlotInf(osCode, index)) {
        inf->SetPath(path);
        return;
    }
    const Family* family = FamilyOfCode(osCode);
    if (family == nullptr || index < 0 || index >= kSlots) {
        return;
    }
    lists_[family->list].push_back(std::make_unique<PerInfFile>(
        osCode, path, std::string(TrimBlanks(record_->GetString(family->hwNameKey + index))),
        std::string(TrimBlanks(record_->GetString(family->serviceKey + index)))));
}

void ApDrvInstall_HwSetting::SetInf(int32_t osCode, int32_t index, const std::string& folder,
                                    const std::string& fileName, const std::string& hwName,
                                    const std::string& serviceName) {
    SetInfPath(osCode, index, folder, fileName);
    SetInfFileName(osCode, index, fileName);
    if (PerInfFile* inf = SlotInf(osCode, index)) {
        inf->SetHwName(hwName);
    }
    SetInfHwName(osCode, index, hwName);
    if (PerInfFile* inf = SlotInf(osCode, index)) {
        inf->SetServiceName(serviceName);
    }
    SetInfServiceName(osCode, index, serviceName);
}

void ApDrvInstall_HwSetting::WriteToIni(platform::profile::ProfileFile& file,
                                        std::string_view section) const {
    HwSettingIO copy(*record_);
    copy.WriteInfo(file);
    copy.WriteSection(file, section);
}

}  // namespace drvsetup
