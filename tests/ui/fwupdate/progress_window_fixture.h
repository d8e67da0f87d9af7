#pragma once

// A progress window over a resource module and a shared sequence state, with an extraction that only
// counts its calls.

#include <gtest/gtest.h>

#include <QLabel>
#include <QString>
#include <memory>

#include "fwupdate/resource_module.h"
#include "fwupdate/ui/progress_window.h"
#include "fwupdate/update_sequence.h"
#include "support/qt/qt_application.h"

namespace kit_test {

// A control of the window by its template id ("ctl1010").
inline QLabel* ProgressControl(const fwupdate::ProgressWindow& window, int id) {
    auto* label = window.findChild<QLabel*>(QStringLiteral("ctl%1").arg(id));
    EXPECT_NE(label, nullptr) << "ctl" << id;
    return label;
}

class ProgressWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureQtApplication(); }

    std::unique_ptr<fwupdate::ProgressWindow> MakeWindow(const fwupdate::ResourceModule& resources,
                                                         bool extractionWorks = true) {
        return std::make_unique<fwupdate::ProgressWindow>(resources, state_, [this, extractionWorks] {
            ++extractions_;
            return extractionWorks;
        });
    }

    static QLabel* Control(const fwupdate::ProgressWindow& window, int id) {
        return ProgressControl(window, id);
    }

    std::unique_ptr<fwupdate::ResourceModule> english_ = fwupdate::ExecutableResources();
    fwupdate::SequenceState state_;
    int extractions_ = 0;
};

}  // namespace kit_test
