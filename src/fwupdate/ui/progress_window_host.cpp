#include "fwupdate/ui/progress_window_host.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>

#include "fwupdate/ui/progress_window.h"

namespace fwupdate {

ProgressWindowHost::ProgressWindowHost(const ResourceModule& resources, SequenceState& state,
                                       std::function<bool()> extractPayload)
    : resources_(resources), state_(state), extractPayload_(std::move(extractPayload)) {}

ProgressWindowHost::~ProgressWindowHost() = default;

bool ProgressWindowHost::Start() {
    if (QCoreApplication::instance() == nullptr) {
        return false;
    }
    if (QThread::currentThread() == thread()) {
        Open();
        return true;
    }
    return QMetaObject::invokeMethod(
        this, [this] { Open(); }, Qt::QueuedConnection);
}

void ProgressWindowHost::Open() {
    if (window_ != nullptr) {
        return;
    }
    window_ = std::make_unique<ProgressWindow>(resources_, state_, extractPayload_);
    window_->show();
}

void ProgressWindowHost::Send(const std::function<void(ProgressWindow&)>& update) {
    auto deliver = [this, &update] {
        if (window_ != nullptr) {
            update(*window_);
        }
    };
    if (QThread::currentThread() == thread()) {
        deliver();
        return;
    }
    // Posted behind an Open that Start may have queued, so the window exists by the time it runs.
    QMetaObject::invokeMethod(this, deliver, Qt::BlockingQueuedConnection);
}

void ProgressWindowHost::SetStatus(const std::string& text) {
    const QString status = QString::fromStdString(text);
    Send([&status](ProgressWindow& window) { window.SetStatus(status); });
}

void ProgressWindowHost::SetMark(ProgressStep step, StepMark mark) {
    Send([step, mark](ProgressWindow& window) { window.SetMark(step, mark); });
}

void ProgressWindowHost::SetVersions(const std::string& current, const std::string& next) {
    const QString currentText = QString::fromStdString(current);
    const QString nextText = QString::fromStdString(next);
    Send([&currentText, &nextText](ProgressWindow& window) { window.SetVersions(currentText, nextText); });
}

}  // namespace fwupdate
