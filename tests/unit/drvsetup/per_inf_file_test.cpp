#include "drvsetup/shell/per_inf_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "drvsetup/shell/os_tools.h"
#include "platform/codepage.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace {

using drvsetup::BusPci;
using drvsetup::BusStream;
using drvsetup::BusUsb;
using drvsetup::PerInfFile;
using drvsetup::tag_HardwareID;

const std::string kFixtures = KIT_FIXTURES_DIR "/inf/";

// An emulated system of the given preset for one test; the OS code is computed afresh for it.
class EmulatedSystem {
  public:
    explicit EmulatedSystem(const char* preset) {
        EXPECT_TRUE(platform::InitSystemRoot(root_.path(), *platform::PresetConfig(preset)).ok()) << preset;
        platform::UseSystemRoot(root_.path());
        drvsetup::ResetOsCodeCacheForTesting();
    }
    ~EmulatedSystem() { drvsetup::ResetOsCodeCacheForTesting(); }
    const std::filesystem::path& path() const { return root_.path(); }

  private:
    kit_test::TempSystemRoot root_;
};

tag_HardwareID Id(uint8_t bus, const char* text, int32_t vendor, int32_t product) {
    return tag_HardwareID{bus, text, vendor, product};
}

const std::vector<tag_HardwareID> kUsb32 = {
    Id(BusUsb, "USB\\VID_1A2B&PID_3C4D&MI_00", 0x1A2B, 0x3C4D),
    Id(BusUsb, "USB\\VID_1A2B&PID_3C4D&MI_01", 0x1A2B, 0x3C4D),
    // The crossbar's AVSTREAM\ line after it has the same vendor, product (0) and suffix (none), so
    // it counts as a repeat.
    Id(BusStream, "STREAM\\VEXATUNER.ANALOG", 0, 0),
};
const std::vector<tag_HardwareID> kUsb64 = {
    Id(BusUsb, "USB\\VID_1A2B&PID_5E6F&MI_00", 0x1A2B, 0x5E6F),
};
const std::vector<tag_HardwareID> kPci = {
    Id(BusPci, "PCI\\VEN_14F1&DEV_8800&SUBSYS_12345678", 0x14F1, 0x8800),
    Id(BusPci, "PCI\\VEN_14F1&DEV_8800&SUBSYS_87654321", 0x14F1, 0x8800),
    Id(BusPci, "PCI\\VEN_XYZW&DEV_88", 0, 0x88),
    Id(BusPci, "PCI\\VEN_14F1&DEV_8802", 0x14F1, 0x8802),
};
const std::vector<tag_HardwareID> kAtEnd = {
    Id(BusUsb, "USB\\VID_0001&PID_0002", 1, 2),
    Id(BusUsb, "USB\\VID_0001&PID_0003", 1, 3),
};

struct FixtureCase {
    const char* name;
    const char* preset;
    const char* file;
    int32_t osCode;
    std::vector<tag_HardwareID> expected;
};

const FixtureCase kFixtureCases[] = {
    {"ANSI, 32-bit entry on XP", "xp", "usb_models.inf", drvsetup::OsWinXP32, kUsb32},
    {"UTF-16 twin reads like the ANSI one", "xp", "usb_models_utf16.inf", drvsetup::OsWinXP32, kUsb32},
    {"64-bit entry on a 32-bit system", "xp", "usb_models.inf", drvsetup::OsWinXP64, kUsb64},
    {"32-bit entry on a 64-bit system looks for .NTAMD64", "xp64", "usb_models.inf", drvsetup::OsWinXP32,
     kUsb64},
    {"UTF-16, Vista x64 entry on Vista x64", "vista64", "usb_models_utf16.inf", drvsetup::OsVista64, kUsb64},
    {"two SUBSYS values, a repeat, bad digits, first Manufacturer key empty", "xp", "pci_subsys.inf",
     drvsetup::OsWinXP32, kPci},
    {"model section last, no final line feed", "xp", "model_at_end.inf", drvsetup::OsWinXP32, kAtEnd},
    {"model section last in UTF-16", "xp", "model_at_end_utf16.inf", drvsetup::OsWinXP32, kAtEnd},
    {"no Manufacturer section", "xp", "no_manufacturer.inf", drvsetup::OsWinXP32, {}},
};

TEST(PerInfFileParse, FixtureFiles) {
    for (const FixtureCase& c : kFixtureCases) {
        EmulatedSystem system(c.preset);
        PerInfFile inf(c.osCode, kFixtures + c.file, "hw", "svc");
        EXPECT_TRUE(inf.IsValid()) << c.name;
        EXPECT_EQ(inf.GetHardwareIds(), c.expected) << c.name;
    }
}

TEST(PerInfFileParse, ListHardwareIdsReplacesTheCallersList) {
    EmulatedSystem system("xp");
    PerInfFile inf(drvsetup::OsWinXP32, kFixtures + "usb_models.inf", "", "");
    std::vector<std::string> list = {"stale"};
    inf.ListHardwareIds(list);
    EXPECT_EQ(list, (std::vector<std::string>{"USB\\VID_1A2B&PID_3C4D&MI_00", "USB\\VID_1A2B&PID_3C4D&MI_01",
                                              "STREAM\\VEXATUNER.ANALOG"}));
}

struct LineCase {
    const char* name;
    const char* line;  // as the parser passes it: trimmed, upper case
    std::optional<tag_HardwareID> expected;
};

const LineCase kLineCases[] = {
    {"model line with a comment", "%DEV%=INST,  USB\\VID_1A2B&PID_3C4D&MI_00   ; CAPTURE PIN",
     Id(BusUsb, "USB\\VID_1A2B&PID_3C4D&MI_00", 0x1A2B, 0x3C4D)},
    {"USB\\ wins over an earlier PCI\\", "%D%=I, PCI\\VEN_1111&DEV_2222, USB\\VID_3333&PID_4444",
     Id(BusUsb, "USB\\VID_3333&PID_4444", 0x3333, 0x4444)},
    {"PCI\\ wins over STREAM\\", "%D%=I, STREAM\\X, PCI\\VEN_1111&DEV_2222",
     Id(BusPci, "PCI\\VEN_1111&DEV_2222", 0x1111, 0x2222)},
    {"AVSTREAM\\ is taken whole, not as STREAM\\", "%D%=I, AVSTREAM\\{AB-CD}.X",
     Id(BusStream, "AVSTREAM\\{AB-CD}.X", 0, 0)},
    {"STREAM\\", "%D%=I,STREAM\\VEXA.TUNER", Id(BusStream, "STREAM\\VEXA.TUNER", 0, 0)},
    {"missing DEV_ reads the 4 characters from the fourth", "ABC1234=I, PCI\\VEN_00FF",
     Id(BusPci, "PCI\\VEN_00FF", 0xFF, 0x1234)},
    {"digits that are not hexadecimal, digits cut short", "X=I, USB\\VID_12G4&PID_9",
     Id(BusUsb, "USB\\VID_12G4&PID_9", 0, 9)},
    {"marker at the very end", "X=I, USB\\VID_", Id(BusUsb, "USB\\VID_", 0, 0)},
    {"comment right after the prefix", "X=I, USB\\ ; NOTHING", Id(BusUsb, "USB\\", 0, 0)},
    {"no bus prefix", "%D%=I, HID\\VID_1A2B&PID_3C4D", std::nullopt},
    {"empty line", "", std::nullopt},
};

TEST(PerInfFileParse, ModelLines) {
    for (const LineCase& c : kLineCases) {
        tag_HardwareID id;
        bool parsed = drvsetup::ParseHardwareIdLine(c.line, id);
        EXPECT_EQ(parsed, c.expected.has_value()) << c.name;
        if (parsed && c.expected) {
            EXPECT_EQ(id, *c.expected) << c.name;
        }
    }
}

TEST(PerInfFileParse, HardwareIdTextIsCutTo130Characters) {
    std::string line("X=I, PCI\\VEN_1234&DEV_5678&");
    line.append(300, 'A');
    tag_HardwareID id;
    ASSERT_TRUE(drvsetup::ParseHardwareIdLine(line, id));
    EXPECT_EQ(id.hardwareId, line.substr(5, drvsetup::kHardwareIdMaxChars));
    EXPECT_EQ(id.product, 0x5678);
}

TEST(PerInfFileParse, DuplicatesCompareVendorProductAndInterfaceSuffix) {
    std::vector<tag_HardwareID> list = {Id(BusUsb, "USB\\VID_1A2B&PID_3C4D&MI_00", 0x1A2B, 0x3C4D),
                                        Id(BusPci, "PCI\\VEN_1&DEV_2&SUBSYS_12345678", 1, 2)};
    struct {
        tag_HardwareID id;
        bool duplicate;
    } cases[] = {
        {Id(BusUsb, "USB\\VID_1A2B&PID_3C4D&MI_00&COL01", 0x1A2B, 0x3C4D), true},
        {Id(BusUsb, "USB\\VID_1A2B&PID_3C4D&MI_01", 0x1A2B, 0x3C4D), false},
        {Id(BusUsb, "USB\\VID_1A2B&PID_3C4D", 0x1A2B, 0x3C4D), false},
        {Id(BusUsb, "USB\\VID_1A2B&PID_3C4E&MI_00", 0x1A2B, 0x3C4E), false},
        {Id(BusPci, "PCI\\VEN_1&DEV_2&SUBSYS_12345678", 1, 2), true},
        // The suffix is 16 characters from SUBSYS_, so one more character makes it another one.
        {Id(BusPci, "PCI\\VEN_1&DEV_2&SUBSYS_12345678&REV_01", 1, 2), false},
        {Id(BusPci, "PCI\\VEN_1&DEV_2&SUBSYS_87654321", 1, 2), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(drvsetup::IsDuplicateHardwareId(list, c.id), c.duplicate) << c.id.hardwareId;
    }
}

TEST(PerInfFileParse, SectionLinesStopAtTheNextSectionAndSkipComments) {
    EmulatedSystem system("xp");
    std::string bytes =
        "[Models.NTx86]\n"
        "a=1\n"
        "junk [models] junk\n"  // the header anywhere in a line starts the section
        "  ; comment\n"
        "\n"
        "  b = 2  \n"
        "x[y]z\n"
        "c=3\n";
    EXPECT_EQ(drvsetup::ReadInfSectionLines(bytes, "Models"), (std::vector<std::string>{"B = 2"}));
}

TEST(PerInfFileParse, Utf16LinesBeyondAsciiGoThroughTheCodePage) {
    // Code page 1252: o with diaeresis has a place in it, U+4E2D has none; a NUL ends a line's text;
    // a line feed byte inside a character does not end its line.
    EmulatedSystem system("xp");
    std::string bytes("\xFF\xFE");
    bytes += platform::Utf16ToLeBytes(
        u"[Version]\r\n[Models]\r\n"
        u"%D%=I, USB\\VID_0001&PID_0002 ; H\u00F6he\r\n"
        u"%E%=I, USB\\VID_0001&PID_0003 ; \u4E2D\r\n"
        u"%F%=I, USB\\VID_0001&PID_0004 ; \u0A0A\r\n"
        u"X=I, USB\\VID_0001&PID_0005" +
        std::u16string(1, u'\0') + u"hidden\r\n[Next]\r\nY=1\r\n");
    EXPECT_EQ(drvsetup::ReadInfSectionLines(bytes, "Models"),
              (std::vector<std::string>{"%D%=I, USB\\VID_0001&PID_0002 ; H\xF6HE",
                                        "%E%=I, USB\\VID_0001&PID_0003 ; ?",
                                        "%F%=I, USB\\VID_0001&PID_0004 ; ?", "X=I, USB\\VID_0001&PID_0005"}));
}

class PerInfFilePaths : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"usb_models.inf", "pci_subsys.inf"}) {
            std::filesystem::copy_file(kFixtures + name, dir_.path() / name);
        }
    }
    std::string InDir(const char* name) const { return dir_.str() + "\\" + name; }

    EmulatedSystem system_{"xp"};
    kit_test::TempDir dir_;
};

TEST_F(PerInfFilePaths, MissingFileLeavesTheListAsItWas) {
    PerInfFile none(drvsetup::OsWinXP32, "", "hw", "svc");
    EXPECT_FALSE(none.IsValid());
    EXPECT_TRUE(none.GetHardwareIds().empty());
    EXPECT_EQ(none.GetHwName(), "hw");
    EXPECT_EQ(none.GetServiceName(), "svc");

    PerInfFile inf(drvsetup::OsWinXP32, InDir("missing.inf"), "", "");
    EXPECT_FALSE(inf.IsValid());
    inf.SetPath(InDir("usb_models.inf"));
    EXPECT_TRUE(inf.IsValid());
    EXPECT_EQ(inf.GetHardwareIds(), kUsb32);
    inf.SetPath(InDir("gone.inf"));
    EXPECT_FALSE(inf.IsValid());
    EXPECT_EQ(inf.GetPath(), InDir("gone.inf"));
    EXPECT_EQ(inf.GetHardwareIds(), kUsb32);
}

TEST_F(PerInfFilePaths, PathChangesOnlyInCaseDoNotParseAgain) {
    PerInfFile inf(drvsetup::OsWinXP32, InDir("usb_models.inf"), "", "");
    // The file changes behind the entry's back; a re-parse would see PCI identifiers.
    std::filesystem::copy_file(dir_.path() / "pci_subsys.inf", dir_.path() / "usb_models.inf",
                               std::filesystem::copy_options::overwrite_existing);

    inf.SetPath(InDir("USB_MODELS.INF"));
    inf.SetFileName("Usb_Models.Inf");
    EXPECT_EQ(inf.GetPath(), InDir("usb_models.inf"));
    EXPECT_EQ(inf.GetHardwareIds(), kUsb32);

    inf.SetFileName("pci_subsys.inf");
    EXPECT_EQ(inf.GetPath(), InDir("pci_subsys.inf"));
    EXPECT_EQ(inf.GetHardwareIds(), kPci);

    inf.SetPath(InDir("usb_models.inf"));
    EXPECT_EQ(inf.GetHardwareIds(), kPci);  // now with the PCI content
}

TEST_F(PerInfFilePaths, SetFileNameWithoutAFolderTakesTheNameAlone) {
    PerInfFile inf(drvsetup::OsWinXP32, "nofolder.inf", "", "");
    inf.SetFileName("other.inf");
    EXPECT_EQ(inf.GetPath(), "other.inf");
    EXPECT_FALSE(inf.IsValid());
}

std::string Utf16File(const std::string& text) {
    std::string bytes("\xFF\xFE");
    bytes += platform::Utf16ToLeBytes(platform::Utf8ToUtf16(text));
    return bytes;
}

using namespace std::string_literals;

const std::string kHead = "[Manufacturer]\r\nA=M\r\n[M]\r\n";

struct BadCase {
    const char* name;
    std::string bytes;
    std::optional<std::vector<std::string>> expected;  // none: only that nothing breaks
};

std::vector<BadCase> BadCases() {
    std::string garbage;
    for (int i = 0; i < 70000; ++i) {
        garbage.push_back(static_cast<char>((i * 7919 + i / 13) % 256));
    }
    std::string utf16 = kit_test::ReadFile(kFixtures + "usb_models_utf16.inf");
    return {
        {"binary garbage", garbage, std::nullopt},
        {"garbage in the model section", kHead + garbage, std::nullopt},
        {"no line ends at all", "[Manufacturer] A=M [M] X=I, USB\\VID_1111&PID_2222",
         std::vector<std::string>{}},
        {"a 1 MB line is cut and the next line still read",
         kHead + "X=I, USB\\VID_1111&PID_2222" + std::string(1 << 20, 'Q') +
             "\nY=I, USB\\VID_3333&PID_4444\n",
         std::vector<std::string>{std::string("USB\\VID_1111&PID_2222").append(130 - 21, 'Q'),
                                  "USB\\VID_3333&PID_4444"}},
        {"a NUL ends the line's text", kHead + "X=I, USB\\VID_1111&PID_2222\0;MI_00\r\n"s,
         std::vector<std::string>{"USB\\VID_1111&PID_2222"}},
        {"NUL bytes everywhere", std::string(4096, '\0'), std::vector<std::string>{}},
        {"UTF-16 with an odd byte count", utf16 + "\x41",
         std::vector<std::string>{"USB\\VID_1A2B&PID_3C4D&MI_00", "USB\\VID_1A2B&PID_3C4D&MI_01",
                                  "STREAM\\VEXATUNER.ANALOG"}},
        {"UTF-16 ending in a lone line-feed byte", Utf16File(kHead + "X=I, USB\\VID_1111&PID_2222") + "\n",
         std::vector<std::string>{"USB\\VID_1111&PID_2222"}},
        {"lone line feed at the end", kHead + "X=I, PCI\\VEN_1111&DEV_2222\n\n",
         std::vector<std::string>{"PCI\\VEN_1111&DEV_2222"}},
        // The line that ends in the switch is already read as UTF-16, like the first line of a real one.
        {"line feed and zero byte in an ANSI file switch to UTF-16",
         kHead + "X=I, PCI\\VEN_1111&DEV_2222\n\0Y=I, PCI\\VEN_3333\n"s, std::vector<std::string>{}},
    };
}

TEST(PerInfFileParse, BadInputNeverBreaksTheParser) {
    EmulatedSystem system("xp");
    kit_test::TempDir dir;
    for (const BadCase& c : BadCases()) {
        auto file = dir.path() / "bad.inf";
        kit_test::WriteFile(file, c.bytes);
        PerInfFile inf(drvsetup::OsWinXP32, "", "", "");
        inf.SetPath(file.string());
        EXPECT_TRUE(inf.IsValid()) << c.name;
        std::vector<std::string> list;
        inf.ListHardwareIds(list);
        for (const std::string& text : list) {
            EXPECT_LE(text.size(), drvsetup::kHardwareIdMaxChars) << c.name;
        }
        if (c.expected) {
            EXPECT_EQ(list, *c.expected) << c.name;
        }
        // The entry goes to another file, so the next case parses again.
        inf.SetPath("");
    }
}

}  // namespace
