#include "fwupdate/update_sequence.h"

#include <array>
#include <chrono>

#include "fwupdate/resource_module.h"
#include "platform/message_box.h"

namespace fwupdate {

namespace {

namespace r = sequence_result;

struct FailureEntry {
    uint32_t result;
    FailureStrings strings;
};

// How each failure is reported: title string, text string.
constexpr std::array kFailureTable{
    FailureEntry{r::kNoProgressWindow, {42, 27}},   FailureEntry{r::kExtractionFailed, {43, 9}},
    FailureEntry{r::kHddPassword, {44, 23}},        FailureEntry{r::kNoDriver, {45, 19}},
    FailureEntry{r::kModelDiffers, {46, 21}},       FailureEntry{r::kPartDiffers, {46, 21}},
    FailureEntry{r::kModelAndPartDiffer, {46, 21}}, FailureEntry{r::kBiosFlashFailed, {47, 28}},
    FailureEntry{r::kMicomFlashFailed, {48, 29}},   FailureEntry{r::kInvalidBiosFile, {49, 30}},
    FailureEntry{r::kInvalidMicomFile, {50, 31}},   FailureEntry{r::kSmiFailed, {51, 32}},
    FailureEntry{r::kInvalidOption, {54, 25}},      FailureEntry{r::kWorkingFolder, {52, 33}},
    FailureEntry{r::kNoAcAdapter, {53, 34}},        FailureEntry{r::kBatteryLow, {53, 35}},
    FailureEntry{r::kNoAcAndBatteryLow, {53, 37}},  FailureEntry{r::kBiosNewer, {55, 36}},
};

constexpr uint32_t kPromptText = 16;
constexpr uint32_t kPromptTitle = 38;
constexpr uint32_t kStatusExtraction = 5;
constexpr uint32_t kStatusBios = 7;
constexpr uint32_t kStatusMicom = 8;
constexpr uint32_t kCompletionText = 20;
constexpr uint32_t kCompletionTitle = 39;
constexpr uint32_t kAutoOnFailedText = 26;
constexpr uint32_t kAutoOnFailedTitle = 40;
// Titles are loaded into buffers of this size. Message texts get the size of a formatted message, as
// the confirmation prompt alone is longer than a title buffer and translations run longer still.
constexpr size_t kTitleBuffer = 256;
constexpr size_t kMessageBuffer = 1024;

// Gives the window thread time to come up before the first update is sent to it.
constexpr std::chrono::milliseconds kWindowStartPause{100};

bool IsModelResult(uint32_t result) {
    return result == r::kModelDiffers || result == r::kPartDiffers || result == r::kModelAndPartDiffer;
}

// Cuts at most `maxBytes` bytes without breaking a UTF-8 sequence.
std::string CutUtf8(std::string text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

}  // namespace

std::optional<FailureStrings> FailureStringsOf(uint32_t result) {
    for (const FailureEntry& entry : kFailureTable) {
        if (entry.result == result) {
            return entry.strings;
        }
    }
    return std::nullopt;
}

bool FailureCleansUp(uint32_t result) {
    return result > r::kExtractionFailed && (result < r::kWorkingFolder || result > r::kNoAcAndBatteryLow);
}

void AutoResetEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    signalled_.notify_one();
}

void AutoResetEvent::Wait() {
    std::unique_lock lock(mutex_);
    signalled_.wait(lock, [this] { return set_; });
    set_ = false;
}

void AutoResetEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

std::string FormatWithTexts(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string text;
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                text += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's' && next != args.end()) {
                text.append(*next++);
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

UpdateSequence::UpdateSequence(UpdateSteps& steps, ProgressView& view, SequenceState& state,
                               const ResourceModule& resources)
    : steps_(steps), view_(view), state_(state), resources_(resources) {}

std::string UpdateSequence::Title(uint32_t id) const {
    return LoadString(resources_, id, kTitleBuffer);
}

std::string UpdateSequence::Text(uint32_t id) const {
    return LoadString(resources_, id, kMessageBuffer);
}

uint32_t UpdateSequence::Run(std::string_view commandLine) {
    context_ = UpdateContext{};
    inWorkingFolder_ = false;
    return RunSteps(commandLine);
}

uint32_t UpdateSequence::RunSteps(std::string_view commandLine) {
    using namespace update_flag;
    if (uint32_t result = steps_.ParseOptions(commandLine, context_); result != 0) {
        return Report(result);
    }
    if (uint32_t result = steps_.CheckPower(context_); result != 0) {
        return Report(result);
    }
    if (!steps_.PrepareWorkingFolder()) {
        return Report(r::kWorkingFolder);
    }
    inWorkingFolder_ = true;
    if (!steps_.CheckDiskSpace(context_)) {
        return r::kDiskSpace;
    }
    if ((context_.flags & kNoPrompt) == 0) {
        int answer = steps_.Message(context_, message_type::kConfirm, Title(kPromptTitle), Text(kPromptText));
        if (answer == platform::IDCANCEL) {
            return 0;
        }
    }

    state_.busy = 1;
    state_.extractionResult = 1;
    state_.extractionDone.Reset();
    bool started = steps_.StartProgressWindow();
    steps_.Pause(kWindowStartPause);
    if (!started) {
        return Report(r::kNoProgressWindow);
    }
    view_.SetMark(ProgressStep::kUnpack, StepMark::kInProgress);
    view_.SetStatus(Text(kStatusExtraction));
    state_.extractionDone.Wait();
    if (state_.extractionResult == 0) {
        return Report(r::kExtractionFailed);
    }

    steps_.LockInput();
    if ((context_.flags & kReadBios) != 0) {
        steps_.DumpRom();
        steps_.DeleteToolFiles();
        steps_.UnlockInput();
        return 0;
    }
    view_.SetMark(ProgressStep::kUnpack, StepMark::kDone);
    view_.SetStatus(Text(kStatusBios));

    if (!steps_.CheckHddPassword()) {
        return Report(r::kHddPassword);
    }
    steps_.ListImages(context_);
    if (steps_.ReadRunningBios(context_) != 0) {
        return Report(r::kNoDriver);
    }
    if ((context_.flags & kSkipUpdateFiles) != 0) {
        if (steps_.ReadImage(kSelectedBiosImage, context_) != 0) {
            return Report(r::kInvalidBiosFile);
        }
    } else if (uint32_t result = steps_.SelectImages(context_); result != 0) {
        return Report(result);
    }
    if (steps_.CheckDate(context_) != 0) {
        return Report(r::kBiosNewer);
    }
    steps_.CompleteBiosCommand(context_);
    view_.SetVersions(context_.running.version, context_.image.version);
    if (uint32_t result = steps_.CheckModel(context_); result != 0) {
        return Report(result);
    }
    if ((context_.flags & kBreakEscd) != 0) {
        steps_.PatchEscd();
    }

    view_.SetMark(ProgressStep::kBios, StepMark::kInProgress);
    if (steps_.FlashBios(context_) != 0) {
        return Report(r::kBiosFlashFailed);
    }
    view_.SetMark(ProgressStep::kBios, StepMark::kDone);
    if ((context_.flags & kSkipUpdateMicom) == 0) {
        view_.SetMark(ProgressStep::kMicom, StepMark::kInProgress);
        view_.SetStatus(Text(kStatusMicom));
        if (steps_.FlashMicom(context_) != 0) {
            return Report(r::kMicomFlashFailed);
        }
        view_.SetMark(ProgressStep::kMicom, StepMark::kDone);
    }
    if (steps_.EnableSmi() != 0) {
        return Report(r::kSmiFailed);
    }

    state_.busy = 0;
    steps_.UnlockInput();
    // An update without MICOM flash leaves the embedded controller as it was: no reason to cycle power.
    if ((context_.flags & (kBlockPowerOff | kSkipUpdateMicom)) != 0) {
        steps_.DeleteDriverFile();
        return 0;
    }
    steps_.Message(context_, message_type::kInformation, Title(kCompletionTitle), Text(kCompletionText));
    if (steps_.SetAutoPowerOn() != 0) {
        steps_.Message(context_, message_type::kError, Title(kAutoOnFailedTitle), Text(kAutoOnFailedText));
    }
    steps_.PowerOff();
    steps_.DeleteDriverFile();
    return 0;
}

uint32_t UpdateSequence::Report(uint32_t result) {
    state_.busy = 0;
    if (FailureCleansUp(result)) {
        steps_.UnlockInput();
        if (inWorkingFolder_) {
            steps_.DeleteToolFiles();
            steps_.DeleteUnselectedImages(context_);
        }
    }
    if (auto strings = FailureStringsOf(result)) {
        std::string text = Text(strings->text);
        if (IsModelResult(result)) {
            text = CutUtf8(FormatWithTexts(text, {context_.running.model, context_.running.partNumber,
                                                  context_.image.model, context_.image.partNumber}),
                           kMessageBuffer - 1);
        }
        steps_.Message(context_, message_type::kError, Title(strings->title), text);
    }
    return result;
}

}  // namespace fwupdate
