#pragma once

// The interface through which everything in drvsetup works on a hardware setting record: one text
// value per key of the setup key table, addressed by the key's identifier.

#include <cstdint>
#include <string>

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
    virtual ~IVexaSetting() = default;
};

}  // namespace drvsetup
