#include "platform/system_config_file.h"

#include <system_error>

#include "platform/paths.h"

namespace platform {

// Placeholder until profile files land: every root reads as the default system.
Result<SystemConfig> ReadSystemConfigFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        return Fail("no " + file.string());
    }
    return *PresetConfig("xp");
}

Result<void> WriteSystemConfigFile(const std::filesystem::path& file, const SystemConfig&) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (!WriteFileAtomically(file, "")) {
        return Fail("cannot write " + file.string());
    }
    return {};
}

}  // namespace platform
