#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system_root.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

using kit_test::CurrentFolder;
using kit_test::ScopedEnv;

class PathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kit_test::WriteFile(dir_.path() / "Kit/Sub Dir/Setup.INI", "[x]\n");
        kit_test::WriteFile(dir_.path() / "Kit/Data/file.txt", "lower");
        kit_test::WriteFile(dir_.path() / "Kit/Data/FILE.txt", "upper");
    }
    void TearDown() override { platform::SetExecutablePath(""); }

    kit_test::TempDir dir_;
};

struct ResolveCase {
    std::string spelled;   // below the temporary folder, written the Windows way
    std::string expected;  // the native path below it
};

TEST_F(PathsTest, ResolvesWithoutRegardToCaseAndSeparators) {
    const std::vector<ResolveCase> cases = {
        {"Kit/Sub Dir/Setup.INI", "Kit/Sub Dir/Setup.INI"},
        {"Kit\\Sub Dir\\Setup.INI", "Kit/Sub Dir/Setup.INI"},
        {"Kit\\\\Sub Dir//\\Setup.INI", "Kit/Sub Dir/Setup.INI"},
        {"KIT\\sub dir\\setup.ini", "Kit/Sub Dir/Setup.INI"},
        {"kit\\DATA\\", "Kit/Data/"},
        {"Kit/Data/../SUB DIR/setup.ini", "Kit/Data/../Sub Dir/Setup.INI"},
        // A missing file keeps its spelling, in the folder that exists under another case.
        {"kit\\DATA\\New File.txt", "Kit/Data/New File.txt"},
        // Below a missing folder nothing is matched any more.
        {"kit\\Missing\\FILE.TXT", "Kit/Missing/FILE.TXT"},
        // The exact spelling wins; among other spellings the choice does not depend on listing order.
        {"Kit/Data/file.txt", "Kit/Data/file.txt"},
        {"kit/data/File.Txt", "Kit/Data/FILE.txt"},
    };
    for (const ResolveCase& c : cases) {
        std::string spelled = dir_.str() + "\\" + c.spelled;
        EXPECT_EQ(platform::NativePath(spelled).string(), dir_.str() + "/" + c.expected) << c.spelled;
    }
    EXPECT_TRUE(platform::FileExists(dir_.str() + "\\KIT\\sub dir\\SETUP.ini"));
    EXPECT_TRUE(platform::DirectoryExists(dir_.str() + "\\kit\\SUB DIR"));
    EXPECT_FALSE(platform::FileExists(dir_.str() + "\\kit\\SUB DIR"));
    EXPECT_FALSE(platform::PathExists(dir_.str() + "\\kit\\missing\\setup.ini"));
}

TEST_F(PathsTest, ResolvesRelativePathsAgainstTheCurrentFolder) {
    CurrentFolder here(dir_.path());
    EXPECT_EQ(platform::NativePath("kit\\SUB DIR\\setup.ini").string(), "Kit/Sub Dir/Setup.INI");
    EXPECT_EQ(platform::NativePath(".\\KIT\\data").string(), "./Kit/Data");
}

TEST(Paths, DriveLettersStandForTheSystemRoot) {
    kit_test::TempSystemRoot root;
    ASSERT_TRUE(platform::EnsureSystemRoot(root.path()).ok());
    const std::string base = root.path().string();
    EXPECT_EQ(platform::NativePath("C:\\WINDOWS\\System32\\DRIVERS\\new.sys").string(),
              base + "/Windows/system32/Drivers/new.sys");
    EXPECT_EQ(platform::NativePath("c:/windows/inf").string(), base + "/Windows/inf");
    EXPECT_TRUE(platform::DirectoryExists("C:\\programdata"));
}

TEST(Paths, FolderFileAndExtensionParts) {
    struct Case {
        std::string path, folder, name, extension;
    };
    const std::vector<Case> cases = {
        {"C:\\kit\\drvsetup.exe", "C:\\kit\\", "drvsetup.exe", ".exe"},
        {"/opt/kit/drvsetup", "/opt/kit/", "drvsetup", ""},
        {"a\\b.c\\DPInst.EXE", "a\\b.c\\", "DPInst.EXE", ".EXE"},
        {"a\\b/c.tar.gz", "a\\b/", "c.tar.gz", ".gz"},
        {"a.d/name", "a.d/", "name", ""},
        {"name.", "", "name.", "."},
        {"dir\\", "dir\\", "", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(platform::FileNamePart(c.path), c.name) << c.path;
        EXPECT_EQ(platform::ExtensionPart(c.path), c.extension) << c.path;
    }
}

TEST_F(PathsTest, ExecutableFolderIsTheFolderTheProgramWasStartedFrom) {
    const fs::path real = dir_.path() / "real/drvsetup";
    kit_test::WriteFile(real, "#!/bin/sh\n");
    fs::permissions(real, fs::perms::owner_all);
    fs::create_directories(dir_.path() / "kit");
    fs::create_symlink(real, dir_.path() / "kit/drvsetup");

    {
        CurrentFolder here(dir_.path());
        platform::SetExecutablePath("./kit/../kit/drvsetup");
        EXPECT_EQ(platform::ExecutablePath(), dir_.str() + "/kit/drvsetup");
        EXPECT_EQ(platform::ExecutableFolder(), dir_.str() + "/kit/");
    }
    platform::SetExecutablePath((dir_.path() / "kit/drvsetup").string());
    EXPECT_EQ(platform::ExecutableFolder(), dir_.str() + "/kit/");

    // Started through PATH: a folder that only has the program's name is not the program.
    fs::create_directories(dir_.path() / "decoy/drvsetup");
    {
        ScopedEnv path("PATH", dir_.str() + "/decoy:" + dir_.str() + "/kit");
        platform::SetExecutablePath("drvsetup");
    }
    EXPECT_EQ(platform::ExecutablePath(), dir_.str() + "/kit/drvsetup");

    // Not told at all: the program the kernel started.
    platform::SetExecutablePath("");
    EXPECT_EQ(platform::ExecutablePath(), fs::read_symlink("/proc/self/exe").string());
}

TEST_F(PathsTest, BadInputNeverCrashes) {
    // The programs hand over C strings: a NUL ends the path, whatever follows it.
    const std::string withNul = dir_.str() + "\\KIT\\data\\FILE.TXT";
    std::string trailing = withNul + std::string("\0junk", 5);
    EXPECT_EQ(platform::NativePath(trailing), platform::NativePath(withNul));
    EXPECT_TRUE(platform::FileExists(trailing));
    EXPECT_FALSE(platform::FileExists(std::string("\0", 1) + withNul));

    std::string manyComponents;
    for (int i = 0; i < 50000; ++i) {
        manyComponents += "a\\";
    }
    const std::vector<std::string> inputs = {
        "",
        dir_.str() + "\\" + manyComponents,
        dir_.str() + "\\" + std::string(100000, 'x'),
        std::string(100000, '\\'),
        std::string("\x01\xff\xfe:\\\x80\\..\\\x7f"),
        "C:",
        "C:\\..\\..\\..",
    };
    for (const std::string& input : inputs) {
        (void)platform::NativePath(input);
        EXPECT_FALSE(platform::FileExists(input)) << input.substr(0, 40);
        (void)platform::FolderPart(input);
        (void)platform::ExtensionPart(input);
    }
    EXPECT_EQ(platform::NativePath(std::string(100000, '\\')).string(), "/");
}

}  // namespace
