// The string tables of the nine language libraries, checked against the English one, and loading
// strings into buffers.
#include "fwupdate/resource_module.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/codepage.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

struct Library {
    const char* file;
    const char* language;
};
constexpr Library kLibraries[] = {
    {"ConResEn.dll", "English"},
    {"ConResChs.dll", "Simplified Chinese"},
    {"ConResCht.dll", "Traditional Chinese"},
    {"ConResKr.dll", "Korean"},
    {"ConResRu.dll", "Russian"},
    {"ConResPo.dll", "Portuguese"},
    {"ConResGr.dll", "German"},
    {"ConResFr.dll", "French"},
    {"ConResSp.dll", "Spanish"},
};

std::vector<std::string> Specifiers(const std::string& text) {
    static const std::regex specifier("%(%|[-+ #0]*[0-9]*(\\.[0-9]+)?(l|ll|h)?[diouxXsScfeg])");
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), specifier), end; it != end; ++it) {
        found.push_back(it->str());
    }
    return found;
}

size_t LineBreaks(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(LanguageLibraries, EveryTableTranslatesEveryIdKeepingSpecifiersAndLineBreaks) {
    for (const Library& library : kLibraries) {
        SCOPED_TRACE(library.file);
        auto module = fwupdate::LoadLanguageLibrary(fs::path(KIT_LANG_DIR) / library.file);
        ASSERT_TRUE(module.ok()) << module.error().message;
        EXPECT_EQ((*module)->LanguageName(), library.language);
        EXPECT_EQ((*module)->FindString(6), nullptr);
        EXPECT_EQ((*module)->FindString(56), nullptr);
        int translated = 0;
        for (uint32_t id = 1; id <= 55; ++id) {
            if (id == 6) {
                continue;
            }
            const char* text = (*module)->FindString(id);
            ASSERT_NE(text, nullptr) << "id " << id;
            std::string english = fwupdate::EnglishString(id);
            std::string own = text;
            EXPECT_FALSE(own.empty()) << "id " << id;
            EXPECT_EQ(Specifiers(own), Specifiers(english)) << "id " << id << ": " << own;
            EXPECT_EQ(LineBreaks(own), LineBreaks(english)) << "id " << id << ": " << own;
            EXPECT_EQ(platform::Utf16ToUtf8(platform::Utf8ToUtf16(own)), own)
                << "id " << id << " is not UTF-8";
            // Messages are formatted into 1024 characters.
            EXPECT_LT(platform::Utf8ToUtf16(own).size(), 900u) << "id " << id;
            translated += own != english;
        }
        if (std::string(library.language) == "English") {
            EXPECT_EQ(translated, 0);
        } else {
            EXPECT_GE(translated, 50) << "texts left in English";
        }
    }
}

TEST(LanguageLibraries, TheExecutableTableIsTheEnglishOne) {
    auto module = fwupdate::ExecutableResources();
    EXPECT_EQ(module->LanguageName(), "English");
    EXPECT_STREQ(module->FindString(43), "Fail : Unpack");
    EXPECT_STREQ(
        module->FindString(22),
        "Insufficient free disk space.\n\n   Remaining free disk space: %ldMbytes\n Required free disk "
        "space: %dMbytes");
    EXPECT_EQ(module->FindString(6), nullptr);
}

TEST(LanguageLibraries, LoadingRefusesWhatIsNoLanguageLibrary) {
    kit_test::TempDir dir;
    kit_test::WriteFile(dir.path() / "garbage.dll", std::string("\x7f"
                                                                "ELF\0\0\0garbage",
                                                                14));
    EXPECT_FALSE(fwupdate::LoadLanguageLibrary(dir.path() / "garbage.dll").ok());
    EXPECT_FALSE(fwupdate::LoadLanguageLibrary(dir.path() / "missing.dll").ok());
    EXPECT_FALSE(fwupdate::LoadLanguageLibrary("ConResEn.dll").ok());  // a bare name is never searched for
}

class PartialTable : public fwupdate::ResourceModule {
  public:
    const char* FindString(uint32_t id) const override {
        return id == 5 ? "Подготовка к извлечению файлов" : nullptr;
    }
    std::string LanguageName() const override { return "Russian"; }
    fs::path Path() const override { return {}; }
};

TEST(LanguageLibraries, LoadStringCutsWholeCharactersAndFallsBackOnEnglish) {
    PartialTable table;
    EXPECT_EQ(fwupdate::LoadString(table, 5), "Подготовка к извлечению файлов");
    EXPECT_EQ(fwupdate::LoadString(table, 5, 11), "Подготовка");
    EXPECT_EQ(fwupdate::LoadString(table, 5, 1), "");
    EXPECT_EQ(fwupdate::LoadString(table, 3), "BIOS Update");
    EXPECT_EQ(fwupdate::LoadString(table, 6), "");
    std::string prompt = fwupdate::LoadString(table, 16);
    EXPECT_EQ(platform::Utf8ToUtf16(prompt).size(), 255u);  // the English prompt is longer than a buffer
}

}  // namespace
