#pragma once

// Process privileges. The user holds the privileges that system.ini lists; enabling one the user does
// not hold fails, as an adjustment of the access token does on Windows, so the programs' failure paths
// can be reached by editing system.ini.

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// The process's access token opened for adjusting privileges; none when system.ini denies it.
class AccessToken {
  public:
    static std::optional<AccessToken> OpenForProcess();
    // Enables one privilege, leaving the others as they are. False when the user does not hold it.
    bool EnablePrivilege(uint32_t luid) const;

  private:
    AccessToken() = default;
};

// The identifier of a privilege name on the local system; none for a name the system does not know.
std::optional<uint32_t> LookupPrivilegeValue(std::string_view name);

// Opens the token, looks the name up and enables it.
bool EnablePrivilege(std::string_view name);
bool IsPrivilegeEnabled(std::string_view name);

}  // namespace platform
