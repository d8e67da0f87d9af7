#include "platform/system_root.h"

#include <gtest/gtest.h>

#include "platform/privileges.h"
#include "platform/profile.h"
#include "platform/system_info.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;

struct PresetCase {
    const char* os;
    uint32_t platformId, major, minor;
    const char* servicePack;
    bool extended;
    bool nativeInfo;
    uint16_t architecture;
    bool wow64;
};

const PresetCase kPresets[] = {
    {"95", 1, 4, 0, "", false, false, 0, false},
    {"98", 1, 4, 10, "", true, false, 0, false},
    {"98se", 1, 4, 10, " A ", true, false, 0, false},
    {"me", 1, 4, 90, "", true, false, 0, false},
    {"nt4", 2, 4, 0, "Service Pack 6", true, false, 0, false},
    {"2000", 2, 5, 0, "Service Pack 4", true, false, 0, false},
    {"xp", 2, 5, 1, "Service Pack 2", true, true, 0, false},
    {"xp64", 2, 5, 2, "Service Pack 2", true, true, 9, true},
    {"vista32", 2, 6, 0, "Service Pack 2", true, true, 0, false},
    {"vista64", 2, 6, 0, "Service Pack 2", true, true, 9, true},
    {"win7", 2, 6, 1, "Service Pack 1", true, true, 9, true},
};

// Every preset written to system.ini and read back through the Windows-shaped calls.
TEST(SystemRoot, PresetsReadBackThroughTheVersionCalls) {
    for (const PresetCase& c : kPresets) {
        kit_test::TempSystemRoot root;
        ASSERT_TRUE(platform::InitSystemRoot(root.path(), *platform::PresetConfig(c.os)).ok()) << c.os;
        platform::UseSystemRoot(root.path());

        platform::OsVersionInfo info;
        ASSERT_EQ(platform::GetVersionEx(info), c.extended) << c.os;
        if (!c.extended) {
            info.size = platform::OsVersionInfo::kBasicSize;
            ASSERT_TRUE(platform::GetVersionEx(info)) << c.os;
        }
        EXPECT_EQ(info.platformId, c.platformId) << c.os;
        EXPECT_EQ(info.majorVersion, c.major) << c.os;
        EXPECT_EQ(info.minorVersion, c.minor) << c.os;
        EXPECT_EQ(info.csdVersion, c.servicePack) << c.os;

        EXPECT_EQ(platform::HasKernelFunction("KERNEL32.DLL", "GetNativeSystemInfo"), c.nativeInfo) << c.os;
        platform::NativeSystemInfo native;
        EXPECT_EQ(platform::GetNativeSystemInfo(native), c.nativeInfo) << c.os;
        if (c.nativeInfo) {
            EXPECT_EQ(native.processorArchitecture, c.architecture) << c.os;
        }
        for (const char* f : {"GetSystemWow64DirectoryA", "Wow64DisableWow64FsRedirection",
                              "Wow64RevertWow64FsRedirection"}) {
            EXPECT_EQ(platform::HasKernelFunction("kernel32.dll", f), c.wow64) << c.os << " " << f;
        }
        EXPECT_EQ(platform::GetSystemWow64Directory().empty(), !c.wow64) << c.os;
    }
}

TEST(SystemRoot, CreatedWithDefaultsOnFirstUse) {
    kit_test::TempDir dir;
    platform::UseSystemRoot(dir.path() / "fresh");
    EXPECT_EQ(platform::GetUserDefaultLCID(), 1033u);
    EXPECT_EQ(platform::GetSystemDefaultLangID(), 0x0409);
    EXPECT_EQ(platform::GetACP(), 1252u);
    EXPECT_TRUE(fs::is_regular_file(dir.path() / "fresh/system.ini"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "fresh/Windows/system32/Drivers"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "fresh/ProgramData"));
    EXPECT_TRUE(platform::EnablePrivilege("SeShutdownPrivilege"));
    platform::UseSystemRoot({});
}

TEST(SystemRoot, HandEditedSystemIniIsHonoured) {
    kit_test::TempSystemRoot root;
    ASSERT_TRUE(platform::InitSystemRoot(root.path(), *platform::PresetConfig("xp")).ok());
    std::string ini = (root.path() / "system.ini").string();
    ASSERT_TRUE(platform::profile::WriteString(ini, "Privileges", "SeLoadDriverPrivilege", "0"));
    ASSERT_TRUE(platform::profile::WriteString(ini, "Locale", "UserDefaultLCID", "0x0C04"));
    ASSERT_TRUE(platform::profile::WriteString(ini, "Environment", "TEMP", "C:\\Custom Temp"));
    ASSERT_TRUE(platform::profile::WriteString(ini, "Version", "ExtendedQuery", "0"));
    ASSERT_TRUE(platform::profile::WriteString(ini, "Version", "BasicQuery", "0"));
    platform::UseSystemRoot(root.path());

    EXPECT_EQ(platform::GetUserDefaultLCID(), 0x0C04u);
    EXPECT_FALSE(platform::EnablePrivilege("SeLoadDriverPrivilege"));
    EXPECT_TRUE(platform::EnablePrivilege("setakeownershipprivilege"));
    EXPECT_FALSE(platform::EnablePrivilege("SeNoSuchPrivilege"));
    platform::OsVersionInfo info;
    EXPECT_FALSE(platform::GetVersionEx(info));
    info.size = platform::OsVersionInfo::kBasicSize;
    EXPECT_FALSE(platform::GetVersionEx(info));
    unsetenv("TEMP");
    EXPECT_EQ(platform::GetEnvironmentVariable("temp").value_or(""), "C:\\Custom Temp");

    ASSERT_TRUE(platform::profile::WriteString(ini, "Privileges", "OpenProcessToken", "0"));
    platform::UseSystemRoot(root.path());
    EXPECT_FALSE(platform::AccessToken::OpenForProcess().has_value());
    EXPECT_FALSE(platform::EnablePrivilege("SeTakeOwnershipPrivilege"));
}

TEST(SystemRoot, TempFallsBackOnTheRootTempFolder) {
    kit_test::TempSystemRoot root;
    unsetenv("TEMP");
    unsetenv("TMP");
    EXPECT_EQ(platform::GetTempPath(), (root.path() / "Temp").string() + "/");
    setenv("TEMP", "/var/tmp", 1);
    EXPECT_EQ(platform::GetTempPath(), "/var/tmp/");
    unsetenv("TEMP");
}

TEST(SystemRoot, BrokenSystemIniFallsBackOnDefaults) {
    for (const std::string& bytes :
         {std::string("\x00\xff garbage \x01\n[[[", 17), std::string(""),
          std::string("[Version]\nMajorVersion=abc\nMinorVersion=99999999999999\n")}) {
        kit_test::TempSystemRoot root;
        kit_test::WriteFile(root.path() / "system.ini", bytes);
        platform::UseSystemRoot(root.path());
        platform::OsVersionInfo info;
        ASSERT_TRUE(platform::GetVersionEx(info));
        EXPECT_EQ(info.majorVersion, 5u);
        EXPECT_EQ(info.minorVersion, 1u);
        // The file the user broke is not overwritten.
        EXPECT_EQ(kit_test::ReadFile(root.path() / "system.ini"), bytes);
    }
}

TEST(SystemRoot, Wow64SwitchRestoresThePreviousState) {
    kit_test::TempSystemRoot root;
    ASSERT_TRUE(platform::InitSystemRoot(root.path(), *platform::PresetConfig("vista64")).ok());
    platform::UseSystemRoot(root.path());
    void* old = nullptr;
    ASSERT_TRUE(platform::Wow64DisableWow64FsRedirection(&old));
    EXPECT_TRUE(platform::Wow64RedirectionDisabled());
    ASSERT_TRUE(platform::Wow64RevertWow64FsRedirection(old));
    EXPECT_FALSE(platform::Wow64RedirectionDisabled());

    ASSERT_TRUE(platform::InitSystemRoot(root.path(), *platform::PresetConfig("2000")).ok());
    platform::UseSystemRoot(root.path());
    EXPECT_FALSE(platform::Wow64DisableWow64FsRedirection(&old));
}

}  // namespace
