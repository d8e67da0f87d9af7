#include "drvsetup/device/tuner_tables.h"

#include <algorithm>
#include <initializer_list>

namespace drvsetup {

namespace {

constexpr std::array kStandardLabels{
    StandardLabel{tv::NTSC_N_358_50Hz, "NTSC_N_358_50Hz"},
    StandardLabel{tv::PAL_N_COMBO_358_50Hz, "PAL_N_COMBO_358_50Hz"},
    StandardLabel{tv::PAL_M_358_60Hz, "PAL_M_358_60Hz"},
    StandardLabel{tv::PAL_N_443_50Hz, "PAL_N_443_50Hz"},
    StandardLabel{tv::NTSC_M, "NTSC_M"},
    StandardLabel{tv::NTSC_M_J, "NTSC_M_J"},
    StandardLabel{tv::PAL_BG, "PAL_BG"},
    StandardLabel{tv::SECAM_BG, "SECAM_BG"},
    StandardLabel{tv::PAL_BH, "PAL_BH"},
    StandardLabel{tv::SECAM_BH, "SECAM_BH"},
    StandardLabel{tv::PAL_I, "PAL_I"},
    StandardLabel{tv::SECAM_L, "SECAM_L"},
    StandardLabel{tv::PAL_DK, "PAL_DK"},
    StandardLabel{tv::SECAM_DK, "SECAM_DK"},
    StandardLabel{tv::SECAM_L1, "SECAM_L'"},
    StandardLabel{tv::DVBT, "DVBT"},
    StandardLabel{tv::ATSC, "ATSC"},
    StandardLabel{tv::ISDBT, "ISDBT"},
};

constexpr std::array kMakerNames{
    MakerName{maker::Philips, "PHILIPS"}, MakerName{maker::Temic, "TEMIC"},
    MakerName{maker::Kantrel, "KANTREL"}, MakerName{maker::Lg, "LG"},
    MakerName{maker::Sony, "SONY"},       MakerName{maker::Tcl, "TCL"},
    MakerName{maker::Xceive, "XCEIVE"},   MakerName{maker::MicroTune, "MicroTune"},
};

constexpr StandardPairs List(std::initializer_list<TvStandard> codes) {
    StandardPairs pairs{};
    size_t n = 0;
    for (TvStandard code : codes) {
        pairs[n++] = StandardPair{code, nullptr};
    }
    return pairs;
}

// The pairs of `a` followed by those of `b`, up to the list's capacity.
constexpr StandardPairs Join(const StandardPairs& a, const StandardPairs& b) {
    StandardPairs pairs = a;
    size_t n = 0;
    while (n < kMaxTunerStandards && pairs[n].code != 0) {
        ++n;
    }
    for (size_t i = 0; i < kMaxTunerStandards && b[i].code != 0 && n < kMaxTunerStandards; ++i) {
        pairs[n++] = b[i];
    }
    return pairs;
}

using namespace tv;

constexpr StandardPairs kSetA =
    List({NTSC_M, NTSC_M_J, NTSC_N_358_50Hz, PAL_M_358_60Hz, PAL_N_443_50Hz, PAL_N_COMBO_358_50Hz});
constexpr StandardPairs kSetB =
    List({PAL_BG, PAL_BH, PAL_I, PAL_DK, SECAM_DK, SECAM_BG, SECAM_BH, SECAM_L, SECAM_L1});
constexpr StandardPairs kAllAnalogAndDvbt = Join(Join(kSetA, kSetB), List({DVBT}));

using TC = TunerClass;
using namespace tuner_type;

constexpr std::array kTuners{
    TunerDescriptor{48, maker::Sony, "BTF_ZK48X", DoubleConversion, TC::Sony, kSetA},
    TunerDescriptor{49, maker::Sony, "BTF_ZB48X", DoubleConversion, TC::Sony, kSetA},
    TunerDescriptor{1216, maker::Philips, "FI1216", Pll, TC::Philips, List({PAL_BG, PAL_BH})},
    TunerDescriptor{1236, maker::Philips, "FI1236", Pll, TC::Philips, kSetA},
    TunerDescriptor{1246, maker::Philips, "FI1246", Pll, TC::Philips, List({PAL_I})},
    TunerDescriptor{1256, maker::Philips, "FI1256", Pll, TC::Philips, List({PAL_DK, SECAM_DK})},
    TunerDescriptor{2060, maker::MicroTune, "MT2060", SiliconMicroTune, TC::MicroTune, kAllAnalogAndDvbt},
    TunerDescriptor{2266, maker::MicroTune, "MT2266", SiliconMicroTune, TC::MicroTune, kAllAnalogAndDvbt},
    TunerDescriptor{3028, maker::Xceive, "XC3028", SiliconXceive, TC::Xceive, kAllAnalogAndDvbt},
    TunerDescriptor{3262, maker::Kantrel, "KANTREL_NTSC", Kantrel, TC::Philips, List({NTSC_M, NTSC_M_J})},
    TunerDescriptor{3263, maker::Kantrel, "KANTREL_PALBG", Kantrel, TC::Philips, List({PAL_BG})},
    TunerDescriptor{3265, maker::Kantrel, "KANTREL_PALI", Kantrel, TC::Philips, List({PAL_I})},
    TunerDescriptor{3267, maker::Kantrel, "KANTREL_PALDK", Kantrel, TC::Philips, List({PAL_DK})},
    TunerDescriptor{5262, maker::Temic, "TEMIC_NTSC", tuner_type::Temic, TC::Philips,
                    List({NTSC_M, NTSC_M_J})},
    TunerDescriptor{5263, maker::Temic, "TEMIC_PALBG", tuner_type::Temic, TC::Philips, List({PAL_BG})},
    TunerDescriptor{5265, maker::Temic, "TEMIC_PALI", tuner_type::Temic, TC::Philips, List({PAL_I})},
    TunerDescriptor{5267, maker::Temic, "TEMIC_PALDK", tuner_type::Temic, TC::Philips, List({PAL_DK})},
    TunerDescriptor{6262, maker::Lg, "LG_NTSC", tuner_type::Lg, TC::Philips, List({NTSC_M, NTSC_M_J})},
    TunerDescriptor{6263, maker::Lg, "LG_PALBG", tuner_type::Lg, TC::Philips, List({PAL_BG})},
    TunerDescriptor{6265, maker::Lg, "LG_PALI", tuner_type::Lg, TC::Philips, List({PAL_I})},
    TunerDescriptor{6267, maker::Lg, "LG_PALDK", tuner_type::Lg, TC::Philips, List({PAL_DK})},
    TunerDescriptor{6269, maker::Tcl, "TCL2002MI_3", Pll, TC::Philips, List({PAL_DK, SECAM_DK, PAL_I})},
    TunerDescriptor{6270, maker::Tcl, "TCL2002N_5", Pll, TC::Philips, kSetA},
    TunerDescriptor{12363, maker::Philips, "FQ1236/F H-3(MK3)", PllMk3, TC::Philips, kSetA},
    TunerDescriptor{12365, maker::Philips, "FQ1236/F H-5(MK5)", PllMk5, TC::Philips, kSetA},
    // A Sony-made tuner that takes the single-conversion register algorithm.
    TunerDescriptor{12367, maker::Sony, "BTF_PK46XZ", Pll, TC::Philips, kSetA},
    TunerDescriptor{12560, maker::Philips, "FI1256MP", Pll, TC::Philips, List({PAL_DK, SECAM_DK, PAL_I})},
    TunerDescriptor{12865, maker::Philips, "FQ1286/F H-5(MK5)", PllMk5, TC::Philips, kSetA},
    TunerDescriptor{21160, maker::Philips, "FI1216MF", Pll1000, TC::Philips,
                    List({PAL_BG, PAL_BH, SECAM_BG, SECAM_BH, SECAM_L, SECAM_L1})},
    TunerDescriptor{21161, maker::Philips, "FI1216MP", Pll, TC::Philips,
                    List({PAL_BG, PAL_BH, SECAM_BG, SECAM_BH, PAL_DK, SECAM_DK})},
    TunerDescriptor{21164, maker::Philips, "FQ1216ME", Pll100, TC::Philips, kSetB},
    TunerDescriptor{21166, maker::Philips, "FQ1216ME/I H-3(MK3)", PllMk3, TC::Philips, kSetB},
    TunerDescriptor{21167, maker::Philips, "FQ1216ME/I H-5(MK5)", PllMk5, TC::Philips, kSetB},
    TunerDescriptor{21168, maker::Philips, "FME1216ME/I H-3(MK3)", PllMk3, TC::Philips, kSetB},
    TunerDescriptor{123631, maker::Philips, "FM1236/F H-3(MK3)", PllMk3, TC::Philips, kSetA},
    TunerDescriptor{123652, maker::Philips, "FM1236/F H-5(MK5)", PllMk5, TC::Philips, kSetA},
    TunerDescriptor{211661, maker::Philips, "FM1216ME/I H-3(MK3)", PllMk3, TC::Philips, kSetB},
    TunerDescriptor{211672, maker::Philips, "FM1216ME/I H-5(MK5)", PllMk5, TC::Philips, kSetB},
};

}  // namespace

std::span<const StandardLabel> StandardLabels() {
    return kStandardLabels;
}

std::span<const MakerName> MakerNames() {
    return kMakerNames;
}

std::span<const TunerDescriptor> TunerDescriptors() {
    return kTuners;
}

std::optional<std::string_view> StandardLabelOf(TvStandard code) {
    auto it = std::find_if(kStandardLabels.begin(), kStandardLabels.end(),
                           [code](const StandardLabel& entry) { return entry.code == code; });
    return it == kStandardLabels.end() ? std::nullopt : std::optional(it->label);
}

std::optional<std::string_view> MakerNameOf(int32_t code) {
    auto it = std::find_if(kMakerNames.begin(), kMakerNames.end(),
                           [code](const MakerName& entry) { return entry.code == code; });
    return it == kMakerNames.end() ? std::nullopt : std::optional(it->name);
}

const TunerDescriptor* FindTunerDescriptor(int32_t modelId) {
    auto it = std::find_if(kTuners.begin(), kTuners.end(),
                           [modelId](const TunerDescriptor& entry) { return entry.modelId == modelId; });
    return it == kTuners.end() ? nullptr : &*it;
}

const TunerDescriptor* FindTunerDescriptor(std::string_view modelName) {
    auto it = std::find_if(kTuners.begin(), kTuners.end(), [modelName](const TunerDescriptor& entry) {
        return entry.modelName == modelName;
    });
    return it == kTuners.end() ? nullptr : &*it;
}

}  // namespace drvsetup
