#include "drvsetup/config/setup_key_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "drvsetup/shell/os_tools.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace {

using drvsetup::DefaultValue;
using drvsetup::FindSetupKey;
using drvsetup::FindSetupKeyByText;
using drvsetup::OwnsIdentifier;
using drvsetup::SetupKey;
using drvsetup::SetupKeyTable;

constexpr size_t kNotFound = static_cast<size_t>(-1);

size_t Position(std::string_view key) {
    const auto table = SetupKeyTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (key == table[i].key) {
            return i;
        }
    }
    return kNotFound;
}

// Nothing for a key the table lacks, so a missing key fails the comparison instead of crashing.
std::optional<std::string> Default(std::string_view key, int32_t product) {
    const SetupKey* entry = FindSetupKeyByText(key);
    return entry == nullptr ? std::optional<std::string>("<missing key>") : DefaultValue(*entry, product);
}

const std::optional<std::string> kEmpty;

struct KeyCase {
    const char* key;
    int32_t id;
    int32_t keyClass;
    std::optional<std::string> value;  // default for product 101
};

void ExpectKeys(const std::vector<KeyCase>& cases) {
    for (const KeyCase& c : cases) {
        const SetupKey* entry = FindSetupKeyByText(c.key);
        ASSERT_NE(entry, nullptr) << c.key;
        EXPECT_EQ(entry->id, c.id) << c.key;
        EXPECT_EQ(entry->keyClass, c.keyClass) << c.key;
        EXPECT_EQ(DefaultValue(*entry, 101), c.value) << c.key;
    }
}

TEST(SetupKeyTable, SizeSlotsAndClasses) {
    const auto table = SetupKeyTable();
    ASSERT_EQ(table.size(), 406u);

    std::set<int32_t> ids;
    std::set<std::string> keys;
    std::map<int32_t, int> classes;
    for (const SetupKey& entry : table) {
        ids.insert(entry.id);
        keys.insert(entry.key);
        ++classes[entry.keyClass];
    }
    EXPECT_EQ(ids.size(), 404u);
    EXPECT_EQ(keys.size(), 406u) << "a key text is listed twice";
    const std::map<int32_t, int> expected = {{0, 144},
                                             {1, 43},
                                             {2, 2},
                                             {3, 21},
                                             {4, 1},
                                             {5, 67},
                                             {6, 3},
                                             {7, 5},
                                             {8, 25},
                                             {9, 36},
                                             {drvsetup::kInstallInfoClass, 59}};
    EXPECT_EQ(classes, expected);
}

TEST(SetupKeyTable, SharedIdentifiersBelongToTheFirstKey) {
    struct Shared {
        int32_t id;
        const char* owner;
        const char* other;
    };
    for (const Shared& s : {Shared{9888, "ATSC_Color", "DecoderColorType"},
                            Shared{9887000, "DVBT_Color2_Type", "DVBT_Color_SelectEnable"}}) {
        ASSERT_NE(FindSetupKey(s.id), nullptr) << s.id;
        EXPECT_STREQ(FindSetupKey(s.id)->key, s.owner);
        EXPECT_LT(Position(s.owner), Position(s.other)) << s.owner;
        const SetupKey* other = FindSetupKeyByText(s.other);
        ASSERT_NE(other, nullptr) << s.other;
        EXPECT_EQ(other->id, s.id);
        EXPECT_FALSE(OwnsIdentifier(*other)) << s.other;
        EXPECT_TRUE(OwnsIdentifier(*FindSetupKeyByText(s.owner))) << s.owner;
    }

    int owners = 0;
    for (const SetupKey& entry : SetupKeyTable()) {
        owners += OwnsIdentifier(entry) ? 1 : 0;
    }
    EXPECT_EQ(owners, 404);
}

TEST(SetupKeyTable, LookupsFindEveryEntryAndNothingElse) {
    for (const SetupKey& entry : SetupKeyTable()) {
        EXPECT_EQ(FindSetupKeyByText(entry.key), &entry) << entry.key;
        if (OwnsIdentifier(entry)) {
            EXPECT_EQ(FindSetupKey(entry.id), &entry) << entry.key;
        }
    }

    for (int32_t id : {0, -1, 9801, 9827, 10097, 10127, 98870001, std::numeric_limits<int32_t>::max(),
                       std::numeric_limits<int32_t>::min()}) {
        EXPECT_EQ(FindSetupKey(id), nullptr) << id;
    }
    const std::string withNul("GOPSizeTable\0", 13);
    for (std::string_view key :
         {std::string_view(), std::string_view("gopsizetable"), std::string_view("GOPSIZETABLE"),
          std::string_view(" GOPSizeTable"), std::string_view("GOPSizeTable "), std::string_view(withNul),
          std::string_view("GOPSizeTable=15"), std::string_view("[GOPSizeTable]"), std::string_view("Ap7"),
          std::string_view("InfFileNameXp32_6"), std::string_view("iinstallButtonName"),
          std::string_view("audioSamplingRateCapability"), std::string_view("\xff\xfe\x01")}) {
        EXPECT_EQ(FindSetupKeyByText(key), nullptr) << key;
    }
    EXPECT_EQ(FindSetupKeyByText(std::string(100000, 'A')), nullptr);
}

TEST(SetupKeyTable, SingleKeys) {
    ExpectKeys({
        {"GOPSizeTable", 9800, 1, "15"},
        {"itvcAudioOutputModeTable", 9806, 1, "6892"},
        {"noTimeShiftWhenRecording", 98161, 1, "0"},
        {"UsbSpeed", 9817, 1, "20"},
        {"SoftEncoderParamMpeg2", 9829, 1, "13398"},
        {"RecordFileName", 9830, 1, "c:\\RovuRecord\\Rec.mpg"},
        {"PauseFileName", 9831, 1, "c:\\RovuRecord\\SU0.mpg"},
        {"iEpgSite", 9834, 1, "index.htm"},
        {"RecordPathMode", 9835, 1, "200"},
        {"PrerollFilePath", 9836, 1, kEmpty},
        {"GopN_vcd", 9842, 1, "6"},
        {"GopN_dvd", 9846, 1, "15"},
        {"VideoSource", 9880, 2, kEmpty},
        {"DecoderColorType", 9888, 2, kEmpty},
        {"LocalAtscTunerSys", 99030, 3, kEmpty},
        {"TunerModal", 9905, 3, "3028"},
        {"AtscChSys", 99110, 3, kEmpty},
        {"HwCountryID", 9919, 3, kEmpty},
        {"autoRecordFileName", 9900, 5, "0"},
        {"VideoTestWaitTime", 9938, 5, "3000"},
        {"TestMainChips", 99390, 5, "0"},
        {"TestSignalQualityMax", 9943, 5, "0.0"},
        {"TestItemId", 9945, 5, "33333"},
        {"ScanChLiveView", 10004, 5, "0"},
        {"3D_Exist", 9969, 5, kEmpty},
        {"audioSamplingRateCapabilty", 9981, 5, kEmpty},
        {"Ui_Type", 9987, 5, "UI_KT_TYPE"},
        {"Ui_Name", 9988, 5, "UI_KT_TYPE|Professional Type"},
        {"NtscPalFormat", 9998, 4, kEmpty},
        {"ParamID_EmpiaDeinterlace", 10001, 6, "1"},
        {"alwaysOnTop", 9992, 5, "0"},
        {"bMute", 10009, 7, kEmpty},
        {"mpeg2VideoDecoderGuid", 10020, 0, kEmpty},
        {"V_HardwareSubID", 10024, 0, "0"},
        {"hwVidPidDescription", 10045, 0, "00000000"},
        {"oemDescription", 10046, 0, "Vexa"},
        {"pcbVerDescription", 10047, 0, "1.0"},
        {"MainFormCaption", 10048, 0, "DVD Encoder Installer"},
        {"IinstallButtonName", 10051, 0, "Install"},
        {"CmdLineParameter", 10052, 0, kEmpty},
        {"UnIinstallButtonName", 10053, 0, "Uninstall"},
        {"UnInstallCompleteMsg", 100550, 0, "UnInstall Complete"},
        {"RestartPcMsg", 10056, 0, "Restart PC ?"},
        {"RestartButton", 10058, 0, "OK"},
        {"ConnectHardwareString", 10060, 0, "Please plug %DEVICE% into USB port"},
        {"UnConnectHardwareString", 10061, 0, "Remove old driver, please unplug %DEVICE% from USB port"},
        {"OsNeeded", 10062, 0, "The Application need OS XP SP1 or above"},
        {"System32FileFlagFileName", 100630, 0, kEmpty},
        {"ProductName", 10065, 209, "Tivano"},
        {"ShortCutVexaTestProgramName", 10078, 209, "Tivano Test"},
        {"ShortCutAppSettingName", 10064, 209, "AppSetting"},
        {"98MeRestart", 10082, 209, "0"},
        {"InstallDvdEncoder", 10131, 209, "1"},
        {"Install_SimIR", 10134, 209, "1"},
        {"bEnableType", 10200, 0, "0"},
        {"ShowRestartPC", 10209, 0, "1"},
        {"vInstall_Restart", 100801, 0, "0"},
        {"vUnInstall_Restart", 100802, 0, "0"},
        {"tunerManufactureId", 10280, 0, "0"},
        {"hwSubSystemId", 10295, 0, "00000000"},
    });
}

TEST(SetupKeyTable, ProductDefaults) {
    const int32_t products[] = {101, 330, 718, 999};
    struct ProductCase {
        const char* key;
        int32_t id;
        int32_t keyClass;
        const char* values[4];  // for the products above
    };
    const ProductCase cases[] = {
        {"TimeShiftOnOff", 9825, 1, {"0", "1", "1", "1"}},
        {"TimeShiftEnable", 9826, 1, {"0", "1", "1", "1"}},
        {"UiCaption", 9833, 1, {"QM101", "ZD330", "QM718", "Error"}},
        {"WdmDllName", 9840, 1, {"wdmCapture.dll", "Bda_AD.dll", "Bda_AD.dll", "Error"}},
        {"OemProductName", 9933, 5, {"QM101", "ZD330", "QM718", "Error"}},
        {"testCheckEprom", 9948, 5, {"1", "1", "1", "0"}},
        {"SoundCardAudioAvailable", 9959, 5, {"1", "0", "0", "0"}},
        {"UsbPciAudioAvailable", 9960, 5, {"1", "0", "0", "0"}},
        {"TunerAvailable", 9961, 5, {"1", "0", "1", "1"}},
        {"DvbtAvailable", 9962, 5, {"0", "1", "1", "0"}},
        {"Dvbt2Available", 99621, 5, {"0", "0", "0", "0"}},
        {"AtscAvailable", 99670, 5, {"0", "0", "0", "0"}},
        {"FmAvailable", 9963, 5, {"0", "0", "1", "0"}},
        {"Av1Available", 9964, 5, {"1", "0", "1", "1"}},
        {"Svhs1Available", 9965, 5, {"1", "0", "1", "1"}},
        {"Av2Available", 9966, 5, {"0", "0", "1", "0"}},
        {"Svhs2Available", 9967, 5, {"0", "0", "1", "0"}},
        {"V_HardwareID", 10025, 0, {"101", "330", "718", "999"}},
        {"InstallDriver", 10210, 209, {"101", "330", "718", "999"}},
        {"setupItemID", 10201, 0, {"VEXA_QM101", "VEXA_ZD330", "VEXA_QM718", "VEXA_Error"}},
    };
    for (const ProductCase& c : cases) {
        const SetupKey* entry = FindSetupKeyByText(c.key);
        ASSERT_NE(entry, nullptr) << c.key;
        EXPECT_EQ(entry->id, c.id) << c.key;
        EXPECT_EQ(entry->keyClass, c.keyClass) << c.key;
        for (size_t i = 0; i < std::size(products); ++i) {
            EXPECT_EQ(DefaultValue(*entry, products[i]), c.values[i]) << c.key << " for " << products[i];
        }
    }
    // The placeholder product has a model code but no library.
    EXPECT_EQ(Default("setupItemID", 1000), "VEXA_Dummy");
    EXPECT_EQ(Default("WdmDllName", 1000), "Error");
}

TEST(SetupKeyTable, VmrTypeFollowsTheRunningSystem) {
    struct OsCase {
        const char* preset;
        const char* value;
    };
    for (const OsCase& c :
         {OsCase{"98", "61"}, OsCase{"98se", "61"}, OsCase{"me", "61"}, OsCase{"2000", "61"},
          OsCase{"xp", "71"}, OsCase{"xp64", "71"}, OsCase{"vista64", "71"}, OsCase{"win7", "71"}}) {
        kit_test::TempSystemRoot root;
        ASSERT_TRUE(platform::InitSystemRoot(root.path(), *platform::PresetConfig(c.preset)).ok())
            << c.preset;
        platform::UseSystemRoot(root.path());
        drvsetup::ResetOsCodeCacheForTesting();
        // The product plays no part.
        EXPECT_EQ(Default("ParamID_VMR_TYPE", 101), c.value) << c.preset;
        EXPECT_EQ(Default("ParamID_VMR_TYPE", 999), c.value) << c.preset;
    }
    drvsetup::ResetOsCodeCacheForTesting();
    ASSERT_NE(FindSetupKeyByText("ParamID_VMR_TYPE"), nullptr);
    EXPECT_EQ(FindSetupKeyByText("ParamID_VMR_TYPE")->id, 99540);
    EXPECT_EQ(FindSetupKeyByText("ParamID_VMR_TYPE")->keyClass, 5);
}

TEST(SetupKeyTable, FamilyKeys) {
    ExpectKeys({
        {"Mpeg1VideoBitRateTable", 985000, 9, "1600"},
        {"VcdVideoBitRateTable", 985050, 9, "460"},
        {"SvcdVideoBitRateTable", 985040, 9, "960"},
        {"Mpeg2VideoBitRateTable", 985010, 9, "2000"},
        {"Mpeg4VideoBitRateTable", 985020, 9, "2000"},
        {"DvdVideoBitRateTable", 985030, 9, "2000"},
        {"Mpeg1AudioBitRateTable", 985101, 9, "11"},
        {"Mpeg4AudioBitRateTable", 985121, 9, "11"},
        {"VcdNtscResolutionTable", 985252, 9, "352240"},
        {"SvcdNtscResolutionTable", 985242, 9, "480480"},
        {"Mpeg4NtscResolutionTable", 985222, 9, "320240"},
        {"DvdNtscResolutionTable", 985232, 9, "720480"},
        {"Mpeg4PalResolutionTable", 985323, 9, "352288"},
        {"SvcdPalResolutionTable", 985343, 9, "480576"},
        {"Mpeg2PalResolutionTable", 985313, 9, "720576"},
        {"AudioSampleRateMpeg1", 9860, 9, "0"},
        {"AudioSampleRateMpeg4Asf", 9864, 9, "0"},
        {"AudioSampleRateDVD", 9870, 9, "1"},
        {"VbrCbrTableMpeg1", 9861, 9, "0"},
        {"VbrCbrTableDVD", 9871, 9, "0"},
        {"AV1_Color", 9881, 8, kEmpty},
        {"DVBT2_Color", 98870, 8, kEmpty},
        {"ATSC_Color", 9888, 8, kEmpty},
        {"FM_Color_Type", 988600, 8, kEmpty},
        {"DVBT_Color2_Type", 9887000, 8, kEmpty},
        {"DVBT_Color2_SelectEnable", 98870000, 8, kEmpty},
        {"TUNER_Color_SelectEnable", 9885000, 8, "0"},
        {"driverPathVista32", 10202, 0, "Driver"},
        {"driverXPPath64", 10204, 0, "Driver"},
        {"driver98Path", 10208, 0, "Driver"},
        {"MediaPlayerSetupName_XP32", 102111, 0, kEmpty},
        {"MediaPlayerSetupName_2K", 102115, 0, kEmpty},
        {"InfFileNameVista32_0", 10215, 0, kEmpty},
        {"InfFileNameXp64_2", 10235, 0, kEmpty},
        {"InfFileNameVista64_5", 102336, 0, kEmpty},
        {"VidPidHwName2K_0", 10245, 0, kEmpty},
        {"VidPidHwNameVista64_1", 102573, 0, kEmpty},
        {"ServiceNameVista32_3", 102394, 0, kEmpty},
        {"ServiceName2K_5", 1024516, 0, kEmpty},
        {"ServiceNameVista64_5", 1025816, 0, kEmpty},
    });
}

TEST(SetupKeyTable, EncoderVideoRatesFollowTheProduct) {
    struct RateCase {
        const char* key;
        int32_t product;
        const char* value;
    };
    for (const RateCase& c :
         {RateCase{"Mpeg1VideoBitRateTable", 111, "800"}, RateCase{"Mpeg1VideoBitRateTable", 150, "2000"},
          RateCase{"Mpeg2VideoBitRateTable", 400, "2400"}, RateCase{"DvdVideoBitRateTable", 400, "2000"},
          RateCase{"DvdVideoBitRateTable", 112, "1600"}, RateCase{"VcdVideoBitRateTable", 111, "460"}}) {
        EXPECT_EQ(Default(c.key, c.product), c.value) << c.key << " for " << c.product;
    }
}

TEST(SetupKeyTable, LaunchKeys) {
    for (int32_t n = 0; n < 7; ++n) {
        const std::string index = std::to_string(n);
        struct LaunchCase {
            std::string key;
            int32_t id;
            std::optional<std::string> value;
        };
        const LaunchCase cases[] = {
            {std::string("Ap").append(index), 10083 + n, std::string("Ap").append(index)},
            {std::string("Ap").append(index).append("Param"), 10090 + n, kEmpty},
            {std::string("UnAp").append(index), 10100 + n, std::string("Ap").append(index)},
            {std::string("UnAp").append(index).append("Param"), 10107 + n, kEmpty},
            {std::string("Ap").append(index).append("Title"), 10120 + n,
             std::string("Application ").append(index)},
        };
        for (const LaunchCase& c : cases) {
            const SetupKey* entry = FindSetupKeyByText(c.key);
            ASSERT_NE(entry, nullptr) << c.key;
            EXPECT_EQ(entry->id, c.id) << c.key;
            EXPECT_EQ(entry->keyClass, drvsetup::kInstallInfoClass) << c.key;
            EXPECT_EQ(DefaultValue(*entry, 999), c.value) << c.key;
        }
    }
    EXPECT_EQ(Default("Ap3", 101), "Ap3");
    EXPECT_EQ(Default("UnAp4", 101), "Ap4");
    EXPECT_EQ(Default("Ap3Title", 101), "Application 3");
}

TEST(SetupKeyTable, FamiliesStandAfterTheirAnchors) {
    const auto table = SetupKeyTable();
    ASSERT_EQ(table.size(), 406u);
    EXPECT_STREQ(table.front().key, "GOPSizeTable");
    EXPECT_STREQ(table.back().key, "DVBT_Color2_SelectEnable");

    const std::pair<const char*, const char*> neighbours[] = {
        {"98MeRestart", "Ap0"},
        {"Ap6", "Ap0Param"},
        {"Ap6Title", "InstallDriver"},
        {"GopN_dvd", "Mpeg1VideoBitRateTable"},
        {"Mpeg1VideoBitRateTable", "VcdVideoBitRateTable"},
        {"DvdVideoBitRateTable", "Mpeg1AudioBitRateTable"},
        {"DvdPalResolutionTable", "AudioSampleRateMpeg1"},
        {"AudioSampleRateDVD", "VbrCbrTableMpeg1"},
        {"VbrCbrTableDVD", "VideoSource"},
        {"VideoSource", "AV1_Color"},
        {"DVBT_Color", "DVBT2_Color"},
        {"ATSC_Color", "DecoderColorType"},
        {"DecoderColorType", "LocalAirTunerSys"},
        {"setupItemID", "driverPathVista32"},
        {"driver98Path", "ShowRestartPC"},
        {"ShowRestartPC", "MediaPlayerSetupName_XP32"},
        {"MediaPlayerSetupName_2K", "InfFileNameVista32_0"},
        {"ServiceNameVista64_5", "vInstall_Restart"},
        {"hwSubSystemId", "AV1_Color_Type"},
        {"DVBT_Color2_Type", "AV1_Color_SelectEnable"},
    };
    for (const auto& [before, after] : neighbours) {
        const size_t at = Position(before);
        ASSERT_NE(at, kNotFound) << before;
        ASSERT_LT(at + 1, table.size()) << before;
        EXPECT_STREQ(table[at + 1].key, after) << "after " << before;
    }
}

TEST(SetupKeyTable, DriverPackageKeysRunKindByKindThenFamilyThenSlot) {
    const char* kinds[] = {"InfFileName", "VidPidHwName", "ServiceName"};
    const char* families[] = {"Vista32", "2K", "Xp32", "Xp64", "Vista64"};
    const auto table = SetupKeyTable();
    size_t at = Position("InfFileNameVista32_0");
    ASSERT_NE(at, kNotFound);
    for (const char* kind : kinds) {
        for (const char* family : families) {
            for (int n = 0; n < 6; ++n) {
                const std::string key =
                    std::string(kind).append(family).append("_").append(std::to_string(n));
                ASSERT_LT(at, table.size());
                EXPECT_EQ(table[at].key, key);
                EXPECT_EQ(table[at].keyClass, 0) << key;
                EXPECT_EQ(DefaultValue(table[at], 101), kEmpty) << key;
                ++at;
            }
        }
    }
}

TEST(SetupKeyTable, ColourKeyDefaults) {
    const std::set<std::string> zeroDefault = {"AV1_Color_SelectEnable", "SVHS1_Color_SelectEnable",
                                               "TUNER_Color_SelectEnable"};
    int colourKeys = 0;
    for (const SetupKey& entry : SetupKeyTable()) {
        if (entry.keyClass != 8) {
            continue;
        }
        ++colourKeys;
        const std::optional<std::string> expected =
            zeroDefault.count(entry.key) != 0 ? std::optional<std::string>("0") : kEmpty;
        EXPECT_EQ(DefaultValue(entry, 101), expected) << entry.key;
    }
    EXPECT_EQ(colourKeys, 25);
    for (const std::string& key : zeroDefault) {
        EXPECT_NE(FindSetupKeyByText(key), nullptr) << key;
    }
}

}  // namespace
