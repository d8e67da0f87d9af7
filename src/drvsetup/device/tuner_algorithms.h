#pragma once

// The register algorithms of the four tuner classes: how each turns a TV standard and a frequency into
// the register bytes of its tuner, writes them over the caller's bus and reads lock and AFC back.
// Frequencies are in Hz. Every computation checks the buffers it is given against what it writes, so a
// short buffer is refused or left alone rather than overrun.

#include <cstdint>
#include <span>

#include "drvsetup/device/tuner_device.h"

namespace drvsetup {

// Where the IF demodulator of the MK3 and MK5 tuners answers on the bus.
inline constexpr uint8_t kDemodulatorAddress = 0x43;

// Single-conversion PLL tuners: divider, control byte and band byte, and for the MK3 and MK5 models
// the IF demodulator bytes.
class PhilipsTuner : public TunerDeviceBase {
  public:
    using TunerDeviceBase::TunerDeviceBase;

    int32_t ReadStatus(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) override;
    // The PLL bytes only.
    bool Tune(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) override;
    // The demodulator bytes (when the model has them), then the PLL bytes.
    bool TuneWithDemodulator(TunerBus& bus, uint8_t address, TvStandard standard,
                             uint32_t frequency) override;
    // Buffer 1 takes 5 bytes on an MK3 model and 4 on the others; buffer 2 takes 4 bytes on an MK3
    // model and 3 on an MK5 one. False, with nothing touched, when a buffer is shorter or the model
    // has no parameter record.
    bool ComputeRegisters(std::span<uint8_t> buffer1, int32_t& count1, std::span<uint8_t> buffer2,
                          int32_t& count2, TvStandard standard, uint32_t frequency) override;

    // The record of the standard's own pair; a standard the model does not list is tuned with the
    // first pair's record. None when the descriptor carries no record there.
    const StandardParams* ParamsFor(TvStandard standard) const;
};

// Double-conversion tuners: two local oscillators, eight register bytes sent as two 4-byte writes.
class SonyTuner : public TunerDeviceBase {
  public:
    using TunerDeviceBase::TunerDeviceBase;

    // Every double-conversion model is a Sony one, whatever its descriptor says.
    int32_t Maker() const override { return maker::Sony; }
    // Returns the bus read's result; afc and locked are set only when it is 1.
    int32_t ReadStatus(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) override;
    bool Tune(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) override;
    bool TuneWithDemodulator(TunerBus& bus, uint8_t address, TvStandard standard,
                             uint32_t frequency) override;
    // False for a model without oscillator data or a frequency beyond the highest VCO band. The eight
    // bytes are delivered only when count 1 and buffer 1 both hold 8; a shorter buffer gets nothing
    // and the result is still true.
    bool ComputeRegisters(std::span<uint8_t> buffer1, int32_t& count1, std::span<uint8_t> buffer2,
                          int32_t& count2, TvStandard standard, uint32_t frequency) override;

    // The output IF of the last computation, in Hz.
    uint32_t OutputIf() const { return outputIf_; }

  private:
    uint32_t outputIf_ = 0;
};

// Silicon tuners programmed by firmware the kit does not carry: every computation fails, so tuning
// writes nothing; the status read is the double-conversion one.
class XceiveTuner : public TunerDeviceBase {
  public:
    using TunerDeviceBase::TunerDeviceBase;

    int32_t ReadStatus(TunerBus& bus, uint8_t address, int32_t& afc, int32_t& locked) override;
    bool Tune(TunerBus& bus, uint8_t address, TvStandard standard, uint32_t frequency) override;
    bool TuneWithDemodulator(TunerBus& bus, uint8_t address, TvStandard standard,
                             uint32_t frequency) override;
    // Zero-fills up to 4 bytes of each buffer, sets each count to the bytes filled, returns false.
    bool ComputeRegisters(std::span<uint8_t> buffer1, int32_t& count1, std::span<uint8_t> buffer2,
                          int32_t& count2, TvStandard standard, uint32_t frequency) override;
};

// Silicon tuners tuned by their own driver: every tuning call reports success without touching the
// bus, and no registers are computed (the base class's behaviour).
class MicroTuneTuner : public TunerDeviceBase {
  public:
    using TunerDeviceBase::TunerDeviceBase;
};

}  // namespace drvsetup
