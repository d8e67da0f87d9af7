// winsys machine init, show, set and the power cycle, run as a user would.
#include <gtest/gtest.h>

#include <string>

#include "fwupdate/bios_identity.h"
#include "fwupdate/flash_steps.h"
#include "platform/machine.h"
#include "platform/machine_rom.h"
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
    // The ROM and the flash tool's tail behind it.
    ASSERT_GT(bytes.size(), 0x80000u);
    ASSERT_LT(bytes.size(), 0x100000u);
    platform::RomInfo info =
        platform::ReadRomInfo(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 0x80000));
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

// Every field of an image made by `image -o` is where the updater's readers look: the identity
// reader finds model, part number, version, build date and default flag, and the ESCD patch finds
// its table entry (0 for 512 KiB, 8 for 1 MiB).
TEST_F(WinsysMachine, ImageFieldsWhereTheUpdaterLooks) {
    ASSERT_EQ(Run("init").status, 0);
    for (auto [size, index] : {std::pair{std::string("512K"), 0u}, std::pair{std::string("1M"), 8u}}) {
        SCOPED_TRACE(size);
        std::string file = dir_.str() + "/NB10_" + size + ".WPH";
        auto made = Run("image -o " + file +
                        " --model QX7A --part-number 012 --version P02E --build-date 01/01/07 --rom-size " +
                        size + " --bios-flag-default 'NEW FLAG'");
        ASSERT_EQ(made.status, 0) << made.output;
        fwupdate::ImageIdentity identity;
        ASSERT_EQ(fwupdate::ReadImageIdentity(file, identity), 0u);
        EXPECT_EQ(identity.model, "QX7A");
        EXPECT_EQ(identity.partNumber, "012");
        EXPECT_EQ(identity.version, "P02E");
        EXPECT_EQ(identity.date, 0x07D70101u);
        EXPECT_EQ(identity.biosFlagDefault, "NEW FLAG");
        size_t rom = size == "1M" ? 0x100000 : 0x80000;
        fwupdate::EscdPatchResult patch = fwupdate::PatchEscd(file);
        EXPECT_TRUE(patch.patched);
        EXPECT_EQ(patch.entryOffset, rom + platform::kZqdsOffset + platform::kEscdTableOffset + 16 * index);
    }
    for (const char* bad : {"image -o", "image -o a.wph -o b.wph", "image -o x.wph --build-date 2007-01-01",
                            "image -o x.wph --rom-size 2M"})
        EXPECT_EQ(Run(bad).status, 2) << bad;
}

TEST_F(WinsysMachine, MicomImageCarriesItsVersion) {
    std::string file = dir_.str() + "/NB10_011.BIN";
    auto made = Run("micom -o " + file + " --version 1.20");
    ASSERT_EQ(made.status, 0) << made.output;
    std::string bytes = kit_test::ReadFile(file);
    EXPECT_EQ(bytes.size(), platform::kEcImageSize);
    EXPECT_EQ(platform::ReadEcImageVersion(std::vector<uint8_t>(bytes.begin(), bytes.end())),
              std::optional<std::string>("1.20"));
    EXPECT_EQ(Run("micom " + dir_.str() + "/positional.bin --version 2.00").status, 0);
    for (const char* bad : {"micom", "micom -o x.bin", "micom -o x.bin --version",
                            "micom -o x.bin --version ''", "micom -o x.bin --version 'a b'",
                            "micom -o x.bin --version 1234567890123456", "micom -o x.bin --model 1.20"})
        EXPECT_EQ(Run(bad).status, 2) << bad;
    EXPECT_EQ(Run("micom -o " + dir_.str() + "/no/such/x.bin --version 1.0").status, 1);
}

}  // namespace
