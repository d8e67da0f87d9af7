#include "drvsetup/device/product_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "drvsetup/config/reg_data.h"
#include "drvsetup/shell/os_tools.h"

namespace {

using namespace drvsetup;

// The products the settings database fills when it has no records for them.
const int32_t kDatabaseProducts[] = {111, 112, 222, 150, 160, 800, 600, 608, 680, 835, 6801, 6601,
                                     101, 880, 850, 855, 602, 618, 660, 400, 301, 302, 881,  3001,
                                     700, 701, 720, 718, 670, 330, 655, 770, 870, 370, 310};

const int32_t kAllCapabilities[] = {CapAv1, CapSvhs1, CapTuner, CapAv2,  CapSvhs2,
                                    CapFm,  CapDvbt,  CapAtsc,  CapDvbt2};

TEST(ProductTables, ModelCodeOfEveryKnownProductAndUnknownOnes) {
    const std::pair<int32_t, const char*> cases[] = {
        {101, "QM101"},     {111, "QM200"}, {112, "QM200Pro"}, {150, "KV150"},  {160, "KV160"},
        {222, "QM200_PCI"}, {301, "RX300"}, {302, "ZD300D"},   {310, "QM310"},  {330, "ZD330"},
        {370, "ZD370"},     {400, "QM400"}, {600, "KV600"},    {602, "KC602"},  {608, "QM600"},
        {618, "QM618"},     {655, "QM655"}, {660, "QM660"},    {670, "QM670"},  {680, "QM680"},
        {700, "QM700"},     {701, "RX701"}, {718, "QM718"},    {720, "ZD720"},  {770, "ZD770"},
        {800, "QM800"},     {835, "QM835"}, {850, "QTxxx"},    {855, "NV_VGA"}, {870, "ZD870"},
        {880, "KV880"},     {881, "QT88x"}, {1000, "Dummy"},   {3001, "QM300"}, {6601, "RX660"},
        {6801, "RX680"},    {0, "Error"},   {-1, "Error"},     {999, "Error"},  {6800, "Error"},
    };
    for (const auto& [product, code] : cases) {
        EXPECT_EQ(ModelCode(product), code) << product;
    }
}

TEST(ProductTables, ProductLibraryByGroup) {
    const std::pair<std::vector<int32_t>, const char*> groups[] = {
        {{101, 850, 855, 880}, "wdmCapture.dll"},
        {{111, 112, 222}, "qm200Src.dll"},
        {{150, 160, 600, 608, 680, 800}, "qm800.dll"},
        {{301}, "Rx300.dll"},
        {{302, 310, 330, 370, 655, 670, 700, 701, 718, 720, 770, 870}, "Bda_AD.dll"},
        {{400}, "qm400Dll.dll"},
        {{602, 618}, "ospreyDll.dll"},
        {{660}, "qm660Dll.dll"},
        {{835, 6801}, "Rx680.dll"},
        {{881}, "Qt88xDll.dll"},
        {{3001}, "Qm300.dll"},
        {{6601}, "RX660.dll"},
        {{1000, 0, -5, 999, 6800}, "Error"},
    };
    for (const auto& [products, library] : groups) {
        for (int32_t product : products) {
            EXPECT_EQ(ProductLibrary(product), library) << product;
        }
    }
    // The placeholder product has a model code but no library.
    EXPECT_EQ(ModelCode(1000), "Dummy");
    EXPECT_EQ(ProductLibrary(1000), "Error");
}

TEST(ProductTables, OemNames) {
    const std::pair<int32_t, const char*> cases[] = {
        {1, "IO_DATA"},  {2, "DEFAULT"}, {3, "BUFFALO"}, {5, "TERRATEC"},  {7, "SBV21"},
        {9, "BestData"}, {11, "MITAC"},  {13, "HP"},     {14, "PINNACLE"}, {0, "Error"},
        {4, "Error"},    {15, "Error"},  {-1, "Error"},
    };
    for (const auto& [index, name] : cases) {
        EXPECT_EQ(OemName(index), name) << index;
    }
}

// A 0/1 function answers 1 for the given products and 0 for every other listed, placeholder or
// unknown product.
void ExpectOnlyFor(int32_t (*function)(int32_t), const std::set<int32_t>& ones, const char* what) {
    std::vector<int32_t> products(std::begin(kDatabaseProducts), std::end(kDatabaseProducts));
    products.insert(products.end(), {1000, 999, 0});
    for (int32_t product : products) {
        EXPECT_EQ(function(product), ones.count(product) ? 1 : 0) << what << " of " << product;
    }
}

TEST(ProductTables, FeatureDefaults) {
    ExpectOnlyFor(SoundCardAudioDefault, {101, 700, 701, 850, 855, 881}, "sound-card audio");
    ExpectOnlyFor(UsbPciAudioDefault, {101, 655, 700, 701, 850, 855, 881, 3001}, "USB/PCI audio");
    const std::set<int32_t> noTimeShift = {101, 310, 370, 655, 700, 770, 850, 855, 870, 881};
    for (int32_t product : kDatabaseProducts) {
        EXPECT_EQ(TimeShiftDefault(product), noTimeShift.count(product) ? 0 : 1) << product;
    }
    EXPECT_EQ(TimeShiftDefault(999), 1);
}

TEST(ProductTables, HasInputRulesInOrder) {
    const std::pair<std::vector<int32_t>, std::set<int32_t>> rules[] = {
        {{3001}, {CapAv1, CapSvhs1, CapDvbt}},
        {{301, 302, 330}, {CapDvbt}},
        {{655, 700}, {CapAv1, CapSvhs1, CapTuner, CapFm, CapDvbt}},
        {{310, 370, 770, 870}, {CapDvbt}},
        {{718}, {CapAv1, CapSvhs1, CapTuner, CapAv2, CapSvhs2, CapFm, CapDvbt}},
        {{701, 720}, {CapAv1, CapSvhs1, CapTuner, CapDvbt}},
        {{835}, {CapAv1, CapSvhs1}},
        {{881}, {CapAv1, CapSvhs1, CapTuner, CapFm}},
        {{101, 111, 400, 600, 880, 1000, 999, 0}, {CapAv1, CapSvhs1, CapTuner}},
    };
    for (const auto& [products, ones] : rules) {
        for (int32_t product : products) {
            for (int32_t code : kAllCapabilities) {
                EXPECT_EQ(HasInput(product, code), ones.count(code) ? 1 : 0)
                    << "product " << product << " code " << code;
            }
            EXPECT_EQ(HasInput(product, 5450), 0) << product;
        }
    }
    EXPECT_EQ(HasInput(330, CapDvbt), 1);
    EXPECT_EQ(HasInput(330, CapTuner), 0);
    EXPECT_EQ(HasInput(999, CapTuner), 1);
}

TEST(ProductTables, EepromCheckDefault) {
    const std::set<int32_t> checked = {101, 301, 330, 600, 602, 608, 655,  670,  680, 700,
                                       701, 718, 720, 800, 835, 881, 3001, 6601, 6801};
    for (int32_t product : kDatabaseProducts) {
        EXPECT_EQ(EepromCheckDefault(product, -1), checked.count(product) ? 1 : 0) << product;
    }
    EXPECT_EQ(EepromCheckDefault(835, -1), 1);
    EXPECT_EQ(EepromCheckDefault(835, 0), 1);
    EXPECT_EQ(EepromCheckDefault(835, 1), 0);
    EXPECT_EQ(EepromCheckDefault(718, 1), 1);  // the variant matters for the QM835 only
    EXPECT_EQ(EepromCheckDefault(999, -1), 0);
}

TEST(ProductTables, VmrTypeByOsCode) {
    const std::pair<int32_t, int32_t> cases[] = {
        {OsWin98, 61},   {OsWin98SE, 61}, {OsWin2000, 61}, {OsWinMe, 61},   {OsWin95, 71},   {OsWinNT, 71},
        {OsWinXP32, 71}, {OsWinXP64, 71}, {OsVista32, 71}, {OsVista64, 71}, {OsUnknown, 71}, {0, 71},
    };
    for (const auto& [os, vmr] : cases) {
        EXPECT_EQ(VmrTypeDefault(os), vmr) << os;
    }
}

TEST(ProductTables, VideoBitRatePerFormat) {
    struct Case {
        std::vector<int32_t> products;
        int32_t format;
        int32_t rate;
    };
    const std::vector<int32_t> high = {150, 160, 600, 602, 618, 660, 880};
    const std::vector<int32_t> others = {101, 222, 400, 718, 3001, 999};
    const std::vector<int32_t> any = {111, 150, 400, 718, 999};
    const Case cases[] = {
        {any, FormatVcd, 460},
        {any, FormatSvcd, 960},
        {any, FormatMpeg4, 2000},
        {any, 2, 0},
        {any, 6, 0},
        {any, -1, 0},
        {{111, 112}, FormatMpeg1, 800},
        {high, FormatMpeg1, 2000},
        {others, FormatMpeg1, 1600},
        {{111, 112}, FormatMpeg2, 1600},
        {high, FormatMpeg2, 2400},
        {{400}, FormatMpeg2, 2400},
        {{101, 222, 718, 3001, 999}, FormatMpeg2, 2000},
        {{111, 112}, FormatDvd, 1600},
        {high, FormatDvd, 2400},
        {others, FormatDvd, 2000},
    };
    for (const Case& c : cases) {
        for (int32_t product : c.products) {
            EXPECT_EQ(VideoBitRateDefault(product, c.format), c.rate)
                << "product " << product << " format " << c.format;
        }
    }
    EXPECT_EQ(VideoBitRateDefault(400, FormatMpeg2), 2400);
    EXPECT_EQ(VideoBitRateDefault(400, FormatDvd), 2000);
}

TEST(ProductTables, FormatTables) {
    struct Case {
        int32_t format;
        int32_t audioBitRate;
        int32_t ntsc;
        int32_t pal;
        int32_t sampleRate;
    };
    const Case cases[] = {
        {FormatVcd, 11, 352240, 352288, 0},
        {FormatSvcd, 11, 480480, 480576, 0},
        {FormatMpeg2, 11, 720480, 720576, 0},
        {FormatMpeg1, 11, 352240, 352288, 0},
        {FormatDvd, 11, 720480, 720576, 1},
        {FormatMpeg4, 11, 320240, 352288, 0},
        {2, 0, 0, 0, 0},
        {6, 0, 0, 0, 0},
        {-1, 0, 0, 0, 0},
        {56, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AudioBitRateDefault(c.format), c.audioBitRate) << c.format;
        EXPECT_EQ(NtscResolutionDefault(c.format), c.ntsc) << c.format;
        EXPECT_EQ(PalResolutionDefault(c.format), c.pal) << c.format;
        EXPECT_EQ(AudioSampleRateDefault(c.format), c.sampleRate) << c.format;
        EXPECT_EQ(VbrCbrDefault(c.format), 0) << c.format;
    }
}

std::vector<std::pair<int32_t, std::string>> Choices(const SettingString& list) {
    std::vector<std::pair<int32_t, std::string>> choices;
    for (int32_t i = 0; i < list.Count(); ++i) {
        choices.emplace_back(list.KeyAt(i), list.NameAt(i));
        EXPECT_EQ(list.ValueAt(i), 0) << i;
        EXPECT_EQ(list.FlagAt(i), 1) << i;
    }
    return choices;
}

using ChoiceList = std::vector<std::pair<int32_t, std::string>>;

TEST(ProductTables, MainChipsPerProduct) {
    const ChoiceList chips101 = {{2820, "2820"}, {2830, "2830"}, {2840, "2840"},
                                 {2860, "2860"}, {2870, "2870"}, {2880, "2880"}};
    const ChoiceList chips701 = {{2860, "2860"}, {2870, "2870"}, {2880, "2880"}};
    const ChoiceList chipsZd = {{7700, "7700"}};
    const std::pair<int32_t, ChoiceList> cases[] = {
        {101, chips101}, {701, chips701}, {6801, chips701}, {310, chipsZd},
        {370, chipsZd},  {770, chipsZd},  {870, chipsZd},   {602, {{84323, "843_23"}, {84324, "843_24Z"}}},
        {718, {}},       {680, {}},       {999, {}},
    };
    for (const auto& [product, expected] : cases) {
        SettingString list("MainChip1", 0);
        EXPECT_EQ(AddMainChips(product, list), static_cast<int32_t>(expected.size())) << product;
        EXPECT_EQ(Choices(list), expected) << product;
    }
}

TEST(ProductTables, MainChipsAppendAndProductWithoutChipsKeepsTheList) {
    SettingString list("MainChip1", 0);
    list.Add(1, "existing", 5, 0);
    EXPECT_EQ(AddMainChips(718, list), 1);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.NameAt(0), "existing");

    EXPECT_EQ(AddMainChips(602, list), 3);
    EXPECT_EQ(list.NameAt(0), "existing");
    EXPECT_EQ(list.KeyAt(1), 84323);
    EXPECT_EQ(list.KeyAt(2), 84324);
}

TEST(ProductTables, TestItemsInOrder) {
    SettingString list("TestItemId", 0);
    EXPECT_TRUE(AddTestItems(list));
    const ChoiceList expected = {
        {33333, "Mass Production Test 1"}, {33334, "Mass Production Test 2"},
        {33335, "Mass Production Test 3"}, {33336, "Tuner Quality Test"},
        {43339, "DVBT Field Test"},        {33339, "DVBT Quality Test"},
        {33340, "TV Systems Test"},
    };
    EXPECT_EQ(Choices(list), expected);
    EXPECT_TRUE(AddTestItems(list));
    EXPECT_EQ(list.Count(), 14);
}

TEST(ProductTables, BuildDateCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"Nov 30 2006", "061130"},
        {"Jan  1 2001", "010101"},
        {"Jan 01 2001", "010101"},  // leading-zero day
        {"feb 14 2003", "030214"},  // case does not matter
        {"Oct 10 2010", "101010"},
        {"Sep  9 2009 10:39:01", "090909"},
        {"Dec 24 2005", "051224"},  // December is the month no name matched
        {"xyz 24 2005", "051224"},  // no month
        {"Mar  5 1999", "110305"},  // no year of the list
        {"Apr 2004", "040400"},     // no day: day 0
        {"", "111200"},
        {"May 31 2007", "070531"},
        {"Jun 32 2007", "070600"},  // no day within the month range
    };
    for (const auto& [text, code] : cases) {
        EXPECT_EQ(BuildDateCode(text), code) << '"' << text << '"';
    }
}

TEST(ProductTables, BuildDateCodeOfGarbageIsStillSixDigits) {
    std::string garbage("\0\xff\x01 7 ", 7);
    garbage += std::string(100000, 'x');
    const std::string code = BuildDateCode(garbage);
    EXPECT_EQ(code, "111207");
}

TEST(ProductTables, SplitText) {
    const std::tuple<const char*, char, std::vector<std::string>> cases[] = {
        {"a,,b", ',', {"a", "", "b"}},
        {"a,b,", ',', {"a", "b", ""}},
        {"", ',', {""}},
        {",", ',', {"", ""}},
        {"  a , b\t,\r\nc  ", ',', {"a", "b", "c"}},
        {"one", ',', {"one"}},
        {"x;y,z", ';', {"x", "y,z"}},
        {" , ", ',', {"", ""}},
    };
    for (const auto& [text, separator, expected] : cases) {
        std::vector<std::string> list = {"stale"};
        EXPECT_EQ(SplitText(text, list, separator), static_cast<int32_t>(expected.size())) << text;
        EXPECT_EQ(list, expected) << '"' << text << '"';
    }
}

TEST(ProductTables, SplitTextKeepsNulBytesInsidePieces) {
    std::vector<std::string> list;
    EXPECT_EQ(SplitText(std::string_view("a\0b,c", 5), list, ','), 2);
    EXPECT_EQ(list[0], std::string("a\0b", 3));
    EXPECT_EQ(list[1], "c");
}

TEST(HardwareTable, CountAndShape) {
    int32_t count = 0;
    const HardwareEntry* table = HardwareTable(count);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(count, 64);
    EXPECT_EQ(HardwareTable().size(), 64u);
    EXPECT_EQ(HardwareTable().data(), table);
}

TEST(HardwareTable, EveryDatabaseProductHasContiguousEntries) {
    std::map<int32_t, std::vector<size_t>> positions;
    const auto table = HardwareTable();
    for (size_t i = 0; i < table.size(); ++i) {
        positions[table[i].product].push_back(i);
    }
    for (int32_t product : kDatabaseProducts) {
        ASSERT_TRUE(positions.count(product)) << "no entry for " << product;
    }
    for (const auto& [product, where] : positions) {
        EXPECT_NE(std::find(std::begin(kDatabaseProducts), std::end(kDatabaseProducts), product),
                  std::end(kDatabaseProducts))
            << "entry for a product the database does not list: " << product;
        EXPECT_EQ(where.back() - where.front() + 1, where.size()) << "entries of " << product << " are split";
    }
}

TEST(HardwareTable, EntriesNameTheirProductAndOem) {
    std::set<std::string> names;
    std::set<std::pair<uint32_t, uint32_t>> identities;
    for (const HardwareEntry& entry : HardwareTable()) {
        ASSERT_NE(entry.name, nullptr);
        const std::string name = entry.name;
        EXPECT_NE(OemName(entry.oemIndex), "Error") << name;
        EXPECT_EQ(name, ModelCode(entry.product) + "_" + OemName(entry.oemIndex));
        EXPECT_TRUE(names.insert(name).second) << "duplicate name " << name;
        EXPECT_EQ(entry.reserved, 0) << name;
        EXPECT_NE(entry.vidPid >> 16, 0u) << name;
        EXPECT_NE(entry.vidPid & 0xFFFF, 0u) << name;
        EXPECT_TRUE(identities.insert({entry.vidPid, entry.subsystem}).second)
            << "two entries share the hardware identity of " << name;
    }
}

TEST(HardwareTable, UsbAndPciIdentitiesAreConsistent) {
    // Products of one vendor id share one bus: PCI entries carry a subsystem, USB entries none.
    std::map<uint32_t, bool> busHasSubsystem;
    for (const HardwareEntry& entry : HardwareTable()) {
        const uint32_t vendor = entry.vidPid >> 16;
        const bool hasSubsystem = entry.subsystem != 0;
        auto [it, inserted] = busHasSubsystem.emplace(vendor, hasSubsystem);
        EXPECT_EQ(it->second, hasSubsystem) << entry.name;
    }
    EXPECT_EQ(busHasSubsystem.size(), 2u);
    // Variants of a PCI product differ only in the subsystem.
    const auto table = HardwareTable();
    for (size_t i = 1; i < table.size(); ++i) {
        if (table[i].product == table[i - 1].product && table[i].subsystem != 0) {
            EXPECT_EQ(table[i].vidPid, table[i - 1].vidPid) << table[i].name;
        }
    }
}

TEST(HardwareTable, FlagsMatchTheProductDefaults) {
    int32_t variant = 0;
    int32_t previousProduct = -1;
    for (const HardwareEntry& entry : HardwareTable()) {
        variant = entry.product == previousProduct ? variant + 1 : 0;
        previousProduct = entry.product;
        const int32_t p = entry.product;
        auto bit = [](int32_t on, uint8_t mask) { return static_cast<uint8_t>(on ? mask : 0); };
        const uint8_t flags1 = bit(SoundCardAudioDefault(p), kHwSoundCardAudio) |
                               bit(UsbPciAudioDefault(p), kHwUsbPciAudio) |
                               bit(HasInput(p, CapDvbt), kHwDvbt) | bit(HasInput(p, CapTuner), kHwTuner) |
                               bit(HasInput(p, CapAtsc), kHwAtsc) | bit(HasInput(p, CapDvbt2), kHwDvbt2);
        const uint8_t flags2 = bit(HasInput(p, CapFm), kHwFm) | bit(HasInput(p, CapAv1), kHwAv1) |
                               bit(HasInput(p, CapAv2), kHwAv2) | bit(HasInput(p, CapSvhs1), kHwSvhs1) |
                               bit(HasInput(p, CapSvhs2), kHwSvhs2);
        EXPECT_EQ(entry.flags1, flags1) << entry.name;
        EXPECT_EQ(entry.flags2, flags2) << entry.name;
        EXPECT_EQ(entry.eeprom, bit(EepromCheckDefault(p, variant), kHwEepromCheck)) << entry.name;
        // Every product of the family has at least one way in.
        EXPECT_NE((entry.flags1 & (kHwTuner | kHwDvbt)) | entry.flags2, 0) << entry.name;
    }
}

TEST(HardwareTable, DigitalOnlyProductsCarryTheDvbtBit) {
    for (const HardwareEntry& entry : HardwareTable()) {
        if (entry.product == 310 || entry.product == 370 || entry.product == 770 || entry.product == 870) {
            EXPECT_EQ(entry.flags1, kHwDvbt) << entry.name;
            EXPECT_EQ(entry.flags2, 0) << entry.name;
        }
    }
}

}  // namespace
