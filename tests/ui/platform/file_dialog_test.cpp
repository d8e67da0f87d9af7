#include "platform/ui/file_dialog.h"

#include <gtest/gtest.h>

#include "platform/ui/input_box.h"
#include "support/qt/qt_application.h"
#include "support/temp_root.h"

namespace {

class UserDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kit_test::EnsureQtApplication();
        platform::ResetFileDialogStateForTesting();
        platform::ResetInputBoxStateForTesting();
    }
    void TearDown() override {
        platform::ResetFileDialogStateForTesting();
        platform::ResetInputBoxStateForTesting();
    }
};

TEST_F(UserDialogTest, ScriptedFileAnswersAreUsedInOrderThenNobodyAnswers) {
    platform::ScriptOpenFileAnswers({"/kit/a.inf", std::nullopt});
    platform::OpenFileRequest request{"Find", "/kit", "*.inf", "inf"};
    EXPECT_EQ(platform::GetOpenFileName(request), std::optional<std::string>("/kit/a.inf"));
    EXPECT_EQ(platform::GetOpenFileName(request), std::nullopt);
    // Offscreen, a dialog nobody scripted is cancelled instead of waiting for a click.
    EXPECT_EQ(platform::GetOpenFileName(request), std::nullopt);
    ASSERT_EQ(platform::OpenFileRequests().size(), 3u);
    EXPECT_EQ(platform::OpenFileRequests()[0].initialFolder, "/kit");
    EXPECT_EQ(platform::OpenFileRequests()[2].defaultExt, "inf");
}

TEST_F(UserDialogTest, ScriptedInputAnswersAreUsedInOrderThenNobodyAnswers) {
    platform::ScriptInputBoxAnswers({"7093", std::nullopt, ""});
    EXPECT_EQ(platform::InputBox("Input User Name", "Please Input User Name", ""),
              std::optional<std::string>("7093"));
    EXPECT_EQ(platform::InputBox("c", "p", "d"), std::nullopt);
    EXPECT_EQ(platform::InputBox("c", "p", "d"), std::optional<std::string>(""));
    EXPECT_EQ(platform::InputBox("c", "p", "d"), std::nullopt);
}

TEST(WithDefaultExtension, AddsTheExtensionOnlyToANameWithoutOne) {
    kit_test::TempDir dir;
    kit_test::WriteFile(dir.path() / "README", "x");
    EXPECT_EQ(platform::WithDefaultExtension("/kit/__setup", "ini"), "/kit/__setup.ini");
    EXPECT_EQ(platform::WithDefaultExtension("/kit/a.INF", "inf"), "/kit/a.INF");
    EXPECT_EQ(platform::WithDefaultExtension("/kit/x", ""), "/kit/x");
    EXPECT_EQ(platform::WithDefaultExtension("", "ini"), "");
    // An existing file is taken as it is named.
    EXPECT_EQ(platform::WithDefaultExtension((dir.path() / "README").string(), "ini"),
              (dir.path() / "README").string());
}

}  // namespace
