#include "drvsetup/shell/os_tools.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/system_root.h"
#include "support/temp_root.h"

namespace {

using drvsetup::GetOsVersionCode;
using platform::SystemConfig;

struct OsCase {
    const char* name;
    const char* preset;
    std::function<void(SystemConfig&)> change;
    int32_t code;
    int32_t bitness;
};

void Keep(SystemConfig&) {}

const OsCase kCases[] = {
    {"Windows 95, basic record only", "95", Keep, 95, 32},
    {"Windows 98, empty service pack", "98", Keep, 98, 32},
    {"Windows 98 SE, ' A '", "98se", Keep, 982, 32},
    {"Windows 98, 'A' first is not SE", "98", [](SystemConfig& c) { c.servicePack = std::string("A"); }, 98,
     32},
    {"Windows Me", "me", Keep, 982000, 32},
    {"Windows 9x, other minor", "98", [](SystemConfig& c) { c.minor = 50; }, 1000, 32},
    {"NT 4", "nt4", Keep, 351, 32},
    {"NT 3.51", "nt4",
     [](SystemConfig& c) {
         c.major = 3;
         c.minor = 51;
     },
     351, 32},
    {"Windows 2000 without native system information", "2000", Keep, 2000, 32},
    {"Windows XP", "xp", Keep, 20005, 32},
    {"NT 5.2 x64", "xp64", Keep, 200052, 64},
    {"NT 5.2 on x86 is still 64-bit", "xp64", [](SystemConfig& c) { c.processorArchitecture = 0; }, 200052,
     64},
    {"NT 5.3", "xp", [](SystemConfig& c) { c.minor = 3; }, 1000, 32},
    {"Vista x86", "vista32", Keep, 200632, 32},
    {"Vista x64", "vista64", Keep, 200664, 64},
    {"Vista x64 without native system information", "vista64",
     [](SystemConfig& c) { c.nativeSystemInfo = false; }, 200632, 32},
    {"Windows 7", "win7", Keep, 1000, 32},
    {"NT 7", "win7",
     [](SystemConfig& c) {
         c.major = 7;
         c.minor = 0;
     },
     1000, 32},
    {"platform id 0", "xp", [](SystemConfig& c) { c.platformId = 0; }, 1000, 32},
    {"failed version query", "xp",
     [](SystemConfig& c) {
         c.extendedVersionQuery = false;
         c.basicVersionQuery = false;
     },
     1000, 32},
    {"extended record refused, basic accepted", "vista64",
     [](SystemConfig& c) { c.extendedVersionQuery = false; }, 200664, 64},
};

TEST(OsTools, EveryVersionRow) {
    for (const OsCase& c : kCases) {
        kit_test::TempSystemRoot root;
        SystemConfig config = *platform::PresetConfig(c.preset);
        c.change(config);
        ASSERT_TRUE(platform::InitSystemRoot(root.path(), config).ok());
        platform::UseSystemRoot(root.path());
        drvsetup::ResetOsCodeCacheForTesting();
        int32_t bitness = 0;
        EXPECT_EQ(GetOsVersionCode(bitness), c.code) << c.name;
        EXPECT_EQ(bitness, c.bitness) << c.name;
        EXPECT_EQ(drvsetup::GetOsCode(), c.code) << c.name;
    }
    drvsetup::ResetOsCodeCacheForTesting();
}

TEST(OsTools, TheFirstAnswerIsKeptForTheProcess) {
    kit_test::TempSystemRoot root;
    ASSERT_TRUE(platform::InitSystemRoot(root.path(), *platform::PresetConfig("vista64")).ok());
    platform::UseSystemRoot(root.path());
    drvsetup::ResetOsCodeCacheForTesting();
    int32_t bitness = 0;
    ASSERT_EQ(GetOsVersionCode(bitness), 200664);

    ASSERT_TRUE(platform::InitSystemRoot(root.path(), *platform::PresetConfig("2000")).ok());
    platform::UseSystemRoot(root.path());
    bitness = 0;
    EXPECT_EQ(GetOsVersionCode(bitness), 200664);
    EXPECT_EQ(bitness, 64);
    drvsetup::ResetOsCodeCacheForTesting();
}

}  // namespace
