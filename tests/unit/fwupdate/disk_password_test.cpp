// The hard-disk password check over the identify data of drives 0 to 3.
#include "fwupdate/disk_password.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Identify = std::array<uint8_t, 512>;

Identify IdentifyData(uint16_t word0, uint16_t word128) {
    Identify data{};
    data[0] = static_cast<uint8_t>(word0);
    data[1] = static_cast<uint8_t>(word0 >> 8);
    data[256] = static_cast<uint8_t>(word128);
    data[257] = static_cast<uint8_t>(word128 >> 8);
    return data;
}

TEST(DiskPasswordTest, OnlyAFixedDriveWithSecurityEnabledFails) {
    struct Case {
        const char* name;
        std::map<unsigned, Identify> drives;
        uint32_t result;
    };
    const Case cases[] = {
        {"no drives", {}, 0},
        {"fixed drive without security", {{0, IdentifyData(0x0040, 0x0001)}}, 0},
        {"fixed drive with security", {{0, IdentifyData(0x0040, 0x0003)}}, 0x80000004},
        {"removable drive with security", {{1, IdentifyData(0x0080, 0x0002)}}, 0},
        {"last drive protected",
         {{0, IdentifyData(0x0040, 0)}, {3, IdentifyData(0x0440, 0x0002)}},
         0x80000004},
    };
    for (const Case& c : cases) {
        std::vector<unsigned> asked;
        auto identify = [&](unsigned drive) -> std::optional<Identify> {
            asked.push_back(drive);
            auto it = c.drives.find(drive);
            if (it == c.drives.end())
                return std::nullopt;
            return it->second;
        };
        EXPECT_EQ(fwupdate::CheckHardDiskPassword(identify), c.result) << c.name;
        if (c.result == 0) {
            EXPECT_EQ(asked, (std::vector<unsigned>{0, 1, 2, 3})) << c.name;
        }
    }
}

}  // namespace
