#pragma once

// system.ini: the emulated system's settings as a profile file, so that a user can read and edit it.

#include <filesystem>

#include "platform/result.h"
#include "platform/system_root.h"

namespace platform {

Result<SystemConfig> ReadSystemConfigFile(const std::filesystem::path& file);
Result<void> WriteSystemConfigFile(const std::filesystem::path& file, const SystemConfig& config);

}  // namespace platform
