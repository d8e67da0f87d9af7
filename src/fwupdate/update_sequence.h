#pragma once

// The update itself: options, checks, extraction under the progress window, the two flashes, the
// final power-off, in that fixed order, with the decision taken after each step and the report of
// every failure. It runs on a thread of its own; the progress window lives on the GUI thread and hears
// of the sequence only through ProgressView and SequenceState.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "fwupdate/update_steps.h"

namespace fwupdate {

class ResourceModule;

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
};

}  // namespace fwupdate
