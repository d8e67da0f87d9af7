#pragma once

// A kit folder with a drvInstall.ini and a fresh system root for one installer-window test.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <memory>
#include <string>

#include "drvsetup/shell/cmd_line.h"
#include "drvsetup/ui/dpinst_form.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "support/qt/qt_application.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace kit_test {

// One product section of a setup INI; `extra` holds further "key=value" lines.
inline std::string ProductSection(const std::string& name, int installDriver, const std::string& product,
                                  const std::string& extra = "") {
    std::string text;
    text.append("[").append(name).append("]\r\n");
    text.append("V_HardwareID=").append(std::to_string(installDriver)).append("\r\n");
    text.append("InstallDriver=").append(std::to_string(installDriver)).append("\r\n");
    text.append("OemProductName=").append(product).append("\r\n");
    if (extra.find("bEnableType=") == std::string::npos) {
        text.append("bEnableType=2\r\n");  // listed, as the generator writes it
    }
    text.append(extra);
    return text;
}

class DPInstFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApplication();
        platform::SetExecutablePath((kit_.path() / "drvsetup").string());
        platform::ResetMessageBoxStateForTesting();
        drvsetup::ParseCmdLine("");
        drvsetup::TDPInst_Form::SetTimerReentrancyFlag(false);
    }
    void TearDown() override {
        drvsetup::ParseCmdLine("");
        platform::SetExecutablePath("");
        platform::ResetMessageBoxStateForTesting();
    }

    // The window over the given setup INI, after the command line is parsed.
    std::unique_ptr<drvsetup::TDPInst_Form> MakeForm(const std::string& ini,
                                                     const std::string& commandLine = "") {
        WriteFile(kit_.path() / "drvInstall.ini", ini);
        drvsetup::ParseCmdLine(commandLine);
        return std::make_unique<drvsetup::TDPInst_Form>();
    }

    template <typename T>
    static T* Find(const drvsetup::TDPInst_Form& form, const char* name) {
        T* widget = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QRadioButton* Product(const drvsetup::TDPInst_Form& form, int index) {
        return Find<QRadioButton>(form, QStringLiteral("RadioButton%1").arg(index).toLatin1().constData());
    }

    TempSystemRoot root_;
    TempDir kit_;
    std::filesystem::path log_ = kit_.path() / "boxes.log";
    ScopedEnv logEnv_{"WINSYS_MSGBOX_LOG", log_.string()};
};

}  // namespace kit_test
