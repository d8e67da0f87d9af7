#include "drvsetup/config/reg_data.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "drvsetup/config/vexa_setting.h"

namespace drvsetup {

IntRegData::IntRegData(std::optional<std::string> name, int32_t value)
    : current_(value), default_(value), previous_(value), name_(std::move(name)) {}

IntRegData::IntRegData(int32_t id, const IVexaSetting* record, int32_t defaultValue)
    : current_(defaultValue), default_(defaultValue), previous_(defaultValue), id_(id) {
    if (record != nullptr) {
        name_ = record->GetKeyName(id);
        current_ = record->GetInt(id, defaultValue);
    }
}

void IntRegData::Set(int32_t value) {
    if (value != current_) {
        previous_ = current_;
    }
    current_ = value;
}

int32_t IntRegData::Commit() {
    previous_ = current_;
    return current_;
}

StringRegData::StringRegData(std::string name, std::string defaultText)
    : name_(std::move(name)), current_(defaultText), default_(std::move(defaultText)) {}

bool StringRegData::Load(I_HKLM_RegDataRW& registry) {
    std::array<char, 1024> buffer{};
    if (!registry.ReadString(name_, buffer)) {
        return false;
    }
    Set(std::string_view(buffer.data(), strnlen(buffer.data(), buffer.size())));
    return true;
}

bool StringRegData::Save(I_HKLM_RegDataRW& registry) const {
    return registry.WriteString(name_, current_);
}

SettingString::SettingString(std::optional<std::string> name, int32_t value)
    : current_(std::move(name), value) {}

SettingString::SettingString(int32_t id, const IVexaSetting* record, int32_t defaultValue)
    : current_(id, record, defaultValue), id_(id) {}

const SetupItem* SettingString::At(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= choices_.size()) {
        return nullptr;
    }
    return &choices_[static_cast<size_t>(index)];
}

std::string SettingString::NameAt(int32_t index) const {
    const SetupItem* item = At(index);
    return item != nullptr ? item->name : "Error";
}

std::string SettingString::NameOfKey(int32_t key) const {
    return NameAt(IndexOfKey(key));
}

uint8_t SettingString::FlagAt(int32_t index) const {
    const SetupItem* item = At(index);
    return item != nullptr ? item->flag : 0;
}

int32_t SettingString::SelectByName(std::string_view text) {
    // Select may run a callback that changes the list, so walk a copy of the keys.
    std::vector<int32_t> keys;
    for (const SetupItem& item : choices_) {
        if (item.name == text) {
            keys.push_back(item.key);
        }
    }
    for (int32_t key : keys) {
        Select(key);
    }
    return Count();
}

bool SettingString::SelectByKey(int32_t key) {
    if (IndexOfKey(key) < 0) {
        return false;
    }
    Select(key);
    return true;
}

bool SettingString::SelectAt(int32_t index) {
    const SetupItem* item = At(index);
    if (item == nullptr) {
        return false;
    }
    Select(item->key);
    return true;
}

int32_t SettingString::SetFlag(int32_t key, uint8_t flag) {
    for (SetupItem& item : choices_) {
        if (item.key == key) {
            item.flag = flag;
        }
    }
    return Count();
}

std::string SettingString::CurrentName() const {
    int32_t index = CurrentIndex();
    return index >= 0 ? NameAt(index) : "ErrorSettingString";
}

int32_t SettingString::CurrentIndex() const {
    return IndexOfKey(current_.Get());
}

void SettingString::Revert() {
    current_.Undo();
    SelectByKey(current_.Get());
}

int32_t SettingString::IndexOfKey(int32_t key) const {
    auto it = std::find_if(choices_.begin(), choices_.end(),
                           [key](const SetupItem& item) { return item.key == key; });
    return it == choices_.end() ? -1 : static_cast<int32_t>(it - choices_.begin());
}

int32_t SettingString::KeyAt(int32_t index) const {
    const SetupItem* item = At(index);
    return item != nullptr ? item->key : -1;
}

int32_t SettingString::Remove(int32_t key) {
    std::erase_if(choices_, [key](const SetupItem& item) { return item.key == key; });
    return 1;
}

int32_t SettingString::ValueAt(int32_t index) const {
    const SetupItem* item = At(index);
    return item != nullptr ? item->value : 0;
}

int32_t SettingString::ValueOfKey(int32_t key) const {
    return ValueAt(IndexOfKey(key));
}

bool SettingString::Add(int32_t key, std::string_view name, int32_t value, uint8_t flag) {
    choices_.push_back(SetupItem{key, std::string(name), flag, value});
    return true;
}

void SettingString::SetChangeCallback(std::function<void(void*)> callback, void* userData) {
    onChange_ = std::move(callback);
    userData_ = userData;
}

void SettingString::Select(int32_t key) {
    current_.Set(key);
    if (onChange_) {
        onChange_(userData_);
    }
}

}  // namespace drvsetup
