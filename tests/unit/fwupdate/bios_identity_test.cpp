// The identity of a BIOS image file: the downward scan for its four records, the build date and the
// default BIOS flag, on images made by the ROM builder and on broken files.
#include "fwupdate/bios_identity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/machine_rom.h"
#include "support/temp_root.h"

namespace {

using fwupdate::ImageIdentity;
using fwupdate::PackDate;
using fwupdate::ReadImageIdentity;

class ImageIdentityTest : public ::testing::Test {
  protected:
    // Writes the bytes to a file and reads its identity.
    uint32_t Read(const std::vector<uint8_t>& bytes, ImageIdentity& identity) {
        std::filesystem::path file = dir_.path() / "image.wph";
        kit_test::WriteFile(file, std::string(bytes.begin(), bytes.end()));
        return ReadImageIdentity(file, identity);
    }
    static size_t Find(const std::vector<uint8_t>& bytes, std::string_view text) {
        auto it = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
        return it == bytes.end() ? std::string::npos : static_cast<size_t>(it - bytes.begin());
    }
    static void Put(std::vector<uint8_t>& bytes, size_t at, std::string_view text) {
        std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    }
    kit_test::TempDir dir_;
};

TEST(BiosIdentityDigits, DigitsWithoutValidation) {
    EXPECT_EQ(fwupdate::TwoDigits("07"), 7u);
    EXPECT_EQ(fwupdate::TwoDigits("31/12"), 31u);
    EXPECT_EQ(fwupdate::FourDigits("2006"), 2006u);
    EXPECT_EQ(fwupdate::FourDigits("20069"), 2006u);
    // Not checked: a letter counts by its distance from "0"; a missing character counts as "0".
    EXPECT_EQ(fwupdate::TwoDigits("A0"), 170u);
    EXPECT_EQ(fwupdate::TwoDigits("7"), 70u);
    EXPECT_EQ(fwupdate::FourDigits(""), 0u);
}

TEST(BiosIdentityDigits, PackedDatesCompareChronologically) {
    EXPECT_EQ(PackDate(31, 12, 2006), 0x07D60C1Fu);
    EXPECT_EQ(PackDate(1, 1, 2007), 0x07D70101u);
    EXPECT_LT(PackDate(31, 12, 2006), PackDate(1, 1, 2007));
    EXPECT_LT(PackDate(30, 1, 2007), PackDate(1, 2, 2007));
}

TEST_F(ImageIdentityTest, BothSizesReadBackThroughTheScan) {
    for (size_t size : {size_t{0x80000}, size_t{0x100000}}) {
        SCOPED_TRACE(size);
        platform::RomIdentity id;
        id.model = "QX7A";
        id.partNumber = "012";
        id.version = "P02E";
        id.releaseDate = "01/01/2007";
        id.biosFlagDefault = "FLAG DEFAULT 16c";
        id.size = size;
        // ROM alone, with the flash tail, and followed by megabytes the reader never needs.
        for (int form : {0, 1, 2}) {
            if (form == 2 && size == 0x80000)
                continue;  // that would make it a 1 MiB file, scanned from elsewhere
            std::vector<uint8_t> bytes = form == 0 ? platform::BuildRom(id) : platform::BuildBiosImage(id);
            if (form == 2)
                bytes.resize(bytes.size() + 0x300000, 0x5A);
            ImageIdentity identity;
            ASSERT_EQ(Read(bytes, identity), 0u);
            EXPECT_EQ(identity.model, "QX7A");
            EXPECT_EQ(identity.partNumber, "012");
            EXPECT_EQ(identity.version, "P02E");
            EXPECT_EQ(identity.date, 0x07D70101u);  // 01/01/07
            EXPECT_EQ(identity.biosFlagDefault, "FLAG DEFAULT 16c");
        }
    }
}

// The scan starts at 0x7FFD8 (0xFFFD8 from 1 MiB on) and goes down: records above the start are never
// seen, and of several records of a kind the one met last before all four are complete wins.
TEST_F(ImageIdentityTest, WhichOccurrenceOfARecordCounts) {
    platform::RomIdentity id;
    id.size = 0x80000;
    const std::vector<uint8_t> rom = platform::BuildRom(id);
    const size_t diag = Find(rom, "DiaG@");
    const size_t devel = Find(rom, "DEVEL");
    const size_t dmi = Find(rom, "BCPDMI");
    ASSERT_LT(diag, devel);
    ASSERT_LT(devel, dmi);
    struct Case {
        const char* what;
        size_t at;  // where a second "DEVEL" record with part number 999 goes
        const char* partNumber;
    } cases[] = {
        {"between the first and the last record met: overrides", (diag + devel) / 2, "999"},
        {"above every record: met first, overridden", dmi + 0x100, "011"},
        {"below the point where the scan stops: never met", diag - 0x40, "011"},
        {"above the start of the scan: never met", 0x7FFE0, "011"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = rom;
        Put(bytes, c.at, "DEVEL999");
        ImageIdentity identity;
        ASSERT_EQ(Read(bytes, identity), 0u);
        EXPECT_EQ(identity.partNumber, c.partNumber);
    }
}

// A file of 512 KiB is scanned from 0x7FFD8, one of exactly 1 MiB from 0xFFFD8: a model record that
// starts there is found, one a byte higher is not.
TEST_F(ImageIdentityTest, ScanStartsAtTheSizeClassTop) {
    for (size_t size : {size_t{0x80000}, size_t{0x100000}}) {
        platform::RomIdentity id;
        id.size = size;
        std::vector<uint8_t> rom = platform::BuildRom(id);
        ASSERT_EQ(rom.size(), size);
        rom[Find(rom, "DiaG@")] = 'd';  // only the stray record is left
        const size_t top = size == 0x100000 ? 0xFFFD8 : 0x7FFD8;
        for (size_t at : {top, top + 1}) {
            SCOPED_TRACE(at);
            std::vector<uint8_t> bytes = rom;
            Put(bytes, at, "DiaG@");
            Put(bytes, at + 12, "TOPS");
            ImageIdentity identity;
            if (at == top) {
                ASSERT_EQ(Read(bytes, identity), 0u);
                EXPECT_EQ(identity.model, "TOPS");
            } else {
                EXPECT_EQ(Read(bytes, identity), fwupdate::kResultInvalidBiosFile);
            }
        }
    }
}

TEST_F(ImageIdentityTest, ReleaseDateOf2006) {
    platform::RomIdentity id;
    id.releaseDate = "12/31/2006";
    ImageIdentity identity;
    ASSERT_EQ(Read(platform::BuildRom(id), identity), 0u);
    EXPECT_EQ(identity.date, PackDate(31, 12, 2006));
    EXPECT_EQ(identity.date, 0x07D60C1Fu);
}

// Nothing outside the file is ever read: short, truncated, garbage and hostile files are invalid
// images (and the identity is left empty).
TEST_F(ImageIdentityTest, BrokenFilesAreInvalidImages) {
    platform::RomIdentity id;
    id.size = 0x80000;
    const std::vector<uint8_t> rom = platform::BuildRom(id);
    const size_t sys = Find(rom, "BCPSYS");
    const size_t dmi = Find(rom, "BCPDMI");

    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
    cases.emplace_back("empty", std::vector<uint8_t>{});
    cases.emplace_back("one byte", std::vector<uint8_t>{'D'});
    cases.emplace_back("signatures only", std::vector<uint8_t>{'x', 'D', 'i', 'a', 'G', '@'});
    cases.emplace_back("cut inside the build record",
                       std::vector<uint8_t>(rom.begin(), rom.begin() + sys + 50));
    std::vector<uint8_t> garbage(0x80000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    cases.emplace_back("garbage", garbage);
    std::vector<uint8_t> noSys = rom;
    noSys[sys] = 'b';
    cases.emplace_back("no build record", noSys);
    // The segment value of 0 puts the segment below the start of a 512 KiB file.
    std::vector<uint8_t> lowSegment = rom;
    lowSegment[sys + 105] = lowSegment[sys + 106] = 0;
    cases.emplace_back("segment below the file", lowSegment);
    std::vector<uint8_t> farTable = rom;
    farTable[dmi + 20] = farTable[dmi + 21] = 0xFF;
    cases.emplace_back("default-text table past the end", farTable);
    std::vector<uint8_t> highSegment = rom;
    highSegment[sys + 105] = highSegment[sys + 106] = 0xFF;
    cases.emplace_back("segment past the end", highSegment);

    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ImageIdentity identity;
        identity.model = "OLD!";
        EXPECT_EQ(Read(bytes, identity), fwupdate::kResultInvalidBiosFile);
        EXPECT_TRUE(identity.model.empty());
    }
    ImageIdentity identity;
    EXPECT_EQ(ReadImageIdentity(dir_.path() / "missing.wph", identity), fwupdate::kResultInvalidBiosFile);
    EXPECT_EQ(ReadImageIdentity(dir_.path(), identity), fwupdate::kResultInvalidBiosFile);
}

}  // namespace
