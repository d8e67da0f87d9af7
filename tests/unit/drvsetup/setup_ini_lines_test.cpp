#include "drvsetup/config/setup_ini_lines.h"

#include <gtest/gtest.h>

#include "support/temp_root.h"

namespace {

using drvsetup::SetupIniLines;

const char* const kFile =
    "[__info]\r\n"
    "ProductName=Tivano\r\n"
    "[__Info]\r\n"
    "InstallDriver=718\r\n"
    "  [VEXA_QM718]  \r\n"
    "V_HardwareID = 718 \r\n"
    "  Key With Blanks  =  value with blanks  \n"
    "Eq=a=b\r"
    "Dup=first\n"
    "Dup=second\n"
    "dup=lower\n"
    "no equals here\n"
    "Text=has [bracket\n"
    "After=never read\n"
    "[VEXA_QM718]\n"
    "V_HardwareID=999\n"
    "[Commented] ; note\n"
    "V_HardwareID=5\n"
    "[Last]\n"
    "K=v";

TEST(SetupIniLines, SectionList) {
    SetupIniLines ini = SetupIniLines::FromBytes(kFile);
    EXPECT_EQ(ini.SectionNames(),
              (std::vector<std::string>{"__Info", "VEXA_QM718", "VEXA_QM718", "Commented] ; not", "Last"}));
}

TEST(SetupIniLines, BodiesAndEntries) {
    SetupIniLines ini = SetupIniLines::FromBytes(kFile);
    struct {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    } cases[] = {
        {"VEXA_QM718", "V_HardwareID", "718"},  // the first section of the name
        {"VEXA_QM718", "Key With Blanks", "value with blanks"},
        {"VEXA_QM718", "Eq", "a=b"},  // a lone CR ends a line too
        {"VEXA_QM718", "Dup", "first"},
        {"VEXA_QM718", "dup", "lower"},  // keys keep their case
        {"VEXA_QM718", "DUP", std::nullopt},
        {"VEXA_QM718", "After", std::nullopt},  // the bracket in a value ended the section
        {"VEXA_QM718", "no equals here", std::nullopt},
        {"__Info", "InstallDriver", "718"},
        {"__info", "ProductName", "Tivano"},  // skipped as a header, but its body is still found
        {"Commented] ; not", "V_HardwareID", std::nullopt},  // a header with a comment names no body
        {"Commented", "V_HardwareID", "5"},
        {"Last", "K", "v"},  // no line end after the last line
        {"Missing", "K", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.SectionValue(c.section, c.key), c.value) << c.section << " / " << c.key;
        auto entries = ini.SectionEntries(c.section);
        auto it = entries.find(c.key);
        EXPECT_EQ(it == entries.end() ? std::nullopt : std::optional<std::string>(it->second), c.value)
            << c.section << " / " << c.key;
    }
    EXPECT_EQ(ini.SectionBody("VEXA_QM718").size(), 7u);
}

TEST(SetupIniLines, AnyLineContainingTheFramedNameStartsTheBody) {
    SetupIniLines ini = SetupIniLines::FromBytes("x=see [S] below\na=1\n[S]\na=2\n");
    EXPECT_EQ(ini.SectionValue("S", "a"), "1");
    // A line crowded with brackets is searched directly instead of indexed.
    std::string crowded = "[[[[[[[[[[[[S]]]]]]]]]]]";
    SetupIniLines many = SetupIniLines::FromBytes("[S]\na=1\n" + crowded + "\nb=2\n");
    EXPECT_EQ(many.FindSectionLine("S"), 0u);
    SetupIniLines manyFirst = SetupIniLines::FromBytes(crowded + "\nb=2\n[S]\na=1\n");
    EXPECT_EQ(manyFirst.FindSectionLine("S"), 0u);
    EXPECT_EQ(manyFirst.SectionValue("S", "b"), "2");
    EXPECT_EQ(manyFirst.SectionValue("S", "a"), std::nullopt);  // the next line holding a bracket ended it
    EXPECT_EQ(manyFirst.FindSectionLine("[[[S]]"), 0u);
}

TEST(SetupIniLines, HostileBytesNeverCrash) {
    std::string garbage;
    for (int i = 0; i < 200000; ++i) {
        garbage.push_back(static_cast<char>((i * 131) % 256));
    }
    const std::string inputs[] = {garbage,
                                  std::string(1 << 20, '['),
                                  "[S]\nk=" + std::string(1 << 20, 'v'),
                                  std::string("[S\0]\nk\0=\0v\n", 11),
                                  std::string(100000, ']') + "[",
                                  ""};
    for (const std::string& bytes : inputs) {
        SetupIniLines ini = SetupIniLines::FromBytes(bytes);
        for (const std::string& name : ini.SectionNames()) {
            (void)ini.SectionEntries(name);
        }
    }
    EXPECT_EQ(SetupIniLines::FromBytes(inputs[2]).SectionValue("S", "k")->size(), 1u << 20);
    EXPECT_EQ(SetupIniLines::FromBytes(inputs[3]).SectionValue(std::string("S\0", 2), "k"), "v");
}

TEST(SetupIniLines, MissingFileIsNone) {
    kit_test::TempDir dir;
    EXPECT_FALSE(SetupIniLines::Load(dir.str() + "/drvInstall.ini").has_value());
    kit_test::WriteFile(dir.path() / "drvInstall.ini", "[A]\nk=v\n");
    EXPECT_EQ(SetupIniLines::Load(dir.str() + "/DRVINSTALL.INI")->SectionValue("A", "k"), "v");
}

}  // namespace
