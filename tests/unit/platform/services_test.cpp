// The service control manager: kernel-driver services in the registry, started from their image file
// into machine/loaded/, stopped, deleted (at once or marked while running) and unloaded by power-off.
#include "platform/services.h"

#include <gtest/gtest.h>

#include "platform/machine_hardware.h"
#include "platform/registry.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

using platform::ServiceConfig;
using platform::ServiceManager;
using platform::ServiceState;

class Services : public ::testing::Test {
  protected:
    // The probe driver in a working folder of the root, as an updater extracts its driver.
    void SetUp() override {
        work_ = root_.path() / "Work";
        fs::create_directories(work_);
        fs::copy_file(KIT_PROBE_DRIVER, work_ / "Probe.sys");
    }

    ServiceConfig Probe(const std::string& name = "PROBE") const {
        ServiceConfig config;
        config.name = name;
        config.displayName = name;
        config.imagePath = (work_ / "Probe.sys").string();
        return config;
    }

    ServiceManager Manager() {
        platform::Result<ServiceManager> manager = ServiceManager::Open();
        EXPECT_TRUE(manager.ok());
        return *manager;
    }

    ServiceState StateOf(const std::string& name) {
        platform::Result<platform::Service> service = Manager().OpenService(name);
        EXPECT_TRUE(service.ok()) << service.error().message;
        return service ? service->Query()->state : ServiceState::Stopped;
    }

    kit_test::TempSystemRoot root_;
    fs::path work_;
};

TEST_F(Services, CreateStoresTheValuesAsWindowsDoes) {
    ServiceManager scm = Manager();
    ASSERT_TRUE(scm.Create(Probe()).ok());
    platform::Registry* registry = *platform::CurrentRegistry();
    std::optional<platform::RegKey> key = registry->FindKey("SYSTEM\\CurrentControlSet\\Services\\probe");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryDword("Type"), 1u);
    EXPECT_EQ(key->QueryDword("Start"), 3u);
    EXPECT_EQ(key->QueryDword("ErrorControl"), 1u);
    EXPECT_EQ(key->QueryExpandString("ImagePath"), Probe().imagePath);
    EXPECT_EQ(key->QueryString("DisplayName"), "PROBE");
    EXPECT_FALSE(key->HasValue("DeleteFlag"));
}

TEST_F(Services, CreateFailsWhenTheServiceExistsWhateverItsCase) {
    ServiceManager scm = Manager();
    ASSERT_TRUE(scm.Create(Probe()).ok());
    platform::Result<platform::Service> again = scm.Create(Probe("probe"));
    ASSERT_FALSE(again.ok());
    EXPECT_NE(again.error().message.find("exists"), std::string::npos) << again.error().message;
}

TEST_F(Services, BadNamesAreRefused) {
    ServiceManager scm = Manager();
    for (const char* name : {"", "A\\B", "A/B", "..", "tab\there"}) {
        EXPECT_FALSE(scm.Create(Probe(name)).ok()) << name;
        EXPECT_FALSE(scm.OpenService(name).ok()) << name;
    }
    EXPECT_FALSE(scm.OpenService("MISSING").ok());
}

TEST_F(Services, StartLoadsACopyThatOutlivesTheImageFile) {
    ServiceManager scm = Manager();
    platform::Result<platform::Service> service = scm.Create(Probe());
    ASSERT_TRUE(service.ok());
    EXPECT_EQ(service->Query()->state, ServiceState::Stopped);
    ASSERT_TRUE(service->Start().ok()) << service->Start().error().message;
    EXPECT_EQ(StateOf("probe"), ServiceState::Running);

    fs::remove(work_ / "Probe.sys");
    std::vector<platform::LoadedDriver> loaded = platform::LoadedDrivers();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].serviceName, "PROBE");
    EXPECT_EQ(loaded[0].device.deviceName, "\\Device\\PROBE");
    EXPECT_EQ(loaded[0].device.DosName(), "PROBE");
    EXPECT_TRUE(fs::is_regular_file(loaded[0].loadedCopy));
    EXPECT_EQ(loaded[0].loadedCopy.parent_path(), platform::MachineFolder() / "loaded");
    EXPECT_EQ(StateOf("PROBE"), ServiceState::Running);

    platform::Result<void> twice = service->Start();
    ASSERT_FALSE(twice.ok());
    EXPECT_NE(twice.error().message.find("already running"), std::string::npos);
}

TEST_F(Services, StopDeleteAndCreateAgain) {
    ServiceManager scm = Manager();
    platform::Result<platform::Service> service = scm.Create(Probe());
    ASSERT_TRUE(service.ok());
    ASSERT_TRUE(service->Start().ok());
    ASSERT_TRUE(service->Stop().ok());
    EXPECT_EQ(service->Query()->state, ServiceState::Stopped);
    EXPECT_TRUE(platform::LoadedDrivers().empty());
    EXPECT_FALSE(service->Stop().ok());  // not running

    ASSERT_TRUE(service->Delete().ok());
    EXPECT_FALSE(service->Query().ok());
    EXPECT_FALSE(scm.OpenService("PROBE").ok());
    EXPECT_FALSE(service->Start().ok());

    platform::Result<platform::Service> again = scm.Create(Probe());
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(again->Start().ok());
}

TEST_F(Services, DeleteWhileRunningMarksTheServiceUntilItStops) {
    ServiceManager scm = Manager();
    platform::Result<platform::Service> service = scm.Create(Probe());
    ASSERT_TRUE(service.ok());
    ASSERT_TRUE(service->Start().ok());
    ASSERT_TRUE(service->Delete().ok());

    platform::Result<platform::ServiceStatus> status = service->Query();
    ASSERT_TRUE(status.ok());
    EXPECT_TRUE(status->markedForDeletion);
    EXPECT_EQ(status->state, ServiceState::Running);
    EXPECT_FALSE(service->Delete().ok());
    platform::Result<platform::Service> create = scm.Create(Probe());
    ASSERT_FALSE(create.ok());
    EXPECT_NE(create.error().message.find("marked for deletion"), std::string::npos);
    EXPECT_TRUE(scm.OpenService("PROBE").ok());

    ASSERT_TRUE(service->Stop().ok());
    EXPECT_FALSE((*platform::CurrentRegistry())->KeyExists("SYSTEM\\CurrentControlSet\\Services\\PROBE"));
    EXPECT_TRUE(scm.Create(Probe()).ok());
}

TEST_F(Services, PowerOffUnloadsEveryDriverAndEndsMarkedServices) {
    ServiceManager scm = Manager();
    ASSERT_TRUE(scm.Create(Probe("ONE")).ok());
    ASSERT_TRUE(scm.OpenService("ONE")->Start().ok());
    ASSERT_TRUE(scm.OpenService("ONE")->Delete().ok());
    ASSERT_EQ(platform::LoadedDrivers().size(), 1u);

    ASSERT_TRUE(platform::PowerOffMachine().ok());
    EXPECT_TRUE(platform::LoadedDrivers().empty());
    EXPECT_FALSE(scm.OpenService("ONE").ok());
    // Drivers do not start on a machine that is off.
    ASSERT_TRUE(scm.Create(Probe("TWO")).ok());
    platform::Result<void> off = scm.OpenService("TWO")->Start();
    ASSERT_FALSE(off.ok());
    EXPECT_NE(off.error().message.find("off"), std::string::npos);
    EXPECT_EQ(StateOf("TWO"), ServiceState::Stopped);
}

TEST_F(Services, AutoPowerOnStillUnloadsTheDrivers) {
    ServiceManager scm = Manager();
    ASSERT_TRUE(scm.Create(Probe()).ok());
    ASSERT_TRUE(scm.OpenService("PROBE")->Start().ok());
    ASSERT_TRUE(platform::UpdateMachine(platform::MachineFolder(), [](platform::Machine& m) {
                    m.SetEcRegister(0xE887, 1);
                }).ok());
    ASSERT_TRUE(platform::PowerOffMachine().ok());
    EXPECT_TRUE(platform::ReadMachine(platform::MachineFolder())->state().poweredOn);
    EXPECT_EQ(StateOf("PROBE"), ServiceState::Stopped);
    EXPECT_TRUE(scm.OpenService("PROBE")->Start().ok());
}

TEST_F(Services, ImagesThatAreNoDriverFailTheStartAndLeaveNothingLoaded) {
    kit_test::WriteFile(work_ / "text.sys", "MZ this is not a library");
    fs::copy_file(KIT_NO_ENTRY_MODULE, work_ / "noentry.sys");
    struct Case {
        std::string image;
        std::string expected;
    } cases[] = {
        {(work_ / "text.sys").string(), "not a driver module"},
        {(work_ / "noentry.sys").string(), "KitDriverEntry"},
        {(work_ / "missing.sys").string(), "does not exist"},
        {"", "no image path"},
    };
    ServiceManager scm = Manager();
    for (const Case& c : cases) {
        ServiceConfig config = Probe("BAD");
        config.imagePath = c.image;
        platform::Result<platform::Service> service = scm.Create(config);
        ASSERT_TRUE(service.ok());
        platform::Result<void> started = service->Start();
        ASSERT_FALSE(started.ok()) << c.image;
        EXPECT_NE(started.error().message.find(c.expected), std::string::npos) << started.error().message;
        EXPECT_EQ(service->Query()->state, ServiceState::Stopped);
        ASSERT_TRUE(service->Delete().ok());
    }
    // No copy or temporary file is left behind.
    std::error_code ec;
    EXPECT_TRUE(fs::is_empty(platform::MachineFolder() / "loaded", ec) || ec);
}

TEST_F(Services, OnlyStartableDriversStart) {
    ServiceManager scm = Manager();
    ServiceConfig program = Probe("PROGRAM");
    program.type = platform::kServiceWin32OwnProcess;
    ServiceConfig disabled = Probe("DISABLED");
    disabled.startType = platform::kServiceDisabled;
    for (const ServiceConfig& config : {program, disabled}) {
        ASSERT_TRUE(scm.Create(config).ok());
        EXPECT_FALSE(scm.OpenService(config.name)->Start().ok()) << config.name;
    }
    EXPECT_TRUE(platform::LoadedDrivers().empty());
}

TEST_F(Services, TwoDriversCannotCreateTheSameDevice) {
    ServiceManager scm = Manager();
    ASSERT_TRUE(scm.Create(Probe("FIRST")).ok());
    ASSERT_TRUE(scm.Create(Probe("SECOND")).ok());
    ASSERT_TRUE(scm.OpenService("FIRST")->Start().ok());
    platform::Result<void> second = scm.OpenService("SECOND")->Start();
    ASSERT_FALSE(second.ok());
    EXPECT_NE(second.error().message.find("PROBE"), std::string::npos);
    EXPECT_EQ(platform::LoadedDrivers().size(), 1u);
}

TEST_F(Services, ListShowsEveryServiceInNameOrder) {
    ServiceManager scm = Manager();
    ASSERT_TRUE(scm.Create(Probe("beta")).ok());
    ASSERT_TRUE(scm.Create(Probe("ALPHA")).ok());
    ASSERT_TRUE(scm.OpenService("beta")->Start().ok());
    platform::Result<std::vector<platform::ServiceStatus>> list = scm.List();
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[0].config.name, "ALPHA");
    EXPECT_EQ((*list)[0].state, ServiceState::Stopped);
    EXPECT_EQ((*list)[1].config.name, "beta");
    EXPECT_EQ((*list)[1].state, ServiceState::Running);
}

TEST_F(Services, ImagePathsResolveTheWaysWindowsWritesThem) {
    fs::path drivers = platform::System32Folder() / "Drivers";
    fs::create_directories(drivers);
    fs::copy_file(KIT_PROBE_DRIVER, drivers / "Probe.sys");
    std::string work = work_.string();
    struct Case {
        std::string imagePath;
        fs::path expected;
    } cases[] = {
        {work + "\\PROBE.SYS", work_ / "Probe.sys"},
        {"\\??\\" + work + "\\probe.sys", work_ / "Probe.sys"},
        {"\\SystemRoot\\system32\\drivers\\probe.sys", drivers / "Probe.sys"},
        {"System32\\DRIVERS\\Probe.sys", drivers / "Probe.sys"},
        {"C:\\Windows\\System32\\Drivers\\Probe.sys", drivers / "Probe.sys"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::ResolveImagePath(c.imagePath), c.expected) << c.imagePath;

    ServiceManager scm = Manager();
    ServiceConfig config = Probe();
    config.imagePath = "System32\\DRIVERS\\Probe.sys";
    ASSERT_TRUE(scm.Create(config).ok());
    EXPECT_TRUE(scm.OpenService("PROBE")->Start().ok());
}

}  // namespace
