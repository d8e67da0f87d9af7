#pragma once

// The choice of the language library at start: by the system default LANGID, extracted from the
// payload into the current folder and loaded from the file just written.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "fwupdate/resource_module.h"
#include "platform/result.h"

namespace fwupdate {

// "ConResChs.dll", "ConResCht.dll", ..., "ConResEn.dll" for any LANGID the table does not name.
std::string_view LanguageLibraryName(uint16_t langId);

struct LanguageResources {
    enum class Source {
        kLibrary,       // the chosen library, extracted and loaded
        kNotInPayload,  // no archive or no such entry: the executable's English table, no message
        kLoadFailed,    // extracted but not loadable: English table, and the "Fail To Load Dll" box
    };
    std::unique_ptr<ResourceModule> module;
    Source source = Source::kNotInPayload;
    std::string libraryName;
    std::filesystem::path libraryPath;  // the extracted file, when there is one
    std::string loadError;              // why the library did not load
};

// Picks the library for `langId`, extracts it from the executable's payload into `folder` and loads
// it. The error is a member that could not be decompressed (EndOnDecompressionFailure).
platform::Result<LanguageResources> LoadLanguageResources(const std::filesystem::path& executable,
                                                          uint16_t langId,
                                                          const std::filesystem::path& folder);

// The box shown when the extracted library does not load: type 16, "Fail : Dll", "Fail To Load Dll".
void ShowLanguageLoadFailure();

}  // namespace fwupdate
