// The channel state a record keeps in the registry beside its own key.

#include "drvsetup/config/vexa_setting_base.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "drvsetup/config/hw_setting.h"
#include "drvsetup/config/setup_key_ids.h"
#include "platform/registry.h"
#include "support/temp_root.h"

namespace {

using drvsetup::HwSettingIO;
using drvsetup::VexaSettingBase;
namespace key = drvsetup::key;

class ChannelStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        record_.SetName("Tv");
        record_.SetString(key::AirChSys, "3");
        record_.SetString(key::CatvChSys, "7");
    }

    platform::Registry& Registry() { return *platform::CurrentRegistry().value(); }
    std::string KeyOf(const std::string& sub) { return VexaSettingBase::RecordKeyPath("Tv") + "\\" + sub; }
    std::optional<platform::RegValue> Value(const std::string& sub, std::string_view name) {
        platform::Result<platform::RegKey> key = Registry().OpenKey(KeyOf(sub), false);
        if (!key) {
            return std::nullopt;
        }
        platform::Result<std::optional<platform::RegValue>> value = key.value().QueryValue(name);
        return value ? value.value() : std::nullopt;
    }

    kit_test::TempSystemRoot root_;
    HwSettingIO record_{718, 718};
};

TEST_F(ChannelStateTest, AFreshRecordsCurrentChannelIsThreeAndLeavesAnEmptyKey) {
    HwSettingIO fresh(718, 718);
    EXPECT_EQ(fresh.GetString(key::AirChSys), "");
    EXPECT_EQ(fresh.GetCurrentChannel(1), 3);
    const std::string antenna = VexaSettingBase::RecordKeyPath("VEXA_QM718") + "\\Antenna_";
    ASSERT_TRUE(Registry().KeyExists(antenna));
    EXPECT_TRUE(Registry().OpenKey(antenna, false).value().Values().value().empty());
    EXPECT_FALSE(Registry().KeyExists(VexaSettingBase::RecordKeyPath("VEXA_QM718") + "\\Cable_"));
    EXPECT_EQ(fresh.GetCurrentChannel(2), 3);
    EXPECT_TRUE(Registry().KeyExists(VexaSettingBase::RecordKeyPath("VEXA_QM718") + "\\Cable_"));
}

TEST_F(ChannelStateTest, SourceOneIsTheAntennaAndEveryOtherSourceTheCable) {
    record_.SetCurrentChannel(1, 21);
    record_.SetCurrentChannel(2, 55);
    EXPECT_EQ(Value("Antenna_3", "CurrentChannel")->type, platform::kRegDword);
    EXPECT_EQ(Registry().OpenKey(KeyOf("Antenna_3"), false).value().QueryDword("CurrentChannel"), 21u);
    EXPECT_EQ(Registry().OpenKey(KeyOf("Cable_7"), false).value().QueryDword("CurrentChannel"), 55u);
    for (int32_t source : {0, 2, 3, -1}) {
        EXPECT_EQ(record_.GetCurrentChannel(source), 55) << source;
    }
    EXPECT_EQ(record_.GetCurrentChannel(1), 21);
}

TEST_F(ChannelStateTest, Ch12OnTheAntennaIsNotOnTheCable) {
    record_.SetChannel(1, 12, "x");
    EXPECT_EQ(Value("Antenna_3", "Ch12")->type, platform::kRegSz);

    std::array<char, 64> buffer;
    buffer.fill('?');
    EXPECT_EQ(record_.GetChannel(1, 12, buffer), 1);
    EXPECT_STREQ(buffer.data(), "x");
    EXPECT_EQ(buffer[63], '\0');  // zero-filled before the copy

    buffer.fill('?');
    EXPECT_EQ(record_.GetChannel(2, 12, buffer), 0);
    EXPECT_EQ(record_.GetChannel(1, 13, buffer), 0);
    std::array<char, 64> untouched;
    untouched.fill('?');
    EXPECT_EQ(buffer, untouched);
}

TEST_F(ChannelStateTest, AChannelTextIsCutToFitItsBuffer) {
    record_.SetChannel(2, 5, "Channel Five");
    std::array<char, 5> small;
    small.fill('?');
    EXPECT_EQ(record_.GetChannel(2, 5, small), 1);
    EXPECT_EQ(std::string(small.data(), small.size()), std::string("Chan\0", 5));
}

TEST_F(ChannelStateTest, TheKeyMovesWithTheChannelSystemAtEachCall) {
    record_.SetCurrentChannel(1, 21);
    record_.SetString(key::AirChSys, "4");
    EXPECT_EQ(record_.GetCurrentChannel(1), 3);
    EXPECT_TRUE(Registry().KeyExists(KeyOf("Antenna_4")));
    record_.SetCurrentChannel(1, 30);
    record_.SetString(key::AirChSys, "3");
    EXPECT_EQ(record_.GetCurrentChannel(1), 21);

    // The cable follows its own channel system only.
    record_.SetCurrentChannel(2, 40);
    record_.SetString(key::AirChSys, "9");
    EXPECT_EQ(record_.GetCurrentChannel(2), 40);
    record_.SetString(key::CatvChSys, "");
    EXPECT_EQ(record_.GetCurrentChannel(2), 3);
    EXPECT_TRUE(Registry().KeyExists(KeyOf("Cable_")));
}

TEST_F(ChannelStateTest, BlocksAreKeptPerValueNameAndReadUpToTheBuffersSize) {
    using Getter = int32_t (VexaSettingBase::*)(int32_t, std::span<uint8_t>);
    using Setter = void (VexaSettingBase::*)(int32_t, std::span<const uint8_t>);
    struct Block {
        const char* name;
        Getter get;
        Setter set;
        uint8_t fill;
    };
    const Block blocks[] = {
        {"ChannelInfo", &VexaSettingBase::GetChannelInfo, &VexaSettingBase::SetChannelInfo, 0x10},
        {"ChannelInfoMts", &VexaSettingBase::GetChannelInfoMts, &VexaSettingBase::SetChannelInfoMts, 0x20},
        {"FreqOffset", &VexaSettingBase::GetFreqOffset, &VexaSettingBase::SetFreqOffset, 0x30},
        {"ColorAdj", &VexaSettingBase::GetColorAdj, &VexaSettingBase::SetColorAdj, 0x40},
    };
    VexaSettingBase& record = record_;
    for (const Block& b : blocks) {
        std::array<uint8_t, 8> out;
        out.fill(0xEE);
        EXPECT_EQ((record.*b.get)(1, out), 0) << b.name;  // missing: buffer untouched
        EXPECT_EQ(out[0], 0xEE);

        const std::vector<uint8_t> data{b.fill, uint8_t(b.fill + 1), uint8_t(b.fill + 2),
                                        uint8_t(b.fill + 3)};
        (record.*b.set)(1, data);
        EXPECT_EQ(Value("Antenna_3", b.name)->type, platform::kRegBinary) << b.name;
        EXPECT_EQ(Value("Antenna_3", b.name)->data.size(), 4u) << b.name;

        EXPECT_EQ((record.*b.get)(1, out), 1) << b.name;
        EXPECT_EQ(out, (std::array<uint8_t, 8>{data[0], data[1], data[2], data[3], 0xEE, 0xEE, 0xEE, 0xEE}));
        std::array<uint8_t, 2> shortOut{};
        EXPECT_EQ((record.*b.get)(1, shortOut), 1) << b.name;
        EXPECT_EQ(shortOut, (std::array<uint8_t, 2>{data[0], data[1]}));
        EXPECT_EQ((record.*b.get)(1, std::span<uint8_t>()), 0) << b.name;  // at least one byte
        EXPECT_EQ((record.*b.get)(2, out), 0) << b.name;
    }
    // Each block kept its own bytes.
    std::array<uint8_t, 1> first{};
    EXPECT_EQ(record_.GetChannelInfo(1, first), 1);
    EXPECT_EQ(first[0], 0x10);
    EXPECT_EQ(record_.GetColorAdj(1, first), 1);
    EXPECT_EQ(first[0], 0x40);
}

TEST_F(ChannelStateTest, ChannelRange) {
    record_.SetMaxCh(1, 69);
    record_.SetMinCh(1, 2);
    record_.SetMaxCh(2, 125);
    EXPECT_EQ(Value("Antenna_3", "MaxCh")->type, platform::kRegDword);
    EXPECT_EQ(Registry().OpenKey(KeyOf("Antenna_3"), false).value().QueryDword("MaxCh"), 69u);
    EXPECT_EQ(Registry().OpenKey(KeyOf("Antenna_3"), false).value().QueryDword("MinCh"), 2u);
    EXPECT_EQ(Registry().OpenKey(KeyOf("Cable_7"), false).value().QueryDword("MaxCh"), 125u);
    EXPECT_FALSE(Value("Cable_7", "MinCh").has_value());
}

}  // namespace
