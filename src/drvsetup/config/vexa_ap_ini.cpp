#include "drvsetup/config/vexa_ap_ini.h"

#include "drvsetup/config/setup_ini_lines.h"
#include "drvsetup/config/setup_key_ids.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace drvsetup {

VexaApIni::VexaApIni(int32_t loadMode) : folder_(platform::ExecutableFolder()) {
    if (loadMode == 1) {
        Load();
    }
}

void VexaApIni::Load() {
    std::optional<SetupIniLines> lines = SetupIniLines::Load(folder_ + "drvInstall.ini");
    if (!lines) {
        platform::MessageBoxA(
            "Can't find UnZip Ini file", "Error",
            platform::MB_ICONEXCLAMATION | platform::MB_TOPMOST | platform::MB_SETFOREGROUND);
        lines = SetupIniLines::FromBytes("");
    }
    for (const std::string& name : lines->SectionNames()) {
        if (records_.contains(name)) {
            continue;  // the first section of a name wins
        }
        auto record = std::make_unique<HwSettingIO>(*lines, name);
        if (record->GetInt(key::V_HardwareID, 0) == 0) {
            continue;
        }
        record->SetString(key::bInstallDrvSelected,
                          record->GetInt(key::bInstallDrvSelected, 0) >= 1 ? "1" : "0");
        records_.emplace(name, std::move(record));
    }
    if (records_.empty()) {
        platform::MessageBoxA("Invalid drvInstall.ini", "Error", platform::MB_OK);
        records_.emplace("QM718 No Ini", std::make_unique<HwSettingIO>(718, 718));
    }
    int32_t best = 0;
    for (const auto& [name, record] : records_) {
        int32_t weight = record->GetInt(key::bInstallDrvSelected, 0);
        if (selected_ == nullptr || weight > best) {
            selected_ = record.get();
            best = weight;
        }
    }
    selected_->SetString(key::bInstallDrvSelected, "1");
}

void VexaApIni::SelectByName(const std::string& name) {
    for (const auto& [recordName, record] : records_) {
        if (record->GetName() == name) {
            selected_ = record.get();
            record->SetString(key::bApSettingSelected, "1");
        } else {
            record->SetString(key::bApSettingSelected, "0");
        }
    }
}

std::vector<IVexaSetting*> VexaApIni::Records() const {
    std::vector<IVexaSetting*> records;
    records.reserve(records_.size());
    for (const auto& [name, record] : records_) {
        records.push_back(record.get());
    }
    return records;
}

}  // namespace drvsetup
