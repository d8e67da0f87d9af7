// winsys init and show, run as a user would.
#include <gtest/gtest.h>

#include <string>

#include "platform/profile.h"
#include "support/run_command.h"
#include "support/temp_root.h"

namespace {

kit_test::CommandResult RunWinsys(const std::string& args) {
    return kit_test::RunKitProgram("winsys", args);
}

TEST(WinsysRoot, InitThenShow) {
    kit_test::TempDir dir;
    std::string root = dir.str() + "/r";
    auto init = RunWinsys("init " + root + " --os xp64 --lcid 0x411 --langid 1041 --codepage 932");
    ASSERT_EQ(init.status, 0) << init.output;
    std::string ini = root + "/system.ini";
    EXPECT_EQ(platform::profile::ReadString(ini, "Version", "MinorVersion", ""), "2");
    EXPECT_EQ(platform::profile::ReadString(ini, "System", "ProcessorArchitecture", ""), "9");
    EXPECT_EQ(platform::profile::ReadString(ini, "Locale", "UserDefaultLCID", ""), "1041");
    EXPECT_EQ(platform::profile::ReadString(ini, "Locale", "AnsiCodePage", ""), "932");

    auto show = RunWinsys("--root " + root + " show");
    ASSERT_EQ(show.status, 0) << show.output;
    EXPECT_NE(show.output.find("5.2 build 3790"), std::string::npos) << show.output;
    EXPECT_NE(show.output.find("ANSI code page       932"), std::string::npos) << show.output;
}

TEST(WinsysRoot, BadCommandLinesAreUsageErrors) {
    kit_test::TempDir dir;
    const std::string cases[] = {"init " + dir.str() + " --os os2", "init --lcid", "init x --lcid 12z",
                                 "frobnicate", ""};
    for (const std::string& args : cases) {
        auto run = RunWinsys(args);
        EXPECT_EQ(run.status, 2) << args << ": " << run.output;
        EXPECT_FALSE(run.output.empty()) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "system.ini"));
}

}  // namespace
