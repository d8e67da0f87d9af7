#include "drvsetup/config/hklm_reg_data.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/registry.h"
#include "support/temp_root.h"

namespace {

using drvsetup::HKLM_RegDataRW;

class HklmRegDataTest : public ::testing::Test {
  protected:
    platform::Registry& Registry() { return *platform::CurrentRegistry().value(); }
    kit_test::TempSystemRoot root_;
};

TEST_F(HklmRegDataTest, ReadOnlyOpenOfAMissingKeyCreatesNothing) {
    HKLM_RegDataRW reg("Software\\Vexa High-Tech\\Missing", true);
    EXPECT_FALSE(reg.IsOpen());
    const uint8_t bytes[] = {1, 2};
    EXPECT_FALSE(reg.WriteInt("a", 1));
    EXPECT_FALSE(reg.WriteString("a", "x"));
    EXPECT_FALSE(reg.WriteBinary("a", bytes));
    EXPECT_FALSE(reg.DeleteValue("a"));
    int32_t value = 0;
    EXPECT_FALSE(reg.ReadInt("a", value));
    EXPECT_FALSE(Registry().KeyExists("Software\\Vexa High-Tech"));

    HKLM_RegDataRW none(std::nullopt, false);
    EXPECT_FALSE(none.IsOpen());
}

TEST_F(HklmRegDataTest, WritableOpenCreatesTheKeyAndValuesRoundTrip) {
    HKLM_RegDataRW reg(drvsetup::kInstallShieldKey, false);
    ASSERT_TRUE(reg.IsOpen());
    EXPECT_TRUE(Registry().KeyExists("SOFTWARE\\VEXA HIGH-TECH\\InstllShield_Install"));

    EXPECT_TRUE(reg.WriteInt("Count", -5));
    EXPECT_TRUE(reg.WriteString("SimIR_Name", "IR Setting"));
    const uint8_t bytes[] = {9, 8, 7};
    EXPECT_TRUE(reg.WriteBinary("Blob", bytes));

    HKLM_RegDataRW again("software\\vexa high-tech\\instllshield_install", true);
    ASSERT_TRUE(again.IsOpen());
    int32_t count = 0;
    EXPECT_TRUE(again.ReadInt("count", count));
    EXPECT_EQ(count, -5);
    std::array<char, 32> text{};
    EXPECT_TRUE(again.ReadString("SimIR_Name", text));
    EXPECT_STREQ(text.data(), "IR Setting");
    std::array<uint8_t, 2> two{};
    EXPECT_TRUE(again.ReadBinary("Blob", two));  // cut to the buffer
    EXPECT_EQ(two[1], 8);

    // A value of another type counts as missing; a missing name or no name fails.
    EXPECT_FALSE(again.ReadInt("SimIR_Name", count));
    EXPECT_FALSE(again.ReadString("Count", text));
    EXPECT_FALSE(again.ReadBinary("Count", two));
    EXPECT_FALSE(again.ReadString("Nothing", text));
    EXPECT_FALSE(again.ReadString(std::nullopt, text));
    EXPECT_FALSE(reg.WriteString(std::nullopt, "x"));

    EXPECT_TRUE(reg.DeleteValue("COUNT"));
    EXPECT_FALSE(reg.DeleteValue("COUNT"));
    EXPECT_FALSE(again.ReadInt("Count", count));
}

TEST_F(HklmRegDataTest, LongStringIsCutToTheBuffer) {
    HKLM_RegDataRW reg(drvsetup::kTunerKey, false);
    ASSERT_TRUE(reg.WriteString("Long", std::string(2000, 'q')));
    std::array<char, 1024> buffer;
    buffer.fill('x');
    ASSERT_TRUE(reg.ReadString("Long", buffer));
    EXPECT_EQ(strnlen(buffer.data(), buffer.size()), 1023u);
    EXPECT_EQ(buffer[1022], 'q');
    EXPECT_EQ(buffer[1023], '\0');

    // A short value leaves zero bytes behind it, not what the buffer held.
    ASSERT_TRUE(reg.WriteString("Short", "ab"));
    buffer.fill('x');
    ASSERT_TRUE(reg.ReadString("Short", buffer));
    EXPECT_EQ(buffer[2], '\0');
    EXPECT_EQ(buffer[1000], '\0');
}

TEST_F(HklmRegDataTest, StringRegDataLoadsAndSaves) {
    HKLM_RegDataRW reg(drvsetup::kTunerKey, false);
    drvsetup::StringRegData item("Decoder", "none");
    EXPECT_FALSE(item.Load(reg));
    EXPECT_EQ(item.Get(), "none");
    item.Set("Demux|{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}");
    EXPECT_TRUE(item.Save(reg));
    drvsetup::StringRegData loaded("Decoder", "");
    EXPECT_TRUE(loaded.Load(reg));
    EXPECT_EQ(loaded.Get(), item.Get());
    EXPECT_EQ(loaded.GetDefault(), "");
}

}  // namespace
