// The progress window: its texts by string id, the step marks, the versions, Cancel against the busy
// flag, the extraction when it first appears, and the timer that closes the flash tool's window.
#include "fwupdate/ui/progress_window.h"

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "progress_window_fixture.h"

namespace {

using fwupdate::ProgressStep;
using fwupdate::StepMark;
using kit_test::ProgressWindowTest;

struct ControlString {
    int control;
    uint32_t stringId;
};
constexpr ControlString kControlStrings[] = {
    {1012, 1}, {1013, 2}, {1014, 3}, {1015, 4}, {1016, 17}, {1017, 18},
};

void ExpectControlStrings(const fwupdate::ProgressWindow& window, const fwupdate::ResourceModule& resources) {
    for (const ControlString& entry : kControlStrings) {
        SCOPED_TRACE(entry.control);
        QLabel* label = kit_test::ProgressControl(window, entry.control);
        ASSERT_NE(label, nullptr);
        const std::string expected = fwupdate::LoadString(resources, entry.stringId);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(label->text().toStdString(), expected);
    }
}

TEST_F(ProgressWindowTest, ControlsShowTheirStringsInEnglish) {
    auto window = MakeWindow(*english_);
    ExpectControlStrings(*window, *english_);
    EXPECT_EQ(Control(*window, 1012)->text().toStdString(), fwupdate::EnglishString(1));
}

TEST_F(ProgressWindowTest, ControlsShowTheirStringsFromALanguageLibrary) {
    auto german = fwupdate::LoadLanguageLibrary(std::filesystem::path(KIT_LANG_DIR) / "ConResGr.dll");
    ASSERT_TRUE(german.ok()) << german.error().message;
    auto window = MakeWindow(**german);
    ExpectControlStrings(*window, **german);
    // The library's own translation, not the English fallback.
    EXPECT_NE(Control(*window, 1013)->text().toStdString(), fwupdate::EnglishString(2));
}

TEST_F(ProgressWindowTest, FirstShowExtractsOnceAndSignalsTheSequence) {
    struct Case {
        bool extractionWorks;
        uint32_t flag;
    };
    for (const Case c : {Case{true, 1u}, Case{false, 0u}}) {
        SCOPED_TRACE(c.extractionWorks);
        state_.extractionResult = 1;
        extractions_ = 0;
        auto window = MakeWindow(*english_, c.extractionWorks);
        EXPECT_EQ(extractions_, 0);
        window->show();
        EXPECT_TRUE(window->Initialized());
        EXPECT_EQ(extractions_, 1);
        EXPECT_EQ(state_.extractionResult, c.flag);
        state_.extractionDone.Wait();  // already signalled, or the test would hang here

        window->hide();
        window->show();
        EXPECT_EQ(extractions_, 1);
    }
}

TEST_F(ProgressWindowTest, MarksShowNothingAnArrowOrACheck) {
    auto window = MakeWindow(*english_);
    const struct {
        ProgressStep step;
        int control;
    } steps[] = {{ProgressStep::kUnpack, 1011}, {ProgressStep::kBios, 1008}, {ProgressStep::kMicom, 1009}};
    for (const auto& entry : steps) {
        SCOPED_TRACE(entry.control);
        QLabel* mark = Control(*window, entry.control);
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(window->Mark(entry.step), StepMark::kNone);
        EXPECT_TRUE(mark->pixmap().isNull());

        window->SetMark(entry.step, StepMark::kInProgress);
        EXPECT_EQ(window->Mark(entry.step), StepMark::kInProgress);
        const QImage arrow = mark->pixmap().toImage();
        EXPECT_FALSE(arrow.isNull());

        window->SetMark(entry.step, StepMark::kDone);
        EXPECT_EQ(window->Mark(entry.step), StepMark::kDone);
        const QImage check = mark->pixmap().toImage();
        EXPECT_FALSE(check.isNull());
        EXPECT_NE(arrow, check);

        window->SetMark(entry.step, StepMark::kNone);
        EXPECT_TRUE(mark->pixmap().isNull());
    }
    // A mark belongs to its own step only.
    window->SetMark(ProgressStep::kBios, StepMark::kDone);
    EXPECT_EQ(window->Mark(ProgressStep::kUnpack), StepMark::kNone);
    EXPECT_EQ(window->Mark(ProgressStep::kMicom), StepMark::kNone);
}

TEST_F(ProgressWindowTest, StatusLineAndVersions) {
    auto window = MakeWindow(*english_);
    window->SetStatus(QString::fromUtf8(fwupdate::EnglishString(7)));
    window->SetVersions(QStringLiteral("03AB"), QStringLiteral("05AB"));
    EXPECT_EQ(Control(*window, 1010)->text().toStdString(), fwupdate::EnglishString(7));
    EXPECT_EQ(Control(*window, 1018)->text(), QStringLiteral("03AB"));
    EXPECT_EQ(Control(*window, 1019)->text(), QStringLiteral("05AB"));
}

TEST_F(ProgressWindowTest, CancelIsRefusedWhileBusyAndAcceptedWhenIdle) {
    auto window = MakeWindow(*english_);
    state_.busy = 1;
    window->show();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());

    state_.busy = 0;
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());

    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ProgressWindowTest, UserMessageStartsAndStopsTheFindTimer) {
    auto window = MakeWindow(*english_);
    auto* timer = window->findChild<QTimer*>(QStringLiteral("timer16"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(window->FindTimerActive());
    window->UserMessage(1);
    EXPECT_TRUE(window->FindTimerActive());
    EXPECT_EQ(timer->interval(), 200);
    window->UserMessage(0);
    EXPECT_FALSE(window->FindTimerActive());
}

TEST_F(ProgressWindowTest, TimerTickClosesTheFlashToolWindowAndKeepsItsText) {
    auto window = MakeWindow(*english_);
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another Window"));
    other.show();
    QWidget tool;
    tool.setWindowTitle(QStringLiteral("Phoenix Secure WinFlash"));

    window->UserMessage(1);
    window->FindTimerTick();  // the tool's window is not there yet
    EXPECT_TRUE(window->FoundText().isEmpty());

    tool.show();
    window->FindTimerTick();
    EXPECT_FALSE(tool.isVisible());
    EXPECT_TRUE(other.isVisible());
    EXPECT_EQ(window->FoundText(), QStringLiteral("Phoenix Secure WinFlash"));

    // Starting again empties the buffer.
    window->UserMessage(1);
    EXPECT_TRUE(window->FoundText().isEmpty());
    window->UserMessage(0);
}

}  // namespace
