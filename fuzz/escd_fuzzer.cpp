// The ESCD patch over images changed in their tails and lengths: the file keeps its length, and the
// patch changes one 16-byte table entry past the ROM part or nothing at all.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string_view>

#include "fuzz_support.h"
#include "fwupdate/flash_steps.h"
#include "image_input.h"
#include "platform/machine_rom.h"

namespace {

std::string ReadBack(const std::filesystem::path& path) {
    std::error_code error;
    std::string bytes(std::filesystem::file_size(path, error), '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return error ? std::string() : bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool full = input.ConsumeBool();
    const std::string before = kit_fuzz::SampleImage(full).Make(input);
    const std::filesystem::path path = kit_fuzz::FreshFolder("escd") / "bios.wph";
    if (!kit_fuzz::WriteBytes(path, before)) {
        kit_fuzz::Fail("cannot write the image");
    }
    const fwupdate::EscdPatchResult result = fwupdate::PatchEscd(path);
    const std::string after = ReadBack(path);
    if (after.size() != before.size()) {
        kit_fuzz::Fail("the patch changed the file's length");
    }
    if (!result.patched) {
        if (after != before) {
            kit_fuzz::Fail("an unpatched file changed");
        }
        return 0;
    }
    const uint64_t romSize = before.size() >= 0x100000 ? 0x100000 : 0x80000;
    if (result.entryOffset < romSize || result.entryOffset + platform::kEscdEntrySize > before.size()) {
        kit_fuzz::Fail("the patched entry lies outside the tail");
    }
    // Compared as whole ranges: a loop over a megabyte of bytes would be most of the run.
    const std::string_view was(before), is(after);
    const size_t entryEnd = result.entryOffset + platform::kEscdEntrySize;
    if (was.substr(0, result.entryOffset) != is.substr(0, result.entryOffset) ||
        was.substr(entryEnd) != is.substr(entryEnd)) {
        kit_fuzz::Fail("the patch changed bytes outside its entry");
    }
    return 0;
}
