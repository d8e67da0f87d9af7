#pragma once

// What drvsetup knows about the capture products of the family, keyed by product number: model code,
// capture library, inputs and features, encoder defaults per output format, main chips, OEM customer
// names and the hardware table of product variants. Record defaults, the generator's choice lists and
// the settings database read these; every function is a pure lookup that answers for any argument
// (unknown products and OEMs give "Error" or the general default).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace drvsetup {

class SettingString;

// Codes of the input and feature flags, each the code behind one setting key of a record.
enum Capability : int32_t {
    CapAv1 = 5445,    // Av1Available
    CapSvhs1 = 5446,  // Svhs1Available
    CapTuner = 5447,  // TunerAvailable
    CapAv2 = 5448,    // Av2Available
    CapSvhs2 = 5449,  // Svhs2Available
    CapFm = 5456,     // FmAvailable
    CapDvbt = 5457,   // DvbtAvailable
    CapAtsc = 5458,   // AtscAvailable
    CapDvbt2 = 5459,  // Dvbt2Available
};

// Output formats of the encoder tables.
enum OutputFormat : int32_t {
    FormatVcd = 0,
    FormatSvcd = 1,
    FormatMpeg2 = 3,
    FormatMpeg1 = 4,
    FormatDvd = 5,
    FormatMpeg4 = 57,
};

// Bits of the first flag byte of a hardware entry.
inline constexpr uint8_t kHwSoundCardAudio = 0x01;
inline constexpr uint8_t kHwUsbPciAudio = 0x02;
inline constexpr uint8_t kHwDvbt = 0x04;
inline constexpr uint8_t kHwTuner = 0x08;
inline constexpr uint8_t kHwAtsc = 0x20;
inline constexpr uint8_t kHwDvbt2 = 0x40;
// Bits of the second flag byte.
inline constexpr uint8_t kHwFm = 0x01;
inline constexpr uint8_t kHwAv1 = 0x02;
inline constexpr uint8_t kHwAv2 = 0x04;
inline constexpr uint8_t kHwSvhs1 = 0x08;
inline constexpr uint8_t kHwSvhs2 = 0x10;
// Bit of the EEPROM byte.
inline constexpr uint8_t kHwEepromCheck = 0x01;

// One product variant as the maker ships it to an OEM customer.
struct HardwareEntry {
    int32_t oemIndex;    // see OemName
    const char* name;    // the name a record built from the entry receives
    int32_t product;     // product number
    uint32_t vidPid;     // USB or PCI vendor id in the high word, device id in the low word
    uint32_t subsystem;  // PCI subsystem vendor and device; 0 when the product has none
    uint8_t flags1;      // kHwSoundCardAudio ... kHwDvbt2
    uint8_t flags2;      // kHwFm ... kHwSvhs2
    uint8_t eeprom;      // kHwEepromCheck
    uint8_t reserved;    // always 0
};

inline constexpr int32_t kHardwareTableCount = 64;

// "Error" for an unknown product; 1000 is the placeholder product "Dummy".
std::string ModelCode(int32_t product);
// The capture library, default of WdmDllName; "Error" for an unknown product (1000 included).
std::string ProductLibrary(int32_t product);
std::string OemName(int32_t oemIndex);

int32_t TimeShiftDefault(int32_t product);
int32_t SoundCardAudioDefault(int32_t product);
int32_t UsbPciAudioDefault(int32_t product);
// 0 or 1: whether the product has the input or feature of the capability code.
int32_t HasInput(int32_t product, int32_t capability);
// Record defaults pass the variant -1; the hardware table passes an entry's position in its product
// group, so a variant can carry its own answer.
int32_t EepromCheckDefault(int32_t product, int32_t variant);
// Default of ParamID_VMR_TYPE for an OS code.
int32_t VmrTypeDefault(int32_t osCode);

int32_t VideoBitRateDefault(int32_t product, int32_t format);
int32_t AudioBitRateDefault(int32_t format);
// Width × 1000 + height; 0 for an unknown format.
int32_t NtscResolutionDefault(int32_t format);
int32_t PalResolutionDefault(int32_t format);
int32_t AudioSampleRateDefault(int32_t format);
int32_t VbrCbrDefault(int32_t format);

// Appends the product's MainChip1 choices (key = chip code) and returns the list's count; a product
// without chips leaves the list as it is.
int32_t AddMainChips(int32_t product, SettingString& list);
// Appends the seven TestItemId choices (key = test id).
bool AddTestItems(SettingString& list);

// The table of product variants, grouped by product number; `count` := 64.
const HardwareEntry* HardwareTable(int32_t& count);
std::span<const HardwareEntry> HardwareTable();

// Six digits, year modulo 100, month and day, from a build date text such as "Nov 30 2006" (gives
// "061130"). Without a month name from January to November the month is December, without a year
// from 2000 to 2010 the year is 2011, and without a day between blanks the day is 0.
std::string BuildDateCode(std::string_view dateText);

// Splits the text at every separator into trimmed pieces; empty pieces are kept, so "a,,b" gives
// three entries and an empty text one. Clears the list first and returns its count.
int32_t SplitText(std::string_view text, std::vector<std::string>& list, char separator);

}  // namespace drvsetup
