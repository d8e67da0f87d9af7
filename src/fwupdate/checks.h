#pragma once

// The checks that must pass before anything is flashed (power, free disk space, images that fit the
// machine, no older BIOS over a newer one) and the choice of the BIOS and MICOM images among those the
// payload carries: one pair per BIOS part number, picked by the machine's own part number.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fwupdate/bios_identity.h"
#include "fwupdate/options.h"
#include "platform/machine_hardware.h"

namespace fwupdate {

class ResourceModule;

// --- Power ---

// Below this charge (or above 100 %, which includes the "unknown" 255) the battery fails.
inline constexpr unsigned kMinBatteryPercent = 30;

// 0, kResultNoAc, kResultBatteryLow or kResultNoAcAndBatteryLow; no status at all fails both.
uint32_t PowerCheckResult(const std::optional<platform::PowerStatus>& status);
// The check on the system's power status, passed at once with kFlagSkipCheckPower.
uint32_t CheckPower(UpdateFlags flags);

// --- Disk space ---

inline constexpr uint64_t kRequiredFreeMiB = 2;

// Free MiB for the caller on the volume of `folder` (bytes shifted right by 20), or the machine's
// fixed figure when it has one; 0 when the volume cannot be asked.
uint64_t FreeDiskMiB(const std::filesystem::path& folder);
// True when `freeMiB` is enough; otherwise shows the disk-space message (type 16, title 41, text 22
// with the free and the required MiB) and gives false: the sequence then ends with kResultDiskSpace
// and no further report.
bool CheckDiskSpace(uint64_t freeMiB, UpdateFlags flags, const ResourceModule& module);

// --- Image listing ---

// Each list holds at most this many names. The payload carries two of each; further images are
// left out of the selection (and so never flashed nor deleted), each traced as left out.
inline constexpr size_t kMaxImagesPerList = 10;
inline constexpr std::string_view kSelectedBiosImage = "bios.wph";
inline constexpr std::string_view kSelectedMicomImage = "kbc.bin";

struct ImageLists {
    std::vector<std::string> biosImages;   // "*.wph"
    std::vector<std::string> micomImages;  // "*.bin"
};

// Lists the "*.wph" and "*.bin" files of `folder`, extensions compared without regard to case, in
// the order an NTFS folder enumerates them (names compared without regard to case), so a run picks
// the same images whatever file system holds the folder. Traces each MICOM name and their count, and
// sets kFlagSkipMicom when there is none.
ImageLists ListImages(const std::filesystem::path& folder, UpdateFlags& flags);

// --- Image selection ---

// Reads one image's identity: 0, or a result code when the file is unusable.
using ImageIdentityReader = std::function<uint32_t(const std::filesystem::path&, ImageIdentity&)>;

// Picks the BIOS image whose part number is the running one (or the only one there is), copies it to
// "bios.wph", and unless kFlagSkipMicom the MICOM image named for that part number (or the only
// one) to "kbc.bin"; then deletes the images not selected. A running part number starting "002"
// sets kFlagSkipCheckModel. `image` receives the identity of the chosen BIOS image. 0,
// kResultInvalidBiosFile or kResultNoMicomImage. Tests pass a reader of their own.
uint32_t SelectImages(const std::filesystem::path& folder, const ImageLists& lists,
                      const BiosIdentity& running, UpdateFlags& flags, ImageIdentity& image,
                      const ImageIdentityReader& readIdentity = ReadImageIdentity);

// Deletes every listed image not named "bios.wph" or "kbc.bin" (without regard to case) from
// `folder`; a missing file is no error.
void DeleteUnselectedImages(const std::filesystem::path& folder, const ImageLists& lists);

// --- Comparisons ---

// kResultBiosNewer when the running BIOS is dated after the image, unless kFlagSkipCheckDate.
uint32_t CheckDate(UpdateFlags flags, const BiosIdentity& running, const ImageIdentity& image);
// 0, kResultModelDiffers, kResultPartDiffers or kResultModelAndPartDiffer (exact comparisons;
// kFlagSkipCheckModel and kFlagSkipCheckPart pass one each).
uint32_t CheckModelAndPart(UpdateFlags flags, const BiosIdentity& running, const ImageIdentity& image);

}  // namespace fwupdate
