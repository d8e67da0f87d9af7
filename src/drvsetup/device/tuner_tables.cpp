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

// Register parameter records of the single-conversion tuners, numbered from 1 in table order.
constexpr std::array<int32_t, 3> kReserved{1, 6, 64};
constexpr std::array<int32_t, 3> kReservedP5{0, 6, 0};
constexpr std::array<uint8_t, 4> kNoDemod{0x00, 0x00, 0x00, 0x00};

// Columns: control byte, reserved words, IF, demodulator bytes, band bytes (low, mid, high), band
// limits L1-L4, auxiliary byte.
// clang-format off
constexpr std::array<StandardParams, kStandardParamsCount> kStandardParams{{
    {0x8E, kReserved, 389000, kNoDemod, {0xA0, 0x90, 0x30}, {1720000, 4670000, 8600000, 8600000}, 0x00},  // 1
    {0x8E, kReserved, 457500, kNoDemod, {0xA0, 0x90, 0x30}, {1600000, 4540000, 8100000, 8100000}, 0x00},  // 2
    {0x8E, kReserved, 389000, kNoDemod, {0xA0, 0x90, 0x30}, {1720000, 4510000, 8600000, 8600000}, 0x00},  // 3
    {0x8E, kReserved, 389000, kNoDemod, {0xA0, 0x90, 0x30}, {1700000, 4500000, 9600000, 9600000}, 0x00},  // 4
    {0x8E, kReservedP5, 457500, kNoDemod, {0x01, 0x02, 0x08}, {1300000, 3640000, 8100000, 8100000}, 0x00},  // 5
    {0x8E, kReserved, 389000, kNoDemod, {0xA0, 0x90, 0x30}, {1720000, 4670000, 9600000, 9600000}, 0x00},  // 6
    {0x8E, kReserved, 457500, kNoDemod, {0xA2, 0x94, 0x31}, {1600000, 4540000, 8100000, 8100000}, 0x00},  // 7
    {0xCE, kReserved, 389000, kNoDemod, {0x02, 0x04, 0x01}, {1440000, 4670000, 8600000, 8600000}, 0x00},  // 8
    {0x8E, kReserved, 389000, kNoDemod, {0x02, 0x04, 0x01}, {1440000, 4670000, 8600000, 8600000}, 0x00},  // 9
    {0x8E, kReserved, 389000, kNoDemod, {0xA0, 0x90, 0x30}, {1500000, 4600000, 9600000, 9600000}, 0x00},  // 10
    {0x86, kReserved, 389000, kNoDemod, {0x01, 0x02, 0x08}, {1700000, 4500000, 8552500, 8552500}, 0x00},  // 11
    {0x86, kReserved, 457500, kNoDemod, {0x01, 0x02, 0x08}, {1700000, 4500000, 8552500, 8552500}, 0x00},  // 12
    {0x8E, kReserved, 457500, {0x16, 0x10, 0x44, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8100000, 8100000}, 0xA0},  // 13
    {0x8E, kReserved, 457500, {0x17, 0x30, 0x44, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8100000, 8100000}, 0x00},  // 14
    {0xC6, kReserved, 587500, kNoDemod, {0x01, 0x02, 0x04}, {2200000, 4700000, 8552500, 8552500}, 0x00},  // 15
    {0x8E, kReserved, 389000, kNoDemod, {0xA1, 0x91, 0x31}, {1700000, 4500000, 8552500, 8552500}, 0x00},  // 16
    {0x8E, kReserved, 389000, kNoDemod, {0xA3, 0x93, 0x33}, {1700000, 4500000, 8552500, 8552500}, 0x00},  // 17
    {0x8E, kReserved, 339500, kNoDemod, {0xA2, 0x92, 0x32}, {1700000, 4500000, 8552500, 8700000}, 0x00},  // 18
    {0x8E, kReserved, 389000, kNoDemod, {0xA9, 0x99, 0x39}, {1700000, 4500000, 8552500, 8552500}, 0x00},  // 19
    {0x8E, kReserved, 389000, kNoDemod, {0xAB, 0x9B, 0x3B}, {1700000, 4500000, 8552500, 8552500}, 0x00},  // 20
    {0x8E, kReserved, 339500, kNoDemod, {0xAA, 0x9A, 0x3A}, {1700000, 4500000, 8552500, 8700000}, 0x00},  // 21
    {0x8E, kReserved, 389000, {0x16, 0x70, 0x49, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0xA0},  // 22
    {0x8E, kReserved, 389000, {0x16, 0x70, 0x4A, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0xB0},  // 23
    {0x8E, kReserved, 389000, {0x16, 0x70, 0x4B, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0xB0},  // 24
    {0x8E, kReserved, 389000, {0x06, 0x50, 0x4B, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0x20},  // 25
    {0x8E, kReserved, 339500, {0x86, 0x50, 0x63, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0x20},  // 26
    {0x8E, kReserved, 389000, {0x56, 0x72, 0x49, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0xA0},  // 27
    {0x8E, kReserved, 389000, {0x56, 0x72, 0x4A, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0xB0},  // 28
    {0x8E, kReserved, 389000, {0x56, 0x72, 0x4B, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0xB0},  // 29
    {0x8E, kReserved, 389000, {0x46, 0x50, 0x4B, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0x20},  // 30
    {0x8E, kReserved, 339500, {0xC6, 0x50, 0x53, 0x00}, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, 0x20},  // 31
}};
// clang-format on

// Which record each single-conversion model uses for which of its standards.
struct ParamsGroup {
    int record = 0;  // 1-based number in kStandardParams
    StandardPairs standards{};
};

struct ParamsOfModels {
    std::array<int32_t, 3> models{};
    std::array<ParamsGroup, 5> groups{};
};

constexpr ParamsOfModels Assign(std::initializer_list<int32_t> models,
                                std::initializer_list<ParamsGroup> groups) {
    ParamsOfModels row{};
    size_t n = 0;
    for (int32_t model : models) {
        row.models[n++] = model;
    }
    n = 0;
    for (const ParamsGroup& group : groups) {
        row.groups[n++] = group;
    }
    return row;
}

constexpr std::array kParamsOfModels{
    Assign({1216}, {{1, List({PAL_BG, PAL_BH})}}),
    Assign({1236}, {{2, kSetA}}),
    Assign({1246}, {{3, List({PAL_I})}}),
    Assign({1256}, {{4, List({PAL_DK, SECAM_DK})}}),
    Assign({3262}, {{5, List({NTSC_M, NTSC_M_J})}}),
    Assign({3263}, {{1, List({PAL_BG})}}),
    Assign({3265}, {{3, List({PAL_I})}}),
    Assign({3267}, {{6, List({PAL_DK})}}),
    Assign({5262}, {{7, List({NTSC_M, NTSC_M_J})}}),
    Assign({5263}, {{8, List({PAL_BG})}}),
    Assign({5265}, {{9, List({PAL_I})}}),
    Assign({5267}, {{10, List({PAL_DK})}}),
    Assign({6262}, {{2, List({NTSC_M, NTSC_M_J})}}),
    Assign({6263}, {{1, List({PAL_BG})}}),
    Assign({6265}, {{3, List({PAL_I})}}),
    Assign({6267}, {{10, List({PAL_DK})}}),
    Assign({6269}, {{11, List({PAL_DK, SECAM_DK, PAL_I})}}),
    Assign({6270}, {{12, kSetA}}),
    Assign({12363, 123631}, {{13, kSetA}}),
    Assign({12365, 12865, 123652}, {{14, kSetA}}),
    Assign({12367}, {{15, kSetA}}),
    Assign({12560}, {{4, List({PAL_DK, SECAM_DK})}, {3, List({PAL_I})}}),
    Assign({21160},
           {{16, List({PAL_BG, PAL_BH, SECAM_BG, SECAM_BH})}, {17, List({SECAM_L})}, {18, List({SECAM_L1})}}),
    Assign({21161}, {{1, List({PAL_BG, PAL_BH, SECAM_BG, SECAM_BH})}, {4, List({PAL_DK, SECAM_DK})}}),
    Assign({21164}, {{19, List({PAL_BG, PAL_BH, PAL_DK, SECAM_DK, SECAM_BG, SECAM_BH})},
                     {16, List({PAL_I})},
                     {20, List({SECAM_L})},
                     {21, List({SECAM_L1})}}),
    Assign({21166, 21168, 211661}, {{22, List({PAL_BG, PAL_BH, SECAM_BG, SECAM_BH})},
                                    {23, List({PAL_I})},
                                    {24, List({PAL_DK, SECAM_DK})},
                                    {25, List({SECAM_L})},
                                    {26, List({SECAM_L1})}}),
    Assign({21167, 211672}, {{27, List({PAL_BG, PAL_BH, SECAM_BG, SECAM_BH})},
                             {28, List({PAL_I})},
                             {29, List({PAL_DK, SECAM_DK})},
                             {30, List({SECAM_L})},
                             {31, List({SECAM_L1})}}),
};

constexpr bool Holds(const StandardPairs& list, TvStandard code) {
    for (const StandardPair& pair : list) {
        if (pair.code == code) {
            return true;
        }
    }
    return false;
}

constexpr const StandardParams* RecordFor(int32_t model, TvStandard code) {
    for (const ParamsOfModels& row : kParamsOfModels) {
        bool listed = false;
        for (int32_t m : row.models) {
            listed = listed || (m != 0 && m == model);
        }
        if (!listed) {
            continue;
        }
        for (const ParamsGroup& group : row.groups) {
            if (group.record >= 1 && static_cast<size_t>(group.record) <= kStandardParams.size() &&
                Holds(group.standards, code)) {
                return &kStandardParams[static_cast<size_t>(group.record - 1)];
            }
        }
    }
    return nullptr;
}

// The descriptors with each pair bound to the record its model uses for that standard.
template <size_t N>
constexpr std::array<TunerDescriptor, N> WithParams(std::array<TunerDescriptor, N> tuners) {
    for (TunerDescriptor& tuner : tuners) {
        for (StandardPair& pair : tuner.standards) {
            if (pair.code != 0) {
                pair.params = RecordFor(tuner.modelId, pair.code);
            }
        }
    }
    return tuners;
}

using TC = TunerClass;
using namespace tuner_type;

constexpr std::array kTunerRows{
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

constexpr std::array kTuners = WithParams(kTunerRows);

// Every single-conversion model has a record for each of its standards, and the others have none.
constexpr bool EveryPhilipsPairHasItsRecord() {
    for (const TunerDescriptor& tuner : kTuners) {
        for (const StandardPair& pair : tuner.standards) {
            if (pair.code != 0 && (pair.params != nullptr) != (tuner.tunerClass == TunerClass::Philips)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(EveryPhilipsPairHasItsRecord());

}  // namespace

std::span<const StandardParams> StandardParamsRecords() {
    return kStandardParams;
}

int StandardParamsNumber(const StandardParams* params) {
    for (size_t i = 0; i < kStandardParams.size(); ++i) {
        if (&kStandardParams[i] == params) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

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
