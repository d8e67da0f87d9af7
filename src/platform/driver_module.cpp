#include "platform/driver_module.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

MachineHardware& HardwareOf(void* context) {
    return *static_cast<MachineHardware*>(context);
}

int ReadPortThunk(void* context, uint16_t port, unsigned width, uint32_t* value) {
    if (value == nullptr || (width != 1 && width != 2 && width != 4))
        return 0;
    std::optional<uint32_t> read = HardwareOf(context).ReadPort(port, width);
    if (!read)
        return 0;
    *value = *read;
    return 1;
}

int WritePortThunk(void* context, uint16_t port, unsigned width, uint32_t value) {
    if (width != 1 && width != 2 && width != 4)
        return 0;
    return HardwareOf(context).WritePort(port, width, value) ? 1 : 0;
}

int ReadPhysicalThunk(void* context, uint64_t address, void* out, size_t length) {
    if (length == 0)
        return 1;
    if (out == nullptr)
        return 0;
    return HardwareOf(context).ReadPhysical(address, std::span<uint8_t>(static_cast<uint8_t*>(out), length))
               ? 1
               : 0;
}

int WritePhysicalThunk(void* context, uint64_t address, const void* bytes, size_t length) {
    if (length == 0)
        return 1;
    if (bytes == nullptr)
        return 0;
    return HardwareOf(context).WritePhysical(
               address, std::span<const uint8_t>(static_cast<const uint8_t*>(bytes), length))
               ? 1
               : 0;
}

std::string StatusText(uint32_t status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", status);
    return text;
}

// A name field of the declaration: NUL-terminated within its array, printable, not empty.
std::optional<std::string> DeclaredName(const char* field, size_t size) {
    const void* end = std::memchr(field, 0, size);
    if (end == nullptr)
        return std::nullopt;
    std::string name(field, static_cast<const char*>(end));
    if (name.empty())
        return std::nullopt;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            return std::nullopt;
    return name;
}

}  // namespace

std::string DriverDeviceNames::DosName() const {
    size_t slash = linkName.find_last_of('\\');
    return slash == std::string::npos ? linkName : linkName.substr(slash + 1);
}

Result<std::unique_ptr<DriverModule>> DriverModule::Load(const std::filesystem::path& fullPath) {
    Result<std::unique_ptr<LibraryModule>> library = LibraryModule::Load(fullPath);
    if (!library)
        return WithContext(library.error(), "not a driver module");
    void* symbol = (*library)->Symbol(KIT_DRIVER_ENTRY_NAME);
    if (symbol == nullptr)
        return Fail(fullPath.string() + ": not a driver module (it exports no " KIT_DRIVER_ENTRY_NAME ")");
    // The entry point's type is fixed by driver_abi.h; dlsym can only hand it over as data.
    auto entry = reinterpret_cast<KitDriverEntryFunction>(symbol);
    return std::make_unique<DriverModule>(std::move(*library), entry);
}

Result<DriverDeviceNames> DriverModule::CreateDevice(MachineHardware& hardware) {
    KitDeviceDeclaration declaration{};
    std::span<uint8_t> out(reinterpret_cast<uint8_t*>(&declaration), sizeof declaration);
    Result<size_t> done = Request(hardware, KIT_DRIVER_CREATE_DEVICE, 0, {}, out);
    if (!done)
        return WithContext(done.error(), "creating its device");
    std::optional<std::string> device = DeclaredName(declaration.deviceName, sizeof declaration.deviceName);
    std::optional<std::string> link = DeclaredName(declaration.linkName, sizeof declaration.linkName);
    if (!device || !link)
        return Fail(path().string() + ": the driver declares no usable device name");
    DriverDeviceNames names{*device, *link};
    if (names.DosName().empty())
        return Fail(path().string() + ": the driver declares no usable device link");
    return names;
}

Result<size_t> DriverModule::Request(MachineHardware& hardware, uint32_t kind, uint32_t code,
                                     std::span<const uint8_t> input, std::span<uint8_t> output) {
    KitHardware table{&hardware, ReadPortThunk, WritePortThunk, ReadPhysicalThunk, WritePhysicalThunk};
    KitDriverRequest request{};
    request.abiVersion = KIT_DRIVER_ABI_VERSION;
    request.kind = kind;
    request.code = code;
    request.input = input.data();
    request.inputLength = input.size();
    request.output = output.data();
    request.outputLength = output.size();
    uint32_t status = entry_(&table, &request);
    if (status != KIT_STATUS_SUCCESS)
        return Fail(path().filename().string() + ": request failed with status " + StatusText(status));
    if (request.transferred > output.size())
        return Fail(path().filename().string() + ": the driver reports more bytes than the output holds");
    return request.transferred;
}

}  // namespace platform
