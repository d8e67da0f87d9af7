#include "drvsetup/config/archiver.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "support/temp_root.h"

namespace {

using drvsetup::Archiver;
namespace fs = std::filesystem;

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

class ArchiverTest : public ::testing::Test {
  protected:
    fs::path Zip() const { return dir_.path() / "test._bin"; }
    fs::path In() const { return dir_.path() / "in"; }
    fs::path Out() const { return dir_.path() / "out"; }

    void Point(Archiver& archiver, const fs::path& base, const char* password = "7093") const {
        archiver.SetFileName(Zip().string());
        archiver.SetBaseFolder(base.string());
        archiver.SetPassword(password);
    }
    // Writes `content` as in/<name> and stores it into the archive.
    void Store(const std::string& name, const std::string& content,
               Archiver::Encryption method = Archiver::Encryption::TraditionalPkware) {
        kit_test::WriteFile(In() / name, content);
        Archiver archiver;
        Point(archiver, In());
        archiver.SetEncryption(method);
        ASSERT_TRUE(archiver.OpenForWriting().ok());
        ASSERT_TRUE(archiver.AddFile(name).ok());
        ASSERT_TRUE(archiver.Close().ok());
    }
    // Extracts one entry into out/ with the given password; the bytes, or none on failure.
    std::optional<std::string> Fetch(const std::string& name, const char* password = "7093") {
        Archiver archiver;
        Point(archiver, Out(), password);
        fs::create_directories(Out());
        if (!archiver.OpenForReading().ok() || !archiver.Extract(name).ok()) {
            return std::nullopt;
        }
        archiver.Discard();
        return kit_test::ReadFile(Out() / name);
    }

    kit_test::TempDir dir_;
};

TEST_F(ArchiverTest, ContentSurvivesTheRoundTripWithEitherEncryption) {
    struct Case {
        const char* label;
        std::string content;
        Archiver::Encryption method;
    };
    const Case cases[] = {
        {"empty", "", Archiver::Encryption::TraditionalPkware},
        {"text", "[VEXA_QM718]\r\nV_HardwareID=718\r\n", Archiver::Encryption::TraditionalPkware},
        {"binary with NULs", RandomBytes(300000, 1) + std::string(5000, '\0'),
         Archiver::Encryption::TraditionalPkware},
        {"aes", "aes content\n", Archiver::Encryption::Aes256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove(Zip());
        Store("vSettingDb.ini", c.content, c.method);
        EXPECT_EQ(Fetch("vSettingDb.ini"), c.content);
    }
}

TEST_F(ArchiverTest, AddingAnEntryOfTheSameNameReplacesIt) {
    Store("a.ini", "first");
    Store("b.ini", "other");
    Store("a.ini", "second");
    Archiver archiver;
    Point(archiver, Out());
    ASSERT_TRUE(archiver.OpenForReading().ok());
    EXPECT_EQ(archiver.EntryNames(), (std::vector<std::string>{"a.ini", "b.ini"}));
    archiver.Discard();
    EXPECT_EQ(Fetch("a.ini"), "second");
    EXPECT_EQ(Fetch("b.ini"), "other");
}

TEST_F(ArchiverTest, AReplacedEntryIsCompressedLikeANewOne) {
    // Text that the fastest level and the default one compress to very different sizes.
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        text += "[Variant " + std::to_string(i) + "]\r\nGOPSizeTable=15\r\nBitrateModeTable=0\r\n";
    }
    Store("a.ini", "first");
    Store("b.ini", text);
    const auto fresh = fs::file_size(Zip());
    Store("b.ini", text);
    EXPECT_EQ(fs::file_size(Zip()), fresh);
    Archiver archiver;
    Point(archiver, Out());
    ASSERT_TRUE(archiver.OpenForReading().ok());
    EXPECT_EQ(archiver.EntryNames(), (std::vector<std::string>{"a.ini", "b.ini"}));
    archiver.Discard();
    EXPECT_EQ(Fetch("b.ini"), text);
}

TEST_F(ArchiverTest, GivenContentIsStoredLikeAFile) {
    Archiver archiver;
    Point(archiver, In());
    EXPECT_FALSE(archiver.AddContent("a.ini", "no archive open").ok());
    ASSERT_TRUE(archiver.OpenForWriting().ok());
    EXPECT_FALSE(archiver.AddContent("..", "x").ok());
    EXPECT_FALSE(archiver.AddContent("sub/a.ini", "x").ok());
    const std::string content = "[S]\r\nk=v\r\n" + RandomBytes(70000, 2);
    ASSERT_TRUE(archiver.AddContent("a.ini", content).ok());
    ASSERT_TRUE(archiver.AddContent("b.ini", "").ok());
    ASSERT_TRUE(archiver.Close().ok());
    EXPECT_FALSE(fs::exists(In() / "a.ini"));  // nothing was read from or written to the base folder
    EXPECT_EQ(Fetch("a.ini"), content);
    EXPECT_EQ(Fetch("b.ini"), "");
}

TEST_F(ArchiverTest, CommonUnzipToolOpensTheArchiveWithThePassword) {
    if (std::system("command -v unzip >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "unzip is not installed";
    }
    const std::string content = "[VEXA_QM330]\r\nV_HardwareID=330\r\n";
    Store("vSettingDb.ini", content);
    const fs::path extracted = dir_.path() / "unzipped";
    const std::string command = "unzip -qq -P 7093 -d '" + extracted.string() + "' '" + Zip().string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(kit_test::ReadFile(extracted / "vSettingDb.ini"), content);
    // A wrong password must not get through.
    const std::string wrong =
        "unzip -qq -o -P 1234 -d '" + extracted.string() + "' '" + Zip().string() + "' 2>/dev/null";
    EXPECT_NE(std::system(wrong.c_str()), 0);
}

TEST_F(ArchiverTest, WrongPasswordExtractsNothing) {
    Store("vSettingDb.ini", RandomBytes(10000, 2));
    EXPECT_EQ(Fetch("vSettingDb.ini", "0000"), std::nullopt);
    EXPECT_EQ(Fetch("vSettingDb.ini", ""), std::nullopt);
    EXPECT_FALSE(fs::exists(Out() / "vSettingDb.ini"));
}

TEST_F(ArchiverTest, DamagedArchivesFailWithoutWritingAnything) {
    Store("vSettingDb.ini", RandomBytes(20000, 3));
    const std::string good = kit_test::ReadFile(Zip());
    std::string flipped = good;
    flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x55);
    const std::pair<const char*, std::string> cases[] = {
        {"empty file", ""},
        {"garbage", RandomBytes(4096, 4)},
        {"NUL bytes", std::string(4096, '\0')},
        {"first half", good.substr(0, good.size() / 2)},
        {"last half", good.substr(good.size() / 2)},
        {"flipped byte in the data", flipped},
    };
    for (const auto& [label, bytes] : cases) {
        SCOPED_TRACE(label);
        fs::remove_all(Out());
        kit_test::WriteFile(Zip(), bytes);
        EXPECT_EQ(Fetch("vSettingDb.ini"), std::nullopt);
        EXPECT_FALSE(fs::exists(Out() / "vSettingDb.ini"));
    }
}

// Found by fuzzing: an entry flagged with strong encryption, whose method the library does not know.
// Opening it used to leak the library's reader; it is refused with a clear error instead.
TEST_F(ArchiverTest, EntryOfAnUnknownEncryptionIsRefused) {
    kit_test::WriteFile(
        Zip(), kit_test::ReadFile(fs::path(KIT_FIXTURES_DIR) / "settings_db/unknown_encryption._bin"));
    Archiver archiver;
    Point(archiver, Out());
    fs::create_directories(Out());
    ASSERT_TRUE(archiver.OpenForReading().ok());
    const platform::Result<void> extracted = archiver.Extract("vSettingDb.ini");
    ASSERT_FALSE(extracted.ok());
    EXPECT_EQ(extracted.error().message, "extracting vSettingDb.ini: the encryption method is not supported");
    archiver.Discard();
    EXPECT_FALSE(fs::exists(Out() / "vSettingDb.ini"));
}

TEST_F(ArchiverTest, OnlyPlainEntryNamesAreTaken) {
    const std::pair<const char*, bool> cases[] = {
        {"vSettingDb.ini", true},
        {"a", true},
        {"", false},
        {".", false},
        {"..", false},
        {"../x.ini", false},
        {"..\\x.ini", false},
        {"sub/x.ini", false},
        {"/etc/x", false},
        {"C:x.ini", false},
        {"C:\\x.ini", false},
    };
    for (const auto& [name, plain] : cases) {
        EXPECT_EQ(drvsetup::IsPlainEntryName(name), plain) << name;
    }
    Store("vSettingDb.ini", "x");
    Archiver archiver;
    Point(archiver, Out());
    ASSERT_TRUE(archiver.OpenForReading().ok());
    EXPECT_FALSE(archiver.Extract("../vSettingDb.ini").ok());
    EXPECT_FALSE(archiver.Extract("missing.ini").ok());
    EXPECT_FALSE(fs::exists(dir_.path() / "vSettingDb.ini"));
}

TEST_F(ArchiverTest, AnInterruptedWriteLeavesTheOldArchiveIntact) {
    Store("vSettingDb.ini", "old content");
    const std::string before = kit_test::ReadFile(Zip());
    // Random bytes do not compress, so writing them runs into the file-size limit of the child.
    kit_test::WriteFile(In() / "big.ini", RandomBytes(1 << 20, 5));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256 * 1024, 256 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        Archiver archiver;
        Point(archiver, In());
        const bool written = archiver.OpenForWriting().ok() && archiver.AddFile("big.ini").ok() &&
                             archiver.AddFile("vSettingDb.ini").ok() && archiver.Close().ok();
        _exit(written ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);

    EXPECT_EQ(kit_test::ReadFile(Zip()), before);
    EXPECT_EQ(Fetch("vSettingDb.ini"), "old content");
    // No half-written temporary file stays behind.
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
        EXPECT_EQ(entry.path().filename().string().find("test._bin."), std::string::npos) << entry.path();
    }
}

}  // namespace
