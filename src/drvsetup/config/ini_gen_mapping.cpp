#include "drvsetup/config/ini_gen_mapping.h"

#include <array>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/ini_gen_files.h"
#include "drvsetup/config/reg_data.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/setup_key_table.h"
#include "drvsetup/device/product_tables.h"
#include "drvsetup/device/tuner_db.h"
#include "drvsetup/shell/framework_int.h"
#include "drvsetup/shell/text_tools.h"
#include "platform/paths.h"

namespace drvsetup {

namespace {

constexpr ControlKind T = ControlKind::Text;
constexpr ControlKind C = ControlKind::Check;

constexpr MappedControl kGeneratorPage[] = {
    {"mainFormCaptionEdit", "MainFormCaption", T},
    {"groupBoxCaptionEdit", "ProductBoxCaption", T},
    {"installButtonEdit", "IinstallButtonName", T},
    {"cmdLineParamEdit", "CmdLineParameter", T},
    {"uninstallButtonEdit", "UnIinstallButtonName", T},
    {"exitButtonEdit", "ExitButtonName", T},
    {"installCompleteMsgEdit", "InstallCompleteMsg", T},
    {"unInstallCompleteMsgEdit", "UnInstallCompleteMsg", T},
    {"restartPcEdit", "RestartPcMsg", T},
    {"okButtonEdit", "OKButton", T},
    {"restartButtonEdit", "RestartButton", T},
    {"cancelButtonEdit", "CancelButton", T},
    {"connectHwMsgEdit", "ConnectHardwareString", T},
    {"unConnectHwMsgEdit", "UnConnectHardwareString", T},
    {"osVersionNeededEdit", "OsNeeded", T},
    {"xpShowRestartPcCheckBox", "ShowRestartPC", C},
};

constexpr MappedControl kShortcutPage[] = {
    {"ProductNameEdit", "ProductName", T},
    {"SetupTitleEdit", "SetupTitle", T},
    {"CompanyNameEdit", "CompanyName", T},
    {"FMApFeatureNameEdit", "FMApFeatureName", T},
    {"SimIrFeatureNameEdit", "SimIrFeatureName", T},
    {"ApplicationFeatureNameEdit", "ApplicationFeatureName", T},
    {"TestProgramFeatureNameEdit", "TestProgramFeatureName", T},
    {"WDMFeatureNameEdit", "WDMFeatureName", T},
    {"ShortCutFoldNameEdit", "ShortCutFoldName", T},
    {"ShortCutFM_RadioApNameEdit", "ShortCutFM_RadioApName", T},
    {"ShortCutSimIR_ApNameEdit", "ShortCutSimIR_ApName", T},
    {"ShortCutTvScheduleEdit", "ShortCutTvSchedule", T},
    {"ShortCutPlayerNameEdit", "ShortCutPlayerName", T},
    {"ShortCutVexaTestProgramNameEdit", "ShortCutVexaTestProgramName", T},
    {"ShortCutHelpNameEdit", "ShortCutHelpName", T},
    {"InstallDvdEncoderCheckBox", "InstallDvdEncoder", C},
    {"InstallVexaTestProgramCheckBox", "InstallVexaTestProgram", C},
    {"Install_FM_AP_CheckBox", "Install_FM_AP", C},
    {"InstallSimIrCheckBox", "Install_SimIR", C},
    {"vInstall_RestartCheckBox", "vInstall_Restart", C},
    {"vUnInstall_RestartCheckBox", "vUnInstall_Restart", C},
    {"xpRestartCheckBox", "xpRestart", C},
    {"_2kRestartCheckBox", "2kRestart", C},
    {"_98meRestartCheckBox", "98MeRestart", C},
};

constexpr MappedControl kAppSettingPage[] = {
    {"EnableUiSelectCheckBox", "EnableUiOutlookSelect", C},
    {"ShowAdvButtonCheckBox", "ShowAdvButton", C},
    {"AutoRecordFileNameCheckBox", "autoRecordFileName", C},
    {"AutoPlayCheckBox", "bAutoPlay", C},
    {"EnableTimeShiftCheckBox", "TimeShiftEnable", C},
    {"TimeShiftOnOff_DefaultCheckBox", "TimeShiftOnOff", C},
    {"rawDataUseDemuxCheckBox", "RawDataUseDemux", C},
    {"noTimeShiftWhenRecordingCheckBox", "noTimeShiftWhenRecording", C},
    {"MacroVisionCheckBox", "AutoDetectMacroVision", C},
    {"scanChLiveViewCheckBox", "ScanChLiveView", C},
    {"useTvFreqFileCheckBox", "UseTvFreqFile", C},
    {"tunerColorSysSelectCheckBox", "TUNER_Color_SelectEnable", C},
    {"avColorSysSelectCheckBox", "AV1_Color_SelectEnable", C},
    {"svhsColorSysSelectCheckBox", "SVHS1_Color_SelectEnable", C},
    {"recordOnlySaveTsCheckBox", "SaveTransportStream", C},
    {"scanChOkCheckBox", "ScanChOk", C},
    {"tunerBCSHEdit", "BCSH_TUNER", T},
    {"avBCSHEdit", "ParamID_BCSH_AV", T},
    {"svhsBCSHEdit", "ParamID_BCSH_SVHS", T},
};

constexpr MappedControl kProductPage[] = {
    {"vidPidDescriptionEdit", "hwVidPidDescription", T},
    {"hwSubSystemIdEdit", "hwSubSystemId", T},
    {"oemDescriptionEdit", "oemDescription", T},
    {"pcbVerDescriptionEdit", "pcbVerDescription", T},
    // Written before the main-chip choice, which then replaces it.
    {"mainChipsEdit", "MainChip1", T},
};

constexpr MappedControl kTestProgramPage[] = {
    {"downLoadFirmwareBeforeTestCheckBox", "DownLoadFirmwareBeforeTest", C},
    {"checkVsyncCheckBox", "TestCheckVsyncLock", C},
    {"testLR_SoundCheckBox", "TestLR_Sound", C},
    {"testMainChipsCheckBox", "TestMainChips", C},
    {"testAnalogNoiseLevelCheckBox", "TestAnalogNoiseLevel", C},
    {"stopTestIfError_CheckBox", "StopTestIfError", C},
    {"saveMpTestResult_CheckBox", "SaveMpTestResult", C},
    {"showFanSpeedCheckBox", "bShowFanSpeedTemperature", C},
    {"showTunerI2cCheckBox", "showTunerI2c", C},
    {"testEpromCheckBox", "testCheckEprom", C},
    {"soundCardAudioAvailableCheckBox", "SoundCardAudioAvailable", C},
    {"hwAudioAvailableCheckBox", "UsbPciAudioAvailable", C},
    {"tunerAvailableCheckBox", "TunerAvailable", C},
    {"dvbt1AvailableCheckBox", "DvbtAvailable", C},
    {"dvbt2AvailableCheckBox", "Dvbt2Available", C},
    {"atscAvailableCheckBox", "AtscAvailable", C},
    {"fmAvailableCheckBox", "FmAvailable", C},
    {"av1AvailableCheckBox", "Av1Available", C},
    {"svhs1AvailableCheckBox", "Svhs1Available", C},
    {"av2AvailableCheckBox", "Av2Available", C},
    {"svhs2AvailableCheckBox", "Svhs2Available", C},
    {"airCatvTestChEdit", "AirCatvTestCh", T},
    {"dvbtTestChEdit", "DvbtTestCh", T},
};

constexpr MappedControl kInfDataPage[] = {
    {"oemProductNameEdit", "OemProductName", T},
    {"system32FileFlagFileNameEdit", "System32FileFlagFileName", T},
};

constexpr RadioChoice kRemoteType[] = {
    {"ir0RadioButton", "Type 0", "0"}, {"ir1RadioButton", "Type 1", "1"}, {"ir2RadioButton", "Type 2", "2"},
    {"ir3RadioButton", "Type 3", "3"}, {"ir4RadioButton", "Type 4", "4"}, {"ir5RadioButton", "Type 5", "5"},
};
constexpr RadioChoice kRefClock[] = {
    {"clkDsDefaultRadioButton", "DirectShow Default", "6"},
    {"clkDemuxFilterRadioButton", "Demux Filter", "7"},
    {"clkAudioRenderRadioButton", "Audio Render", "8"},
    {"clkVexaRadioButton", "Vexa Reference Clock", "9"},
    // Shares the value of the one above, so a record never reads back as this choice.
    {"clkCaptureRadioButton", "Capture Source", "9"},
};
constexpr RadioChoice kOemCompany[] = {
    {"vexaRadioButton", "Default (Vexa)", "2"}, {"hpRadioButton", "HP", "13"},
    {"ioDataRadioButton", "IO-Data", "1"},      {"buffaloRadioButton", "Buffalo", "3"},
    {"sbv21RadioButton", "SBV21 Russia", "7"},  {"terratecRadioButton", "Terratec", "5"},
    {"bestDataRadioButton", "Best Data", "9"},  {"mitacRadioButton", "Mitac", "11"},
    {"pinnacleRadioButton", "Pinnacle", "14"},
};
constexpr RadioChoice kAudioSource[] = {
    {"audioSouceHwOnlyRadioButton", "Hardware Audio Only", "2"},
    {"audioSourceSoundCardOnlyRadioButton", "Sound Card Only", "1"},
    {"audioSourceSelectHwRadioButton", "Selectable, Hardware Audio", "4"},
    {"audioSourceSelectSoundCardRadioButton", "Selectable, Sound Card", "3"},
};
constexpr RadioChoice kVmrType[] = {
    {"noVmrRadioButton", "No VMR", "61"},
    {"vmr7WindowedRadioButton", "VMR7 Windowed", "71"},
    {"vmr7WindowlessRadioButton", "VMR7 Windowless", "70"},
    {"vmr9WindowedRadioButton", "VMR9 Windowed", "91"},
    {"vmr9WindowlessRadioButton", "VMR9 Windowless", "90"},
};
constexpr RadioChoice kTdPush[] = {
    {"tdPushPostDsMsgRadioButton", "Post DirectShow Message", "1"},
    {"tdPushAutoPauseRadioButton", "Auto Pause", "2"},
};
constexpr RadioChoice kTdPull[] = {
    {"tdPullPostMsgRadioButton", "Post Message", "1"},
    {"tdPullAutoPauseRadioButton", "Auto Pause", "2"},
};
constexpr RadioChoice kRemoteReceiver[] = {
    {"irNecRadioButton", "NEC", "1"},
    {"irRc5RadioButton", "RC5", "2"},
    {"irNotExistRadioButton", "Disable (By Sim IR)", "0"},
};
constexpr RadioChoice kEpromWriteMode[] = {
    {"testModeRadioButton", "Test Mode", "1"},
    {"qcModeRadioButton", "QC Mode", "0"},
};
constexpr RadioChoice kMts[] = {
    {"micronasMtsRadioButton", "Micronas", "0x88"},
    {"parasonicMtsRadioButton", "Parasonic", "0xB6"},
    {"noneMtsRadioButton", "None", "0"},
};

const RadioGroup kRemoteTypeGroup{"RemoteType", kRemoteType};
const RadioGroup kRefClockGroup{"RefClockSource", kRefClock};
const RadioGroup kOemCompanyGroup{"OemCompany", kOemCompany};
const RadioGroup kAudioSourceGroup{"AudioSourceSelection", kAudioSource};
const RadioGroup kVmrGroup{"ParamID_VMR_TYPE", kVmrType};
const RadioGroup kTdPushGroup{"tdPushFilterBufControlType", kTdPush};
const RadioGroup kTdPullGroup{"tdPullFilterBufControlType", kTdPull};
const RadioGroup kRemoteReceiverGroup{"RemoteReceiverIC", kRemoteReceiver};
const RadioGroup kEpromWriteModeGroup{"EpromWriteMode", kEpromWriteMode};
const RadioGroup kMtsGroup{"ParamID_QM101_MTS", kMts};

const RadioGroup kAppSettingGroups[] = {kRemoteTypeGroup, kRefClockGroup, kOemCompanyGroup, kAudioSourceGroup,
                                        kVmrGroup,        kTdPushGroup,   kTdPullGroup};

constexpr InfFamily kFamilies[] = {
    {20005, "XP32 Inf", "xp32", "Xp32", "driverXPPath32", "driverPathXp32Edit", "mediaPlayerXp32ExeEdit",
     "xp32PathButton", "mediaPlayerXp32Button"},
    {200052, "XP 64 Inf", "xp64", "Xp64", "driverXPPath64", "driverPathXp64Edit", "mediaPlayerXp64ExeEdit",
     "xp64PathButton", "mediaPlayerXp64Button"},
    {2000, "2K Inf", "_2k", "2K", "driver2000Path", "driverPath2kEdit", "mediaPlayer2kExeEdit",
     "_2kPathButton", "mediaPlayer2kButton"},
    {200632, "Vista32 Inf", "vista32", "Vista32", "driverPathVista32", "driverPathVista32Edit",
     "mediaPlayerVista32ExeEdit", "vista32PathButton", "mediaPlayerVista32Button"},
    {200664, "Vista64", "vista64", "Vista64", "driverPathVista64", "driverPathVista64Edit",
     "mediaPlayerVista64ExeEdit", "vista64PathButton", "mediaPlayerVistaButton"},
};

// The order in which the slots are written into the record.
constexpr int32_t kSlotWriteOrder[] = {200664, 200052, 2000, 200632, 20005};

constexpr int32_t kMtsProducts[] = {101, 701};
constexpr int32_t kEmpiaProduct = 701;
constexpr int32_t kNoAudioSourceProduct = 6801;
constexpr int32_t kDefaultTunerModel = 3028;
constexpr int32_t kDefaultVideoTestWait = 3000;

bool IsMtsProduct(int32_t product) {
    return product == kMtsProducts[0] || product == kMtsProducts[1];
}

std::string GetKey(const ApDrvInstall_HwSetting& view, std::string_view keyText) {
    const int32_t id = KeyIdOf(keyText);
    return id < 0 ? std::string() : view.GetValue(id);
}

void SetKey(ApDrvInstall_HwSetting& view, std::string_view keyText, const std::string& value) {
    if (const int32_t id = KeyIdOf(keyText); id >= 0) {
        view.SetValue(id, value);
    }
}

void WriteMapped(IGenControls& controls, ApDrvInstall_HwSetting& view, std::span<const MappedControl> table,
                 ControlKind kind) {
    for (const MappedControl& item : table) {
        if (item.kind != kind) {
            continue;
        }
        SetKey(view, item.key,
               kind == ControlKind::Text ? controls.Text(item.control)
                                         : std::string(controls.Checked(item.control) ? "1" : "0"));
    }
}

void WriteMapped(IGenControls& controls, ApDrvInstall_HwSetting& view, std::span<const MappedControl> table) {
    WriteMapped(controls, view, table, ControlKind::Text);
    WriteMapped(controls, view, table, ControlKind::Check);
}

void ReadMapped(IGenControls& controls, const ApDrvInstall_HwSetting& view,
                std::span<const MappedControl> table) {
    for (const MappedControl& item : table) {
        const std::string value = GetKey(view, item.key);
        if (item.kind == ControlKind::Text) {
            controls.SetText(item.control, value);
        } else {
            controls.SetChecked(item.control, value == "1");
        }
    }
}

// The value of the selected button; the key stays as it is when none is selected.
void WriteRadio(IGenControls& controls, ApDrvInstall_HwSetting& view, const RadioGroup& group) {
    for (const RadioChoice& choice : group.choices) {
        if (controls.Checked(choice.control)) {
            SetKey(view, group.key, choice.value);
            return;
        }
    }
}

// Selects the first button whose value is the key's; none when no button has it.
void ReadRadio(IGenControls& controls, const ApDrvInstall_HwSetting& view, const RadioGroup& group) {
    const std::string value = GetKey(view, group.key);
    bool selected = false;
    for (const RadioChoice& choice : group.choices) {
        const bool match = !selected && choice.value == value;
        controls.SetChecked(choice.control, match);
        selected = selected || match;
    }
}

void EnableRemoteTypes(IGenControls& controls, bool enabled) {
    for (const RadioChoice& choice : kRemoteType) {
        controls.SetEnabled(choice.control, enabled);
    }
}

void WriteRemoteReceiver(IGenControls& controls, ApDrvInstall_HwSetting& view) {
    std::string value("0");
    if (controls.Checked(kRemoteReceiver[0].control)) {
        value.assign(kRemoteReceiver[0].value);
    } else if (controls.Checked(kRemoteReceiver[1].control)) {
        value.assign(kRemoteReceiver[1].value);
    }
    SetKey(view, kRemoteReceiverGroup.key, value);
    EnableRemoteTypes(controls, value != "0");
}

std::string SlotKey(const char* kind, const InfFamily& family, int32_t slot) {
    std::string key(kind);
    key.append(family.keyInfix).append("_").append(std::to_string(slot));
    return key;
}

int32_t IndexOfChoice(const std::vector<GenChoice>& list, int32_t key) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].key == key) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

std::vector<std::string> ChoiceNames(const std::vector<GenChoice>& list) {
    std::vector<std::string> names;
    names.reserve(list.size());
    for (const GenChoice& choice : list) {
        names.push_back(choice.name);
    }
    return names;
}

std::vector<GenChoice> ChoicesOf(const SettingString& list) {
    std::vector<GenChoice> choices;
    for (int32_t i = 0; i < list.Count(); ++i) {
        choices.push_back({list.KeyAt(i), list.NameAt(i)});
    }
    return choices;
}

void WriteProductAndTestPages(IGenControls& controls, ApDrvInstall_HwSetting& view, GenChoiceLists& lists) {
    WriteMapped(controls, view, kProductPage);
    const int32_t tuner = controls.CurrentIndex("m_tunerModuleComboBox");
    if (tuner >= 0 && static_cast<size_t>(tuner) < lists.tuners.size()) {
        view.SetValue(key::TunerModal, std::to_string(lists.tuners[static_cast<size_t>(tuner)].key));
    }

    WriteMapped(controls, view, kTestProgramPage);
    const std::optional<int32_t> wait = ParseFrameworkInt(controls.Text("videoTestWaitTimeEdit"));
    SetKey(view, "VideoTestWaitTime", std::to_string(wait.value_or(kDefaultVideoTestWait)));
    const std::string testItem = controls.Text("testItemComboBox");
    for (const GenChoice& choice : lists.testItems) {
        if (choice.name == testItem) {
            SetKey(view, "TestItemId", std::to_string(choice.key));
            break;
        }
    }
    if (!lists.mainChips.empty()) {
        const std::string chipText = controls.Text("mainChip1ComboBox");
        int32_t chip = lists.mainChips.front().key;
        for (const GenChoice& choice : lists.mainChips) {
            if (choice.name == chipText) {
                chip = choice.key;
            }
        }
        SetKey(view, "MainChip1", std::to_string(chip));
    }
    SetKey(view, kEpromWriteModeGroup.key, controls.Checked(kEpromWriteMode[0].control) ? "1" : "0");

    const int32_t hardwareId = view.Record().GetHardwareID();
    if (IsMtsProduct(hardwareId)) {
        WriteRadio(controls, view, kMtsGroup);
    }
    if (hardwareId == kEmpiaProduct) {
        SetKey(view, "ParamID_EmpiaMceCompable", controls.Checked("empiaMceCompatibleCheckBox") ? "1" : "0");
        SetKey(view, "ParamID_EmpiaDeinterlace",
               controls.Checked("empiaDeinterlaceWeaveCheckBox") ? "1" : "2");
    }
}

void ReadProductAndTestPages(IGenControls& controls, ApDrvInstall_HwSetting& view, GenChoiceLists& lists) {
    ReadMapped(controls, view, kProductPage);
    const int32_t tuner = view.GetIntValue(key::TunerModal, kDefaultTunerModel);
    controls.SetCurrentIndex("m_tunerModuleComboBox", IndexOfChoice(lists.tuners, tuner));

    ReadMapped(controls, view, kTestProgramPage);
    controls.SetText("videoTestWaitTimeEdit", GetKey(view, "VideoTestWaitTime"));
    const int32_t testIndex = IndexOfChoice(lists.testItems, FrameworkIntOr(GetKey(view, "TestItemId"), -1));
    controls.SetCurrentIndex("testItemComboBox", testIndex < 0 && !lists.testItems.empty() ? 0 : testIndex);

    SettingString chips(std::nullopt, 0);
    AddMainChips(view.Record().GetHardwareID(), chips);
    lists.mainChips = ChoicesOf(chips);
    controls.SetItems("mainChip1ComboBox", ChoiceNames(lists.mainChips));
    const std::optional<int32_t> chip = ParseFrameworkInt(GetKey(view, "MainChip1"));
    controls.SetCurrentIndex("mainChip1ComboBox", chip ? IndexOfChoice(lists.mainChips, *chip) : -1);

    controls.SetChecked(kEpromWriteMode[0].control, GetKey(view, kEpromWriteModeGroup.key) == "1");
    controls.SetChecked(kEpromWriteMode[1].control, GetKey(view, kEpromWriteModeGroup.key) != "1");

    const int32_t product = view.GetIntValue(key::InstallDriver, 0);
    if (IsMtsProduct(product)) {
        ReadRadio(controls, view, kMtsGroup);
    }
    if (product == kEmpiaProduct) {
        controls.SetChecked("empiaMceCompatibleCheckBox", GetKey(view, "ParamID_EmpiaMceCompable") == "1");
        controls.SetChecked("empiaDeinterlaceWeaveCheckBox", GetKey(view, "ParamID_EmpiaDeinterlace") == "1");
    }
}

void WriteInfData(IGenControls& controls, ApDrvInstall_HwSetting& view) {
    for (const InfFamily& family : kFamilies) {
        view.SetMediaPlayerSetup(family.osCode, controls.Text(family.mediaPlayerEdit));
    }
    for (const InfFamily& family : kFamilies) {
        view.SetDriverFolder(family.osCode, controls.Text(family.driverPathEdit));
    }
    SetKey(view, "ShowRestartPC", controls.Checked("xpShowRestartPcCheckBox") ? "1" : "0");
    const std::string exeFolder = platform::ExecutableFolder();
    for (const int32_t code : kSlotWriteOrder) {
        const InfFamily& family = *FindInfFamily(code);
        for (int32_t slot = 0; slot < kInfSlots; ++slot) {
            view.SetInf(code, slot, exeFolder + view.GetDriverFolder(code),
                        controls.Text(InfNameEdit(family, slot)),
                        controls.Text(InfHwStringEdit(family, slot)),
                        controls.Text(InfServiceNameEdit(family, slot)));
        }
    }
    WriteMapped(controls, view, kInfDataPage);
    WriteMapped(controls, view, kGeneratorPage, ControlKind::Text);
    WriteMapped(controls, view, kShortcutPage, ControlKind::Text);
    WriteMapped(controls, view, ApInstallPageControls());
    WriteMapped(controls, view, kGeneratorPage, ControlKind::Check);
    WriteMapped(controls, view, kShortcutPage, ControlKind::Check);
    SetKey(view, "UseDPInstExe", controls.Checked("useDPInstCheckBox") ? "1" : "0");
}

void ReadInfData(IGenControls& controls, const ApDrvInstall_HwSetting& view) {
    for (const InfFamily& family : kFamilies) {
        controls.SetText(family.driverPathEdit, view.GetDriverFolder(family.osCode));
        controls.SetText(family.mediaPlayerEdit, view.GetMediaPlayerSetup(family.osCode));
        // The slots come from the keys rather than from the INF lists: the lists skip empty slots,
        // so their positions would move a later slot's names into an earlier slot's fields.
        for (int32_t slot = 0; slot < kInfSlots; ++slot) {
            controls.SetText(InfNameEdit(family, slot), GetKey(view, SlotKey("InfFileName", family, slot)));
            controls.SetText(InfHwStringEdit(family, slot),
                             std::string(TrimBlanks(GetKey(view, SlotKey("VidPidHwName", family, slot)))));
            controls.SetText(InfServiceNameEdit(family, slot),
                             std::string(TrimBlanks(GetKey(view, SlotKey("ServiceName", family, slot)))));
        }
    }
    ReadMapped(controls, view, kInfDataPage);
    ReadMapped(controls, view, kGeneratorPage);
    ReadMapped(controls, view, ApInstallPageControls());
    ReadMapped(controls, view, kShortcutPage);
    controls.SetChecked("useDPInstCheckBox", FrameworkIntOr(GetKey(view, "UseDPInstExe"), 0) != 0);
}

std::string FileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

std::span<const MappedControl> GeneratorPageControls() {
    return kGeneratorPage;
}
std::span<const MappedControl> ShortcutPageControls() {
    return kShortcutPage;
}
std::span<const MappedControl> AppSettingPageControls() {
    return kAppSettingPage;
}
std::span<const MappedControl> ProductPageControls() {
    return kProductPage;
}
std::span<const MappedControl> TestProgramPageControls() {
    return kTestProgramPage;
}
std::span<const MappedControl> InfDataPageControls() {
    return kInfDataPage;
}

const std::vector<MappedControl>& ApInstallPageControls() {
    // The names are made once and kept for the process, so the table can hand out plain pointers.
    static const std::vector<std::string> names = [] {
        std::vector<std::string> made;
        for (int32_t row = 0; row < kApRows; ++row) {
            const std::string n = std::to_string(row);
            for (const char* suffix : {"InstallEdit", "InstallParamEdit", "UnInstallEdit",
                                       "UnInstallParamEdit", "InstallTitleEdit"}) {
                made.push_back("ap" + n + suffix);
            }
            made.push_back("Ap" + n);
            made.push_back("Ap" + n + "Param");
            made.push_back("UnAp" + n);
            made.push_back("UnAp" + n + "Param");
            made.push_back("Ap" + n + "Title");
        }
        return made;
    }();
    static const std::vector<MappedControl> table = [] {
        std::vector<MappedControl> made;
        for (size_t row = 0; row < static_cast<size_t>(kApRows); ++row) {
            for (size_t i = 0; i < 5; ++i) {
                made.push_back(
                    {names[row * 10 + i].c_str(), names[row * 10 + 5 + i].c_str(), ControlKind::Text});
            }
        }
        return made;
    }();
    return table;
}

std::span<const RadioGroup> AppSettingRadioGroups() {
    return kAppSettingGroups;
}
const RadioGroup& RemoteReceiverGroup() {
    return kRemoteReceiverGroup;
}
const RadioGroup& EpromWriteModeGroup() {
    return kEpromWriteModeGroup;
}
const RadioGroup& MtsGroup() {
    return kMtsGroup;
}

std::span<const InfFamily> InfFamilies() {
    return kFamilies;
}

const InfFamily* FindInfFamily(int32_t osCode) {
    for (const InfFamily& family : kFamilies) {
        if (family.osCode == osCode) {
            return &family;
        }
    }
    return nullptr;
}

std::string InfNameEdit(const InfFamily& family, int32_t slot) {
    return std::string(family.prefix) + "InfName" + std::to_string(slot) + "Edit";
}
std::string InfHwStringEdit(const InfFamily& family, int32_t slot) {
    return std::string(family.prefix) + "Inf" + std::to_string(slot) + "_hwStringEdit";
}
std::string InfServiceNameEdit(const InfFamily& family, int32_t slot) {
    return std::string(family.prefix) + "ServiceName" + std::to_string(slot) + "_Edit";
}
std::string FindInfButton(const InfFamily& family, int32_t slot) {
    // The third slot's button has always been spelled this way; scripts find it by this name.
    return std::string(family.prefix) + "FindInf" + std::to_string(slot) + (slot == 2 ? "Buffon" : "Button");
}
std::string FindVidPidButton(const InfFamily& family, int32_t slot) {
    return std::string(family.prefix) + "FindVidPid" + std::to_string(slot) + "_Button";
}
std::string ApInstallButton(int32_t row) {
    return "ap" + std::to_string(row) + "InstallButton";
}
std::string ApUnInstallButton(int32_t row) {
    return "ap" + std::to_string(row) + "UnInstallButton";
}
std::string ApInstallEdit(int32_t row) {
    return "ap" + std::to_string(row) + "InstallEdit";
}
std::string ApUnInstallEdit(int32_t row) {
    return "ap" + std::to_string(row) + "UnInstallEdit";
}

int32_t KeyIdOf(std::string_view keyText) {
    const SetupKey* entry = FindSetupKeyByText(keyText);
    return entry != nullptr && OwnsIdentifier(*entry) ? entry->id : -1;
}

std::string InstallDriverIdText(bool dummyTicked, int32_t hardwareId) {
    return "vInstallTools   ID: " + std::to_string(dummyTicked ? kDummyProduct : hardwareId);
}

GenChoiceLists::GenChoiceLists() {
    SettingString tunerList(std::nullopt, kDefaultTunerModel);
    {
        GTuner_Db tunerDb;
        tunerDb.AddAllTuners(tunerList);
    }
    tuners = ChoicesOf(tunerList);
    SettingString testList(std::nullopt, 0);
    AddTestItems(testList);
    testItems = ChoicesOf(testList);
}

void WriteControlsToRecord(IGenControls& controls, ApDrvInstall_HwSetting& view, GenChoiceLists& lists) {
    const bool dummy = controls.Checked("dummyDrvInstallCheckBox");
    view.SetValue(key::InstallDriver, std::to_string(dummy ? kDummyProduct : view.Record().GetHardwareID()));

    WriteMapped(controls, view, kAppSettingPage, ControlKind::Check);
    WriteRadio(controls, view, kRemoteTypeGroup);
    WriteRadio(controls, view, kRefClockGroup);
    WriteRadio(controls, view, kOemCompanyGroup);
    WriteMapped(controls, view, kAppSettingPage, ControlKind::Text);
    WriteRadio(controls, view, kAudioSourceGroup);
    WriteRadio(controls, view, kVmrGroup);
    WriteRadio(controls, view, kTdPushGroup);
    WriteRadio(controls, view, kTdPullGroup);
    WriteRemoteReceiver(controls, view);

    WriteInfData(controls, view);
    WriteProductAndTestPages(controls, view, lists);
    // SetInf keeps the lists in step only slot by slot; the lists are made again from the keys so
    // that their positions follow the record once more.
    view.Rebuild();
}

void ReadRecordIntoControls(IGenControls& controls, ApDrvInstall_HwSetting& view, GenChoiceLists& lists) {
    const int32_t product = view.GetIntValue(key::InstallDriver, 0);
    controls.SetChecked("dummyDrvInstallCheckBox", product == kDummyProduct);
    controls.SetText("InstallDriverIDText",
                     InstallDriverIdText(product == kDummyProduct, view.Record().GetHardwareID()));
    const bool mts = IsMtsProduct(product);
    controls.SetEnabled("audioSourceGroupBox", product != kNoAudioSourceProduct);
    controls.SetEnabled("qm101GroupBox", mts);

    ReadProductAndTestPages(controls, view, lists);
    ReadInfData(controls, view);

    ReadMapped(controls, view, kAppSettingPage);
    for (const RadioGroup& group : kAppSettingGroups) {
        ReadRadio(controls, view, group);
    }
    ReadRadio(controls, view, kRemoteReceiverGroup);
    EnableRemoteTypes(controls, GetKey(view, kRemoteReceiverGroup.key) != "0");
}

void ApplyChosenInf(IGenControls& controls, ApDrvInstall_HwSetting& view, const InfFamily& family,
                    int32_t slot, const std::string& chosenPath) {
    const std::string name = FileNameOf(chosenPath);
    const std::string folder = FolderOf(chosenPath);
    const std::string relative = RelativeToExecutableFolder(folder);

    controls.SetText(InfNameEdit(family, slot), name);
    if (PerInfFile* inf = view.GetInf(family.osCode, slot); inf != nullptr) {
        inf->SetFileName(name);
    }
    controls.SetText(family.driverPathEdit, relative);
    SetKey(view, family.driverFolderKey, relative);
    for (const InfFamily& other : kFamilies) {
        if (&other != &family && controls.Text(other.driverPathEdit).empty()) {
            controls.SetText(other.driverPathEdit, relative);
            SetKey(view, other.driverFolderKey, relative);
        }
    }
    for (const InfFamily& other : kFamilies) {
        if (controls.Text(InfNameEdit(other, slot)).empty()) {
            controls.SetText(InfNameEdit(other, slot), name);
            view.SetInfFileName(other.osCode, slot, name);
        }
    }
    view.SetInfPath(family.osCode, slot, folder, name);
}

void ApplyChosenHardwareName(IGenControls& controls, ApDrvInstall_HwSetting& view, const InfFamily& family,
                             int32_t slot, const std::string& hardwareName) {
    controls.SetText(InfHwStringEdit(family, slot), hardwareName);
    for (const InfFamily& other : kFamilies) {
        if (&other != &family && controls.Text(InfHwStringEdit(other, slot)).empty()) {
            controls.SetText(InfHwStringEdit(other, slot), hardwareName);
        }
    }
    view.SetInfHwName(family.osCode, slot, controls.Text(InfHwStringEdit(family, slot)));
}

}  // namespace drvsetup
