#pragma once

// The vocabulary of setup keys shared by the setup INI sections, the per-record registry key and the
// settings database: 406 entries of identifier, key text, class and default rule, in table order.
// Inside drvsetup a key is addressed by its identifier; the key text is used only when a store is read
// or written. Two identifiers are shared by two keys each (9888 ATSC_Color / DecoderColorType,
// 9887000 DVBT_Color2_Type / DVBT_Color_SelectEnable): the key listed first owns the identifier, so a
// record has 404 value slots.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace drvsetup {

// Class 209 marks the install-information keys that the writer also puts into [__info].
inline constexpr int32_t kInstallInfoClass = 209;

// How a key's default value is made for a product number p.
enum class DefaultRule : uint8_t {
    Empty,           // no value
    Text,            // the fixed text of the entry
    ProductNumber,   // decimal p
    ModelCode,       // ModelCode(p)
    SetupItemId,     // "VEXA_" + ModelCode(p)
    ProductLibrary,  // ProductLibrary(p)
    TimeShift,       // TimeShiftDefault(p)
    SoundCardAudio,  // SoundCardAudioDefault(p)
    UsbPciAudio,     // UsbPciAudioDefault(p)
    HasInput,        // HasInput(p, arg)
    EepromCheck,     // EepromCheckDefault(p, -1)
    VmrType,         // VmrTypeDefault(running OS code)
    VideoBitRate,    // VideoBitRateDefault(p, arg)
    AudioBitRate,    // AudioBitRateDefault(arg)
    NtscResolution,  // NtscResolutionDefault(arg)
    PalResolution,   // PalResolutionDefault(arg)
};

struct SetupKey {
    int32_t id;
    const char* key;
    int32_t keyClass;
    DefaultRule rule;
    const char* text;  // for DefaultRule::Text
    int32_t arg;       // capability or output format code for the rules that take one
};

// All 406 entries in table order.
std::span<const SetupKey> SetupKeyTable();

// The default value of a key for product p: none for an empty default.
std::optional<std::string> DefaultValue(const SetupKey& key, int32_t product);

// The entry that owns an identifier (the first listed), or none.
const SetupKey* FindSetupKey(int32_t id);
// The entry whose key text is exactly this (case included), or none; a key that owns no identifier
// (DecoderColorType, DVBT_Color_SelectEnable) is found too, so callers must check ownership.
const SetupKey* FindSetupKeyByText(std::string_view key);
// Whether the entry is the one that owns its identifier.
bool OwnsIdentifier(const SetupKey& key);

}  // namespace drvsetup
