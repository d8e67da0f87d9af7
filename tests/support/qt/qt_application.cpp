#include "support/qt/qt_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace kit_test {

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
  public:
    QApplication& Get() {
        if (app_ == nullptr) {
            app_ = std::make_unique<QApplication>(argc_, argv_);
        }
        return *app_;
    }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[10] = "kit_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// gtest owns the environments it is given.
QtApplicationEnvironment* const environment =
    static_cast<QtApplicationEnvironment*>(::testing::AddGlobalTestEnvironment(
        new QtApplicationEnvironment));  // NOLINT(cppcoreguidelines-owning-memory)

}  // namespace

QApplication& EnsureQtApplication() {
    return environment->Get();
}

}  // namespace kit_test
