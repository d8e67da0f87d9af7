#pragma once

// The registry accessor every registry user of drvsetup goes through for single values: one key of
// HKEY_LOCAL_MACHINE, opened for reading only (it must exist) or for reading and writing (created when
// missing), used for a few values and closed when the accessor goes.

#include <optional>
#include <string_view>

#include "drvsetup/config/reg_data.h"
#include "platform/registry.h"

namespace drvsetup {

class HKLM_RegDataRW : public I_HKLM_RegDataRW {
  public:
    // Without a path nothing is opened.
    HKLM_RegDataRW(std::optional<std::string_view> keyPath, bool readOnly);

    bool ReadInt(ValueName name, int32_t& value) override;
    bool WriteInt(ValueName name, int32_t value) override;
    bool ReadString(ValueName name, std::span<char> buffer) override;
    bool WriteString(ValueName name, std::string_view text) override;
    bool ReadBinary(ValueName name, std::span<uint8_t> buffer) override;
    bool WriteBinary(ValueName name, std::span<const uint8_t> data) override;
    bool IsOpen() const override { return key_.has_value(); }
    bool DeleteValue(ValueName name) override;

    // The open key, for the few users that enumerate it.
    const std::optional<platform::RegKey>& Key() const { return key_; }

  private:
    std::optional<platform::RegKey> key_;
};

}  // namespace drvsetup
