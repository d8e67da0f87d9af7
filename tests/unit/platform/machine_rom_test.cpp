#include "platform/machine_rom.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <span>
#include <string>

namespace {

using platform::BuildRom;
using platform::ReadRomInfo;
using platform::RomIdentity;

size_t Find(const std::vector<uint8_t>& rom, const std::string& text) {
    auto it = std::search(rom.begin(), rom.end(), text.begin(), text.end());
    return it == rom.end() ? std::string::npos : static_cast<size_t>(it - rom.begin());
}

std::string At(const std::vector<uint8_t>& rom, size_t offset, size_t length) {
    return std::string(rom.begin() + static_cast<std::ptrdiff_t>(offset),
                       rom.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

// Each field sits where the readers look for it, in both ROM sizes, and reads back through the
// image reader's downward scan and default-flag chain.
TEST(MachineRom, FieldsWhereTheReadersLook) {
    for (size_t size : {size_t{0x80000}, size_t{0x100000}}) {
        SCOPED_TRACE(size);
        RomIdentity id;
        id.model = "QX7A";
        id.partNumber = "0B2";
        id.version = "R12E";
        id.releaseDate = "01/02/2007";
        id.biosFlagDefault = "FLAG DEFAULT 16c";
        id.size = size;
        std::vector<uint8_t> rom = BuildRom(id);
        ASSERT_EQ(rom.size(), size);

        size_t diag = Find(rom, "DiaG@");
        ASSERT_NE(diag, std::string::npos);
        EXPECT_GE(diag, size - 0x10000);  // inside the BIOS segment
        EXPECT_EQ(At(rom, diag + 12, 4), "QX7A");
        EXPECT_EQ(At(rom, diag + 25, 4), "R12E");
        size_t devel = Find(rom, "DEVEL");
        EXPECT_EQ(At(rom, devel + 5, 3), "0B2");
        size_t sys = Find(rom, "BCPSYS");
        EXPECT_EQ(At(rom, sys + 15, 8), "01/02/07");
        EXPECT_EQ(rom[sys + 105] | rom[sys + 106] << 8, 0xF000);

        platform::RomInfo info = ReadRomInfo(rom);
        EXPECT_TRUE(info.complete);
        EXPECT_EQ(info.model, "QX7A");
        EXPECT_EQ(info.partNumber, "0B2");
        EXPECT_EQ(info.version, "R12E");
        EXPECT_EQ(info.buildDate, "01/02/07");
        EXPECT_EQ(info.biosFlagDefault, "FLAG DEFAULT 16c");
        EXPECT_EQ(platform::ReleaseDateOf(info.buildDate), "01/02/2007");

        // Top of the ROM: the reset vector's far jump, and erased flash below the BIOS segment.
        EXPECT_EQ(rom[size - 16], 0xEA);
        EXPECT_EQ(rom[0], 0xFF);
    }
}

TEST(MachineRom, SmiDescriptorFollowsTheIdentity) {
    RomIdentity id;
    id.smiVersion = 0x23;
    std::vector<uint8_t> rom = BuildRom(id);
    auto smi = platform::FindSmiDescriptor(platform::BiosSegmentOf(rom));
    ASSERT_TRUE(smi);
    EXPECT_EQ(smi->version, 0x23);
    size_t at = Find(rom, "SwSmi@");
    EXPECT_EQ(rom[at + 6] | rom[at + 7] << 8, smi->port);
    EXPECT_EQ(rom[at + 8], smi->trigger);
    EXPECT_EQ(smi->BufferAddress(), uint32_t{smi->bufferSegment} * 16 + smi->bufferOffset);

    id.smiPresent = false;
    EXPECT_FALSE(platform::FindSmiDescriptor(platform::BiosSegmentOf(BuildRom(id))));
}

TEST(MachineRom, ReaderOnBrokenImages) {
    std::vector<uint8_t> rom = BuildRom(RomIdentity{});
    // Without one of the four records the image is incomplete.
    size_t devel = Find(rom, "DEVEL");
    rom[devel] = 'X';
    EXPECT_FALSE(ReadRomInfo(rom).complete);

    // Garbage and tiny inputs never crash the reader.
    EXPECT_FALSE(ReadRomInfo(std::vector<uint8_t>{}).complete);
    EXPECT_FALSE(ReadRomInfo(std::vector<uint8_t>(10, 0)).complete);
    std::vector<uint8_t> garbage(0x80000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    EXPECT_FALSE(ReadRomInfo(garbage).complete);

    // Records whose default-flag chain points past the end: complete, flag empty.
    std::vector<uint8_t> bad = BuildRom(RomIdentity{});
    size_t dmi = Find(bad, "BCPDMI");
    bad[dmi + 20] = 0xFF;
    bad[dmi + 21] = 0xFF;
    platform::RomInfo info = ReadRomInfo(bad);
    EXPECT_TRUE(info.complete);
    EXPECT_TRUE(info.biosFlagDefault.empty());
}

// The tail after the ROM: the flash descriptor names the ESCD table from the lower of its two
// records, and the table has enough entries for both the 512 KiB and the 1 MiB ESCD entry.
TEST(MachineRom, ImageTailLeadsToTheEscdTable) {
    for (size_t size : {size_t{0x80000}, size_t{0x100000}}) {
        SCOPED_TRACE(size);
        RomIdentity id;
        id.size = size;
        std::vector<uint8_t> image = platform::BuildBiosImage(id);
        ASSERT_GT(image.size(), size);
        // The readers' size classes: a 512 KiB image stays below 1 MiB with its tail.
        EXPECT_EQ(image.size() >= 0x100000, size == 0x100000);
        EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size)),
                  BuildRom(id));
        auto rom = platform::RomPartOf(image);
        EXPECT_EQ(rom.size(), size);
        EXPECT_TRUE(ReadRomInfo(rom).complete);

        size_t zqds = Find(image, "ZQDS");
        size_t descriptor = Find(image, "ZFLPF");
        ASSERT_GE(zqds, size);
        ASSERT_GE(descriptor, size);
        ASSERT_LE(descriptor + platform::kFlashDescriptorSize, image.size());
        uint32_t relative = 0;
        std::memcpy(&relative, image.data() + descriptor + 53, 4);
        size_t table = std::min(zqds, descriptor) + relative;
        size_t entries = 0;
        for (size_t at = table; at + platform::kEscdEntrySize <= image.size();
             at += platform::kEscdEntrySize) {
            platform::EscdEntry e = platform::ReadEscdEntry(std::span(image).subspan(at));
            if (e.start == 0 && e.length == 0 && e.end == 0 && e.kind == 0)
                break;
            EXPECT_NE(e.length & 0xFFFF, 0u) << entries;
            ++entries;
        }
        EXPECT_GE(entries, 9u);
        EXPECT_EQ(entries, platform::kEscdTableEntries);
    }
    EXPECT_TRUE(platform::RomPartOf(std::vector<uint8_t>(0x7FFFF)).empty());
}

TEST(MachineRom, EscdEntryRoundTrip) {
    platform::EscdEntry entry{0x11223344, 0x55667788, 0x99AABBCC, 0xDDEE, 0xF00F};
    std::vector<uint8_t> bytes(16);
    platform::PutEscdEntry(bytes, entry);
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[15], 0xF0);
    platform::EscdEntry back = platform::ReadEscdEntry(bytes);
    EXPECT_EQ(back.start, entry.start);
    EXPECT_EQ(back.length, entry.length);
    EXPECT_EQ(back.end, entry.end);
    EXPECT_EQ(back.attributes, entry.attributes);
    EXPECT_EQ(back.kind, entry.kind);
    // Too short to hold an entry: nothing read, nothing written.
    EXPECT_EQ(platform::ReadEscdEntry(std::vector<uint8_t>(15, 0xFF)).start, 0u);
    std::vector<uint8_t> shortBytes(15, 0xAB);
    platform::PutEscdEntry(shortBytes, entry);
    EXPECT_EQ(shortBytes, std::vector<uint8_t>(15, 0xAB));
}

TEST(MachineRom, EcImageRoundTripAndDamage) {
    std::vector<uint8_t> image = platform::BuildEcImage("1.20");
    ASSERT_EQ(image.size(), platform::kEcImageSize);
    EXPECT_EQ(At(image, 0, 8), "MICOMEC1");
    EXPECT_EQ(platform::ReadEcImageVersion(image), std::optional<std::string>("1.20"));

    std::vector<uint8_t> flipped = image;
    flipped[0x8000] ^= 1;  // one bit of the code: the checksum no longer holds
    std::vector<uint8_t> cut(image.begin(), image.end() - 1);
    std::vector<uint8_t> noMagic = image;
    noMagic[0] = 'X';
    for (const auto* bad : {&flipped, &cut, &noMagic})
        EXPECT_FALSE(platform::ReadEcImageVersion(*bad));
    EXPECT_FALSE(platform::ReadEcImageVersion(BuildRom(RomIdentity{})));
    EXPECT_FALSE(platform::ReadEcImageVersion(std::vector<uint8_t>{}));
}

}  // namespace
