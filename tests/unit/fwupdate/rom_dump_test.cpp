// Read-ROM mode: the flash chip of the simulated notebook copied into the working folder.
#include "fwupdate/rom_dump.h"

#include <gtest/gtest.h>

#include "hardware_fixtures.h"

namespace {

class RomDumpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(work_.path());
    }
    void TearDown() override { std::filesystem::current_path(previous_); }
    std::filesystem::path Dump() const { return work_.path() / "ReadRomFile.bin"; }

    kit_test::TempSystemRoot root_;
    kit_test::TempDir work_;
    std::filesystem::path previous_;
};

TEST_F(RomDumpTest, DumpsTheTopMegabyteOfTheAddressSpace) {
    for (unsigned kib : {1024u, 512u}) {
        platform::MachineSettings settings;
        settings.romKiB = kib;
        fwupdate_test::SimulatedDriver driver(settings);
        ASSERT_TRUE(fwupdate::DumpRom());
        std::string dump = kit_test::ReadFile(Dump());
        ASSERT_EQ(dump.size(), 0x100000u);
        platform::Machine machine = driver.Read();
        const std::vector<uint8_t>& flash = machine.Flash();
        ASSERT_EQ(flash.size(), kib * 1024u);
        // Below a 512 KiB chip the bus reads all ones. (Compared as truth values: a megabyte of
        // difference is no help in a failure message.)
        size_t gap = 0x100000 - flash.size();
        EXPECT_TRUE(dump.substr(0, gap) == std::string(gap, '\xFF')) << kib;
        EXPECT_TRUE(dump.substr(gap) == std::string(flash.begin(), flash.end())) << kib;
        EXPECT_EQ(driver.opens, 1);
    }
}

TEST_F(RomDumpTest, AnExistingLongerFileIsOverwrittenInPlace) {
    fwupdate_test::SimulatedDriver driver;
    kit_test::WriteFile(Dump(), std::string(0x100000 + 4, 'x'));
    ASSERT_TRUE(fwupdate::DumpRom());
    std::string dump = kit_test::ReadFile(Dump());
    ASSERT_EQ(dump.size(), 0x100004u);
    EXPECT_EQ(dump.substr(0x100000), "xxxx");
    platform::Machine machine = driver.Read();
    const std::vector<uint8_t>& flash = machine.Flash();
    EXPECT_TRUE(dump.substr(0, 0x100000) == std::string(flash.begin(), flash.end()));
}

TEST_F(RomDumpTest, NoFileWithoutDriverOrWhenTheMachineDoesNotAnswer) {
    fwupdate_test::SimulatedDriver driver;
    driver.driverPresent = false;
    EXPECT_FALSE(fwupdate::DumpRom());
    EXPECT_FALSE(std::filesystem::exists(Dump()));
    EXPECT_EQ(driver.opens, 1);

    // A machine that is off answers no memory request.
    driver.driverPresent = true;
    driver.Update([](platform::Machine& m) { m.PowerOff(); });
    EXPECT_FALSE(fwupdate::DumpRom());
    EXPECT_FALSE(std::filesystem::exists(Dump()));
}

}  // namespace
