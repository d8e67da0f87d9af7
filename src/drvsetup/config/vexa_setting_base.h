#pragma once

// A hardware setting record: one value slot for every identifier of the setup key table (404 slots),
// ordered by identifier, plus the product number its defaults were built for and a tag the owner may
// attach (the installer keeps the record's product button there).

#include <optional>
#include <string>
#include <vector>

#include "drvsetup/config/setup_key_table.h"
#include "drvsetup/config/vexa_setting.h"

namespace drvsetup {

class I_HKLM_RegDataRW;

// One value slot: its key-table entry and its value, or none for a key never given a value (which
// reads as empty text).
struct VexaParam {
    const SetupKey* entry = nullptr;
    std::optional<std::string> value;

    const std::string& Text() const;
};

class VexaSettingBase : public IVexaSetting {
  public:
    int32_t GetHardwareID() const override;
    void SetHardwareID(int32_t value) override;
    int32_t GetHardwareSubID() const override;
    std::string GetName() const override;
    void SetName(const std::string& name) override;
    void CopyFrom(const IVexaSetting& other) override;
    std::string GetKeyName(int32_t id) const override;
    std::string GetString(int32_t id) const override;
    int32_t GetInt(int32_t id, int32_t defaultValue) const override;
    void* SetTag(void* tag) override;
    void* GetTag() const override { return tag_; }
    void SetInt(int32_t id, int32_t value) override;
    void SetString(int32_t id, const std::string& text) override;

    int32_t GetCurrentChannel(int32_t source) override;
    int32_t GetChannelInfo(int32_t source, std::span<uint8_t> buffer) override;
    int32_t GetChannelInfoMts(int32_t source, std::span<uint8_t> buffer) override;
    int32_t GetFreqOffset(int32_t source, std::span<uint8_t> buffer) override;
    int32_t GetColorAdj(int32_t source, std::span<uint8_t> buffer) override;
    int32_t GetChannel(int32_t source, int32_t channel, std::span<char> buffer) override;
    void SetCurrentChannel(int32_t source, int32_t value) override;
    void SetChannelInfo(int32_t source, std::span<const uint8_t> data) override;
    void SetChannelInfoMts(int32_t source, std::span<const uint8_t> data) override;
    void SetFreqOffset(int32_t source, std::span<const uint8_t> data) override;
    void SetColorAdj(int32_t source, std::span<const uint8_t> data) override;
    void SetChannel(int32_t source, int32_t channel, std::string_view text) override;
    void SetMaxCh(int32_t source, int32_t value) override;
    void SetMinCh(int32_t source, int32_t value) override;

    int32_t ProductNumber() const { return product_; }
    const std::vector<VexaParam>& Slots() const { return slots_; }
    // The slot of an identifier, or none.
    const VexaParam* Slot(int32_t id) const;

    // The registry key of the record named `name`, under the tuner key.
    static std::string RecordKeyPath(std::string_view name);

  protected:
    VexaSettingBase() = default;
    VexaSettingBase(const VexaSettingBase&) = default;
    VexaSettingBase& operator=(const VexaSettingBase&) = default;

    // Drops every value and fills every slot with its default for product p.
    void BuildDefaults(int32_t product);
    VexaParam* MutableSlot(int32_t id);

  private:
    std::optional<size_t> SlotIndex(int32_t id) const;
    std::string ChannelKeyPath(int32_t source) const;
    int32_t ReadChannelBlock(int32_t source, const char* valueName, std::span<uint8_t> buffer);
    void WriteChannelBlock(int32_t source, const char* valueName, std::span<const uint8_t> data);
    void WriteChannelInt(int32_t source, const char* valueName, int32_t value);

    std::vector<VexaParam> slots_;
    int32_t product_ = 0;
    void* tag_ = nullptr;
};

}  // namespace drvsetup
