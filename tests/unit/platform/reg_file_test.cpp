#include "platform/reg_file.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/temp_root.h"

namespace {

using platform::Registry;
using platform::RegKey;

std::string Utf16File(const std::string& utf8) {
    return "\xFF\xFE" + platform::Utf16ToLeBytes(platform::Utf8ToUtf16(utf8));
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

// Everything in a registry, one line per key and per value, in listing order.
std::string Dump(const RegKey& key) {
    std::string out = "[" + key.Path() + "]\n";
    const std::vector<platform::RegValue> values = key.Values().value();
    for (const platform::RegValue& value : values) {
        out += value.name + "|" + std::to_string(value.type) + "|" + Hex(value.data) + "\n";
    }
    const std::vector<std::string> subkeys = key.SubkeyNames().value();
    for (const std::string& name : subkeys) {
        out += Dump(key.OpenSubkey(name, false).value());
    }
    return out;
}

class RegFileTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> Fresh(unsigned codePage = platform::kCodePageUtf8) {
        auto opened = Registry::Open(
            dir_.path() / std::string("r").append(std::to_string(count_++)).append(".db"), codePage);
        EXPECT_TRUE(opened.ok()) << opened.error().message;
        return std::move(opened).value();
    }
    static std::string DumpAll(const Registry& registry) { return Dump(registry.OpenKey("", false).value()); }

    kit_test::TempDir dir_;
    int count_ = 0;
};

TEST_F(RegFileTest, ExportWritesTheEditorsFormat) {
    auto registry = Fresh();
    RegKey vexa = registry->OpenKey("Software\\Vexa", true).value();
    ASSERT_TRUE(vexa.SetString("", "default").ok());
    ASSERT_TRUE(vexa.SetString("Path", "C:\\Kit\\\"q\"").ok());
    ASSERT_TRUE(vexa.SetDword("Count", 10).ok());
    ASSERT_TRUE(vexa.SetBinary("Blob", "\x01\x02\xFF").ok());
    ASSERT_TRUE(vexa.SetExpandString("Exp", "%A%").ok());
    ASSERT_TRUE(vexa.SetMultiString("Multi", {"a", "b"}).ok());
    ASSERT_TRUE(vexa.SetValue("Q", 11, std::string("\x01\0\0\0\0\0\0\0", 8)).ok());
    ASSERT_TRUE(vexa.SetValue("NoNul", platform::kRegSz, std::string("A\0", 2)).ok());
    ASSERT_TRUE(vexa.SetValue("Short", platform::kRegDword, "\x01").ok());
    ASSERT_TRUE(registry->OpenKey("Software\\Vexa\\B", true)->SetString("x", "").ok());
    ASSERT_TRUE(registry->OpenKey("Software\\Vexa\\a", true).ok());

    const std::string expected =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vexa]\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=\"C:\\\\Kit\\\\\\\"q\\\"\"\r\n"
        "\"Count\"=dword:0000000a\r\n"
        "\"Blob\"=hex:01,02,ff\r\n"
        "\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\"NoNul\"=hex(1):41,00\r\n"
        "\"Short\"=hex(4):01\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vexa\\a]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vexa\\B]\r\n"
        "\"x\"=\"\"\r\n"
        "\r\n";
    auto text = platform::ExportRegText(*registry, "software\\VEXA");
    ASSERT_TRUE(text.ok()) << text.error().message;
    EXPECT_EQ(*text, expected);
    EXPECT_EQ(platform::ExportRegFile(*registry, "HKLM\\Software\\Vexa").value(), Utf16File(expected));
    EXPECT_FALSE(platform::ExportRegText(*registry, "Software\\Missing").ok());
}

TEST_F(RegFileTest, LongHexDataIsWrappedAsTheEditorDoes) {
    auto registry = Fresh();
    std::string bytes;
    for (int i = 0; i < 60; ++i) {
        bytes += static_cast<char>(i);
    }
    ASSERT_TRUE(registry->OpenKey("W", true)->SetBinary("Bin", bytes).ok());
    // 23 bytes after the name, then 25 to a line: no line passes 80 columns.
    const std::string expected =
        "\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
        "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\r\n"
        "  30,31,32,33,34,35,36,37,38,39,3a,3b\r\n";
    std::string text = platform::ExportRegText(*registry, "W").value();
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    EXPECT_EQ(expected.find("\r\n"), 80u);
}

struct ImportCase {
    const char* label;
    std::string body;  // after the header and a key line for HKEY_LOCAL_MACHINE\K
    uint32_t type;
    std::string data;
};

TEST_F(RegFileTest, ImportReadsEveryValueForm) {
    const ImportCase cases[] = {
        {"escapes", "\"v\"=\"x\\\\y\\\"z\\n\"", 1, std::string("x\0\\\0y\0\"\0z\0\\\0n\0\0\0", 16)},
        {"default", "@=\"d\"", 1, std::string("d\0\0\0", 4)},
        {"spaces around =", "\"v\" =  \"s\"  ", 1, std::string("s\0\0\0", 4)},
        {"short dword", "\"v\"=dword:FF", 4, std::string("\xFF\0\0\0", 4)},
        {"dword", "\"v\"=DWORD:1234abcd", 4, "\xCD\xAB\x34\x12"},
        {"hex forms", "\"v\"=hex:1, 02 ,A", 3, "\x01\x02\x0A"},
        {"continued", "\"v\"=hex:01,\\\r\n  02,\\\r\n\t03", 3, "\x01\x02\x03"},
        {"trailing comma", "\"v\"=hex:01,02,", 3, "\x01\x02"},
        {"empty binary", "\"v\"=hex:", 3, ""},
        {"expand", "\"v\"=hex(2):41,00,00,00", 2, std::string("A\0\0\0", 4)},
        {"multi", "\"v\"=hex(7):61,00,00,00,00,00", 7, std::string("a\0\0\0\0\0", 6)},
        {"other type", "\"v\"=hex(b):01,00,00,00,00,00,00,00", 11, std::string("\x01\0\0\0\0\0\0\0", 8)},
        {"type zero", "\"v\"=hex(0):", 0, ""},
        {"unicode", "\"v\"=\"\xE2\x82\xAC\xF0\x9F\x98\x80\"", 1,
         std::string("\xAC\x20\x3D\xD8\x00\xDE\0\0", 8)},
    };
    for (const ImportCase& c : cases) {
        SCOPED_TRACE(c.label);
        auto registry = Fresh();
        std::string file =
            "Windows Registry Editor Version 5.00\r\n\r\n; comment\r\n[HKEY_LOCAL_MACHINE\\K]\r\n" + c.body +
            "\r\n\r\n";
        auto imported = platform::ImportRegFile(*registry, Utf16File(file), 1252);
        ASSERT_TRUE(imported.ok()) << imported.error().message;
        auto value = registry->OpenKey("K", false)->QueryValue(c.label == std::string("default") ? "" : "v");
        ASSERT_TRUE(value.ok() && value->has_value());
        EXPECT_EQ((*value)->type, c.type);
        EXPECT_EQ(Hex((*value)->data), Hex(c.data));
    }
}

TEST_F(RegFileTest, EightBitFilesUseTheAnsiCodePage) {
    // REGEDIT4 keeps string data of hex(2) and hex(7) as 8-bit text; line ends of any kind.
    const std::string file =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Caf\xE9]\n\"s\"=\"caf\xE9\"\r"
        "\"e\"=hex(2):25,54,25,00\r\n\"m\"=hex(7):61,00,e9,00,00\n\"b\"=hex:e9\n";
    auto registry = Fresh(1252);
    ASSERT_TRUE(platform::ImportRegFile(*registry, file, 1252).ok());
    RegKey key = registry->OpenKey("CAF\xC9", false).value();
    EXPECT_EQ(key.QueryString("s"), "caf\xE9");
    EXPECT_EQ(key.QueryExpandString("e"), "%T%");
    EXPECT_EQ(key.QueryMultiString("m"), (std::vector<std::string>{"a", "\xE9"}));
    EXPECT_EQ(key.QueryBinary("b"), "\xE9");  // binary stays as it is
    EXPECT_EQ(Hex(key.QueryValue("e")->value().data), "2500540025000000");

    // The same bytes in another code page give other characters; a version 5 header in 8-bit text
    // keeps hex(2) as UTF-16 bytes.
    auto cyrillic = Fresh(1251);
    ASSERT_TRUE(platform::ImportRegFile(*cyrillic,
                                        "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
                                        "\"s\"=\"\xC6\"\r\n\"e\"=hex(2):41,00,00,00\r\n",
                                        1251)
                    .ok());
    EXPECT_EQ(cyrillic->OpenKey("K", false)->QueryString("s"), "\xC6");
    EXPECT_EQ(cyrillic->OpenKey("K", false)->QueryExpandString("e"), "A");
    auto unicode = cyrillic->WithCodePage(platform::kCodePageUtf8);
    EXPECT_EQ((*unicode)->OpenKey("K", false)->QueryString("s"), "\xD0\x96");
}

TEST_F(RegFileTest, DeletionsRemoveKeysAndValues) {
    auto registry = Fresh();
    ASSERT_TRUE(registry->OpenKey("A\\B\\C", true)->SetString("v", "1").ok());
    RegKey a = registry->OpenKey("A", true).value();
    ASSERT_TRUE(a.SetString("keep", "1").ok());
    ASSERT_TRUE(a.SetString("drop", "1").ok());
    const std::string file =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[-HKEY_LOCAL_MACHINE\\a\\b]\r\n"
        "\"ignored\"=\"under a deleted key\"\r\n"
        "[-HKEY_LOCAL_MACHINE\\Never\\There]\r\n"
        "[HKEY_LOCAL_MACHINE\\A]\r\n"
        "\"DROP\"=-\r\n"
        "\"missing\"=-\r\n"
        "[HKEY_LOCAL_MACHINE\\A\\New]\r\n";
    auto imported = platform::ImportRegFile(*registry, Utf16File(file), 1252);
    ASSERT_TRUE(imported.ok()) << imported.error().message;
    EXPECT_EQ(DumpAll(*registry), "[]\n[A]\nkeep|1|31000000\n[A\\New]\n");
}

struct BadCase {
    const char* label;
    std::string file;      // 8-bit text unless it starts with a byte-order mark
    const char* expected;  // part of the message
};

TEST_F(RegFileTest, BadInputIsReportedAndNothingIsApplied) {
    const std::string header =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\New]\r\n\"ok\"=\"1\"\r\n";
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += static_cast<char>((i * 131 + 7) & 0xFF);
    }
    std::string longHex = "\"big\"=hex:";
    for (int i = 0; i < 33333; ++i) {
        longHex += "00,";
    }
    const BadCase cases[] = {
        {"garbage", garbage, "line 1: not a registry file"},
        {"empty", "", "empty"},
        {"only line ends", "\r\n\n\r", "empty"},
        {"NUL bytes", header + std::string("\"a\"=\"b\0c\"\r\n", 11), "line 5: NUL"},
        {"NUL in UTF-16", Utf16File(header) + std::string("\0\0", 2), "line 5: NUL"},
        {"no line ends", "Windows Registry Editor Version 5.00[HKEY_LOCAL_MACHINE\\A]\"a\"=\"b\"", "line 1"},
        {"long garbage line", header + std::string(100000, 'x') + "\r\n", "line 5: unexpected text"},
        {"long bad hex line", header + longHex + "0g\r\n", "line 5: bad hex byte '0g'"},
        {"unterminated string", header + "\"a\"=\"abc\r\n", "line 5: the string has no closing quote"},
        {"unterminated name", header + "\"abc=\"1\r\n", "line 5"},
        {"escaped last quote", header + "\"a\"=\"abc\\\"\r\n", "line 5: the string has no closing quote"},
        {"text after string", header + "\"a\"=\"b\" c\r\n", "line 5: unexpected text after the string"},
        {"no =", header + "\"a\" \"b\"\r\n", "line 5: '=' expected"},
        {"bad hex digit", header + "\"a\"=hex:0g\r\n", "line 5: bad hex byte"},
        {"three digits", header + "\"a\"=hex:123\r\n", "line 5: bad hex byte"},
        {"empty byte", header + "\"a\"=hex:01,,02\r\n", "line 5: bad hex byte"},
        {"bad hex on a continuation", header + "\"a\"=hex:01,\\\r\n  zz\r\n", "line 6: bad hex byte"},
        {"continued past the end", header + "\"a\"=hex:01,\\", "line 5: the hex data continues past the end"},
        {"bad type", header + "\"a\"=hex(zz):00\r\n", "line 5"},
        {"no colon", header + "\"a\"=hex(2)00\r\n", "line 5"},
        {"long dword", header + "\"a\"=dword:123456789\r\n", "line 5: dword"},
        {"empty dword", header + "\"a\"=dword:\r\n", "line 5: dword"},
        {"bad dword", header + "\"a\"=dword:xyz\r\n", "line 5: dword"},
        {"unknown data", header + "\"a\"=word:1\r\n", "line 5: unknown value data"},
        {"other hive", header + "[HKEY_CURRENT_USER\\Software]\r\n",
         "line 5: only keys of HKEY_LOCAL_MACHINE"},
        {"hive prefix only", header + "[HKEY_LOCAL_MACHINEX\\a]\r\n",
         "line 5: only keys of HKEY_LOCAL_MACHINE"},
        {"no closing bracket", header + "[HKEY_LOCAL_MACHINE\\a\r\n", "line 5: a key line must end with ']'"},
        {"delete the hive", header + "[-HKEY_LOCAL_MACHINE]\r\n", "line 5: HKEY_LOCAL_MACHINE itself"},
        {"long key name", header + "[HKEY_LOCAL_MACHINE\\" + std::string(256, 'k') + "]\r\n",
         "line 5: a key name"},
        {"value before key", "REGEDIT4\r\n\"a\"=\"b\"\r\n", "line 2: a value comes before any key"},
        {"odd UTF-16", Utf16File(header) + "x", "half a character"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.label);
        auto registry = Fresh();
        ASSERT_TRUE(registry->OpenKey("Old", true)->SetString("v", "1").ok());
        const std::string before = DumpAll(*registry);
        auto imported = platform::ImportRegFile(*registry, c.file, 1252);
        ASSERT_FALSE(imported.ok());
        EXPECT_NE(imported.error().message.find(c.expected), std::string::npos) << imported.error().message;
        EXPECT_EQ(DumpAll(*registry), before);
    }

    // Long lines are fine when they are well formed.
    auto registry = Fresh();
    ASSERT_TRUE(
        platform::ImportRegFile(
            *registry, header + "\"s\"=\"" + std::string(100000, 'x') + "\"\r\n" + longHex + "00\r\n", 1252)
            .ok());
    EXPECT_EQ(registry->OpenKey("New", false)->QueryString("s")->size(), 100000u);
    EXPECT_EQ(registry->OpenKey("New", false)->QueryBinary("big")->size(), 33334u);
}

TEST_F(RegFileTest, AKeyDeletedAndMadeAgainInOneFileIsUsable) {
    auto registry = Fresh();
    ASSERT_TRUE(registry->OpenKey("Old\\Sub", true)->SetString("v", "1").ok());
    const std::string file =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Old]\r\n\"v\"=\"2\"\r\n"
        "[-HKEY_LOCAL_MACHINE\\Old]\r\n"
        "[HKEY_LOCAL_MACHINE\\Old]\r\n\"w\"=\"3\"\r\n";
    auto imported = platform::ImportRegFile(*registry, Utf16File(file), 1252);
    ASSERT_TRUE(imported.ok()) << imported.error().message;
    EXPECT_EQ(DumpAll(*registry), "[]\n[Old]\nw|1|33000000\n");
}

// A key right under the hive whose name begins with "HKEY_" is an ordinary key, not another hive:
// the check accepts such a file, so the import must apply it (the second file is a fuzzer's find).
TEST_F(RegFileTest, AKeyNamedLikeAHiveUnderTheHiveIsAnOrdinaryKey) {
    auto registry = Fresh();
    const std::string file =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\HKEY_ARE\\Vexa]\r\n\"v\"=\"1\"\r\n"
        "[-HKEY_LOCAL_MACHINE\\HKEY_ARE\\Vexa]\r\n[HKEY_LOCAL_MACHINE\\HKEY_ARE\\Vexa]\r\n\"w\"=\"2\"\r\n";
    ASSERT_TRUE(platform::ParseRegFile(file, 1252).ok());
    auto imported = platform::ImportRegFile(*registry, file, 1252);
    ASSERT_TRUE(imported.ok()) << imported.error().message;
    EXPECT_EQ(DumpAll(*registry), "[]\n[HKEY_ARE]\n[HKEY_ARE\\Vexa]\nw|1|32000000\n");

    const std::string found =
        kit_test::ReadFile(std::filesystem::path(KIT_FIXTURES_DIR) / "reg" / "hive_named_subkey.reg");
    auto fresh = Fresh();
    EXPECT_EQ(platform::ParseRegFile(found, 1252).ok(), platform::ImportRegFile(*fresh, found, 1252).ok());
}

TEST_F(RegFileTest, ExportThenImportGivesTheSameRegistry) {
    auto source = Fresh();
    RegKey root = source->OpenKey("", true).value();
    ASSERT_TRUE(root.SetString("", "hive default").ok());
    RegKey rich = source->OpenKey("Software\\Rich \"Key\" ]=;", true).value();
    ASSERT_TRUE(rich.SetString("", "").ok());
    ASSERT_TRUE(rich.SetString("quote\"back\\slash", "va\"l\\ue\\").ok());
    ASSERT_TRUE(rich.SetString("=;[x]", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 \xD0\x96\xE4\xB8\xAD").ok());
    ASSERT_TRUE(rich.SetString("empty", "").ok());
    ASSERT_TRUE(rich.SetExpandString("expand", "%SystemRoot%\\system32").ok());
    ASSERT_TRUE(rich.SetMultiString("multi", {"one", "", "three"}).ok());
    ASSERT_TRUE(rich.SetMultiString("multi empty", {}).ok());
    ASSERT_TRUE(rich.SetDword("dword", 0xFFFFFFFF).ok());
    ASSERT_TRUE(rich.SetDword("zero", 0).ok());
    ASSERT_TRUE(rich.SetBinary("empty binary", "").ok());
    std::string longBinary;
    for (int i = 0; i < 5000; ++i) {
        longBinary += static_cast<char>(i * 37);
    }
    ASSERT_TRUE(rich.SetBinary("long binary", longBinary).ok());
    ASSERT_TRUE(rich.SetValue("qword", 11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)).ok());
    ASSERT_TRUE(rich.SetValue("big type", 0x7FFFFFFF, "\xAB").ok());
    ASSERT_TRUE(rich.SetValue("none", 0, "").ok());
    ASSERT_TRUE(rich.SetValue("sz no NUL", 1, "a\0b").ok());
    ASSERT_TRUE(rich.SetValue("sz inner NUL", 1, std::string("a\0b\0\0\0", 6)).ok());
    ASSERT_TRUE(rich.SetValue("sz line break", 1, std::string("a\0\n\0b\0\0\0", 8)).ok());
    ASSERT_TRUE(rich.SetValue("sz lone surrogate", 1, std::string("\x00\xD8\0\0", 4)).ok());
    ASSERT_TRUE(rich.SetValue("dword 3 bytes", 4, "\x01\x02\x03").ok());
    ASSERT_TRUE(rich.SetString(std::string(300, 'n'), std::string(3000, 'v')).ok());
    // Names that differ only in case, in different keys.
    ASSERT_TRUE(source->OpenKey("Software\\Case\\Name", true)->SetString("Value", "1").ok());
    ASSERT_TRUE(source->OpenKey("Software\\CASE2\\NAME", true)->SetString("VALUE", "2").ok());
    std::string deep = "Software\\Deep";
    for (int i = 0; i < 30; ++i) {
        deep += "\\Level" + std::to_string(i);
    }
    ASSERT_TRUE(source->OpenKey(deep, true)->SetDword("depth", 30).ok());
    ASSERT_TRUE(source->OpenKey("Software\\Empty Key", true).ok());
    ASSERT_TRUE(source->OpenKey("Software\\" + std::string(255, 'L'), true).ok());

    auto exported = platform::ExportRegFile(*source, "");
    ASSERT_TRUE(exported.ok()) << exported.error().message;
    auto target = Fresh(1252);  // the importing view's code page plays no part in a Unicode file
    auto imported = platform::ImportRegFile(*target, *exported, 1252);
    ASSERT_TRUE(imported.ok()) << imported.error().message;
    auto targetView = target->WithCodePage(platform::kCodePageUtf8);
    EXPECT_EQ(DumpAll(**targetView), DumpAll(*source));
    EXPECT_EQ(platform::ExportRegFile(*target, "").value(), *exported);

    // A part of the tree on its own.
    auto part = Fresh();
    ASSERT_TRUE(
        platform::ImportRegFile(*part, platform::ExportRegFile(*source, "Software\\Case").value(), 1252)
            .ok());
    EXPECT_EQ(Dump(part->OpenKey("Software", false).value()),
              "[Software]\n[Software\\Case]\n[Software\\Case\\Name]\nValue|1|31000000\n");
}

}  // namespace
