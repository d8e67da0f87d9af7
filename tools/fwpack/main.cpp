// fwpack: packs a payload folder into a fwupdate executable, or lists the payload of one.
//
//   fwpack BASE_EXECUTABLE PAYLOAD_DIR -o OUTPUT
//   fwpack --list EXECUTABLE
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "fwupdate/payload_archive.h"
#include "fwupdate/payload_writer.h"
#include "platform/paths.h"

namespace {

constexpr int kUsageError = 2;

int Usage() {
    std::fprintf(stderr,
                 "usage: fwpack BASE_EXECUTABLE PAYLOAD_DIR -o OUTPUT\n"
                 "       fwpack --list EXECUTABLE\n"
                 "Gzips every file of PAYLOAD_DIR, sorted by name without regard to case, appends them as\n"
                 "the payload archive to a copy of BASE_EXECUTABLE and records the archive's offset in its\n"
                 "header. An archive the base already carries is replaced.\n");
    return kUsageError;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "fwpack: %s\n", message.c_str());
    return 1;
}

int List(const std::string& executable) {
    auto offset = fwupdate::ReadArchiveOffset(executable);
    if (!offset) {
        return Fail(executable + ": cannot be opened");
    }
    if (*offset == 0) {
        return Fail(executable + ": carries no payload archive");
    }
    auto source = fwupdate::FileArchiveSource::Open(executable);
    if (!source) {
        return Fail(executable + ": cannot be opened");
    }
    auto entries = fwupdate::ListArchive(*source, *offset);
    if (!entries) {
        return Fail(executable + ": " + entries.error().message);
    }
    std::printf("archive at offset 0x%" PRIX32 ", %zu entries\n", *offset, entries->size());
    std::printf("%10s %10s  %s\n", "member", "size", "name");
    for (const fwupdate::ArchiveEntryInfo& entry : *entries) {
        std::string original = entry.originalSize ? std::to_string(*entry.originalSize) : std::string("?");
        std::printf("%10" PRIu32 " %10s  %s\n", entry.memberSize, original.c_str(), entry.storedName.c_str());
    }
    return 0;
}

int Pack(const std::string& base, const std::string& payloadFolder, const std::string& output) {
    std::string image;
    if (!platform::ReadWholeFile(base, image)) {
        return Fail(base + ": cannot be read");
    }
    auto files = fwupdate::ReadPayloadFolder(payloadFolder);
    if (!files) {
        return Fail(files.error().message);
    }
    auto packed =
        fwupdate::AttachArchive(std::move(image), fwupdate::BuildArchive(fwupdate::MembersOf(*files)));
    if (!packed) {
        return Fail(base + ": " + packed.error().message);
    }
    if (!platform::WriteFileAtomically(output, *packed)) {
        return Fail(output + ": cannot be written");
    }
    ::chmod(output.c_str(), 0755);
    std::printf("fwpack: %s: %zu files packed\n", output.c_str(), files->size());
    return 0;
}

}  // namespace

int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--list") {
        return List(args[1]);
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        Usage();
        return 0;
    }
    std::vector<std::string> positional;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            output = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            return Usage();
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2 || output.empty()) {
        return Usage();
    }
    return Pack(positional[0], positional[1], output);
}

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
