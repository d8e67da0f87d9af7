// The bridge from the sequence's thread: the window is made on the GUI thread, and the updates sent
// from another thread arrive before the sending call returns.
#include "fwupdate/ui/progress_window_host.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <atomic>
#include <thread>

#include "fwupdate/ui/progress_window.h"
#include "progress_window_fixture.h"

namespace {

using fwupdate::ProgressStep;
using fwupdate::StepMark;
using kit_test::ProgressWindowTest;

// Runs `work` on a thread of its own while this thread runs the event loop the window needs.
template <typename Work>
void RunOnSequenceThread(Work work) {
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

TEST_F(ProgressWindowTest, UpdatesFromTheSequenceThreadReachTheWindowBeforeTheCallReturns) {
    fwupdate::ProgressWindowHost host(*english_, state_, [this] {
        ++extractions_;
        return true;
    });
    std::atomic<bool> started{false};
    std::atomic<uint32_t> extractionResult{0};
    RunOnSequenceThread([&] {
        host.SetStatus("dropped: there is no window yet");
        started = host.Start();
        host.SetMark(ProgressStep::kUnpack, StepMark::kInProgress);
        host.SetStatus("Preparing");
        state_.extractionDone.Wait();
        extractionResult = state_.extractionResult.load();
        host.SetMark(ProgressStep::kUnpack, StepMark::kDone);
        host.SetVersions("03AB", "05AB");
        host.SetMark(ProgressStep::kBios, StepMark::kInProgress);
    });
    EXPECT_TRUE(started);
    EXPECT_EQ(extractionResult, 1u);
    EXPECT_EQ(extractions_, 1);
    fwupdate::ProgressWindow* window = host.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Mark(ProgressStep::kUnpack), StepMark::kDone);
    EXPECT_EQ(window->Mark(ProgressStep::kBios), StepMark::kInProgress);
    EXPECT_EQ(window->Mark(ProgressStep::kMicom), StepMark::kNone);
    EXPECT_EQ(Control(*window, 1010)->text(), QStringLiteral("Preparing"));
    EXPECT_EQ(Control(*window, 1018)->text(), QStringLiteral("03AB"));
    EXPECT_EQ(Control(*window, 1019)->text(), QStringLiteral("05AB"));
}

TEST_F(ProgressWindowTest, FailedExtractionReachesTheSequenceThread) {
    fwupdate::ProgressWindowHost host(*english_, state_, [] { return false; });
    std::atomic<uint32_t> extractionResult{1};
    RunOnSequenceThread([&] {
        if (host.Start()) {
            state_.extractionDone.Wait();
        }
        extractionResult = state_.extractionResult.load();
    });
    EXPECT_EQ(extractionResult, 0u);
}

TEST_F(ProgressWindowTest, UpdatesOnTheGuiThreadItselfAreDeliveredDirectly) {
    fwupdate::ProgressWindowHost host(*english_, state_, [] { return true; });
    ASSERT_TRUE(host.Start());
    ASSERT_NE(host.Window(), nullptr);
    host.SetMark(ProgressStep::kMicom, StepMark::kDone);
    EXPECT_EQ(host.Window()->Mark(ProgressStep::kMicom), StepMark::kDone);
}

}  // namespace
