// GUID text: any text converts or is refused, and a converted GUID reads back from its own text.

#include <cstddef>
#include <cstdint>

#include "drvsetup/device/guid_tools.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = kit_fuzz::AsText(data, size);
    platform::Guid guid{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    const platform::Guid before = guid;
    if (!drvsetup::TextToGuid(text, guid)) {
        if (!(guid == before)) {
            kit_fuzz::Fail("a refused text changed the GUID");
        }
    } else {
        platform::Guid again;
        if (!drvsetup::TextToGuid(platform::GuidToString(guid), again) || !(again == guid)) {
            kit_fuzz::Fail("a GUID does not read back from its own text");
        }
    }
    (void)drvsetup::AfterBar(text);
    (void)drvsetup::BeforeBar(text);
    (void)platform::StringToGuid(text);
    return 0;
}
