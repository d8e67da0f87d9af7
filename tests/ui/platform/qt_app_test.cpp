#include "platform/ui/qt_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

// Runs each case with its own QT_QPA_PLATFORM and display variables and restores them afterwards.
class QtAppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            const char* value = std::getenv(name);
            saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
            unsetenv(name);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    static std::string Platform() {
        const char* value = std::getenv("QT_QPA_PLATFORM");
        return value != nullptr ? value : "<unset>";
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(QtAppTest, HeadlessWithoutADisplay) {
    setenv("DISPLAY", "", 1);
    EXPECT_TRUE(platform::PrepareQtPlatform());
    EXPECT_EQ(Platform(), "offscreen");
}

TEST_F(QtAppTest, LeavesThePlatformAloneWithADisplayOrTheCallersChoice) {
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_FALSE(platform::PrepareQtPlatform());
    EXPECT_EQ(Platform(), "<unset>");

    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "vnc", 1);
    EXPECT_FALSE(platform::PrepareQtPlatform());
    EXPECT_EQ(Platform(), "vnc");
}

}  // namespace
