#include "drvsetup/config/hw_setting.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "drvsetup/config/hklm_reg_data.h"
#include "drvsetup/config/setup_ini_lines.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/device/product_tables.h"
#include "drvsetup/shell/framework_int.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace drvsetup {

namespace {

// What the registry record says before the defaults are built: a missing value, one that is not a
// string or not an integer counts as 718; a key that cannot be opened as 0.
int32_t RegistryPreScan(const HKLM_RegDataRW& reg, const char* valueName) {
    if (!reg.IsOpen()) {
        return 0;
    }
    std::optional<std::string> text = reg.Key()->QueryString(valueName);
    return text ? FrameworkIntOr(*text, 718) : 718;
}

// The slot indexes of each key text. Every record has the same slots in the same order, so this is
// built once, from the first record that asks.
const std::unordered_map<std::string_view, std::vector<size_t>>& SlotsByKey(
    const std::vector<VexaParam>& slots) {
    static const std::unordered_map<std::string_view, std::vector<size_t>> byKey = [&] {
        std::unordered_map<std::string_view, std::vector<size_t>> map;
        for (size_t i = 0; i < slots.size(); ++i) {
            map[slots[i].entry->key].push_back(i);
        }
        return map;
    }();
    return byKey;
}

}  // namespace

HwSettingIO::HwSettingIO(int32_t product, int32_t driverProduct) {
    BuildDefaults(product);
    SetInt(key::InstallDriver, driverProduct);
}

HwSettingIO::HwSettingIO(const SetupIniLines& lines, std::string_view section) {
    std::unordered_map<std::string, std::string> entries = lines.SectionEntries(section);
    auto preScan = [&](const char* name) {
        auto it = entries.find(name);
        return it == entries.end() ? 0 : FrameworkIntOr(it->second, 0);
    };
    BuildDefaults(preScan("V_HardwareID"));
    SetInt(key::InstallDriver, preScan("InstallDriver"));
    SetName(std::string(section));
    // A section names a few dozen of the hundreds of keys: look up its entries among the slots, not
    // every slot among its entries, and set them in slot order all the same.
    const auto& byKey = SlotsByKey(Slots());
    std::vector<std::pair<size_t, const std::string*>> present;
    present.reserve(entries.size());
    for (const auto& [key, value] : entries) {
        if (auto it = byKey.find(key); it != byKey.end()) {
            for (size_t index : it->second) {
                present.emplace_back(index, &value);
            }
        }
    }
    std::sort(present.begin(), present.end());
    for (const auto& [index, value] : present) {
        SetString(Slots()[index].entry->id, *value);
    }
}

HwSettingIO::HwSettingIO(const platform::profile::ProfileFile& file, std::string_view section) {
    BuildDefaults(FrameworkIntOr(file.ReadString(section, "V_HardwareID", ""), 0));
    SetInt(key::InstallDriver, 0);
    SetName(std::string(section));
    std::vector<std::string> names = file.KeyNames(section);
    std::unordered_set<std::string> present(names.begin(), names.end());
    for (const VexaParam& slot : Slots()) {
        if (present.contains(slot.entry->key)) {
            SetString(slot.entry->id, file.ReadString(section, slot.entry->key, slot.Text()));
        }
    }
}

HwSettingIO::HwSettingIO(Legacy, const platform::profile::ProfileFile& file, int32_t product,
                         int32_t driverProduct) {
    BuildDefaults(product);
    SetInt(key::InstallDriver, driverProduct);
    std::string code = ModelCode(product);
    SetName(code);
    const std::string sections[] = {"__Info", "InstallData", code, code + "_Drv", code + "_TestProgram"};
    for (const VexaParam& slot : Slots()) {
        for (const std::string& section : sections) {
            if (file.HasKey(section, slot.entry->key)) {
                SetString(slot.entry->id, file.ReadString(section, slot.entry->key, ""));
                break;
            }
        }
    }
}

HwSettingIO::HwSettingIO(FromRegistry, std::string_view name) {
    HKLM_RegDataRW reg(RecordKeyPath(name), false);
    BuildDefaults(RegistryPreScan(reg, "V_HardwareID"));
    SetInt(key::InstallDriver, RegistryPreScan(reg, "InstallDriver"));
    SetName(std::string(name));
    if (!reg.IsOpen()) {
        return;
    }
    platform::Result<std::vector<platform::RegValue>> values = reg.Key()->Values();
    if (!values) {
        return;
    }
    for (const platform::RegValue& value : values.value()) {
        const SetupKey* entry = FindSetupKeyByText(value.name);
        if (entry == nullptr || !OwnsIdentifier(*entry)) {
            continue;
        }
        std::string text;
        if (value.type == platform::kRegSz) {
            text = reg.Key()->QueryString(value.name).value_or("");
        } else if (value.type == platform::kRegDword) {
            text = std::to_string(reg.Key()->QueryDword(value.name).value_or(0));
        }
        SetString(entry->id, text);
    }
}

HwSettingIO::HwSettingIO(const IVexaSetting& other) {
    BuildDefaults(other.GetHardwareID());
    CopyFrom(other);
    SetName(other.GetName());
    SetTag(other.GetTag());
}

void HwSettingIO::WriteInfo(platform::profile::ProfileFile& file) const {
    for (const VexaParam& slot : Slots()) {
        if (slot.entry->keyClass == kInstallInfoClass) {
            file.WriteString("__info", slot.entry->key, slot.Text());
        }
    }
}

void HwSettingIO::WriteSection(platform::profile::ProfileFile& file, std::string_view section) const {
    for (const VexaParam& slot : Slots()) {
        file.WriteString(section, slot.entry->key, slot.Text());
    }
}

void HwSettingIO::WriteLines(std::vector<std::string>& lines) const {
    for (const VexaParam& slot : Slots()) {
        std::string line = slot.entry->key;
        line += '=';
        line += slot.Text();
        lines.push_back(std::move(line));
    }
}

void HwSettingIO::SaveToRegistry(const std::string& name) {
    HKLM_RegDataRW reg(RecordKeyPath(name), false);
    if (!reg.IsOpen()) {
        return;
    }
    for (const VexaParam& slot : Slots()) {
        (void)reg.WriteString(slot.entry->key, slot.Text());
    }
}

}  // namespace drvsetup
