#include "drvsetup/device/product_tables.h"

#include <algorithm>
#include <cstdio>

#include "drvsetup/config/reg_data.h"
#include "drvsetup/shell/os_tools.h"
#include "drvsetup/shell/text_tools.h"

namespace drvsetup {

namespace {

using Products = std::span<const int32_t>;

bool Contains(Products products, int32_t product) {
    return std::find(products.begin(), products.end(), product) != products.end();
}

struct ModelCodeRow {
    int32_t product;
    const char* code;
};

constexpr ModelCodeRow kModelCodes[] = {
    {101, "QM101"}, {111, "QM200"},  {112, "QM200Pro"}, {150, "KV150"},  {160, "KV160"},  {222, "QM200_PCI"},
    {301, "RX300"}, {302, "ZD300D"}, {310, "QM310"},    {330, "ZD330"},  {370, "ZD370"},  {400, "QM400"},
    {600, "KV600"}, {602, "KC602"},  {608, "QM600"},    {618, "QM618"},  {655, "QM655"},  {660, "QM660"},
    {670, "QM670"}, {680, "QM680"},  {700, "QM700"},    {701, "RX701"},  {718, "QM718"},  {720, "ZD720"},
    {770, "ZD770"}, {800, "QM800"},  {835, "QM835"},    {850, "QTxxx"},  {855, "NV_VGA"}, {870, "ZD870"},
    {880, "KV880"}, {881, "QT88x"},  {1000, "Dummy"},   {3001, "QM300"}, {6601, "RX660"}, {6801, "RX680"},
};

constexpr int32_t kWdmCapture[] = {101, 850, 855, 880};
constexpr int32_t kQm200[] = {111, 112, 222};
constexpr int32_t kQm800[] = {150, 160, 600, 608, 680, 800};
constexpr int32_t kRx300[] = {301};
constexpr int32_t kBda[] = {302, 310, 330, 370, 655, 670, 700, 701, 718, 720, 770, 870};
constexpr int32_t kQm400[] = {400};
constexpr int32_t kOsprey[] = {602, 618};
constexpr int32_t kQm660[] = {660};
constexpr int32_t kRx680[] = {835, 6801};
constexpr int32_t kQt88x[] = {881};
constexpr int32_t kQm300[] = {3001};
constexpr int32_t kRx660[] = {6601};

struct LibraryRow {
    Products products;
    const char* library;
};

constexpr LibraryRow kLibraries[] = {
    {kWdmCapture, "wdmCapture.dll"}, {kQm200, "qm200Src.dll"}, {kQm800, "qm800.dll"},
    {kRx300, "Rx300.dll"},           {kBda, "Bda_AD.dll"},     {kQm400, "qm400Dll.dll"},
    {kOsprey, "ospreyDll.dll"},      {kQm660, "qm660Dll.dll"}, {kRx680, "Rx680.dll"},
    {kQt88x, "Qt88xDll.dll"},        {kQm300, "Qm300.dll"},    {kRx660, "RX660.dll"},
};

struct OemRow {
    int32_t index;
    const char* name;
};

constexpr OemRow kOems[] = {
    {1, "IO_DATA"},  {2, "DEFAULT"}, {3, "BUFFALO"}, {5, "TERRATEC"},  {7, "SBV21"},
    {9, "BestData"}, {11, "MITAC"},  {13, "HP"},     {14, "PINNACLE"},
};

constexpr int32_t kNoTimeShift[] = {101, 310, 370, 655, 700, 770, 850, 855, 870, 881};
constexpr int32_t kSoundCardAudio[] = {101, 700, 701, 850, 855, 881};
constexpr int32_t kUsbPciAudio[] = {101, 655, 700, 701, 850, 855, 881, 3001};
constexpr int32_t kEepromCheck[] = {101, 301, 330, 600, 602, 608, 655,  670,  680, 700,
                                    701, 718, 720, 800, 835, 881, 3001, 6601, 6801};

// Inputs per product, first matching rule wins; an empty product list matches every product.
struct InputRule {
    Products products;
    Products capabilities;
};

constexpr int32_t kInP3001[] = {3001};
constexpr int32_t kInC3001[] = {CapAv1, CapSvhs1, CapDvbt};
constexpr int32_t kInPDvbtOnly[] = {301, 302, 330};
constexpr int32_t kInPHybrid[] = {655, 700};
constexpr int32_t kInCHybrid[] = {CapAv1, CapSvhs1, CapTuner, CapFm, CapDvbt};
// These four are DVB-T receivers (their hardware entries carry the DVB-T bit). Answering DVB-T alone
// keeps their records honest; an all-zero answer would make every record of them claim no input.
constexpr int32_t kInPZd[] = {310, 370, 770, 870};
constexpr int32_t kInCDvbt[] = {CapDvbt};
constexpr int32_t kInP718[] = {718};
constexpr int32_t kInC718[] = {CapAv1, CapSvhs1, CapTuner, CapAv2, CapSvhs2, CapFm, CapDvbt};
constexpr int32_t kInP701[] = {701, 720};
constexpr int32_t kInC701[] = {CapAv1, CapSvhs1, CapTuner, CapDvbt};
constexpr int32_t kInP835[] = {835};
constexpr int32_t kInC835[] = {CapAv1, CapSvhs1};
constexpr int32_t kInP881[] = {881};
constexpr int32_t kInC881[] = {CapAv1, CapSvhs1, CapTuner, CapFm};
constexpr int32_t kInCAnalog[] = {CapAv1, CapSvhs1, CapTuner};

constexpr InputRule kInputRules[] = {
    {kInP3001, kInC3001}, {kInPDvbtOnly, kInCDvbt}, {kInPHybrid, kInCHybrid},
    {kInPZd, kInCDvbt},   {kInP718, kInC718},       {kInP701, kInC701},
    {kInP835, kInC835},   {kInP881, kInC881},       {{}, kInCAnalog},
};

// Video bit rates, first matching row wins; an empty product list matches every product.
struct VideoRateRow {
    int32_t format;
    Products products;
    int32_t rate;
};

constexpr int32_t kLowRate[] = {111, 112};
constexpr int32_t kHighRate[] = {150, 160, 600, 602, 618, 660, 880};
// MPEG-2 is the one format where the QM400 joins the high rates.
constexpr int32_t kHighRateMpeg2[] = {150, 160, 400, 600, 602, 618, 660, 880};

// One line per format reads better than the packed layout.
// clang-format off
constexpr VideoRateRow kVideoRates[] = {
    {FormatVcd, {}, 460},
    {FormatSvcd, {}, 960},
    {FormatMpeg4, {}, 2000},
    {FormatMpeg1, kLowRate, 800},  {FormatMpeg1, kHighRate, 2000},      {FormatMpeg1, {}, 1600},
    {FormatMpeg2, kLowRate, 1600}, {FormatMpeg2, kHighRateMpeg2, 2400}, {FormatMpeg2, {}, 2000},
    {FormatDvd, kLowRate, 1600},   {FormatDvd, kHighRate, 2400},        {FormatDvd, {}, 2000},
};
// clang-format on

struct FormatRow {
    int32_t format;
    int32_t audioBitRate;
    int32_t ntsc;
    int32_t pal;
    int32_t audioSampleRate;
};

constexpr FormatRow kFormats[] = {
    {FormatVcd, 11, 352240, 352288, 0},   {FormatSvcd, 11, 480480, 480576, 0},
    {FormatMpeg2, 11, 720480, 720576, 0}, {FormatMpeg1, 11, 352240, 352288, 0},
    {FormatDvd, 11, 720480, 720576, 1},   {FormatMpeg4, 11, 320240, 352288, 0},
};

constexpr FormatRow kUnknownFormat = {-1, 0, 0, 0, 0};

const FormatRow& FormatDefaults(int32_t format) {
    for (const FormatRow& row : kFormats) {
        if (row.format == format) {
            return row;
        }
    }
    return kUnknownFormat;
}

struct Choice {
    int32_t key;
    const char* name;
};

constexpr int32_t kChipsP101[] = {101};
constexpr Choice kChips101[] = {{2820, "2820"}, {2830, "2830"}, {2840, "2840"},
                                {2860, "2860"}, {2870, "2870"}, {2880, "2880"}};
constexpr int32_t kChipsP701[] = {701, 6801};
constexpr Choice kChips701[] = {{2860, "2860"}, {2870, "2870"}, {2880, "2880"}};
constexpr int32_t kChipsPZd[] = {310, 370, 770, 870};
constexpr Choice kChipsZd[] = {{7700, "7700"}};
constexpr int32_t kChipsP602[] = {602};
constexpr Choice kChips602[] = {{84323, "843_23"}, {84324, "843_24Z"}};

struct ChipRow {
    Products products;
    std::span<const Choice> chips;
};

constexpr ChipRow kMainChips[] = {
    {kChipsP101, kChips101}, {kChipsP701, kChips701}, {kChipsPZd, kChipsZd}, {kChipsP602, kChips602}};

constexpr Choice kTestItems[] = {
    {33333, "Mass Production Test 1"}, {33334, "Mass Production Test 2"}, {33335, "Mass Production Test 3"},
    {33336, "Tuner Quality Test"},     {43339, "DVBT Field Test"},        {33339, "DVBT Quality Test"},
    {33340, "TV Systems Test"},
};

// Choices of these lists carry no value of their own and start enabled.
void AddChoices(std::span<const Choice> choices, SettingString& list) {
    for (const Choice& choice : choices) {
        list.Add(choice.key, choice.name, 0, 1);
    }
}

constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV"};

}  // namespace

std::string ModelCode(int32_t product) {
    for (const ModelCodeRow& row : kModelCodes) {
        if (row.product == product) {
            return row.code;
        }
    }
    return "Error";
}

std::string ProductLibrary(int32_t product) {
    for (const LibraryRow& row : kLibraries) {
        if (Contains(row.products, product)) {
            return row.library;
        }
    }
    return "Error";
}

std::string OemName(int32_t oemIndex) {
    for (const OemRow& row : kOems) {
        if (row.index == oemIndex) {
            return row.name;
        }
    }
    return "Error";
}

int32_t TimeShiftDefault(int32_t product) {
    return Contains(kNoTimeShift, product) ? 0 : 1;
}

int32_t SoundCardAudioDefault(int32_t product) {
    return Contains(kSoundCardAudio, product) ? 1 : 0;
}

int32_t UsbPciAudioDefault(int32_t product) {
    return Contains(kUsbPciAudio, product) ? 1 : 0;
}

int32_t HasInput(int32_t product, int32_t capability) {
    for (const InputRule& rule : kInputRules) {
        if (rule.products.empty() || Contains(rule.products, product)) {
            return Contains(rule.capabilities, capability) ? 1 : 0;
        }
    }
    return 0;
}

int32_t EepromCheckDefault(int32_t product, int32_t variant) {
    // Variant 1 of the QM835 is built without the EEPROM the check reads.
    if (product == 835 && variant == 1) {
        return 0;
    }
    return Contains(kEepromCheck, product) ? 1 : 0;
}

int32_t VmrTypeDefault(int32_t osCode) {
    // The Windows 9x family and Windows 2000 only have the older mixing renderer.
    switch (osCode) {
        case OsWin98:
        case OsWin98SE:
        case OsWin2000:
        case OsWinMe:
            return 61;
        default:
            return 71;
    }
}

int32_t VideoBitRateDefault(int32_t product, int32_t format) {
    for (const VideoRateRow& row : kVideoRates) {
        if (row.format == format && (row.products.empty() || Contains(row.products, product))) {
            return row.rate;
        }
    }
    return 0;
}

int32_t AudioBitRateDefault(int32_t format) {
    return FormatDefaults(format).audioBitRate;
}

int32_t NtscResolutionDefault(int32_t format) {
    return FormatDefaults(format).ntsc;
}

int32_t PalResolutionDefault(int32_t format) {
    return FormatDefaults(format).pal;
}

int32_t AudioSampleRateDefault(int32_t format) {
    return FormatDefaults(format).audioSampleRate;
}

int32_t VbrCbrDefault(int32_t /*format*/) {
    return 0;
}

int32_t AddMainChips(int32_t product, SettingString& list) {
    for (const ChipRow& row : kMainChips) {
        if (Contains(row.products, product)) {
            AddChoices(row.chips, list);
            break;
        }
    }
    return list.Count();
}

bool AddTestItems(SettingString& list) {
    AddChoices(kTestItems, list);
    return true;
}

std::span<const HardwareEntry> HardwareTable() {
    int32_t count = 0;
    const HardwareEntry* table = HardwareTable(count);
    return {table, static_cast<size_t>(count)};
}

std::string BuildDateCode(std::string_view dateText) {
    std::string text(dateText);
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }

    int month = 12;
    for (int i = 0; i < static_cast<int>(std::size(kMonths)); ++i) {
        if (text.find(kMonths[i]) != std::string::npos) {
            month = i + 1;
            break;
        }
    }

    int year = 2011;
    for (int y = 0; y <= 10; ++y) {
        char pattern[8];
        std::snprintf(pattern, sizeof pattern, "%3.3d", y);
        if (text.find(pattern) != std::string::npos) {
            year = 2000 + y;
            break;
        }
    }

    // A text without a day keeps day 0, which no real date has, so such a code is recognisable.
    int day = 0;
    for (int d = 1; d <= 31 && day == 0; ++d) {
        char pattern[8];
        std::snprintf(pattern, sizeof pattern, " %d ", d);
        if (text.find(pattern) != std::string::npos) {
            day = d;
        } else if (d < 10) {
            std::snprintf(pattern, sizeof pattern, " 0%d ", d);
            if (text.find(pattern) != std::string::npos) {
                day = d;
            }
        }
    }

    char code[16];
    std::snprintf(code, sizeof code, "%2.2d%2.2d%2.2d", year % 100, month, day);
    return code;
}

int32_t SplitText(std::string_view text, std::vector<std::string>& list, char separator) {
    list.clear();
    // Walking up to one separator past the end closes the last piece like any other.
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != separator) {
            continue;
        }
        list.emplace_back(TrimBlanks(text.substr(start, i - start)));
        start = i + 1;
    }
    return static_cast<int32_t>(list.size());
}

}  // namespace drvsetup
