// Arming the automatic power-on in the embedded controller and powering the simulated notebook off.
#include "fwupdate/power_control.h"

#include <gtest/gtest.h>

#include "hardware_fixtures.h"
#include "platform/privileges.h"

namespace {

class PowerControlTest : public ::testing::Test {
  protected:
    kit_test::TempSystemRoot root_;
};

TEST_F(PowerControlTest, AutoPowerOnSetsBitZeroAtRealTimePriority) {
    struct Case {
        uint8_t before;
        uint8_t after;
    };
    for (const Case c : {Case{0x40, 0x41}, Case{0x41, 0x41}, Case{0xFE, 0xFF}}) {
        fwupdate_test::SimulatedDriver driver;
        driver.Update([&](platform::Machine& m) { m.SetEcRegister(0xE887, c.before); });
        fwupdate_test::PortLog log;
        std::vector<unsigned> priorityDuringWrites;
        log.onWrite = [&](const fwupdate_test::PortRequest&) {
            priorityDuringWrites.push_back(platform::ProcessPriorityClass().value_or(0));
        };
        driver.log = &log;
        unsigned before = platform::ProcessPriorityClass().value_or(0);

        EXPECT_EQ(fwupdate::SetAutoPowerOn(), 0u);
        EXPECT_EQ(driver.Read().EcRegister(0xE887), c.after);
        // An odd register is written back with the same value.
        std::vector<uint32_t> data = log.Writes(0x60);
        ASSERT_EQ(data.size(), 7u);  // read: 0x80, high, low; write: 0x81, high, low, value
        EXPECT_EQ(data.back(), c.after);
        ASSERT_FALSE(priorityDuringWrites.empty());
        for (unsigned p : priorityDuringWrites)
            EXPECT_EQ(p, 0x100u);
        EXPECT_EQ(platform::ProcessPriorityClass().value_or(0), before);
        EXPECT_EQ(fwupdate::DriverChannel(), nullptr);
    }
}

TEST_F(PowerControlTest, AutoPowerOnFailsWithoutDriverOrAnswer) {
    fwupdate_test::SimulatedDriver driver;
    driver.driverPresent = false;
    EXPECT_NE(fwupdate::SetAutoPowerOn(), 0u);
    EXPECT_EQ(driver.opens, 10);

    driver.driverPresent = true;
    fwupdate_test::PortLog log;
    log.refuse = [](const fwupdate_test::PortRequest& r) { return r.write && r.port == 0x60; };
    driver.log = &log;
    unsigned before = platform::ProcessPriorityClass().value_or(0);
    EXPECT_NE(fwupdate::SetAutoPowerOn(), 0u);
    EXPECT_EQ(driver.Read().EcRegister(0xE887) & 1, 0);
    EXPECT_EQ(platform::ProcessPriorityClass().value_or(0), before);
}

TEST_F(PowerControlTest, PowerOffWithTheBitComesBackAndWithoutStaysOff) {
    for (bool armed : {true, false}) {
        fwupdate_test::SimulatedDriver driver;
        if (armed) {
            ASSERT_EQ(fwupdate::SetAutoPowerOn(), 0u);
        }
        fwupdate::PowerOff(fwupdate::kExitWindowsPowerOff);
        platform::Machine machine = driver.Read();
        EXPECT_EQ(machine.state().poweredOn, armed);
        std::vector<std::string> expected = {"off"};
        if (armed)
            expected.push_back("auto-on");
        EXPECT_EQ(machine.state().history, expected);
        EXPECT_TRUE(platform::IsPrivilegeEnabled("SeShutdownPrivilege"));
    }
}

TEST(PowerOffFlagsTest, OnlyShutDownAndPowerOffTurnTheMachineOff) {
    kit_test::TempSystemRoot root;
    struct Case {
        uint32_t flags;
        bool off;
    };
    for (const Case c : {Case{0x0, false}, Case{0x1, true}, Case{0x8, true}, Case{0x9, true}}) {
        fwupdate_test::SimulatedDriver driver;
        fwupdate::PowerOff(c.flags);
        EXPECT_EQ(driver.Read().state().poweredOn, !c.off) << c.flags;
    }
}

}  // namespace
