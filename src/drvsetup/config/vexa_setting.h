#pragma once

// The interface through which everything in drvsetup works on a hardware setting record: one text
// value per key of the setup key table, addressed by the key's identifier.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace drvsetup {

class IVexaSetting {
  public:
    virtual int32_t GetHardwareID() const = 0;
    virtual void SetHardwareID(int32_t value) = 0;
    virtual int32_t GetHardwareSubID() const = 0;
    virtual std::string GetName() const = 0;
    virtual void SetName(const std::string& name) = 0;
    virtual void CopyFrom(const IVexaSetting& other) = 0;
    // "Error" when the record has no slot for the identifier.
    virtual std::string GetKeyName(int32_t id) const = 0;
    virtual std::string GetString(int32_t id) const = 0;
    // `defaultValue` when the value is not an integer; -1 when there is no slot.
    virtual int32_t GetInt(int32_t id, int32_t defaultValue) const = 0;
    virtual void* SetTag(void* tag) = 0;
    virtual void* GetTag() const = 0;
    virtual void SetInt(int32_t id, int32_t value) = 0;
    virtual void SetString(int32_t id, const std::string& text) = 0;
    virtual int32_t ReservedQuery(int32_t, int32_t, int32_t) const { return 0; }
    virtual void ReservedCommand(int32_t, int32_t, int32_t) {}

    // Channel state kept in the registry beside the record's key, per source (1: antenna, any other:
    // cable) and per channel system. Nothing in drvsetup calls these; other software sharing the
    // registry layout does.
    virtual int32_t GetCurrentChannel(int32_t source) = 0;
    virtual int32_t GetChannelInfo(int32_t source, std::span<uint8_t> buffer) = 0;
    virtual int32_t GetChannelInfoMts(int32_t source, std::span<uint8_t> buffer) = 0;
    virtual int32_t GetFreqOffset(int32_t source, std::span<uint8_t> buffer) = 0;
    virtual int32_t GetColorAdj(int32_t source, std::span<uint8_t> buffer) = 0;
    virtual int32_t GetChannel(int32_t source, int32_t channel, std::span<char> buffer) = 0;
    virtual void SetCurrentChannel(int32_t source, int32_t value) = 0;
    virtual void SetChannelInfo(int32_t source, std::span<const uint8_t> data) = 0;
    virtual void SetChannelInfoMts(int32_t source, std::span<const uint8_t> data) = 0;
    virtual void SetFreqOffset(int32_t source, std::span<const uint8_t> data) = 0;
    virtual void SetColorAdj(int32_t source, std::span<const uint8_t> data) = 0;
    virtual void SetChannel(int32_t source, int32_t channel, std::string_view text) = 0;
    virtual void SetMaxCh(int32_t source, int32_t value) = 0;
    virtual void SetMinCh(int32_t source, int32_t value) = 0;

    // Writes every value into the registry record of that name.
    virtual void SaveToRegistry(const std::string& name) = 0;

    virtual ~IVexaSetting() = default;
};

}  // namespace drvsetup
