// drvsetup: the driver setup front-end. It takes its command line from its arguments (or, without
// any, from the setup INI next to it), then runs the installer window until that closes.

#include <QApplication>
#include <exception>
#include <string>
#include <vector>

#include "drvsetup/shell/cmd_line.h"
#include "drvsetup/shell/setup_ini_discovery.h"
#include "drvsetup/ui/dpinst_form.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/ui/qt_app.h"

namespace {

int Run(int& argc, char** argv) {
    platform::SetExecutablePath(argc > 0 ? argv[0] : "");
    std::unique_ptr<QApplication> app = platform::StartQtApplication(argc, argv);
    // The window ends the program when it closes, even a window that was never shown; a message box
    // closing while the window is hidden must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    std::optional<std::string> text = drvsetup::ObtainCmdLineText(arguments);
    if (!text) {
        return 0;
    }
    drvsetup::ParseCmdLine(*text);

    drvsetup::TDPInst_Form form;
    QObject::connect(&form, &drvsetup::TDPInst_Form::Closed, app.get(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!drvsetup::IsSilentCmdLine()) {
        form.show();
    }
    QApplication::exec();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        platform::MessageBox(error.what(), "drvsetup", platform::MB_OK | platform::MB_ICONSTOP);
    } catch (...) {
        platform::MessageBox("", "drvsetup", platform::MB_OK | platform::MB_ICONSTOP);
    }
    return 0;
}
