#include "drvsetup/shell/os_tools.h"

#include <mutex>

#include "platform/system_info.h"

namespace drvsetup {

namespace {

struct OsCache {
    std::mutex mutex;
    bool notComputed = true;
    int32_t code = OsUnknown;
    int32_t bitness = 32;
};

OsCache& Cache() {
    static OsCache cache;
    return cache;
}

int32_t ClassifyVersion(const platform::OsVersionInfo& v, int32_t& bitness) {
    bitness = 32;
    if (v.platformId == 1 && v.majorVersion == 4) {
        if (v.minorVersion == 0)
            return OsWin95;
        if (v.minorVersion == 10)
            return v.csdVersion.size() >= 2 && v.csdVersion[1] == 'A' ? OsWin98SE : OsWin98;
        if (v.minorVersion == 90)
            return OsWinMe;
        return OsUnknown;
    }
    if (v.platformId != 2) {
        return OsUnknown;
    }
    if (v.majorVersion <= 4)
        return OsWinNT;
    if (v.majorVersion == 5) {
        if (v.minorVersion == 0)
            return OsWin2000;
        if (v.minorVersion == 1)
            return OsWinXP32;
        if (v.minorVersion == 2) {
            bitness = 64;
            return OsWinXP64;
        }
        return OsUnknown;
    }
    if (v.majorVersion == 6 && v.minorVersion == 0) {
        platform::NativeSystemInfo info;  // zero-filled: only the architecture is looked at
        if (platform::HasKernelFunction("kernel32.dll", "GetNativeSystemInfo") &&
            platform::GetNativeSystemInfo(info) && info.processorArchitecture == 9) {
            bitness = 64;
            return OsVista64;
        }
        return OsVista32;
    }
    return OsUnknown;
}

}  // namespace

int32_t GetOsVersionCode(int32_t& bitness) {
    OsCache& c = Cache();
    std::lock_guard lock(c.mutex);
    if (c.notComputed) {
        c.notComputed = false;  // before the query, so that a failure is cached too
        platform::OsVersionInfo info;
        info.size = platform::OsVersionInfo::kExtendedSize;
        bool got = platform::GetVersionEx(info);
        if (!got) {
            info = platform::OsVersionInfo{};
            info.size = platform::OsVersionInfo::kBasicSize;
            got = platform::GetVersionEx(info);
        }
        c.bitness = 32;
        c.code = got ? ClassifyVersion(info, c.bitness) : OsUnknown;
    }
    bitness = c.bitness;
    return c.code;
}

int32_t GetOsCode() {
    int32_t bitness = 32;
    return GetOsVersionCode(bitness);
}

void ResetOsCodeCacheForTesting() {
    OsCache& c = Cache();
    std::lock_guard lock(c.mutex);
    c.notComputed = true;
    c.code = OsUnknown;
    c.bitness = 32;
}

}  // namespace drvsetup
