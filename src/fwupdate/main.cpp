// fwupdate: the firmware updater. For now it goes as far as its language resources: it picks the
// language library for the system, extracts it from its own payload and loads it.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "fwupdate/gzip_member.h"
#include "fwupdate/language.h"
#include "platform/paths.h"
#include "platform/system_info.h"

namespace {

int Run(int argc, char** argv) {
    platform::SetExecutablePath(argc > 0 ? argv[0] : "");

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
            fwupdate::ShowLanguageLoadFailure();
            std::printf("fwupdate: %s does not load (%s); English messages of the executable\n",
                        resources->libraryName.c_str(), resources->loadError.c_str());
            break;
    }
    std::printf("fwupdate: the update sequence is not part of this build; nothing was changed\n");
    return 0;
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
