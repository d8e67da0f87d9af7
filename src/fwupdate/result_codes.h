#pragma once

// The result codes of the update: every step returns 0 or one of these, and the failing code is also
// the updater's exit status.

#include <cstdint>

namespace fwupdate {

inline constexpr uint32_t kResultDiskSpace = 0x80000001;
inline constexpr uint32_t kResultNoProgressThread = 0x80000002;
inline constexpr uint32_t kResultExtractionFailed = 0x80000003;
inline constexpr uint32_t kResultHddPassword = 0x80000004;
inline constexpr uint32_t kResultNoDriver = 0x80000005;
inline constexpr uint32_t kResultModelDiffers = 0x80000006;
inline constexpr uint32_t kResultPartDiffers = 0x80000007;
inline constexpr uint32_t kResultModelAndPartDiffer = 0x80000008;
inline constexpr uint32_t kResultBiosFlashFailed = 0x80000009;
inline constexpr uint32_t kResultMicomFlashFailed = 0x8000000A;
inline constexpr uint32_t kResultInvalidBiosFile = 0x8000000B;
inline constexpr uint32_t kResultNoMicomImage = 0x8000000C;
inline constexpr uint32_t kResultSmiFailed = 0x8000000D;
inline constexpr uint32_t kResultInvalidOption = 0x8000000E;
inline constexpr uint32_t kResultWorkingFolder = 0x8000000F;
inline constexpr uint32_t kResultNoAc = 0x80000010;
inline constexpr uint32_t kResultBatteryLow = 0x80000011;
inline constexpr uint32_t kResultNoAcAndBatteryLow = 0x80000012;
inline constexpr uint32_t kResultBiosNewer = 0x80000013;

}  // namespace fwupdate
