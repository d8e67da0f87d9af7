#include "platform/ui/qt_message_box.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "support/qt/qt_application.h"

namespace {

using namespace platform;

QApplication* Application() {
    return &kit_test::EnsureQtApplication();
}

// Written out here rather than taken from the code under test, so a wrong mapping there shows.
const std::map<int, QMessageBox::StandardButton>& ButtonsByAnswer() {
    static const std::map<int, QMessageBox::StandardButton> buttons = {
        {IDOK, QMessageBox::Ok},       {IDCANCEL, QMessageBox::Cancel}, {IDABORT, QMessageBox::Abort},
        {IDRETRY, QMessageBox::Retry}, {IDIGNORE, QMessageBox::Ignore}, {IDYES, QMessageBox::Yes},
        {IDNO, QMessageBox::No}};
    return buttons;
}

// Presses a button of whatever message box is running modally, as soon as one is.
void PressWhenShown(QMessageBox::StandardButton button, std::optional<int> key = std::nullopt) {
    QTimer::singleShot(0, [button, key] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            PressWhenShown(button, key);
            return;
        }
        if (key) {
            QTest::keyClick(box, static_cast<Qt::Key>(*key));
        } else {
            ASSERT_NE(box->button(button), nullptr);
            box->button(button)->click();
        }
    });
}

class QtMessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Application();
        ResetMessageBoxStateForTesting();
    }
    void TearDown() override { ResetMessageBoxStateForTesting(); }
};

TEST_F(QtMessageBoxTest, BuildsTheDialogTheFlagsAskFor) {
    struct Case {
        uint32_t flags;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QMessageBox::StandardButton escapeButton;
        bool onTop;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONINFORMATION, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok,
         QMessageBox::Ok, false},
        {MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TOPMOST, QMessageBox::Warning,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Cancel, true},
        {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::No, QMessageBox::No, false},
        {MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_SETFOREGROUND, QMessageBox::NoIcon,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Cancel,
         false},
        {MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_SYSTEMMODAL, QMessageBox::Critical,
         QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Abort,
         QMessageBox::Abort, true},
        {MB_RETRYCANCEL | MB_DEFBUTTON4, QMessageBox::NoIcon, QMessageBox::Retry | QMessageBox::Cancel,
         QMessageBox::Retry, QMessageBox::Cancel, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        std::unique_ptr<QMessageBox> box = BuildMessageBox({"Caption", "Text", c.flags});
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->standardButtons(), c.buttons);
        ASSERT_NE(box->defaultButton(), nullptr);
        EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
        ASSERT_NE(box->escapeButton(), nullptr);
        EXPECT_EQ(box->standardButton(box->escapeButton()), c.escapeButton);
        EXPECT_EQ(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.onTop);
    }
}

TEST_F(QtMessageBoxTest, ShowsCaptionAndTextAsPlainText) {
    std::unique_ptr<QMessageBox> box =
        BuildMessageBox({"Caf\xc3\xa9 Setup", "Copy <b>C:\\kit\\a&b.inf</b>?\nLine two", MB_OK});
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8("Caf\xc3\xa9 Setup"));
    EXPECT_EQ(box->text(), QStringLiteral("Copy <b>C:\\kit\\a&b.inf</b>?\nLine two"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

TEST_F(QtMessageBoxTest, EachButtonGivesItsAnswerAndEscapeTheCancelAnswer) {
    for (uint32_t type :
         {MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL}) {
        for (int answer : MessageBoxButtons(type)) {
            SCOPED_TRACE("type " + std::to_string(type) + " answer " + std::to_string(answer));
            std::unique_ptr<QMessageBox> box = BuildMessageBox({"c", "t", type});
            box->setWindowModality(Qt::NonModal);
            box->show();
            QAbstractButton* button = box->button(ButtonsByAnswer().at(answer));
            ASSERT_NE(button, nullptr);
            QTest::mouseClick(button, Qt::LeftButton);
            EXPECT_FALSE(box->isVisible());
            EXPECT_EQ(AnswerOfMessageBox(*box, type), answer);
        }
        SCOPED_TRACE("type " + std::to_string(type) + " escape");
        std::unique_ptr<QMessageBox> box = BuildMessageBox({"c", "t", type});
        box->setWindowModality(Qt::NonModal);
        box->show();
        QTest::keyClick(box.get(), Qt::Key_Escape);
        QPointer<QMessageBox> watched(box.get());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !watched->isVisible(); }));
        const int expected = type == MB_OK                 ? IDOK
                             : type == MB_YESNO            ? IDNO
                             : type == MB_ABORTRETRYIGNORE ? IDABORT
                                                           : IDCANCEL;
        EXPECT_EQ(AnswerOfMessageBox(*box, type), expected);
    }
}

TEST_F(QtMessageBoxTest, ExecReturnsTheAnswerOfTheButtonPressed) {
    PressWhenShown(QMessageBox::Retry);
    EXPECT_EQ(ExecMessageBox({"c", "t", MB_ABORTRETRYIGNORE | MB_SETFOREGROUND | MB_TOPMOST}), IDRETRY);
    PressWhenShown(QMessageBox::Yes);
    EXPECT_EQ(ExecMessageBox({"c", "t", MB_YESNOCANCEL | MB_DEFBUTTON3}), IDYES);
    PressWhenShown(QMessageBox::NoButton, Qt::Key_Escape);
    EXPECT_EQ(ExecMessageBox({"c", "t", MB_YESNO | MB_DEFBUTTON1}), IDNO);
}

TEST_F(QtMessageBoxTest, BoxFromAWorkerThreadRunsOnTheGuiThread) {
    std::atomic<int> answer{0};
    QEventLoop loop;
    PressWhenShown(QMessageBox::Ignore);
    std::thread worker([&answer, &loop] {
        answer = ExecMessageBoxOnGuiThread({"c", "from a worker", MB_ABORTRETRYIGNORE});
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    EXPECT_EQ(answer.load(), IDIGNORE);
}

TEST_F(QtMessageBoxTest, PresenterOnTheOffscreenPlatformAnswersOnTheConsole) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    // A display in the environment makes MessageBox hand the box to the presenter, which must still
    // not run a dialog nobody can see.
    const char* oldDisplay = std::getenv("DISPLAY");
    const std::string saved = oldDisplay != nullptr ? oldDisplay : "";
    setenv("DISPLAY", ":0", 1);
    InstallQtMessageBoxPresenter();
    ::testing::internal::CaptureStderr();
    int answer = MessageBox("Flash the BIOS now?", "Firmware Update", MB_YESNO | MB_ICONQUESTION);
    std::string shown = ::testing::internal::GetCapturedStderr();
    if (oldDisplay != nullptr) {
        setenv("DISPLAY", saved.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
    EXPECT_EQ(answer, IDNO);
    EXPECT_NE(shown.find("Flash the BIOS now?"), std::string::npos) << shown;
}

}  // namespace
