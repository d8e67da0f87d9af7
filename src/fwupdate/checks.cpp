#include "fwupdate/checks.h"

#include <algorithm>
#include <system_error>

#include "fwupdate/failure_report.h"
#include "fwupdate/messages.h"
#include "fwupdate/resource_module.h"
#include "fwupdate/string_ids.h"
#include "fwupdate/trace.h"
#include "platform/ascii.h"

namespace fs = std::filesystem;

namespace fwupdate {

namespace {

constexpr uint8_t kAcOnline = 1;
constexpr unsigned kMaxBatteryPercent = 100;
constexpr unsigned kMiBShift = 20;
// The running part number whose machines take any model's image.
constexpr std::string_view kAnyModelPartPrefix = "002";
// A MICOM image is named <project>_<part number>.BIN: the part number stands before the extension.
constexpr size_t kPartNumberChars = 3;
constexpr size_t kExtensionChars = 4;

// NTFS keeps a folder's names in order of their upper-case forms.
bool NtfsOrder(const std::string& a, const std::string& b) {
    std::string upperA = platform::UpperCase(a);
    std::string upperB = platform::UpperCase(b);
    return upperA != upperB ? upperA < upperB : a < b;
}

void KeepFirst(std::vector<std::string>& names, std::string_view kind) {
    std::sort(names.begin(), names.end(), NtfsOrder);
    for (size_t i = kMaxImagesPerList; i < names.size(); ++i) {
        Trace("%s File Left Out : %s\n", std::string(kind).c_str(), names[i].c_str());
    }
    if (names.size() > kMaxImagesPerList) {
        names.resize(kMaxImagesPerList);
    }
}

// The path of `name` in `folder`, matching an existing file without regard to case as Windows would.
fs::path FileInFolder(const fs::path& folder, std::string_view name) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (platform::EqualsNoCase(it->path().filename().string(), name)) {
            return it->path();
        }
    }
    return folder / std::string(name);
}

bool CopyAs(const fs::path& folder, const std::string& source, std::string_view target) {
    if (platform::EqualsNoCase(source, target)) {
        return true;
    }
    std::error_code ec;
    fs::copy_file(folder / source, FileInFolder(folder, target), fs::copy_options::overwrite_existing, ec);
    return !ec;
}

void TraceIdentity(const std::string& partNumber, const std::string& model, const std::string& version) {
    Trace("Bios Part Number : %s\r\n", partNumber.c_str());
    Trace("Bios Model Number : %s\r\n", model.c_str());
    Trace("Bios Part Version : %s\r\n", version.c_str());
}

// The three characters before ".bin": the part number a MICOM image is named for.
std::string_view MicomPartNumber(std::string_view name) {
    if (name.size() < kPartNumberChars + kExtensionChars) {
        return {};
    }
    return name.substr(name.size() - kExtensionChars - kPartNumberChars, kPartNumberChars);
}

}  // namespace

uint32_t PowerCheckResult(const std::optional<platform::PowerStatus>& status) {
    bool acFails = !status || status->acLine != kAcOnline;
    bool batteryFails =
        !status || status->batteryPercent < kMinBatteryPercent || status->batteryPercent > kMaxBatteryPercent;
    if (acFails && batteryFails) {
        return kResultNoAcAndBatteryLow;
    }
    if (acFails) {
        return kResultNoAc;
    }
    if (batteryFails) {
        return kResultBatteryLow;
    }
    return 0;
}

uint32_t CheckPower(UpdateFlags flags) {
    if ((flags & kFlagSkipCheckPower) != 0) {
        return 0;
    }
    return PowerCheckResult(platform::QueryPowerStatus());
}

uint64_t FreeDiskMiB(const fs::path& folder) {
    if (std::optional<uint64_t> fixed = platform::FixedFreeDiskMiB()) {
        return *fixed;
    }
    std::error_code ec;
    fs::space_info space = fs::space(folder, ec);
    if (ec || space.available == static_cast<std::uintmax_t>(-1)) {
        return 0;
    }
    return space.available >> kMiBShift;
}

bool CheckDiskSpace(uint64_t freeMiB, UpdateFlags flags, const ResourceModule& module) {
    if (freeMiB >= kRequiredFreeMiB) {
        return true;
    }
    std::string title = LoadString(module, string_id::kTitleDiskSpace);
    std::string format = LoadFormatString(module, string_id::kInsufficientDiskSpace);
    std::string text =
        FormatMessageText(format.c_str(), static_cast<long>(freeMiB), static_cast<int>(kRequiredFreeMiB));
    ShowMessage(flags, kMessageError, title, "%s", text.c_str());
    return false;
}

ImageLists ListImages(const fs::path& folder, UpdateFlags& flags) {
    ImageLists lists;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc)) {
            continue;
        }
        std::string name = it->path().filename().string();
        std::string extension = it->path().extension().string();
        if (platform::EqualsNoCase(extension, ".wph")) {
            lists.biosImages.push_back(name);
        } else if (platform::EqualsNoCase(extension, ".bin")) {
            lists.micomImages.push_back(name);
        }
    }
    KeepFirst(lists.biosImages, "Bios");
    KeepFirst(lists.micomImages, "Micom");
    for (const std::string& name : lists.micomImages) {
        Trace("Micom File Found : %s\n", name.c_str());
    }
    Trace("Total Micom File Number : %d\n", static_cast<int>(lists.micomImages.size()));
    if (lists.micomImages.empty()) {
        flags |= kFlagSkipMicom;
    }
    return lists;
}

uint32_t SelectImages(const fs::path& folder, const ImageLists& lists, const BiosIdentity& running,
                      UpdateFlags& flags, ImageIdentity& image, const ImageIdentityReader& readIdentity) {
    Trace("\r\nOld Bios Info\r\n");
    TraceIdentity(running.partNumber, running.model, running.version);

    const std::string* taken = nullptr;
    for (const std::string& name : lists.biosImages) {
        ImageIdentity candidate;
        bool read = readIdentity(folder / name, candidate) == 0;
        Trace("\r\nBios File Name : %s\r\n", name.c_str());
        TraceIdentity(candidate.partNumber, candidate.model, candidate.version);
        if (read && (candidate.partNumber == running.partNumber || lists.biosImages.size() == 1)) {
            taken = &name;
            image = std::move(candidate);
            break;
        }
    }
    // An image that cannot be put in place is as unusable as one that does not fit.
    if (taken == nullptr || !CopyAs(folder, *taken, kSelectedBiosImage)) {
        return kResultInvalidBiosFile;
    }
    if (running.partNumber.starts_with(kAnyModelPartPrefix)) {
        flags |= kFlagSkipCheckModel;
    }

    uint32_t result = 0;
    if ((flags & kFlagSkipMicom) == 0) {
        const std::string* micom = nullptr;
        if (lists.micomImages.size() == 1) {
            micom = &lists.micomImages.front();
        } else {
            for (const std::string& name : lists.micomImages) {
                if (MicomPartNumber(name) == running.partNumber) {
                    micom = &name;
                    break;
                }
            }
        }
        // No MICOM image at all cannot be flashed either: the listing sets kFlagSkipMicom for that.
        if (micom == nullptr || !CopyAs(folder, *micom, kSelectedMicomImage)) {
            result = kResultNoMicomImage;
        }
    }
    DeleteUnselectedImages(folder, lists);
    return result;
}

void DeleteUnselectedImages(const fs::path& folder, const ImageLists& lists) {
    auto deleteOthers = [&folder](const std::vector<std::string>& names, std::string_view selected) {
        for (const std::string& name : names) {
            if (!platform::EqualsNoCase(name, selected)) {
                std::error_code ec;
                fs::remove(folder / name, ec);
            }
        }
    };
    deleteOthers(lists.biosImages, kSelectedBiosImage);
    deleteOthers(lists.micomImages, kSelectedMicomImage);
}

uint32_t CheckDate(UpdateFlags flags, const BiosIdentity& running, const ImageIdentity& image) {
    if ((flags & kFlagSkipCheckDate) != 0 || running.date <= image.date) {
        return 0;
    }
    return kResultBiosNewer;
}

uint32_t CheckModelAndPart(UpdateFlags flags, const BiosIdentity& running, const ImageIdentity& image) {
    Trace("Optional Flag : %08X %08X\r\n", flags, flags);
    bool modelPasses = (flags & kFlagSkipCheckModel) != 0 || running.model == image.model;
    bool partPasses = (flags & kFlagSkipCheckPart) != 0 || running.partNumber == image.partNumber;
    if (!modelPasses && !partPasses) {
        return kResultModelAndPartDiffer;
    }
    if (!partPasses) {
        return kResultPartDiffers;
    }
    if (!modelPasses) {
        return kResultModelDiffers;
    }
    return 0;
}

}  // namespace fwupdate
