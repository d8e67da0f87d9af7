// What the progress window does when it appears: the whole payload of the running executable
// extracted into the current folder, its programs ready to start.
#include "fwupdate/update_steps.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "archive_fixtures.h"
#include "platform/paths.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

class ExtractPayloadHereTest : public ::testing::Test {
  protected:
    void TearDown() override { platform::SetExecutablePath(""); }

    static bool Executable(const fs::path& file) {
        return (fs::status(file).permissions() & fs::perms::owner_exec) != fs::perms::none;
    }

    kit_test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
};

TEST_F(ExtractPayloadHereTest, ExtractsEveryMemberAndMarksTheProgramsExecutable) {
    fs::path exe = fwupdate_test::WritePackedExecutable(
        dir_.path() / "fwupdate",
        {fwupdate_test::Member("SWinFlash.exe", "tool"),
         fwupdate_test::Member("WinUpV01_10.EXE", "micom tool"), fwupdate_test::Member("bios.wph", "image"),
         fwupdate_test::Member("PHLASH.INI", "[x]")});
    platform::SetExecutablePath(exe.string());
    fs::create_directory(work_);
    kit_test::CurrentFolder here(work_);

    EXPECT_TRUE(fwupdate::ExtractPayloadHere());
    EXPECT_EQ(fwupdate_test::FolderListing(work_),
              (std::vector<std::string>{"PHLASH.INI", "SWinFlash.exe", "WinUpV01_10.EXE", "bios.wph"}));
    EXPECT_EQ(kit_test::ReadFile(work_ / "SWinFlash.exe"), "tool");
    EXPECT_TRUE(Executable(work_ / "SWinFlash.exe"));
    EXPECT_TRUE(Executable(work_ / "WinUpV01_10.EXE"));
    EXPECT_FALSE(Executable(work_ / "bios.wph"));
    EXPECT_FALSE(Executable(work_ / "PHLASH.INI"));
}

TEST_F(ExtractPayloadHereTest, FailsForAnEmptyArchiveOrAnExecutableWithoutOne) {
    fs::create_directory(work_);
    kit_test::CurrentFolder here(work_);

    platform::SetExecutablePath(fwupdate_test::WritePackedExecutable(dir_.path() / "empty", {}).string());
    EXPECT_FALSE(fwupdate::ExtractPayloadHere());

    kit_test::WriteFile(dir_.path() / "plain", fwupdate_test::FakeElfImage());
    platform::SetExecutablePath((dir_.path() / "plain").string());
    EXPECT_FALSE(fwupdate::ExtractPayloadHere());

    platform::SetExecutablePath((dir_.path() / "missing").string());
    EXPECT_FALSE(fwupdate::ExtractPayloadHere());
    EXPECT_TRUE(fwupdate_test::FolderListing(work_).empty());
}

}  // namespace
