// drvsetup started as a kit would start it: from a kit folder that holds a link to the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_command.h"
#include "support/temp_root.h"

namespace {

TEST(DrvsetupEntry, WithoutArgumentsOrSetupIniItTellsAndEndsWithZero) {
    kit_test::TempDir dir;
    const std::filesystem::path kit = dir.path() / "kit";
    std::filesystem::create_directories(kit);
    std::filesystem::create_symlink(std::filesystem::path(KIT_BIN_DIR) / "drvsetup", kit / "drvsetup");
    const std::filesystem::path log = dir.path() / "boxes.log";

    const std::string command = "cd / && env WINSYS_ROOT='" + (dir.path() / "root").string() +
                                "' WINSYS_MSGBOX_LOG='" + log.string() +
                                "' WINSYS_MSGBOX_ANSWERS=ok QT_QPA_PLATFORM=offscreen '" +
                                (kit / "drvsetup").string() + "'";
    kit_test::CommandResult run = kit_test::RunCommand(command);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(
        kit_test::ReadFile(log),
        "{\"caption\": \"Error\", \"text\": \"Can't find Ini file\", \"flags\": 327728, \"answer\": 1}\n");
}

}  // namespace
