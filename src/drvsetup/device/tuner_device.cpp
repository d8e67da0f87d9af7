#include "drvsetup/device/tuner_device.h"

#include <optional>

#include "drvsetup/device/tuner_algorithms.h"

namespace drvsetup {

namespace {
constexpr uint8_t kListedFlag = 1;
}

TunerDeviceBase::TunerDeviceBase(const TunerDescriptor& descriptor)
    : descriptor_(descriptor), standards_(std::nullopt, static_cast<int32_t>(tv::NTSC_M)) {
    for (const StandardPair& pair : descriptor_.standards) {
        if (pair.code == 0) {
            break;
        }
        if (std::optional<std::string_view> label = StandardLabelOf(pair.code)) {
            standards_.Add(static_cast<int32_t>(pair.code), *label, 0, kListedFlag);
        }
    }
}

uint32_t TunerDeviceBase::FrequencyOfSteps(uint32_t base, uint32_t steps) const {
    return base + steps * static_cast<uint32_t>(kTunerStepSize);
}

int32_t TunerDeviceBase::SupportsStandard(TvStandard code) const {
    return standards_.HasKey(static_cast<int32_t>(code));
}

int32_t TunerDeviceBase::ReadStatus(TunerBus&, uint8_t, int32_t&, int32_t&) {
    return 1;
}

bool TunerDeviceBase::Tune(TunerBus&, uint8_t, TvStandard, uint32_t) {
    return true;
}

bool TunerDeviceBase::TuneWithDemodulator(TunerBus&, uint8_t, TvStandard, uint32_t) {
    return true;
}

bool TunerDeviceBase::ComputeRegisters(std::span<uint8_t>, int32_t&, std::span<uint8_t>, int32_t&, TvStandard,
                                       uint32_t) {
    return false;
}

std::unique_ptr<ITunerDevice> MakeTunerDevice(const TunerDescriptor& descriptor) {
    switch (descriptor.tunerClass) {
        case TunerClass::Philips:
            return std::make_unique<PhilipsTuner>(descriptor);
        case TunerClass::Sony:
            return std::make_unique<SonyTuner>(descriptor);
        case TunerClass::Xceive:
            return std::make_unique<XceiveTuner>(descriptor);
        case TunerClass::MicroTune:
            return std::make_unique<MicroTuneTuner>(descriptor);
    }
    return std::make_unique<MicroTuneTuner>(descriptor);
}

}  // namespace drvsetup
