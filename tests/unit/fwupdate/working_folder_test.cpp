// The working folder under TEMP and the deletion of the tool files.
#include "fwupdate/working_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive_fixtures.h"
#include "platform/system_root.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using fwupdate_test::FolderListing;

namespace {

TEST(WorkingFolder, PathAddsOneSeparatorAndTheFolderName) {
    kit_test::TempSystemRoot root;
    struct Case {
        std::string temp;
        std::string path;
    } cases[] = {
        {"C:\\Temp", "C:\\Temp\\__Kantrel_Update\\"},
        {"C:\\Temp\\", "C:\\Temp\\__Kantrel_Update\\"},
        {"/tmp/x/", "/tmp/x/__Kantrel_Update\\"},
        {std::string(260, 't'), std::string(260, 't') + "\\__Kantrel_Update\\"},
        {std::string(261, 't'), ""},
    };
    for (const Case& c : cases) {
        kit_test::ScopedEnv temp("TEMP", c.temp);
        EXPECT_EQ(fwupdate::WorkingFolderPath(), c.path) << c.temp;
    }
}

TEST(WorkingFolder, WithoutTempTheSystemRootTempFolderServes) {
    kit_test::TempSystemRoot root;
    kit_test::ScopedEnv temp("TEMP", "");
    unsetenv("TEMP");
    EXPECT_EQ(fwupdate::WorkingFolderPath(), platform::RootTempFolder().string() + "\\__Kantrel_Update\\");
}

TEST(WorkingFolder, FirstRunCreatesSecondRunEmptiesAndTracesEachFile) {
    kit_test::TempSystemRoot root;
    kit_test::TempDir temp;
    kit_test::ScopedEnv tempVar("TEMP", temp.str() + "/");
    kit_test::ScopedEnv log("WINSYS_DEBUG_LOG", (temp.path() / "debug.log").string());
    kit_test::CurrentFolder keep(temp.path());

    ASSERT_TRUE(fwupdate::PrepareWorkingFolder());
    fs::path folder = temp.path() / "__Kantrel_Update";
    EXPECT_EQ(fs::current_path(), folder);
    EXPECT_FALSE(fs::exists(temp.path() / "debug.log"));  // nothing to delete on the first run

    kit_test::WriteFile(folder / "bios.wph", "old image");
    kit_test::WriteFile(folder / "noext", "x");
    kit_test::WriteFile(folder / "keep" / "inside.txt", "subfolders stay");
    fs::current_path(temp.path());
    ASSERT_TRUE(fwupdate::PrepareWorkingFolder());
    EXPECT_EQ(FolderListing(folder), std::vector<std::string>{"keep"});
    EXPECT_TRUE(fs::exists(folder / "keep" / "inside.txt"));
    std::string trace = kit_test::ReadFile(temp.path() / "debug.log");
    EXPECT_NE(trace.find("DeleteDirectoryFile : bios.wph is Deleted\r\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("DeleteDirectoryFile : noext is Deleted\r\n"), std::string::npos) << trace;
}

TEST(WorkingFolder, FailsWhenTheFolderCanBeNeitherEnteredNorCreated) {
    kit_test::TempSystemRoot root;
    kit_test::TempDir temp;
    kit_test::CurrentFolder keep(temp.path());
    {
        kit_test::ScopedEnv tempVar("TEMP", temp.str() + "/no/such/parent");
        EXPECT_FALSE(fwupdate::PrepareWorkingFolder());
    }
    {
        kit_test::WriteFile(temp.path() / "__Kantrel_Update", "a file in the way");
        kit_test::ScopedEnv tempVar("TEMP", temp.str());
        EXPECT_FALSE(fwupdate::PrepareWorkingFolder());
    }
    EXPECT_EQ(fs::current_path(), temp.path());
}

// Programs are started from the working folder, so one that someone else could change is refused, and
// one the updater creates is closed to others whatever the umask.
TEST(WorkingFolder, OnlyAPrivateFolderIsUsed) {
    kit_test::TempSystemRoot root;
    kit_test::TempDir temp;
    kit_test::CurrentFolder keep(temp.path());
    kit_test::ScopedEnv tempVar("TEMP", temp.str());
    const fs::path folder = temp.path() / "__Kantrel_Update";

    mode_t previous = umask(0);
    bool created = fwupdate::PrepareWorkingFolder();
    umask(previous);
    ASSERT_TRUE(created);
    EXPECT_EQ(fs::status(folder).permissions() & (fs::perms::group_write | fs::perms::others_write),
              fs::perms::none);

    fs::current_path(temp.path());
    kit_test::WriteFile(folder / "planted.exe", "x");
    fs::permissions(folder, fs::perms::others_write, fs::perm_options::add);
    EXPECT_FALSE(fwupdate::PrepareWorkingFolder());
    EXPECT_TRUE(fs::exists(folder / "planted.exe"));  // nothing of a refused folder is touched
    EXPECT_EQ(fs::current_path(), temp.path());

    // A link to a folder elsewhere, even a private one.
    fs::remove_all(folder);
    fs::create_directory(temp.path() / "elsewhere");
    kit_test::WriteFile(temp.path() / "elsewhere" / "keep.txt", "x");
    fs::create_directory_symlink(temp.path() / "elsewhere", folder);
    EXPECT_FALSE(fwupdate::PrepareWorkingFolder());
    EXPECT_TRUE(fs::exists(temp.path() / "elsewhere" / "keep.txt"));
    EXPECT_EQ(fs::current_path(), temp.path());
}

TEST(WorkingFolder, ToolSetsAreDeletedFromTheCurrentFolder) {
    kit_test::TempSystemRoot root;
    kit_test::TempDir dir;
    kit_test::CurrentFolder keep(dir.path());
    for (const char* name : {"SWinFlash.exe", "PhlashNT.sys", "PhlashLc.dll", "BIOS.WPH", "WinUpV01_10.exe",
                             "kbc.bin", "AddMem.sys", "PHLASH.INI", "ConResEn.dll", "msvcrt.dll"}) {
        kit_test::WriteFile(dir.path() / name, "x");
    }
    fwupdate::DeleteBiosToolSet();
    EXPECT_EQ(FolderListing(dir.path()),
              (std::vector<std::string>{"AddMem.sys", "ConResEn.dll", "PHLASH.INI", "WinUpV01_10.exe",
                                        "kbc.bin", "msvcrt.dll"}));
    fwupdate::DeleteToolFiles();  // the BIOS set again (now missing), MICOM set, driver
    EXPECT_EQ(FolderListing(dir.path()),
              (std::vector<std::string>{"ConResEn.dll", "PHLASH.INI", "msvcrt.dll"}));
}

}  // namespace
