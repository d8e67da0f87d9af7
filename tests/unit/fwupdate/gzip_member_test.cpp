// gzip members: the header the packer writes, and the decompression step's naming and failures.
#include "fwupdate/gzip_member.h"

#include <gtest/gtest.h>

#include "archive_fixtures.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

TEST(GzipMember, HeaderHasNoNameZeroTimeNoExtraFlagsAndSystemCode11) {
    for (const std::string& data : {std::string(), std::string("x"), fwupdate_test::NoiseBytes(100000)}) {
        std::string member = fwupdate::GzipMember(data);
        EXPECT_EQ(member.substr(0, 10), std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x0b", 10));
        std::string trailer = member.substr(member.size() - 4);
        uint32_t size = 0;
        for (int i = 3; i >= 0; --i) {
            size = size << 8 | static_cast<unsigned char>(trailer[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(size, data.size());
    }
}

TEST(GzipMember, DecompressionNamesInputAndOutputBySuffix) {
    struct Case {
        const char* given;
        const char* input;
        const char* output;
    } cases[] = {
        {"ConResEn.dll.gz", "ConResEn.dll.gz", "ConResEn.dll"},
        {"ConResEn.dll", "ConResEn.dll.gz", "ConResEn.dll"},
        {"x.GZ", "x.GZ.gz", "x.GZ"},
    };
    for (const Case& c : cases) {
        kit_test::TempDir dir;
        kit_test::WriteFile(dir.path() / c.input, fwupdate::GzipMember("content"));
        auto done = fwupdate::DecompressMember((dir.path() / c.given).string());
        ASSERT_TRUE(done.ok()) << c.given << ": " << done.error().message;
        EXPECT_EQ(kit_test::ReadFile(dir.path() / c.output), "content") << c.given;
        EXPECT_FALSE(fs::exists(dir.path() / c.input)) << c.given;
    }
}

TEST(GzipMember, FailuresCarryTheTextsOfStandardError) {
    kit_test::TempDir dir;
    std::string missing = (dir.path() / "none.gz").string();
    auto noInput = fwupdate::DecompressMember(missing);
    ASSERT_FALSE(noInput.ok());
    EXPECT_EQ(noInput.error().message, "fwupdate_tests: can't gzopen " + missing);

    // The output's place is taken by a folder, so it cannot be created.
    kit_test::WriteFile(dir.path() / "busy.gz", fwupdate::GzipMember("x"));
    fs::create_directory(dir.path() / "busy");
    auto noOutput = fwupdate::DecompressMember((dir.path() / "busy.gz").string());
    ASSERT_FALSE(noOutput.ok());
    EXPECT_EQ(noOutput.error().message, (dir.path() / "busy").string() + ": Is a directory");
    EXPECT_TRUE(fs::exists(dir.path() / "busy.gz"));
}

TEST(GzipMember, EndingOnFailureExitsWithStatus1AndTheMessage) {
    EXPECT_EXIT(fwupdate::EndOnDecompressionFailure(platform::Fail("fwupdate: x.gz: unexpected end of file")),
                testing::ExitedWithCode(1), "fwupdate: x.gz: unexpected end of file");
}

}  // namespace
