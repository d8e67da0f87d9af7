#include "platform/profile.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/temp_root.h"

namespace {

using platform::profile::ProfileFile;

struct ReadCase {
    const char* name;
    const char* file;
    const char* section;
    const char* key;
    const char* expected;  // with default "dflt"
};

const char* const kReadFile =
    "orphan=before any section\r\n"
    "[Main]\r\n"
    "Plain=value\r\n"
    "  Spaced  \t=  \t padded value \t \r\n"
    "Quoted=\"  inside  \"\r\n"
    "Single='x'\r\n"
    "Mixed=\"x'\r\n"
    "Lone=\"\r\n"
    "Semi=a;b ; c\r\n"
    ";Hidden=comment\r\n"
    "  ;AlsoHidden=comment\r\n"
    "NoEquals\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "Empty=\r\n"
    "   [ Other ] trailing text\n"
    "Key=other\n"
    "[main]\r\n"
    "Plain=from the second main\r\n"
    "Late=only in the second\r\n"
    "[Open\r\n"
    "k=in open\r\n";

const ReadCase kReadCases[] = {
    {"plain", kReadFile, "Main", "Plain", "value"},
    {"section and key without case", kReadFile, "MAIN", "plain", "value"},
    {"blanks around names and values trimmed", kReadFile, "Main", "Spaced", "padded value"},
    {"caller's spaces around names trimmed", kReadFile, "  Main ", " Plain  ", "value"},
    {"double quotes lose one pair", kReadFile, "Main", "Quoted", "  inside  "},
    {"single quotes lose one pair", kReadFile, "Main", "Single", "x"},
    {"unmatched quotes stay", kReadFile, "Main", "Mixed", "\"x'"},
    {"a lone quote stays", kReadFile, "Main", "Lone", "\""},
    {"semicolon inside a value is literal", kReadFile, "Main", "Semi", "a;b ; c"},
    {"comment key never found", kReadFile, "Main", ";Hidden", "dflt"},
    {"indented comment never found", kReadFile, "Main", ";AlsoHidden", "dflt"},
    {"line without equals is an empty key", kReadFile, "Main", "NoEquals", ""},
    {"first duplicate key wins", kReadFile, "Main", "DUP", "first"},
    {"empty value", kReadFile, "Main", "Empty", ""},
    {"section line with blanks and trailing text", kReadFile, "Other", "Key", "other"},
    {"first section of a name is searched", kReadFile, "main", "Late", "dflt"},
    {"lines before the first section belong to none", kReadFile, "", "orphan", "dflt"},
    {"section line without a bracket", kReadFile, "Open", "k", "in open"},
    {"missing section gives the default", kReadFile, "Nowhere", "Plain", "dflt"},
    {"missing key gives the default", kReadFile, "Main", "Nothing", "dflt"},
    {"empty file", "", "Main", "Plain", "dflt"},
    {"file without line ends", "[A]\rx=1", "A", "x", "dflt"},
    {"file without any line end", "[A]", "A", "x", "dflt"},
    {"LF only", "[A]\nx=1\ny=2", "A", "y", "2"},
    {"NUL bytes are ordinary bytes", std::string_view("[A]\nx=a\0b\n", 10).data(), "A", "x", "a"},
};

TEST(ProfileRead, Cases) {
    for (const ReadCase& c : kReadCases) {
        ProfileFile file = ProfileFile::FromBytes(c.file);
        EXPECT_EQ(file.ReadString(c.section, c.key, "dflt"), c.expected) << c.name;
    }
}

TEST(ProfileRead, DefaultLosesTrailingSpacesAndNameListsShowEveryOccurrence) {
    ProfileFile file = ProfileFile::FromBytes(kReadFile);
    EXPECT_EQ(file.ReadString("Nowhere", "x", " d  "), " d");
    EXPECT_EQ(file.SectionNames(), (std::vector<std::string>{"Main", "Other", "main", "Open"}));
    EXPECT_EQ(file.KeyNames("main"),
              (std::vector<std::string>{"Plain", "Spaced", "Quoted", "Single", "Mixed", "Lone", "Semi",
                                        "NoEquals", "Dup", "dup", "Empty"}));
    EXPECT_TRUE(file.KeyNames("Nowhere").empty());
}

TEST(ProfileRead, NulInValueIsKeptAsBytes) {
    std::string bytes("[A]\nx=a\0b\n", 10);
    EXPECT_EQ(ProfileFile::FromBytes(bytes).ReadString("A", "x", ""), std::string("a\0b", 3));
}

struct WriteCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;  // nullptr: delete the key; key nullptr too: delete the section
    const char* after;
};

const WriteCase kWriteCases[] = {
    {"new file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
    {"replace in place keeps case and place", "[S]\nKey = old ; x\nnext=1\n", "s", "KEY", "new",
     "[S]\nKey=new\nnext=1\n"},
    {"value written as given", "[S]\n", "S", "k", "  spaced \"q\"  ", "[S]\nk=  spaced \"q\"  \r\n"},
    {"new key after the last key", "[S]\r\na=1\r\n\r\n; note\r\n[T]\r\n", "S", "b", "2",
     "[S]\r\na=1\r\nb=2\r\n\r\n; note\r\n[T]\r\n"},
    {"new key in a section without keys", "[S]\r\n; note\r\n[T]\r\n", "S", "b", "2",
     "[S]\r\nb=2\r\n; note\r\n[T]\r\n"},
    {"new section after one blank line", "[S]\r\na=1\r\n", "T", "b", "2", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n"},
    {"new section when the last line has no end", "[S]\na=1", "T", "b", "2",
     "[S]\na=1\r\n\r\n[T]\r\nb=2\r\n"},
    {"new key when the last line has no end", "[S]\na=1", "S", "b", "2", "[S]\na=1\r\nb=2\r\n"},
    {"section line without end gets one", "[S]", "S", "b", "2", "[S]\r\nb=2\r\n"},
    {"first section of a name is written", "[S]\na=1\n[S]\na=2\n", "S", "a", "3", "[S]\na=3\n[S]\na=2\n"},
    {"comment key is not replaced", "[S]\n;a=1\n", "S", ";a", "2", "[S]\n;a=2\r\n;a=1\n"},
    {"lines before the first section are kept", "x=1\n", "S", "x", "2", "x=1\n\r\n[S]\r\nx=2\r\n"},
    {"delete a key", "[S]\na=1\nb=2\n", "S", "A", nullptr, "[S]\nb=2\n"},
    {"delete a missing key changes nothing", "[S]\na=1\n", "S", "z", nullptr, "[S]\na=1\n"},
    {"delete a section", "[S]\na=1\n\n[T]\nb=2\n[S]\nc=3\n", "s", nullptr, nullptr, "[T]\nb=2\n[S]\nc=3\n"},
};

TEST(ProfileWrite, Cases) {
    for (const WriteCase& c : kWriteCases) {
        ProfileFile file = ProfileFile::FromBytes(c.before);
        if (c.value != nullptr) {
            file.WriteString(c.section, c.key, c.value);
        } else if (c.key != nullptr) {
            file.DeleteKey(c.section, c.key);
        } else {
            file.DeleteSection(c.section);
        }
        EXPECT_EQ(file.Bytes(), c.after) << c.name;
    }
}

TEST(ProfileWrite, UntouchedFileKeepsEveryByte) {
    std::string odd = "\xEF\xBB\xBF; header\r\n[S]\n\tk = v \r\n\r\n\x01\x02 garbage [x\n\n[T]";
    EXPECT_EQ(ProfileFile::FromBytes(odd).Bytes(), odd);
}

// UTF-16LE with its byte-order mark, from UTF-8 text.
std::string Utf16File(std::string_view utf8) {
    std::string bytes("\xFF\xFE");
    bytes += platform::Utf16ToLeBytes(platform::Utf8ToUtf16(utf8));
    return bytes;
}

struct Utf16Case {
    const char* name;
    std::string before;
    const char* key;    // written with the value "new" unless nullptr
    std::string after;  // the bytes afterwards
    const char* value;  // what key "k" of section "S" then reads (system code page 1252)
};

std::vector<Utf16Case> Utf16Cases() {
    // U+4E2D has no place in code page 1252; an untouched line must keep it.
    const char* text = "[S]\r\nk=H\u00F6he\r\nwide=\u4E2D\r\n";
    return {
        {"read converted to the code page", Utf16File(text), nullptr, Utf16File(text), "H\xF6he"},
        {"a new key goes in as UTF-16", Utf16File(text), "added",
         Utf16File("[S]\r\nk=H\u00F6he\r\nwide=\u4E2D\r\nadded=new\r\n"), "H\xF6he"},
        {"a replaced value goes in as UTF-16", Utf16File(text), "k",
         Utf16File("[S]\r\nk=new\r\nwide=\u4E2D\r\n"), "new"},
        {"mark only", "\xFF\xFE", "k", Utf16File("[S]\r\nk=new\r\n"), "new"},
        {"odd byte count: the last byte is no character", Utf16File("[S]\nk=v") + "A", "x",
         Utf16File("[S]\nk=v\r\nx=new\r\n"), "v"},
        {"big-endian mark is not taken for UTF-16", "\xFE\xFF\n[S]\nk=v\n", nullptr, "\xFE\xFF\n[S]\nk=v\n",
         "v"},
    };
}

TEST(ProfileUtf16, ReadAndWriteKeepTheEncoding) {
    kit_test::TempSystemRoot root;
    for (const Utf16Case& c : Utf16Cases()) {
        ProfileFile file = ProfileFile::FromBytes(c.before);
        if (c.key != nullptr) {
            file.WriteString("S", c.key, "new");
        }
        EXPECT_EQ(file.Bytes(), c.after) << c.name;
        EXPECT_EQ(ProfileFile::FromBytes(file.Bytes()).ReadString("s", "K", "dflt"), c.value) << c.name;
    }
}

TEST(ProfileUtf16, FileOnDiskStaysUtf16) {
    kit_test::TempSystemRoot root;
    kit_test::TempDir dir;
    auto path = dir.path() / "driver.inf";
    kit_test::WriteFile(path, Utf16File("; comment \u4E2D\r\n[Manufacturer]\r\n%Mfg%=Models,NTamd64\r\n"));
    EXPECT_EQ(platform::profile::KeyNames(path.string(), "manufacturer"), std::vector<std::string>{"%Mfg%"});
    EXPECT_EQ(platform::profile::ReadString(path.string(), "Manufacturer", "%Mfg%", ""), "Models,NTamd64");
    ASSERT_TRUE(platform::profile::WriteString(path.string(), "Strings", "Mfg", "Vexa"));
    EXPECT_EQ(kit_test::ReadFile(path),
              Utf16File("; comment \u4E2D\r\n[Manufacturer]\r\n%Mfg%=Models,NTamd64\r\n\r\n[Strings]\r\n"
                        "Mfg=Vexa\r\n"));
    EXPECT_EQ(platform::profile::ReadString(path.string(), "Strings", "Mfg", ""), "Vexa");
}

TEST(ProfileFiles, WindowsShapedCallsOnDisk) {
    kit_test::TempDir dir;
    std::string path = dir.str() + "\\Sub\\setup.INI";
    // The folder must exist; a missing one makes the write fail and creates nothing.
    EXPECT_FALSE(platform::profile::WriteString(path, "S", "k", "v"));
    std::filesystem::create_directories(dir.path() / "sub");
    // The folder exists with other case: the path resolves to it.
    EXPECT_TRUE(platform::profile::WriteString(path, "S", "k", "v"));
    EXPECT_EQ(kit_test::ReadFile(dir.path() / "sub/setup.INI"), "[S]\r\nk=v\r\n");
    EXPECT_EQ(platform::profile::ReadString(dir.str() + "/SUB/SETUP.ini", "s", "K", ""), "v");
    EXPECT_EQ(platform::profile::SectionNames(path), std::vector<std::string>{"S"});
    EXPECT_EQ(platform::profile::KeyNames(path, "S"), std::vector<std::string>{"k"});
    EXPECT_TRUE(platform::profile::DeleteKey(path, "S", "k"));
    EXPECT_EQ(kit_test::ReadFile(dir.path() / "sub/setup.INI"), "[S]\r\n");
    EXPECT_TRUE(platform::profile::DeleteSection(path, "S"));
    EXPECT_EQ(kit_test::ReadFile(dir.path() / "sub/setup.INI"), "");
    EXPECT_EQ(platform::profile::ReadString(dir.str() + "/missing.ini", "S", "k", "none "), "none");
}

TEST(ProfileFiles, BatchWritesOnceAndKeepsOtherSections) {
    kit_test::TempDir dir;
    auto path = dir.path() / "a.ini";
    kit_test::WriteFile(path, "[Keep]\nx=1\n[S]\na=old\n");
    platform::profile::Batch batch(path.string());
    for (int i = 0; i < 500; ++i) {
        std::string key = "k";
        key += std::to_string(i);
        batch.WriteString("S", key, std::to_string(i));
    }
    batch.WriteString("S", "a", "new");
    batch.DeleteKey("S", "k0");
    // Nothing is written before the commit.
    EXPECT_EQ(kit_test::ReadFile(path), "[Keep]\nx=1\n[S]\na=old\n");
    ASSERT_TRUE(batch.Commit().ok());
    platform::profile::ProfileFile file = platform::profile::ProfileFile::Load(path.string());
    EXPECT_EQ(file.ReadString("Keep", "x", ""), "1");
    EXPECT_EQ(file.ReadString("S", "a", ""), "new");
    EXPECT_EQ(file.ReadString("S", "k499", ""), "499");
    EXPECT_FALSE(file.HasKey("S", "k0"));
    EXPECT_EQ(file.KeyNames("S").size(), 500u);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ProfileFiles, HostileInputNeverCrashes) {
    std::string garbage;
    for (int i = 0; i < 70000; ++i) {
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    }
    std::string longLine = "[S]\nk=" + std::string(100000, 'x');
    for (const std::string& bytes : {garbage, longLine, std::string(5000, '['), std::string(5000, '='),
                                     std::string("\0\0\0[\0]\0=\0", 10)}) {
        ProfileFile file = ProfileFile::FromBytes(bytes);
        EXPECT_EQ(file.Bytes(), bytes);
        for (const std::string& s : file.SectionNames()) {
            for (const std::string& k : file.KeyNames(s)) {
                (void)file.ReadString(s, k, "");
            }
        }
        file.WriteString("S", "k", "v");
        EXPECT_EQ(ProfileFile::FromBytes(file.Bytes()).ReadString("S", "k", ""),
                  bytes == longLine ? "v" : file.ReadString("S", "k", ""));
    }
    EXPECT_EQ(ProfileFile::FromBytes(longLine).ReadString("S", "k", "").size(), 100000u);
}

}  // namespace
