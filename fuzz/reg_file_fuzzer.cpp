// The .reg importer over any bytes. What parses is imported, exported, imported again into a second
// registry and exported again: both exports must be the same text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "platform/reg_file.h"
#include "platform/registry.h"

namespace {

constexpr unsigned kCodePage = 1252;

platform::Registry& OpenRegistry(const char* name) {
    auto registry = platform::Registry::Open(kit_fuzz::Scratch() / name, kCodePage);
    if (!registry.ok()) {
        kit_fuzz::Fail("cannot open a scratch registry");
    }
    // Kept for the whole run: opening a database per input would be most of the work.
    static std::vector<std::unique_ptr<platform::Registry>> kept;
    kept.push_back(std::move(*registry));
    return *kept.back();
}

void Empty(platform::Registry& registry) {
    if (!registry.DeleteTree("").ok()) {
        kit_fuzz::Fail("cannot empty a scratch registry");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::Registry& first = OpenRegistry("first.db");
    static platform::Registry& second = OpenRegistry("second.db");
    const std::string_view bytes = kit_fuzz::AsText(data, size);

    const bool parsed = platform::ParseRegFile(bytes, kCodePage).ok();
    Empty(first);
    const bool imported = platform::ImportRegFile(first, bytes, kCodePage).ok();
    if (parsed != imported) {
        kit_fuzz::Fail("the check and the import disagree");
    }
    if (!imported) {
        return 0;
    }
    auto exported = platform::ExportRegFile(first, "");
    auto text = platform::ExportRegText(first, "");
    if (!exported.ok() || !text.ok()) {
        kit_fuzz::Fail("an imported registry cannot be exported");
    }
    Empty(second);
    if (!platform::ImportRegFile(second, *exported, kCodePage).ok()) {
        kit_fuzz::Fail("an export does not import");
    }
    auto again = platform::ExportRegText(second, "");
    if (!again.ok() || *again != *text) {
        kit_fuzz::Fail("an export imported again exports differently");
    }
    return 0;
}
