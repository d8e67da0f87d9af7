#pragma once

// Registry access for single values and the small setting items shared by the tuner database, the
// decoder registration and the generator: an integer with undo, a text bound to a registry value, and
// an integer chosen from a list of named choices.
//
// Registry layout under HKEY_LOCAL_MACHINE (key names compare without regard to case, so
// "Software\VEXA High-Tech" and "Software\Vexa High-Tech" are one key):
//   Software\VEXA High-Tech\Tuner\1.00.000\<record>       one REG_SZ per setup key of a record
//   <record key>\Antenna_<AirChSys>, \Cable_<CatvChSys>     channel values
//   Software\VEXA High-Tech\QM200\1.00.000\Products         one value per installed product
//   Software\Vexa High-Tech\InstllShield_Install            SimIR_Name
//   SOFTWARE\Vexa High-Tech\SotwareDecoder\...              decoder choices
//
// Failures are false results: no message, no exception. A value of another type than the one asked
// for counts as missing. Names are "or none": an absent name makes every operation fail.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace drvsetup {

class IVexaSetting;

inline constexpr const char* kTunerKey = "Software\\VEXA High-Tech\\Tuner\\1.00.000";
inline constexpr const char* kProductsKey = "Software\\VEXA High-Tech\\QM200\\1.00.000\\Products";
inline constexpr const char* kInstallShieldKey = "Software\\Vexa High-Tech\\InstllShield_Install";

using ValueName = std::optional<std::string_view>;

class I_HKLM_RegDataRW {
  public:
    virtual bool ReadInt(ValueName name, int32_t& value) = 0;
    virtual bool WriteInt(ValueName name, int32_t value) = 0;
    // Fills the buffer with zero bytes and copies the text with its NUL, cut to fit.
    virtual bool ReadString(ValueName name, std::span<char> buffer) = 0;
    virtual bool WriteString(ValueName name, std::string_view text) = 0;
    // Reads up to the buffer's size; true when any byte was read.
    virtual bool ReadBinary(ValueName name, std::span<uint8_t> buffer) = 0;
    virtual bool WriteBinary(ValueName name, std::span<const uint8_t> data) = 0;
    virtual bool IsOpen() const = 0;
    virtual bool DeleteValue(ValueName name) = 0;
    virtual ~I_HKLM_RegDataRW() = default;
};

class ISetting {
  public:
    virtual int32_t Get() const = 0;
    virtual void Set(int32_t value) = 0;
    virtual int32_t GetDefault() const = 0;
    virtual void Undo() = 0;
    virtual int32_t Commit() = 0;
    virtual const std::optional<std::string>& GetName() const = 0;
    virtual int32_t GetPrevious() const = 0;
    virtual void SetDefault(int32_t value) = 0;
    virtual int32_t Reserved() const = 0;
    virtual int32_t GetId() const = 0;
    virtual ~ISetting() = default;
};

class IStringSetting {
  public:
    virtual const std::string& Get() const = 0;
    virtual void Set(std::string_view text) = 0;
    virtual const std::string& GetDefault() const = 0;
    virtual const std::string& GetName() const = 0;
    virtual int32_t Reserved() const = 0;
    virtual int32_t Spare() const = 0;
    virtual ~IStringSetting() = default;
};

// One choice of a choice list.
struct SetupItem {
    int32_t key = 0;
    std::string name;
    uint8_t flag = 0;
    int32_t value = 0;
};

class ISettingData {
  public:
    virtual std::string NameAt(int32_t index) const = 0;
    virtual std::string NameOfKey(int32_t key) const = 0;
    virtual uint8_t FlagAt(int32_t index) const = 0;
    virtual int32_t SelectByName(std::string_view text) = 0;
    virtual bool SelectByKey(int32_t key) = 0;
    virtual bool SelectAt(int32_t index) = 0;
    virtual int32_t SetFlag(int32_t key, uint8_t flag) = 0;
    virtual int32_t GetValue() const = 0;
    virtual std::string CurrentName() const = 0;
    virtual int32_t CurrentIndex() const = 0;
    virtual void Revert() = 0;
    virtual int32_t Commit() = 0;
    virtual int32_t Count() const = 0;
    virtual int32_t GetDefault() const = 0;
    virtual int32_t IndexOfKey(int32_t key) const = 0;
    virtual int32_t KeyAt(int32_t index) const = 0;
    virtual int32_t HasKey(int32_t key) const = 0;
    virtual int32_t Remove(int32_t key) = 0;
    virtual int32_t ValueAt(int32_t index) const = 0;
    virtual int32_t ValueOfKey(int32_t key) const = 0;
    virtual const std::optional<std::string>& GetName() const = 0;
    virtual bool Add(int32_t key, std::string_view name, int32_t value, uint8_t flag) = 0;
    virtual int32_t GetId() const = 0;
    virtual ~ISettingData() = default;
};

// An integer setting with undo.
class IntRegData : public ISetting {
  public:
    IntRegData(std::optional<std::string> name, int32_t value);
    // Named after the record's key of the identifier and valued from the record when one is given.
    IntRegData(int32_t id, const IVexaSetting* record, int32_t defaultValue);

    int32_t Get() const override { return current_; }
    void Set(int32_t value) override;
    int32_t GetDefault() const override { return default_; }
    void Undo() override { Set(previous_); }
    int32_t Commit() override;
    const std::optional<std::string>& GetName() const override { return name_; }
    int32_t GetPrevious() const override { return previous_; }
    void SetDefault(int32_t value) override { default_ = value; }
    int32_t Reserved() const override { return 0; }
    int32_t GetId() const override { return id_; }

  private:
    int32_t current_;
    int32_t default_;
    int32_t previous_;
    int32_t id_ = 0;
    std::optional<std::string> name_;
};

// A text setting bound to a registry value of the same name.
class StringRegData : public IStringSetting {
  public:
    StringRegData(std::string name, std::string defaultText);

    const std::string& Get() const override { return current_; }
    void Set(std::string_view text) override { current_ = std::string(text); }
    const std::string& GetDefault() const override { return default_; }
    const std::string& GetName() const override { return name_; }
    int32_t Reserved() const override { return 0; }
    int32_t Spare() const override { return 0; }

    // Reads the value through a 1024-byte buffer; true on success.
    bool Load(I_HKLM_RegDataRW& registry);
    bool Save(I_HKLM_RegDataRW& registry) const;

  private:
    std::string name_;
    std::string current_;
    std::string default_;
};

// An integer setting chosen from a list of named choices. Lists are searched front to back; where
// several choices share a key, the first answers the queries by key, and all of them are affected by
// SetFlag, Remove and SelectByName.
class SettingString : public ISettingData {
  public:
    SettingString(std::optional<std::string> name, int32_t value);
    SettingString(int32_t id, const IVexaSetting* record, int32_t defaultValue);

    std::string NameAt(int32_t index) const override;
    std::string NameOfKey(int32_t key) const override;
    uint8_t FlagAt(int32_t index) const override;
    int32_t SelectByName(std::string_view text) override;
    bool SelectByKey(int32_t key) override;
    bool SelectAt(int32_t index) override;
    int32_t SetFlag(int32_t key, uint8_t flag) override;
    int32_t GetValue() const override { return current_.Get(); }
    std::string CurrentName() const override;
    int32_t CurrentIndex() const override;
    void Revert() override;
    int32_t Commit() override { return current_.Commit(); }
    int32_t Count() const override { return static_cast<int32_t>(choices_.size()); }
    int32_t GetDefault() const override { return current_.GetDefault(); }
    int32_t IndexOfKey(int32_t key) const override;
    int32_t KeyAt(int32_t index) const override;
    int32_t HasKey(int32_t key) const override { return IndexOfKey(key) >= 0 ? 1 : 0; }
    int32_t Remove(int32_t key) override;
    int32_t ValueAt(int32_t index) const override;
    int32_t ValueOfKey(int32_t key) const override;
    const std::optional<std::string>& GetName() const override { return current_.GetName(); }
    bool Add(int32_t key, std::string_view name, int32_t value, uint8_t flag) override;
    int32_t GetId() const override { return id_; }

    // Nothing in the kit sets it today; the generator may, to follow selections.
    void SetChangeCallback(std::function<void(void*)> callback, void* userData);

  private:
    void Select(int32_t key);
    const SetupItem* At(int32_t index) const;

    std::function<void(void*)> onChange_;
    void* userData_ = nullptr;
    std::vector<SetupItem> choices_;
    IntRegData current_;
    int32_t id_ = 0;
};

}  // namespace drvsetup
