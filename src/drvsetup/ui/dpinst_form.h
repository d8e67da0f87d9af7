#pragma once

// The installer window of drvsetup: the products of the setup INI as radio buttons, Install, Uninstall
// and Exit, the name of the INF that will be installed, a status bar with the product and the version,
// and an animation while the Driver Package Installer works. For an unattended command line it hides
// its buttons, starts the run from its timer and closes when the run is over.
//
// The handlers carry the names of the original form's events so the behaviour can be followed event by
// event; tests drive them directly.

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drvsetup/shell/install_run.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace drvsetup {

class AnimateControl;
class ApDrvInstall_HwSetting;
class CmdLineParam;
class DeviceMonitor;
class IVexaSetting;
class StatusPanelBar;
class VexaApIni;

// The compiler's build date ("Nov  3 2006") as the window shows it, day in two digits ("Nov 03 2006").
std::string BuildDateText(std::string_view compilerDate);

class TDPInst_Form : public QWidget, public IInstallRunHost {
    Q_OBJECT

  public:
    static constexpr int kProductButtons = 7;
    static constexpr int kClientWidth = 453;
    static constexpr int kInitialClientHeight = 394;

    // Opens the setup-INI generator for the selected record, modally over `owner`. Returns the record
    // the engineer accepted, or null when the generator was left without accepting.
    using IniGeneratorHook =
        std::function<std::unique_ptr<IVexaSetting>(QWidget& owner, IVexaSetting& selected)>;

    // Enables the process privileges and runs FormCreate, which reads the setup INI next to the
    // executable and applies the command line parsed before.
    explicit TDPInst_Form(QWidget* parent = nullptr);
    ~TDPInst_Form() override;
    TDPInst_Form(const TDPInst_Form&) = delete;
    TDPInst_Form& operator=(const TDPInst_Form&) = delete;

    // Event handlers.
    void FormCreate();
    void FormDestroy();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void installButtonClick();
    void uninstallButtonClick();
    void exitButtonClick();
    void productRadioButtonClick(QRadioButton* sender);
    void Timer1Timer();
    void statusBarDrawPanel(int panel, const QRect& rect);
    void WMDeviceChange(uint32_t eventType);

    // What an install or uninstall run asks of the window.
    void StartAnimation() override;
    void StopAnimation() override;
    void SetProductBoxEnabled(bool enabled) override;
    void SetTopmost(bool topmost) override;
    void RequestClose() override;
    platform::EventPump WaitPump() override;

    // The generator window (OpenIniGenerator) unless replaced; an empty hook makes the keys open nothing.
    void SetIniGeneratorHook(IniGeneratorHook hook);

    int32_t CloseRequested() const { return closeRequested; }
    int32_t AutoActionDone() const { return autoActionDone; }
    VexaApIni* ApIni() const { return apIni.get(); }
    ApDrvInstall_HwSetting* InstallSetting() const { return installSetting.get(); }
    const CmdLineParam* CmdLine() const { return cmdLine.get(); }
    const std::vector<QRadioButton*>& ProductButtons() const { return productButtons; }
    // The setting a product button stands for, or null when the button is not a product.
    IVexaSetting* ProductSettingOf(const QRadioButton* button) const;

    // The process-wide flag that keeps timer ticks arriving during a run from starting anything.
    static bool TimerReentrancyFlag();
    static void SetTimerReentrancyFlag(bool set);

  Q_SIGNALS:
    // The window was closed; the program ends its event loop on it, even when the window was never
    // shown.
    void Closed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void BuildProductList();
    void SetUpProductButton(size_t index, IVexaSetting& setting, bool visible);
    void PlaceProductRows(const std::vector<IVexaSetting*>& settings);
    void ApplyLayout(int rows);
    void RefreshProductButtons();
    void RefreshInfLine();
    void SetCaption(const QString& caption);
    void RecordSimIrName();

    std::vector<QRadioButton*> productButtons;
    int32_t closeRequested = 0;
    std::unique_ptr<VexaApIni> apIni;
    std::unique_ptr<ApDrvInstall_HwSetting> installSetting;
    std::unique_ptr<CmdLineParam> cmdLine;
    int32_t autoActionDone = 0;

    QLabel* suiForm1 = nullptr;
    QGroupBox* productGroupBox = nullptr;
    std::array<QRadioButton*, kProductButtons> radioButtons{};
    std::array<IVexaSetting*, kProductButtons> productTags{};
    QPushButton* installButton = nullptr;
    QPushButton* uninstallButton = nullptr;
    QPushButton* exitButton = nullptr;
    QLabel* infFileLabel = nullptr;
    QLabel* infFileNameLabel = nullptr;
    QLabel* hwVidPidText = nullptr;
    StatusPanelBar* statusBar = nullptr;
    QProgressBar* myProgressBar = nullptr;
    AnimateControl* installAnimate = nullptr;
    QTimer* Timer1 = nullptr;
    DeviceMonitor* deviceMonitor = nullptr;

    IniGeneratorHook iniGenerator_;
    // Where a drag of the title bar started, relative to the window.
    QPoint dragOffset_;
    bool dragging_ = false;
};

}  // namespace drvsetup
