#include "fwupdate/update_sequence.h"

#include <chrono>

#include "fwupdate/failure_report.h"
#include "fwupdate/messages.h"
#include "fwupdate/resource_module.h"
#include "fwupdate/string_ids.h"
#include "platform/message_box.h"

namespace fwupdate {

namespace {

// Titles are loaded into buffers of this size. Message and status texts get the size of a formatted
// message: the confirmation prompt alone is longer than a title buffer, and translations run longer
// still.
constexpr size_t kTitleBuffer = 256;
constexpr size_t kTextBuffer = kMessageBufferSize;

// Gives the window thread time to come up before the first update is sent to it.
constexpr std::chrono::milliseconds kWindowStartPause{100};

}  // namespace

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

UpdateSequence::UpdateSequence(UpdateSteps& steps, ProgressView& view, SequenceState& state,
                               const ResourceModule& resources)
    : steps_(steps), view_(view), state_(state), resources_(resources) {}

std::string UpdateSequence::Title(uint32_t id) const {
    return LoadString(resources_, id, kTitleBuffer);
}

std::string UpdateSequence::Text(uint32_t id) const {
    return LoadString(resources_, id, kTextBuffer);
}

uint32_t UpdateSequence::Run(std::string_view commandLine) {
    context_ = UpdateContext{};
    return RunSteps(commandLine);
}

uint32_t UpdateSequence::RunSteps(std::string_view commandLine) {
    namespace id = string_id;
    if (uint32_t result = steps_.ParseOptions(commandLine, context_); result != 0) {
        return Report(result);
    }
    if (uint32_t result = steps_.CheckPower(context_); result != 0) {
        return Report(result);
    }
    if (!steps_.PrepareWorkingFolder()) {
        return Report(kResultWorkingFolder);
    }
    if (!steps_.CheckDiskSpace(context_)) {
        return kResultDiskSpace;
    }
    if ((context_.flags & kFlagNoPrompt) == 0) {
        int answer = steps_.Message(context_, kMessageOkCancel, Title(id::kWarningTitle),
                                    Text(id::kConfirmationPrompt));
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
        return Report(kResultNoProgressThread);
    }
    view_.SetMark(ProgressStep::kUnpack, StepMark::kInProgress);
    view_.SetStatus(Text(id::kStatusPreparingExtraction));
    state_.extractionDone.Wait();
    if (state_.extractionResult == 0) {
        return Report(kResultExtractionFailed);
    }

    steps_.LockInput();
    if ((context_.flags & kFlagReadBios) != 0) {
        steps_.DumpRom();
        steps_.DeleteToolFiles();
        steps_.UnlockInput();
        return 0;
    }
    view_.SetMark(ProgressStep::kUnpack, StepMark::kDone);
    view_.SetStatus(Text(id::kStatusPreparingBios));

    if (steps_.CheckHddPassword() != 0) {
        return Report(kResultHddPassword);
    }
    steps_.ListImages(context_);
    if (steps_.ReadRunningBios(context_) != 0) {
        return Report(kResultNoDriver);
    }
    if ((context_.flags & kFlagSkipUpdateFiles) != 0) {
        if (steps_.ReadImage(kSelectedBiosImage, context_) != 0) {
            return Report(kResultInvalidBiosFile);
        }
    } else if (uint32_t result = steps_.SelectImages(context_); result != 0) {
        return Report(result);
    }
    if (steps_.CheckDate(context_) != 0) {
        return Report(kResultBiosNewer);
    }
    steps_.CompleteBiosCommand(context_);
    view_.SetVersions(context_.running.version, context_.image.version);
    if (uint32_t result = steps_.CheckModel(context_); result != 0) {
        return Report(result);
    }
    if ((context_.flags & kFlagBreakEscd) != 0) {
        steps_.PatchEscd();
    }

    view_.SetMark(ProgressStep::kBios, StepMark::kInProgress);
    if (steps_.FlashBios(context_) != 0) {
        return Report(kResultBiosFlashFailed);
    }
    view_.SetMark(ProgressStep::kBios, StepMark::kDone);
    if ((context_.flags & kFlagSkipMicom) == 0) {
        view_.SetMark(ProgressStep::kMicom, StepMark::kInProgress);
        view_.SetStatus(Text(id::kStatusPreparingMicom));
        if (steps_.FlashMicom(context_) != 0) {
            return Report(kResultMicomFlashFailed);
        }
        view_.SetMark(ProgressStep::kMicom, StepMark::kDone);
    }
    if (steps_.EnableSmi() != 0) {
        return Report(kResultSmiFailed);
    }

    state_.busy = 0;
    steps_.UnlockInput();
    // An update without MICOM flash leaves the embedded controller as it was: no reason to cycle power.
    if ((context_.flags & (kFlagBlockPowerOff | kFlagSkipMicom)) != 0) {
        steps_.DeleteDriverFile();
        return 0;
    }
    steps_.Message(context_, kMessageInformation, Title(id::kUpdateCompleteTitle),
                   Text(id::kCompletionNotice));
    if (steps_.SetAutoPowerOn() != 0) {
        steps_.Message(context_, kMessageError, Title(id::kTitleSetAutoOn), Text(id::kAutoOnFailed));
    }
    steps_.PowerOff();
    steps_.DeleteDriverFile();
    return 0;
}

uint32_t UpdateSequence::Report(uint32_t result) {
    state_.busy = 0;
    // An invalid option is found before anything was locked or extracted, while the current folder is
    // still the user's: unlocking there would install the driver service from that folder (whatever
    // "ADDMEM.SYS" it holds) only to undo a lock that never happened.
    if (CleansUpAfter(result) && DeletesFilesAfter(result)) {
        steps_.UnlockInput();
        steps_.DeleteToolFiles();
        steps_.DeleteUnselectedImages(context_);
    }
    const FailureContext failure{&context_.running, &context_.image};
    steps_.Message(context_, kMessageError, FailureTitle(resources_, result),
                   FailureMessage(resources_, result, failure));
    return result;
}

}  // namespace fwupdate
