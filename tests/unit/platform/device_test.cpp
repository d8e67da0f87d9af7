// Devices opened by path: a running driver module's device, whose requests go into the module, and
// the physical drives answering the SMART identify requests from the machine's disks.
#include "platform/device.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/machine_hardware.h"
#include "platform/services.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<unsigned> values) {
    std::vector<uint8_t> out;
    for (unsigned v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

// Opens a device that must exist; null (and a failed test) when it does not.
std::unique_ptr<platform::Device> MustOpen(const std::string& path) {
    platform::Result<std::unique_ptr<platform::Device>> device = platform::OpenDevice(path);
    EXPECT_TRUE(device.ok()) << path << ": " << (device.ok() ? "" : device.error().message);
    return device.ok() ? std::move(device).value() : nullptr;
}

class DriverDevices : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::path image = root_.path() / "Work" / "Probe.sys";
        fs::create_directories(image.parent_path());
        fs::copy_file(KIT_PROBE_DRIVER, image);
        platform::ServiceConfig config;
        config.name = "PROBE";
        config.imagePath = image.string();
        platform::Result<platform::ServiceManager> scm = platform::ServiceManager::Open();
        ASSERT_TRUE(scm.ok());
        platform::Result<platform::Service> service = scm->Create(config);
        ASSERT_TRUE(service.ok());
        ASSERT_TRUE(service->Start().ok());
        image_ = image;
    }

    kit_test::TempSystemRoot root_;
    fs::path image_;
};

TEST_F(DriverDevices, RequestsReachTheModuleAndThroughItTheMachine) {
    for (const char* path : {"\\\\.\\PROBE", "\\\\.\\probe", "//./Probe"}) {
        platform::Result<std::unique_ptr<platform::Device>> device = platform::OpenDevice(path);
        ASSERT_TRUE(device.ok()) << path << ": " << device.error().message;
    }
    std::unique_ptr<platform::Device> device = MustOpen("\\\\.\\PROBE");
    ASSERT_TRUE(device);

    std::vector<uint8_t> input = Bytes({1, 2, 3, 4, 5});
    std::vector<uint8_t> output(8, 0xEE);
    platform::Result<size_t> echoed = device->IoControl(1, input, output);
    ASSERT_TRUE(echoed.ok());
    EXPECT_EQ(*echoed, 5u);
    EXPECT_EQ(std::vector<uint8_t>(output.begin(), output.begin() + 5), input);

    // The PCI address register holds what was written to it, so a write and a read cross the machine.
    ASSERT_TRUE(device->IoControl(3, Bytes({0xF8, 0x0C, 4, 0x08, 0xF8, 0x00, 0x80}), {}).ok());
    std::vector<uint8_t> value(4, 0);
    ASSERT_EQ(device->IoControl(2, Bytes({0xF8, 0x0C, 4}), value).value_or(0), 4u);
    EXPECT_EQ(value, Bytes({0x08, 0xF8, 0x00, 0x80}));
    EXPECT_EQ(platform::ReadMachine(platform::MachineFolder())->state().pciAddress, 0x8000F808u);
}

TEST_F(DriverDevices, ModuleFailuresAndOverlongAnswersAreErrors) {
    std::unique_ptr<platform::Device> device = MustOpen("\\\\.\\PROBE");
    ASSERT_TRUE(device);
    std::vector<uint8_t> output(4);
    platform::Result<size_t> failed = device->IoControl(5, {}, output);
    ASSERT_FALSE(failed.ok());
    EXPECT_NE(failed.error().message.find("0xC0000010"), std::string::npos) << failed.error().message;
    // A module claiming more bytes than the output holds must not be believed.
    EXPECT_FALSE(device->IoControl(4, {}, output).ok());
}

TEST_F(DriverDevices, DeviceStaysWhenTheImageIsDeletedAndGoesWithTheDriver) {
    fs::remove(image_);
    EXPECT_TRUE(platform::OpenDevice("\\\\.\\PROBE").ok());

    ASSERT_TRUE(platform::PowerOffMachine().ok());
    EXPECT_FALSE(platform::OpenDevice("\\\\.\\PROBE").ok());
    ASSERT_TRUE(*platform::PowerOnMachine());
    EXPECT_FALSE(platform::OpenDevice("\\\\.\\PROBE").ok());
}

TEST_F(DriverDevices, StoppedDriverHasNoDevice) {
    ASSERT_TRUE(platform::ServiceManager::Open()->OpenService("PROBE")->Stop().ok());
    platform::Result<std::unique_ptr<platform::Device>> device = platform::OpenDevice("\\\\.\\PROBE");
    ASSERT_FALSE(device.ok());
    EXPECT_NE(device.error().message.find("no such device"), std::string::npos);
}

TEST(DevicePaths, OnlyDevicePathsOpen) {
    kit_test::TempSystemRoot root;
    for (const char* path : {"", "PROBE", "\\\\.\\", "\\\\?\\PROBE", "C:\\PROBE", "\\\\.\\A\\B",
                             "\\\\.\\NOTHING", "\\\\.\\PhysicalDrive", "\\\\.\\PhysicalDrive4",
                             "\\\\.\\PhysicalDrive-1", "\\\\.\\PhysicalDrive00000000001"})
        EXPECT_FALSE(platform::OpenDevice(path).ok()) << path;
}

// The request of an identify through SMART_RCV_DRIVE_DATA, as the updater builds it.
std::vector<uint8_t> IdentifyRequest(unsigned drive, uint8_t command) {
    std::vector<uint8_t> in(35, 0);
    in[0] = 0x00;
    in[1] = 0x02;  // buffer size 512
    in[5] = 1;     // sector count
    in[6] = 1;     // sector number
    in[9] = drive & 1 ? 0xB0 : 0xA0;
    in[10] = command;
    in[12] = static_cast<uint8_t>(drive);
    return in;
}

TEST(PhysicalDrives, SmartIdentifyAnswersFromTheMachinesDisks) {
    kit_test::TempSystemRoot root;
    ASSERT_TRUE(platform::UpdateMachine(platform::MachineFolder(), [](platform::Machine& m) {
                    ASSERT_TRUE(m.Set("disk0", "ata,fixed").ok());
                    ASSERT_TRUE(m.Set("disk1", "atapi,removable").ok());
                    ASSERT_TRUE(m.Set("disk2", "none").ok());
                    ASSERT_TRUE(m.Set("disk3", "ata,security").ok());
                }).ok());
    platform::Machine machine = *platform::ReadMachine(platform::MachineFolder());

    struct Case {
        unsigned drive;
        bool exists;
        uint8_t command;  // the one the drive answers
    } cases[] = {{0, true, 0xEC}, {1, true, 0xA1}, {2, false, 0}, {3, true, 0xEC}};
    for (const Case& c : cases) {
        std::string path = "\\\\.\\PhysicalDrive" + std::to_string(c.drive);
        platform::Result<std::unique_ptr<platform::Device>> drive = platform::OpenDevice(path);
        ASSERT_EQ(drive.ok(), c.exists) << path;
        if (!c.exists)
            continue;
        std::vector<uint8_t> version(24, 0xFF);
        ASSERT_EQ((*drive)->IoControl(platform::kSmartGetVersion, {}, version).value_or(0), 24u);
        uint8_t map = version[3];
        EXPECT_EQ(map, machine.DiskDeviceMap(c.drive)) << path;
        uint8_t command = map & (1u << (4 + c.drive)) ? 0xA1 : 0xEC;
        EXPECT_EQ(command, c.command) << path;

        std::vector<uint8_t> output(531, 0xFF);
        platform::Result<size_t> got =
            (*drive)->IoControl(platform::kSmartRcvDriveData, IdentifyRequest(c.drive, command), output);
        ASSERT_TRUE(got.ok()) << path << ": " << got.error().message;
        EXPECT_EQ(*got, 16u + 512u);
        std::vector<uint8_t> identify(output.begin() + 16, output.begin() + 16 + 512);
        EXPECT_EQ(identify, *machine.DiskIdentify(c.drive, command)) << path;
        EXPECT_EQ(output[0] | output[1] << 8, 512);

        // The identify command of the other kind is aborted by the drive.
        uint8_t other = command == 0xEC ? 0xA1 : 0xEC;
        EXPECT_FALSE(
            (*drive)->IoControl(platform::kSmartRcvDriveData, IdentifyRequest(c.drive, other), output).ok());
    }
}

TEST(PhysicalDrives, MalformedRequestsFailWithoutTouchingMemory) {
    kit_test::TempSystemRoot root;
    std::unique_ptr<platform::Device> drive = MustOpen("\\\\.\\physicaldrive0");
    ASSERT_TRUE(drive);
    std::vector<uint8_t> small(23);
    EXPECT_FALSE(drive->IoControl(platform::kSmartGetVersion, {}, small).ok());
    std::vector<uint8_t> output(531);
    std::vector<uint8_t> request = IdentifyRequest(0, 0xEC);
    EXPECT_FALSE(drive->IoControl(platform::kSmartRcvDriveData, std::span(request).first(12), output).ok());
    EXPECT_FALSE(drive->IoControl(platform::kSmartRcvDriveData, request, std::span(output).first(527)).ok());
    EXPECT_FALSE(drive->IoControl(platform::kSmartRcvDriveData, IdentifyRequest(0, 0xB0), output).ok());
    EXPECT_FALSE(drive->IoControl(platform::kSmartRcvDriveData, IdentifyRequest(1, 0xEC), output).ok());
    EXPECT_FALSE(drive->IoControl(0x222038, request, output).ok());
}

TEST(PresentDevices, ListAndPropertyChangeWorkOnTheCurrentRoot) {
    kit_test::TempSystemRoot root;
    ASSERT_TRUE(
        platform::UpdateMachine(platform::MachineFolder(), [](platform::Machine& m) {
            ASSERT_TRUE(
                m.Set("devices", "Mouse|USB mouse|1|0|1;Mouse|Touchpad|1|29|0;Keyboard|Keys|0|0|1").ok());
        }).ok());
    std::optional<std::vector<platform::MachineDevice>> devices = platform::PresentDevices();
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), 3u);
    EXPECT_EQ((*devices)[1].name, "Touchpad");

    EXPECT_TRUE(platform::SetPresentDeviceEnabled(0, false));
    EXPECT_FALSE(platform::SetPresentDeviceEnabled(1, true));   // disabled by its hardware
    EXPECT_FALSE(platform::SetPresentDeviceEnabled(2, false));  // cannot be disabled
    EXPECT_FALSE(platform::SetPresentDeviceEnabled(3, false));  // no such device
    devices = platform::PresentDevices();
    EXPECT_FALSE((*devices)[0].enabled);
    EXPECT_FALSE((*devices)[1].enabled);
    EXPECT_TRUE((*devices)[2].enabled);
}

}  // namespace
