#include "drvsetup/device/tuner_algorithms.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>

namespace drvsetup {

namespace {

// Read by both status layouts of the single-conversion tuners.
constexpr uint32_t kLockedBit = 0x40;

// Oscillator data of the double-conversion models. The second oscillator steps down to its alternate
// frequency where the first would otherwise leave the top VCO band.
struct SonyModel {
    int32_t modelId;
    uint32_t outputIf;
    uint32_t lo2;
    uint32_t lo2Alternate;
    uint64_t lo2SwitchAt;  // IF + frequency + lo2 from which the alternate is used
};

constexpr std::array kSonyModels{
    SonyModel{49, 45750000, 1178000000, 1175000000, 2021000000},
    SonyModel{48, 58750000, 1165000000, 1165000000, std::numeric_limits<uint64_t>::max()},
};

// Only the upper bound of a band takes part in the search, so anything below the first band tunes
// with band 0.
struct VcoBand {
    uint32_t code;
    uint32_t lower;
    uint32_t upper;
};

constexpr std::array kVcoBands{
    VcoBand{0, 1274000000, 1360000000}, VcoBand{1, 1360000000, 1500000000},
    VcoBand{2, 1500000000, 1610000000}, VcoBand{3, 1610000000, 1740000000},
    VcoBand{4, 1740000000, 1870000000}, VcoBand{5, 1870000000, 2022000000},
};

constexpr uint32_t kLo1Step = 1000000;  // 16 MHz reference / 16
constexpr uint32_t kLo2Step = 62500;    // 16 MHz reference / 256
constexpr size_t kSonyRegisterCount = 8;

// The caller's count names how much of the buffer to clear; it never reaches past the buffer.
void ZeroPrefix(std::span<uint8_t> buffer, int32_t count) {
    size_t n = count > 0 ? std::min(static_cast<size_t>(count), buffer.size()) : 0;
    std::fill_n(buffer.begin(), n, uint8_t{0});
}

// The double-conversion sequence: eight register bytes as two 4-byte writes.
bool TuneInTwoWrites(ITunerDevice& tuner, TunerBus& bus, uint8_t address, TvStandard standard,
                     uint32_t frequency) {
    std::array<uint8_t, 32> registers{};
    int32_t count1 = static_cast<int32_t>(registers.size());
    int32_t count2 = 0;
    if (!tuner.ComputeRegisters(registers, count1, {}, count2, standard, frequency)) {
        return false;
    }
    std::span<const uint8_t> bytes(registers);
    bus.WriteBytes(address, bytes.subspan(0, 4));
    return bus.WriteBytes(address, bytes.subspan(4, 4)) != 0;
}

int32_t ReadStatusByte(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) {
    uint32_t value = 0;
    uint8_t result = bus.ReadBytes(address, 1, value);
    if (result == 1) {
        const auto status = static_cast<uint8_t>(value & 0xFF);
        locked = (status & 0xC0) == 0xC0 ? 1 : 0;
        afc = static_cast<int8_t>(status) - 1;
    }
    return result;
}

}  // namespace

// ---- PhilipsTuner ----

const StandardParams* PhilipsTuner::ParamsFor(TvStandard standard) const {
    const StandardPairs& pairs = Descriptor().standards;
    for (const StandardPair& pair : pairs) {
        if (pair.code == 0) {
            break;
        }
        if (pair.code == standard) {
            return pair.params;
        }
    }
    return pairs[0].params;
}

bool PhilipsTuner::ComputeRegisters(std::span<uint8_t> buffer1, int32_t& count1, std::span<uint8_t> buffer2,
                                    int32_t& count2, TvStandard standard, uint32_t frequency) {
    const StandardParams* params = ParamsFor(standard);
    if (params == nullptr) {
        return false;
    }
    const uint32_t type = TypeCode();
    const size_t need1 = type == tuner_type::PllMk3 ? 5 : 4;
    const size_t need2 = type == tuner_type::PllMk3 ? 4 : type == tuner_type::PllMk5 ? 3 : 0;
    if (buffer1.size() < need1 || buffer2.size() < need2) {
        return false;
    }

    // Unit 100 Hz; the largest frequency keeps (f + IF) * 16 well inside 32 bits.
    const auto f = static_cast<int32_t>(frequency / 100);
    const int32_t divider = ((f + params->ifFrequency) * 16) / 10000;  // 62.5 kHz steps

    const std::array<int32_t, 4>& limit = params->limits;
    uint8_t band = 0;
    if (f > 0 && f < limit[0]) {
        band = params->bandBytes[0];
    } else if (f < limit[1]) {
        band = params->bandBytes[1];
    } else if (f < limit[2] || f < limit[3]) {
        band = params->bandBytes[2];
    }

    buffer1[0] = static_cast<uint8_t>((divider >> 8) & 0xFF);
    buffer1[1] = static_cast<uint8_t>(divider & 0xFF);
    buffer1[2] = params->controlByte;
    buffer1[3] = band;
    if (type == tuner_type::PllMk3) {
        buffer1[4] = params->auxiliary;
        count1 = 5;
        std::copy_n(params->demodulator.begin(), 4, buffer2.begin());
        count2 = 4;
    } else if (type == tuner_type::PllMk5) {
        count1 = 4;
        std::copy_n(params->demodulator.begin(), 3, buffer2.begin());
        count2 = 3;
    } else {
        count1 = 4;
        std::fill_n(buffer2.begin(), std::min<size_t>(4, buffer2.size()), uint8_t{0});
        count2 = 0;
    }
    return true;
}

bool PhilipsTuner::Tune(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) {
    std::array<uint8_t, 6> pll{};
    std::array<uint8_t, 4> demodulator{};
    int32_t count1 = static_cast<int32_t>(pll.size());
    int32_t count2 = static_cast<int32_t>(demodulator.size());
    if (!ComputeRegisters(pll, count1, demodulator, count2, standard, frequency)) {
        return false;
    }
    // The auxiliary byte of an MK3 model stays unsent here.
    bus.WriteBytes(address, std::span<const uint8_t>(pll).first(4));
    return true;
}

bool PhilipsTuner::TuneWithDemodulator(TunerBus& bus, uint8_t address, TvStandard standard,
                                       uint32_t frequency) {
    std::array<uint8_t, 6> pll{};
    std::array<uint8_t, 4> demodulator{};
    int32_t count1 = static_cast<int32_t>(pll.size());
    int32_t count2 = static_cast<int32_t>(demodulator.size());
    if (!ComputeRegisters(pll, count1, demodulator, count2, standard, frequency)) {
        return false;
    }
    if (TypeCode() == tuner_type::PllMk5 || count2 != 0) {
        bus.WriteSubaddressed(kDemodulatorAddress, 0, std::span<const uint8_t>(demodulator).first(3));
    }
    bus.WriteBytes(address, std::span<const uint8_t>(pll).first(4));
    return true;
}

int32_t PhilipsTuner::ReadStatus(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) {
    // A failed read leaves the zero the word started with, which reads as unlocked.
    uint32_t pllStatus = 0;
    bus.ReadWord(address, 32, 0, pllStatus);
    locked = (pllStatus & kLockedBit) != 0 ? 1 : 0;
    const uint32_t type = TypeCode();
    if (type == tuner_type::PllMk3 || type == tuner_type::PllMk5) {
        uint32_t demodulatorStatus = 0;
        bus.ReadWord(kDemodulatorAddress, 32, 0, demodulatorStatus);
        // A signed 4-bit offset, -8 to 7.
        auto offset = static_cast<int32_t>((demodulatorStatus & 0x1E) >> 1);
        afc = offset >= 8 ? offset - 16 : offset;
    } else {
        afc = static_cast<int32_t>(pllStatus & 7);
    }
    return 1;
}

// ---- SonyTuner ----

bool SonyTuner::ComputeRegisters(std::span<uint8_t> buffer1, int32_t& count1, std::span<uint8_t> buffer2,
                                 int32_t& count2, TvStandard, uint32_t frequency) {
    ZeroPrefix(buffer1, count1);
    ZeroPrefix(buffer2, count2);

    const int32_t modelId = ModelId();
    auto model = std::find_if(kSonyModels.begin(), kSonyModels.end(),
                              [modelId](const SonyModel& m) { return m.modelId == modelId; });
    if (model == kSonyModels.end()) {
        return false;
    }
    outputIf_ = model->outputIf;
    // In 64 bits, so a frequency near the top of the range cannot wrap around into a valid band.
    const uint64_t above = uint64_t{frequency} + model->outputIf;
    const uint64_t lo2 = above + model->lo2 < model->lo2SwitchAt ? model->lo2 : model->lo2Alternate;
    const uint64_t lo1 = above + lo2;

    auto band = std::find_if(kVcoBands.begin(), kVcoBands.end(),
                             [lo1](const VcoBand& b) { return uint64_t{b.upper} >= lo1; });
    if (band == kVcoBands.end()) {
        return false;
    }

    const auto n1 = static_cast<uint32_t>(lo1 / kLo1Step);
    const auto n2 = static_cast<uint16_t>(lo2 / kLo2Step);
    std::array<uint8_t, 10> image{};
    image[0] = static_cast<uint8_t>((n1 >> 8) & 0x7F);
    image[1] = static_cast<uint8_t>(n1 & 0xFF);
    image[2] = 0x33;
    image[3] = static_cast<uint8_t>(((band->code & 7) << 4) | 0x01);
    image[4] = static_cast<uint8_t>(0x80 | ((n2 >> 8) & 0x7F));
    image[5] = static_cast<uint8_t>(n2 & 0xFF);
    image[6] = static_cast<uint8_t>(0x27 | ((n2 & 0x8000) != 0 ? 0x80 : 0x00));
    image[7] = 0x02;

    if (count1 >= static_cast<int32_t>(kSonyRegisterCount) && buffer1.size() >= kSonyRegisterCount) {
        std::copy_n(image.begin(), kSonyRegisterCount, buffer1.begin());
        count1 = static_cast<int32_t>(kSonyRegisterCount);
        count2 = 0;
    }
    return true;
}

bool SonyTuner::TuneWithDemodulator(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) {
    return TuneInTwoWrites(*this, bus, address, standard, frequency);
}

bool SonyTuner::Tune(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) {
    return TuneInTwoWrites(*this, bus, address, standard, frequency);
}

int32_t SonyTuner::ReadStatus(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) {
    return ReadStatusByte(bus, address, afc, locked);
}

// ---- XceiveTuner ----

bool XceiveTuner::ComputeRegisters(std::span<uint8_t> buffer1, int32_t& count1, std::span<uint8_t> buffer2,
                                   int32_t& count2, TvStandard, uint32_t) {
    const size_t filled1 = std::min<size_t>(4, buffer1.size());
    const size_t filled2 = std::min<size_t>(4, buffer2.size());
    std::fill_n(buffer1.begin(), filled1, uint8_t{0});
    std::fill_n(buffer2.begin(), filled2, uint8_t{0});
    count1 = static_cast<int32_t>(filled1);
    count2 = static_cast<int32_t>(filled2);
    return false;
}

bool XceiveTuner::TuneWithDemodulator(TunerBus& bus, uint8_t address, TvStandard standard,
                                      uint32_t frequency) {
    return TuneInTwoWrites(*this, bus, address, standard, frequency);
}

bool XceiveTuner::Tune(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) {
    return TuneInTwoWrites(*this, bus, address, standard, frequency);
}

int32_t XceiveTuner::ReadStatus(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) {
    return ReadStatusByte(bus, address, afc, locked);
}

}  // namespace drvsetup
