// Re-enabling SMI through the LPC bridge's ACPI base on the simulated notebook.
#include "fwupdate/smi_enable.h"

#include <gtest/gtest.h>

#include "hardware_fixtures.h"

namespace {

class SmiEnableTest : public ::testing::Test {
  protected:
    kit_test::TempSystemRoot root_;
};

TEST_F(SmiEnableTest, SetsTheGlobalEnableBitWhenItIsClear) {
    platform::MachineSettings settings;
    settings.acpiBase = 0x0800;
    fwupdate_test::SimulatedDriver driver(settings);
    driver.Update([](platform::Machine& m) { m.state().smiEnableWord = 0x2030; });
    fwupdate_test::PortLog log;
    driver.log = &log;
    EXPECT_EQ(fwupdate::EnableSmi(), 0u);
    EXPECT_EQ(driver.Read().state().smiEnableWord, 0x2031);
    EXPECT_EQ(log.Writes(0x0830), std::vector<uint32_t>{0x2031});

    // Already set: nothing is written.
    log.requests.clear();
    EXPECT_EQ(fwupdate::EnableSmi(), 0u);
    EXPECT_TRUE(log.Writes(0x0830).empty());
    EXPECT_EQ(fwupdate::DriverChannel(), nullptr);
}

TEST_F(SmiEnableTest, FailsWithoutDriverBridgeOrRegister) {
    {
        fwupdate_test::SimulatedDriver driver;
        driver.driverPresent = false;
        EXPECT_NE(fwupdate::EnableSmi(), 0u);
        EXPECT_EQ(driver.opens, 10);
    }
    {
        platform::MachineSettings settings;
        settings.lpcBridge = false;
        fwupdate_test::SimulatedDriver driver(settings);
        EXPECT_NE(fwupdate::EnableSmi(), 0u);
    }
    {
        fwupdate_test::SimulatedDriver driver;
        driver.Update([](platform::Machine& m) { m.state().smiEnableWord = 0; });
        fwupdate_test::PortLog log;
        log.refuse = [](const fwupdate_test::PortRequest& r) { return r.write && r.port == 0x1030; };
        driver.log = &log;
        EXPECT_NE(fwupdate::EnableSmi(), 0u);
        EXPECT_EQ(driver.Read().state().smiEnableWord, 0);
    }
}

}  // namespace
