#include "drvsetup/device/tuner_algorithms.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <utility>
#include <vector>

#include "drvsetup/device/tuner_bus.h"

namespace {

using namespace drvsetup;
using namespace drvsetup::tv;
using Kind = TunerBusCall::Kind;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kTunerAddress = 0x61;

TunerBusCall Write(uint8_t address, Bytes bytes) {
    return TunerBusCall{Kind::WriteBytes, address, static_cast<int32_t>(bytes.size()), 0, bytes};
}

TunerBusCall WriteSub(uint8_t address, uint8_t subaddress, Bytes bytes) {
    return TunerBusCall{Kind::WriteSubaddressed, address, static_cast<int32_t>(bytes.size()), subaddress,
                        bytes};
}

TunerBusCall ReadWord(uint8_t address) {
    return TunerBusCall{Kind::ReadWord, address, 32, 0, {}};
}

TunerBusCall ReadByte(uint8_t address) {
    return TunerBusCall{Kind::ReadBytes, address, 1, 0, {}};
}

// The registers of one computation, with both buffers pre-filled so untouched bytes show.
struct Registers {
    bool ok = false;
    std::array<uint8_t, 6> first{};
    std::array<uint8_t, 4> second{};
    int32_t count1 = 6;
    int32_t count2 = 4;
};

Registers Compute(ITunerDevice& tuner, TvStandard standard, uint32_t frequency) {
    Registers r;
    r.first.fill(0xEE);
    r.second.fill(0xEE);
    r.ok = tuner.ComputeRegisters(r.first, r.count1, r.second, r.count2, standard, frequency);
    return r;
}

Bytes Head(std::span<const uint8_t> bytes, size_t n) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

// ---- single-conversion tuners ----

TEST(PhilipsTunerTest, Fi1236At55MHzIsLowBandWithoutDemodulatorBytes) {
    PhilipsTuner tuner(*FindTunerDescriptor(1236));
    Registers r = Compute(tuner, NTSC_M, 55250000);
    ASSERT_TRUE(r.ok);
    // N = 1616 = 0x0650
    EXPECT_EQ(Head(r.first, 4), (Bytes{0x06, 0x50, 0x8E, 0xA0}));
    EXPECT_EQ(r.count1, 4);
    EXPECT_EQ(r.count2, 0);
    EXPECT_EQ(r.second, (std::array<uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(r.first[4], 0xEE);  // no auxiliary byte on this type

    RecordingTunerBus bus;
    EXPECT_TRUE(tuner.Tune(bus, kTunerAddress, NTSC_M, 55250000));
    EXPECT_EQ(bus.Calls(), (std::vector{Write(kTunerAddress, {0x06, 0x50, 0x8E, 0xA0})}));
    // Without demodulator bytes the demodulator is left alone.
    bus.Clear();
    EXPECT_TRUE(tuner.TuneWithDemodulator(bus, kTunerAddress, NTSC_M, 55250000));
    EXPECT_EQ(bus.Calls(), (std::vector{Write(kTunerAddress, {0x06, 0x50, 0x8E, 0xA0})}));
}

TEST(PhilipsTunerTest, Mk3At503MHzSendsTheDemodulatorFirst) {
    PhilipsTuner tuner(*FindTunerDescriptor(21166));
    Registers r = Compute(tuner, PAL_BG, 503250000);
    ASSERT_TRUE(r.ok);
    // N = 8674 = 0x21E2, high band, then the auxiliary byte
    EXPECT_EQ(Head(r.first, 5), (Bytes{0x21, 0xE2, 0x8E, 0x04, 0xA0}));
    EXPECT_EQ(r.count1, 5);
    EXPECT_EQ(r.second, (std::array<uint8_t, 4>{0x16, 0x70, 0x49, 0x00}));
    EXPECT_EQ(r.count2, 4);

    RecordingTunerBus bus;
    bus.SetWriteResult(0);  // write results are not consulted
    EXPECT_TRUE(tuner.TuneWithDemodulator(bus, kTunerAddress, PAL_BG, 503250000));
    EXPECT_EQ(bus.Calls(), (std::vector{WriteSub(0x43, 0, {0x16, 0x70, 0x49}),
                                        Write(kTunerAddress, {0x21, 0xE2, 0x8E, 0x04})}));
    // Tune sends the PLL bytes only, without the auxiliary byte.
    bus.Clear();
    EXPECT_TRUE(tuner.Tune(bus, kTunerAddress, PAL_BG, 503250000));
    EXPECT_EQ(bus.Calls(), (std::vector{Write(kTunerAddress, {0x21, 0xE2, 0x8E, 0x04})}));
}

TEST(PhilipsTunerTest, Mk5SendsThreeDemodulatorBytes) {
    PhilipsTuner tuner(*FindTunerDescriptor(21167));
    Registers r = Compute(tuner, PAL_I, 503250000);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Head(r.first, 5), (Bytes{0x21, 0xE2, 0x8E, 0x04, 0xEE}));
    EXPECT_EQ(r.count1, 4);
    EXPECT_EQ(r.second, (std::array<uint8_t, 4>{0x56, 0x72, 0x4A, 0xEE}));
    EXPECT_EQ(r.count2, 3);

    RecordingTunerBus bus;
    EXPECT_TRUE(tuner.TuneWithDemodulator(bus, kTunerAddress, PAL_I, 503250000));
    EXPECT_EQ(bus.Calls(), (std::vector{WriteSub(0x43, 0, {0x56, 0x72, 0x4A}),
                                        Write(kTunerAddress, {0x21, 0xE2, 0x8E, 0x04})}));
}

TEST(PhilipsTunerTest, AboveTheLastBandTheBandByteIsZero) {
    PhilipsTuner tuner(*FindTunerDescriptor(21166));
    Registers r = Compute(tuner, PAL_BG, 870000000);
    ASSERT_TRUE(r.ok);
    // N = (8700000 + 389000) * 16 / 10000 = 14542 = 0x38CE
    EXPECT_EQ(Head(r.first, 5), (Bytes{0x38, 0xCE, 0x8E, 0x00, 0xA0}));
}

TEST(PhilipsTunerTest, AStandardNotListedUsesTheFirstPairsRecord) {
    PhilipsTuner fi1216(*FindTunerDescriptor(1216));
    EXPECT_EQ(StandardParamsNumber(fi1216.ParamsFor(NTSC_M)), 1);
    Registers asked = Compute(fi1216, NTSC_M, 55250000);
    Registers own = Compute(fi1216, PAL_BG, 55250000);
    ASSERT_TRUE(asked.ok);
    // N = (552500 + 389000) * 16 / 10000 = 1506 = 0x05E2: the IF of record 1, not that of an NTSC record
    EXPECT_EQ(Head(asked.first, 4), (Bytes{0x05, 0xE2, 0x8E, 0xA0}));
    EXPECT_EQ(asked.first, own.first);

    // The first pair's record, not the last one seen.
    PhilipsTuner fi1256mp(*FindTunerDescriptor(12560));
    EXPECT_EQ(StandardParamsNumber(fi1256mp.ParamsFor(NTSC_M)), 4);
    EXPECT_EQ(StandardParamsNumber(fi1256mp.ParamsFor(PAL_I)), 3);
}

TEST(PhilipsTunerTest, AModelWithoutARecordComputesNothing) {
    TunerDescriptor bare = *FindTunerDescriptor(1236);
    bare.standards = {};
    PhilipsTuner noPairs(bare);
    Registers r = Compute(noPairs, NTSC_M, 55250000);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.first, (std::array<uint8_t, 6>{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(r.count1, 6);
    EXPECT_EQ(r.count2, 4);

    TunerDescriptor unbound = *FindTunerDescriptor(1236);
    unbound.standards[0].params = nullptr;
    PhilipsTuner firstPairUnbound(unbound);
    RecordingTunerBus bus;
    EXPECT_FALSE(firstPairUnbound.Tune(bus, kTunerAddress, PAL_BG, 55250000));
    EXPECT_FALSE(firstPairUnbound.TuneWithDemodulator(bus, kTunerAddress, PAL_BG, 55250000));
    EXPECT_TRUE(bus.Calls().empty());
}

TEST(PhilipsTunerTest, ShortBuffersAreRefusedAndLeftAlone) {
    struct Case {
        int32_t model;
        size_t first;
        size_t second;
        bool ok;
    };
    const Case cases[] = {
        {21166, 4, 4, false}, {21166, 5, 3, false}, {21166, 5, 4, true},  // MK3: 5 and 4
        {21167, 3, 3, false}, {21167, 4, 2, false}, {21167, 4, 3, true},  // MK5: 4 and 3
        {1236, 3, 4, false},  {1236, 4, 0, true},   {1236, 4, 2, true},   // others: 4, second not needed
    };
    for (const Case& c : cases) {
        PhilipsTuner tuner(*FindTunerDescriptor(c.model));
        std::vector<uint8_t> first(c.first + 1, 0xEE);
        std::vector<uint8_t> second(c.second + 1, 0xEE);
        int32_t count1 = 99;
        int32_t count2 = 99;
        bool ok = tuner.ComputeRegisters(std::span(first).first(c.first), count1,
                                         std::span(second).first(c.second), count2, tv::PAL_BG, 503250000);
        EXPECT_EQ(ok, c.ok) << c.model << " " << c.first << " " << c.second;
        // Nothing lands past the buffers given.
        EXPECT_EQ(first.back(), 0xEE) << c.model;
        EXPECT_EQ(second.back(), 0xEE) << c.model;
        if (!ok) {
            EXPECT_EQ(first, std::vector<uint8_t>(c.first + 1, 0xEE)) << c.model;
            EXPECT_EQ(count1, 99);
            EXPECT_EQ(count2, 99);
        } else if (c.model == 1236) {
            EXPECT_EQ(count2, 0);
            std::vector<uint8_t> zeroed(c.second + 1, 0x00);
            zeroed.back() = 0xEE;
            EXPECT_EQ(second, zeroed);
        }
    }
}

// Every single-conversion model, per record it uses: the divider, control byte and band byte on both
// sides of each band limit, and the type's extra bytes. The values restate the parameter tables.
struct EdgeRow {
    int32_t model;
    int record;
    std::vector<TvStandard> standards;
    uint8_t control;
    int32_t ifFrequency;
    std::array<uint8_t, 3> bands;  // low, mid, high
    std::array<int32_t, 4> limits;
    std::array<uint8_t, 4> demodulator;
    uint8_t auxiliary;
};

const std::vector<TvStandard> kSetA{NTSC_M,         NTSC_M_J,       NTSC_N_358_50Hz,
                                    PAL_M_358_60Hz, PAL_N_443_50Hz, PAL_N_COMBO_358_50Hz};

TEST(PhilipsTunerTest, EveryModelsDividerAndBandBytesAtItsBandEdges) {
    // clang-format off
    const std::vector<EdgeRow> rows{
        {1216, 1, {PAL_BG, PAL_BH}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4670000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {1236, 2, kSetA, 0x8E, 457500, {0xA0, 0x90, 0x30}, {1600000, 4540000, 8100000, 8100000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {1246, 3, {PAL_I}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4510000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {1256, 4, {PAL_DK, SECAM_DK}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1700000, 4500000, 9600000, 9600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {3262, 5, {NTSC_M, NTSC_M_J}, 0x8E, 457500, {0x01, 0x02, 0x08}, {1300000, 3640000, 8100000, 8100000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {3263, 1, {PAL_BG}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4670000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {3265, 3, {PAL_I}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4510000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {3267, 6, {PAL_DK}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4670000, 9600000, 9600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {5262, 7, {NTSC_M, NTSC_M_J}, 0x8E, 457500, {0xA2, 0x94, 0x31}, {1600000, 4540000, 8100000, 8100000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {5263, 8, {PAL_BG}, 0xCE, 389000, {0x02, 0x04, 0x01}, {1440000, 4670000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {5265, 9, {PAL_I}, 0x8E, 389000, {0x02, 0x04, 0x01}, {1440000, 4670000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {5267, 10, {PAL_DK}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1500000, 4600000, 9600000, 9600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {6262, 2, {NTSC_M, NTSC_M_J}, 0x8E, 457500, {0xA0, 0x90, 0x30}, {1600000, 4540000, 8100000, 8100000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {6263, 1, {PAL_BG}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4670000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {6265, 3, {PAL_I}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4510000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {6267, 10, {PAL_DK}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1500000, 4600000, 9600000, 9600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {6269, 11, {PAL_DK, SECAM_DK, PAL_I}, 0x86, 389000, {0x01, 0x02, 0x08}, {1700000, 4500000, 8552500, 8552500}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {6270, 12, kSetA, 0x86, 457500, {0x01, 0x02, 0x08}, {1700000, 4500000, 8552500, 8552500}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {12363, 13, kSetA, 0x8E, 457500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8100000, 8100000}, {0x16, 0x10, 0x44, 0x00}, 0xA0},
        {123631, 13, kSetA, 0x8E, 457500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8100000, 8100000}, {0x16, 0x10, 0x44, 0x00}, 0xA0},
        {12365, 14, kSetA, 0x8E, 457500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8100000, 8100000}, {0x17, 0x30, 0x44, 0x00}, 0x00},
        {12865, 14, kSetA, 0x8E, 457500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8100000, 8100000}, {0x17, 0x30, 0x44, 0x00}, 0x00},
        {123652, 14, kSetA, 0x8E, 457500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8100000, 8100000}, {0x17, 0x30, 0x44, 0x00}, 0x00},
        {12367, 15, kSetA, 0xC6, 587500, {0x01, 0x02, 0x04}, {2200000, 4700000, 8552500, 8552500}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {12560, 4, {PAL_DK, SECAM_DK}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1700000, 4500000, 9600000, 9600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {12560, 3, {PAL_I}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4510000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21160, 16, {PAL_BG, PAL_BH, SECAM_BG, SECAM_BH}, 0x8E, 389000, {0xA1, 0x91, 0x31}, {1700000, 4500000, 8552500, 8552500}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21160, 17, {SECAM_L}, 0x8E, 389000, {0xA3, 0x93, 0x33}, {1700000, 4500000, 8552500, 8552500}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21160, 18, {SECAM_L1}, 0x8E, 339500, {0xA2, 0x92, 0x32}, {1700000, 4500000, 8552500, 8700000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21161, 1, {PAL_BG, PAL_BH, SECAM_BG, SECAM_BH}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1720000, 4670000, 8600000, 8600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21161, 4, {PAL_DK, SECAM_DK}, 0x8E, 389000, {0xA0, 0x90, 0x30}, {1700000, 4500000, 9600000, 9600000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21164, 19, {PAL_BG, PAL_BH, PAL_DK, SECAM_DK, SECAM_BG, SECAM_BH}, 0x8E, 389000, {0xA9, 0x99, 0x39}, {1700000, 4500000, 8552500, 8552500}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21164, 16, {PAL_I}, 0x8E, 389000, {0xA1, 0x91, 0x31}, {1700000, 4500000, 8552500, 8552500}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21164, 20, {SECAM_L}, 0x8E, 389000, {0xAB, 0x9B, 0x3B}, {1700000, 4500000, 8552500, 8552500}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21164, 21, {SECAM_L1}, 0x8E, 339500, {0xAA, 0x9A, 0x3A}, {1700000, 4500000, 8552500, 8700000}, {0x00, 0x00, 0x00, 0x00}, 0x00},
        {21166, 22, {PAL_BG, PAL_BH, SECAM_BG, SECAM_BH}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x49, 0x00}, 0xA0},
        {21168, 22, {PAL_BG, PAL_BH, SECAM_BG, SECAM_BH}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x49, 0x00}, 0xA0},
        {211661, 22, {PAL_BG, PAL_BH, SECAM_BG, SECAM_BH}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x49, 0x00}, 0xA0},
        {21166, 23, {PAL_I}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x4A, 0x00}, 0xB0},
        {21168, 23, {PAL_I}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x4A, 0x00}, 0xB0},
        {211661, 23, {PAL_I}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x4A, 0x00}, 0xB0},
        {21166, 24, {PAL_DK, SECAM_DK}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x4B, 0x00}, 0xB0},
        {21168, 24, {PAL_DK, SECAM_DK}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x4B, 0x00}, 0xB0},
        {211661, 24, {PAL_DK, SECAM_DK}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x16, 0x70, 0x4B, 0x00}, 0xB0},
        {21166, 25, {SECAM_L}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x06, 0x50, 0x4B, 0x00}, 0x20},
        {21168, 25, {SECAM_L}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x06, 0x50, 0x4B, 0x00}, 0x20},
        {211661, 25, {SECAM_L}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x06, 0x50, 0x4B, 0x00}, 0x20},
        {21166, 26, {SECAM_L1}, 0x8E, 339500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x86, 0x50, 0x63, 0x00}, 0x20},
        {21168, 26, {SECAM_L1}, 0x8E, 339500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x86, 0x50, 0x63, 0x00}, 0x20},
        {211661, 26, {SECAM_L1}, 0x8E, 339500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x86, 0x50, 0x63, 0x00}, 0x20},
        {21167, 27, {PAL_BG, PAL_BH, SECAM_BG, SECAM_BH}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x56, 0x72, 0x49, 0x00}, 0xA0},
        {211672, 27, {PAL_BG, PAL_BH, SECAM_BG, SECAM_BH}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x56, 0x72, 0x49, 0x00}, 0xA0},
        {21167, 28, {PAL_I}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x56, 0x72, 0x4A, 0x00}, 0xB0},
        {211672, 28, {PAL_I}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x56, 0x72, 0x4A, 0x00}, 0xB0},
        {21167, 29, {PAL_DK, SECAM_DK}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x56, 0x72, 0x4B, 0x00}, 0xB0},
        {211672, 29, {PAL_DK, SECAM_DK}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x56, 0x72, 0x4B, 0x00}, 0xB0},
        {21167, 30, {SECAM_L}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x46, 0x50, 0x4B, 0x00}, 0x20},
        {211672, 30, {SECAM_L}, 0x8E, 389000, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0x46, 0x50, 0x4B, 0x00}, 0x20},
        {21167, 31, {SECAM_L1}, 0x8E, 339500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0xC6, 0x50, 0x53, 0x00}, 0x20},
        {211672, 31, {SECAM_L1}, 0x8E, 339500, {0x01, 0x02, 0x04}, {1600000, 4420000, 8630000, 8630000}, {0xC6, 0x50, 0x53, 0x00}, 0x20},
    };
    // clang-format on

    std::set<int32_t> models;
    for (const EdgeRow& row : rows) {
        models.insert(row.model);
        const TunerDescriptor* descriptor = FindTunerDescriptor(row.model);
        ASSERT_NE(descriptor, nullptr) << row.model;
        PhilipsTuner tuner(*descriptor);
        const int32_t l1 = row.limits[0], l2 = row.limits[1], l3 = row.limits[2], l4 = row.limits[3];
        const uint8_t low = row.bands[0], mid = row.bands[1], high = row.bands[2];
        // (frequency in 100 Hz, expected band byte)
        const std::pair<int32_t, uint8_t> edges[] = {
            {l1 - 1, low},  {l1, mid},      {l2 - 1, mid},
            {l2, high},     {l3 - 1, high}, {l3, l4 > l3 ? high : uint8_t{0}},
            {l4 - 1, high}, {l4, 0},
        };
        for (TvStandard standard : row.standards) {
            EXPECT_EQ(StandardParamsNumber(tuner.ParamsFor(standard)), row.record) << row.model;
            for (auto [f, band] : edges) {
                Registers r = Compute(tuner, standard, static_cast<uint32_t>(f) * 100);
                ASSERT_TRUE(r.ok);
                const int32_t divider = ((f + row.ifFrequency) * 16) / 10000;
                const auto where = ::testing::Message()
                                   << row.model << " std " << std::hex << standard << std::dec << " at " << f;
                EXPECT_EQ(r.first[0], (divider >> 8) & 0xFF) << where;
                EXPECT_EQ(r.first[1], divider & 0xFF) << where;
                EXPECT_EQ(r.first[2], row.control) << where;
                EXPECT_EQ(r.first[3], band) << where;
                switch (descriptor->typeCode) {
                    case tuner_type::PllMk3:
                        EXPECT_EQ(r.count1, 5);
                        EXPECT_EQ(r.first[4], row.auxiliary) << where;
                        EXPECT_EQ(r.second, row.demodulator) << where;
                        EXPECT_EQ(r.count2, 4);
                        break;
                    case tuner_type::PllMk5:
                        EXPECT_EQ(r.count1, 4);
                        EXPECT_EQ(Head(r.second, 3), Head(row.demodulator, 3)) << where;
                        EXPECT_EQ(r.count2, 3);
                        break;
                    default:
                        EXPECT_EQ(r.count1, 4);
                        EXPECT_EQ(r.count2, 0);
                        break;
                }
            }
        }
    }
    // Every single-conversion model is in the table.
    size_t philips = 0;
    for (const TunerDescriptor& d : TunerDescriptors()) {
        if (d.tunerClass == TunerClass::Philips) {
            ++philips;
            EXPECT_EQ(models.count(d.modelId), 1u) << d.modelName;
        }
    }
    EXPECT_EQ(models.size(), philips);
}

TEST(PhilipsTunerTest, StatusOfBothRegisterLayouts) {
    struct Case {
        int32_t model;
        uint32_t pllStatus;
        uint32_t demodulatorStatus;
        int32_t locked;
        int32_t afc;
    };
    const Case cases[] = {
        {1236, 0x45, 0, 1, 5},        // PLL word only: lock bit 6, AFC in bits 0-2
        {1236, 0xBF, 0, 0, 7},        //
        {21166, 0x40, 0x0E, 1, 7},    // MK3: AFC is a signed 4-bit field in bits 1-4 of the demodulator
        {21166, 0x07, 0x10, 0, -8},   //
        {21167, 0x40, 0x12, 1, -7},   // MK5 alike
        {21167, 0xFF, 0xE1, 1, 0},    // bits outside the field are ignored
        {211672, 0x00, 0x1E, 0, -1},  //
    };
    for (const Case& c : cases) {
        PhilipsTuner tuner(*FindTunerDescriptor(c.model));
        RecordingTunerBus bus;
        bus.SetRead(kTunerAddress, c.pllStatus);
        bus.SetRead(0x43, c.demodulatorStatus);
        int32_t afc = 99;
        int32_t locked = 99;
        EXPECT_EQ(tuner.ReadStatus(bus, kTunerAddress, afc, locked), 1);
        EXPECT_EQ(locked, c.locked) << c.model << " " << c.pllStatus;
        EXPECT_EQ(afc, c.afc) << c.model << " " << c.demodulatorStatus;
        if (tuner.TypeCode() == tuner_type::Pll) {
            EXPECT_EQ(bus.Calls(), (std::vector{ReadWord(kTunerAddress)}));
        } else {
            EXPECT_EQ(bus.Calls(), (std::vector{ReadWord(kTunerAddress), ReadWord(0x43)}));
        }
    }
}

// ---- double-conversion tuners ----

TEST(SonyTunerTest, ZB48XAt55MHz) {
    SonyTuner tuner(*FindTunerDescriptor(49));
    std::array<uint8_t, 8> registers{};
    registers.fill(0xEE);
    int32_t count1 = 8;
    int32_t count2 = 0;
    ASSERT_TRUE(tuner.ComputeRegisters(registers, count1, {}, count2, NTSC_M, 55250000));
    EXPECT_EQ(registers, (std::array<uint8_t, 8>{0x04, 0xFF, 0x33, 0x01, 0xC9, 0xA0, 0x27, 0x02}));
    EXPECT_EQ(count1, 8);
    EXPECT_EQ(count2, 0);
    EXPECT_EQ(tuner.OutputIf(), 45750000u);

    RecordingTunerBus bus;
    EXPECT_TRUE(tuner.TuneWithDemodulator(bus, 0x60, NTSC_M, 55250000));
    const std::vector expected{Write(0x60, {0x04, 0xFF, 0x33, 0x01}), Write(0x60, {0xC9, 0xA0, 0x27, 0x02})};
    EXPECT_EQ(bus.Calls(), expected);
    bus.Clear();
    EXPECT_TRUE(tuner.Tune(bus, 0x60, NTSC_M, 55250000));
    EXPECT_EQ(bus.Calls(), expected);

    // The second write's result is the answer.
    bus.SetWriteResult(0);
    EXPECT_FALSE(tuner.Tune(bus, 0x60, NTSC_M, 55250000));
}

TEST(SonyTunerTest, OscillatorSwitchesAndLimits) {
    struct Case {
        int32_t model;
        uint32_t frequency;
        bool ok;
        std::array<uint8_t, 8> bytes;
    };
    const Case cases[] = {
        // ZB48X: LO1 = 1279 MHz .. the top of band 0 at 1360 MHz, band 1 above it
        {49, 136250000, true, {0x05, 0x50, 0x33, 0x01, 0xC9, 0xA0, 0x27, 0x02}},
        {49, 136312500, true, {0x05, 0x50, 0x33, 0x11, 0xC9, 0xA0, 0x27, 0x02}},
        // one step below the switch: LO2 1178 MHz, N2 = 18848
        {49, 797187500, true, {0x07, 0xE4, 0x33, 0x51, 0xC9, 0xA0, 0x27, 0x02}},
        // from 797.25 MHz on: LO2 1175 MHz, N2 = 18800, LO1 = 2018 MHz
        {49, 797250000, true, {0x07, 0xE2, 0x33, 0x51, 0xC9, 0x70, 0x27, 0x02}},
        // the highest frequency: LO1 = 2022 MHz, the top of band 5
        {49, 801250000, true, {0x07, 0xE6, 0x33, 0x51, 0xC9, 0x70, 0x27, 0x02}},
        {49, 801312500, false, {}},
        // ZK48X: LO2 1165 MHz, N2 = 18640 = 0x48D0; LO1 reaches 2022 MHz at 798.25 MHz
        {48, 55250000, true, {0x04, 0xFF, 0x33, 0x01, 0xC8, 0xD0, 0x27, 0x02}},
        {48, 798250000, true, {0x07, 0xE6, 0x33, 0x51, 0xC8, 0xD0, 0x27, 0x02}},
        {48, 798312500, false, {}},
        // so large that LO1 would wrap around 32 bits into band 0
        {49, 3100000000u, false, {}},
        {48, 4294967295u, false, {}},
    };
    for (const Case& c : cases) {
        SonyTuner tuner(*FindTunerDescriptor(c.model));
        std::array<uint8_t, 8> registers{};
        registers.fill(0xEE);
        int32_t count1 = 8;
        int32_t count2 = 0;
        EXPECT_EQ(tuner.ComputeRegisters(registers, count1, {}, count2, PAL_BG, c.frequency), c.ok)
            << c.model << " at " << c.frequency;
        if (c.ok) {
            EXPECT_EQ(registers, c.bytes) << c.model << " at " << c.frequency;
        } else {
            EXPECT_EQ(registers, (std::array<uint8_t, 8>{})) << "cleared before the search";
            RecordingTunerBus bus;
            EXPECT_FALSE(tuner.Tune(bus, 0x60, PAL_BG, c.frequency));
            EXPECT_TRUE(bus.Calls().empty());
        }
    }
    SonyTuner zk(*FindTunerDescriptor(48));
    std::array<uint8_t, 8> registers{};
    int32_t count1 = 8;
    int32_t count2 = 0;
    EXPECT_TRUE(zk.ComputeRegisters(registers, count1, {}, count2, PAL_BG, 55250000));
    EXPECT_EQ(zk.OutputIf(), 58750000u);
}

TEST(SonyTunerTest, AShortFirstBufferGetsNoBytesButTheResultIsTrue) {
    SonyTuner tuner(*FindTunerDescriptor(49));
    std::array<uint8_t, 8> registers{};
    registers.fill(0xEE);
    std::array<uint8_t, 4> second{};
    second.fill(0xEE);
    int32_t count1 = 7;
    int32_t count2 = 2;
    EXPECT_TRUE(
        tuner.ComputeRegisters(std::span(registers).first(7), count1, second, count2, NTSC_M, 55250000));
    // The counted bytes are cleared, nothing is delivered and the counts stay.
    EXPECT_EQ(registers, (std::array<uint8_t, 8>{0, 0, 0, 0, 0, 0, 0, 0xEE}));
    EXPECT_EQ(second, (std::array<uint8_t, 4>{0, 0, 0xEE, 0xEE}));
    EXPECT_EQ(count1, 7);
    EXPECT_EQ(count2, 2);

    // Counts larger than the buffers never reach past them.
    registers.fill(0xEE);
    second.fill(0xEE);
    count1 = 32;
    count2 = 16;
    EXPECT_TRUE(tuner.ComputeRegisters(std::span(registers).first(4), count1, std::span(second).first(1),
                                       count2, NTSC_M, 55250000));
    EXPECT_EQ(registers, (std::array<uint8_t, 8>{0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(second[1], 0xEE);
    EXPECT_EQ(count1, 32);

    // A model without oscillator data computes nothing.
    TunerDescriptor other = *FindTunerDescriptor(49);
    other.modelId = 50;
    SonyTuner unknown(other);
    count1 = 8;
    count2 = 0;
    registers.fill(0xEE);
    EXPECT_FALSE(unknown.ComputeRegisters(registers, count1, {}, count2, NTSC_M, 55250000));
    EXPECT_EQ(unknown.OutputIf(), 0u);
    EXPECT_EQ(registers, (std::array<uint8_t, 8>{}));
}

TEST(SonyTunerTest, StatusByte) {
    struct Case {
        uint32_t value;
        uint8_t result;
        int32_t returned;
        int32_t locked;
        int32_t afc;
    };
    const Case cases[] = {
        {0xC3, 1, 1, 1, -62},                         // both lock bits, AFC is the byte as signed, minus 1
        {0x80, 1, 1, 0, -129}, {0x45, 1, 1, 0, 68},   // bit 6 alone is not a lock
        {0x00, 1, 1, 0, -1},   {0xC3, 0, 0, 99, 99},  // a failed read leaves the outputs alone
        {0xC3, 2, 2, 99, 99},
    };
    for (const Case& c : cases) {
        for (int32_t model : {49, 3028}) {
            std::unique_ptr<ITunerDevice> tuner = MakeTunerDevice(*FindTunerDescriptor(model));
            RecordingTunerBus bus;
            bus.SetRead(0x60, c.value, c.result);
            int32_t afc = 99;
            int32_t locked = 99;
            EXPECT_EQ(tuner->ReadStatus(bus, 0x60, afc, locked), c.returned) << model << " " << c.value;
            EXPECT_EQ(locked, c.locked) << model << " " << c.value;
            EXPECT_EQ(afc, c.afc) << model << " " << c.value;
            EXPECT_EQ(bus.Calls(), (std::vector{ReadByte(0x60)}));
        }
    }
}

// ---- silicon tuners ----

TEST(XceiveTunerTest, ComputationFailsSoNothingIsWritten) {
    XceiveTuner tuner(*FindTunerDescriptor(3028));
    Registers r = Compute(tuner, PAL_BG, 503250000);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.first, (std::array<uint8_t, 6>{0, 0, 0, 0, 0xEE, 0xEE}));
    EXPECT_EQ(r.second, (std::array<uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(r.count1, 4);
    EXPECT_EQ(r.count2, 4);

    // A short or missing buffer is filled only as far as it goes.
    std::array<uint8_t, 3> shortBuffer{0xEE, 0xEE, 0xEE};
    int32_t count1 = 0;
    int32_t count2 = 0;
    EXPECT_FALSE(
        tuner.ComputeRegisters(std::span(shortBuffer).first(2), count1, {}, count2, PAL_BG, 503250000));
    EXPECT_EQ(shortBuffer, (std::array<uint8_t, 3>{0, 0, 0xEE}));
    EXPECT_EQ(count1, 2);
    EXPECT_EQ(count2, 0);

    RecordingTunerBus bus;
    EXPECT_FALSE(tuner.Tune(bus, 0x61, PAL_BG, 503250000));
    EXPECT_FALSE(tuner.TuneWithDemodulator(bus, 0x61, DVBT, 503250000));
    EXPECT_TRUE(bus.Calls().empty());
}

TEST(MicroTuneTunerTest, EveryTuningCallSucceedsWithoutTheBus) {
    for (int32_t model : {2060, 2266}) {
        MicroTuneTuner tuner(*FindTunerDescriptor(model));
        RecordingTunerBus bus;
        bus.SetRead(0x61, 0xFF);
        int32_t afc = 42;
        int32_t locked = 43;
        EXPECT_EQ(tuner.ReadStatus(bus, 0x61, afc, locked), 1);
        EXPECT_EQ(afc, 42);
        EXPECT_EQ(locked, 43);
        EXPECT_TRUE(tuner.Tune(bus, 0x61, DVBT, 474000000));
        EXPECT_TRUE(tuner.TuneWithDemodulator(bus, 0x61, PAL_BG, 503250000));
        EXPECT_TRUE(bus.Calls().empty());
        Registers r = Compute(tuner, PAL_BG, 503250000);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.first, (std::array<uint8_t, 6>{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
        EXPECT_EQ(r.count1, 6);
    }
}

TEST(TunerAlgorithmsTest, StepsAreSixtyTwoAndAHalfKilohertzForEveryClass) {
    for (int32_t model : {1236, 49, 3028, 2060}) {
        std::unique_ptr<ITunerDevice> tuner = MakeTunerDevice(*FindTunerDescriptor(model));
        EXPECT_EQ(tuner->StepSize(), 62500) << model;
        EXPECT_EQ(tuner->FrequencyOfSteps(55250000, 0), 55250000u);
        EXPECT_EQ(tuner->FrequencyOfSteps(55250000, 16), 56250000u);
    }
}

}  // namespace
