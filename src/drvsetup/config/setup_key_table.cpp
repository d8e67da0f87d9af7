#include "drvsetup/config/setup_key_table.h"

#include <cstring>
#include <deque>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "drvsetup/device/product_tables.h"
#include "drvsetup/shell/os_tools.h"

namespace drvsetup {

namespace {

constexpr size_t kTableSize = 406;

constexpr SetupKey Fixed(int32_t id, const char* key, int32_t keyClass, const char* text) {
    return {id, key, keyClass, DefaultRule::Text, text, 0};
}

constexpr SetupKey Blank(int32_t id, const char* key, int32_t keyClass) {
    return {id, key, keyClass, DefaultRule::Empty, "", 0};
}

constexpr SetupKey ByRule(int32_t id, const char* key, int32_t keyClass, DefaultRule rule, int32_t arg = 0) {
    return {id, key, keyClass, rule, "", arg};
}

// The keys that stand alone, in table order; KeyTable's constructor places the families between them.
// One key a line, so the table reads like the list of keys of the setup INI format.
// clang-format off
constexpr SetupKey kSingleKeys[] = {
    Fixed(9800, "GOPSizeTable", 1, "15"),
    Fixed(9802, "BitrateModeTable", 1, "0"),
    Fixed(9803, "OutputTypeTable", 1, "5"),
    Fixed(9804, "GOPStructureTable", 1, "2"),
    Fixed(9805, "VBIStandardTable", 1, "0"),
    Fixed(9806, "itvcAudioOutputModeTable", 1, "6892"),
    Fixed(9807, "MaxPauseTime", 1, "10"),
    Fixed(9808, "AudioVideoSplittered", 1, "0"),
    Fixed(9809, "SystemSpace", 1, "500"),
    Fixed(9810, "VideoWinWidth", 1, "720"),
    Fixed(9811, "VideoWinHeight", 1, "480"),
    Fixed(9812, "bAutoPlay", 1, "0"),
    Fixed(9813, "RefClockSource", 1, "8"),
    Fixed(9814, "ScanChOk", 1, "1"),
    Fixed(9815, "ResampleFilterType", 1, "1"),
    Fixed(9816, "RawDataUseDemux", 1, "1"),
    Fixed(98161, "noTimeShiftWhenRecording", 1, "0"),
    Fixed(9817, "UsbSpeed", 1, "20"),
    Fixed(9818, "NoiseReductionLevel", 1, "4"),
    Fixed(9819, "SoftCodec", 1, "0"),
    Fixed(9820, "Deinterlace", 1, "0"),
    Fixed(9821, "tdPullFilterBufControlType", 1, "1"),
    Fixed(9822, "tdPushFilterBufControlType", 1, "2"),
    Fixed(9823, "PlayFileMpegType", 1, "3"),
    Fixed(9824, "bSyncSourceChange", 1, "1"),
    ByRule(9825, "TimeShiftOnOff", 1, DefaultRule::TimeShift),
    ByRule(9826, "TimeShiftEnable", 1, DefaultRule::TimeShift),
    Fixed(9828, "SoftEncoderParamMpeg1", 1, "13398"),
    Fixed(9829, "SoftEncoderParamMpeg2", 1, "13398"),
    Fixed(9830, "RecordFileName", 1, "c:\\RovuRecord\\Rec.mpg"),
    Fixed(9831, "PauseFileName", 1, "c:\\RovuRecord\\SU0.mpg"),
    Fixed(9832, "PlayFileName", 1, "c:\\RovuRecord\\Rec.mpg"),
    ByRule(9833, "UiCaption", 1, DefaultRule::ModelCode),
    Fixed(9834, "iEpgSite", 1, "index.htm"),
    Fixed(9835, "RecordPathMode", 1, "200"),
    Blank(9836, "PrerollFilePath", 1),
    ByRule(9840, "WdmDllName", 1, DefaultRule::ProductLibrary),
    Fixed(9841, "PcBusInfo", 1, "0"),
    Fixed(9842, "GopN_vcd", 1, "6"),
    Fixed(9843, "GopN_mpeg1", 1, "6"),
    Fixed(9844, "GopN_svcd", 1, "15"),
    Fixed(9845, "GopN_mpeg2", 1, "15"),
    Fixed(9846, "GopN_dvd", 1, "15"),
    Blank(9880, "VideoSource", 2),
    Blank(9888, "DecoderColorType", 2),
    Blank(9901, "LocalAirTunerSys", 3),
    Blank(9902, "LocalCableTunerSys", 3),
    Blank(9903, "LocalDvbtTunerSys", 3),
    Blank(99030, "LocalAtscTunerSys", 3),
    Blank(9904, "LocalFmTunerSys", 3),
    Fixed(9905, "TunerModal", 3, "3028"),
    Blank(9906, "ChScanType", 3),
    Blank(9907, "AirChSys", 3),
    Blank(9908, "CatvChSys", 3),
    Blank(9909, "HrcChSys", 3),
    Blank(9910, "IrcChSys", 3),
    Blank(9911, "DvbtChSys", 3),
    Blank(99110, "AtscChSys", 3),
    Blank(9912, "FmChSys", 3),
    Blank(9913, "TvStereoSoundSystem", 3),
    Blank(9914, "TvMonoSoundSystem", 3),
    Blank(9915, "TunerModalTunerCableSys", 3),
    Blank(9916, "TunerModalTunerAirSys", 3),
    Blank(9917, "TunerSource", 3),
    Blank(9918, "AirCable", 3),
    Blank(9919, "HwCountryID", 3),
    Fixed(9900, "autoRecordFileName", 5, "0"),
    Blank(9931, "SoundEncoderSource", 5),
    Blank(9932, "SoundCaptureDevice", 5),
    ByRule(9933, "OemProductName", 5, DefaultRule::ModelCode),
    Fixed(9935, "RemoteType", 5, "2"),
    Fixed(9936, "EpromWriteMode", 5, "0"),
    Fixed(9937, "DownLoadFirmwareBeforeTest", 5, "0"),
    Fixed(9938, "VideoTestWaitTime", 5, "3000"),
    Fixed(9939, "TestLR_Sound", 5, "0"),
    Fixed(99390, "TestMainChips", 5, "0"),
    Fixed(99391, "TestAnalogNoiseLevel", 5, "0"),
    Fixed(9940, "TestSignalStrengthMin", 5, "0.0"),
    Fixed(9941, "TestSignalStrengthMax", 5, "0.0"),
    Fixed(9942, "TestSignalQualityMin", 5, "0.0"),
    Fixed(9943, "TestSignalQualityMax", 5, "0.0"),
    Fixed(9944, "SaveMpTestResult", 5, "0"),
    Fixed(9945, "TestItemId", 5, "33333"),
    Fixed(9946, "StopTestIfError", 5, "1"),
    Fixed(9947, "TestCheckVsyncLock", 5, "0"),
    ByRule(9948, "testCheckEprom", 5, DefaultRule::EepromCheck),
    Fixed(9949, "SaveTransportStream", 5, "0"),
    Fixed(9950, "OemCompany", 5, "2"),
    Fixed(9951, "EnableUiOutlookSelect", 5, "1"),
    Fixed(9952, "ShowAdvButton", 5, "1"),
    Fixed(9953, "RemoteReceiverIC", 5, "1"),
    Blank(9954, "AudioSourceSelection", 5),
    ByRule(99540, "ParamID_VMR_TYPE", 5, DefaultRule::VmrType),
    Fixed(9955, "NtscVideoWinMask", 5, "0"),
    Blank(9956, "ProductListOrder", 5),
    Blank(9957, "SaveGRF", 5),
    Fixed(9958, "PalVideoWinMask", 5, "0"),
    ByRule(9959, "SoundCardAudioAvailable", 5, DefaultRule::SoundCardAudio),
    ByRule(9960, "UsbPciAudioAvailable", 5, DefaultRule::UsbPciAudio),
    ByRule(9961, "TunerAvailable", 5, DefaultRule::HasInput, CapTuner),
    ByRule(9962, "DvbtAvailable", 5, DefaultRule::HasInput, CapDvbt),
    ByRule(99621, "Dvbt2Available", 5, DefaultRule::HasInput, CapDvbt2),
    ByRule(99670, "AtscAvailable", 5, DefaultRule::HasInput, CapAtsc),
    Fixed(10004, "ScanChLiveView", 5, "0"),
    ByRule(9963, "FmAvailable", 5, DefaultRule::HasInput, CapFm),
    ByRule(9964, "Av1Available", 5, DefaultRule::HasInput, CapAv1),
    ByRule(9965, "Svhs1Available", 5, DefaultRule::HasInput, CapSvhs1),
    ByRule(9966, "Av2Available", 5, DefaultRule::HasInput, CapAv2),
    ByRule(9967, "Svhs2Available", 5, DefaultRule::HasInput, CapSvhs2),
    Blank(9968, "MTS_Exist", 5),
    Blank(9969, "3D_Exist", 5),
    Blank(9970, "3D_Enable", 5),
    Blank(9971, "GR_Exist", 5),
    Blank(9972, "GR_Enable", 5),
    Fixed(9973, "AutoDetectMacroVision", 5, "1"),
    Blank(9974, "AutoDetectIR", 5),
    Blank(9975, "TvOutput", 5),
    Blank(9976, "MainChip1", 5),
    Blank(9977, "MainChip2", 5),
    Blank(9978, "MainChip3", 5),
    Blank(9979, "MainChip4", 5),
    Blank(9980, "videoDecoderChip", 5),
    Blank(9981, "audioSamplingRateCapabilty", 5),
    Blank(9982, "saa7114CrystalFreq", 5),
    Blank(9983, "onBoardMemorySize", 5),
    Blank(9984, "audioDigitizerInput", 5),
    Blank(9985, "audioDigitizerChip", 5),
    Fixed(9987, "Ui_Type", 5, "UI_KT_TYPE"),
    Fixed(9988, "Ui_Name", 5, "UI_KT_TYPE|Professional Type"),
    Blank(9989, "ProductModalData", 5),
    Blank(9990, "AirCatvTestCh", 5),
    Blank(9991, "DvbtTestCh", 5),
    Blank(9998, "NtscPalFormat", 4),
    Fixed(10000, "ParamID_QM101_MTS", 6, "0"),
    Fixed(10001, "ParamID_EmpiaDeinterlace", 6, "1"),
    Fixed(10002, "ParamID_EmpiaMceCompable", 6, "0"),
    Fixed(9992, "alwaysOnTop", 5, "0"),
    Blank(10005, "TREBLE", 7),
    Blank(10006, "BASS", 7),
    Blank(10007, "BALANCE", 7),
    Blank(10008, "VOLUME", 7),
    Blank(10009, "bMute", 7),
    Blank(10020, "mpeg2VideoDecoderGuid", 0),
    Blank(10021, "Mpeg2AudioDecoder", 0),
    Blank(10022, "Mpeg2Splitter", 0),
    Fixed(10024, "V_HardwareSubID", 0, "0"),
    ByRule(10025, "V_HardwareID", 0, DefaultRule::ProductNumber),
    Fixed(10026, "bInstallDrvSelected", 0, "0"),
    Fixed(10027, "bApSettingSelected", 0, "0"),
    Fixed(10029, "UseTvFreqFile", 0, "0"),
    Fixed(10030, "BCSH_TUNER", 0, "0"),
    Fixed(10031, "ParamID_BCSH_AV", 0, "0"),
    Fixed(10032, "ParamID_BCSH_SVHS", 0, "0"),
    Fixed(10035, "Db_Selected", 0, "0"),
    Fixed(10036, "DbHw_Selected", 0, "0"),
    Fixed(10037, "bShowFanSpeedTemperature", 0, "0"),
    Fixed(10039, "showTunerI2c", 0, "0"),
    Fixed(10045, "hwVidPidDescription", 0, "00000000"),
    Fixed(10046, "oemDescription", 0, "Vexa"),
    Fixed(10047, "pcbVerDescription", 0, "1.0"),
    Fixed(10048, "MainFormCaption", 0, "DVD Encoder Installer"),
    Fixed(10050, "ProductBoxCaption", 0, "Product Name"),
    Fixed(10051, "IinstallButtonName", 0, "Install"),
    Blank(10052, "CmdLineParameter", 0),
    Fixed(10053, "UnIinstallButtonName", 0, "Uninstall"),
    Fixed(10054, "ExitButtonName", 0, "Exit"),
    Fixed(10055, "InstallCompleteMsg", 0, "Install Complete"),
    Fixed(100550, "UnInstallCompleteMsg", 0, "UnInstall Complete"),
    Fixed(10056, "RestartPcMsg", 0, "Restart PC ?"),
    Fixed(10057, "OKButton", 0, "OK"),
    Fixed(10058, "RestartButton", 0, "OK"),
    Fixed(10059, "CancelButton", 0, "Cancel"),
    Fixed(10060, "ConnectHardwareString", 0, "Please plug %DEVICE% into USB port"),
    Fixed(10061, "UnConnectHardwareString", 0, "Remove old driver, please unplug %DEVICE% from USB port"),
    Fixed(10062, "OsNeeded", 0, "The Application need OS XP SP1 or above"),
    Fixed(10063, "UseDPInstExe", 0, "0"),
    Blank(100630, "System32FileFlagFileName", 0),
    Fixed(10065, "ProductName", 209, "Tivano"),
    Fixed(10066, "SetupTitle", 209, "Tivano"),
    Fixed(10067, "CompanyName", 209, "Vexa"),
    Fixed(10068, "FMApFeatureName", 209, "FM Application"),
    Fixed(10069, "SimIrFeatureName", 209, "IR Setting"),
    Fixed(10070, "ApplicationFeatureName", 209, "Tivano Application"),
    Fixed(10071, "TestProgramFeatureName", 209, "Test Program"),
    Fixed(10072, "WDMFeatureName", 209, "WDM Driver"),
    Fixed(10073, "ShortCutFoldName", 209, "Tivano"),
    Fixed(10074, "ShortCutFM_RadioApName", 209, "FM Radio"),
    Fixed(10075, "ShortCutSimIR_ApName", 209, "IR Setting"),
    Fixed(10076, "ShortCutTvSchedule", 209, "Tv Schedule"),
    Fixed(10077, "ShortCutPlayerName", 209, "Tivano Player"),
    Fixed(10078, "ShortCutVexaTestProgramName", 209, "Tivano Test"),
    Fixed(10079, "ShortCutHelpName", 209, "Help"),
    Fixed(10064, "ShortCutAppSettingName", 209, "AppSetting"),
    Fixed(10080, "xpRestart", 209, "0"),
    Fixed(10081, "2kRestart", 209, "0"),
    Fixed(10082, "98MeRestart", 209, "0"),
    ByRule(10210, "InstallDriver", 209, DefaultRule::ProductNumber),
    Fixed(10131, "InstallDvdEncoder", 209, "1"),
    Fixed(10132, "InstallVexaTestProgram", 209, "0"),
    Fixed(10133, "Install_FM_AP", 209, "1"),
    Fixed(10134, "Install_SimIR", 209, "1"),
    Fixed(10200, "bEnableType", 0, "0"),
    ByRule(10201, "setupItemID", 0, DefaultRule::SetupItemId),
    Fixed(10209, "ShowRestartPC", 0, "1"),
    Fixed(100801, "vInstall_Restart", 0, "0"),
    Fixed(100802, "vUnInstall_Restart", 0, "0"),
    Fixed(10280, "tunerManufactureId", 0, "0"),
    Fixed(10295, "hwSubSystemId", 0, "00000000"),
};
// clang-format on

// Colour keys of the inputs, class 8. The plain colour keys follow VideoSource; ATSC_Color must come
// before DecoderColorType so that it owns 9888.
// clang-format off
constexpr SetupKey kColourKeys[] = {
    Blank(9881, "AV1_Color", 8),
    Blank(9882, "AV2_Color", 8),
    Blank(9883, "SVHS1_Color", 8),
    Blank(9884, "SVHS2_Color", 8),
    Blank(9885, "TUNER_Color", 8),
    Blank(9886, "FM_Color", 8),
    Blank(9887, "DVBT_Color", 8),
    Blank(98870, "DVBT2_Color", 8),
    Blank(9888, "ATSC_Color", 8),
};

// The colour type and select-enable keys close the table, all type keys first and then all
// select-enable keys, each in input order. Only this order lets DVBT_Color2_Type come before
// DVBT_Color_SelectEnable and own 9887000.
constexpr SetupKey kColourTypeKeys[] = {
    Blank(988100, "AV1_Color_Type", 8),
    Blank(988200, "AV2_Color_Type", 8),
    Blank(988300, "SVHS1_Color_Type", 8),
    Blank(988400, "SVHS2_Color_Type", 8),
    Blank(988500, "TUNER_Color_Type", 8),
    Blank(988600, "FM_Color_Type", 8),
    Blank(988700, "DVBT_Color_Type", 8),
    Blank(9887000, "DVBT_Color2_Type", 8),
    Fixed(9881000, "AV1_Color_SelectEnable", 8, "0"),
    Blank(9882000, "AV2_Color_SelectEnable", 8),
    Fixed(9883000, "SVHS1_Color_SelectEnable", 8, "0"),
    Blank(9884000, "SVHS2_Color_SelectEnable", 8),
    Fixed(9885000, "TUNER_Color_SelectEnable", 8, "0"),
    Blank(9886000, "FM_Color_SelectEnable", 8),
    Blank(9887000, "DVBT_Color_SelectEnable", 8),
    Blank(98870000, "DVBT_Color2_SelectEnable", 8),
};

// Driver folders of the OS families, after setupItemID; the driver package set decides which one a
// running system uses.
constexpr SetupKey kDriverFolderKeys[] = {
    Fixed(10202, "driverPathVista32", 0, "Driver"),
    Fixed(10203, "driverPathVista64", 0, "Driver"),
    Fixed(10204, "driverXPPath64", 0, "Driver"),
    Fixed(10205, "driverXPPath32", 0, "Driver"),
    Fixed(10206, "driver2000Path", 0, "Driver"),
    Fixed(10207, "driverMePath", 0, "Driver"),
    Fixed(10208, "driver98Path", 0, "Driver"),
};

// Media-player setup programs of the OS families, after ShowRestartPC.
constexpr SetupKey kMediaPlayerKeys[] = {
    Blank(102111, "MediaPlayerSetupName_XP32", 0),
    Blank(102112, "MediaPlayerSetupName_XP64", 0),
    Blank(102113, "MediaPlayerSetupName_Vista32", 0),
    Blank(102114, "MediaPlayerSetupName_Vista64", 0),
    Blank(102115, "MediaPlayerSetupName_2K", 0),
};

// Sample rate and VBR/CBR choice per encoder format, class 9, after the encoder tables: all sample
// rate keys first and then all VBR/CBR keys, the same kind-by-kind order as the other families.
constexpr SetupKey kEncoderModeKeys[] = {
    Fixed(9860, "AudioSampleRateMpeg1", 9, "0"),
    Fixed(9862, "AudioSampleRateMpeg2", 9, "0"),
    Fixed(9864, "AudioSampleRateMpeg4Asf", 9, "0"),
    Fixed(9866, "AudioSampleRateVCD", 9, "0"),
    Fixed(9868, "AudioSampleRateSVCD", 9, "0"),
    Fixed(9870, "AudioSampleRateDVD", 9, "1"),
    Fixed(9861, "VbrCbrTableMpeg1", 9, "0"),
    Fixed(9863, "VbrCbrTableMpeg2", 9, "0"),
    Fixed(9865, "VbrCbrTableMpeg4Asf", 9, "0"),
    Fixed(9867, "VbrCbrTableVCD", 9, "0"),
    Fixed(9869, "VbrCbrTableSVCD", 9, "0"),
    Fixed(9871, "VbrCbrTableDVD", 9, "0"),
};
// clang-format on

// The encoder tables, class 9: one key per table kind and output format, the formats in column order.
struct EncoderFormat {
    const char* prefix;
    int32_t code;
};

constexpr EncoderFormat kEncoderFormats[] = {
    {"Mpeg1", FormatMpeg1}, {"Vcd", FormatVcd},     {"Svcd", FormatSvcd},
    {"Mpeg2", FormatMpeg2}, {"Mpeg4", FormatMpeg4}, {"Dvd", FormatDvd},
};

struct EncoderTable {
    const char* suffix;
    DefaultRule rule;
    int32_t ids[std::size(kEncoderFormats)];  // per format, in the order of kEncoderFormats
};

constexpr EncoderTable kEncoderTables[] = {
    {"VideoBitRateTable", DefaultRule::VideoBitRate, {985000, 985050, 985040, 985010, 985020, 985030}},
    {"AudioBitRateTable", DefaultRule::AudioBitRate, {985101, 985151, 985141, 985111, 985121, 985131}},
    {"NtscResolutionTable", DefaultRule::NtscResolution, {985202, 985252, 985242, 985212, 985222, 985232}},
    {"PalResolutionTable", DefaultRule::PalResolution, {985303, 985353, 985343, 985313, 985323, 985333}},
};

// Programs started after an install or uninstall, class 209, seven of each form.
struct LaunchForm {
    const char* prefix;
    const char* suffix;
    int32_t firstId;
    const char* defaultPrefix;  // the default is this followed by the index; none for an empty default
};

constexpr int32_t kLaunchCount = 7;

constexpr LaunchForm kLaunchForms[] = {
    {"Ap", "", 10083, "Ap"},
    {"Ap", "Param", 10090, nullptr},
    // An uninstall starts the same program as an install unless the setup INI says otherwise.
    {"UnAp", "", 10100, "Ap"},
    {"UnAp", "Param", 10107, nullptr},
    {"Ap", "Title", 10120, "Application "},
};

// Driver package keys, class 0, six slots per OS family.
constexpr int32_t kPackageSlots = 6;

constexpr const char* kPackageKinds[] = {"InfFileName", "VidPidHwName", "ServiceName"};

struct PackageFamily {
    const char* os;
    int32_t firstIds[std::size(kPackageKinds)];  // slot 0 of each kind, in the order of kPackageKinds
};

constexpr PackageFamily kPackageFamilies[] = {
    {"Vista32", {10215, 10239, 102391}},    {"2K", {10221, 10245, 1024511}},
    {"Xp32", {10227, 10251, 1025111}},      {"Xp64", {10233, 10257, 1025711}},
    {"Vista64", {102331, 102572, 1025811}},
};

// The whole table, built once, with its two indexes.
class KeyTable {
  public:
    KeyTable();
    KeyTable(const KeyTable&) = delete;
    KeyTable& operator=(const KeyTable&) = delete;

    std::span<const SetupKey> Entries() const { return entries_; }

    const SetupKey* FindId(int32_t id) const {
        auto it = byId_.find(id);
        return it == byId_.end() ? nullptr : it->second;
    }

    const SetupKey* FindText(std::string_view key) const {
        auto it = byText_.find(key);
        return it == byText_.end() ? nullptr : it->second;
    }

  private:
    void Add(std::span<const SetupKey> keys) { entries_.insert(entries_.end(), keys.begin(), keys.end()); }
    void AddGenerated(int32_t id, std::string key, int32_t keyClass, DefaultRule rule, std::string text,
                      int32_t arg);
    void AddEncoderTables();
    void AddLaunchKeys();
    void AddDriverPackages();

    // Generated key and default texts; a deque never moves its elements, so the pointers the entries
    // hold stay valid.
    std::deque<std::string> texts_;
    std::vector<SetupKey> entries_;
    std::unordered_map<int32_t, const SetupKey*> byId_;
    std::unordered_map<std::string_view, const SetupKey*> byText_;
};

KeyTable::KeyTable() {
    entries_.reserve(kTableSize);
    for (const SetupKey& key : kSingleKeys) {
        entries_.push_back(key);
        const std::string_view name(key.key);
        if (name == "GopN_dvd") {
            AddEncoderTables();
            Add(kEncoderModeKeys);
        } else if (name == "VideoSource") {
            Add(kColourKeys);
        } else if (name == "98MeRestart") {
            AddLaunchKeys();
        } else if (name == "setupItemID") {
            Add(kDriverFolderKeys);
        } else if (name == "ShowRestartPC") {
            // Where the driver package keys stand is not tied to any single key; they follow the
            // media-player keys, which keeps 10210 to 10262 together.
            Add(kMediaPlayerKeys);
            AddDriverPackages();
        } else if (name == "hwSubSystemId") {
            Add(kColourTypeKeys);
        }
    }

    // The entries no longer move, so the indexes may point into them. The first entry with an
    // identifier owns it.
    byId_.reserve(entries_.size());
    byText_.reserve(entries_.size());
    for (const SetupKey& key : entries_) {
        byId_.try_emplace(key.id, &key);
        byText_.try_emplace(key.key, &key);
    }
}

void KeyTable::AddGenerated(int32_t id, std::string key, int32_t keyClass, DefaultRule rule, std::string text,
                            int32_t arg) {
    const char* keyText = texts_.emplace_back(std::move(key)).c_str();
    const char* defaultText = texts_.emplace_back(std::move(text)).c_str();
    entries_.push_back({id, keyText, keyClass, rule, defaultText, arg});
}

// Kind by kind, each across the formats in column order, the way the other families are listed.
void KeyTable::AddEncoderTables() {
    for (const EncoderTable& table : kEncoderTables) {
        for (size_t f = 0; f < std::size(kEncoderFormats); ++f) {
            std::string key(kEncoderFormats[f].prefix);
            key += table.suffix;
            AddGenerated(table.ids[f], std::move(key), 9, table.rule, std::string(), kEncoderFormats[f].code);
        }
    }
}

// Form by form (all Ap<n>, then all Ap<n>Param, ...), which is also ascending identifier order.
void KeyTable::AddLaunchKeys() {
    for (const LaunchForm& form : kLaunchForms) {
        for (int32_t n = 0; n < kLaunchCount; ++n) {
            const std::string index = std::to_string(n);
            std::string key(form.prefix);
            key.append(index).append(form.suffix);
            if (form.defaultPrefix == nullptr) {
                AddGenerated(form.firstId + n, std::move(key), kInstallInfoClass, DefaultRule::Empty,
                             std::string(), 0);
            } else {
                std::string text(form.defaultPrefix);
                text += index;
                AddGenerated(form.firstId + n, std::move(key), kInstallInfoClass, DefaultRule::Text,
                             std::move(text), 0);
            }
        }
    }
}

// All INF keys, then all hardware-name keys, then all service keys; each in family order, slots
// ascending.
void KeyTable::AddDriverPackages() {
    for (size_t kind = 0; kind < std::size(kPackageKinds); ++kind) {
        for (const PackageFamily& family : kPackageFamilies) {
            for (int32_t n = 0; n < kPackageSlots; ++n) {
                std::string key(kPackageKinds[kind]);
                key.append(family.os).append("_").append(std::to_string(n));
                AddGenerated(family.firstIds[kind] + n, std::move(key), 0, DefaultRule::Empty, std::string(),
                             0);
            }
        }
    }
}

const KeyTable& TheTable() {
    static const KeyTable table;
    return table;
}

std::string Decimal(int32_t value) {
    return std::to_string(value);
}

}  // namespace

std::span<const SetupKey> SetupKeyTable() {
    return TheTable().Entries();
}

std::optional<std::string> DefaultValue(const SetupKey& key, int32_t product) {
    switch (key.rule) {
        case DefaultRule::Empty:
            return std::nullopt;
        case DefaultRule::Text:
            return std::string(key.text);
        case DefaultRule::ProductNumber:
            return Decimal(product);
        case DefaultRule::ModelCode:
            return ModelCode(product);
        case DefaultRule::SetupItemId: {
            std::string name("VEXA_");
            name += ModelCode(product);
            return name;
        }
        case DefaultRule::ProductLibrary:
            return ProductLibrary(product);
        case DefaultRule::TimeShift:
            return Decimal(TimeShiftDefault(product));
        case DefaultRule::SoundCardAudio:
            return Decimal(SoundCardAudioDefault(product));
        case DefaultRule::UsbPciAudio:
            return Decimal(UsbPciAudioDefault(product));
        case DefaultRule::HasInput:
            return Decimal(HasInput(product, key.arg));
        case DefaultRule::EepromCheck:
            return Decimal(EepromCheckDefault(product, -1));
        case DefaultRule::VmrType:
            return Decimal(VmrTypeDefault(GetOsCode()));
        case DefaultRule::VideoBitRate:
            return Decimal(VideoBitRateDefault(product, key.arg));
        case DefaultRule::AudioBitRate:
            return Decimal(AudioBitRateDefault(key.arg));
        case DefaultRule::NtscResolution:
            return Decimal(NtscResolutionDefault(key.arg));
        case DefaultRule::PalResolution:
            return Decimal(PalResolutionDefault(key.arg));
    }
    return std::nullopt;
}

const SetupKey* FindSetupKey(int32_t id) {
    return TheTable().FindId(id);
}

const SetupKey* FindSetupKeyByText(std::string_view key) {
    return TheTable().FindText(key);
}

bool OwnsIdentifier(const SetupKey& key) {
    const SetupKey* owner = FindSetupKey(key.id);
    return owner != nullptr && key.key != nullptr && std::strcmp(owner->key, key.key) == 0;
}

}  // namespace drvsetup
