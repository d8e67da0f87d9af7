// The hardware-access driver "AddMem.sys": the device "\Device\ADDMEM" (link "\DosDevices\ADDMEM")
// that gives the updater I/O ports and physical memory through buffered I/O control requests. It
// reaches the machine only through the hardware table the platform hands it with each request.
#include <cstring>

#include "fwupdate/addmem_codes.h"
#include "platform/driver_abi.h"

namespace {

using namespace fwupdate::addmem;

uint32_t LoadLe32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint64_t LoadLe64(const uint8_t* bytes) {
    return static_cast<uint64_t>(LoadLe32(bytes)) | static_cast<uint64_t>(LoadLe32(bytes + 4)) << 32;
}

void StoreLe(uint8_t* out, uint32_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The record of a port request: a short input or a port beyond 16 bits is refused rather than read
// past the caller's buffer or truncated to another port.
bool PortOf(const KitDriverRequest& request, uint16_t& port) {
    if (request.input == nullptr || request.inputLength < kRecordSize)
        return false;
    uint32_t value = LoadLe32(static_cast<const uint8_t*>(request.input));
    if (value > 0xFFFF)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

uint32_t PortRead(const KitHardware& hw, KitDriverRequest& request, unsigned width) {
    uint16_t port = 0;
    if (!PortOf(request, port))
        return KIT_STATUS_INVALID_PARAMETER;
    if (request.output == nullptr || request.outputLength < width)
        return KIT_STATUS_BUFFER_TOO_SMALL;
    uint32_t value = 0;
    if (!hw.readPort(hw.context, port, width, &value))
        return KIT_STATUS_IO_DEVICE_ERROR;
    StoreLe(static_cast<uint8_t*>(request.output), value, width);
    request.transferred = width;
    return KIT_STATUS_SUCCESS;
}

uint32_t PortWrite(const KitHardware& hw, KitDriverRequest& request, unsigned width) {
    uint16_t port = 0;
    if (!PortOf(request, port))
        return KIT_STATUS_INVALID_PARAMETER;
    const auto* input = static_cast<const uint8_t*>(request.input);
    uint32_t value = LoadLe32(input + 4);
    if (width < 4)
        value &= (1u << (8 * width)) - 1;
    if (!hw.writePort(hw.context, port, width, value))
        return KIT_STATUS_IO_DEVICE_ERROR;
    // The caller ignores these bytes (they echo what was written), so a short output only shortens
    // the echo.
    unsigned echoed = request.output == nullptr      ? 0
                      : request.outputLength < width ? static_cast<unsigned>(request.outputLength)
                                                     : width;
    StoreLe(static_cast<uint8_t*>(request.output), value, echoed);
    request.transferred = echoed;
    return KIT_STATUS_SUCCESS;
}

// A range that would wrap past the top of the 64-bit address space names no memory.
bool RangeValid(uint64_t address, size_t length) {
    return length == 0 || address <= UINT64_MAX - (length - 1);
}

uint32_t MemoryRead(const KitHardware& hw, KitDriverRequest& request) {
    if (request.input == nullptr || request.inputLength < kRecordSize)
        return KIT_STATUS_INVALID_PARAMETER;
    uint64_t address = LoadLe64(static_cast<const uint8_t*>(request.input));
    if (!RangeValid(address, request.outputLength))
        return KIT_STATUS_INVALID_PARAMETER;
    if (request.outputLength == 0)
        return KIT_STATUS_SUCCESS;
    if (request.output == nullptr)
        return KIT_STATUS_BUFFER_TOO_SMALL;
    if (!hw.readPhysical(hw.context, address, request.output, request.outputLength))
        return KIT_STATUS_IO_DEVICE_ERROR;
    request.transferred = request.outputLength;
    return KIT_STATUS_SUCCESS;
}

uint32_t MemoryWrite(const KitHardware& hw, KitDriverRequest& request) {
    if (request.input == nullptr || request.inputLength < kRecordSize)
        return KIT_STATUS_INVALID_PARAMETER;
    const auto* input = static_cast<const uint8_t*>(request.input);
    uint64_t address = LoadLe64(input);
    size_t length = request.inputLength - kRecordSize;
    if (!RangeValid(address, length))
        return KIT_STATUS_INVALID_PARAMETER;
    if (length > 0 && !hw.writePhysical(hw.context, address, input + kRecordSize, length))
        return KIT_STATUS_IO_DEVICE_ERROR;
    request.transferred = length < request.outputLength ? length : request.outputLength;
    if (request.transferred > 0)
        std::memcpy(request.output, input + kRecordSize, request.transferred);
    return KIT_STATUS_SUCCESS;
}

uint32_t IoControl(const KitHardware& hw, KitDriverRequest& request) {
    switch (request.code) {
        case kWritePortByte:
            return PortWrite(hw, request, 1);
        case kReadPortByte:
            return PortRead(hw, request, 1);
        case kWritePortWord:
            return PortWrite(hw, request, 2);
        case kReadPortWord:
            return PortRead(hw, request, 2);
        case kWritePortDword:
            return PortWrite(hw, request, 4);
        case kReadPortDword:
            return PortRead(hw, request, 4);
        case kReadMemory:
            return MemoryRead(hw, request);
        case kWriteMemory:
            return MemoryWrite(hw, request);
        default:
            // Unknown requests complete without data.
            return KIT_STATUS_SUCCESS;
    }
}

uint32_t CreateDevice(KitDriverRequest& request) {
    if (request.output == nullptr || request.outputLength < sizeof(KitDeviceDeclaration))
        return KIT_STATUS_BUFFER_TOO_SMALL;
    KitDeviceDeclaration declaration{};
    std::strcpy(declaration.deviceName, "\\Device\\ADDMEM");
    std::strcpy(declaration.linkName, "\\DosDevices\\ADDMEM");
    std::memcpy(request.output, &declaration, sizeof declaration);
    request.transferred = sizeof declaration;
    return KIT_STATUS_SUCCESS;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) uint32_t KitDriverEntry(const KitHardware* hardware,
                                                                          KitDriverRequest* request) {
    if (hardware == nullptr || request == nullptr || request->abiVersion != KIT_DRIVER_ABI_VERSION)
        return KIT_STATUS_INVALID_PARAMETER;
    request->transferred = 0;
    switch (request->kind) {
        case KIT_DRIVER_CREATE_DEVICE:
            return CreateDevice(*request);
        case KIT_DRIVER_OPEN:
        case KIT_DRIVER_CLOSE:
            return KIT_STATUS_SUCCESS;
        case KIT_DRIVER_IOCONTROL:
            return IoControl(*hardware, *request);
        default:
            return KIT_STATUS_INVALID_DEVICE_REQUEST;
    }
}
