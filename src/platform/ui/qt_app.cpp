#include "platform/ui/qt_app.h"

#include <cstdlib>

#include "platform/display.h"
#include "platform/ui/qt_message_box.h"

namespace platform {

bool PrepareQtPlatform() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if ((chosen != nullptr && chosen[0] != '\0') || HasDisplay()) {
        return false;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}

std::unique_ptr<QApplication> StartQtApplication(int& argc, char** argv) {
    PrepareQtPlatform();
    auto app = std::make_unique<QApplication>(argc, argv);
    InstallQtMessageBoxPresenter();
    return app;
}

}  // namespace platform
