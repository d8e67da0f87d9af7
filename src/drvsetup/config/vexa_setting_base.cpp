#include "drvsetup/config/vexa_setting_base.h"

#include <algorithm>
#include <unordered_map>

#include "drvsetup/config/hklm_reg_data.h"
#include "drvsetup/config/reg_data.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/shell/framework_int.h"

namespace drvsetup {

namespace {

// Every record has the same slots: the entries that own their identifier, ascending by identifier.
struct SlotLayout {
    std::vector<const SetupKey*> entries;
    std::unordered_map<int32_t, size_t> indexOfId;
};

const SlotLayout& Layout() {
    static const SlotLayout layout = [] {
        SlotLayout l;
        for (const SetupKey& key : SetupKeyTable()) {
            if (OwnsIdentifier(key)) {
                l.entries.push_back(&key);
            }
        }
        std::sort(l.entries.begin(), l.entries.end(),
                  [](const SetupKey* a, const SetupKey* b) { return a->id < b->id; });
        for (size_t i = 0; i < l.entries.size(); ++i) {
            l.indexOfId.emplace(l.entries[i]->id, i);
        }
        return l;
    }();
    return layout;
}

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

}  // namespace

const std::string& VexaParam::Text() const {
    return value ? *value : EmptyText();
}

void VexaSettingBase::BuildDefaults(int32_t product) {
    const SlotLayout& layout = Layout();
    slots_.clear();
    slots_.reserve(layout.entries.size());
    for (const SetupKey* entry : layout.entries) {
        slots_.push_back(VexaParam{entry, DefaultValue(*entry, product)});
    }
    product_ = product;
}

std::optional<size_t> VexaSettingBase::SlotIndex(int32_t id) const {
    const auto& index = Layout().indexOfId;
    auto it = index.find(id);
    if (it == index.end() || it->second >= slots_.size()) {
        return std::nullopt;
    }
    return it->second;
}

const VexaParam* VexaSettingBase::Slot(int32_t id) const {
    std::optional<size_t> index = SlotIndex(id);
    return index ? &slots_[*index] : nullptr;
}

VexaParam* VexaSettingBase::MutableSlot(int32_t id) {
    std::optional<size_t> index = SlotIndex(id);
    return index ? &slots_[*index] : nullptr;
}

int32_t VexaSettingBase::GetHardwareID() const {
    return GetInt(key::V_HardwareID, 0);
}
void VexaSettingBase::SetHardwareID(int32_t value) {
    SetInt(key::V_HardwareID, value);
}
int32_t VexaSettingBase::GetHardwareSubID() const {
    return GetInt(key::V_HardwareSubID, 0);
}
std::string VexaSettingBase::GetName() const {
    return GetString(key::setupItemID);
}
void VexaSettingBase::SetName(const std::string& name) {
    SetString(key::setupItemID, name);
}

void VexaSettingBase::CopyFrom(const IVexaSetting& other) {
    for (VexaParam& slot : slots_) {
        slot.value = other.GetString(slot.entry->id);
    }
}

std::string VexaSettingBase::GetKeyName(int32_t id) const {
    const VexaParam* slot = Slot(id);
    return slot != nullptr ? std::string(slot->entry->key) : std::string("Error");
}

std::string VexaSettingBase::GetString(int32_t id) const {
    const VexaParam* slot = Slot(id);
    return slot != nullptr ? slot->Text() : std::string("Error");
}

int32_t VexaSettingBase::GetInt(int32_t id, int32_t defaultValue) const {
    const VexaParam* slot = Slot(id);
    return slot != nullptr ? FrameworkIntOr(slot->Text(), defaultValue) : -1;
}

void* VexaSettingBase::SetTag(void* tag) {
    tag_ = tag;
    return tag_;
}

void VexaSettingBase::SetInt(int32_t id, int32_t value) {
    if (VexaParam* slot = MutableSlot(id)) {
        slot->value = std::to_string(value);
    }
}

void VexaSettingBase::SetString(int32_t id, const std::string& text) {
    if (VexaParam* slot = MutableSlot(id)) {
        slot->value = text;
    }
}

std::string VexaSettingBase::RecordKeyPath(std::string_view name) {
    std::string path(kTunerKey);
    path += '\\';
    path += name;
    return path;
}

// The channel key is built at every call, so a change of AirChSys or CatvChSys switches to another
// set of channel state.
std::string VexaSettingBase::ChannelKeyPath(int32_t source) const {
    std::string path = RecordKeyPath(GetName());
    if (source == 1) {
        path += "\\Antenna_";
        path += GetString(key::AirChSys);
    } else {
        path += "\\Cable_";
        path += GetString(key::CatvChSys);
    }
    return path;
}

int32_t VexaSettingBase::GetCurrentChannel(int32_t source) {
    HKLM_RegDataRW reg(ChannelKeyPath(source), false);
    int32_t channel = 3;
    if (!reg.ReadInt("CurrentChannel", channel)) {
        channel = 3;
    }
    return channel;
}

int32_t VexaSettingBase::ReadChannelBlock(int32_t source, const char* valueName, std::span<uint8_t> buffer) {
    HKLM_RegDataRW reg(ChannelKeyPath(source), false);
    return reg.ReadBinary(valueName, buffer) ? 1 : 0;
}

void VexaSettingBase::WriteChannelBlock(int32_t source, const char* valueName,
                                        std::span<const uint8_t> data) {
    HKLM_RegDataRW reg(ChannelKeyPath(source), false);
    (void)reg.WriteBinary(valueName, data);
}

void VexaSettingBase::WriteChannelInt(int32_t source, const char* valueName, int32_t value) {
    HKLM_RegDataRW reg(ChannelKeyPath(source), false);
    (void)reg.WriteInt(valueName, value);
}

int32_t VexaSettingBase::GetChannelInfo(int32_t source, std::span<uint8_t> buffer) {
    return ReadChannelBlock(source, "ChannelInfo", buffer);
}
int32_t VexaSettingBase::GetChannelInfoMts(int32_t source, std::span<uint8_t> buffer) {
    return ReadChannelBlock(source, "ChannelInfoMts", buffer);
}
int32_t VexaSettingBase::GetFreqOffset(int32_t source, std::span<uint8_t> buffer) {
    return ReadChannelBlock(source, "FreqOffset", buffer);
}
int32_t VexaSettingBase::GetColorAdj(int32_t source, std::span<uint8_t> buffer) {
    return ReadChannelBlock(source, "ColorAdj", buffer);
}

int32_t VexaSettingBase::GetChannel(int32_t source, int32_t channel, std::span<char> buffer) {
    HKLM_RegDataRW reg(ChannelKeyPath(source), false);
    std::string name = "Ch";
    name += std::to_string(channel);
    return reg.ReadString(name, buffer) ? 1 : 0;
}

void VexaSettingBase::SetCurrentChannel(int32_t source, int32_t value) {
    WriteChannelInt(source, "CurrentChannel", value);
}
void VexaSettingBase::SetChannelInfo(int32_t source, std::span<const uint8_t> data) {
    WriteChannelBlock(source, "ChannelInfo", data);
}
void VexaSettingBase::SetChannelInfoMts(int32_t source, std::span<const uint8_t> data) {
    WriteChannelBlock(source, "ChannelInfoMts", data);
}
void VexaSettingBase::SetFreqOffset(int32_t source, std::span<const uint8_t> data) {
    WriteChannelBlock(source, "FreqOffset", data);
}
void VexaSettingBase::SetColorAdj(int32_t source, std::span<const uint8_t> data) {
    WriteChannelBlock(source, "ColorAdj", data);
}

void VexaSettingBase::SetChannel(int32_t source, int32_t channel, std::string_view text) {
    HKLM_RegDataRW reg(ChannelKeyPath(source), false);
    std::string name = "Ch";
    name += std::to_string(channel);
    (void)reg.WriteString(name, text);
}

void VexaSettingBase::SetMaxCh(int32_t source, int32_t value) {
    WriteChannelInt(source, "MaxCh", value);
}
void VexaSettingBase::SetMinCh(int32_t source, int32_t value) {
    WriteChannelInt(source, "MinCh", value);
}

}  // namespace drvsetup
