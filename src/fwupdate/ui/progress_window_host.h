#pragma once

// The bridge between the sequence's thread and the progress window. Qt keeps every window on the GUI
// thread, so the host lives there: Start asks that thread to open the window, and each ProgressView
// call from the sequence's thread is carried over and waited for, as a message sent to a window of
// another thread would be.

#include <QObject>
#include <functional>
#include <memory>

#include "fwupdate/update_sequence.h"

namespace fwupdate {

class ProgressWindow;
class ResourceModule;

class ProgressWindowHost : public QObject, public ProgressView {
    Q_OBJECT

  public:
    // Lives on the thread it is made on, which must be the GUI thread.
    ProgressWindowHost(const ResourceModule& resources, SequenceState& state,
                       std::function<bool()> extractPayload);
    ~ProgressWindowHost() override;
    ProgressWindowHost(const ProgressWindowHost&) = delete;
    ProgressWindowHost& operator=(const ProgressWindowHost&) = delete;

    // From any thread: has the GUI thread make and show the window. False without an application to
    // run it.
    bool Start();

    void SetStatus(const std::string& text) override;
    void SetMark(ProgressStep step, StepMark mark) override;
    void SetVersions(const std::string& current, const std::string& next) override;

    // The window once the GUI thread has made it; null before. GUI thread only.
    ProgressWindow* Window() const { return window_.get(); }

  private:
    void Open();
    // Runs `update` on the GUI thread against the window and returns once it has run; dropped when
    // there is no window yet.
    void Send(const std::function<void(ProgressWindow&)>& update);

    const ResourceModule& resources_;
    SequenceState& state_;
    std::function<bool()> extractPayload_;
    std::unique_ptr<ProgressWindow> window_;
};

}  // namespace fwupdate
