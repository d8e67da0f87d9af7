// The process-wide driver handle: the three ways of opening it, the pause between attempts, the
// session that closes it, and the Windows 9x family that has no driver.
#include "fwupdate/driver_handle.h"

#include <gtest/gtest.h>

#include "hardware_fixtures.h"

namespace {

using fwupdate::OpenAttempts;

class DriverHandleTest : public ::testing::Test {
  protected:
    kit_test::TempSystemRoot root_;
};

TEST_F(DriverHandleTest, AttemptsAndPausesOfEachOpeningPattern) {
    struct Case {
        OpenAttempts attempts;
        int opens;
        size_t pauses;
    };
    const Case cases[] = {
        {OpenAttempts::Once, 1, 0},
        {OpenAttempts::Ten, 10, 0},
        {OpenAttempts::TenWithPause, 10, 10},
    };
    for (const Case& c : cases) {
        fwupdate_test::SimulatedDriver driver;
        driver.driverPresent = false;
        EXPECT_FALSE(fwupdate::OpenDriver(c.attempts));
        EXPECT_EQ(fwupdate::DriverChannel(), nullptr);
        EXPECT_EQ(driver.opens, c.opens);
        ASSERT_EQ(driver.pauses.size(), c.pauses);
        for (std::chrono::milliseconds pause : driver.pauses)
            EXPECT_EQ(pause, std::chrono::milliseconds(500));
    }
}

TEST_F(DriverHandleTest, OpensOnceAndSessionsClose) {
    fwupdate_test::SimulatedDriver driver;
    {
        fwupdate::DriverSession session(OpenAttempts::Ten);
        ASSERT_TRUE(session.open());
        EXPECT_EQ(&session.channel(), fwupdate::DriverChannel());
        // A second open while the handle is open keeps it.
        EXPECT_TRUE(fwupdate::OpenDriver(OpenAttempts::Once));
        EXPECT_EQ(driver.opens, 1);
    }
    EXPECT_EQ(fwupdate::DriverChannel(), nullptr);
}

TEST_F(DriverHandleTest, TheWindows9xFamilyHasNoDriver) {
    platform::SystemConfig config = *platform::PresetConfig("98");
    ASSERT_TRUE(platform::InitSystemRoot(root_.path(), config).ok());
    platform::UseSystemRoot(root_.path());
    fwupdate_test::SimulatedDriver driver;
    EXPECT_FALSE(fwupdate::OpenDriver(OpenAttempts::Ten));
    EXPECT_EQ(driver.opens, 0);
}

}  // namespace
