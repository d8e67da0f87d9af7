#pragma once

// A kit folder, a fresh system root and scripted dialogs for one generator-window test.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>
#include <optional>
#include <string>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/hw_setting.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/shell/os_tools.h"
#include "drvsetup/ui/ini_gen_form.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/system_root.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/input_box.h"
#include "support/qt/qt_application.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace kit_test {

class IniGenFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApplication();
        UseSystem(1033);
        platform::SetExecutablePath((kit_.path() / "drvsetup").string());
        platform::ResetMessageBoxStateForTesting();
        platform::ResetFileDialogStateForTesting();
        platform::ResetInputBoxStateForTesting();
    }
    void TearDown() override {
        platform::SetExecutablePath("");
        platform::ResetMessageBoxStateForTesting();
        platform::ResetFileDialogStateForTesting();
        platform::ResetInputBoxStateForTesting();
        drvsetup::ResetOsCodeCacheForTesting();
    }

    void UseSystem(uint32_t lcid) {
        platform::SystemConfig config = *platform::PresetConfig("xp");
        config.userDefaultLcid = lcid;
        ASSERT_TRUE(platform::InitSystemRoot(root_.path(), config).ok());
        platform::UseSystemRoot(root_.path());
        drvsetup::ResetOsCodeCacheForTesting();
    }

    // The window for a record, with the access code answered (none: cancelled).
    static std::unique_ptr<drvsetup::TiniGenForm> MakeForm(const drvsetup::IVexaSetting& record,
                                                           std::optional<std::string> accessCode = "7093") {
        platform::ScriptInputBoxAnswers({std::move(accessCode)});
        return std::make_unique<drvsetup::TiniGenForm>(nullptr, record);
    }

    template <typename T>
    static T* Find(const QWidget& form, const std::string& name) {
        T* widget = form.findChild<T*>(QString::fromStdString(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static std::string Value(drvsetup::TiniGenForm& form, int32_t id) {
        return form.InstallView().GetValue(id);
    }

    TempSystemRoot root_;
    TempDir kit_;
    std::filesystem::path log_ = kit_.path() / "boxes.log";
    ScopedEnv logEnv_{"WINSYS_MSGBOX_LOG", log_.string()};
};

}  // namespace kit_test
