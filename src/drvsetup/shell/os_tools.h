#pragma once

// The Windows version class the setup works with: one integer, the OS code, and the bitness. Which INF
// files and driver folders apply, whether WOW64 redirection must be switched off, which INF model
// sections are read and several setup defaults all follow from it, so the values are fixed.

#include <cstdint>

namespace drvsetup {

enum OsCode : int32_t {
    OsWin95 = 95,
    OsWin98 = 98,
    OsWin98SE = 982,
    OsWinMe = 982000,
    OsWinNT = 351,
    OsWin2000 = 2000,
    OsWinXP32 = 20005,
    OsWinXP64 = 200052,  // NT 5.2: XP x64 and Server 2003, always taken as 64-bit
    OsVista32 = 200632,
    OsVista64 = 200664,
    OsUnknown = 1000,  // anything else, NT 6.1 and later included, and a failed version query
};

// Computed once per process (a failed query included) and cached; stores 32 or 64 in `bitness` on
// every call.
int32_t GetOsVersionCode(int32_t& bitness);
int32_t GetOsCode();

// Forgets the cached code, so tests can switch the emulated system.
void ResetOsCodeCacheForTesting();

}  // namespace drvsetup
