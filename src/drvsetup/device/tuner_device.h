#pragma once

// One tuner model behind ITunerDevice: identity answered from its descriptor, and the bus operations
// that tune it. The database uses the identity operations only.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "drvsetup/config/reg_data.h"
#include "drvsetup/device/tuner_bus.h"
#include "drvsetup/device/tuner_tables.h"

namespace drvsetup {

inline constexpr int32_t kTunerStepSize = 62500;

class ITunerDevice {
  public:
    virtual int32_t Maker() const = 0;
    virtual uint32_t TypeCode() const = 0;
    virtual int32_t ModelId() const = 0;
    virtual std::string ModelName() const = 0;
    virtual uint32_t FrequencyOfSteps(uint32_t base, uint32_t steps) const = 0;
    virtual SettingString& Standards() = 0;
    virtual int32_t SupportsStandard(TvStandard code) const = 0;
    virtual int32_t ReadStatus(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) = 0;
    virtual bool Tune(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) = 0;
    virtual bool TuneWithDemodulator(TunerBus& bus, uint8_t address, TvStandard standard,
                                     uint32_t frequency) = 0;
    // An empty span stands for a buffer that is not given.
    virtual bool ComputeRegisters(std::span<uint8_t> buffer1, int32_t& count1, std::span<uint8_t> buffer2,
                                  int32_t& count2, TvStandard standard, uint32_t frequency) = 0;
    virtual int32_t StepSize() const = 0;
    virtual ~ITunerDevice() = default;
};

// Identity from the descriptor; the bus operations report "tuned" without touching the bus and
// compute no registers, which is what a tuner without a register algorithm of its own does. The
// register algorithms of the four tuner classes are in tuner_algorithms.h.
class TunerDeviceBase : public ITunerDevice {
  public:
    explicit TunerDeviceBase(const TunerDescriptor& descriptor);

    int32_t Maker() const override { return descriptor_.maker; }
    uint32_t TypeCode() const override { return descriptor_.typeCode; }
    int32_t ModelId() const override { return descriptor_.modelId; }
    std::string ModelName() const override { return std::string(descriptor_.modelName); }
    uint32_t FrequencyOfSteps(uint32_t base, uint32_t steps) const override;
    SettingString& Standards() override { return standards_; }
    int32_t SupportsStandard(TvStandard code) const override;
    int32_t ReadStatus(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) override;
    bool Tune(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) override;
    bool TuneWithDemodulator(TunerBus& bus, uint8_t address, TvStandard standard,
                             uint32_t frequency) override;
    bool ComputeRegisters(std::span<uint8_t> buffer1, int32_t& count1, std::span<uint8_t> buffer2,
                          int32_t& count2, TvStandard standard, uint32_t frequency) override;
    int32_t StepSize() const override { return kTunerStepSize; }

    const TunerDescriptor& Descriptor() const { return descriptor_; }

  private:
    const TunerDescriptor& descriptor_;
    SettingString standards_;
};

// An object of the descriptor's class (PhilipsTuner, SonyTuner, XceiveTuner, MicroTuneTuner), bound
// to it.
std::unique_ptr<ITunerDevice> MakeTunerDevice(const TunerDescriptor& descriptor);

}  // namespace drvsetup
