#include "fwupdate/language.h"

#include "fwupdate/payload_archive.h"
#include "platform/message_box.h"

namespace fwupdate {

namespace {

struct LanguageChoice {
    uint16_t langId;
    std::string_view library;
};

constexpr std::string_view kEnglishLibrary = "ConResEn.dll";

constexpr LanguageChoice kLanguageChoices[] = {
    {0x0804, "ConResChs.dll"},                                                        //
    {0x0404, "ConResCht.dll"}, {0x0C04, "ConResCht.dll"}, {0x1004, "ConResCht.dll"},  //
    {0x0412, "ConResKr.dll"},                                                         //
    {0x0419, "ConResRu.dll"},                                                         //
    {0x0416, "ConResPo.dll"},  {0x0816, "ConResPo.dll"},                              //
    {0x0407, "ConResGr.dll"},  {0x0807, "ConResGr.dll"},  {0x0C07, "ConResGr.dll"},
    {0x1007, "ConResGr.dll"},  {0x1407, "ConResGr.dll"},  //
    {0x040C, "ConResFr.dll"},  {0x080C, "ConResFr.dll"},  {0x0C0C, "ConResFr.dll"},
    {0x100C, "ConResFr.dll"},  {0x140C, "ConResFr.dll"},
};

// Spanish: the twenty sublanguages 0x040A to 0x500A.
constexpr std::string_view kSpanishLibrary = "ConResSp.dll";
constexpr uint16_t kFirstSpanish = 0x040A;
constexpr uint16_t kLastSpanish = 0x500A;
constexpr uint16_t kSpanishStep = 0x0400;

}  // namespace

std::string_view LanguageLibraryName(uint16_t langId) {
    for (const LanguageChoice& choice : kLanguageChoices) {
        if (choice.langId == langId) {
            return choice.library;
        }
    }
    if (langId >= kFirstSpanish && langId <= kLastSpanish && (langId - kFirstSpanish) % kSpanishStep == 0) {
        return kSpanishLibrary;
    }
    return kEnglishLibrary;
}

platform::Result<LanguageResources> LoadLanguageResources(const std::filesystem::path& executable,
                                                          uint16_t langId,
                                                          const std::filesystem::path& folder) {
    LanguageResources resources;
    resources.libraryName = std::string(LanguageLibraryName(langId));
    auto extracted = ExtractOne(executable, resources.libraryName, folder);
    if (!extracted) {
        return extracted.error();
    }
    if (!extracted->has_value()) {
        resources.module = ExecutableResources();
        resources.source = LanguageResources::Source::kNotInPayload;
        return resources;
    }
    resources.libraryPath = **extracted;
    auto library = LoadLanguageLibrary(resources.libraryPath);
    if (!library) {
        resources.module = ExecutableResources();
        resources.source = LanguageResources::Source::kLoadFailed;
        resources.loadError = library.error().message;
        return resources;
    }
    resources.module = std::move(*library);
    resources.source = LanguageResources::Source::kLibrary;
    return resources;
}

void ShowLanguageLoadFailure() {
    platform::MessageBox("Fail To Load Dll", "Fail : Dll", platform::MB_ICONERROR);
}

}  // namespace fwupdate
