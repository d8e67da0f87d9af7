// Choosing, extracting and loading the language library, and the English fallback.
#include "fwupdate/language.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include "archive_fixtures.h"
#include "platform/message_box.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using Source = fwupdate::LanguageResources::Source;

namespace {

// A shared object that loads but exports nothing of a language library: the zlib this program uses.
std::string ZlibLibraryPath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&zlibVersion), &info);
    return info.dli_fname != nullptr ? info.dli_fname : "";
}

std::string BuiltLibrary(const std::string& name) {
    return kit_test::ReadFile(fs::path(KIT_LANG_DIR) / name);
}

TEST(Language, LibraryByLangId) {
    struct Case {
        uint16_t langId;
        const char* library;
    } cases[] = {
        {0x0804, "ConResChs.dll"}, {0x0404, "ConResCht.dll"}, {0x0C04, "ConResCht.dll"},
        {0x1004, "ConResCht.dll"}, {0x0412, "ConResKr.dll"},  {0x0419, "ConResRu.dll"},
        {0x0416, "ConResPo.dll"},  {0x0816, "ConResPo.dll"},  {0x0407, "ConResGr.dll"},
        {0x1407, "ConResGr.dll"},  {0x040C, "ConResFr.dll"},  {0x140C, "ConResFr.dll"},
        {0x040A, "ConResSp.dll"},  {0x0C0A, "ConResSp.dll"},  {0x500A, "ConResSp.dll"},
        {0x0409, "ConResEn.dll"},  {0x0411, "ConResEn.dll"},  {0x0809, "ConResEn.dll"},
        {0x000A, "ConResEn.dll"},  {0x540A, "ConResEn.dll"},  {0x040B, "ConResEn.dll"},
        {0x1804, "ConResEn.dll"},  {0x1807, "ConResEn.dll"},  {0x0000, "ConResEn.dll"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fwupdate::LanguageLibraryName(c.langId), c.library) << std::hex << c.langId;
    }
    int spanish = 0;
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        spanish += fwupdate::LanguageLibraryName(static_cast<uint16_t>(id)) == "ConResSp.dll";
    }
    EXPECT_EQ(spanish, 20);
}

TEST(Language, ChosenLibraryIsExtractedAndLoadedFromTheFileJustWritten) {
    kit_test::TempDir dir;
    fs::path exe = fwupdate_test::WritePackedExecutable(
        dir.path() / "fwupdate", {fwupdate_test::Member("ConResCht.dll", BuiltLibrary("ConResCht.dll")),
                                  fwupdate_test::Member("ConResEn.dll", BuiltLibrary("ConResEn.dll"))});
    fs::create_directory(dir.path() / "start");
    auto loaded = fwupdate::LoadLanguageResources(exe, 0x1004, dir.path() / "start");
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    EXPECT_EQ(loaded->source, Source::kLibrary) << loaded->loadError;
    EXPECT_EQ(loaded->libraryPath, dir.path() / "start" / "ConResCht.dll");
    EXPECT_EQ(loaded->module->Path(), loaded->libraryPath);
    EXPECT_EQ(loaded->module->LanguageName(), "Traditional Chinese");
    EXPECT_EQ(fwupdate::LoadString(*loaded->module, 38), "警告");
    EXPECT_TRUE(fs::exists(dir.path() / "start" / "ConResCht.dll"));  // it stays there

    auto japanese = fwupdate::LoadLanguageResources(exe, 0x0411, dir.path() / "start");
    ASSERT_TRUE(japanese.ok());
    EXPECT_EQ(japanese->libraryName, "ConResEn.dll");
    EXPECT_EQ(japanese->source, Source::kLibrary);
    EXPECT_EQ(fwupdate::LoadString(*japanese->module, 38), "Warning");
}

TEST(Language, MissingLibraryFallsBackOnTheExecutableSilently) {
    kit_test::TempDir dir;
    fs::path exe = fwupdate_test::WritePackedExecutable(
        dir.path() / "fwupdate", {fwupdate_test::Member("ConResEn.dll", BuiltLibrary("ConResEn.dll"))});
    kit_test::WriteFile(dir.path() / "unpacked", fwupdate_test::FakeElfImage());
    for (const fs::path& executable : {exe, dir.path() / "unpacked", dir.path() / "missing"}) {
        auto loaded = fwupdate::LoadLanguageResources(executable, 0x0407, dir.path());
        ASSERT_TRUE(loaded.ok());
        EXPECT_EQ(loaded->source, Source::kNotInPayload) << executable;
        EXPECT_EQ(loaded->libraryName, "ConResGr.dll");
        EXPECT_EQ(loaded->module->Path(), fs::path());
        EXPECT_EQ(fwupdate::LoadString(*loaded->module, 53), "Fail : Power");
    }
}

TEST(Language, LibraryThatDoesNotLoadFallsBackAndIsReported) {
    kit_test::TempDir dir;
    // Not a loadable library at all, and a loadable object that is no language library.
    const std::string bodies[] = {"MZ this is no library", kit_test::ReadFile(ZlibLibraryPath())};
    for (const std::string& body : bodies) {
        kit_test::TempDir run;
        fs::path exe = fwupdate_test::WritePackedExecutable(run.path() / "fwupdate",
                                                            {fwupdate_test::Member("ConResFr.dll", body)});
        auto loaded = fwupdate::LoadLanguageResources(exe, 0x040C, run.path());
        ASSERT_TRUE(loaded.ok());
        EXPECT_EQ(loaded->source, Source::kLoadFailed);
        EXPECT_FALSE(loaded->loadError.empty());
        EXPECT_EQ(fwupdate::LoadString(*loaded->module, 2), "File Extraction");
    }

    platform::ResetMessageBoxStateForTesting();
    kit_test::ScopedEnv log("WINSYS_MSGBOX_LOG", (dir.path() / "boxes.jsonl").string());
    fwupdate::ShowLanguageLoadFailure();
    EXPECT_EQ(
        kit_test::ReadFile(dir.path() / "boxes.jsonl"),
        "{\"caption\": \"Fail : Dll\", \"text\": \"Fail To Load Dll\", \"flags\": 16, \"answer\": 1}\n");
}

TEST(Language, CorruptLibraryMemberIsFatal) {
    kit_test::TempDir dir;
    std::string member = fwupdate::GzipMember(BuiltLibrary("ConResEn.dll"));
    member.resize(member.size() / 2);
    fs::path exe =
        fwupdate_test::WritePackedExecutable(dir.path() / "fwupdate", {{"ConResEn.dll.gz", member}});
    auto loaded = fwupdate::LoadLanguageResources(exe, 0x0409, dir.path());
    ASSERT_FALSE(loaded.ok());
    EXPECT_NE(loaded.error().message.find("unexpected end of file"), std::string::npos)
        << loaded.error().message;
}

}  // namespace
