#include "drvsetup/config/vexa_ap_ini.h"

#include <gtest/gtest.h>

#include "drvsetup/config/setup_key_ids.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "support/kit_folder_test.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace {

using drvsetup::VexaApIni;
namespace key = drvsetup::key;

class VexaApIniTest : public kit_test::KitFolderTest {
  protected:
    void WriteIni(const std::string& text) { kit_test::WriteFile(kit_.path() / "drvInstall.ini", text); }
    std::string Boxes() { return kit_test::ReadFile(log_); }
    std::vector<std::string> Names(const VexaApIni& ini) {
        std::vector<std::string> names;
        for (drvsetup::IVexaSetting* record : ini.Records()) {
            names.push_back(record->GetName());
        }
        return names;
    }

    std::filesystem::path log_ = kit_.path() / "boxes.log";
    kit_test::ScopedEnv logEnv_{"WINSYS_MSGBOX_LOG", log_.string()};
    kit_test::ScopedEnv answers_{"WINSYS_MSGBOX_ANSWERS", "ok,ok,ok"};
};

const std::string kCantFind =
    "{\"caption\": \"Error\", \"text\": \"Can't find UnZip Ini file\", \"flags\": 327728, \"answer\": 1}\n";
const std::string kInvalid =
    "{\"caption\": \"Error\", \"text\": \"Invalid drvInstall.ini\", \"flags\": 0, \"answer\": 1}\n";

TEST_F(VexaApIniTest, RecordsInByteOrderAndTheFirstHighestIsSelected) {
    WriteIni(
        "[__info]\nV_HardwareID=1\n"
        "[a]\nV_HardwareID=101\nbInstallDrvSelected=5\n"
        "[B]\nV_HardwareID=330\nbInstallDrvSelected=1\n"
        "[Zero]\nV_HardwareID=0\n"
        "[NoId]\nOemProductName=x\n"
        "[Text]\nV_HardwareID=abc\n"
        "[C]\nV_HardwareID=718\nbInstallDrvSelected=-3\n");
    VexaApIni ini(1);
    EXPECT_EQ(Names(ini), (std::vector<std::string>{"B", "C", "a"}));
    ASSERT_NE(ini.Selected(), nullptr);
    EXPECT_EQ(ini.Selected()->GetName(), "B");  // "a" and "B" both count as 1; B comes first
    EXPECT_EQ(ini.Records()[2]->GetString(key::bInstallDrvSelected), "1");
    EXPECT_EQ(ini.Records()[1]->GetString(key::bInstallDrvSelected), "0");
    EXPECT_EQ(Boxes(), "");
}

TEST_F(VexaApIniTest, NoRecordMarkedSelectsTheFirst) {
    WriteIni("[Y]\nV_HardwareID=101\n[X]\nV_HardwareID=330\n");
    VexaApIni ini(1);
    EXPECT_EQ(ini.Selected()->GetName(), "X");
    EXPECT_EQ(ini.Selected()->GetString(key::bInstallDrvSelected), "1");
}

TEST_F(VexaApIniTest, FirstSectionOfANameWins) {
    WriteIni("[S]\nV_HardwareID=101\nOemProductName=first\n[S]\nV_HardwareID=330\nOemProductName=second\n");
    VexaApIni ini(1);
    ASSERT_EQ(ini.RecordCount(), 1u);
    EXPECT_EQ(ini.Records()[0]->GetString(key::OemProductName), "first");
}

TEST_F(VexaApIniTest, NoHardwareSettingGivesThePlaceholder) {
    WriteIni("[__info]\nV_HardwareID=5\n[InstallData]\nCmdLineParameter=1\n");
    VexaApIni ini(1);
    EXPECT_EQ(Boxes(), kInvalid);
    ASSERT_EQ(ini.RecordCount(), 1u);
    EXPECT_EQ(ini.Selected()->GetHardwareID(), 718);
    EXPECT_EQ(ini.Selected()->GetInt(key::InstallDriver, 0), 718);
}

TEST_F(VexaApIniTest, MissingFileGivesBothMessagesInOrder) {
    VexaApIni ini(1);
    EXPECT_EQ(Boxes(), kCantFind + kInvalid);
    EXPECT_EQ(ini.RecordCount(), 1u);
    VexaApIni empty(0);
    EXPECT_EQ(empty.RecordCount(), 0u);
    EXPECT_EQ(empty.Selected(), nullptr);
}

TEST_F(VexaApIniTest, SelectByName) {
    WriteIni("[A]\nV_HardwareID=101\n[B]\nV_HardwareID=330\nsetupItemID=Named\n");
    VexaApIni ini(1);
    ini.SelectByName("Named");
    EXPECT_EQ(ini.Selected()->GetName(), "Named");
    EXPECT_EQ(ini.Records()[1]->GetString(key::bApSettingSelected), "1");
    EXPECT_EQ(ini.Records()[0]->GetString(key::bApSettingSelected), "0");
    ini.SelectByName("Nobody");
    EXPECT_EQ(ini.Selected()->GetName(), "Named");
    EXPECT_EQ(ini.Records()[1]->GetString(key::bApSettingSelected), "0");
}

}  // namespace
