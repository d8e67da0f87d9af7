#include "platform/ui/qt_event_pump.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <memory>

#include "support/qt/qt_application.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

// A child that sleeps a while and then runs until the file "go" appears in its folder; it gives up
// with 99 after about ten seconds, so a pump that processes no events fails instead of hanging.
const char* const kScript =
    "#!/bin/sh\n"
    "sleep 0.3\n"
    "i=0\n"
    "while [ ! -e go ]; do sleep 0.02; i=$((i+1)); [ $i -gt 500 ] && exit 99; done\n"
    "exit 42\n";

class QtEventPumpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kit_test::WriteFile(dir_.path() / "child.exe", kScript);
        fs::permissions(dir_.path() / "child.exe", fs::perms::owner_all);
    }
    std::unique_ptr<platform::Process> StartChild() {
        std::string commandLine(1, '"');
        commandLine += (dir_.path() / "child.exe").string();
        commandLine += '"';
        auto process = platform::Process::Start(commandLine, dir_.str());
        EXPECT_TRUE(process.ok()) << (process.ok() ? "" : process.error().message);
        return process.ok() ? std::move(process).value() : nullptr;
    }

    kit_test::TempDir dir_;
};

TEST_F(QtEventPumpTest, TimersFireWhileTheChildRuns) {
    kit_test::ScopedEnv platformName("QT_QPA_PLATFORM", "offscreen");
    kit_test::EnsureQtApplication();

    std::unique_ptr<platform::Process> child = StartChild();
    ASSERT_NE(child, nullptr);
    // The timer stands for the window's own events; only its firing lets the child end.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 3) {
            kit_test::WriteFile(dir_.path() / "go", "");
        }
    });
    timer.start(20);
    EXPECT_EQ(child->Wait(platform::QtEventPump()), 42);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(child->ExitCode(), 42);
}

TEST_F(QtEventPumpTest, WithoutAnApplicationItBlocksOnTheChild) {
    if (QCoreApplication::instance() != nullptr) {
        GTEST_SKIP() << "an earlier test of this process made the application; ctest runs this one alone";
    }
    std::unique_ptr<platform::Process> child = StartChild();
    ASSERT_NE(child, nullptr);
    kit_test::WriteFile(dir_.path() / "go", "");
    EXPECT_EQ(child->Wait(platform::QtEventPump()), 42);
}

}  // namespace
