#include "drvsetup/ui/dpinst_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/hklm_reg_data.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/vexa_ap_ini.h"
#include "drvsetup/shell/cmd_line.h"
#include "drvsetup/ui/animate_control.h"
#include "drvsetup/ui/device_monitor.h"
#include "drvsetup/ui/ini_gen_form.h"
#include "drvsetup/ui/status_panel_bar.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/ui/qt_event_pump.h"

// Resources of a static library have to be registered by name, outside any namespace.
static void InitSkinResource() {
    Q_INIT_RESOURCE(dpinst_skin);
}

namespace drvsetup {

namespace {

bool timerReentrancyFlag = false;

// The form resource's placement, in pixels.
constexpr int kGroupLeft = 16;
constexpr int kGroupTop = 40;
constexpr int kGroupWidth = 409;
constexpr int kProductLeft = 24;
constexpr int kProductWidth = 300;
constexpr int kProductHeight = 17;
constexpr int kButtonHeight = 25;
constexpr int kLabelHeight = 17;
constexpr int kTitleHeight = 28;
constexpr int kStatusHeight = 19;
constexpr int kAnimateLeft = 368;
constexpr int kAnimateWidth = 80;
constexpr int kAnimateHeight = 50;
// Settings beyond the tenth are never looked at.
constexpr size_t kMaxSettings = 10;

const QColor kProductColour(255, 0, 0);

// A control owned by its Qt parent, which deletes it with itself; the one place the window uses new.
template <typename T, typename Parent>
T* MakeChild(Parent* parent) {
    return new T(parent);  // NOLINT(cppcoreguidelines-owning-memory)
}

// Texts of the setup INI are in the system's ANSI code page.
QString FromAnsi(const std::string& text) {
    return QString::fromStdString(platform::SystemAnsiToUtf8(text));
}

void SetFontColour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget.setPalette(palette);
}

bool HasProductColour(const QWidget& widget) {
    return widget.palette().color(QPalette::WindowText) == kProductColour;
}

// Windows lets a program uncheck any radio button; Qt refuses to uncheck the checked button of an
// exclusive group, so the group rule is lifted for that moment.
void SetRadioChecked(QRadioButton& button, bool checked) {
    if (checked || !button.isChecked()) {
        button.setChecked(checked);
        return;
    }
    button.setAutoExclusive(false);
    button.setChecked(false);
    button.setAutoExclusive(true);
}

}  // namespace

std::string BuildDateText(std::string_view compilerDate) {
    // "Mmm dd yyyy", the day padded with a space for days below 10.
    if (compilerDate.size() != 11) {
        return std::string(compilerDate);
    }
    std::string text(compilerDate);
    if (text[4] == ' ') {
        text[4] = '0';
    }
    return text;
}

TDPInst_Form::TDPInst_Form(QWidget* parent) : QWidget(parent), iniGenerator_(OpenIniGenerator) {
    productButtons.reserve(kProductButtons);
    EnablePrivileges();  // a run works without them where the user lacks them
    BuildControls();
    FormCreate();
}

TDPInst_Form::~TDPInst_Form() {
    FormDestroy();
}

void TDPInst_Form::BuildControls() {
    InitSkinResource();
    setObjectName(QStringLiteral("DPInst_Form"));
    // The skinned frame draws its own title bar, so the window has no system frame; it is a fixed-size
    // dialog that stays above other windows.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_StyledBackground, true);
    if (QFile skin(QStringLiteral(":/drvsetup/skin/dpinst.qss")); skin.open(QIODevice::ReadOnly)) {
        setStyleSheet(QString::fromUtf8(skin.readAll()));
    }
    setFixedSize(kClientWidth, kInitialClientHeight);

    suiForm1 = MakeChild<QLabel>(this);
    suiForm1->setObjectName(QStringLiteral("suiForm1"));
    suiForm1->setGeometry(0, 0, kClientWidth, kTitleHeight);
    suiForm1->installEventFilter(this);
    auto* closeButton = MakeChild<QPushButton>(suiForm1);
    closeButton->setText(QStringLiteral("\u00d7"));
    closeButton->setObjectName(QStringLiteral("suiForm1CloseButton"));
    closeButton->setGeometry(kClientWidth - 30, 4, 22, 20);
    closeButton->setFocusPolicy(Qt::NoFocus);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    productGroupBox = MakeChild<QGroupBox>(this);
    productGroupBox->setObjectName(QStringLiteral("productGroupBox"));
    productGroupBox->setGeometry(kGroupLeft, kGroupTop, kGroupWidth, 105);
    for (size_t i = 0; i < radioButtons.size(); ++i) {
        auto* button = MakeChild<QRadioButton>(productGroupBox);
        button->setObjectName(QStringLiteral("RadioButton%1").arg(i));
        button->setGeometry(kProductLeft, 25 * static_cast<int>(i) + 25, kProductWidth, kProductHeight);
        button->hide();
        // Checking a button by program selects its product as a click does.
        connect(button, &QRadioButton::toggled, this, [this, button](bool checked) {
            if (checked) {
                productRadioButtonClick(button);
            }
        });
        radioButtons[i] = button;
    }

    installButton = MakeChild<QPushButton>(this);
    installButton->setObjectName(QStringLiteral("installButton"));
    installButton->setGeometry(48, 176, 97, kButtonHeight);
    connect(installButton, &QPushButton::clicked, this, &TDPInst_Form::installButtonClick);
    uninstallButton = MakeChild<QPushButton>(this);
    uninstallButton->setObjectName(QStringLiteral("uninstallButton"));
    uninstallButton->setGeometry(176, 176, 97, kButtonHeight);
    connect(uninstallButton, &QPushButton::clicked, this, &TDPInst_Form::uninstallButtonClick);
    exitButton = MakeChild<QPushButton>(this);
    exitButton->setObjectName(QStringLiteral("exitButton"));
    exitButton->setGeometry(304, 176, 89, kButtonHeight);
    connect(exitButton, &QPushButton::clicked, this, &TDPInst_Form::exitButtonClick);

    infFileLabel = MakeChild<QLabel>(this);
    infFileLabel->setText(QStringLiteral("INF File Name : "));
    infFileLabel->setObjectName(QStringLiteral("infFileLabel"));
    infFileLabel->setGeometry(16, 226, 96, kLabelHeight);
    infFileNameLabel = MakeChild<QLabel>(this);
    infFileNameLabel->setObjectName(QStringLiteral("infFileNameLabel"));
    infFileNameLabel->setGeometry(112, 226, 250, kLabelHeight);
    hwVidPidText = MakeChild<QLabel>(this);
    hwVidPidText->setObjectName(QStringLiteral("hwVidPidText"));
    hwVidPidText->setGeometry(112, 246, 250, kLabelHeight);

    statusBar = MakeChild<StatusPanelBar>(this);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->SetPanels(
        {{150, QStringLiteral("Message"), false}, {200, QString(), false}, {100, QString(), true}});
    statusBar->SetDrawPanelHandler([this](int panel, const QRect& rect) { statusBarDrawPanel(panel, rect); });
    myProgressBar = MakeChild<QProgressBar>(this);
    myProgressBar->setObjectName(QStringLiteral("myProgressBar"));
    myProgressBar->setTextVisible(false);
    myProgressBar->setValue(0);

    installAnimate = MakeChild<AnimateControl>(this);
    installAnimate->setObjectName(QStringLiteral("installAnimate"));
    installAnimate->setGeometry(kAnimateLeft, 300, kAnimateWidth, kAnimateHeight);
    installAnimate->hide();

    Timer1 = MakeChild<QTimer>(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TDPInst_Form::Timer1Timer);
    Timer1->start();

    deviceMonitor = MakeChild<DeviceMonitor>(this);
    connect(deviceMonitor, &DeviceMonitor::DeviceChange, this, &TDPInst_Form::WMDeviceChange);
}

void TDPInst_Form::FormCreate() {
    // Fonts need no character set here: Qt draws every text in Unicode.
    myProgressBar->setParent(statusBar);
    myProgressBar->show();

    cmdLine = std::make_unique<CmdLineParam>();
    apIni = std::make_unique<VexaApIni>(1);
    IVexaSetting* selected = apIni->Selected();
    if (selected != nullptr) {
        installSetting = std::make_unique<ApDrvInstall_HwSetting>(*selected);
    }

    productButtons.assign(radioButtons.begin(), radioButtons.end());

    if (selected != nullptr) {
        RecordSimIrName();
        SetCaption(FromAnsi(selected->GetString(key::MainFormCaption)));
        productGroupBox->setTitle(FromAnsi(selected->GetString(key::ProductBoxCaption)));
        installButton->setText(FromAnsi(selected->GetString(key::IinstallButtonName)));
        uninstallButton->setText(FromAnsi(selected->GetString(key::UnIinstallButtonName)));
        exitButton->setText(FromAnsi(selected->GetString(key::ExitButtonName)));
    }

    BuildProductList();
    RefreshProductButtons();
    RefreshInfLine();

    std::string version("Ver : ");
    version.append(BuildDateText(__DATE__));
    statusBar->SetPanelText(1, QString::fromStdString(version));

    // Centred on the screen the window will appear on.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TDPInst_Form::RecordSimIrName() {
    // Other software of the maker reads the infrared-remote program's name from here. Without the
    // right to write the key there is nothing to record, and the installer goes on.
    HKLM_RegDataRW registry(kInstallShieldKey, false);
    if (registry.IsOpen()) {
        registry.WriteString("SimIR_Name", apIni->Selected()->GetString(key::ShortCutSimIR_ApName));
    }
}

void TDPInst_Form::BuildProductList() {
    for (QRadioButton* button : productButtons) {
        button->setEnabled(false);
        button->hide();
    }
    std::vector<IVexaSetting*> settings = apIni->Records();
    settings.resize(std::min(settings.size(), kMaxSettings));

    bool listedByCommandLine = false;
    if (CmdLineTokens().count >= 1) {
        std::vector<int32_t> installDriverValues;
        installDriverValues.reserve(settings.size());
        for (IVexaSetting* setting : settings) {
            installDriverValues.push_back(setting->GetInt(key::InstallDriver, 0));
        }
        if (std::optional<size_t> match = SelectProductByToken(installDriverValues)) {
            SetUpProductButton(0, *settings[*match], true);
            ApplyActionTokens(*cmdLine);
            listedByCommandLine = true;
        }
    }
    if (!listedByCommandLine) {
        size_t next = 0;
        for (IVexaSetting* setting : settings) {
            if (next >= productButtons.size()) {
                break;
            }
            SetUpProductButton(next++, *setting, setting->GetInt(key::bEnableType, 0) != 0);
        }
    }
    PlaceProductRows(settings);
}

void TDPInst_Form::SetUpProductButton(size_t index, IVexaSetting& setting, bool visible) {
    QRadioButton& button = *productButtons[index];
    button.setText(FromAnsi(setting.GetString(key::OemProductName)));
    SetFontColour(button, kProductColour);
    button.setEnabled(true);
    button.setVisible(visible);
    productTags[index] = &setting;
    button.resize(kProductWidth, button.height());
    if (setting.GetInt(key::bInstallDrvSelected, 0) != 0) {
        SetRadioChecked(button, true);
    }
    setting.SetTag(&button);
}

void TDPInst_Form::PlaceProductRows(const std::vector<IVexaSetting*>& settings) {
    int rows = 0;
    for (IVexaSetting* setting : settings) {
        auto* button = static_cast<QRadioButton*>(setting->GetTag());
        if (button == nullptr) {
            continue;
        }
        SetRadioChecked(*button, setting->GetInt(key::bInstallDrvSelected, 0) != 0);
        button->move(button->x(), 25 * rows + 25);
        ++rows;
    }
    ApplyLayout(rows);
}

void TDPInst_Form::ApplyLayout(int rows) {
    productGroupBox->resize(productGroupBox->width(), 25 * rows + 40);
    const int groupBottom = productGroupBox->y() + productGroupBox->height();
    int y = 0;
    if (cmdLine->AutoInstall() == 1 || cmdLine->AutoUninstall() == 1) {
        installButton->hide();
        uninstallButton->hide();
        exitButton->hide();
        y = groupBottom + 20;
    } else {
        const int buttonTop = groupBottom + 30;
        installButton->move(installButton->x(), buttonTop);
        uninstallButton->move(uninstallButton->x(), buttonTop);
        exitButton->move(exitButton->x(), buttonTop);
        y = buttonTop + 50;
    }
    infFileLabel->move(infFileLabel->x(), y);
    infFileNameLabel->move(infFileNameLabel->x(), y);
    hwVidPidText->move(hwVidPidText->x(), y + 20);
    const int clientHeight = hwVidPidText->y() + 50;
    setFixedSize(kClientWidth, clientHeight);
    statusBar->setGeometry(0, clientHeight - kStatusHeight, kClientWidth, kStatusHeight);
    installAnimate->move(installAnimate->x(), clientHeight - 80);
}

void TDPInst_Form::RefreshProductButtons() {
    bool anyChecked = false;
    for (size_t i = 0; i < productButtons.size(); ++i) {
        IVexaSetting* setting = productTags[i];
        if (setting == nullptr) {
            continue;
        }
        SetFontColour(*productButtons[i], kProductColour);
        productButtons[i]->setText(FromAnsi(setting->GetString(key::OemProductName)));
        anyChecked = anyChecked || productButtons[i]->isChecked();
    }
    if (anyChecked) {
        return;
    }
    for (QRadioButton* button : productButtons) {
        if (HasProductColour(*button)) {
            SetRadioChecked(*button, true);
            return;
        }
    }
}

void TDPInst_Form::RefreshInfLine() {
    QString name;
    if (installSetting != nullptr) {
        name = FromAnsi(platform::FileNamePart(installSetting->CurrentInf()->GetPath()));
    }
    infFileNameLabel->setText(name);
    hwVidPidText->setText(QString());
}

void TDPInst_Form::SetCaption(const QString& caption) {
    setWindowTitle(caption);
    suiForm1->setText(caption);
}

IVexaSetting* TDPInst_Form::ProductSettingOf(const QRadioButton* button) const {
    for (size_t i = 0; i < radioButtons.size(); ++i) {
        if (radioButtons[i] == button) {
            return productTags[i];
        }
    }
    return nullptr;
}

void TDPInst_Form::productRadioButtonClick(QRadioButton* sender) {
    IVexaSetting* setting = ProductSettingOf(sender);
    if (setting == nullptr || apIni == nullptr) {
        return;
    }
    apIni->SelectByName(setting->GetName());
    installSetting.reset();
    installSetting = std::make_unique<ApDrvInstall_HwSetting>(*apIni->Selected());
    const std::string productName = installSetting->GetValue(key::OemProductName);
    statusBar->SetPanelText(0, FromAnsi(productName));
    std::string caption = productName;
    caption.append(" ");
    caption.append(installSetting->GetValue(key::MainFormCaption));
    SetCaption(FromAnsi(caption));
    RefreshInfLine();
}

void TDPInst_Form::installButtonClick() {
    if (installSetting != nullptr && cmdLine != nullptr) {
        InstallButtonClick(*installSetting, *cmdLine, *this);
    }
}

void TDPInst_Form::uninstallButtonClick() {
    if (installSetting != nullptr && cmdLine != nullptr) {
        UninstallButtonClick(*installSetting, *cmdLine, *this);
    }
}

void TDPInst_Form::exitButtonClick() {
    closeRequested = 1;
}

void TDPInst_Form::Timer1Timer() {
    if (timerReentrancyFlag) {
        return;
    }
    timerReentrancyFlag = true;
    if (closeRequested == 1) {
        close();
    } else if (cmdLine != nullptr && cmdLine->AutoInstall() == 1 && autoActionDone == 0) {
        installButtonClick();
        autoActionDone = 1;
    } else if (cmdLine != nullptr && cmdLine->AutoUninstall() == 1 && autoActionDone == 0) {
        uninstallButtonClick();
        autoActionDone = 1;
    }
    timerReentrancyFlag = false;
}

void TDPInst_Form::statusBarDrawPanel(int panel, const QRect& rect) {
    if (panel == 2) {
        myProgressBar->setGeometry(rect.adjusted(-1, -1, 1, 1));
    }
}

void TDPInst_Form::WMDeviceChange(uint32_t eventType) {
    if (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RefreshProductButtons();
    RefreshInfLine();
    QApplication::restoreOverrideCursor();
}

void TDPInst_Form::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    // Alt is not looked at: Ctrl+Alt+Shift+S opens the generator as well.
    if (key != Qt::Key_S || !modifiers.testFlag(Qt::ControlModifier) ||
        !modifiers.testFlag(Qt::ShiftModifier)) {
        return;
    }
    if (apIni != nullptr && apIni->Selected() != nullptr && iniGenerator_) {
        std::unique_ptr<IVexaSetting> accepted = iniGenerator_(*this, *apIni->Selected());
        if (accepted != nullptr && installSetting != nullptr) {
            installSetting->SetFromRecord(*accepted);
        }
    }
    RefreshProductButtons();
    RefreshInfLine();
}

void TDPInst_Form::SetIniGeneratorHook(IniGeneratorHook hook) {
    iniGenerator_ = std::move(hook);
}

void TDPInst_Form::FormDestroy() {
    installSetting.reset();
    apIni.reset();
    cmdLine.reset();
    // The buttons outlive the records they stood for by a moment while the window is torn down.
    productTags.fill(nullptr);
}

void TDPInst_Form::StartAnimation() {
    installAnimate->show();
    installAnimate->Start();
}

void TDPInst_Form::StopAnimation() {
    installAnimate->Stop();
    installAnimate->hide();
}

void TDPInst_Form::SetProductBoxEnabled(bool enabled) {
    productGroupBox->setEnabled(enabled);
}

void TDPInst_Form::SetTopmost(bool topmost) {
    // Changing a window flag hides a shown window; it comes back at once.
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (visible) {
        show();
    }
}

void TDPInst_Form::RequestClose() {
    closeRequested = 1;
}

platform::EventPump TDPInst_Form::WaitPump() {
    return platform::QtEventPump();
}

bool TDPInst_Form::TimerReentrancyFlag() {
    return timerReentrancyFlag;
}

void TDPInst_Form::SetTimerReentrancyFlag(bool set) {
    timerReentrancyFlag = set;
}

void TDPInst_Form::keyPressEvent(QKeyEvent* event) {
    // The controls pass on key combinations they do not use, so the window sees the generator's keys
    // whichever control has the focus.
    FormKeyDown(event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

void TDPInst_Form::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    Q_EMIT Closed();
}

bool TDPInst_Form::eventFilter(QObject* watched, QEvent* event) {
    // The skinned title bar moves the frameless window.
    if (watched == suiForm1) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                dragging_ = true;
                dragOffset_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
                return true;
            }
        } else if (event->type() == QEvent::MouseMove && dragging_) {
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
            return true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            dragging_ = false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace drvsetup
