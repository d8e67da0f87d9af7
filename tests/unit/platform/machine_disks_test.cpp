#include <gtest/gtest.h>

#include "platform/machine.h"

namespace {

using platform::Machine;

uint16_t Word(const std::vector<uint8_t>& data, size_t word) {
    return static_cast<uint16_t>(data[word * 2] | data[word * 2 + 1] << 8);
}

// The password check of the updater: identify with the command the device map calls for, and a
// drive is protected when it is a fixed device with security enabled.
struct Probe {
    bool answered = false;
    bool protectedDrive = false;
};

Probe CheckDrive(const Machine& m, unsigned drive) {
    uint8_t map = m.DiskDeviceMap(drive);
    if (map == 0)
        return {};
    uint8_t command = (map >> (4 + drive)) & 1 ? 0xA1 : 0xEC;
    auto data = m.DiskIdentify(drive, command);
    if (!data)
        return {};
    return {true, (Word(*data, 0) & 0x0040) && (Word(*data, 128) & 0x0002)};
}

TEST(MachineDisks, IdentifyLayoutsAsThePasswordCheckReadsThem) {
    struct Case {
        const char* disk;
        bool answered;
        bool protectedDrive;
    };
    const Case cases[] = {
        {"none", false, false},
        {"ata,fixed", true, false},
        {"ata,fixed,security", true, true},
        {"ata,removable,security", true, false},  // not a fixed device
        {"atapi,removable", true, false},
        {"atapi,fixed,security", true, false},  // packet devices carry no security word
    };
    for (unsigned drive = 0; drive < 4; ++drive) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.disk) + " on drive " + std::to_string(drive));
            Machine m = Machine::Fresh(platform::MachineSettings{});
            for (const char* key : {"disk0", "disk1", "disk2", "disk3"})
                ASSERT_TRUE(m.Set(key, "none").ok());
            ASSERT_TRUE(m.Set("disk" + std::to_string(drive), c.disk).ok());
            Probe probe = CheckDrive(m, drive);
            EXPECT_EQ(probe.answered, c.answered);
            EXPECT_EQ(probe.protectedDrive, c.protectedDrive);
            for (unsigned other = 0; other < 4; ++other) {
                if (other != drive) {
                    EXPECT_EQ(m.DiskDeviceMap(other), 0);
                }
            }
        }
    }
}

TEST(MachineDisks, WrongIdentifyCommandIsAborted) {
    Machine m = Machine::Fresh(platform::MachineSettings{});
    ASSERT_TRUE(m.Set("disk0", "ata,fixed").ok());
    ASSERT_TRUE(m.Set("disk1", "atapi").ok());
    EXPECT_EQ(m.DiskDeviceMap(0), 0x01);
    EXPECT_EQ(m.DiskDeviceMap(1), 0x22);
    EXPECT_FALSE(m.DiskIdentify(0, 0xA1));
    EXPECT_FALSE(m.DiskIdentify(1, 0xEC));
    EXPECT_FALSE(m.DiskIdentify(4, 0xEC));
    auto data = m.DiskIdentify(1, 0xA1);
    ASSERT_TRUE(data);
    EXPECT_EQ(Word(*data, 0) & 0x8000, 0x8000);
    // Model text: two characters per word, first in the high byte.
    EXPECT_EQ((*data)[54], 'i');
    EXPECT_EQ((*data)[55], 'S');

    for (const char* bad : {"", "ata,", "sata", "fixed", "ata,fixed,turbo", "atapi,,fixed"})
        EXPECT_FALSE(m.Set("disk2", bad).ok()) << bad;
}

}  // namespace
