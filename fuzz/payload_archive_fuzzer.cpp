// The payload archive over any bytes: listing it, extracting everything into a scratch folder and
// extracting one member. Nothing may land outside the folder, and nothing but plain files in it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "fwupdate/payload_archive.h"

namespace fs = std::filesystem;

namespace {

class MemorySource : public fwupdate::ArchiveSource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    size_t Read(void* buffer, size_t size) override {
        const size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        const size_t n = std::min(size, available);
        if (n > 0) {
            std::memcpy(buffer, bytes_.data() + position_, n);
        }
        position_ += n;
        return n;
    }
    bool Seek(uint64_t offset) override {
        position_ = offset;
        return true;
    }
    uint64_t Tell() const override { return position_; }

  private:
    std::string_view bytes_;
    uint64_t position_ = 0;
};

void CheckFolder(const fs::path& folder) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            kit_fuzz::Fail("extraction made something other than a plain file");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = kit_fuzz::AsText(data, size);
    (void)fwupdate::ArchiveOffsetField(bytes);

    MemorySource listing(bytes);
    (void)fwupdate::ListArchive(listing, 0);

    const fs::path folder = kit_fuzz::FreshFolder("payload/out");
    MemorySource all(bytes);
    (void)fwupdate::ExtractAll(all, 0, folder);
    CheckFolder(folder);

    const fs::path single = kit_fuzz::FreshFolder("payload/one");
    MemorySource one(bytes);
    auto extracted = fwupdate::ExtractOne(one, 0, "ConResEn.dll", single);
    if (extracted.ok() && extracted->has_value() && (*extracted)->parent_path() != single) {
        kit_fuzz::Fail("a member was extracted outside its folder");
    }
    CheckFolder(single);
    // Anything written beside the two folders came from outside them.
    for (const fs::directory_entry& entry : fs::directory_iterator(kit_fuzz::Scratch() / "payload")) {
        const std::string name = entry.path().filename().string();
        if (name != "out" && name != "one") {
            kit_fuzz::Fail("extraction wrote outside its folder");
        }
    }
    return 0;
}
