// The command-line options: tokens, prefixes, order, "/READ_BIOS" and the command texts.
#include "fwupdate/options.h"

#include <gtest/gtest.h>

namespace {

using fwupdate::UpdateOptions;

constexpr uint32_t kInvalid = fwupdate::kResultInvalidOption;
const std::string kBios{fwupdate::kInitialBiosCommand};
const std::string kMicom{fwupdate::kInitialMicomCommand};

TEST(Options, InitialCommandsFitTheirBuffers) {
    UpdateOptions options;
    EXPECT_EQ(options.flags, 0u);
    EXPECT_EQ(options.biosCommand, "SWinFlash bios.wph /P");
    EXPECT_EQ(options.micomCommand, "WinUpV01_10 kbc.bin /FORCE");
}

TEST(Options, TableOfCommandLines) {
    struct Case {
        const char* line;
        uint32_t result;
        uint32_t flags;
        std::string bios;
        std::string micom;
    } cases[] = {
        {"", 0, 0, kBios, kMicom},
        {"     ", 0, 0, kBios, kMicom},
        // Case, "-" prefix, runs of spaces.
        {"/no_messagebox", 0, 0x20, kBios, kMicom},
        {"  -Skip_Check_Part    /SKIP_CHECK_MODEL ", 0, 0x6, kBios, kMicom},
        // Prefix match: further characters are ignored...
        {"-SKIP_CHECK_DATEXYZ", 0, 0x8000, kBios, kMicom},
        {"/BBLAH", 0, 0, kBios + " /BBL", kMicom},
        {"/BREAK_CMOS=1", 0, 0, kBios + " /C", kMicom},
        // ...but the three MICOM options must be the whole token.
        {"/MFORCE", 0, 0, kBios, kMicom + " /FORCE"},
        {"/mserial -MAUTO", 0, 0, kBios, kMicom + " /SERIAL /A"},
        {"/MFORCE1", kInvalid, 0, kBios, kMicom},
        {"/MAUTOX", kInvalid, 0, kBios, kMicom},
        // Each flag option.
        {"/BLOCK_POWER_OFF", 0, 0x1, kBios, kMicom},
        {"/SKIP_UPDATE_MICOM", 0, 0x10, kBios, kMicom},
        {"/BREAK_ESCD", 0, 0x100, kBios, kMicom},
        {"/SKIP_UPDATE_FILES", 0, 0x4000, kBios, kMicom},
        {"/SKIP_CHECK_POWER", 0, 0x10000, kBios, kMicom},
        {"/VISTA_UPGRADE", 0, 0x20021, kBios, kMicom},
        // "/MODE": the token itself, upper-cased; the seventh character may set a flag.
        {"/mode=3", 0, 0x200, kBios + " /MODE=3", kMicom},
        {"/MODE=1", 0, 0x800, kBios + " /MODE=1", kMicom},
        {"/MODE=2", 0, 0, kBios + " /MODE=2", kMicom},
        {"/MODE", 0, 0, kBios + " /MODE", kMicom},
        {"-mode:3x", 0, 0x200, kBios + " -MODE:3X", kMicom},
        // "/READ_BIOS" drops earlier flags, keeps earlier text and ends the parse.
        {"/SKIP_CHECK_DATE /BBL /READ_BIOS nonsense", 0, 0x2000, kBios + " /BBL", kMicom},
        {"nonsense /READ_BIOS", kInvalid, 0, kBios, kMicom},
        {"/READ_BIOS /SKIP_CHECK_DATE", 0, 0x2000, kBios, kMicom},
        // Repeats repeat their text.
        {"/MFORCE /MFORCE /BBL /BBL", 0, 0, kBios + " /BBL /BBL", kMicom + " /FORCE /FORCE"},
        // Anything else.
        {"/", kInvalid, 0, kBios, kMicom},
        {"SKIP_CHECK_DATE", kInvalid, 0, kBios, kMicom},
        {"/SKIP", kInvalid, 0, kBios, kMicom},
        {"/M", kInvalid, 0, kBios, kMicom},
        {"/BLOCK_POWER_OFF\t/BBL", 0, 0x1, kBios, kMicom},
        {"/BBL\t/BLOCK_POWER_OFF", 0, 0, kBios + " /BBL", kMicom},
        {"+BBL", kInvalid, 0, kBios, kMicom},
    };
    for (const Case& c : cases) {
        UpdateOptions options;
        EXPECT_EQ(fwupdate::ParseOptions(c.line, options), c.result) << c.line;
        if (c.result == 0) {
            EXPECT_EQ(options.flags, c.flags) << c.line;
            EXPECT_EQ(options.biosCommand, c.bios) << c.line;
            EXPECT_EQ(options.micomCommand, c.micom) << c.line;
        }
    }
}

TEST(Options, OptionsBeforeAnInvalidOneKeepTheirEffect) {
    UpdateOptions options;
    EXPECT_EQ(fwupdate::ParseOptions("/SKIP_CHECK_DATE /MFORCE /BOGUS /BBL", options), kInvalid);
    EXPECT_EQ(options.flags, 0x8000u);
    EXPECT_EQ(options.micomCommand, kMicom + " /FORCE");
    EXPECT_EQ(options.biosCommand, kBios);
}

// The tools' buffers are 260 characters: repeats that would overrun them are refused, not cut.
TEST(Options, CommandsNeverGrowPastTheirBuffers) {
    std::string line;
    for (int i = 0; i < 60; ++i) {
        line += "/MFORCE ";
    }
    UpdateOptions options;
    EXPECT_EQ(fwupdate::ParseOptions(line, options), kInvalid);
    EXPECT_LE(options.micomCommand.size(), fwupdate::kMaxCommandChars);
    EXPECT_GT(options.micomCommand.size(), fwupdate::kMaxCommandChars - 7);

    UpdateOptions mode;
    std::string longMode = "/MODE=3" + std::string(300, 'X');
    EXPECT_EQ(fwupdate::ParseOptions(longMode, mode), kInvalid);
    EXPECT_EQ(mode.biosCommand, kBios);
}

TEST(Options, AppendStopsExactlyAtTheLimit) {
    std::string command(fwupdate::kMaxCommandChars - 3, 'c');
    EXPECT_TRUE(fwupdate::AppendCommandOption(command, "/C"));
    EXPECT_EQ(command.size(), fwupdate::kMaxCommandChars);
    EXPECT_FALSE(fwupdate::AppendCommandOption(command, "/C"));
    EXPECT_EQ(command.size(), fwupdate::kMaxCommandChars);
}

}  // namespace
