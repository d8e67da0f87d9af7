#pragma once

// Fixture of the drvsetup tests that need a kit: a temporary kit folder that drvsetup takes for its
// own executable folder, a fresh system root, and message boxes and the cached OS code reset around
// each test.

#include <gtest/gtest.h>

#include "drvsetup/shell/os_tools.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace kit_test {

class KitFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetExecutablePath((kit_.path() / "drvsetup").string());
        platform::ResetMessageBoxStateForTesting();
    }
    void TearDown() override {
        platform::SetExecutablePath("");
        platform::ResetMessageBoxStateForTesting();
        drvsetup::ResetOsCodeCacheForTesting();
    }
    // Makes the system root one of the preset systems, with the given user locale.
    void UseSystem(const char* preset, uint32_t lcid = 1033) {
        platform::SystemConfig config = *platform::PresetConfig(preset);
        config.userDefaultLcid = lcid;
        ASSERT_TRUE(platform::InitSystemRoot(root_.path(), config).ok());
        platform::UseSystemRoot(root_.path());
        drvsetup::ResetOsCodeCacheForTesting();
    }

    TempSystemRoot root_;
    TempDir kit_;
};

}  // namespace kit_test
