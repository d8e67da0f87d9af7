#pragma once

// The tuner knowledge of the kit as data: TV standard labels, tuner makers and one descriptor per
// tuner model. Everything that lists, names or builds tuners reads these tables.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace drvsetup {

using TvStandard = uint32_t;

namespace tv {
inline constexpr TvStandard NTSC_N_358_50Hz = 0x0000C121;
inline constexpr TvStandard PAL_N_COMBO_358_50Hz = 0x0010C111;
inline constexpr TvStandard PAL_M_358_60Hz = 0x0010C112;
inline constexpr TvStandard PAL_N_443_50Hz = 0x0010C211;
inline constexpr TvStandard NTSC_M = 0x0011C122;
inline constexpr TvStandard NTSC_M_J = 0x0012C122;
inline constexpr TvStandard PAL_BG = 0x00244211;
inline constexpr TvStandard SECAM_BG = 0x00244241;
inline constexpr TvStandard PAL_BH = 0x00248211;
inline constexpr TvStandard SECAM_BH = 0x00248241;
inline constexpr TvStandard PAL_I = 0x0044A211;
inline constexpr TvStandard SECAM_L = 0x00841241;
inline constexpr TvStandard PAL_DK = 0x00849211;
inline constexpr TvStandard SECAM_DK = 0x00849241;
inline constexpr TvStandard SECAM_L1 = 0x00882241;  // labelled "SECAM_L'"
inline constexpr TvStandard DVBT = 0x22222222;
inline constexpr TvStandard ATSC = 0x22222223;
inline constexpr TvStandard ISDBT = 0x22222232;
}  // namespace tv

namespace maker {
inline constexpr int32_t Philips = 0;
inline constexpr int32_t Temic = 1;
inline constexpr int32_t Kantrel = 2;
inline constexpr int32_t Lg = 3;
inline constexpr int32_t Sony = 6;
inline constexpr int32_t Tcl = 7;
inline constexpr int32_t Xceive = 8;
inline constexpr int32_t MicroTune = 9;
}  // namespace maker

namespace tuner_type {
inline constexpr uint32_t Pll = 0x1;
inline constexpr uint32_t PllMk3 = 0x10;
inline constexpr uint32_t Pll100 = 0x100;
inline constexpr uint32_t Pll1000 = 0x1000;
inline constexpr uint32_t PllMk5 = 0x10000;
inline constexpr uint32_t Temic = 0x1000000;
inline constexpr uint32_t Lg = 0x2000000;
inline constexpr uint32_t Kantrel = 0x3000000;
inline constexpr uint32_t DoubleConversion = 0x4000000;
inline constexpr uint32_t SiliconXceive = 0x8000000;
inline constexpr uint32_t SiliconMicroTune = 0x10000000;
}  // namespace tuner_type

struct StandardLabel {
    TvStandard code;
    std::string_view label;
};

struct MakerName {
    int32_t code;
    std::string_view name;
};

// Register parameters of one standard for the single-conversion tuners. Frequencies and band limits
// are in units of 100 Hz (457500 = 45.75 MHz).
struct StandardParams {
    uint8_t controlByte;
    std::array<int32_t, 3> reserved;  // carried with the record, read by nothing
    int32_t ifFrequency;
    std::array<uint8_t, 4> demodulator;  // IF demodulator bytes; the first three are sent
    std::array<uint8_t, 3> bandBytes;    // low, mid, high
    std::array<int32_t, 4> limits;       // L1, L2, L3, L4
    uint8_t auxiliary;
};

inline constexpr size_t kStandardParamsCount = 31;

struct StandardPair {
    TvStandard code = 0;
    const StandardParams* params = nullptr;
};

inline constexpr size_t kMaxTunerStandards = 16;
// A list ends at the first pair whose code is 0, or after 16 pairs.
using StandardPairs = std::array<StandardPair, kMaxTunerStandards>;

// Which class serves a model, and so which register algorithm it runs.
enum class TunerClass { Philips, Sony, Xceive, MicroTune };

struct TunerDescriptor {
    int32_t modelId;
    int32_t maker;
    std::string_view modelName;
    uint32_t typeCode;
    TunerClass tunerClass;
    StandardPairs standards;
};

std::span<const StandardLabel> StandardLabels();
std::span<const MakerName> MakerNames();
// Ascending model id.
std::span<const TunerDescriptor> TunerDescriptors();
// The parameter records in their table order (the first is record 1).
std::span<const StandardParams> StandardParamsRecords();
// The 1-based number of a record of that table, or 0 for none or a record from elsewhere.
int StandardParamsNumber(const StandardParams* params);

// none for a code outside the tables.
std::optional<std::string_view> StandardLabelOf(TvStandard code);
std::optional<std::string_view> MakerNameOf(int32_t code);
const TunerDescriptor* FindTunerDescriptor(int32_t modelId);
const TunerDescriptor* FindTunerDescriptor(std::string_view modelName);

}  // namespace drvsetup
