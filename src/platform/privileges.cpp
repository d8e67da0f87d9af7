#include "platform/privileges.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <set>

#include "platform/ascii.h"
#include "platform/system_root.h"

namespace platform {

namespace {

std::mutex enabledMutex;
std::set<uint32_t>& Enabled() {
    static std::set<uint32_t> enabled;
    return enabled;
}

}  // namespace

std::optional<AccessToken> AccessToken::OpenForProcess() {
    if (!CurrentSystemConfig().openProcessToken) {
        return std::nullopt;
    }
    return AccessToken();
}

bool AccessToken::EnablePrivilege(uint32_t luid) const {
    const auto& known = KnownPrivileges();
    if (luid >= known.size()) {
        return false;
    }
    const auto& held = CurrentSystemConfig().privileges;
    if (std::find(held.begin(), held.end(), known[luid]) == held.end()) {
        return false;
    }
    std::lock_guard lock(enabledMutex);
    Enabled().insert(luid);
    return true;
}

std::optional<uint32_t> LookupPrivilegeValue(std::string_view name) {
    const auto& known = KnownPrivileges();
    // Privilege names are looked up without regard to case on Windows.
    auto it =
        std::find_if(known.begin(), known.end(), [&](const std::string& k) { return EqualsNoCase(k, name); });
    if (it == known.end()) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(it - known.begin());
}

bool EnablePrivilege(std::string_view name) {
    auto token = AccessToken::OpenForProcess();
    auto luid = LookupPrivilegeValue(name);
    return token && luid && token->EnablePrivilege(*luid);
}

bool IsPrivilegeEnabled(std::string_view name) {
    auto luid = LookupPrivilegeValue(name);
    std::lock_guard lock(enabledMutex);
    return luid && Enabled().contains(*luid);
}

}  // namespace platform
