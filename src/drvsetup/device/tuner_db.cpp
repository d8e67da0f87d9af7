#include "drvsetup/device/tuner_db.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace drvsetup {

namespace {

constexpr uint8_t kListedFlag = 1;

// Removes every choice; the list keeps its current value.
void RemoveAll(SettingString& list) {
    while (list.Count() > 0) {
        list.Remove(list.KeyAt(0));
    }
}

// Preferred tuners of a type. Single-conversion PLL tuners take the last candidate present, the others
// the first one.
struct TypePreference {
    uint32_t type;
    bool lastWins;
    std::vector<int32_t> candidates;
};

const std::vector<TypePreference>& TypePreferences() {
    static const std::vector<TypePreference> table{
        {tuner_type::Pll, true, {1236, 1216, 1246, 1256}},
        {tuner_type::Pll100, false, {21164}},
        {tuner_type::Pll1000, false, {21160}},
        {tuner_type::PllMk3, false, {12363, 21166, 21168, 123631, 211661}},
        {tuner_type::PllMk5, false, {12365, 12865, 21167, 123652, 211672}},
        {tuner_type::SiliconXceive, false, {3028}},
        {tuner_type::SiliconMicroTune, false, {2060, 2266}},
    };
    return table;
}

// Whether a tuner may serve a product, by the product's board design.
bool SuitsProduct(int32_t product, const ITunerDevice& tuner) {
    switch (product) {
        case 680:
            return tuner.TypeCode() == tuner_type::PllMk3;
        case 101:
            return tuner.TypeCode() == tuner_type::PllMk3 || tuner.TypeCode() == tuner_type::PllMk5;
        case 701:
        case 770:
            return tuner.ModelId() == 3028;
        case 870:
            return tuner.ModelId() == 2266;
        case 370:
            return tuner.ModelId() == 2060;
        default:
            return tuner.TypeCode() == tuner_type::Pll;
    }
}

}  // namespace

GTuner_Db::GTuner_Db()
    : makers_(std::nullopt, 0),
      tunersOfMaker_(std::nullopt, 0),
      tunersOfType_(std::nullopt, 0),
      standards_(std::nullopt, static_cast<int32_t>(tv::NTSC_M)) {
    for (const TunerDescriptor& descriptor : TunerDescriptors()) {
        devices_.emplace(descriptor.modelId, MakeTunerDevice(descriptor));
    }
    BuildStandardList();
    BuildMakerList();
}

void GTuner_Db::BuildStandardList() {
    std::map<std::string, int32_t> byLabel;
    for (auto& [id, device] : devices_) {
        SettingString& list = device->Standards();
        for (int32_t i = 0; i < list.Count(); ++i) {
            byLabel.try_emplace(list.NameAt(i), list.KeyAt(i));
        }
    }
    RemoveAll(standards_);
    for (const auto& [label, code] : byLabel) {
        std::optional<std::string_view> name = StandardLabelOf(static_cast<TvStandard>(code));
        standards_.Add(code, name.value_or(std::string_view(label)), 0, kListedFlag);
    }
}

void GTuner_Db::BuildMakerList() {
    RemoveAll(makers_);
    for (auto& [id, device] : devices_) {
        int32_t code = device->Maker();
        std::optional<std::string_view> name = MakerNameOf(code);
        if (makers_.HasKey(code) == 0 && name) {
            makers_.Add(code, *name, 0, kListedFlag);
        }
    }
}

SettingString& GTuner_Db::TunersOfMaker(int32_t maker, TvStandard standard) {
    RemoveAll(tunersOfMaker_);
    for (auto& [id, device] : devices_) {
        if ((maker == -1 || device->Maker() == maker) && device->SupportsStandard(standard) == 1) {
            tunersOfMaker_.Add(device->ModelId(), device->ModelName(), 0, kListedFlag);
        }
    }
    return tunersOfMaker_;
}

SettingString& GTuner_Db::TunersOfType(uint32_t type, TvStandard standard) {
    RemoveAll(tunersOfType_);
    for (auto& [id, device] : devices_) {
        if (device->TypeCode() == type && device->SupportsStandard(standard) == 1) {
            tunersOfType_.Add(device->ModelId(), device->ModelName(), 0, kListedFlag);
        }
    }
    return tunersOfType_;
}

int32_t GTuner_Db::DefaultTunerOfType(uint32_t type, TvStandard standard) {
    const SettingString& list = TunersOfType(type, standard);
    const std::vector<TypePreference>& table = TypePreferences();
    auto preference = std::find_if(table.begin(), table.end(),
                                   [type](const TypePreference& entry) { return entry.type == type; });
    if (preference == table.end()) {
        return -1;
    }
    int32_t found = -1;
    for (int32_t candidate : preference->candidates) {
        if (list.HasKey(candidate) == 1) {
            found = candidate;
            if (!preference->lastWins) {
                break;
            }
        }
    }
    if (found == -1) {
        platform::MessageBoxA("** Country tuner system not match hardware tuner system **", "Warn",
                              platform::MB_OK);
    }
    return found;
}

SettingString* GTuner_Db::StandardsOfTuner(int32_t modelId) {
    ITunerDevice* device = TunerById(modelId);
    return device != nullptr ? &device->Standards() : nullptr;
}

ITunerDevice* GTuner_Db::TunerById(int32_t modelId) {
    for (auto& [id, device] : devices_) {
        if (device->ModelId() == modelId) {
            return device.get();
        }
    }
    return nullptr;
}

bool GTuner_Db::FindTunerForProduct(int32_t product, TvStandard standard, int32_t& maker, int32_t& modelId) {
    const SettingString& list = TunersOfMaker(maker, standard);
    auto holdsStandard = [this, standard](int32_t id) {
        SettingString* standards = StandardsOfTuner(id);
        return standards != nullptr && standards->IndexOfKey(static_cast<int32_t>(standard)) != -1;
    };
    ITunerDevice* chosen = nullptr;
    for (int32_t i = 0; i < list.Count() && chosen == nullptr; ++i) {
        int32_t id = list.KeyAt(i);
        ITunerDevice* candidate = TunerById(id);
        if (candidate != nullptr && SuitsProduct(product, *candidate) && holdsStandard(id)) {
            chosen = candidate;
        }
    }
    if (chosen == nullptr && list.Count() > 0 && holdsStandard(list.KeyAt(0))) {
        chosen = TunerById(list.KeyAt(0));
    }
    if (chosen == nullptr) {
        return false;
    }
    modelId = chosen->ModelId();
    if (chosen->Maker() != maker) {
        maker = chosen->Maker();
    }
    return true;
}

void GTuner_Db::AddAllTuners(ISettingData& target) {
    for (auto& [id, device] : devices_) {
        target.Add(device->ModelId(), device->ModelName(), 0, kListedFlag);
    }
}

}  // namespace drvsetup
