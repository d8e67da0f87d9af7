#ifndef PLATFORM_DRIVER_ABI_H
#define PLATFORM_DRIVER_ABI_H

/* The interface between the platform and a driver module (the kernel drivers the programs install,
 * such as "AddMem.sys"). A driver module is a shared object that exports one C function,
 * KitDriverEntry, and reaches the machine only through the hardware table the platform hands it, so
 * the same module runs against the simulated notebook, a recording or anything else behind the
 * platform's hardware interface.
 *
 * Every request is one call:
 *   KIT_DRIVER_CREATE_DEVICE  the module fills a KitDeviceDeclaration (the output buffer) with the
 *                             device it creates and its "\DosDevices\" link; the platform asks this
 *                             when the service starts and when a process opens the device.
 *   KIT_DRIVER_OPEN / CLOSE   a handle to the device is opened or closed (no buffers).
 *   KIT_DRIVER_IOCONTROL      a buffered I/O control request: `code`, the caller's input and output.
 * The module sets `transferred` to the bytes it wrote into the output (never more than its length)
 * and returns a status: KIT_STATUS_SUCCESS or one of the failure codes below.
 *
 * Plain C, fixed-width types, no ownership crossing the boundary: the module keeps no pointer to a
 * request or to the hardware table after the call returns. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KIT_DRIVER_ENTRY_NAME "KitDriverEntry"
#define KIT_DRIVER_ABI_VERSION 1u

/* Request kinds. */
#define KIT_DRIVER_CREATE_DEVICE 1u
#define KIT_DRIVER_OPEN 2u
#define KIT_DRIVER_CLOSE 3u
#define KIT_DRIVER_IOCONTROL 4u

/* Status values, as the kernel's status codes spell them. */
#define KIT_STATUS_SUCCESS 0x00000000u
#define KIT_STATUS_INVALID_PARAMETER 0xC000000Du
#define KIT_STATUS_INVALID_DEVICE_REQUEST 0xC0000010u
#define KIT_STATUS_BUFFER_TOO_SMALL 0xC0000023u
#define KIT_STATUS_IO_DEVICE_ERROR 0xC0000185u

/* The hardware as the module may touch it. Every function returns non-zero on success; a request
 * fails when the machine is off or cannot be reached. Widths are 1, 2 or 4 bytes. */
typedef struct KitHardware {
    void* context;
    int (*readPort)(void* context, uint16_t port, unsigned width, uint32_t* value);
    int (*writePort)(void* context, uint16_t port, unsigned width, uint32_t value);
    int (*readPhysical)(void* context, uint64_t address, void* out, size_t length);
    int (*writePhysical)(void* context, uint64_t address, const void* bytes, size_t length);
} KitHardware;

typedef struct KitDriverRequest {
    uint32_t abiVersion; /* KIT_DRIVER_ABI_VERSION */
    uint32_t kind;       /* KIT_DRIVER_CREATE_DEVICE ... KIT_DRIVER_IOCONTROL */
    uint32_t code;       /* the I/O control code */
    const void* input;
    size_t inputLength;
    void* output;
    size_t outputLength;
    size_t transferred; /* set by the module */
} KitDriverRequest;

/* What KIT_DRIVER_CREATE_DEVICE answers: NUL-terminated names such as "\Device\ADDMEM" and
 * "\DosDevices\ADDMEM". The link name after "\DosDevices\" is what "\\.\NAME" opens. */
typedef struct KitDeviceDeclaration {
    char deviceName[64];
    char linkName[64];
} KitDeviceDeclaration;

typedef uint32_t (*KitDriverEntryFunction)(const KitHardware* hardware, KitDriverRequest* request);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_DRIVER_ABI_H */
