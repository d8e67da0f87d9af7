// The generator window driven through its handlers, offscreen.

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <map>

#include "dpinst_form_fixture.h"
#include "drvsetup/config/ini_gen_mapping.h"
#include "drvsetup/config/vexa_db_file.h"
#include "drvsetup/device/product_tables.h"
#include "drvsetup/ui/inf_file_info_form.h"
#include "ini_gen_form_fixture.h"
#include "platform/ascii.h"
#include "platform/profile.h"

namespace {

using drvsetup::HwSettingIO;
using kit_test::DPInstFormTest;
using kit_test::IniGenFormTest;
namespace key = drvsetup::key;

std::string ReadLog(const std::filesystem::path& path) {
    return std::filesystem::exists(path) ? kit_test::ReadFile(path) : std::string();
}

TEST_F(IniGenFormTest, WindowHasItsPagesAndCaption) {
    HwSettingIO record(718, 718);
    record.SetString(key::OemProductName, "QM718 TV Tuner");
    record.SetName("VEXA_QM718");
    auto form = MakeForm(record);
    auto* pages = Find<QTabWidget>(*form, "installPageControl");
    ASSERT_NE(pages, nullptr);
    const char* captions[] = {"Driver Ini File Generator",
                              "InstallShield ShortCut",
                              "App Setting Ini",
                              "Product",
                              "AV Decoder",
                              "Test Program",
                              "Inf Data",
                              "Ap Install"};
    ASSERT_EQ(pages->count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(pages->tabText(i).toStdString(), captions[i]);
    }
    EXPECT_EQ(form->windowTitle().toStdString(), "QM718 TV Tuner (VEXA_QM718) Ini Form  (061130/10:39:01) ");
    EXPECT_EQ(Find<QPushButton>(*form, "genIniFileButton")->text().toStdString(), "Gen Ini File");
    EXPECT_EQ(Find<QPushButton>(*form, "ap2UnInstallButton")->text().toStdString(), "Un Inst");
    EXPECT_EQ(Find<QPushButton>(*form, "ap3UnInstallButton")->text().toStdString(), "UnInst");
    EXPECT_NE(form->findChild<QPushButton*>(QStringLiteral("vista64FindInf2Buffon")), nullptr);
    EXPECT_EQ(Find<QLineEdit>(*form, "newSettingNameEdit")->text().toStdString(), "VEXA_QM718");
    EXPECT_EQ(form->CurrentProduct(), 718);
}

TEST_F(IniGenFormTest, AccessCodeUnlocksTheDatabaseControls) {
    struct Case {
        std::optional<std::string> answer;
        bool unlocked;
    };
    const Case cases[] = {
        {"7093", true}, {" 7093", false}, {"7094", false}, {"", false}, {std::nullopt, false}};
    HwSettingIO record(718, 718);
    for (const Case& c : cases) {
        auto form = MakeForm(record, c.answer);
        for (const char* name : {"newSettingNameEdit", "vidPidDescriptionEdit", "oemDescriptionEdit",
                                 "addNewSettingButton", "deleteSettingButton", "saveDbToFileButton",
                                 "pcbVerDescriptionEdit", "mainChipsEdit", "m_tunerModuleComboBox"}) {
            QWidget* widget = Find<QWidget>(*form, name);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->isEnabled(), c.unlocked) << name << " " << c.answer.value_or("(cancel)");
        }
        // The rest of the window works either way.
        EXPECT_TRUE(Find<QWidget>(*form, "mainFormCaptionEdit")->isEnabled());
    }
}

TEST_F(IniGenFormTest, AccessCodeIsComparedInUpperCase) {
    // The code has no letters, so its lower-case spelling is itself; a letter typed in lower case
    // would match its upper-case form.
    HwSettingIO record(718, 718);
    auto form = MakeForm(record, std::string("7093"));
    EXPECT_TRUE(Find<QWidget>(*form, "saveDbToFileButton")->isEnabled());
    EXPECT_TRUE(platform::EqualsNoCase("abc7093", "ABC7093"));
}

TEST_F(IniGenFormTest, ThirtyOneProductsMakeColumnsOfFifteenFifteenAndOne) {
    HwSettingIO record(718, 718);
    auto form = MakeForm(record);
    std::vector<int32_t> products;
    for (int32_t p = 1; p <= 31; ++p) {
        products.push_back(p == 5 ? 718 : p);
    }
    form->BuildProductButtons(products);
    const auto& buttons = form->ProductButtons();
    ASSERT_EQ(buttons.size(), 31u);
    std::map<int, int> perColumn;
    for (QRadioButton* button : buttons) {
        ++perColumn[button->x()];
        EXPECT_EQ(button->width(), 110);
    }
    EXPECT_EQ(perColumn, (std::map<int, int>{{15, 15}, {135, 15}, {255, 1}}));
    EXPECT_EQ(buttons[0]->y(), 18);
    EXPECT_EQ(buttons[15]->y(), 18);
    EXPECT_EQ(buttons[30]->y(), 18);
    EXPECT_GT(buttons[1]->y(), buttons[0]->y());
    EXPECT_EQ(buttons[14]->y() - buttons[0]->y(), 14 * (buttons[1]->y() - buttons[0]->y()));
    EXPECT_EQ(buttons[16]->text().toStdString(), drvsetup::ModelCode(17) + " (17)");
    // Only the current product's button is selected.
    for (size_t n = 0; n < buttons.size(); ++n) {
        EXPECT_EQ(buttons[n]->isChecked(), n == 4) << n;
    }
}

TEST_F(IniGenFormTest, DummyDriverRecordSelectsTheButtonOfItsHardware) {
    HwSettingIO record(718, 1000);
    auto form = MakeForm(record);
    EXPECT_EQ(form->CurrentProduct(), 1000);
    int checked = 0;
    for (QRadioButton* button : form->ProductButtons()) {
        if (button->isChecked()) {
            ++checked;
            EXPECT_EQ(button->property("tag").toInt(), 718);
        }
    }
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(Find<QCheckBox>(*form, "dummyDrvInstallCheckBox")->isChecked());
    EXPECT_EQ(Find<QLabel>(*form, "InstallDriverIDText")->text().toStdString(), "vInstallTools   ID: 1000");

    Find<QCheckBox>(*form, "dummyDrvInstallCheckBox")->setChecked(false);
    form->dummyDrvInstallCheckBoxClick();
    EXPECT_EQ(Find<QLabel>(*form, "InstallDriverIDText")->text().toStdString(), "vInstallTools   ID: 718");
}

TEST_F(IniGenFormTest, ProductButtonLoadsTheSelectedSettingOfItsGroup) {
    HwSettingIO record(718, 718);
    auto form = MakeForm(record);
    QRadioButton* button = Find<QRadioButton>(*form, "productRadioButton101");
    ASSERT_NE(button, nullptr);
    form->productRadioButtonClick(button);
    EXPECT_EQ(form->CurrentProduct(), 101);
    const auto* group = form->Database().Group(101);
    ASSERT_NE(group, nullptr);
    auto* combo = Find<QComboBox>(*form, "hwSettingTypeComboBox");
    EXPECT_EQ(combo->count(), static_cast<int>(group->size()));
    const std::string chosen = combo->currentText().toStdString();
    EXPECT_EQ(form->InstallView().Record().GetName(), chosen);
    EXPECT_EQ(form->Database().Find(101, chosen)->GetString(key::Db_Selected), "1");
    EXPECT_EQ(form->Database().Find(101, chosen)->GetString(key::DbHw_Selected), "1");
    EXPECT_EQ(form->Database().Group(718)->begin()->second->GetString(key::DbHw_Selected), "0");
    // Product 101 has the MTS and Empia options.
    EXPECT_TRUE(Find<QGroupBox>(*form, "qm101GroupBox")->isEnabled());
}

TEST_F(IniGenFormTest, AddNewSettingWithAnExistingNameAnsweredNoChangesNothing) {
    HwSettingIO record(718, 718);
    auto form = MakeForm(record);
    const std::string existing = form->Database().Group(718)->begin()->first;
    const std::string before = form->Database().Find(718, existing)->GetString(key::MainFormCaption);
    const size_t count = form->Database().Group(718)->size();

    kit_test::ScopedEnv answers("WINSYS_MSGBOX_ANSWERS", "no,yes");
    Find<QLineEdit>(*form, "newSettingNameEdit")->setText(QString::fromStdString(existing));
    Find<QLineEdit>(*form, "mainFormCaptionEdit")->setText(QStringLiteral("Changed caption"));
    form->addNewSettingButtonClick();
    EXPECT_EQ(form->Database().Find(718, existing)->GetString(key::MainFormCaption), before);
    EXPECT_EQ(form->Database().Group(718)->size(), count);
    const std::string log = ReadLog(log_);
    EXPECT_NE(log.find("\"caption\": \"Warn\""), std::string::npos) << log;
    EXPECT_NE(log.find("Setting Name Already Exist, Overwrite it?"), std::string::npos) << log;

    // Yes overwrites it.
    Find<QLineEdit>(*form, "newSettingNameEdit")->setText(QString::fromStdString(existing));
    Find<QLineEdit>(*form, "mainFormCaptionEdit")->setText(QStringLiteral("Changed caption"));
    form->addNewSettingButtonClick();
    EXPECT_EQ(form->Database().Find(718, existing)->GetString(key::MainFormCaption), "Changed caption");
}

TEST_F(IniGenFormTest, AddNewSettingFilesANewNameAndDeleteRemovesIt) {
    HwSettingIO record(718, 718);
    auto form = MakeForm(record);
    Find<QLineEdit>(*form, "newSettingNameEdit")->setText(QStringLiteral("Engineering variant"));
    Find<QLineEdit>(*form, "mainFormCaptionEdit")->setText(QStringLiteral("Variant caption"));
    form->addNewSettingButtonClick();
    HwSettingIO* added = form->Database().Find(718, "Engineering variant");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetString(key::MainFormCaption), "Variant caption");
    EXPECT_EQ(added->GetString(key::Db_Selected), "1");
    EXPECT_EQ(Find<QComboBox>(*form, "hwSettingTypeComboBox")->currentText().toStdString(),
              "Engineering variant");
    EXPECT_TRUE(ReadLog(log_).empty());

    form->deleteSettingButtonClick();
    EXPECT_EQ(form->Database().Find(718, "Engineering variant"), nullptr);
}

TEST_F(IniGenFormTest, RefClockNineReadsBackAsTheVexaClock) {
    HwSettingIO record(718, 718);
    record.SetString(drvsetup::KeyIdOf("RefClockSource"), "9");
    auto form = MakeForm(record);
    EXPECT_TRUE(Find<QRadioButton>(*form, "clkVexaRadioButton")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(*form, "clkCaptureRadioButton")->isChecked());
    EXPECT_EQ(Find<QRadioButton>(*form, "clkVexaRadioButton")->text().toStdString(), "Vexa Reference Clock");
}

TEST_F(IniGenFormTest, ProductsEnableTheAudioSourceAndEmpiaGroups) {
    struct Case {
        int32_t product;
        bool audioSource;
        bool empia;
    };
    for (const Case& c : {Case{6801, false, false}, Case{701, true, true}, Case{718, true, false}}) {
        HwSettingIO record(c.product, c.product);
        auto form = MakeForm(record);
        EXPECT_EQ(Find<QGroupBox>(*form, "audioSourceGroupBox")->isEnabled(), c.audioSource) << c.product;
        EXPECT_EQ(Find<QGroupBox>(*form, "qm101GroupBox")->isEnabled(), c.empia) << c.product;
    }
}

TEST_F(IniGenFormTest, FindInfOnXp32SlotZeroFillsEveryFamily) {
    kit_test::WriteFile(kit_.path() / "Driver/XP32/qm718.inf", "[Manufacturer]\r\n");
    HwSettingIO record(718, 718);
    for (int32_t slot = 0; slot < 6; ++slot) {
        for (const char* family : {"Xp32", "Xp64", "2K", "Vista32", "Vista64"}) {
            record.SetString(
                drvsetup::KeyIdOf(std::string("InfFileName") + family + "_" + std::to_string(slot)), "");
        }
    }
    for (const drvsetup::InfFamily& family : drvsetup::InfFamilies()) {
        record.SetString(drvsetup::KeyIdOf(family.driverFolderKey), "");
    }
    record.SetString(drvsetup::KeyIdOf("driver98Path"), "");
    auto form = MakeForm(record);
    for (const drvsetup::InfFamily& family : drvsetup::InfFamilies()) {
        ASSERT_EQ(Find<QLineEdit>(*form, family.driverPathEdit)->text(), QString()) << family.page;
    }
    platform::ScriptOpenFileAnswers({(kit_.path() / "Driver/XP32/qm718.inf").string()});
    Find<QPushButton>(*form, "xp32FindInf0Button")->click();

    ASSERT_EQ(platform::OpenFileRequests().size(), 1u);
    EXPECT_EQ(platform::OpenFileRequests()[0].defaultExt, "inf");
    EXPECT_EQ(platform::OpenFileRequests()[0].fileName, "*.inf");
    EXPECT_EQ(platform::OpenFileRequests()[0].initialFolder, platform::ExecutableFolder());
    for (const drvsetup::InfFamily& family : drvsetup::InfFamilies()) {
        EXPECT_EQ(Find<QLineEdit>(*form, family.driverPathEdit)->text().toStdString(), "Driver\\XP32")
            << family.page;
        EXPECT_EQ(Find<QLineEdit>(*form, drvsetup::InfNameEdit(family, 0))->text().toStdString(), "qm718.inf")
            << family.page;
    }
}

TEST_F(IniGenFormTest, FindVidPidCopiesTheChosenIdentifier) {
    kit_test::WriteFile(
        kit_.path() / "Drv/qm718.inf",
        "[Manufacturer]\r\n%M%=Models\r\n[Models]\r\n%D%=I, USB\\VID_1A2B&PID_3C4D&MI_00\r\n");
    HwSettingIO record(718, 718);
    record.SetString(drvsetup::KeyIdOf("driverXPPath32"), "Drv");
    record.SetString(drvsetup::KeyIdOf("InfFileNameXp32_0"), "qm718.inf");
    record.SetString(drvsetup::KeyIdOf("VidPidHwNameXp64_0"), "");
    auto form = MakeForm(record);
    int shown = 0;
    form->SetInfInfoRunner([&shown](drvsetup::TinfFileInfo_Form& info) {
        ++shown;
        info.copyToIniFileButtonClick();
    });
    form->findVidPidButtonClick(*drvsetup::FindInfFamily(20005), 0);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Find<QLineEdit>(*form, "xp32Inf0_hwStringEdit")->text().toStdString(),
              "VID_1A2B&PID_3C4D&MI_00");
    EXPECT_EQ(Find<QLineEdit>(*form, "xp64Inf0_hwStringEdit")->text().toStdString(),
              "VID_1A2B&PID_3C4D&MI_00");
    EXPECT_EQ(Value(*form, drvsetup::KeyIdOf("VidPidHwNameXp32_0")), "VID_1A2B&PID_3C4D&MI_00");

    // A name that names no file is reported with its path.
    Find<QLineEdit>(*form, "xp32InfName0Edit")->setText(QStringLiteral("gone.inf"));
    form->findVidPidButtonClick(*drvsetup::FindInfFamily(20005), 0);
    EXPECT_EQ(shown, 1);
    const std::string log = ReadLog(log_);
    EXPECT_NE(log.find("Can't find Inf file"), std::string::npos) << log;
    EXPECT_NE(log.find("gone.inf"), std::string::npos) << log;
    EXPECT_NE(log.find("\"flags\": 327728"), std::string::npos) << log;
}

TEST_F(IniGenFormTest, PickersFillPathsRelativeToTheKit) {
    HwSettingIO record(718, 718);
    auto form = MakeForm(record);
    const std::filesystem::path outside = kit_.path().parent_path() / "Shared" / "Player" / "setup.exe";
    platform::ScriptOpenFileAnswers({(kit_.path() / "Apps/mp.exe").string(), outside.string(),
                                     (kit_.path() / "Driver/X64/a.inf").string(), std::nullopt});
    form->mediaPlayerButtonClick(*drvsetup::FindInfFamily(200052));
    form->apButtonClick(2, true);
    form->driverPathButtonClick(*drvsetup::FindInfFamily(2000));
    form->driverPathButtonClick(*drvsetup::FindInfFamily(20005));  // cancelled
    EXPECT_EQ(Find<QLineEdit>(*form, "mediaPlayerXp64ExeEdit")->text().toStdString(), "Apps\\mp.exe");
    EXPECT_EQ(Find<QLineEdit>(*form, "ap2UnInstallEdit")->text().toStdString(), "Player\\setup.exe");
    EXPECT_EQ(Find<QLineEdit>(*form, "driverPath2kEdit")->text().toStdString(), "Driver\\X64");
    ASSERT_EQ(platform::OpenFileRequests().size(), 4u);
    EXPECT_EQ(platform::OpenFileRequests()[1].initialFolder, kit_.path().parent_path().string());
    EXPECT_EQ(platform::OpenFileRequests()[1].defaultExt, "exe");
}

// "Gen Ini File" writes the product file (named after the language's setup INI) and the collection.
TEST_F(IniGenFormTest, GenIniFileWritesBothFilesKeepingOtherSections) {
    struct Case {
        uint32_t lcid;
        const char* languageFile;  // present in the kit, or null
        const char* productFile;
    };
    const std::string code = drvsetup::ModelCode(718);
    const Case cases[] = {{1033, nullptr, "drvInstall.ini_"}, {1031, "drvInstall.DEU", "drvInstall.DEU_"}};
    for (const Case& c : cases) {
        UseSystem(c.lcid);
        kit_test::TempDir kit;
        platform::SetExecutablePath((kit.path() / "drvsetup").string());
        if (c.languageFile != nullptr) {
            kit_test::WriteFile(kit.path() / c.languageFile, "[InstallData]\r\nCmdLineParameter=\r\n");
        }
        const std::filesystem::path productFile = kit.path() / (std::string(c.productFile) + code);
        kit_test::WriteFile(productFile, "[Kept]\r\nA=1\r\n");
        kit_test::WriteFile(kit.path() / "__Setup.ini", "[Old record]\r\nInstallDriver=101\r\n");

        HwSettingIO record(718, 718);
        record.SetString(key::WdmDllName, "Error");
        record.SetName("VEXA_QM718");
        auto form = MakeForm(record);
        Find<QCheckBox>(*form, "dummyDrvInstallCheckBox")->setChecked(true);
        form->genIniFileButtonClick();

        for (const std::filesystem::path& path : {productFile, kit.path() / "__Setup.ini"}) {
            const auto file = platform::profile::ProfileFile::Load(path.string());
            EXPECT_EQ(file.ReadString("VEXA_QM718", "WdmDllName", ""), drvsetup::ProductLibrary(718)) << path;
            EXPECT_EQ(file.ReadString("VEXA_QM718", "bEnableType", ""), "2") << path;
            EXPECT_EQ(file.ReadString("VEXA_QM718", "InstallDriver", ""), "1000") << path;
            EXPECT_EQ(file.ReadString("__info", "InstallDriver", ""), "1000") << path;
        }
        EXPECT_EQ(platform::profile::ReadString(productFile.string(), "Kept", "A", ""), "1");
        EXPECT_EQ(platform::profile::ReadString((kit.path() / "__Setup.ini").string(), "Old record",
                                                "InstallDriver", ""),
                  "101");
        EXPECT_TRUE(ReadLog(log_).empty());
    }
}

TEST_F(IniGenFormTest, WrittenRecordReadsBackWithEveryValue) {
    kit_test::WriteFile(kit_.path() / "Drv/qm701.inf", "[Manufacturer]\r\n");
    HwSettingIO record(701, 701);
    record.SetName("VEXA_QM701_Lab");
    auto writer = MakeForm(record);
    Find<QLineEdit>(*writer, "mainFormCaptionEdit")->setText(QStringLiteral("Lab setup"));
    Find<QLineEdit>(*writer, "ap4InstallTitleEdit")->setText(QStringLiteral("Viewer"));
    Find<QRadioButton>(*writer, "pinnacleRadioButton")->setChecked(true);
    Find<QCheckBox>(*writer, "empiaMceCompatibleCheckBox")->setChecked(true);
    Find<QRadioButton>(*writer, "parasonicMtsRadioButton")->setChecked(true);
    platform::ScriptOpenFileAnswers({(kit_.path() / "Drv/qm701.inf").string()});
    writer->findInfButtonClick(*drvsetup::FindInfFamily(200664), 3);
    writer->genIniFileButtonClick();
    const HwSettingIO written(writer->InstallView().Record());
    EXPECT_EQ(written.GetString(drvsetup::KeyIdOf("ParamID_QM101_MTS")), "0xB6");
    EXPECT_EQ(written.GetString(drvsetup::KeyIdOf("InfFileNameVista64_3")), "qm701.inf");

    HwSettingIO other(101, 101);
    auto reader = MakeForm(other);
    const std::string collection = (kit_.path() / "__Setup.ini").string();
    platform::ScriptOpenFileAnswers({collection});
    reader->readFromIniButtonClick();
    EXPECT_EQ(reader->CurrentProduct(), 701);
    EXPECT_TRUE(Find<QRadioButton>(*reader, "productRadioButton701")->isChecked());
    for (const drvsetup::VexaParam& slot : written.Slots()) {
        EXPECT_EQ(Value(*reader, slot.entry->id), slot.Text()) << slot.entry->key;
    }
    EXPECT_EQ(Find<QLineEdit>(*reader, "mainFormCaptionEdit")->text().toStdString(), "Lab setup");
    EXPECT_TRUE(Find<QRadioButton>(*reader, "pinnacleRadioButton")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(*reader, "parasonicMtsRadioButton")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(*reader, "vista64InfName3Edit")->text().toStdString(), "qm701.inf");
    EXPECT_EQ(Find<QLineEdit>(*reader, "newSettingNameEdit")->text().toStdString(), collection);

    // Writing the controls again changes nothing.
    reader->okButtonClick();
    EXPECT_EQ(reader->Accepted(), 1);
    for (const drvsetup::VexaParam& slot : written.Slots()) {
        if (slot.entry->id != key::setupItemID) {  // "OK" names the record after the name field
            EXPECT_EQ(Value(*reader, slot.entry->id), slot.Text()) << slot.entry->key;
        }
    }

    // The dialog starts where it was left the first time.
    platform::ScriptOpenFileAnswers({std::nullopt});
    reader->readFromIniButtonClick();
    ASSERT_EQ(platform::OpenFileRequests().size(), 3u);
    EXPECT_EQ(platform::OpenFileRequests()[1].initialFolder, platform::ExecutableFolder());
    EXPECT_EQ(platform::OpenFileRequests()[1].fileName, "__setup.ini");
    EXPECT_EQ(platform::OpenFileRequests()[2].initialFolder, kit_.path().string());
}

TEST_F(IniGenFormTest, ReadFromIniFileLoadsTheLegacyLayout) {
    const std::string code = drvsetup::ModelCode(718);
    const std::filesystem::path legacy = kit_.path() / "old" / "setup.ini";
    kit_test::WriteFile(
        legacy, "[__Info]\r\nInstallDriver=718\r\n[InstallData]\r\nCmdLineParameter=718 1\r\n[" + code +
                    "]\r\nMainFormCaption=Old style\r\n[" + code + "_Drv]\r\ndriverXPPath32=OldDrv\r\n");
    HwSettingIO record(101, 101);
    auto form = MakeForm(record);
    platform::ScriptOpenFileAnswers({legacy.string()});
    form->readFromIniButtonClick();
    EXPECT_EQ(form->CurrentProduct(), 718);
    EXPECT_EQ(Find<QLineEdit>(*form, "mainFormCaptionEdit")->text().toStdString(), "Old style");
    EXPECT_EQ(Find<QLineEdit>(*form, "cmdLineParamEdit")->text().toStdString(), "718 1");
    EXPECT_EQ(Find<QLineEdit>(*form, "driverPathXp32Edit")->text().toStdString(), "OldDrv");
}

TEST_F(IniGenFormTest, ReadFromIniFileWithoutProductOnlySetsTheName) {
    const std::filesystem::path empty = kit_.path() / "empty.ini";
    kit_test::WriteFile(empty, "[Something]\r\nInstallDriver=0\r\nMainFormCaption=Ignored\r\n");
    HwSettingIO record(718, 718);
    record.SetString(key::MainFormCaption, "Mine");
    auto form = MakeForm(record);
    platform::ScriptOpenFileAnswers({empty.string()});
    form->readFromIniButtonClick();
    EXPECT_EQ(form->CurrentProduct(), 718);
    EXPECT_EQ(Value(*form, key::MainFormCaption), "Mine");
    EXPECT_EQ(Find<QLineEdit>(*form, "newSettingNameEdit")->text().toStdString(), empty.string());
}

TEST_F(IniGenFormTest, OkAcceptsTheEditedRecordAndExitDoesNot) {
    HwSettingIO record(718, 718);
    record.SetName("VEXA_QM718");
    auto form = MakeForm(record);
    Find<QLineEdit>(*form, "exitButtonEdit")->setText(QStringLiteral("Leave"));
    form->exitButtonClick();
    EXPECT_EQ(form->Accepted(), 0);
    EXPECT_NE(Value(*form, drvsetup::KeyIdOf("ExitButtonName")), "Leave");

    Find<QLineEdit>(*form, "newSettingNameEdit")->setText(QStringLiteral("Renamed"));
    form->okButtonClick();
    EXPECT_EQ(form->Accepted(), 1);
    EXPECT_EQ(Value(*form, drvsetup::KeyIdOf("ExitButtonName")), "Leave");
    EXPECT_EQ(form->InstallView().Record().GetName(), "Renamed");
}

// Ctrl+Shift+S in the installer window opens the generator; its OK hands the record back.
TEST_F(DPInstFormTest, CtrlShiftSOpensTheGeneratorAndTakesItsRecord) {
    auto form = MakeForm("[InstallData]\r\nCmdLineParameter=\r\n" +
                         kit_test::ProductSection("VEXA_QM718", 718, "QM718 TV Tuner"));
    form->SetIniGeneratorHook(drvsetup::OpenIniGenerator);
    platform::ScriptInputBoxAnswers({std::nullopt});
    bool seen = false;
    QTimer::singleShot(0, [&seen] {
        auto* generator = qobject_cast<drvsetup::TiniGenForm*>(QApplication::activeModalWidget());
        ASSERT_NE(generator, nullptr);
        seen = true;
        generator->findChild<QLineEdit*>(QStringLiteral("mainFormCaptionEdit"))
            ->setText(QStringLiteral("Edited"));
        generator->okButtonClick();
    });
    form->FormKeyDown(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(seen);
    EXPECT_EQ(form->InstallSetting()->GetValue(key::MainFormCaption), "Edited");
    platform::ResetInputBoxStateForTesting();
}

}  // namespace
