#include "drvsetup/device/tuner_device.h"

#include <gtest/gtest.h>

#include <array>

#include "drvsetup/device/tuner_algorithms.h"

namespace {

using namespace drvsetup;

// Counts every bus access; a tuner that must stay off the bus leaves it at zero.
class CountingBus : public TunerBus {
  public:
    uint8_t ReadWord(uint8_t, int32_t, int32_t, uint32_t&) override { return Count(); }
    uint8_t ReadBytes(uint8_t, int32_t, uint32_t&) override { return Count(); }
    uint8_t WriteBytes(uint8_t, std::span<const uint8_t>) override { return Count(); }
    uint8_t WriteSubaddressed(uint8_t, uint8_t, std::span<const uint8_t>) override { return Count(); }
    int calls = 0;

  private:
    uint8_t Count() {
        ++calls;
        return 1;
    }
};

TEST(TunerDeviceTest, IdentityAndStandardsComeFromTheDescriptor) {
    const TunerDescriptor& fq = *FindTunerDescriptor(21166);
    std::unique_ptr<ITunerDevice> tuner = MakeTunerDevice(fq);
    ASSERT_NE(dynamic_cast<PhilipsTuner*>(tuner.get()), nullptr);
    EXPECT_EQ(tuner->ModelId(), 21166);
    EXPECT_EQ(tuner->ModelName(), "FQ1216ME/I H-3(MK3)");
    EXPECT_EQ(tuner->TypeCode(), 0x10u);
    EXPECT_EQ(tuner->Maker(), maker::Philips);
    SettingString& standards = tuner->Standards();
    ASSERT_EQ(standards.Count(), 9);
    EXPECT_EQ(standards.NameAt(0), "PAL_BG");
    EXPECT_EQ(standards.NameAt(8), "SECAM_L'");
    EXPECT_EQ(standards.FlagAt(0), 1);
    EXPECT_EQ(standards.ValueAt(0), 0);
    EXPECT_EQ(standards.GetDefault(), static_cast<int32_t>(tv::NTSC_M));
    EXPECT_EQ(tuner->SupportsStandard(tv::PAL_I), 1);
    EXPECT_EQ(tuner->SupportsStandard(tv::NTSC_M), 0);
    EXPECT_EQ(tuner->StepSize(), 62500);
    EXPECT_EQ(tuner->FrequencyOfSteps(55250000, 4), 55500000u);
}

TEST(TunerDeviceTest, ClassesFollowTheDescriptorAndSonyAlwaysAnswersItsOwnMaker) {
    EXPECT_NE(dynamic_cast<SonyTuner*>(MakeTunerDevice(*FindTunerDescriptor(49)).get()), nullptr);
    EXPECT_NE(dynamic_cast<XceiveTuner*>(MakeTunerDevice(*FindTunerDescriptor(3028)).get()), nullptr);
    EXPECT_NE(dynamic_cast<MicroTuneTuner*>(MakeTunerDevice(*FindTunerDescriptor(2060)).get()), nullptr);

    // A descriptor naming another maker still reports Sony through the Sony class.
    TunerDescriptor odd = *FindTunerDescriptor(48);
    odd.maker = maker::Lg;
    odd.standards[0].code = 0x12345678;  // no label: skipped
    SonyTuner sony(odd);
    EXPECT_EQ(sony.Maker(), maker::Sony);
    EXPECT_EQ(sony.Standards().Count(), 5);
    EXPECT_EQ(sony.SupportsStandard(0x12345678), 0);
}

TEST(TunerDeviceTest, MicroTuneReportsTunedWithoutTouchingTheBusAndComputesNothing) {
    MicroTuneTuner tuner(*FindTunerDescriptor(2266));
    CountingBus bus;
    int32_t afc = 42;
    int32_t locked = 43;
    EXPECT_EQ(tuner.ReadStatus(bus, 0x61, afc, locked), 1);
    EXPECT_EQ(afc, 42);
    EXPECT_EQ(locked, 43);
    EXPECT_TRUE(tuner.Tune(bus, 0x61, tv::PAL_BG, 503250000));
    EXPECT_TRUE(tuner.TuneWithDemodulator(bus, 0x61, tv::PAL_BG, 503250000));
    EXPECT_EQ(bus.calls, 0);

    std::array<uint8_t, 5> first{1, 2, 3, 4, 5};
    std::array<uint8_t, 4> second{6, 7, 8, 9};
    int32_t count1 = 5;
    int32_t count2 = 4;
    EXPECT_FALSE(tuner.ComputeRegisters(first, count1, second, count2, tv::PAL_BG, 503250000));
    EXPECT_EQ(first, (std::array<uint8_t, 5>{1, 2, 3, 4, 5}));
    EXPECT_EQ(second, (std::array<uint8_t, 4>{6, 7, 8, 9}));
    EXPECT_EQ(count1, 5);
    EXPECT_EQ(count2, 4);
}

}  // namespace
