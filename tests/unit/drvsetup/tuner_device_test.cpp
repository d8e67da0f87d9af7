#include "drvsetup/device/tuner_device.h"

#include <gtest/gtest.h>

namespace {

using namespace drvsetup;

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

}  // namespace
