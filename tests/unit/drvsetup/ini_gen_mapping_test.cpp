#include "drvsetup/config/ini_gen_mapping.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/setup_key_ids.h"
#include "support/kit_folder_test.h"

namespace {

using drvsetup::ApDrvInstall_HwSetting;
using drvsetup::GenChoiceLists;
using drvsetup::HwSettingIO;
using drvsetup::KeyIdOf;

// The window's controls as plain values: what the core writes into them is what it reads back.
class FakeControls : public drvsetup::IGenControls {
  public:
    struct Control {
        std::string text;
        bool checked = false;
        bool enabled = true;
        std::vector<std::string> items;
        int32_t index = -1;
    };

    std::string Text(std::string_view name) const override {
        auto it = controls.find(std::string(name));
        if (it == controls.end()) {
            return {};
        }
        const Control& c = it->second;
        if (!c.items.empty()) {
            return c.index >= 0 && static_cast<size_t>(c.index) < c.items.size()
                       ? c.items[static_cast<size_t>(c.index)]
                       : std::string();
        }
        return c.text;
    }
    void SetText(std::string_view name, const std::string& text) override {
        controls[std::string(name)].text = text;
    }
    bool Checked(std::string_view name) const override {
        auto it = controls.find(std::string(name));
        return it != controls.end() && it->second.checked;
    }
    void SetChecked(std::string_view name, bool checked) override {
        controls[std::string(name)].checked = checked;
    }
    void SetEnabled(std::string_view name, bool enabled) override {
        controls[std::string(name)].enabled = enabled;
    }
    void SetItems(std::string_view name, const std::vector<std::string>& items) override {
        controls[std::string(name)].items = items;
        controls[std::string(name)].index = -1;
    }
    int32_t CurrentIndex(std::string_view name) const override {
        auto it = controls.find(std::string(name));
        return it == controls.end() ? -1 : it->second.index;
    }
    void SetCurrentIndex(std::string_view name, int32_t index) override {
        controls[std::string(name)].index = index;
    }

    bool Enabled(const std::string& name) const {
        auto it = controls.find(name);
        return it == controls.end() || it->second.enabled;
    }

    std::map<std::string, Control> controls;
};

class IniGenMappingTest : public kit_test::KitFolderTest {
  protected:
    void SetUp() override {
        KitFolderTest::SetUp();
        UseSystem("xp");
    }

    static void Set(ApDrvInstall_HwSetting& view, const char* key, const std::string& value) {
        ASSERT_GE(KeyIdOf(key), 0) << key;
        view.SetValue(KeyIdOf(key), value);
    }
    static std::string Get(const ApDrvInstall_HwSetting& view, const char* key) {
        return view.GetValue(KeyIdOf(key));
    }

    GenChoiceLists lists_;
    FakeControls controls_;
};

TEST(IniGenTables, EveryControlNamesAKeyOfTheTableAndEveryNameIsUsedOnce) {
    std::set<std::string> names;
    auto check = [&](std::span<const drvsetup::MappedControl> table) {
        for (const drvsetup::MappedControl& item : table) {
            EXPECT_GE(KeyIdOf(item.key), 0) << item.key;
            EXPECT_TRUE(names.insert(item.control).second) << item.control;
        }
    };
    check(drvsetup::GeneratorPageControls());
    check(drvsetup::ShortcutPageControls());
    check(drvsetup::AppSettingPageControls());
    check(drvsetup::ProductPageControls());
    check(drvsetup::TestProgramPageControls());
    check(drvsetup::InfDataPageControls());
    check(drvsetup::ApInstallPageControls());
    EXPECT_EQ(drvsetup::ApInstallPageControls().size(), 35u);
    std::vector<drvsetup::RadioGroup> groups(drvsetup::AppSettingRadioGroups().begin(),
                                             drvsetup::AppSettingRadioGroups().end());
    groups.push_back(drvsetup::RemoteReceiverGroup());
    groups.push_back(drvsetup::EpromWriteModeGroup());
    groups.push_back(drvsetup::MtsGroup());
    for (const drvsetup::RadioGroup& group : groups) {
        EXPECT_GE(KeyIdOf(group.key), 0) << group.key;
        for (const drvsetup::RadioChoice& choice : group.choices) {
            EXPECT_TRUE(names.insert(choice.control).second) << choice.control;
        }
    }
    for (const drvsetup::InfFamily& family : drvsetup::InfFamilies()) {
        EXPECT_GE(KeyIdOf(family.driverFolderKey), 0) << family.driverFolderKey;
        for (int32_t slot = 0; slot < drvsetup::kInfSlots; ++slot) {
            EXPECT_TRUE(names.insert(drvsetup::InfNameEdit(family, slot)).second);
            EXPECT_TRUE(names.insert(drvsetup::FindInfButton(family, slot)).second);
        }
    }
}

TEST(IniGenTables, SlotControlNamesFollowTheFamilyPrefix) {
    const drvsetup::InfFamily& xp32 = *drvsetup::FindInfFamily(20005);
    EXPECT_EQ(drvsetup::InfNameEdit(xp32, 0), "xp32InfName0Edit");
    EXPECT_EQ(drvsetup::InfHwStringEdit(xp32, 0), "xp32Inf0_hwStringEdit");
    EXPECT_EQ(drvsetup::InfServiceNameEdit(xp32, 0), "xp32ServiceName0_Edit");
    EXPECT_EQ(drvsetup::FindInfButton(xp32, 0), "xp32FindInf0Button");
    EXPECT_EQ(drvsetup::FindInfButton(xp32, 2), "xp32FindInf2Buffon");
    EXPECT_EQ(drvsetup::FindVidPidButton(xp32, 0), "xp32FindVidPid0_Button");
    const drvsetup::InfFamily& w2k = *drvsetup::FindInfFamily(2000);
    EXPECT_EQ(drvsetup::InfNameEdit(w2k, 5), "_2kInfName5Edit");
    EXPECT_STREQ(drvsetup::FindInfFamily(200664)->mediaPlayerButton, "mediaPlayerVistaButton");
    EXPECT_EQ(drvsetup::FindInfFamily(95), nullptr);
}

TEST_F(IniGenMappingTest, RefClockSourceNineReadsBackAsTheVexaClock) {
    HwSettingIO record(718, 718);
    ApDrvInstall_HwSetting view(record);
    Set(view, "RefClockSource", "9");
    drvsetup::ReadRecordIntoControls(controls_, view, lists_);
    EXPECT_TRUE(controls_.Checked("clkVexaRadioButton"));
    EXPECT_FALSE(controls_.Checked("clkCaptureRadioButton"));

    // Choosing "Capture Source" writes the same value, which reads back as the Vexa clock again.
    controls_.SetChecked("clkVexaRadioButton", false);
    controls_.SetChecked("clkCaptureRadioButton", true);
    Set(view, "RefClockSource", "6");
    drvsetup::WriteControlsToRecord(controls_, view, lists_);
    EXPECT_EQ(Get(view, "RefClockSource"), "9");
}

TEST_F(IniGenMappingTest, RadioGroupWithoutMatchSelectsNothingAndLeavesTheKey) {
    HwSettingIO record(718, 718);
    ApDrvInstall_HwSetting view(record);
    Set(view, "OemCompany", "99");
    controls_.SetChecked("hpRadioButton", true);
    drvsetup::ReadRecordIntoControls(controls_, view, lists_);
    for (const drvsetup::RadioChoice& choice : drvsetup::AppSettingRadioGroups()[2].choices) {
        EXPECT_FALSE(controls_.Checked(choice.control)) << choice.control;
    }
    drvsetup::WriteControlsToRecord(controls_, view, lists_);
    EXPECT_EQ(Get(view, "OemCompany"), "99");
}

TEST_F(IniGenMappingTest, GroupsAreEnabledByProduct) {
    struct Case {
        int32_t product;
        bool audioSource;
        bool empia;
    };
    for (const Case& c :
         {Case{101, true, true}, Case{701, true, true}, Case{6801, false, false}, Case{718, true, false}}) {
        HwSettingIO record(c.product, c.product);
        ApDrvInstall_HwSetting view(record);
        FakeControls controls;
        drvsetup::ReadRecordIntoControls(controls, view, lists_);
        EXPECT_EQ(controls.Enabled("audioSourceGroupBox"), c.audioSource) << c.product;
        EXPECT_EQ(controls.Enabled("qm101GroupBox"), c.empia) << c.product;
    }
}

TEST_F(IniGenMappingTest, DummyDriverInstallWritesAndReadsProductThousand) {
    HwSettingIO record(718, 718);
    ApDrvInstall_HwSetting view(record);
    drvsetup::ReadRecordIntoControls(controls_, view, lists_);
    EXPECT_FALSE(controls_.Checked("dummyDrvInstallCheckBox"));
    EXPECT_EQ(controls_.Text("InstallDriverIDText"), "vInstallTools   ID: 718");

    controls_.SetChecked("dummyDrvInstallCheckBox", true);
    drvsetup::WriteControlsToRecord(controls_, view, lists_);
    EXPECT_EQ(view.GetValue(drvsetup::key::InstallDriver), "1000");
    drvsetup::ReadRecordIntoControls(controls_, view, lists_);
    EXPECT_TRUE(controls_.Checked("dummyDrvInstallCheckBox"));
    EXPECT_EQ(controls_.Text("InstallDriverIDText"), "vInstallTools   ID: 1000");

    controls_.SetChecked("dummyDrvInstallCheckBox", false);
    drvsetup::WriteControlsToRecord(controls_, view, lists_);
    EXPECT_EQ(view.GetValue(drvsetup::key::InstallDriver), "718");
}

TEST_F(IniGenMappingTest, SpecialControlsFollowTheirRules) {
    HwSettingIO record(101, 101);
    ApDrvInstall_HwSetting view(record);
    Set(view, "VideoTestWaitTime", "1500");
    Set(view, "ParamID_QM101_MTS", "0xB6");
    Set(view, "EpromWriteMode", "1");
    Set(view, "RemoteReceiverIC", "0");
    Set(view, "UseDPInstExe", "5");
    drvsetup::ReadRecordIntoControls(controls_, view, lists_);
    EXPECT_TRUE(controls_.Checked("parasonicMtsRadioButton"));
    EXPECT_TRUE(controls_.Checked("testModeRadioButton"));
    EXPECT_TRUE(controls_.Checked("irNotExistRadioButton"));
    EXPECT_TRUE(controls_.Checked("useDPInstCheckBox"));
    EXPECT_FALSE(controls_.Enabled("ir0RadioButton"));
    ASSERT_FALSE(controls_.controls["mainChip1ComboBox"].items.empty());  // product 101 has main chips

    controls_.SetText("videoTestWaitTimeEdit", "soon");
    controls_.SetChecked("parasonicMtsRadioButton", false);
    controls_.SetChecked("micronasMtsRadioButton", true);
    controls_.SetChecked("testModeRadioButton", false);
    controls_.SetChecked("qcModeRadioButton", true);
    controls_.SetChecked("irNotExistRadioButton", false);
    controls_.SetChecked("irRc5RadioButton", true);
    controls_.SetCurrentIndex("mainChip1ComboBox", 1);
    drvsetup::WriteControlsToRecord(controls_, view, lists_);
    EXPECT_EQ(Get(view, "VideoTestWaitTime"), "3000");
    EXPECT_EQ(Get(view, "ParamID_QM101_MTS"), "0x88");
    EXPECT_EQ(Get(view, "EpromWriteMode"), "0");
    EXPECT_EQ(Get(view, "RemoteReceiverIC"), "2");
    EXPECT_TRUE(controls_.Enabled("ir0RadioButton"));
    EXPECT_EQ(Get(view, "MainChip1"), std::to_string(lists_.mainChips[1].key));
    EXPECT_EQ(Get(view, "UseDPInstExe"), "1");
}

TEST_F(IniGenMappingTest, MtsIsLeftAloneForOtherProducts) {
    HwSettingIO record(718, 718);
    ApDrvInstall_HwSetting view(record);
    Set(view, "ParamID_QM101_MTS", "0xB6");
    drvsetup::ReadRecordIntoControls(controls_, view, lists_);
    controls_.SetChecked("noneMtsRadioButton", true);
    drvsetup::WriteControlsToRecord(controls_, view, lists_);
    EXPECT_EQ(Get(view, "ParamID_QM101_MTS"), "0xB6");
}

// A record taken through the controls twice comes out as it went in the first time, and the values
// the controls hold are those of the record.
TEST_F(IniGenMappingTest, WriteAfterReadKeepsEveryValue) {
    HwSettingIO record(701, 701);
    record.SetName("VEXA_QM701_Test");
    ApDrvInstall_HwSetting view(record);
    Set(view, "MainFormCaption", "Setup of the tuner");
    Set(view, "Ap3Title", "Player");
    Set(view, "InfFileNameXp32_0", "a.inf");
    Set(view, "InfFileNameXp32_2", "c.inf");  // slot 1 stays empty
    Set(view, "VidPidHwNameXp32_2", "VID_1A2B&PID_3C4D");
    Set(view, "ServiceNameXp32_2", "svc");
    Set(view, "driverXPPath32", "Driver\\XP32");
    Set(view, "MediaPlayerSetupName_XP32", "Apps\\player.exe");
    Set(view, "OemCompany", "13");
    Set(view, "TunerModal", std::to_string(lists_.tuners.back().key));
    Set(view, "TestItemId", "43339");
    Set(view, "ParamID_EmpiaDeinterlace", "2");
    Set(view, "ParamID_EmpiaMceCompable", "1");
    drvsetup::ReadRecordIntoControls(controls_, view, lists_);
    drvsetup::WriteControlsToRecord(controls_, view, lists_);
    const HwSettingIO once(view.Record());

    FakeControls again;
    drvsetup::ReadRecordIntoControls(again, view, lists_);
    drvsetup::WriteControlsToRecord(again, view, lists_);
    for (const drvsetup::VexaParam& slot : once.Slots()) {
        EXPECT_EQ(view.GetValue(slot.entry->id), slot.Text()) << slot.entry->key;
    }
    EXPECT_EQ(Get(view, "MainFormCaption"), "Setup of the tuner");
    EXPECT_EQ(Get(view, "Ap3Title"), "Player");
    EXPECT_EQ(Get(view, "InfFileNameXp32_1"), "");
    EXPECT_EQ(Get(view, "InfFileNameXp32_2"), "c.inf");
    EXPECT_EQ(Get(view, "VidPidHwNameXp32_2"), "VID_1A2B&PID_3C4D");
    EXPECT_EQ(Get(view, "ServiceNameXp32_2"), "svc");
    EXPECT_EQ(Get(view, "driverXPPath32"), "Driver\\XP32");
    EXPECT_EQ(Get(view, "MediaPlayerSetupName_XP32"), "Apps\\player.exe");
    EXPECT_EQ(Get(view, "OemCompany"), "13");
    EXPECT_EQ(Get(view, "TunerModal"), std::to_string(lists_.tuners.back().key));
    EXPECT_EQ(Get(view, "TestItemId"), "43339");
    EXPECT_EQ(Get(view, "ParamID_EmpiaDeinterlace"), "2");
    EXPECT_EQ(Get(view, "ParamID_EmpiaMceCompable"), "1");
    EXPECT_EQ(view.Record().GetName(), "VEXA_QM701_Test");
    // The INF lists follow the keys again: slot 2 is the second INF of the family.
    ASSERT_NE(view.GetInf(20005, 1), nullptr);
    EXPECT_EQ(view.GetInf(20005, 1)->GetServiceName(), "svc");
}

TEST_F(IniGenMappingTest, FindInfInAFreshWindowFillsEveryFamily) {
    kit_test::WriteFile(kit_.path() / "Driver/XP32/qm718.inf", "[Manufacturer]\r\n");
    HwSettingIO record(718, 718);
    ApDrvInstall_HwSetting view(record);
    const drvsetup::InfFamily& xp32 = *drvsetup::FindInfFamily(20005);
    drvsetup::ApplyChosenInf(controls_, view, xp32, 0, (kit_.path() / "Driver/XP32/qm718.inf").string());

    for (const drvsetup::InfFamily& family : drvsetup::InfFamilies()) {
        EXPECT_EQ(controls_.Text(family.driverPathEdit), "Driver\\XP32") << family.page;
        EXPECT_EQ(Get(view, family.driverFolderKey), "Driver\\XP32") << family.page;
        EXPECT_EQ(controls_.Text(drvsetup::InfNameEdit(family, 0)), "qm718.inf") << family.page;
        EXPECT_EQ(controls_.Text(drvsetup::InfNameEdit(family, 1)), "") << family.page;
    }
    EXPECT_EQ(Get(view, "InfFileNameVista64_0"), "qm718.inf");
    ASSERT_NE(view.GetInf(20005, 0), nullptr);
    EXPECT_TRUE(view.GetInf(20005, 0)->IsValid());

    // A second pick for another family keeps the folders and names already filled.
    kit_test::WriteFile(kit_.path() / "Driver/X64/qm718x.inf", "[Manufacturer]\r\n");
    drvsetup::ApplyChosenInf(controls_, view, *drvsetup::FindInfFamily(200052), 0,
                             (kit_.path() / "Driver/X64/qm718x.inf").string());
    EXPECT_EQ(controls_.Text("driverPathXp64Edit"), "Driver\\X64");
    EXPECT_EQ(controls_.Text("xp64InfName0Edit"), "qm718x.inf");
    EXPECT_EQ(controls_.Text("driverPathXp32Edit"), "Driver\\XP32");
    EXPECT_EQ(controls_.Text("xp32InfName0Edit"), "qm718.inf");
}

TEST_F(IniGenMappingTest, FindInfOutsideTheKitGivesAPathUpAndAcross) {
    kit_test::TempDir elsewhere;
    HwSettingIO record(718, 718);
    ApDrvInstall_HwSetting view(record);
    const std::filesystem::path inf = elsewhere.path() / "Drv" / "x.inf";
    drvsetup::ApplyChosenInf(controls_, view, *drvsetup::FindInfFamily(20005), 0, inf.string());
    const std::string folder = controls_.Text("driverPathXp32Edit");
    EXPECT_TRUE(folder.starts_with("..\\")) << folder;
    EXPECT_TRUE(folder.ends_with(elsewhere.path().filename().string() + "\\Drv")) << folder;
}

TEST_F(IniGenMappingTest, ChosenHardwareNameGoesToEmptySlotsOfOtherFamilies) {
    HwSettingIO record(718, 718);
    ApDrvInstall_HwSetting view(record);
    controls_.SetText("_2kInf1_hwStringEdit", "KEEP");
    drvsetup::ApplyChosenHardwareName(controls_, view, *drvsetup::FindInfFamily(20005), 1, "VID_1&PID_2");
    EXPECT_EQ(controls_.Text("xp32Inf1_hwStringEdit"), "VID_1&PID_2");
    EXPECT_EQ(controls_.Text("vista64Inf1_hwStringEdit"), "VID_1&PID_2");
    EXPECT_EQ(controls_.Text("_2kInf1_hwStringEdit"), "KEEP");
    EXPECT_EQ(controls_.Text("xp32Inf0_hwStringEdit"), "");
    EXPECT_EQ(Get(view, "VidPidHwNameXp32_1"), "VID_1&PID_2");
}

}  // namespace
