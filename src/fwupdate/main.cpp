// fwupdate: the firmware updater. It picks the language library for the system, then runs the update
// sequence on a thread of its own while the GUI thread keeps the progress window and the message boxes
// alive; the process ends with the sequence's exit code.
#include <QApplication>
#include <QMetaObject>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "fwupdate/gzip_member.h"
#include "fwupdate/input_lock_journal.h"
#include "fwupdate/language.h"
#include "fwupdate/ui/progress_window_host.h"
#include "fwupdate/update_sequence.h"
#include "fwupdate/update_steps.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/system_info.h"
#include "platform/ui/qt_app.h"

namespace {

// Step 1: the resource module every text comes from, before Qt starts, so a library that cannot be
// decompressed ends the program with nothing but its message on standard error. Says on standard
// output which module it is.
fwupdate::LanguageResources LoadResources() {
    std::error_code ec;
    std::filesystem::path startFolder = std::filesystem::current_path(ec);
    auto resources = fwupdate::LoadLanguageResources(platform::ExecutablePath(),
                                                     platform::GetSystemDefaultLangID(), startFolder);
    if (!resources) {
        fwupdate::EndOnDecompressionFailure(resources.error());
    }
    using Source = fwupdate::LanguageResources::Source;
    switch (resources->source) {
        case Source::kLibrary:
            std::printf("fwupdate: %s messages from %s\n", resources->module->LanguageName().c_str(),
                        resources->libraryPath.c_str());
            break;
        case Source::kNotInPayload:
            std::printf("fwupdate: %s is not in the payload; English messages of the executable\n",
                        resources->libraryName.c_str());
            break;
        case Source::kLoadFailed:
            std::printf("fwupdate: %s does not load (%s); English messages of the executable\n",
                        resources->libraryName.c_str(), resources->loadError.c_str());
            break;
    }
    std::fflush(stdout);
    return std::move(*resources);
}

// The entry point: the language resources, then the update sequence on a thread of its own while this
// thread runs the progress window and the message boxes. `commandLine` is what follows the program
// name. Returns the exit code.
uint32_t WinMain(int& argc, char** argv, const std::string& commandLine) {
    fwupdate::LanguageResources language = LoadResources();
    std::unique_ptr<QApplication> app = platform::StartQtApplication(argc, argv);
    // The window may be closed once the update is past its last hardware step; the sequence still has
    // its messages to show and decides when the program ends.
    QApplication::setQuitOnLastWindowClosed(false);
    if (language.source == fwupdate::LanguageResources::Source::kLoadFailed) {
        fwupdate::ShowLanguageLoadFailure();
    }
    const fwupdate::ResourceModule& resources = *language.module;

    fwupdate::SequenceState state;
    fwupdate::ProgressWindowHost window(resources, state, fwupdate::ExtractPayloadHere);
    std::unique_ptr<fwupdate::UpdateSteps> steps =
        fwupdate::MakeUpdateSteps(resources, [&window] { return window.Start(); });
    fwupdate::UpdateSequence sequence(*steps, window, state, resources);

    uint32_t exitCode = 0;
    std::thread worker([&] {
        exitCode = sequence.Run(commandLine);
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
    QApplication::exec();
    worker.join();
    return exitCode;
}

int Run(int argc, char** argv) {
    platform::SetExecutablePath(argc > 0 ? argv[0] : "");
    // Started again as the guardian of a locked keyboard and mouse, the program only waits for the
    // updater to end.
    if (std::optional<int> guardExit = fwupdate::RunInputGuardIfAsked()) {
        return *guardExit;
    }
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    // A process's exit status keeps only the low byte of the code; 0x80000012 ends as 18.
    return static_cast<int>(WinMain(argc, argv, platform::JoinArguments(arguments)));
}

}  // namespace

// Nothing below is meant to throw; should the library run out of memory, the program says so and fails
// instead of aborting.
int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argc > 0 ? argv[0] : "program", error.what());
        return 1;
    }
}
