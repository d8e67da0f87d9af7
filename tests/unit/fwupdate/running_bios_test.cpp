// The identity of the running BIOS read from the simulated notebook, and the SMBIOS walk on
// hand-made tables whose faults the notebook never shows.
#include "fwupdate/running_bios.h"

#include <gtest/gtest.h>

#include "hardware_fixtures.h"

namespace {

using fwupdate::BiosIdentity;
using fwupdate::HardwareAccess;
using fwupdate_test::MemoryChannel;

constexpr fwupdate::HardwareLimits kShortLimits{10, std::chrono::milliseconds(50),
                                                std::chrono::milliseconds(50)};

class RunningBiosTest : public ::testing::Test {
  protected:
    kit_test::TempSystemRoot root_;
};

TEST_F(RunningBiosTest, ReadsTheIdentityOfTheRunningBios) {
    fwupdate_test::SimulatedDriver driver;
    BiosIdentity identity;
    ASSERT_EQ(fwupdate::ReadRunningBiosIdentity(identity), 0u);
    EXPECT_EQ(identity.date, 0x07D60C1Fu);  // 12/31/2006
    EXPECT_EQ(identity.model, "NB10");
    EXPECT_EQ(identity.partNumber, "011");
    EXPECT_EQ(identity.version, "P01A");
    EXPECT_EQ(identity.systemSerial, "SN0012345678");
    EXPECT_EQ(identity.biosFlag, "NBF 2006");
    EXPECT_EQ(identity.purchaseDate, "01/15/2007");
    EXPECT_EQ(fwupdate::DriverChannel(), nullptr);
}

TEST_F(RunningBiosTest, TheModelComesThroughTheSmiWhenTheInterfaceIsRecentEnough) {
    struct Case {
        unsigned version;
        bool modelFF;
        bool smiCalled;
    };
    const Case cases[] = {{0x24, false, true}, {0x24, true, true}, {0x23, false, false}};
    for (const Case& c : cases) {
        platform::MachineSettings settings;
        settings.model = "QX7A";
        settings.smiVersion = c.version;
        settings.smiModelFF = c.modelFF;
        fwupdate_test::SimulatedDriver driver(settings);
        BiosIdentity identity;
        ASSERT_EQ(fwupdate::ReadRunningBiosIdentity(identity), 0u);
        // 0xFF bytes from the SMI, or no SMI at all, fall back to the model of the signature record.
        EXPECT_EQ(identity.model, "QX7A") << c.version << " " << c.modelFF;
        std::optional<platform::SmiDescriptor> smi = driver.Read().RunningSmi();
        ASSERT_TRUE(smi.has_value());
        std::vector<uint8_t> request = driver.Read().ReadMemory(smi->BufferAddress(), 21);
        EXPECT_EQ(request[0] == 0x43 && request[4] == 0xAA, c.smiCalled) << c.version << " " << c.modelFF;
    }
}

TEST_F(RunningBiosTest, WithoutTheDriverTheResultIsNoDriver) {
    fwupdate_test::SimulatedDriver driver;
    driver.driverPresent = false;
    BiosIdentity identity;
    identity.model = "left";
    EXPECT_EQ(fwupdate::ReadRunningBiosIdentity(identity), 0x80000005u);
    EXPECT_EQ(driver.opens, 10);
}

// A BIOS segment at 0xF0000 with an SMBIOS entry point at 0xF0400 naming a table at 0x10000.
class SmbiosTableTest : public ::testing::Test {
  protected:
    void PutTable(const std::vector<uint8_t>& table, size_t declaredLength) {
        std::vector<uint8_t> entry = {'_', 'D', 'M', 'I', '_', 0};
        entry.push_back(static_cast<uint8_t>(declaredLength));
        entry.push_back(static_cast<uint8_t>(declaredLength >> 8));
        entry.insert(entry.end(), {0x00, 0x00, 0x01, 0x00, 4, 0, 0x24});
        memory_.Put(0xF0400, entry);
        // Whatever follows the declared length is not part of the table.
        std::vector<uint8_t> bytes = table;
        bytes.insert(bytes.end(), {0, 4, 0, 0, 'x', 0, 0});
        memory_.Put(0x10000, bytes);
    }
    std::optional<fwupdate::SmbiosStructure> Find(uint8_t type) {
        HardwareAccess hw(memory_, kShortLimits);
        return fwupdate::FindSmbiosStructure(hw, type);
    }

    MemoryChannel memory_;
};

std::vector<uint8_t> Structure(uint8_t type, std::vector<std::string> strings) {
    std::vector<uint8_t> out = {type, 5, 0, 0, static_cast<uint8_t>(strings.size())};
    for (const std::string& s : strings) {
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    if (strings.empty())
        out.push_back(0);
    out.push_back(0);
    return out;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(SmbiosTableTest, WalksPastStructuresWithAndWithoutStrings) {
    std::vector<uint8_t> table = Concat({Structure(3, {}), Structure(1, {"Maker", "Model", "V1", "SERIAL-1"}),
                                         Structure(11, {"FLAG", "DATE"}), Structure(127, {})});
    PutTable(table, table.size());
    std::optional<fwupdate::SmbiosStructure> system = Find(1);
    ASSERT_TRUE(system.has_value());
    EXPECT_EQ(system->String(4), "SERIAL-1");
    EXPECT_EQ(system->String(5), "");
    EXPECT_EQ(system->String(0), "");
    std::optional<fwupdate::SmbiosStructure> oem = Find(11);
    ASSERT_TRUE(oem.has_value());
    EXPECT_EQ(oem->String(1), "FLAG");
    EXPECT_EQ(oem->String(2), "DATE");
    EXPECT_FALSE(Find(0).has_value());
}

TEST_F(SmbiosTableTest, AStringIsCutAt31Characters) {
    std::string longText(40, 'L');
    std::vector<uint8_t> table = Concat({Structure(11, {longText, "NEXT"}), Structure(127, {})});
    PutTable(table, table.size());
    std::optional<fwupdate::SmbiosStructure> oem = Find(11);
    ASSERT_TRUE(oem.has_value());
    EXPECT_EQ(oem->String(1), std::string(31, 'L'));
    EXPECT_EQ(oem->String(2), "NEXT");
}

TEST_F(SmbiosTableTest, ATableWithoutEndStructureEndsAtItsLength) {
    // The bytes after the declared length hold a type-4 structure that must not be seen.
    std::vector<uint8_t> table = Concat({Structure(3, {}), Structure(1, {"A"})});
    PutTable(table, table.size());
    EXPECT_TRUE(Find(1).has_value());
    EXPECT_FALSE(Find(0).has_value());
    EXPECT_FALSE(Find(4).has_value());
}

TEST_F(SmbiosTableTest, BrokenTablesEndTheWalk) {
    struct Case {
        const char* name;
        std::vector<uint8_t> table;
    };
    const Case cases[] = {
        {"length past the table", {3, 0xFF, 0, 0}},
        {"strings without their end", {3, 4, 0, 0, 'a', 'b', 'c'}},
        {"zero length", {3, 0, 0, 0, 0, 0}},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        memory_ = MemoryChannel{};
        PutTable(c.table, c.table.size());
        EXPECT_FALSE(Find(1).has_value()) << c.name;
    }
}

TEST_F(SmbiosTableTest, NoEntryPointOrUnreadableMemoryFindsNothing) {
    EXPECT_FALSE(Find(0).has_value());
    std::vector<uint8_t> table = Concat({Structure(0, {"a", "b", "12/31/2006"}), Structure(127, {})});
    PutTable(table, table.size());
    // The entry point is only looked for at 16-byte boundaries.
    std::vector<uint8_t> entry = memory_.regions[0xF0400];
    memory_.regions.erase(0xF0400);
    memory_.Put(0xF0408, entry);
    EXPECT_FALSE(Find(0).has_value());
    memory_.regions.erase(0xF0408);
    memory_.Put(0xF0400, entry);
    ASSERT_TRUE(Find(0).has_value());
    memory_.failReads = true;
    EXPECT_FALSE(Find(0).has_value());
}

TEST_F(SmbiosTableTest, MissingRecordsLeaveTheirFieldsEmpty) {
    // A BIOS date too short to hold MM/DD/YYYY, no serial, no signature records.
    std::vector<uint8_t> table =
        Concat({Structure(0, {"vendor", "ver", "12/31"}), Structure(1, {"m"}), Structure(127, {})});
    PutTable(table, table.size());
    HardwareAccess hw(memory_, kShortLimits);
    BiosIdentity identity;
    identity.model = "stale";
    fwupdate::ReadRunningBiosIdentity(hw, identity);
    EXPECT_EQ(identity.date, 0u);
    EXPECT_EQ(identity.systemSerial, "");
    EXPECT_EQ(identity.biosFlag, "");
    EXPECT_EQ(identity.model, "");
    EXPECT_EQ(identity.partNumber, "");
    EXPECT_EQ(identity.version, "");
}

}  // namespace
