// The BIOS image identity reader over images changed in their records and lengths, and over raw
// bytes: it reads every record of the sizes given, or reports an invalid file with nothing filled in.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "fwupdate/bios_identity.h"
#include "image_input.h"
#include "platform/machine_rom.h"

namespace {

void Check(const std::string& bytes) {
    const std::filesystem::path path = kit_fuzz::FreshFolder("image") / "bios.wph";
    if (!kit_fuzz::WriteBytes(path, bytes)) {
        kit_fuzz::Fail("cannot write the image");
    }
    fwupdate::ImageIdentity identity;
    const uint32_t result = fwupdate::ReadImageIdentity(path, identity);
    if (result == 0) {
        if (identity.model.size() != 4 || identity.partNumber.size() != 3 || identity.version.size() != 4 ||
            identity.biosFlagDefault.size() > 16) {
            kit_fuzz::Fail("an identity with fields of the wrong size");
        }
    } else if (result != fwupdate::kResultInvalidBiosFile) {
        kit_fuzz::Fail("a result of its own");
    } else if (!identity.model.empty() || !identity.partNumber.empty() || !identity.version.empty() ||
               identity.date != 0 || !identity.biosFlagDefault.empty()) {
        kit_fuzz::Fail("an invalid image fills in an identity");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int form = input.ConsumeIntegralInRange(0, 2);
    if (form == 0) {
        Check(input.ConsumeRemainingBytesAsString());
    } else {
        Check(kit_fuzz::SampleImage(form == 2).Make(input));
    }
    return 0;
}
