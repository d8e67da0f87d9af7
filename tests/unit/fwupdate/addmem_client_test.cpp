// The updater's own driver on a temporary system root: the service installed from the working folder
// on demand (and replaced when an earlier run left one), the device opened as it is when the driver
// already runs, and the primitives carried through the built "AddMem.sys".
#include "fwupdate/addmem_client.h"

#include <gtest/gtest.h>

#include "fwupdate/driver_handle.h"
#include "fwupdate/running_bios.h"
#include "platform/machine_hardware.h"
#include "platform/services.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

class AddMemClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(platform::InitMachine(platform::MachineFolder(), platform::MachineSettings{}).ok());
        previous_ = fs::current_path();
        // Every test starts from the driver the updater really uses.
        fwupdate::SetDriverOpener(nullptr);
    }
    void TearDown() override {
        fwupdate::CloseDriver();
        fs::current_path(previous_);
    }

    // A working folder holding the driver file (or not), made the current directory.
    fs::path EnterWorkingFolder(const std::string& name, bool withDriver) {
        fs::path folder = root_.path() / "Temp" / name;
        fs::create_directories(folder);
        if (withDriver)
            fs::copy_file(KIT_ADDMEM_DRIVER, folder / "AddMem.sys", fs::copy_options::overwrite_existing);
        fs::current_path(folder);
        return folder;
    }
    static std::optional<platform::ServiceStatus> Service() {
        platform::Result<platform::ServiceManager> scm = platform::ServiceManager::Open();
        if (!scm)
            return std::nullopt;
        platform::Result<platform::Service> service = scm->OpenService("ADDMEM");
        if (!service)
            return std::nullopt;
        platform::Result<platform::ServiceStatus> status = service->Query();
        if (!status)
            return std::nullopt;
        return *status;
    }

    kit_test::TempSystemRoot root_;
    fs::path previous_;
};

TEST_F(AddMemClientTest, InstallsTheServiceFromTheWorkingFolderOnDemand) {
    fs::path folder = EnterWorkingFolder("__Kantrel_Update", true);
    ASSERT_FALSE(Service().has_value());
    std::unique_ptr<fwupdate::HardwareChannel> driver = fwupdate::OpenAddMemDriver();
    ASSERT_NE(driver, nullptr);
    std::optional<platform::ServiceStatus> service = Service();
    ASSERT_TRUE(service.has_value());
    EXPECT_EQ(service->config.imagePath, fs::current_path().string() + "\\ADDMEM.SYS");
    EXPECT_EQ(service->config.displayName, "ADDMEM");
    EXPECT_EQ(service->config.type, platform::kServiceKernelDriver);
    EXPECT_EQ(service->config.startType, platform::kServiceDemandStart);
    EXPECT_EQ(service->config.errorControl, platform::kServiceErrorNormal);
    EXPECT_EQ(service->state, platform::ServiceState::Running);
    // The channel reaches the machine.
    std::optional<uint32_t> status = driver->ReadPort(0x64, 1);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, *platform::OpenMachineHardware()->ReadPortByte(0x64));
}

TEST_F(AddMemClientTest, AServiceLeftByAnEarlierRunIsReplaced) {
    // The earlier run installed from its own folder, was powered off (which unloads every driver)
    // and deleted its driver file; the service stays registered.
    fs::path earlier = EnterWorkingFolder("earlier", true);
    ASSERT_NE(fwupdate::OpenAddMemDriver(), nullptr);
    ASSERT_TRUE(platform::PowerOffMachine().ok());
    ASSERT_TRUE(platform::PowerOnMachine().ok());
    fs::remove(earlier / "AddMem.sys");
    std::optional<platform::ServiceStatus> left = Service();
    ASSERT_TRUE(left.has_value());
    ASSERT_EQ(left->state, platform::ServiceState::Stopped);

    fs::path now = EnterWorkingFolder("now", true);
    std::unique_ptr<fwupdate::HardwareChannel> driver = fwupdate::OpenAddMemDriver();
    ASSERT_NE(driver, nullptr);
    std::optional<platform::ServiceStatus> service = Service();
    ASSERT_TRUE(service.has_value());
    EXPECT_EQ(service->config.imagePath, fs::current_path().string() + "\\ADDMEM.SYS");
    EXPECT_NE(service->config.imagePath, left->config.imagePath);
    EXPECT_EQ(service->state, platform::ServiceState::Running);
}

TEST_F(AddMemClientTest, ARunningDriverIsOpenedWithoutInstalling) {
    EnterWorkingFolder("first", true);
    ASSERT_NE(fwupdate::OpenAddMemDriver(), nullptr);
    std::optional<platform::ServiceStatus> installed = Service();
    ASSERT_TRUE(installed.has_value());

    // A folder without the driver file: only the running driver can answer.
    EnterWorkingFolder("second", false);
    std::unique_ptr<fwupdate::HardwareChannel> driver = fwupdate::OpenAddMemDriver();
    ASSERT_NE(driver, nullptr);
    std::optional<platform::ServiceStatus> service = Service();
    ASSERT_TRUE(service.has_value());
    EXPECT_EQ(service->config.imagePath, installed->config.imagePath);
    EXPECT_EQ(service->state, platform::ServiceState::Running);
}

TEST_F(AddMemClientTest, WithoutTheDriverFileOpeningFails) {
    EnterWorkingFolder("__Kantrel_Update", false);
    EXPECT_EQ(fwupdate::OpenAddMemDriver(), nullptr);
    EXPECT_FALSE(fwupdate::OpenDriver(fwupdate::OpenAttempts::Ten));
    fwupdate::BiosIdentity identity;
    EXPECT_EQ(fwupdate::ReadRunningBiosIdentity(identity), fwupdate::kResultNoDriver);
    // The service stays registered from this folder, stopped, for the next run to replace.
    std::optional<platform::ServiceStatus> service = Service();
    ASSERT_TRUE(service.has_value());
    EXPECT_EQ(service->config.imagePath, fs::current_path().string() + "\\ADDMEM.SYS");
    EXPECT_EQ(service->state, platform::ServiceState::Stopped);
}

TEST_F(AddMemClientTest, TheRunningBiosIsReadThroughTheDriver) {
    EnterWorkingFolder("__Kantrel_Update", true);
    fwupdate::BiosIdentity identity;
    ASSERT_EQ(fwupdate::ReadRunningBiosIdentity(identity), 0u);
    EXPECT_EQ(identity.date, 0x07D60C1Fu);
    EXPECT_EQ(identity.model, "NB10");
    EXPECT_EQ(identity.partNumber, "011");
    EXPECT_EQ(identity.version, "P01A");
    EXPECT_EQ(identity.systemSerial, "SN0012345678");
    EXPECT_EQ(fwupdate::DriverChannel(), nullptr);
}

TEST_F(AddMemClientTest, PhysicalMemoryWritesAndReadsThroughTheDriver) {
    EnterWorkingFolder("__Kantrel_Update", true);
    std::unique_ptr<fwupdate::HardwareChannel> driver = fwupdate::OpenAddMemDriver();
    ASSERT_NE(driver, nullptr);
    const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(driver->WritePhysical(0x90200, data));
    std::vector<uint8_t> back(data.size());
    ASSERT_TRUE(driver->ReadPhysical(0x90200, back));
    EXPECT_EQ(back, data);
    ASSERT_TRUE(driver->WritePort(0xCF8, 4, 0x8000F840));
    EXPECT_EQ(driver->ReadPort(0xCF8, 4), 0x8000F840u);
    EXPECT_FALSE(driver->ReadPort(0x60, 3).has_value());
}

}  // namespace
