#include "fwupdate/failure_report.h"

#include "fwupdate/messages.h"
#include "fwupdate/resource_module.h"
#include "fwupdate/string_ids.h"

namespace fwupdate {

namespace {

using namespace string_id;

constexpr FailureText kFailureTexts[] = {
    {kResultNoProgressThread, kTitleFatalError, kInitializingFailed},
    {kResultExtractionFailed, kTitleUnpack, kExtractionFailed},
    {kResultHddPassword, kTitleHddPassword, kHddPasswordProtected},
    {kResultNoDriver, kTitleDriverLoad, kDriverLoadFailed},
    {kResultModelDiffers, kTitleModel, kModelDiffers},
    {kResultPartDiffers, kTitleModel, kModelDiffers},
    {kResultModelAndPartDiffer, kTitleModel, kModelDiffers},
    {kResultBiosFlashFailed, kTitleUpdateBios, kBiosUpdateFailed},
    {kResultMicomFlashFailed, kTitleMicom, kMicomUpdateFailed},
    {kResultInvalidBiosFile, kTitleBiosFile, kInvalidBiosFile},
    {kResultNoMicomImage, kTitleMicomFile, kInvalidMicomFile},
    {kResultSmiFailed, kTitleEnableSmi, kSmiSettingFailed},
    {kResultInvalidOption, kTitleInvalidOption, kInvalidOption},
    {kResultWorkingFolder, kTitleDirectory, kCreatingDirectoryFailed},
    {kResultNoAc, kTitlePower, kAcNotConnected},
    {kResultBatteryLow, kTitlePower, kBatteryLow},
    {kResultNoAcAndBatteryLow, kTitlePower, kAcAndBatteryFailed},
    {kResultBiosNewer, kTitleBiosDate, kBiosIsNewer},
};

// What a code outside the table shows.
constexpr FailureText kUnknownFailure = {0, kTitleFatalError, kInitializingFailed};

// The buffers the title and text are loaded into.
constexpr size_t kStringBufferChars = 256;

bool IsModelFailure(uint32_t result) {
    return result >= kResultModelDiffers && result <= kResultModelAndPartDiffer;
}

FailureText TextOrFatal(uint32_t result) {
    return FailureTextOf(result).value_or(kUnknownFailure);
}

void Run(const std::function<void()>& action) {
    if (action) {
        action();
    }
}

}  // namespace

std::span<const FailureText> FailureTexts() {
    return kFailureTexts;
}

std::optional<FailureText> FailureTextOf(uint32_t result) {
    for (const FailureText& entry : kFailureTexts) {
        if (entry.result == result) {
            return entry;
        }
    }
    return std::nullopt;
}

bool CleansUpAfter(uint32_t result) {
    return result > kResultExtractionFailed &&
           !(result >= kResultWorkingFolder && result <= kResultNoAcAndBatteryLow);
}

bool DeletesFilesAfter(uint32_t result) {
    return CleansUpAfter(result) && result != kResultInvalidOption;
}

std::string FailureTitle(const ResourceModule& module, uint32_t result) {
    return LoadString(module, TextOrFatal(result).titleId, kStringBufferChars);
}

std::string FailureMessage(const ResourceModule& module, uint32_t result, const FailureContext& context) {
    std::string format = LoadFormatString(module, TextOrFatal(result).textId, kStringBufferChars);
    if (IsModelFailure(result)) {
        static const BiosIdentity kNoBios;
        static const ImageIdentity kNoImage;
        const BiosIdentity& running = context.running != nullptr ? *context.running : kNoBios;
        const ImageIdentity& image = context.image != nullptr ? *context.image : kNoImage;
        return FormatMessageText(format.c_str(), running.model.c_str(), running.partNumber.c_str(),
                                 image.model.c_str(), image.partNumber.c_str());
    }
    // A text without arguments still goes through printf on Windows, which prints "%%" as one percent
    // sign; the loader has made sure it holds no other conversion.
    std::string text;
    for (size_t i = 0; i < format.size(); ++i) {
        text += format[i];
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%')
            ++i;
    }
    return FormatMessageText("%s", text.c_str());
}

uint32_t ReportFailure(uint32_t result, UpdateFlags flags, const ResourceModule& module,
                       const FailureContext& context, const CleanupActions& actions) {
    Run(actions.clearBusy);
    if (CleansUpAfter(result)) {
        Run(actions.unlockInput);
        if (DeletesFilesAfter(result)) {
            Run(actions.deleteToolFiles);
            Run(actions.deleteUnselectedImages);
        }
    }
    std::string title = FailureTitle(module, result);
    std::string text = FailureMessage(module, result, context);
    ShowMessage(flags, kMessageError, title, "%s", text.c_str());
    return result;
}

}  // namespace fwupdate
