#pragma once

// The ids of the language string table under names, so code says what it shows rather than which
// number it loads. Every language library numbers its texts this way (id 6 is unused).

#include <cstdint>

namespace fwupdate::string_id {

// Progress window.
inline constexpr uint32_t kProgressHeading = 1;
inline constexpr uint32_t kStepExtraction = 2;
inline constexpr uint32_t kStepBios = 3;
inline constexpr uint32_t kStepMicom = 4;
inline constexpr uint32_t kStatusPreparingExtraction = 5;
inline constexpr uint32_t kStatusPreparingBios = 7;
inline constexpr uint32_t kStatusPreparingMicom = 8;
inline constexpr uint32_t kCurrentBiosVersion = 17;
inline constexpr uint32_t kNewBiosVersion = 18;

// Carried by the libraries for the MICOM tool's own progress; this program does not show them.
inline constexpr uint32_t kOperationInProcess = 10;
inline constexpr uint32_t kLoadNewMicom = 11;
inline constexpr uint32_t kCheckMicomCompatibility = 12;
inline constexpr uint32_t kReadExistingMicom = 13;
inline constexpr uint32_t kSaveExistingMicom = 14;
inline constexpr uint32_t kUpdateMicom = 15;
inline constexpr uint32_t kUpdateDmiInformation = 24;

// Prompt and completion.
inline constexpr uint32_t kConfirmationPrompt = 16;
inline constexpr uint32_t kCompletionNotice = 20;
inline constexpr uint32_t kWarningTitle = 38;
inline constexpr uint32_t kUpdateCompleteTitle = 39;

// Failure texts.
inline constexpr uint32_t kExtractionFailed = 9;
inline constexpr uint32_t kDriverLoadFailed = 19;
inline constexpr uint32_t kModelDiffers = 21;  // %s(%s) twice: running, then new model and part number
inline constexpr uint32_t kInsufficientDiskSpace = 22;  // %ld free, %d required (MiB)
inline constexpr uint32_t kHddPasswordProtected = 23;
inline constexpr uint32_t kInvalidOption = 25;
inline constexpr uint32_t kAutoOnFailed = 26;
inline constexpr uint32_t kInitializingFailed = 27;
inline constexpr uint32_t kBiosUpdateFailed = 28;
inline constexpr uint32_t kMicomUpdateFailed = 29;
inline constexpr uint32_t kInvalidBiosFile = 30;
inline constexpr uint32_t kInvalidMicomFile = 31;
inline constexpr uint32_t kSmiSettingFailed = 32;
inline constexpr uint32_t kCreatingDirectoryFailed = 33;
inline constexpr uint32_t kAcNotConnected = 34;
inline constexpr uint32_t kBatteryLow = 35;
inline constexpr uint32_t kBiosIsNewer = 36;
inline constexpr uint32_t kAcAndBatteryFailed = 37;

// Failure titles.
inline constexpr uint32_t kTitleSetAutoOn = 40;
inline constexpr uint32_t kTitleDiskSpace = 41;
inline constexpr uint32_t kTitleFatalError = 42;
inline constexpr uint32_t kTitleUnpack = 43;
inline constexpr uint32_t kTitleHddPassword = 44;
inline constexpr uint32_t kTitleDriverLoad = 45;
inline constexpr uint32_t kTitleModel = 46;
inline constexpr uint32_t kTitleUpdateBios = 47;
inline constexpr uint32_t kTitleMicom = 48;
inline constexpr uint32_t kTitleBiosFile = 49;
inline constexpr uint32_t kTitleMicomFile = 50;
inline constexpr uint32_t kTitleEnableSmi = 51;
inline constexpr uint32_t kTitleDirectory = 52;
inline constexpr uint32_t kTitlePower = 53;
inline constexpr uint32_t kTitleInvalidOption = 54;
inline constexpr uint32_t kTitleBiosDate = 55;

}  // namespace fwupdate::string_id
