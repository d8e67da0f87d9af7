// winsys machine init, show, set and the power cycle, run as a user would.
#include <gtest/gtest.h>

#include <string>

#include "platform/machine.h"
#include "support/run_command.h"
#include "support/temp_root.h"

namespace {

class WinsysMachine : public ::testing::Test {
  protected:
    kit_test::CommandResult Run(const std::string& args) {
        return kit_test::RunKitProgram("winsys", "--root " + dir_.str() + " machine " + args);
    }
    platform::Machine Load() {
        auto machine = platform::Machine::Load(dir_.path() / "machine");
        EXPECT_TRUE(machine.ok());
        return *machine;
    }
    kit_test::TempDir dir_;
};

TEST_F(WinsysMachine, InitOptionsReachTheFirmwareAndShow) {
    auto init =
        Run("init --model QX7A --part-number 0B2 --version P07E --release-date 01/02/2007 "
            "--rom-kib 512 --serial 'SER 1' --ac 0 --battery 255 --kbc-pending keyboard:0x1C "
            "--disk0 ata,fixed,security");
    ASSERT_EQ(init.status, 0) << init.output;
    platform::Machine m = Load();
    EXPECT_EQ(m.Flash().size(), 0x80000u);
    platform::RomInfo info = platform::ReadRomInfo(m.RunningRom());
    EXPECT_EQ(info.model, "QX7A");
    EXPECT_EQ(info.partNumber, "0B2");
    EXPECT_EQ(info.version, "P07E");
    EXPECT_EQ(info.buildDate, "01/02/07");
    EXPECT_EQ(m.settings().serial, "SER 1");
    EXPECT_TRUE(m.state().outputFull);
    EXPECT_EQ(m.state().outputByte, 0x1C);
    auto identify = m.DiskIdentify(0, 0xEC);
    ASSERT_TRUE(identify);
    EXPECT_EQ((*identify)[256] & 0x02, 0x02);  // word 128: security enabled

    auto show = Run("show --json");
    ASSERT_EQ(show.status, 0) << show.output;
    EXPECT_NE(show.output.find("\"running\": {\"model\": \"QX7A\", \"part_number\": \"0B2\""),
              std::string::npos)
        << show.output;
    EXPECT_NE(show.output.find("\"serial\": \"SER 1\""), std::string::npos) << show.output;
    auto text = Run("show");
    ASSERT_EQ(text.status, 0);
    EXPECT_NE(text.output.find("AC 0, battery 255"), std::string::npos) << text.output;
}

TEST_F(WinsysMachine, InitReplacesABrokenMachine) {
    kit_test::WriteFile(dir_.path() / "machine" / "flash.rom", "short");
    kit_test::WriteFile(dir_.path() / "machine" / "machine.ini", "[Settings]\nac=\"9\"\n");
    EXPECT_EQ(Run("show").status, 1);
    ASSERT_EQ(Run("init").status, 0);
    EXPECT_EQ(Load().Flash().size(), 0x100000u);
    EXPECT_EQ(Run("show").status, 0);
}

TEST_F(WinsysMachine, SetIsAllOrNothing) {
    ASSERT_EQ(Run("init").status, 0);
    EXPECT_EQ(Run("set battery=40 ec:0xE887=0x81").status, 0);
    EXPECT_EQ(Load().settings().battery, 40u);
    EXPECT_EQ(Load().EcRegister(0xE887), 0x81);
    for (const char* bad : {"set battery=50 ac=7", "set nokey=1", "set battery", "set", "set ec:0x10000=1",
                            "set ec:0x10=0x100", "init --model", "show --xml", "frob"}) {
        auto run = Run(bad);
        EXPECT_EQ(run.status, 2) << bad << ": " << run.output;
    }
    EXPECT_EQ(Load().settings().battery, 40u);
    EXPECT_EQ(Load().settings().ac, 1u);
}

TEST_F(WinsysMachine, PowerOffWithAndWithoutAutoPowerOn) {
    ASSERT_EQ(Run("init --version P01A").status, 0);
    // A flash tool writes new firmware; it runs after the next power-on.
    ASSERT_TRUE(platform::UpdateMachine(dir_.path() / "machine", [](platform::Machine& m) {
                    platform::RomIdentity next;
                    next.version = "P02A";
                    ASSERT_TRUE(m.ReplaceFlash(platform::BuildRom(next)).ok());
                }).ok());
    ASSERT_EQ(Run("set ec:0xE887=1").status, 0);
    ASSERT_EQ(Run("power-off").status, 0);
    platform::Machine m = Load();
    EXPECT_TRUE(m.state().poweredOn);
    EXPECT_EQ(m.EcRegister(0xE887), 0);
    EXPECT_EQ(platform::ReadRomInfo(m.RunningRom()).version, "P02A");

    ASSERT_EQ(Run("power-off").status, 0);
    EXPECT_FALSE(Load().state().poweredOn);
    ASSERT_EQ(Run("power-on").status, 0);
    EXPECT_TRUE(Load().state().poweredOn);
    auto show = Run("show");
    EXPECT_NE(show.output.find("off auto-on off on"), std::string::npos) << show.output;
}

TEST_F(WinsysMachine, ImageCarriesTheIdentityOfTheMachineWithTheOptions) {
    ASSERT_EQ(Run("init --model QX7A --part-number 0B2 --rom-kib 512").status, 0);
    std::string file = dir_.str() + "/next.wph";
    auto made =
        Run("image " + file + " --version P08B release_date=03/04/2008 --bios-flag-default 'NEW FLAG'");
    ASSERT_EQ(made.status, 0) << made.output;
    std::string bytes = kit_test::ReadFile(file);
    ASSERT_EQ(bytes.size(), 0x80000u);
    platform::RomInfo info = platform::ReadRomInfo(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_TRUE(info.complete);
    EXPECT_EQ(info.model, "QX7A");
    EXPECT_EQ(info.partNumber, "0B2");
    EXPECT_EQ(info.version, "P08B");
    EXPECT_EQ(info.buildDate, "03/04/08");
    EXPECT_EQ(info.biosFlagDefault, "NEW FLAG");
    // The machine itself is unchanged.
    EXPECT_EQ(platform::ReadRomInfo(Load().Flash()).version, "P01A");

    EXPECT_EQ(Run("image").status, 2);
    EXPECT_EQ(Run("image " + file + " --rom-kib 300").status, 2);
    EXPECT_EQ(Run("image " + dir_.str() + "/no/such/folder/x.wph").status, 1);
}

}  // namespace
