#pragma once

// The resource module every user-visible text of fwupdate comes from: the language library chosen at
// start, or the executable itself with its English table.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {
class LibraryModule;
}

namespace fwupdate {

class ResourceModule {
  public:
    virtual ~ResourceModule() = default;
    // The UTF-8 text of a string id, or nullptr when the module's table has none.
    virtual const char* FindString(uint32_t id) const = 0;
    // The language in English ("German").
    virtual std::string LanguageName() const = 0;
    // The file the module was loaded from; empty for the executable.
    virtual std::filesystem::path Path() const = 0;
};

// The English table the executable holds.
std::unique_ptr<ResourceModule> ExecutableResources();
// The text of an English string id, or nullptr.
const char* EnglishString(uint32_t id);

// Loads a language library by full path. Fails when the file cannot be loaded, lacks the exports of
// a language library or was built for another version of the interface (fwupdate/lang/lang_module.h).
platform::Result<std::unique_ptr<ResourceModule>> LoadLanguageLibrary(const std::filesystem::path& fullPath);

// A string as the programs load it into a buffer of `bufferChars` characters: at most
// bufferChars - 1 characters (code points, never a broken UTF-8 sequence). An id the module lacks
// falls back on the English text, so a partial translation never leaves a box empty; an id no table
// has gives "".
std::string LoadString(const ResourceModule& module, uint32_t id, size_t bufferChars = 256);

}  // namespace fwupdate
