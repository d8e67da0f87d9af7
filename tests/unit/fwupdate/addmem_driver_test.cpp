// The built "AddMem.sys" installed as the updater installs it (service "ADDMEM" from its working
// folder) and driven through "\\.\ADDMEM" with the request records of its control codes.
#include <gtest/gtest.h>

#include <cstring>

#include "fwupdate/addmem_codes.h"
#include "platform/device.h"
#include "platform/machine_hardware.h"
#include "platform/services.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

using namespace fwupdate::addmem;

std::vector<uint8_t> Record(uint64_t first, uint32_t second = 0) {
    std::vector<uint8_t> record(8, 0);
    for (size_t i = 0; i < 8; ++i)
        record[i] = static_cast<uint8_t>(first >> (8 * i));
    for (size_t i = 0; i < 4; ++i)
        record[4 + i] |= static_cast<uint8_t>(second >> (8 * i));
    return record;
}

class AddMem : public ::testing::Test {
  protected:
    void SetUp() override {
        work_ = root_.path() / "Work";
        fs::create_directories(work_);
        fs::copy_file(KIT_ADDMEM_DRIVER, work_ / "AddMem.sys");
        // The updater names the file in upper case; the working folder holds "AddMem.sys".
        platform::ServiceConfig config;
        config.name = "ADDMEM";
        config.displayName = "ADDMEM";
        config.imagePath = work_.string() + "\\ADDMEM.SYS";
        platform::Result<platform::ServiceManager> scm = platform::ServiceManager::Open();
        ASSERT_TRUE(scm.ok());
        platform::Result<platform::Service> service = scm->Create(config);
        ASSERT_TRUE(service.ok());
        platform::Result<void> started = service->Start();
        ASSERT_TRUE(started.ok()) << started.error().message;
        platform::Result<std::unique_ptr<platform::Device>> device = platform::OpenDevice("\\\\.\\ADDMEM");
        ASSERT_TRUE(device.ok()) << device.error().message;
        device_ = std::move(device).value();
    }

    size_t Send(uint32_t code, const std::vector<uint8_t>& input, std::vector<uint8_t>& output) {
        platform::Result<size_t> done = device_->IoControl(code, input, output);
        EXPECT_TRUE(done.ok()) << std::hex << code << ": " << (done.ok() ? "" : done.error().message);
        return done.value_or(0);
    }

    kit_test::TempSystemRoot root_;
    fs::path work_;
    std::unique_ptr<platform::Device> device_;
};

TEST_F(AddMem, DeclaresItsDeviceAndLink) {
    std::vector<platform::LoadedDriver> loaded = platform::LoadedDrivers();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].device.deviceName, "\\Device\\ADDMEM");
    EXPECT_EQ(loaded[0].device.linkName, "\\DosDevices\\ADDMEM");
}

TEST_F(AddMem, PortRequestsOfEveryWidth) {
    // The PCI address register (0xCF8) keeps a 32-bit write; the keyboard controller's status (0x64)
    // and the ports nothing decodes answer bytes and words.
    std::vector<uint8_t> out4(4, 0xEE);
    EXPECT_EQ(Send(kWritePortDword, Record(0xCF8, 0x8000F8A0), out4), 4u);
    EXPECT_EQ(platform::ReadMachine(platform::MachineFolder())->state().pciAddress, 0x8000F8A0u);
    std::fill(out4.begin(), out4.end(), 0);
    EXPECT_EQ(Send(kReadPortDword, Record(0xCF8), out4), 4u);
    EXPECT_EQ(out4, (std::vector<uint8_t>{0xA0, 0xF8, 0x00, 0x80}));

    std::unique_ptr<platform::MachineHardware> hw = platform::OpenMachineHardware();
    std::vector<uint8_t> out1(1, 0);
    EXPECT_EQ(Send(kReadPortByte, Record(0x64), out1), 1u);
    EXPECT_EQ(out1[0], *hw->ReadPortByte(0x64));
    std::vector<uint8_t> out2(2, 0);
    EXPECT_EQ(Send(kReadPortWord, Record(0x80), out2), 2u);
    EXPECT_EQ(out2[0] | out2[1] << 8, *hw->ReadPortWord(0x80));

    // A byte write to the keyboard controller: command 0x60 then data 0x74 sets the command byte; the
    // three bytes after the value in the record are not used.
    EXPECT_EQ(Send(kWritePortByte, Record(0x64, 0xFFFFFF60), out1), 1u);
    EXPECT_EQ(Send(kWritePortByte, Record(0x60, 0x74), out1), 1u);
    EXPECT_EQ(platform::ReadMachine(platform::MachineFolder())->state().commandByte, 0x74);
    EXPECT_EQ(Send(kWritePortWord, Record(0x80, 0x1234), out2), 2u);
}

TEST_F(AddMem, PhysicalMemoryRoundTrip) {
    std::vector<uint8_t> write = Record(0x90100);
    const uint8_t data[] = {'C', 'X', 4, 0, 0, 1, 2, 3, 4, 5};
    write.insert(write.end(), std::begin(data), std::end(data));
    std::vector<uint8_t> ignored(sizeof data);
    EXPECT_EQ(Send(kWriteMemory, write, ignored), sizeof data);

    std::vector<uint8_t> read(sizeof data + 2, 0xEE);
    EXPECT_EQ(Send(kReadMemory, Record(0x90100), read), read.size());
    EXPECT_EQ(std::vector<uint8_t>(read.begin(), read.begin() + sizeof data),
              std::vector<uint8_t>(std::begin(data), std::end(data)));
    EXPECT_EQ(read[sizeof data], 0);

    // The BIOS segment reads as the machine shows it.
    std::vector<uint8_t> segment(0x10000);
    EXPECT_EQ(Send(kReadMemory, Record(0xF0000), segment), segment.size());
    EXPECT_EQ(segment, platform::ReadMachine(platform::MachineFolder())->ReadMemory(0xF0000, 0x10000));
}

TEST_F(AddMem, UnknownCodesCompleteWithoutData) {
    std::vector<uint8_t> output(16, 0xEE);
    for (uint32_t code : {0u, 0x222030u, 0x222054u, 0x74080u})
        EXPECT_EQ(Send(code, Record(0x64), output), 0u) << code;
    EXPECT_EQ(output, std::vector<uint8_t>(16, 0xEE));
}

TEST_F(AddMem, MalformedRecordsAreRefused) {
    std::vector<uint8_t> out(4);
    std::vector<uint8_t> shortRecord(7, 0);
    std::vector<uint8_t> farAddress = Record(0xFFFFFFFFFFFFFFF0ull);
    std::vector<uint8_t> wideWrite = farAddress;
    wideWrite.resize(8 + 32, 1);
    std::vector<uint8_t> bigOutput(32);
    struct Case {
        uint32_t code;
        std::vector<uint8_t> input;
        std::vector<uint8_t>* output;
    } cases[] = {
        {kReadPortByte, shortRecord, &out},      {kWritePortDword, shortRecord, &out},
        {kReadPortDword, Record(0x10000), &out}, {kReadMemory, shortRecord, &out},
        {kWriteMemory, shortRecord, &out},       {kReadMemory, farAddress, &bigOutput},
        {kWriteMemory, wideWrite, &bigOutput},
    };
    for (Case& c : cases)
        EXPECT_FALSE(device_->IoControl(c.code, c.input, *c.output).ok()) << std::hex << c.code;
    std::vector<uint8_t> tooSmall(3);
    EXPECT_FALSE(device_->IoControl(kReadPortDword, Record(0xCF8), tooSmall).ok());
}

TEST_F(AddMem, StaysLoadedWithoutItsFileUntilPowerOff) {
    device_.reset();
    fs::remove(work_ / "AddMem.sys");
    platform::Result<std::unique_ptr<platform::Device>> again = platform::OpenDevice("\\\\.\\ADDMEM");
    ASSERT_TRUE(again.ok()) << again.error().message;
    std::vector<uint8_t> out(1);
    EXPECT_EQ((*again)->IoControl(kReadPortByte, Record(0x64), out).value_or(0), 1u);
    again = platform::Error{};

    ASSERT_TRUE(platform::PowerOffMachine().ok());
    EXPECT_FALSE(platform::OpenDevice("\\\\.\\ADDMEM").ok());
}

}  // namespace
