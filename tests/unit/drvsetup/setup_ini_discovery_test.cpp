#include "drvsetup/shell/setup_ini_discovery.h"

#include <gtest/gtest.h>

#include "drvsetup/shell/cmd_line.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/system_root.h"
#include "support/kit_folder_test.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;

TEST(SetupIniDiscovery, FileNameForEveryLanguageRow) {
    struct Row {
        std::vector<uint32_t> lcids;
        const char* name;
    };
    std::vector<Row> rows = {
        {{1028, 3076}, "drvInstall.cht"},
        {{2052}, "drvInstall.chs"},
        {{1041}, "drvInstall.jpn"},
        {{1036, 2060, 3084, 4108, 5132, 6156}, "drvInstall.FRA"},
        {{1031, 2055, 3079, 4103, 5127}, "drvInstall.DEU"},
        {{1040, 2064}, "drvInstall.ITA"},
        {{1043, 2067}, "drvInstall.NLD"},
        {{}, "drvInstall.ENS"},
        // Neighbours of the rows, other sublanguages and the defaults.
        {{0, 1033, 2057, 1042, 4100, 7180, 6151, 3088, 3091, 21514, 0x0404 + 0x2000, 0xFFFFFFFF},
         "drvInstall.ini"},
    };
    for (uint32_t lcid = 0x040A; lcid <= 0x500A; lcid += 0x400) {
        rows[7].lcids.push_back(lcid);
    }
    EXPECT_EQ(rows[7].lcids.size(), 20u);
    for (const Row& row : rows) {
        for (uint32_t lcid : row.lcids) {
            EXPECT_EQ(drvsetup::SetupIniFileNameForLcid(lcid), row.name) << lcid;
        }
    }
}

class SetupIniDiscoveryTest : public kit_test::KitFolderTest {
  protected:
    void WriteIni(const char* name, const char* cmdLine) {
        kit_test::WriteFile(kit_.path() / name,
                            std::string("[InstallData]\r\nCmdLineParameter=") + cmdLine + "\r\n");
    }

    fs::path log_ = kit_.path() / "boxes.log";
};

TEST_F(SetupIniDiscoveryTest, LanguageFileThenDefaultThenFallback) {
    UseSystem("xp", 1036);
    std::string folder = kit_.str() + "/";
    EXPECT_EQ(drvsetup::FallbackSetupIniPath(), folder + "_vSetup.ini");
    EXPECT_EQ(drvsetup::LocalizedSetupIniPath(), folder + "drvInstall.ini");
    EXPECT_FALSE(drvsetup::FindSetupIni().has_value());

    WriteIni("_vSetup.ini", "3 1 /s");
    EXPECT_EQ(drvsetup::FindSetupIni(), folder + "_vSetup.ini");
    EXPECT_EQ(drvsetup::ObtainCmdLineText({}), "3 1 /s");

    WriteIni("drvInstall.ini", "7");
    EXPECT_EQ(drvsetup::FindSetupIni(), folder + "drvInstall.ini");

    // On a French system the command line comes from the French file when both exist.
    WriteIni("drvInstall.FRA", "9 0");
    EXPECT_EQ(drvsetup::LocalizedSetupIniPath(), folder + "drvInstall.FRA");
    EXPECT_EQ(drvsetup::ObtainCmdLineText({}), "9 0");

    // Arguments win over every file.
    EXPECT_EQ(drvsetup::ObtainCmdLineText({"12", "1", "/s"}), "12 1 /s ");
}

TEST_F(SetupIniDiscoveryTest, MissingKeyOrSectionGivesAnEmptyCommandLine) {
    UseSystem("xp", 1033);
    kit_test::WriteFile(kit_.path() / "drvInstall.ini", "[Other]\r\nCmdLineParameter=1 1\r\n");
    EXPECT_EQ(drvsetup::ObtainCmdLineText({}), "");
    kit_test::WriteFile(kit_.path() / "drvInstall.ini", "[installdata]\r\ncmdlineparameter = ' 4  1 '\r\n");
    EXPECT_EQ(drvsetup::ObtainCmdLineText({}), " 4  1 ");
}

TEST_F(SetupIniDiscoveryTest, NoSetupIniShowsTheMessageAndGivesNothing) {
    UseSystem("xp", 1033);
    kit_test::ScopedEnv logEnv("WINSYS_MSGBOX_LOG", log_.string());
    kit_test::ScopedEnv answers("WINSYS_MSGBOX_ANSWERS", "ok");
    platform::ResetMessageBoxStateForTesting();
    EXPECT_FALSE(drvsetup::ObtainCmdLineText({}).has_value());
    const std::string expected =
        "{\"caption\": \"Error\", \"text\": \"Can't find Ini file\", \"flags\": 327728, \"answer\": 1}\n";
    EXPECT_EQ(kit_test::ReadFile(log_), expected);
    // With arguments no file is needed and no box is shown.
    EXPECT_EQ(drvsetup::ObtainCmdLineText({"1"}), "1 ");
    EXPECT_EQ(kit_test::ReadFile(log_), expected);
}

}  // namespace
