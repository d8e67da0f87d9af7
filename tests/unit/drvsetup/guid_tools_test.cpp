#include "drvsetup/device/guid_tools.h"

#include <gtest/gtest.h>

namespace {

const char* const kDemux = "{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}";

struct TextCase {
    const char* text;
    bool accepted;
};

const TextCase kTexts[] = {
    {"{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}", true},
    {"{afb6c280-2c41-11d3-8a60-0000f81e0e4a}", true},
    {"  \t{afb6c280-2c41-11d3-8a60-0000f81e0e4a} \r\n", true},
    {"\"{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}\"", true},
    {"{AFB6C280 -2C41-11D3-8A60-0000F81E0E4A}", true},  // a blank inside is dropped
    {"{AFB6C280-2C41-11D3-8A60-0000F81E0E4G}", false},  // G is dropped: 37 characters left
    {"AFB6C280-2C41-11D3-8A60-0000F81E0E4A", false},    // no braces
    {"{AFB6C2802-C41-11D3-8A60-0000F81E0E4A}", false},  // hyphen in the wrong place, 38 kept
    {"{AFB6C280-2C41-11D3-8A600-000F81E0E4A}", false},
    {"{{FB6C280-2C41-11D3-8A60-0000F81E0E4A}", false},
    {"", false},
    {"{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}0", false},  // 39 kept
};

TEST(GuidTools, TextToGuid) {
    platform::Guid demux = *platform::StringToGuid(kDemux);
    for (const TextCase& c : kTexts) {
        platform::Guid out;
        out.data1 = 0x12345678;
        EXPECT_EQ(drvsetup::TextToGuid(c.text, out), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(out, demux) << c.text;
        } else {
            EXPECT_EQ(out.data1, 0x12345678u) << "output changed for " << c.text;
        }
    }
}

TEST(GuidTools, GuidTextRoundTripIsUpperCase) {
    platform::Guid g = *platform::StringToGuid("{afb6c280-2c41-11d3-8a60-0000f81e0e4a}");
    EXPECT_EQ(platform::GuidToString(g), kDemux);
    EXPECT_EQ(g.data1, 0xAFB6C280u);
    EXPECT_EQ(g.data4[7], 0x4A);
}

TEST(GuidTools, BarHalves) {
    struct {
        const char* text;
        const char* before;
        const char* after;
    } cases[] = {
        {"Demux|{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}", "Demux", kDemux},
        {"A|B|{X}", "A", "B|{X}"},
        {"Name|", "Name", ""},
        {"|tail", "", "tail"},
        {"no bar", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(drvsetup::BeforeBar(c.text), c.before) << c.text;
        EXPECT_EQ(drvsetup::AfterBar(c.text), c.after) << c.text;
    }
}

}  // namespace
