// A driver module for the platform tests: the device "\Device\PROBE" (link "\DosDevices\PROBE").
// Code 1 echoes its input, 2 reads a port (input: 16-bit port, width byte), 3 writes one (16-bit
// port, width byte, 32-bit value), 4 claims one byte more than the output holds, 5 fails.
#include <cstring>

#include "platform/driver_abi.h"

namespace {

uint32_t IoControl(const KitHardware& hw, KitDriverRequest& request) {
    const auto* in = static_cast<const uint8_t*>(request.input);
    auto* out = static_cast<uint8_t*>(request.output);
    switch (request.code) {
        case 1: {
            size_t n =
                request.inputLength < request.outputLength ? request.inputLength : request.outputLength;
            if (n > 0)
                std::memcpy(out, in, n);
            request.transferred = n;
            return KIT_STATUS_SUCCESS;
        }
        case 2: {
            if (request.inputLength < 3 || request.outputLength < 4)
                return KIT_STATUS_INVALID_PARAMETER;
            uint32_t value = 0;
            if (!hw.readPort(hw.context, static_cast<uint16_t>(in[0] | in[1] << 8), in[2], &value))
                return KIT_STATUS_IO_DEVICE_ERROR;
            std::memcpy(out, &value, 4);
            request.transferred = 4;
            return KIT_STATUS_SUCCESS;
        }
        case 3: {
            if (request.inputLength < 7)
                return KIT_STATUS_INVALID_PARAMETER;
            uint32_t value = 0;
            std::memcpy(&value, in + 3, 4);
            return hw.writePort(hw.context, static_cast<uint16_t>(in[0] | in[1] << 8), in[2], value)
                       ? KIT_STATUS_SUCCESS
                       : KIT_STATUS_IO_DEVICE_ERROR;
        }
        case 4:
            request.transferred = request.outputLength + 1;
            return KIT_STATUS_SUCCESS;
        default:
            return KIT_STATUS_INVALID_DEVICE_REQUEST;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) uint32_t KitDriverEntry(const KitHardware* hardware,
                                                                          KitDriverRequest* request) {
    request->transferred = 0;
    switch (request->kind) {
        case KIT_DRIVER_CREATE_DEVICE: {
            if (request->outputLength < sizeof(KitDeviceDeclaration))
                return KIT_STATUS_BUFFER_TOO_SMALL;
            KitDeviceDeclaration declaration{};
            std::strcpy(declaration.deviceName, "\\Device\\PROBE");
            std::strcpy(declaration.linkName, "\\DosDevices\\PROBE");
            std::memcpy(request->output, &declaration, sizeof declaration);
            request->transferred = sizeof declaration;
            return KIT_STATUS_SUCCESS;
        }
        case KIT_DRIVER_OPEN:
        case KIT_DRIVER_CLOSE:
            return KIT_STATUS_SUCCESS;
        case KIT_DRIVER_IOCONTROL:
            return IoControl(*hardware, *request);
        default:
            return KIT_STATUS_INVALID_DEVICE_REQUEST;
    }
}
