#include "drvsetup/ui/dpinst_form.h"

#include <QApplication>
#include <QGroupBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include "dpinst_form_fixture.h"
#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/hklm_reg_data.h"
#include "drvsetup/config/hw_setting.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/vexa_ap_ini.h"
#include "drvsetup/ui/animate_control.h"
#include "drvsetup/ui/device_monitor.h"
#include "drvsetup/ui/status_panel_bar.h"

namespace {

using drvsetup::TDPInst_Form;
using kit_test::DPInstFormTest;
using kit_test::ProductSection;
namespace key = drvsetup::key;

// The first XP 32-bit INF of a record.
constexpr int32_t kInfFileNameXp32_0 = 10227;

// Three products, sections in the loader's (byte-wise name) order; each names its XP INF.
std::string ThreeProducts(const std::string& extraA = "", const std::string& extraB = "",
                          const std::string& extraC = "") {
    return "[InstallData]\r\nCmdLineParameter=\r\n" +
           ProductSection("A", 10, "Alpha", "InfFileNameXp32_0=alpha.inf\r\n" + extraA) +
           ProductSection("B", 20, "Beta", "InfFileNameXp32_0=beta.inf\r\n" + extraB) +
           ProductSection("C", 30, "Gamma", "InfFileNameXp32_0=gamma.inf\r\n" + extraC);
}

const char* kCaptions =
    "MainFormCaption=Kit Setup\r\nProductBoxCaption=Products\r\nIinstallButtonName=Go\r\n"
    "UnIinstallButtonName=Remove\r\nExitButtonName=Leave\r\n";

TEST_F(DPInstFormTest, InteractiveLayoutCaptionsAndStatusBar) {
    auto form = MakeForm(ThreeProducts(kCaptions, "", "bInstallDrvSelected=1\r\n"));

    for (int i = 0; i < 3; ++i) {
        QRadioButton* button = Product(*form, i);
        EXPECT_TRUE(button->isVisibleTo(form.get())) << i;
        EXPECT_TRUE(button->isEnabled()) << i;
        EXPECT_EQ(button->y(), 25 * i + 25) << i;
        EXPECT_EQ(button->width(), 300) << i;
        EXPECT_EQ(button->palette().color(QPalette::WindowText), QColor(255, 0, 0)) << i;
    }
    for (int i = 3; i < 7; ++i) {
        EXPECT_FALSE(Product(*form, i)->isVisibleTo(form.get())) << i;
        EXPECT_EQ(form->ProductSettingOf(Product(*form, i)), nullptr) << i;
    }
    EXPECT_EQ(Product(*form, 0)->text(), "Alpha");
    EXPECT_EQ(Product(*form, 2)->text(), "Gamma");

    auto* group = Find<QGroupBox>(*form, "productGroupBox");
    EXPECT_EQ(group->geometry(), QRect(16, 40, 409, 25 * 3 + 40));
    const int buttonTop = 40 + 115 + 30;
    for (const char* name : {"installButton", "uninstallButton", "exitButton"}) {
        EXPECT_EQ(Find<QPushButton>(*form, name)->y(), buttonTop) << name;
        EXPECT_TRUE(Find<QPushButton>(*form, name)->isVisibleTo(form.get())) << name;
    }
    EXPECT_EQ(Find<QLabel>(*form, "infFileLabel")->y(), buttonTop + 50);
    EXPECT_EQ(Find<QLabel>(*form, "infFileLabel")->text(), "INF File Name : ");
    EXPECT_EQ(Find<QLabel>(*form, "infFileNameLabel")->y(), buttonTop + 50);
    EXPECT_EQ(Find<QLabel>(*form, "hwVidPidText")->y(), buttonTop + 70);
    const int clientHeight = buttonTop + 70 + 50;
    EXPECT_EQ(form->size(), QSize(453, clientHeight));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    auto* animate = Find<drvsetup::AnimateControl>(*form, "installAnimate");
    EXPECT_EQ(animate->geometry(), QRect(368, clientHeight - 80, 80, 50));
    EXPECT_FALSE(animate->isVisibleTo(form.get()));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Captions come from the selected record (C, marked in the INI), the title also carries its name.
    EXPECT_EQ(form->ApIni()->Selected()->GetName(), "C");
    EXPECT_TRUE(Product(*form, 2)->isChecked());
    EXPECT_EQ(group->title(), "Product Name");  // C keeps the default; A's caption keys are not C's
    EXPECT_EQ(Find<QPushButton>(*form, "installButton")->text(), "Install");
    EXPECT_EQ(Find<QPushButton>(*form, "uninstallButton")->text(), "Uninstall");
    EXPECT_EQ(Find<QPushButton>(*form, "exitButton")->text(), "Exit");
    EXPECT_EQ(form->windowTitle(), "Gamma DVD Encoder Installer");
    EXPECT_EQ(Find<QLabel>(*form, "suiForm1")->text(), "Gamma DVD Encoder Installer");
    EXPECT_EQ(Find<QLabel>(*form, "infFileNameLabel")->text(), "gamma.inf");
    EXPECT_EQ(Find<QLabel>(*form, "hwVidPidText")->text(), "");

    auto* status = Find<drvsetup::StatusPanelBar>(*form, "statusBar");
    EXPECT_EQ(status->geometry(), QRect(0, clientHeight - 19, 453, 19));
    ASSERT_EQ(status->PanelCount(), 3);
    EXPECT_EQ(status->PanelRect(0).width(), 150 - 2);
    EXPECT_EQ(status->PanelRect(1).left(), 150 + 1);
    EXPECT_EQ(status->PanelRect(2).left(), 350 + 1);
    EXPECT_EQ(status->PanelText(0), "Gamma");
    EXPECT_EQ(status->PanelText(1).toStdString(), "Ver : " + drvsetup::BuildDateText(__DATE__));
    EXPECT_EQ(Find<QProgressBar>(*form, "myProgressBar")->parent(), status);
}

TEST_F(DPInstFormTest, CaptionsOfTheSelectedRecord) {
    auto form = MakeForm(ThreeProducts("", std::string(kCaptions) + "bInstallDrvSelected=1\r\n"));
    EXPECT_EQ(Find<QGroupBox>(*form, "productGroupBox")->title(), "Products");
    EXPECT_EQ(Find<QPushButton>(*form, "installButton")->text(), "Go");
    EXPECT_EQ(Find<QPushButton>(*form, "uninstallButton")->text(), "Remove");
    EXPECT_EQ(Find<QPushButton>(*form, "exitButton")->text(), "Leave");
    EXPECT_EQ(form->windowTitle(), "Beta Kit Setup");
}

TEST_F(DPInstFormTest, Preselection) {
    struct Case {
        const char* what;
        std::string ini;
        int checked;
        const char* selected;
        std::vector<bool> visible;
    } cases[] = {
        {"two marked: the later wins",
         ThreeProducts("bInstallDrvSelected=1\r\n", "", "bInstallDrvSelected=1\r\n"),
         2,
         "C",
         {true, true, true}},
        {"none marked: the first", ThreeProducts(), 0, "A", {true, true, true}},
        {"a disabled product keeps its hidden button and may be the default",
         ThreeProducts("bEnableType=0\r\n"),
         0,
         "A",
         {false, true, true}},
        {"a disabled product marked",
         ThreeProducts("", "bEnableType=0\r\nbInstallDrvSelected=1\r\n"),
         1,
         "B",
         {true, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto form = MakeForm(c.ini);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(Product(*form, i)->isChecked(), i == c.checked) << i;
            EXPECT_EQ(Product(*form, i)->isVisibleTo(form.get()), c.visible[static_cast<size_t>(i)]) << i;
            // A hidden product still takes its row.
            EXPECT_EQ(Product(*form, i)->y(), 25 * i + 25) << i;
        }
        EXPECT_EQ(form->ApIni()->Selected()->GetName(), c.selected);
        EXPECT_EQ(form->InstallSetting()->Record().GetName(), c.selected);
        EXPECT_EQ(Find<QGroupBox>(*form, "productGroupBox")->height(), 25 * 3 + 40);
    }
}

TEST_F(DPInstFormTest, CommandLineProductAndActionListOnlyThatProduct) {
    kit_test::ScopedEnv answers("WINSYS_MSGBOX_ANSWERS", "ok,ok");
    auto form = MakeForm(ThreeProducts("bInstallDrvSelected=1\r\n"), "30 1 ");

    EXPECT_EQ(Product(*form, 0)->text(), "Gamma");
    EXPECT_TRUE(Product(*form, 0)->isVisibleTo(form.get()));
    EXPECT_EQ(form->ProductSettingOf(Product(*form, 0))->GetName(), "C");
    for (int i = 1; i < 7; ++i) {
        EXPECT_FALSE(Product(*form, i)->isVisibleTo(form.get())) << i;
        EXPECT_EQ(form->ProductSettingOf(Product(*form, i)), nullptr) << i;
    }
    // Not marked in the INI, yet the only listed product ends up checked and selected.
    EXPECT_TRUE(Product(*form, 0)->isChecked());
    EXPECT_EQ(form->ApIni()->Selected()->GetName(), "C");
    EXPECT_EQ(Find<QLabel>(*form, "infFileNameLabel")->text(), "gamma.inf");
    EXPECT_EQ(form->CmdLine()->AutoInstall(), 1);
    EXPECT_EQ(form->CmdLine()->AutoUninstall(), 0);

    // Unattended: one row, no command buttons, the INF line right below the group.
    EXPECT_EQ(Find<QGroupBox>(*form, "productGroupBox")->height(), 65);
    for (const char* name : {"installButton", "uninstallButton", "exitButton"}) {
        EXPECT_FALSE(Find<QPushButton>(*form, name)->isVisibleTo(form.get())) << name;
    }
    const int y = 40 + 65 + 20;
    EXPECT_EQ(Find<QLabel>(*form, "infFileLabel")->y(), y);
    EXPECT_EQ(Find<QLabel>(*form, "infFileNameLabel")->y(), y);
    EXPECT_EQ(Find<QLabel>(*form, "hwVidPidText")->y(), y + 20);
    EXPECT_EQ(form->height(), y + 20 + 50);
    EXPECT_EQ(Find<drvsetup::AnimateControl>(*form, "installAnimate")->y(), y + 70 - 80);
}

TEST_F(DPInstFormTest, CommandLineWithoutMatchOrAction) {
    struct Case {
        const char* commandLine;
        int listed;
        int32_t autoInstall;
        int32_t autoUninstall;
    } cases[] = {
        {"99 1", 3, 0, 0},      // no product 99: interactive, every product listed
        {"20", 1, 0, 0},        // product only: preselected, waits for the user
        {"20 x 0 1", 1, 0, 1},  // the scan skips x and stops at 0
        {"/s", 3, 0, 0},        // product token 0 matches no product here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        auto form = MakeForm(ThreeProducts(), c.commandLine);
        int listed = 0;
        for (int i = 0; i < 7; ++i) {
            listed += form->ProductSettingOf(Product(*form, i)) != nullptr ? 1 : 0;
        }
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(form->CmdLine()->AutoInstall(), c.autoInstall);
        EXPECT_EQ(form->CmdLine()->AutoUninstall(), c.autoUninstall);
        EXPECT_EQ(Find<QPushButton>(*form, "installButton")->isVisibleTo(form.get()),
                  c.autoInstall == 0 && c.autoUninstall == 0);
    }
}

TEST_F(DPInstFormTest, ProductClickSelectsAndRetitles) {
    auto form = MakeForm(ThreeProducts("", "MainFormCaption=Beta Setup\r\n"));
    ASSERT_EQ(form->ApIni()->Selected()->GetName(), "A");

    QTest::mouseClick(Product(*form, 1), Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_TRUE(Product(*form, 1)->isChecked());
    EXPECT_FALSE(Product(*form, 0)->isChecked());
    EXPECT_EQ(form->ApIni()->Selected()->GetName(), "B");
    EXPECT_EQ(form->ApIni()->Selected()->GetString(key::bApSettingSelected), "1");
    EXPECT_EQ(form->ApIni()->Records()[0]->GetString(key::bApSettingSelected), "0");
    ASSERT_NE(form->InstallSetting(), nullptr);
    EXPECT_EQ(form->InstallSetting()->GetValue(key::OemProductName), "Beta");
    EXPECT_EQ(Find<drvsetup::StatusPanelBar>(*form, "statusBar")->PanelText(0), "Beta");
    EXPECT_EQ(form->windowTitle(), "Beta Beta Setup");
    EXPECT_EQ(Find<QLabel>(*form, "suiForm1")->text(), "Beta Beta Setup");
    EXPECT_EQ(Find<QLabel>(*form, "infFileNameLabel")->text(), "beta.inf");

    // A button that stands for no product changes nothing.
    form->productRadioButtonClick(Product(*form, 5));
    EXPECT_EQ(form->ApIni()->Selected()->GetName(), "B");
    EXPECT_EQ(form->windowTitle(), "Beta Beta Setup");
}

TEST_F(DPInstFormTest, ExitClosesAtTheNextTickUnlessTheTimerIsBusy) {
    auto form = MakeForm(ThreeProducts());
    form->show();
    QSignalSpy closed(form.get(), &TDPInst_Form::Closed);

    form->exitButtonClick();
    EXPECT_EQ(form->CloseRequested(), 1);
    EXPECT_TRUE(form->isVisible());

    TDPInst_Form::SetTimerReentrancyFlag(true);
    form->Timer1Timer();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(closed.count(), 0);

    TDPInst_Form::SetTimerReentrancyFlag(false);
    form->Timer1Timer();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(TDPInst_Form::TimerReentrancyFlag());
}

TEST_F(DPInstFormTest, UnattendedRunStartsOnceFromTheTimer) {
    // No INF for any family: the run ends at once and leaves the window open.
    auto form = MakeForm(ProductSection("A", 10, "Alpha") + ProductSection("B", 20, "Beta"), "20 0 /s");
    ASSERT_EQ(form->CmdLine()->AutoUninstall(), 1);

    TDPInst_Form::SetTimerReentrancyFlag(true);
    form->Timer1Timer();
    EXPECT_EQ(form->AutoActionDone(), 0);

    TDPInst_Form::SetTimerReentrancyFlag(false);
    form->Timer1Timer();
    EXPECT_EQ(form->AutoActionDone(), 1);
    EXPECT_FALSE(TDPInst_Form::TimerReentrancyFlag());
    EXPECT_EQ(form->CloseRequested(), 0);
    form->Timer1Timer();  // nothing more starts
    EXPECT_EQ(form->AutoActionDone(), 1);
}

TEST_F(DPInstFormTest, DeviceArrivalAndRemovalRefreshCaptionsAndInfLine) {
    auto form = MakeForm(ThreeProducts());
    auto* infName = Find<QLabel>(*form, "infFileNameLabel");
    auto* hwText = Find<QLabel>(*form, "hwVidPidText");
    struct {
        uint32_t eventType;
        bool refreshes;
    } cases[] = {{drvsetup::DBT_DEVICEARRIVAL, true},
                 {drvsetup::DBT_DEVICEREMOVECOMPLETE, true},
                 {0x8001, false},
                 {0x0007, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.eventType);
        Product(*form, 1)->setText("stale");
        infName->setText("stale.inf");
        hwText->setText("USB\\VID_0000");
        form->WMDeviceChange(c.eventType);
        EXPECT_EQ(Product(*form, 1)->text(), c.refreshes ? "Beta" : "stale");
        EXPECT_EQ(infName->text(), c.refreshes ? "alpha.inf" : "stale.inf");
        EXPECT_EQ(hwText->text(), c.refreshes ? "" : "USB\\VID_0000");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST_F(DPInstFormTest, GeneratorKeysCallTheHook) {
    auto form = MakeForm(ThreeProducts());
    std::vector<std::string> opened;
    form->SetIniGeneratorHook([&opened](QWidget&, drvsetup::IVexaSetting& selected) {
        opened.push_back(selected.GetName());
        return std::unique_ptr<drvsetup::IVexaSetting>();
    });
    struct {
        Qt::KeyboardModifiers modifiers;
        Qt::Key key;
        size_t calls;
    } cases[] = {
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_S, 1},
        {Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, Qt::Key_S, 2},
        {Qt::ControlModifier, Qt::Key_S, 2},
        {Qt::ShiftModifier, Qt::Key_S, 2},
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_D, 2},
    };
    for (const auto& c : cases) {
        // Sent to a product button: the window sees keys its controls do not use.
        QTest::keyClick(Product(*form, 1), c.key, c.modifiers);
        EXPECT_EQ(opened.size(), c.calls) << c.modifiers.toInt();
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"A", "A"}));

    // Not accepted: the INF line and captions are refreshed from the unchanged setting.
    Find<QLabel>(*form, "infFileNameLabel")->setText("stale.inf");
    form->FormKeyDown(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Find<QLabel>(*form, "infFileNameLabel")->text(), "alpha.inf");
}

TEST_F(DPInstFormTest, AcceptedGeneratorRecordReplacesTheInstallSetting) {
    auto form = MakeForm(ThreeProducts());
    form->SetIniGeneratorHook([](QWidget&, drvsetup::IVexaSetting& selected) {
        auto edited = std::make_unique<drvsetup::HwSettingIO>(selected);
        edited->SetString(kInfFileNameXp32_0, "edited.inf");
        return std::unique_ptr<drvsetup::IVexaSetting>(std::move(edited));
    });
    form->FormKeyDown(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->InstallSetting()->GetValue(kInfFileNameXp32_0), "edited.inf");
    EXPECT_EQ(Find<QLabel>(*form, "infFileNameLabel")->text(), "edited.inf");
    // The loader's own record is the generator's business, not the window's.
    EXPECT_EQ(form->ApIni()->Selected()->GetString(kInfFileNameXp32_0), "alpha.inf");
}

TEST_F(DPInstFormTest, RecordsTheRemoteControlProgramName) {
    struct {
        std::string ini;
        const char* expected;
    } cases[] = {
        {ThreeProducts("", "ShortCutSimIR_ApName=Remote Beta\r\nbInstallDrvSelected=1\r\n"), "Remote Beta"},
        {ThreeProducts(), "IR Setting"},
    };
    for (const auto& c : cases) {
        auto form = MakeForm(c.ini);
        drvsetup::HKLM_RegDataRW registry(drvsetup::kInstallShieldKey, true);
        ASSERT_TRUE(registry.IsOpen());
        char buffer[64] = {};
        ASSERT_TRUE(registry.ReadString("SimIR_Name", buffer));
        EXPECT_STREQ(buffer, c.expected);
    }
}

TEST_F(DPInstFormTest, RunHostAnimationTopmostAndProgressPanel) {
    auto form = MakeForm(ThreeProducts());
    form->show();
    auto* animate = Find<drvsetup::AnimateControl>(*form, "installAnimate");
    form->StartAnimation();
    EXPECT_TRUE(animate->isVisible());
    EXPECT_TRUE(animate->IsActive());
    form->StopAnimation();
    EXPECT_FALSE(animate->isVisible());
    EXPECT_FALSE(animate->IsActive());
    EXPECT_EQ(animate->Frame(), drvsetup::AnimateControl::kStopFrame);

    form->SetProductBoxEnabled(false);
    EXPECT_FALSE(Find<QGroupBox>(*form, "productGroupBox")->isEnabled());
    form->SetProductBoxEnabled(true);
    EXPECT_TRUE(Find<QGroupBox>(*form, "productGroupBox")->isEnabled());

    form->SetTopmost(false);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
    form->SetTopmost(true);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());

    form->RequestClose();
    EXPECT_EQ(form->CloseRequested(), 1);
    EXPECT_TRUE(static_cast<bool>(form->WaitPump()));

    auto* progress = Find<QProgressBar>(*form, "myProgressBar");
    const QRect before = progress->geometry();
    form->statusBarDrawPanel(0, QRect(1, 2, 148, 16));
    EXPECT_EQ(progress->geometry(), before);
    form->statusBarDrawPanel(2, QRect(351, 2, 98, 16));
    EXPECT_EQ(progress->geometry(), QRect(350, 1, 100, 18));
}

TEST(BuildDateText, DayInTwoDigits) {
    EXPECT_EQ(drvsetup::BuildDateText("Nov 30 2006"), "Nov 30 2006");
    EXPECT_EQ(drvsetup::BuildDateText("Feb  3 2024"), "Feb 03 2024");
    EXPECT_EQ(drvsetup::BuildDateText("odd"), "odd");
}

TEST(DeviceMonitor, UdevActionsAsDeviceChangeEvents) {
    EXPECT_EQ(drvsetup::DeviceEventTypeOfAction("add"), drvsetup::DBT_DEVICEARRIVAL);
    EXPECT_EQ(drvsetup::DeviceEventTypeOfAction("remove"), drvsetup::DBT_DEVICEREMOVECOMPLETE);
    for (const char* other : {"change", "bind", "unbind", "move", "", "Add"}) {
        EXPECT_EQ(drvsetup::DeviceEventTypeOfAction(other), std::nullopt) << other;
    }
}

}  // namespace
