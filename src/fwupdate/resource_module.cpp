#include "fwupdate/resource_module.h"

#include "fwupdate/lang/english_strings.h"
#include "fwupdate/lang/lang_module.h"
#include "platform/library_module.h"

namespace fs = std::filesystem;

namespace fwupdate {

namespace {

class ExecutableModule : public ResourceModule {
  public:
    const char* FindString(uint32_t id) const override { return EnglishString(id); }
    std::string LanguageName() const override { return "English"; }
    fs::path Path() const override { return {}; }
};

class LibraryResources : public ResourceModule {
  public:
    LibraryResources(std::unique_ptr<platform::LibraryModule> library, VexaLoadStringFn loadString,
                     VexaLanguageNameFn languageName)
        : library_(std::move(library)), loadString_(loadString), languageName_(languageName) {}

    const char* FindString(uint32_t id) const override { return loadString_(id); }
    std::string LanguageName() const override {
        const char* name = languageName_();
        return name != nullptr ? std::string(name) : std::string();
    }
    fs::path Path() const override { return library_->path(); }

  private:
    std::unique_ptr<platform::LibraryModule> library_;
    VexaLoadStringFn loadString_;
    VexaLanguageNameFn languageName_;
};

// Symbols come back as data pointers; the library's functions have the declared types.
template <class Fn>
Fn FunctionOf(const platform::LibraryModule& library, const char* name) {
    return reinterpret_cast<Fn>(library.Symbol(name));
}

}  // namespace

std::unique_ptr<ResourceModule> ExecutableResources() {
    return std::make_unique<ExecutableModule>();
}

const char* EnglishString(uint32_t id) {
    for (const lang::LangString& entry : lang::kEnglishStrings) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return nullptr;
}

platform::Result<std::unique_ptr<ResourceModule>> LoadLanguageLibrary(const fs::path& fullPath) {
    auto library = platform::LibraryModule::Load(fullPath);
    if (!library) {
        return library.error();
    }
    auto abiVersion = FunctionOf<VexaLangAbiVersionFn>(**library, kVexaLangAbiVersionSymbol);
    auto loadString = FunctionOf<VexaLoadStringFn>(**library, kVexaLoadStringSymbol);
    auto languageName = FunctionOf<VexaLanguageNameFn>(**library, kVexaLanguageNameSymbol);
    if (abiVersion == nullptr || loadString == nullptr || languageName == nullptr) {
        return platform::Fail(fullPath.string() + ": not a language library");
    }
    if (abiVersion() != kVexaLangAbiVersion) {
        return platform::Fail(fullPath.string() + ": language library of interface version " +
                              std::to_string(abiVersion()) + ", expected " +
                              std::to_string(kVexaLangAbiVersion));
    }
    return std::unique_ptr<ResourceModule>(
        std::make_unique<LibraryResources>(std::move(*library), loadString, languageName));
}

std::string LoadString(const ResourceModule& module, uint32_t id, size_t bufferChars) {
    const char* text = module.FindString(id);
    if (text == nullptr) {
        text = EnglishString(id);
    }
    if (text == nullptr || bufferChars == 0) {
        return {};
    }
    std::string_view view(text);
    size_t chars = 0;
    size_t end = 0;
    while (end < view.size() && chars < bufferChars - 1) {
        // Step over one UTF-8 sequence: the lead byte and its continuation bytes.
        ++end;
        while (end < view.size() && (static_cast<unsigned char>(view[end]) & 0xC0) == 0x80) {
            ++end;
        }
        ++chars;
    }
    return std::string(view.substr(0, end));
}

}  // namespace fwupdate
