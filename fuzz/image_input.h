#pragma once

// Fuzz input for firmware image readers: a real image built once, changed by the input in a few runs
// of bytes and maybe cut short. Whole images are far too large for blind mutation, so the runs are
// placed where the image holds something (a byte that differs from the one before it).

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/machine_rom.h"

namespace kit_fuzz {

class ImageInput {
  public:
    explicit ImageInput(const std::vector<uint8_t>& base) : base_(base.begin(), base.end()) {
        for (size_t i = 1; i < base_.size(); ++i) {
            if (base_[i] != base_[i - 1]) {
                marks_.push_back(i);
            }
        }
        if (marks_.empty()) {
            marks_.push_back(0);
        }
    }

    std::string Make(FuzzedDataProvider& input) const {
        std::string image = base_;
        const int runs = input.ConsumeIntegralInRange(0, 8);
        for (int run = 0; run < runs && input.remaining_bytes() > 0; ++run) {
            const size_t mark = marks_[input.ConsumeIntegralInRange<size_t>(0, marks_.size() - 1)];
            const size_t at = std::min(image.size(), mark + input.ConsumeIntegralInRange<size_t>(0, 64));
            const std::string bytes = input.ConsumeRandomLengthString(64);
            image.replace(at, std::min(bytes.size(), image.size() - at), bytes.substr(0, image.size() - at));
        }
        if (input.ConsumeBool()) {
            const size_t mark = marks_[input.ConsumeIntegralInRange<size_t>(0, marks_.size() - 1)];
            image.resize(std::min(image.size(), mark + input.ConsumeIntegralInRange<size_t>(0, 64)));
        }
        return image;
    }

  private:
    std::string base_;
    std::vector<size_t> marks_;
};

// The two sample images, a 512 KiB and a 1 MiB one, built once.
inline const ImageInput& SampleImage(bool full) {
    static const ImageInput small([] {
        platform::RomIdentity identity;
        identity.size = 0x80000;
        return platform::BuildBiosImage(identity);
    }());
    static const ImageInput large(platform::BuildBiosImage(platform::RomIdentity{}));
    return full ? large : small;
}

}  // namespace kit_fuzz
