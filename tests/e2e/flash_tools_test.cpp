// The two flash-tool stand-ins started the way the updater starts them: from a working folder whose
// path has a blank, on the simulated notebook of a temporary system root. What they flash runs after
// the next power-on; every run is in the machine's history.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fwupdate/flash_steps.h"
#include "platform/machine.h"
#include "support/run_command.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

class FlashTools : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = dir_.path() / "Temp dir" / "__Kantrel_Update";
        fs::create_directories(folder_);
        for (const char* tool : {"SWinFlash.exe", "WinUpV01_10.exe"})
            fs::copy_file(fs::path(KIT_BIN_DIR) / tool, folder_ / tool);
        ASSERT_EQ(Winsys("init --version P01A --ec-firmware 1.10 --bios-flag 'NBF 2006'").status, 0);
    }
    kit_test::CommandResult Winsys(const std::string& args) {
        return kit_test::RunKitProgram("winsys", "--root '" + dir_.str() + "' machine " + args);
    }
    int Tool(const std::string& commandText) {
        return fwupdate::RunTool(folder_.string() + "/", commandText);
    }
    platform::Machine Load() {
        auto machine = platform::Machine::Load(dir_.path() / "machine");
        EXPECT_TRUE(machine.ok());
        return *machine;
    }
    void MakeImages(const std::string& biosOptions, const std::string& ecVersion) {
        ASSERT_EQ(Winsys("image -o '" + (folder_ / "bios.wph").string() + "' " + biosOptions).status, 0);
        ASSERT_EQ(Winsys("micom -o '" + (folder_ / "kbc.bin").string() + "' --version " + ecVersion).status,
                  0);
    }
    kit_test::TempDir dir_;
    kit_test::ScopedEnv root_{"WINSYS_ROOT", dir_.str()};
    fs::path folder_;
};

TEST_F(FlashTools, NewFirmwareRunsAfterPowerOn) {
    MakeImages("--version P02A --build-date 02/01/08", "1.20");
    const std::string bios = "SWinFlash bios.wph /P /MODE=3 /DO0:NBFA2006 /DO1:01/15/2007 /DSS:SN 77";
    const std::string micom = "WinUpV01_10 kbc.bin /FORCE /FORCE /A";
    EXPECT_EQ(Tool(bios), 0);
    EXPECT_EQ(Tool(micom), 0);

    // Flashed, still running the old firmware and reporting the old DMI texts.
    auto before = Winsys("show --json");
    ASSERT_EQ(before.status, 0);
    EXPECT_NE(before.output.find(
                  "\"running\": {\"model\": \"NB10\", \"part_number\": \"011\", \"version\": \"P01A\""),
              std::string::npos)
        << before.output;
    EXPECT_NE(before.output.find(
                  "\"flashed\": {\"model\": \"NB10\", \"part_number\": \"011\", \"version\": \"P02A\", "
                  "\"date\": \"02/01/2008\""),
              std::string::npos)
        << before.output;
    EXPECT_NE(before.output.find("\"ec_firmware\": {\"running\": \"1.10\", \"flashed\": \"1.20\"}"),
              std::string::npos)
        << before.output;
    EXPECT_NE(before.output.find("\"serial\": \"SN 77\"}"), std::string::npos) << before.output;
    EXPECT_EQ(Load().settings().serial, "SN0012345678");

    ASSERT_EQ(Winsys("power-off").status, 0);
    ASSERT_EQ(Winsys("power-on").status, 0);
    auto after = Winsys("show");
    ASSERT_EQ(after.status, 0);
    EXPECT_NE(
        after.output.find("running BIOS         model NB10, part number 011, version P02A, date 02/01/2008"),
        std::string::npos)
        << after.output;
    EXPECT_NE(after.output.find("running firmware 1.20, flashed firmware 1.20"), std::string::npos)
        << after.output;
    EXPECT_NE(after.output.find("serial \"SN 77\", BIOS flag \"NBFA2006\", purchase date \"01/15/2007\""),
              std::string::npos)
        << after.output;
    EXPECT_EQ(after.output.find("DMI pending"), std::string::npos) << after.output;
    EXPECT_EQ(Load().state().history, (std::vector<std::string>{bios, micom, "off", "on"}));
}

TEST_F(FlashTools, FailuresLeaveTheFlashAsItWas) {
    MakeImages("--version P02A", "1.20");
    ASSERT_EQ(Winsys("image -o '" + (folder_ / "small.wph").string() + "' --rom-size 512K").status, 0);
    kit_test::WriteFile(folder_ / "short.wph", std::string(0x80000 + 10, '\xff'));
    std::string ec = kit_test::ReadFile(folder_ / "kbc.bin");
    ec[0x9000] ^= 0x40;
    kit_test::WriteFile(folder_ / "damaged.bin", ec);

    struct Case {
        std::string command;
        int status;
    } cases[] = {
        {"SWinFlash bios.wph", 2},        // no /P
        {"SWinFlash /P", 2},              // no image
        {"SWinFlash bios.wph /P /X", 2},  // unknown option
        {"SWinFlash bios.wph /P /DSS:" + std::string(32, 'S'), 2},
        {"SWinFlash missing.wph /P", 3},
        {"SWinFlash kbc.bin /P", 3},    // not a BIOS image
        {"SWinFlash short.wph /P", 3},  // no records
        {"SWinFlash small.wph /P", 3},  // 512 KiB on a 1 MiB chip
        {"WinUpV01_10 kbc.bin", 2},     // no /FORCE
        {"WinUpV01_10 kbc.bin /FORCE /Q", 2},
        {"WinUpV01_10 bios.wph /FORCE", 3},
        {"WinUpV01_10 damaged.bin /FORCE", 3},
    };
    std::vector<std::string> history;
    for (const Case& c : cases) {
        EXPECT_EQ(Tool(c.command), c.status) << c.command;
        history.push_back(c.command);
    }
    // The machine set to make the tools fail: status 1, nothing written.
    ASSERT_EQ(Winsys("set fail_bios_tool=1 fail_micom_tool=1").status, 0);
    EXPECT_EQ(Tool("SWinFlash bios.wph /P /DSS:X"), 1);
    EXPECT_EQ(Tool("WinUpV01_10 kbc.bin /FORCE"), 1);
    history.push_back("SWinFlash bios.wph /P /DSS:X");
    history.push_back("WinUpV01_10 kbc.bin /FORCE");

    platform::Machine m = Load();
    EXPECT_EQ(platform::ReadRomInfo(m.Flash()).version, "P01A");
    EXPECT_EQ(m.settings().ecFirmwareFlashed, "1.10");
    EXPECT_TRUE(m.pendingDmi().Empty());
    EXPECT_EQ(m.state().history, history);

    // Options in lower case are options too.
    ASSERT_EQ(Winsys("set fail_bios_tool=0").status, 0);
    EXPECT_EQ(Tool("SWinFlash bios.wph /p /dss:abc"), 0);
    EXPECT_EQ(Load().pendingDmi().serial, std::optional<std::string>("abc"));
}

}  // namespace
