#pragma once

// The update itself: options, checks, extraction under the progress window, the two flashes, the
// final power-off, in that fixed order, with the decision taken after each step and the report of
// every failure. It runs on a thread of its own; the progress window lives on the GUI thread and hears
// of the sequence only through ProgressView and SequenceState.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "fwupdate/update_steps.h"

namespace fwupdate {

class ResourceModule;

// Result codes of the sequence; each is also the exit code of a run that fails with it.
namespace sequence_result {
inline constexpr uint32_t kDiskSpace = 0x80000001;
inline constexpr uint32_t kNoProgressWindow = 0x80000002;
inline constexpr uint32_t kExtractionFailed = 0x80000003;
inline constexpr uint32_t kHddPassword = 0x80000004;
inline constexpr uint32_t kNoDriver = 0x80000005;
inline constexpr uint32_t kModelDiffers = 0x80000006;
inline constexpr uint32_t kPartDiffers = 0x80000007;
inline constexpr uint32_t kModelAndPartDiffer = 0x80000008;
inline constexpr uint32_t kBiosFlashFailed = 0x80000009;
inline constexpr uint32_t kMicomFlashFailed = 0x8000000A;
inline constexpr uint32_t kInvalidBiosFile = 0x8000000B;
inline constexpr uint32_t kInvalidMicomFile = 0x8000000C;
inline constexpr uint32_t kSmiFailed = 0x8000000D;
inline constexpr uint32_t kInvalidOption = 0x8000000E;
inline constexpr uint32_t kWorkingFolder = 0x8000000F;
inline constexpr uint32_t kNoAcAdapter = 0x80000010;
inline constexpr uint32_t kBatteryLow = 0x80000011;
inline constexpr uint32_t kNoAcAndBatteryLow = 0x80000012;
inline constexpr uint32_t kBiosNewer = 0x80000013;
}  // namespace sequence_result

// The title and text string ids a failure is reported with.
struct FailureStrings {
    uint32_t title;
    uint32_t text;
};
// nullopt for a code that is not reported this way (the disk-space result reports itself).
std::optional<FailureStrings> FailureStringsOf(uint32_t result);
// Whether a failure with this result unlocks the input and deletes what the run extracted.
bool FailureCleansUp(uint32_t result);

// Signalled once by one thread, waited for by another; the signal is consumed by the wait.
class AutoResetEvent {
  public:
    void Set();
    void Wait();
    void Reset();

  private:
    std::mutex mutex_;
    std::condition_variable signalled_;
    bool set_ = false;
};

// What the sequence and the progress window share across threads.
struct SequenceState {
    // 1 while the update must not be interrupted; the window refuses Cancel meanwhile.
    std::atomic<uint32_t> busy{0};
    // 1 until the window's extraction fails.
    std::atomic<uint32_t> extractionResult{1};
    // The window signals it once its extraction has ended.
    AutoResetEvent extractionDone;
};

enum class ProgressStep { kUnpack, kBios, kMicom };
enum class StepMark { kNone, kInProgress, kDone };

// The progress window as the sequence sees it. Each call returns once the window has taken the
// update; a call made before the window exists is dropped.
class ProgressView {
  public:
    virtual ~ProgressView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetMark(ProgressStep step, StepMark mark) = 0;
    virtual void SetVersions(const std::string& current, const std::string& next) = 0;
};

// Substitutes the arguments for the "%s" specifiers of a text in order and "%%" by "%". A specifier
// without an argument, or of another kind, stays as it is: the text comes from a language library and
// must not be able to make the program read arguments it was never given.
std::string FormatWithTexts(std::string_view format, std::initializer_list<std::string_view> args);

class UpdateSequence {
  public:
    UpdateSequence(UpdateSteps& steps, ProgressView& view, SequenceState& state,
                   const ResourceModule& resources);

    // Steps 2 to 26 of the update over the command-line text (what follows the program name). Returns
    // the exit code.
    uint32_t Run(std::string_view commandLine);

    const UpdateContext& Context() const { return context_; }

  private:
    uint32_t RunSteps(std::string_view commandLine);
    // Reports a failure (cleanup, message) and returns its code.
    uint32_t Report(uint32_t result);
    std::string Title(uint32_t id) const;
    std::string Text(uint32_t id) const;

    UpdateSteps& steps_;
    ProgressView& view_;
    SequenceState& state_;
    const ResourceModule& resources_;
    UpdateContext context_;
    // Deleting tool files is meant for the working folder; before it is entered the current
    // directory is the user's own.
    bool inWorkingFolder_ = false;
};

}  // namespace fwupdate
