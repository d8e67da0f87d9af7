// drvsetup run as a user or a production script runs it: the real program in a copy of the sample kit,
// on a fresh system root, with the stand-in installer and follow-up program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/message_box.h"
#include "platform/system_root.h"
#include "support/run_command.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;

class DrvsetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(fs::path(KIT_BIN_DIR) / "../kit", kit_.path(), fs::copy_options::recursive);
        UseSystem("xp");
    }
    void UseSystem(const char* name, unsigned lcid = 1033) {
        platform::SystemConfig config = *platform::PresetConfig(name);
        config.userDefaultLcid = lcid;
        ASSERT_TRUE(platform::InitSystemRoot(root_.path(), config).ok());
    }
    std::string Env() const {
        return "WINSYS_ROOT='" + root_.path().string() + "' WINSYS_MSGBOX_LOG='" + Boxes().string() +
               "' WINSYS_MSGBOX_ANSWERS=ok,ok,ok DISPLAY= WAYLAND_DISPLAY= ";
    }
    kit_test::CommandResult Drvsetup(const std::string& arguments) {
        return kit_test::RunCommand("cd '" + kit_.str() + "' && " + Env() + "./drvsetup " + arguments);
    }
    fs::path Boxes() const { return kit_.path() / "boxes.log"; }
    std::string Log(const char* name) const { return kit_test::ReadFile(root_.path() / "Windows" / name); }
    std::string KitPath(const char* relative) const { return (kit_.path() / relative).string(); }

    kit_test::TempDir kit_;
    kit_test::TempDir root_;
};

TEST_F(DrvsetupTest, SilentUnattendedInstall) {
    auto run = Drvsetup("718 1 /s");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(Log("DPINST.LOG")
                  .find("{\"argv\": [\"" + KitPath("Driver/XP32/DPInst.exe") +
                        "\", \"/s\", \"/sw\", \"/f\", \"/lm\", \"/d\", \"/se\", \"/el\"]"),
              std::string::npos)
        << Log("DPINST.LOG");
    EXPECT_EQ(kit_test::ReadFile(root_.path() / "Windows/system32/Drivers/VexaQM718.flg"),
              std::string("Do Not Delete\0", 14));
    EXPECT_NE(Log("TVCENTER.LOG").find("\"-setup\", \"QM718\", \"/s\"]"), std::string::npos)
        << Log("TVCENTER.LOG");
    EXPECT_TRUE(fs::exists(root_.path() / "Windows/inf/oem0.inf"));
    EXPECT_FALSE(fs::exists(Boxes()));
}

TEST_F(DrvsetupTest, SilentUnattendedUninstall) {
    ASSERT_EQ(Drvsetup("718 1 /s").status, 0);
    auto run = Drvsetup("718 0 /s");
    EXPECT_EQ(run.status, 0) << run.output;
    std::string log = Log("DPINST.LOG");
    // The INF path is the kit folder and the setup INI's folder value, separators as written there.
    std::string inf = platform::JsonEscape(kit_.str() + "/Driver\\XP32\\vexatv.inf");
    EXPECT_NE(log.find("\"/s\", \"/u\", \"" + inf + "\", \"/D\"]"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(root_.path() / "Windows/inf/oem0.inf"));
    EXPECT_NE(Log("TVCENTER.LOG").find("\"-remove\", \"QM718\", \"/s\"]"), std::string::npos);
}

TEST_F(DrvsetupTest, SixtyFourBitSystemsUseTheirPackageAndTheNativeDriverFolder) {
    UseSystem("vista64");
    auto run = Drvsetup("718 1 /s");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(Log("DPINST.LOG").find(KitPath("Driver/Vista64/DPInst.exe")), std::string::npos);
    EXPECT_EQ(fs::file_size(root_.path() / "Windows/system32/Drivers/VexaQM718.flg"), 14u);
    EXPECT_FALSE(fs::exists(root_.path() / "Windows/SysWOW64/Drivers/VexaQM718.flg"));
}

TEST_F(DrvsetupTest, OnlyTheSixtyFourBitInstallerPresent) {
    fs::rename(kit_.path() / "Driver/XP32/DPInst.exe", kit_.path() / "Driver/XP32/DPInstX64.exe");
    auto run = Drvsetup("718 1 /s");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(Log("DPINST.LOG").find(KitPath("Driver/XP32/DPInstX64.exe")), std::string::npos);
}

TEST_F(DrvsetupTest, NoInstallerShowsTheMessageAndStaysOpenUntilClosed) {
    fs::remove(kit_.path() / "Driver/XP32/DPInst.exe");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string command =
            "cd '" + kit_.str() + "' && exec env " + Env() + "./drvsetup 718 1 /s >/dev/null 2>&1";
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // The run ends early and the invisible window waits to be closed by other means.
    std::string boxes;
    for (int i = 0; i < 200 && boxes.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        boxes = kit_test::ReadFile(Boxes());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "drvsetup ended by itself";
    kill(child, SIGTERM);
    waitpid(child, &status, 0);
    EXPECT_EQ(boxes,
              "{\"caption\": \"Can't find DPInst.exe\", \"text\": \"Can't find DPInst.exe\", \"flags\": 0, "
              "\"answer\": 1}\n");
    EXPECT_EQ(Log("DPINST.LOG"), "");
}

TEST_F(DrvsetupTest, WithoutArgumentsTheLanguageFileGivesTheCommandLine) {
    UseSystem("xp", 1036);  // French: drvInstall.FRA says "718 1 /s"
    auto run = Drvsetup("");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(Log("DPINST.LOG").find("\"/s\", \"/sw\""), std::string::npos) << Log("DPINST.LOG");
}

TEST_F(DrvsetupTest, NoSetupIniAtAll) {
    for (const char* name : {"drvInstall.ini", "drvInstall.FRA"}) {
        fs::remove(kit_.path() / name);
    }
    auto run = Drvsetup("");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(
        kit_test::ReadFile(Boxes()),
        "{\"caption\": \"Error\", \"text\": \"Can't find Ini file\", \"flags\": 327728, \"answer\": 1}\n");
    EXPECT_EQ(Log("DPINST.LOG"), "");
}

}  // namespace
