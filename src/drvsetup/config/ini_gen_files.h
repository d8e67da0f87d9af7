#pragma once

// The files side of the setup INI generator: paths relative to the executable folder as the setup
// INI keeps them, the two setup INI files "Gen Ini File" writes, and the record "Read From Ini File"
// takes from a setup INI in either layout.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace drvsetup {

class ApDrvInstall_HwSetting;

// `path` relative to `folder`, with "\" between components and "..\" for each component of `folder`
// that `path` does not share; empty when both are the same folder. Components are compared without
// regard to case, as the platform resolves them.
std::string RelativePath(std::string_view folder, std::string_view path);
// RelativePath from the executable folder.
std::string RelativeToExecutableFolder(std::string_view path);

// What the generated files need besides the controls: bEnableType "2", and the product library as
// WdmDllName when the record has none ("Error").
void PrepareRecordForGeneration(ApDrvInstall_HwSetting& view);

struct GeneratedIniPaths {
    std::string productFile;     // the language's setup INI, "_" and the product's model code
    std::string collectionFile;  // "__Setup.ini" in the executable folder
};
GeneratedIniPaths GeneratedIniFiles(const ApDrvInstall_HwSetting& view);

// Writes the record ([__info], then its own section named after the record) into one setup INI with
// one read and one write of the file; the file's other sections stay as they are.
platform::Result<void> WriteRecordToIni(const ApDrvInstall_HwSetting& view, const std::string& path);
// Both generated files, in order; the first failure is returned with the file it concerns.
platform::Result<void> WriteGeneratedIniFiles(const ApDrvInstall_HwSetting& view);

struct IniReadBack {
    bool found = false;      // whether the file named a product
    int32_t product = 0;     // its InstallDriver
    int32_t hardwareId = 0;  // its V_HardwareID (the product itself in the legacy layout)
};

// Takes the record of the first section with a non-zero InstallDriver, or the legacy five-section
// layout when the file has [InstallData], and copies it into the view's record. Without a product
// the record stays as it was.
IniReadBack ReadRecordFromIni(const std::string& path, ApDrvInstall_HwSetting& view);

}  // namespace drvsetup
