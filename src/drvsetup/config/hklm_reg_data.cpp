#include "drvsetup/config/hklm_reg_data.h"

#include <algorithm>
#include <cstring>

namespace drvsetup {

HKLM_RegDataRW::HKLM_RegDataRW(std::optional<std::string_view> keyPath, bool readOnly) {
    if (!keyPath) {
        return;
    }
    platform::Result<platform::Registry*> registry = platform::CurrentRegistry();
    if (!registry) {
        return;
    }
    platform::Result<platform::RegKey> key = (*registry)->OpenKey(*keyPath, !readOnly);
    if (key) {
        key_ = std::move(key).value();
    }
}

bool HKLM_RegDataRW::ReadInt(ValueName name, int32_t& value) {
    if (!name || !key_) {
        return false;
    }
    std::optional<uint32_t> read = key_->QueryDword(*name);
    if (!read) {
        return false;
    }
    value = static_cast<int32_t>(*read);
    return true;
}

bool HKLM_RegDataRW::WriteInt(ValueName name, int32_t value) {
    return name && key_ && key_->SetDword(*name, static_cast<uint32_t>(value)).ok();
}

bool HKLM_RegDataRW::ReadString(ValueName name, std::span<char> buffer) {
    if (!name || !key_) {
        return false;
    }
    std::optional<std::string> text = key_->QueryString(*name);
    if (!text) {
        return false;
    }
    std::fill(buffer.begin(), buffer.end(), '\0');
    if (!buffer.empty()) {
        size_t n = std::min(text->size(), buffer.size() - 1);
        std::memcpy(buffer.data(), text->data(), n);
    }
    return true;
}

bool HKLM_RegDataRW::WriteString(ValueName name, std::string_view text) {
    return name && key_ && key_->SetString(*name, text).ok();
}

bool HKLM_RegDataRW::ReadBinary(ValueName name, std::span<uint8_t> buffer) {
    if (!name || !key_) {
        return false;
    }
    std::optional<std::string> bytes = key_->QueryBinary(*name);
    if (!bytes) {
        return false;
    }
    size_t n = std::min(bytes->size(), buffer.size());
    if (n == 0) {
        return false;  // an empty buffer may have no storage at all
    }
    std::memcpy(buffer.data(), bytes->data(), n);
    return true;
}

bool HKLM_RegDataRW::WriteBinary(ValueName name, std::span<const uint8_t> data) {
    if (!name || !key_) {
        return false;
    }
    std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    return key_->SetBinary(*name, bytes).ok();
}

bool HKLM_RegDataRW::DeleteValue(ValueName name) {
    if (!name || !key_) {
        return false;
    }
    platform::Result<bool> deleted = key_->DeleteValue(*name);
    return deleted.ok() && deleted.value();
}

}  // namespace drvsetup
