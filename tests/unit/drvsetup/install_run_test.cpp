#include "drvsetup/shell/install_run.h"

#include <gtest/gtest.h>
#include <poll.h>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/shell/cmd_line.h"
#include "drvsetup/shell/os_tools.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/system_info.h"
#include "platform/system_root.h"
#include "support/kit_folder_test.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;
using drvsetup::ApDrvInstall_HwSetting;
using drvsetup::HwSettingIO;
namespace key = drvsetup::key;

constexpr int32_t kInfXp32 = 10227;
constexpr int32_t kInfXp64 = 10233;
constexpr int32_t kDriverXPPath32 = 10205;
constexpr int32_t kDriverXPPath64 = 10204;

// Records what the run asks of the window.
class RecordingHost : public drvsetup::IInstallRunHost {
  public:
    void StartAnimation() override { calls += "start "; }
    void StopAnimation() override { calls += "stop "; }
    void SetProductBoxEnabled(bool enabled) override { calls += enabled ? "box+ " : "box- "; }
    void SetTopmost(bool topmost) override { calls += topmost ? "top+ " : "top- "; }
    void RequestClose() override { calls += "close "; }
    platform::EventPump WaitPump() override {
        return [this](int fd) {
            ++pumped;
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, -1);
        };
    }
    std::string calls;
    int pumped = 0;
};

class InstallRunTest : public kit_test::KitFolderTest {
  protected:
    // A driver folder with an INF and the installer stand-in under the given name.
    void MakeDriverFolder(const std::string& folder, const char* installerName = "DPInst.exe") {
        kit_test::WriteFile(kit_.path() / folder / "tuner.inf", "[Manufacturer]\r\n%M%=Models\r\n");
        if (installerName != nullptr) {
            fs::copy_file(fs::path(KIT_BIN_DIR) / "DPInst.exe", kit_.path() / folder / installerName);
        }
    }
    void MakeFollowUp() {
        fs::create_directories(kit_.path() / "App");
        fs::copy_file(fs::path(KIT_BIN_DIR) / "recorder", kit_.path() / "App/TvApp.exe");
    }
    HwSettingIO Record() {
        HwSettingIO record(718, 718);
        record.SetString(kDriverXPPath32, "XpDrv");
        record.SetString(kInfXp32, "tuner.inf");
        record.SetString(kDriverXPPath64, "Xp64Drv");
        record.SetString(kInfXp64, "tuner.inf");
        record.SetString(key::System32FileFlagFileName, "vexa.flag");
        record.SetString(key::Ap0, "App\\TvApp.exe");
        record.SetString(key::Ap0Param, "-i");
        record.SetString(key::UnAp0, "App\\TvApp.exe");
        record.SetString(key::UnAp0Param, "");
        return record;
    }
    std::string Log(const char* name) { return kit_test::ReadFile(root_.path() / "Windows" / name); }
    std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

    RecordingHost host_;
    drvsetup::CmdLineParam unattendedInstall_ = [] {
        drvsetup::CmdLineParam p;
        p.SetAutoInstall(1);
        return p;
    }();
};

TEST_F(InstallRunTest, SilentUnattendedInstall) {
    UseSystem("xp");
    MakeDriverFolder("XpDrv");
    MakeFollowUp();
    drvsetup::ParseCmdLine("718 1 /s");
    ApDrvInstall_HwSetting setting(Record());
    drvsetup::InstallButtonClick(setting, unattendedInstall_, host_);

    std::string installer = (kit_.path() / "XpDrv/DPInst.exe").string();
    EXPECT_EQ(Log("DPINST.LOG"),
              "{\"argv\": [" + Quoted(installer) +
                  ", \"/s\", \"/sw\", \"/f\", \"/lm\", \"/d\", \"/se\", \"/el\"], \"cwd\": " +
                  Quoted(fs::current_path().string()) + "}\n");
    EXPECT_EQ(kit_test::ReadFile(root_.path() / "Windows/system32/Drivers/vexa.flag"),
              std::string("Do Not Delete\0", 14));
    std::string followUp = (kit_.path() / "App/TvApp.exe").string();
    EXPECT_NE(Log("TVAPP.LOG").find("[" + Quoted(followUp) + ", \"-i\", \"/s\"]"), std::string::npos)
        << Log("TVAPP.LOG");
    EXPECT_EQ(host_.calls, "start box- top- top+ stop box+ top- top+ close ");
    EXPECT_GE(host_.pumped, 2);
    // The copy of the INF is what the installer leaves behind.
    EXPECT_TRUE(fs::exists(root_.path() / "Windows/inf/oem0.inf"));
}

TEST_F(InstallRunTest, SilentUnattendedUninstall) {
    UseSystem("xp");
    MakeDriverFolder("XpDrv");
    MakeFollowUp();
    drvsetup::ParseCmdLine("718 0 /s");
    drvsetup::CmdLineParam param;
    param.SetAutoUninstall(1);
    ApDrvInstall_HwSetting setting(Record());
    drvsetup::UninstallButtonClick(setting, param, host_);
    std::string inf = setting.GetInf(drvsetup::OsWinXP32, 0)->GetPath();
    EXPECT_NE(Log("DPINST.LOG").find("\"/s\", \"/u\", " + Quoted(platform::JsonEscape(inf)) + ", \"/D\"]"),
              std::string::npos)
        << Log("DPINST.LOG");
    EXPECT_FALSE(fs::exists(root_.path() / "Windows/system32/Drivers/vexa.flag"));  // no marker
    EXPECT_NE(Log("TVAPP.LOG").find(", \"/s\"]"), std::string::npos);
    EXPECT_EQ(host_.calls, "start box- stop box+ top- top+ close ");
}

TEST_F(InstallRunTest, InteractiveInstallHasNoSilentSwitches) {
    UseSystem("2000");  // Windows 2000 uses the XP 32-bit list
    MakeDriverFolder("XpDrv");
    drvsetup::ParseCmdLine("");
    ApDrvInstall_HwSetting setting(Record());
    drvsetup::InstallButtonClick(setting, drvsetup::CmdLineParam(), host_);
    EXPECT_NE(Log("DPINST.LOG").find("\", \"/f\", \"/lm\""), std::string::npos) << Log("DPINST.LOG");
    EXPECT_EQ(Log("DPINST.LOG").find("/sw"), std::string::npos);
    EXPECT_EQ(Log("TVAPP.LOG"), "");  // no follow-up program in the kit: skipped
    EXPECT_EQ(host_.calls, "start box- top- top+ stop box+ close ");
}

TEST_F(InstallRunTest, SixtyFourBitSystemsWriteTheMarkerIntoTheNativeFolder) {
    UseSystem("xp64");
    MakeDriverFolder("Xp64Drv");
    std::string debugLog = (kit_.path() / "debug.log").string();
    kit_test::ScopedEnv debug("WINSYS_DEBUG_LOG", debugLog);
    drvsetup::ParseCmdLine("718 1 /s");
    ApDrvInstall_HwSetting setting(Record());
    drvsetup::InstallButtonClick(setting, unattendedInstall_, host_);
    EXPECT_EQ(kit_test::ReadFile(root_.path() / "Windows/system32/Drivers/vexa.flag").size(), 14u);
    EXPECT_FALSE(fs::exists(root_.path() / "Windows/SysWOW64/Drivers/vexa.flag"));
    std::string stars(34, '*');
    std::string marker = (root_.path() / "Windows").string() + "/\\system32\\Drivers\\vexa.flag";
    EXPECT_EQ(kit_test::ReadFile(debugLog),
              stars + "\n****myGetSystemWow64DirectoryA****\n" + marker + "\n" + stars + "\n");
    EXPECT_FALSE(platform::Wow64RedirectionDisabled());
}

TEST_F(InstallRunTest, SixtyFourBitSystemWithoutTheWow64FunctionsSkipsTheMarker) {
    platform::SystemConfig config = *platform::PresetConfig("xp64");
    config.wow64Redirection = false;
    ASSERT_TRUE(platform::InitSystemRoot(root_.path(), config).ok());
    platform::UseSystemRoot(root_.path());
    drvsetup::ResetOsCodeCacheForTesting();
    MakeDriverFolder("Xp64Drv");
    std::string debugLog = (kit_.path() / "debug.log").string();
    kit_test::ScopedEnv debug("WINSYS_DEBUG_LOG", debugLog);
    ApDrvInstall_HwSetting setting(Record());
    drvsetup::InstallButtonClick(setting, drvsetup::CmdLineParam(), host_);
    EXPECT_EQ(kit_test::ReadFile(debugLog),
              std::string(34, '*') + "\n********** Create System File False ************\n");
    EXPECT_FALSE(fs::exists(root_.path() / "Windows/system32/Drivers/vexa.flag"));
    EXPECT_NE(Log("DPINST.LOG"), "");  // the run goes on
}

TEST_F(InstallRunTest, InstallerChoice) {
    UseSystem("xp");
    MakeDriverFolder("XpDrv", "DPInstX64.exe");
    ApDrvInstall_HwSetting setting(Record());
    drvsetup::InstallButtonClick(setting, drvsetup::CmdLineParam(), host_);
    EXPECT_NE(Log("DPINST.LOG").find("DPInstX64.exe"), std::string::npos);
}

TEST_F(InstallRunTest, NoInstallerShowsTheMessageAndLeavesTheWindowOpen) {
    UseSystem("xp");
    MakeDriverFolder("XpDrv", nullptr);
    std::string boxes = (kit_.path() / "boxes.log").string();
    kit_test::ScopedEnv log("WINSYS_MSGBOX_LOG", boxes);
    ApDrvInstall_HwSetting setting(Record());
    drvsetup::InstallButtonClick(setting, unattendedInstall_, host_);
    EXPECT_EQ(kit_test::ReadFile(boxes),
              "{\"caption\": \"Can't find DPInst.exe\", \"text\": \"Can't find DPInst.exe\", \"flags\": 0, "
              "\"answer\": 1}\n");
    EXPECT_EQ(host_.calls, "");
    // The marker is written before the installer is looked for.
    EXPECT_TRUE(fs::exists(root_.path() / "Windows/system32/Drivers/vexa.flag"));
}

TEST_F(InstallRunTest, NoInfForTheSystemEndsTheRunSilently) {
    UseSystem("vista64");
    MakeDriverFolder("XpDrv");
    ApDrvInstall_HwSetting setting(Record());
    drvsetup::InstallButtonClick(setting, drvsetup::CmdLineParam(), host_);
    drvsetup::UninstallButtonClick(setting, drvsetup::CmdLineParam(), host_);
    EXPECT_EQ(host_.calls, "");
    EXPECT_EQ(Log("DPINST.LOG"), "");
}

TEST_F(InstallRunTest, MarkerNameThatNamesAnotherFolderIsNotWritten) {
    UseSystem("xp");
    MakeDriverFolder("XpDrv");
    HwSettingIO record = Record();
    record.SetString(key::System32FileFlagFileName, "..\\..\\escaped.flag");
    ApDrvInstall_HwSetting setting(record);
    drvsetup::InstallButtonClick(setting, drvsetup::CmdLineParam(), host_);
    EXPECT_FALSE(fs::exists(root_.path() / "escaped.flag"));
    EXPECT_NE(Log("DPINST.LOG"), "");
}

TEST(InstallRunParts, FollowUpCommandLineAndFamilies) {
    EXPECT_EQ(drvsetup::FollowUpCommandLine("P", "Q"), "\"P\"  Q");
    EXPECT_EQ(drvsetup::FollowUpCommandLine("P", ""), "\"P\" ");
    EXPECT_EQ(drvsetup::FollowUpCommandLine("P", " /s"), "\"P\"   /s");
    for (int32_t code : {95, 98, 982, 982000, 351, 2000, 20005, 1000}) {
        EXPECT_EQ(drvsetup::RunFamily(code), 20005) << code;
    }
    for (int32_t code : {200052, 200632, 200664}) {
        EXPECT_EQ(drvsetup::RunFamily(code), code);
    }
    EXPECT_EQ(drvsetup::RunCommandAndWait("\"/nonexistent/program.exe\" x", {}), drvsetup::kStillActive);
}

TEST(InstallRunParts, EnablePrivileges) {
    kit_test::TempSystemRoot root;
    std::string debugLog = (root.path() / "debug.log").string();
    kit_test::ScopedEnv debug("WINSYS_DEBUG_LOG", debugLog);
    EXPECT_TRUE(drvsetup::EnablePrivileges());
    EXPECT_EQ(kit_test::ReadFile(debugLog), "");
    std::string ini = (root.path() / "system.ini").string();
    ASSERT_TRUE(platform::profile::WriteString(ini, "Privileges", "SeLoadDriverPrivilege", "0"));
    platform::UseSystemRoot(root.path());
    EXPECT_FALSE(drvsetup::EnablePrivileges());
    EXPECT_EQ(kit_test::ReadFile(debugLog), "SetPrivilege(SE_LOAD_DRIVER_NAME) False\n");
    ASSERT_TRUE(platform::profile::WriteString(ini, "Privileges", "OpenProcessToken", "0"));
    platform::UseSystemRoot(root.path());
    EXPECT_FALSE(drvsetup::EnablePrivileges());
    EXPECT_EQ(kit_test::ReadFile(debugLog), "SetPrivilege(SE_LOAD_DRIVER_NAME) False\n");
}

}  // namespace
