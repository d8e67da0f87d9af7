#include "fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "platform/message_box.h"
#include "platform/system_root.h"

namespace fs = std::filesystem;

namespace kit_fuzz {

namespace {

struct ScratchFolder {
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "kit-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            Fail("cannot create the scratch folder");
        }
        path = pattern;
        const fs::path root = path / "root";
        std::optional<platform::SystemConfig> config = platform::PresetConfig("xp");
        if (!config || !platform::InitSystemRoot(root, *config).ok()) {
            Fail("cannot create the system root");
        }
        setenv("WINSYS_ROOT", root.c_str(), 1);
        platform::UseSystemRoot(root);
        // Boxes go to a presenter that answers like an unattended console, without printing: the
        // presenter is consulted only when a display seems to exist.
        setenv("DISPLAY", "kit-fuzz", 1);
        unsetenv("WINSYS_MSGBOX_ANSWERS");
        unsetenv("WINSYS_MSGBOX_LOG");
        platform::SetMessageBoxPresenter([](const platform::MessageBoxRequest& request) {
            return platform::MessageBoxCancelAnswer(request.flags);
        });
    }
    ~ScratchFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    fs::path path;
};

}  // namespace

const fs::path& Scratch() {
    static ScratchFolder scratch;
    return scratch.path;
}

fs::path FreshFolder(std::string_view name) {
    const fs::path folder = Scratch() / name;
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    if (error) {
        Fail("cannot create a scratch folder");
    }
    return folder;
}

bool WriteBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void Fail(const char* what) {
    std::fprintf(stderr, "kit-fuzz: %s\n", what);
    std::abort();
}

}  // namespace kit_fuzz
