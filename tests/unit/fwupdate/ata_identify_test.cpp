// ATA identify through the simulated notebook's disk driver, and the password check over it.
#include "fwupdate/ata_identify.h"

#include <gtest/gtest.h>

#include "fwupdate/disk_password.h"
#include "platform/machine.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace {

uint16_t Word(const std::array<uint8_t, 512>& data, size_t word) {
    return static_cast<uint16_t>(data[2 * word] | data[2 * word + 1] << 8);
}

class AtaIdentifyTest : public ::testing::Test {
  protected:
    void Init(const std::string& disk0, const std::string& disk1 = "none") {
        platform::MachineSettings settings;
        settings.disk0 = disk0;
        settings.disk1 = disk1;
        ASSERT_TRUE(platform::InitMachine(platform::MachineFolder(), settings).ok());
    }
    kit_test::TempSystemRoot root_;
};

TEST_F(AtaIdentifyTest, IdentifiesDisksAndPacketDevices) {
    Init("ata,fixed", "atapi,removable");
    std::optional<std::array<uint8_t, 512>> disk = fwupdate::AtaIdentify(0);
    ASSERT_TRUE(disk.has_value());
    EXPECT_EQ(Word(*disk, 0) & 0xC000, 0);  // an ATA device
    EXPECT_TRUE(Word(*disk, 0) & 0x0040);
    // The optical drive answers only the packet form of identify, which the request picks for it.
    std::optional<std::array<uint8_t, 512>> optical = fwupdate::AtaIdentify(1);
    ASSERT_TRUE(optical.has_value());
    EXPECT_EQ(Word(*optical, 0) & 0xC000, 0x8000);  // a packet device
    EXPECT_FALSE(fwupdate::AtaIdentify(2).has_value());
    EXPECT_FALSE(fwupdate::AtaIdentify(4).has_value());
}

TEST_F(AtaIdentifyTest, HardDiskPasswordOverThePhysicalDrives) {
    struct Case {
        const char* disk0;
        const char* disk1;
        uint32_t result;
    };
    const Case cases[] = {
        {"ata,fixed", "atapi,removable", 0},
        {"ata,fixed,security", "atapi,removable", 0x80000004},
        {"ata,removable,security", "none", 0},
        {"none", "ata,fixed,security", 0x80000004},
    };
    for (const Case& c : cases) {
        Init(c.disk0, c.disk1);
        EXPECT_EQ(fwupdate::CheckHardDiskPassword(), c.result) << c.disk0 << " / " << c.disk1;
    }
}

}  // namespace
