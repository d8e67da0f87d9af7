// A driver started by one process is loaded for every other: winsys lists it, and a power-off from
// winsys unloads it for the process that started it.
#include <gtest/gtest.h>

#include <string>

#include "platform/device.h"
#include "platform/services.h"
#include "support/run_command.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

TEST(WinsysServices, ShowListsServicesAndLoadedDriversOfOtherProcesses) {
    kit_test::TempSystemRoot root;
    fs::copy_file(KIT_ADDMEM_DRIVER, root.path() / "AddMem.sys");
    platform::ServiceConfig config;
    config.name = "ADDMEM";
    config.displayName = "ADDMEM";
    config.imagePath = (root.path() / "AddMem.sys").string();
    platform::Result<platform::ServiceManager> scm = platform::ServiceManager::Open();
    ASSERT_TRUE(scm.ok());
    ASSERT_TRUE(scm->Create(config).ok());
    ASSERT_TRUE(scm->OpenService("ADDMEM")->Start().ok());
    ASSERT_TRUE(scm->OpenService("ADDMEM")->Delete().ok());
    auto winsys = [&](const std::string& args) {
        return kit_test::RunKitProgram("winsys", "--root " + root.path().string() + " machine " + args);
    };

    kit_test::CommandResult json = winsys("show --json");
    ASSERT_EQ(json.status, 0) << json.output;
    EXPECT_NE(
        json.output.find("{\"name\": \"ADDMEM\", \"display_name\": \"ADDMEM\", \"type\": 1, \"start\": 3, "
                         "\"error_control\": 1, \"image_path\": \"" +
                         config.imagePath + "\", \"state\": \"running\", \"marked_for_deletion\": true}"),
        std::string::npos)
        << json.output;
    EXPECT_NE(
        json.output.find("\"device\": \"\\\\Device\\\\ADDMEM\", \"link\": \"\\\\DosDevices\\\\ADDMEM\""),
        std::string::npos)
        << json.output;
    kit_test::CommandResult text = winsys("show");
    ASSERT_EQ(text.status, 0);
    EXPECT_NE(text.output.find("running, marked for deletion"), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("loaded driver        ADDMEM, device \\Device\\ADDMEM"), std::string::npos)
        << text.output;

    ASSERT_EQ(winsys("power-off").status, 0);
    EXPECT_FALSE(platform::OpenDevice("\\\\.\\ADDMEM").ok());
    EXPECT_FALSE(scm->OpenService("ADDMEM").ok());  // it was marked for deletion
    kit_test::CommandResult after = winsys("show --json");
    EXPECT_NE(after.output.find("\"services\": [],\n  \"loaded_drivers\": []"), std::string::npos)
        << after.output;
}

}  // namespace
