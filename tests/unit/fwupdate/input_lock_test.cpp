// Locking and unlocking input on the simulated notebook: its mouse devices and the keyboard
// controller's command byte.
#include "fwupdate/input_lock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fwupdate/input_lock_journal.h"
#include "hardware_fixtures.h"

namespace {

class InputLockTest : public ::testing::Test {
  protected:
    static platform::MachineSettings TwoMice() {
        platform::MachineSettings settings;
        settings.devices =
            "Keyboard|Standard keyboard|0|0|1;Mouse|USB mouse|1|0|1;MOUSE|Touchpad|1|29|0;"
            "Mousetrap|Not a mouse class|1|0|1;DiskDrive|Hard disk|0|0|1;mouse|Fixed pointer|0|0|1";
        return settings;
    }
    static std::vector<bool> Enabled(platform::Machine machine) {
        std::vector<bool> out;
        for (const platform::MachineDevice& d : machine.Devices())
            out.push_back(d.enabled);
        return out;
    }

    kit_test::TempSystemRoot root_;
};

TEST_F(InputLockTest, LockDisablesTheMiceThatCanBeDisabledAndTheControllerInterfaces) {
    fwupdate_test::SimulatedDriver driver(TwoMice());
    fwupdate_test::PortLog log;
    driver.log = &log;
    fwupdate::LockInput();
    platform::Machine locked = driver.Read();
    // The USB mouse goes off; the touchpad disabled by its hardware and the mouse that cannot be
    // disabled stay as they were; "Mousetrap" begins with "mouse" and is treated as one.
    EXPECT_EQ(Enabled(locked), (std::vector<bool>{true, false, false, false, true, true}));
    EXPECT_EQ(locked.state().commandByte, 0x74);
    EXPECT_EQ(log.Writes(0x64), (std::vector<uint32_t>{0xAD, 0xA7, 0x60}));
    EXPECT_EQ(log.Writes(0x60), std::vector<uint32_t>{0x74});
    EXPECT_EQ(fwupdate::DriverChannel(), nullptr);

    log.requests.clear();
    fwupdate::UnlockInput();
    platform::Machine unlocked = driver.Read();
    EXPECT_EQ(Enabled(unlocked), (std::vector<bool>{true, true, false, true, true, true}));
    EXPECT_EQ(unlocked.state().commandByte, 0x47);
    EXPECT_EQ(log.Writes(0x64), (std::vector<uint32_t>{0xAE, 0xA8, 0x60}));
    EXPECT_EQ(log.Writes(0x60), std::vector<uint32_t>{0x47});
}

TEST_F(InputLockTest, WithoutTheDriverOnlyTheMiceChange) {
    fwupdate_test::SimulatedDriver driver(TwoMice());
    driver.driverPresent = false;
    fwupdate::LockInput();
    platform::Machine locked = driver.Read();
    EXPECT_EQ(Enabled(locked), (std::vector<bool>{true, false, false, false, true, true}));
    EXPECT_EQ(locked.state().commandByte, 0x47);
    // Ten attempts, each followed by the half-second pause.
    EXPECT_EQ(driver.opens, 10);
    EXPECT_EQ(driver.pauses.size(), 10u);

    fwupdate::UnlockInput();
    EXPECT_EQ(Enabled(driver.Read()), (std::vector<bool>{true, true, false, true, true, true}));
}

TEST_F(InputLockTest, UnlockWithoutLockIsHarmless) {
    fwupdate_test::SimulatedDriver driver(TwoMice());
    fwupdate::UnlockInput();
    platform::Machine machine = driver.Read();
    EXPECT_EQ(Enabled(machine), (std::vector<bool>{true, true, false, true, true, true}));
    EXPECT_EQ(machine.state().commandByte, 0x47);
}

}  // namespace

namespace {

// The journal that keeps input from staying locked after a run that ended abnormally.
class InputLockJournalTest : public InputLockTest {
  protected:
    void SetUp() override { std::filesystem::create_directories(folder_); }
    void TearDown() override { std::filesystem::current_path(start_); }
    std::filesystem::path Journal() const { return folder_ / fwupdate::kInputLockJournalName; }

    std::filesystem::path folder_ = root_.path() / "work";
    std::filesystem::path start_ = std::filesystem::current_path();
};

TEST_F(InputLockJournalTest, TheJournalLastsExactlyAsLongAsTheLock) {
    fwupdate_test::SimulatedDriver driver(TwoMice());
    fwupdate::LockInputJournaled(folder_, {});
    EXPECT_TRUE(std::filesystem::exists(Journal()));
    EXPECT_EQ(driver.Read().state().commandByte, 0x74);

    fwupdate::UnlockInputJournaled(folder_);
    EXPECT_FALSE(std::filesystem::exists(Journal()));
    EXPECT_EQ(driver.Read().state().commandByte, 0x47);
}

TEST_F(InputLockJournalTest, ANextRunUnlocksWhatAnEndedRunLeftLocked) {
    fwupdate_test::SimulatedDriver driver(TwoMice());
    // A run that locked and then ended without unlocking.
    fwupdate::LockInputJournaled(folder_, {});
    std::filesystem::path elsewhere = root_.path();
    std::filesystem::current_path(elsewhere);

    EXPECT_TRUE(fwupdate::RecoverInputLock(folder_));
    platform::Machine machine = driver.Read();
    EXPECT_EQ(machine.state().commandByte, 0x47);
    EXPECT_EQ(Enabled(machine), (std::vector<bool>{true, true, false, true, true, true}));
    EXPECT_FALSE(std::filesystem::exists(Journal()));
    // The caller's current folder is its own again.
    EXPECT_EQ(std::filesystem::current_path(), elsewhere);
    // Nothing left to recover.
    EXPECT_FALSE(fwupdate::RecoverInputLock(folder_));
}

TEST_F(InputLockJournalTest, WithoutAJournalNothingIsTouched) {
    fwupdate_test::SimulatedDriver driver(TwoMice());
    fwupdate::LockInput();
    EXPECT_FALSE(fwupdate::RecoverInputLock(folder_));
    EXPECT_EQ(driver.opens, 1);
    EXPECT_EQ(driver.Read().state().commandByte, 0x74);
}

}  // namespace
