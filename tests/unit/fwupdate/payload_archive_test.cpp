// The payload archive: its layout, the archive offset in the executable header, extracting all
// entries and one entry, and what damaged or hostile archives do.
#include "fwupdate/payload_archive.h"

#include <gtest/gtest.h>

#include <random>

#include "archive_fixtures.h"
#include "fwupdate/payload_writer.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using fwupdate::ExtractStatus;
using fwupdate_test::FolderListing;
using fwupdate_test::Member;
using fwupdate_test::RecordingSource;

namespace {

uint32_t Le32At(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

TEST(PayloadArchive, LayoutIsMagicTwiceCountThenNameSizeAndMember) {
    std::string member = fwupdate_test::StoredGzipMember("abc");
    std::string archive = fwupdate::BuildArchive({{"AddMem.sys.gz", member}, {"b.gz", "xy"}});
    EXPECT_EQ(archive.substr(0, 8), "LPCKLPCK");
    EXPECT_EQ(Le32At(archive, 0), fwupdate::kArchiveMagic);
    EXPECT_EQ(Le32At(archive, 8), 2u);
    std::string name = archive.substr(12, 260);
    EXPECT_EQ(name, std::string("AddMem.sys.gz") + std::string(260 - 13, '\0'));
    EXPECT_EQ(Le32At(archive, 12 + 260), member.size());
    EXPECT_EQ(archive.substr(276, member.size()), member);
    size_t second = 276 + member.size();
    EXPECT_EQ(archive.substr(second, 4), std::string("b.gz"));
    EXPECT_EQ(Le32At(archive, second + 260), 2u);
    EXPECT_EQ(archive.size(), second + 264 + 2);
}

TEST(PayloadArchive, OffsetLivesInElfPaddingOrInTheDosHeader) {
    kit_test::TempDir dir;
    std::string elf = fwupdate_test::FakeElfImage();
    auto packedElf = fwupdate::AttachArchive(elf, "LPCK");
    ASSERT_TRUE(packedElf.ok());
    EXPECT_EQ(Le32At(*packedElf, 12), elf.size());
    EXPECT_EQ(packedElf->substr(0, 12), elf.substr(0, 12));  // the identification proper is untouched

    std::string mz("MZ");
    mz.resize(200, '\0');
    auto packedMz = fwupdate::AttachArchive(mz, "LPCK");
    ASSERT_TRUE(packedMz.ok());
    EXPECT_EQ(Le32At(*packedMz, 40), 200u);

    kit_test::WriteFile(dir.path() / "elf", *packedElf);
    kit_test::WriteFile(dir.path() / "mz", *packedMz);
    kit_test::WriteFile(dir.path() / "short",
                        "\x7f"
                        "ELF");
    EXPECT_EQ(fwupdate::ReadArchiveOffset(dir.path() / "elf"), elf.size());
    EXPECT_EQ(fwupdate::ReadArchiveOffset(dir.path() / "mz"), 200u);
    EXPECT_EQ(fwupdate::ReadArchiveOffset(dir.path() / "short"), 0u);
    EXPECT_EQ(fwupdate::ReadArchiveOffset(dir.path() / "missing"), std::nullopt);

    EXPECT_FALSE(fwupdate::AttachArchive("#!/bin/sh\n", "LPCK").ok());
}

TEST(PayloadArchive, PackerTakesOnlyNamesTheExtractionAccepts) {
    const std::string refused[] = {"",   std::string(256, 'n'), "a/b", "a\\b", "a..b",
                                   "..", std::string("a\0b", 3)};
    for (const std::string& name : refused) {
        EXPECT_FALSE(fwupdate::CheckPackedName(name).empty()) << name;
    }
    for (const std::string& name : {std::string(255, 'n'), std::string("PHLASH.INI"), std::string("a.b.c")}) {
        EXPECT_EQ(fwupdate::CheckPackedName(name), "") << name;
        std::string stored(name);
        stored += ".gz";
        EXPECT_TRUE(fwupdate::IsSafeStoredName(stored)) << name;
    }
}

TEST(PayloadArchive, RepackingReplacesTheArchiveItCarries) {
    std::string image = fwupdate_test::FakeElfImage();
    auto once = fwupdate::AttachArchive(image, fwupdate::BuildArchive({Member("a", "first")}));
    auto twice = fwupdate::AttachArchive(*once, fwupdate::BuildArchive({Member("b", "second")}));
    ASSERT_TRUE(twice.ok());
    EXPECT_EQ(Le32At(*twice, 12), image.size());
    EXPECT_EQ(twice->size(), image.size() + fwupdate::BuildArchive({Member("b", "second")}).size());
}

TEST(PayloadArchive, ExtractAllWritesEveryFileAndRemovesTheMembers) {
    kit_test::TempDir dir;
    std::vector<fwupdate::PayloadFile> files = {
        {"SWinFlash.exe", fwupdate_test::NoiseBytes(70000)},
        {"PHLASH.INI", "[Flash]\r\nMode=1\r\n"},
        {"empty.bin", ""},
    };
    fs::path exe = fwupdate_test::WritePackedExecutable(dir.path() / "fwupdate", fwupdate::MembersOf(files));
    fs::create_directory(dir.path() / "out");
    auto status = fwupdate::ExtractAll(exe, *fwupdate::ReadArchiveOffset(exe), dir.path() / "out");
    ASSERT_TRUE(status.ok()) << status.error().message;
    EXPECT_EQ(*status, ExtractStatus::kSuccess);
    EXPECT_EQ(FolderListing(dir.path() / "out"),
              (std::vector<std::string>{"PHLASH.INI", "SWinFlash.exe", "empty.bin"}));
    for (const auto& file : files) {
        EXPECT_EQ(kit_test::ReadFile(dir.path() / "out" / file.name), file.data) << file.name;
    }
}

TEST(PayloadArchive, StatusOfArchivesThatCannotBeExtracted) {
    kit_test::TempDir dir;
    std::string noMagic = fwupdate::BuildArchive({Member("a", "x")});
    noMagic[0] = 'X';
    std::string cutHeader = fwupdate::BuildArchive({Member("a", "x")}).substr(0, 100);
    std::string countTooLarge = fwupdate::BuildArchive({Member("a", "x")});
    countTooLarge[8] = 2;
    struct Case {
        const char* what;
        std::string archive;
        ExtractStatus status;
    } cases[] = {
        {"wrong magic", noMagic, ExtractStatus::kNotPacked},
        {"nothing at all", "", ExtractStatus::kNotPacked},
        {"empty archive", fwupdate::BuildArchive({}), ExtractStatus::kArchiveEmpty},
        {"entry header cut short", cutHeader, ExtractStatus::kEntryFailed},
        {"more entries counted than present", countTooLarge, ExtractStatus::kEntryFailed},
    };
    for (const Case& c : cases) {
        RecordingSource source(c.archive);
        auto status = fwupdate::ExtractAll(source, 0, dir.path());
        ASSERT_TRUE(status.ok()) << c.what;
        EXPECT_EQ(*status, c.status) << c.what;
    }
    EXPECT_EQ(fwupdate::ExtractStatusText(ExtractStatus::kNotPacked), "Not a valid packed file");
    EXPECT_EQ(fwupdate::ExtractStatusText(ExtractStatus::kCannotOpen), "Input archive file failed to open");
}

TEST(PayloadArchive, UnreadableExecutableIsStatus6) {
    kit_test::TempDir dir;
    EXPECT_EQ(*fwupdate::ExtractAll(dir.path() / "missing", 0, dir.path()), ExtractStatus::kCannotOpen);
    EXPECT_EQ(*fwupdate::ExtractAll(dir.path(), 0, dir.path()), ExtractStatus::kCannotOpen);  // a folder
}

TEST(PayloadArchive, HostileStoredNamesFailTheExtractionAndWriteNothing) {
    const std::string hostile[] = {
        "../evil.gz", "..\\evil.gz", "sub/evil.gz", "sub\\evil.gz", "/tmp/evil.gz",
        "..gz",       "evil..gz",    "noSuffix",    ".gz",          std::string(260, 'a')};
    for (const std::string& name : hostile) {
        kit_test::TempDir dir;
        fs::create_directory(dir.path() / "out");
        fs::create_directory(dir.path() / "out" / "sub");
        std::string archive =
            fwupdate::BuildArchive({Member("fine", "ok"), {name, fwupdate::GzipMember("bad")}});
        if (name.size() == 260) {
            // A name that fills its field without a NUL.
            archive.replace(12 + 264 + fwupdate::GzipMember("ok").size(), 260, name);
        }
        RecordingSource source(archive);
        auto status = fwupdate::ExtractAll(source, 0, dir.path() / "out");
        ASSERT_TRUE(status.ok()) << name;
        EXPECT_EQ(*status, ExtractStatus::kEntryFailed) << name;
        EXPECT_EQ(FolderListing(dir.path()), std::vector<std::string>{"out"}) << name;
        EXPECT_EQ(FolderListing(dir.path() / "out"), (std::vector<std::string>{"fine", "sub"})) << name;
        EXPECT_TRUE(fs::is_empty(dir.path() / "out" / "sub")) << name;
    }
}

TEST(PayloadArchive, MembersAtTheCopyBlockBoundaryAreCopiedWhole) {
    for (size_t memberSize : {size_t{4096}, size_t{4097}}) {
        kit_test::TempDir dir;
        std::string data = fwupdate_test::NoiseBytes(memberSize - 23);
        std::string member = fwupdate_test::StoredGzipMember(data);
        ASSERT_EQ(member.size(), memberSize);
        std::string archive = fwupdate::BuildArchive({{"image.WPH.gz", member}, {"next.gz", "garbage"}});
        archive[8] = 1;  // the entry behind it is only there to be left unread
        RecordingSource source(archive);
        auto status = fwupdate::ExtractAll(source, 0, dir.path());
        ASSERT_TRUE(status.ok()) << status.error().message;
        EXPECT_EQ(*status, ExtractStatus::kSuccess);
        EXPECT_EQ(kit_test::ReadFile(dir.path() / "image.WPH"), data);
        // Archive header, entry header, then the member in 4096-byte blocks and the rest.
        std::vector<size_t> memberReads;
        for (size_t i = 4; i < source.calls.size(); ++i) {
            memberReads.push_back(source.calls[i].size);
        }
        std::vector<size_t> expected = {4096};
        if (memberSize == 4097) {
            expected.push_back(1);
        }
        EXPECT_EQ(memberReads, expected);
        EXPECT_EQ(source.FurthestRequest(), 12 + 264 + memberSize);
    }
}

TEST(PayloadArchive, CorruptAndTruncatedMembersAreFatal) {
    std::string good = fwupdate::GzipMember(fwupdate_test::NoiseBytes(20000));
    std::string flipped = good;
    flipped[flipped.size() - 6] ^= 0x55;  // inside the CRC
    std::string damaged = good;
    damaged[12] = '\xff';  // the deflate data
    struct Case {
        const char* what;
        std::string archive;
        const char* message;
    } cases[] = {
        {"bad check value", fwupdate::BuildArchive({{"a.bin.gz", flipped}}),
         "a.bin.gz: incorrect data check"},
        {"bad deflate data", fwupdate::BuildArchive({{"a.bin.gz", damaged}}), "a.bin.gz: "},
        {"not gzip at all", fwupdate::BuildArchive({{"a.bin.gz", "plain text, no gzip header"}}),
         "a.bin.gz: not in gzip format"},
        {"member cut short", fwupdate::BuildArchive({{"a.bin.gz", good}}).substr(0, 276 + good.size() / 2),
         "a.bin.gz: unexpected end of file"},
    };
    for (const Case& c : cases) {
        kit_test::TempDir dir;
        RecordingSource source(c.archive);
        auto status = fwupdate::ExtractAll(source, 0, dir.path());
        ASSERT_FALSE(status.ok()) << c.what;
        EXPECT_NE(status.error().message.find(c.message), std::string::npos)
            << c.what << ": " << status.error().message;
        // "<program>: <path>: <reason>", as written to standard error.
        EXPECT_EQ(status.error().message.find("fwupdate_tests: "), 0u) << status.error().message;
    }
}

TEST(PayloadArchive, ExtractOneStopsAtTheFirstMatchAndReadsNothingBehindIt) {
    kit_test::TempDir dir;
    std::string skipped = fwupdate::GzipMember(fwupdate_test::NoiseBytes(9000));
    std::string wanted = fwupdate::GzipMember("english strings");
    std::string archive = fwupdate::BuildArchive({{"AddMem.sys.gz", skipped},
                                                  {"conresen.DLL.gz", wanted},
                                                  {"ConResEn.dll.gz", fwupdate::GzipMember("second match")},
                                                  {"../behind.gz", "not even gzip"}});
    RecordingSource source(archive);
    auto found = fwupdate::ExtractOne(source, 0, "ConResEn.dll", dir.path());
    ASSERT_TRUE(found.ok()) << found.error().message;
    ASSERT_TRUE(found->has_value());
    EXPECT_EQ(**found, dir.path() / "conresen.DLL");
    EXPECT_EQ(kit_test::ReadFile(**found), "english strings");
    EXPECT_EQ(FolderListing(dir.path()), std::vector<std::string>{"conresen.DLL"});

    size_t wantedStart = 12 + 264 + skipped.size() + 264;
    EXPECT_EQ(source.FurthestRequest(), wantedStart + wanted.size());
    for (const auto& call : source.calls) {  // the skipped member is sought over, never read
        EXPECT_FALSE(call.at >= 12 + 264 && call.at < 12 + 264 + skipped.size()) << call.at;
    }
}

TEST(PayloadArchive, ExtractOneFindsNothingInUnusableArchives) {
    kit_test::TempDir dir;
    std::string noMagic = fwupdate::BuildArchive({Member("ConResEn.dll", "x")});
    noMagic[3] = '?';
    const std::string archives[] = {
        fwupdate::BuildArchive({}),
        noMagic,
        fwupdate::BuildArchive({Member("ConResGr.dll", "x")}),
        fwupdate::BuildArchive({{"ConResEn.dll/../../x.gz", fwupdate::GzipMember("x")}}),
    };
    for (const std::string& archive : archives) {
        RecordingSource source(archive);
        auto found = fwupdate::ExtractOne(source, 0, "ConResEn.dll", dir.path());
        ASSERT_TRUE(found.ok());
        EXPECT_FALSE(found->has_value());
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
    // From a file: unreadable, or an executable without archive offset.
    kit_test::WriteFile(dir.path() / "plain", fwupdate_test::FakeElfImage());
    EXPECT_FALSE(fwupdate::ExtractOne(dir.path() / "missing", "ConResEn.dll", dir.path())->has_value());
    EXPECT_FALSE(fwupdate::ExtractOne(dir.path() / "plain", "ConResEn.dll", dir.path())->has_value());
}

TEST(PayloadArchive, ListingGivesNamesAndSizes) {
    std::string member = fwupdate::GzipMember(std::string(5000, 'z'));
    RecordingSource source(fwupdate::BuildArchive({{"a.gz", member}, {"b.gz", "tiny"}}));
    auto entries = fwupdate::ListArchive(source, 0);
    ASSERT_TRUE(entries.ok()) << entries.error().message;
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].storedName, "a.gz");
    EXPECT_EQ((*entries)[0].memberSize, member.size());
    EXPECT_EQ((*entries)[0].originalSize, 5000u);
    EXPECT_EQ((*entries)[1].originalSize, std::nullopt);

    RecordingSource cut(fwupdate::BuildArchive({{"a.gz", member}}).substr(0, 300));
    EXPECT_FALSE(fwupdate::ListArchive(cut, 0).ok());
}

// Damaged archives of every kind: extraction ends with a status or a decompression error, never a
// crash, a hang or a file outside its folder.
TEST(PayloadArchive, MutatedArchivesNeverEscapeTheirFolder) {
    std::string archive = fwupdate::BuildArchive({Member("AddMem.sys", fwupdate_test::NoiseBytes(3000)),
                                                  Member("PHLASH.INI", std::string(4000, 'p'))});
    std::mt19937 rng(7);
    for (int round = 0; round < 150; ++round) {
        kit_test::TempDir dir;
        fs::create_directory(dir.path() / "out");
        std::string mutated = archive;
        int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            size_t at = rng() % mutated.size();
            switch (rng() % 3) {
                case 0:
                    mutated[at] = static_cast<char>(rng());
                    break;
                case 1:
                    mutated.resize(at);
                    break;
                default:
                    mutated.insert(at, std::string(1 + rng() % 300, static_cast<char>(rng())));
                    break;
            }
            if (mutated.empty()) {
                mutated.assign(1, 'L');
            }
        }
        RecordingSource source(mutated);
        (void)fwupdate::ExtractAll(source, 0, dir.path() / "out");
        RecordingSource again(mutated);
        (void)fwupdate::ExtractOne(again, 0, "PHLASH.INI", dir.path() / "out");
        EXPECT_EQ(FolderListing(dir.path()), std::vector<std::string>{"out"}) << "round " << round;
    }
}

}  // namespace
