#include "fwupdate/addmem_client.h"

#include <array>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "fwupdate/addmem_codes.h"
#include "platform/services.h"

namespace fwupdate {

namespace {

using namespace fwupdate::addmem;

void StoreLe(uint8_t* out, uint64_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool PortCodes(unsigned width, uint32_t& read, uint32_t& write) {
    switch (width) {
        case 1:
            read = kReadPortByte;
            write = kWritePortByte;
            return true;
        case 2:
            read = kReadPortWord;
            write = kWritePortWord;
            return true;
        case 4:
            read = kReadPortDword;
            write = kWritePortDword;
            return true;
        default:
            return false;
    }
}

std::unique_ptr<platform::Device> OpenDevice() {
    platform::Result<std::unique_ptr<platform::Device>> device = platform::OpenDevice(kAddMemDevicePath);
    if (!device)
        return nullptr;
    return std::move(device).value();
}

}  // namespace

std::optional<uint32_t> AddMemDriver::ReadPort(uint16_t port, unsigned width) {
    uint32_t read = 0;
    uint32_t write = 0;
    if (!PortCodes(width, read, write))
        return std::nullopt;
    std::array<uint8_t, kRecordSize> record{};
    StoreLe(record.data(), port, 4);
    std::array<uint8_t, 4> out{};
    platform::Result<size_t> done = device_->IoControl(read, record, std::span(out.data(), width));
    if (!done || *done != width)
        return std::nullopt;
    uint32_t value = 0;
    for (unsigned i = 0; i < width; ++i)
        value |= uint32_t{out[i]} << (8 * i);
    return value;
}

bool AddMemDriver::WritePort(uint16_t port, unsigned width, uint32_t value) {
    uint32_t read = 0;
    uint32_t write = 0;
    if (!PortCodes(width, read, write))
        return false;
    std::array<uint8_t, kRecordSize> record{};
    StoreLe(record.data(), port, 4);
    StoreLe(record.data() + 4, value, width);
    std::array<uint8_t, 4> out{};
    return device_->IoControl(write, record, std::span(out.data(), width)).ok();
}

bool AddMemDriver::ReadPhysical(uint64_t address, std::span<uint8_t> out) {
    std::array<uint8_t, kRecordSize> record{};
    StoreLe(record.data(), address, 8);
    platform::Result<size_t> done = device_->IoControl(kReadMemory, record, out);
    return done && *done == out.size();
}

bool AddMemDriver::WritePhysical(uint64_t address, std::span<const uint8_t> bytes) {
    // One buffer: the address, then the data.
    std::vector<uint8_t> request(kRecordSize + bytes.size());
    StoreLe(request.data(), address, 8);
    std::copy(bytes.begin(), bytes.end(), request.begin() + kRecordSize);
    std::vector<uint8_t> echo(bytes.size());
    return device_->IoControl(kWriteMemory, request, echo).ok();
}

bool RemoveAddMemService() {
    platform::Result<platform::ServiceManager> manager = platform::ServiceManager::Open();
    if (!manager)
        return false;
    platform::Result<platform::Service> service = manager->OpenService(kAddMemServiceName);
    if (!service)
        return false;
    // A service that is not running cannot be stopped; it is deleted all the same.
    (void)service->Stop();
    return service->Delete().ok();
}

bool InstallAddMemService() {
    (void)RemoveAddMemService();
    platform::Result<platform::ServiceManager> manager = platform::ServiceManager::Open();
    if (!manager)
        return false;
    std::error_code ec;
    std::string folder = std::filesystem::current_path(ec).string();
    if (ec)
        return false;
    platform::ServiceConfig config;
    config.name = kAddMemServiceName;
    config.displayName = kAddMemServiceName;
    config.type = platform::kServiceKernelDriver;
    config.startType = platform::kServiceDemandStart;
    config.errorControl = platform::kServiceErrorNormal;
    config.imagePath = folder + "\\ADDMEM.SYS";
    platform::Result<platform::Service> service = manager->Create(config);
    if (!service)
        return false;
    (void)service->Start();
    return true;
}

std::unique_ptr<HardwareChannel> OpenAddMemDriver() {
    if (std::unique_ptr<platform::Device> device = OpenDevice())
        return std::make_unique<AddMemDriver>(std::move(device));
    if (!InstallAddMemService()) {
        (void)RemoveAddMemService();
        if (!InstallAddMemService())
            return nullptr;
    }
    if (std::unique_ptr<platform::Device> device = OpenDevice())
        return std::make_unique<AddMemDriver>(std::move(device));
    return nullptr;
}

}  // namespace fwupdate
