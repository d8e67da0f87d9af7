// The updater's command-line option parser over any text: it ends with 0 or the invalid-option
// result, and no option makes a tool command longer than its buffer.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "fwupdate/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fwupdate::UpdateOptions options;
    const uint32_t result = fwupdate::ParseOptions(kit_fuzz::AsText(data, size), options);
    if (result != 0 && result != fwupdate::kResultInvalidOption) {
        kit_fuzz::Fail("the parser gives a result of its own");
    }
    if (options.biosCommand.size() > fwupdate::kMaxCommandChars ||
        options.micomCommand.size() > fwupdate::kMaxCommandChars) {
        kit_fuzz::Fail("a tool command outgrew its buffer");
    }
    if (options.biosCommand.rfind(fwupdate::kInitialBiosCommand, 0) != 0 ||
        options.micomCommand.rfind(fwupdate::kInitialMicomCommand, 0) != 0) {
        kit_fuzz::Fail("an option changed the start of a tool command");
    }
    return 0;
}
