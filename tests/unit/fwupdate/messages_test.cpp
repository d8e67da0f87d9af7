// Message requests: formatting, the box flags, "/NO_MESSAGEBOX" and the checked string-table formats.
#include "fwupdate/messages.h"

#include <gtest/gtest.h>

#include "fwupdate/resource_module.h"
#include "fwupdate/string_ids.h"
#include "message_log.h"

namespace {

using fwupdate_test::MessageLog;

TEST(Messages, ShowsTheFormattedTextWithTheTypeAsFlags) {
    MessageLog log("cancel");
    EXPECT_EQ(fwupdate::ShowMessage(0, fwupdate::kMessageOkCancel, "Warning", "%s %d%%", "free", 2),
              platform::IDCANCEL);
    EXPECT_EQ(fwupdate::ShowMessage(0, fwupdate::kMessageError, "Fail", "plain"), platform::IDOK);
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{MessageLog::Expected("Warning", "free 2%", 65, platform::IDCANCEL),
                                        MessageLog::Expected("Fail", "plain", 16, platform::IDOK)}));
}

TEST(Messages, NoMessageBoxShowsNothingAndAnswersOk) {
    MessageLog log("cancel");
    EXPECT_EQ(
        fwupdate::ShowMessage(fwupdate::kFlagNoMessageBox, fwupdate::kMessageOkCancel, "Warning", "go?"),
        platform::IDOK);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(Messages, TextIsCutToTheBufferWithoutBreakingACharacter) {
    std::string ascii(2000, 'a');
    EXPECT_EQ(fwupdate::FormatMessageText("%s", ascii.c_str()).size(), fwupdate::kMessageBufferSize - 1);
    // 1022 ASCII bytes and then a two-byte character that would straddle the end.
    std::string straddling = std::string(1022, 'a') + "\xC3\xA9" + "tail";
    std::string cut = fwupdate::FormatMessageText("%s", straddling.c_str());
    EXPECT_EQ(cut, std::string(1022, 'a'));
    std::string fits = std::string(1021, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(fwupdate::FormatMessageText("%s", fits.c_str()), std::string(1021, 'a') + "\xC3\xA9");
}

TEST(Messages, ConversionsOfFormats) {
    struct Case {
        const char* format;
        const char* conversions;
    } cases[] = {
        {"", ""},
        {"no conversions, 30%% left", ""},
        {"%s(%s) %s(%s)", "%s%s%s%s"},
        {"free: %ldMbytes, required %dMbytes", "%ld%d"},
        {"%-8.3s|%08X|%*d", "%s%X%*d"},
        {"trailing %", "%"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fwupdate::FormatConversions(c.format), c.conversions) << c.format;
    }
}

// A translation that asks for other arguments than the program passes must not be used as a format.
class MismatchedTranslation : public fwupdate::ResourceModule {
  public:
    const char* FindString(uint32_t id) const override {
        if (id == fwupdate::string_id::kInsufficientDiskSpace) {
            return "Frei: %s MB";  // %s where the program passes a number
        }
        if (id == fwupdate::string_id::kModelDiffers) {
            return "Modell %s(%s) -> %s(%s)";
        }
        return nullptr;
    }
    std::string LanguageName() const override { return "Test"; }
    std::filesystem::path Path() const override { return {}; }
};

TEST(Messages, FormatStringsFallBackOnEnglishWhenTheirArgumentsDiffer) {
    MismatchedTranslation module;
    EXPECT_EQ(fwupdate::LoadFormatString(module, fwupdate::string_id::kInsufficientDiskSpace),
              fwupdate::EnglishString(fwupdate::string_id::kInsufficientDiskSpace));
    EXPECT_EQ(fwupdate::LoadFormatString(module, fwupdate::string_id::kModelDiffers),
              "Modell %s(%s) -> %s(%s)");
}

}  // namespace
