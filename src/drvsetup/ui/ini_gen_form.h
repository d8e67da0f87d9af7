#pragma once

// The setup INI generator: the engineering window opened from the installer window with
// Ctrl+Shift+S. It edits every value of one hardware setting record on tabbed pages, keeps named
// variants of records per product in the settings database (its controls unlocked by an access code),
// shows the software-decoder choices of the record, writes setup INI files and reads them back.
//
// The window is thin: the mapping between controls and keys, the INI files and the relative paths
// live in the core (drvsetup/config/ini_gen_*). Handlers carry the names of the original form's
// events; tests drive them directly.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace drvsetup {

class ApDrvInstall_HwSetting;
class Archiver;
class HwSettingIO;
class IGenControls;
class IStreamSplitters;
class IVexaSetting;
class StreamFilterList;
class TinfFileInfo_Form;
class VexaDbFile;
struct GenChoiceLists;
struct InfFamily;

class TiniGenForm : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kWidth = 940;
    static constexpr int kHeight = 660;
    static constexpr const char* kAccessCode = "7093";
    // The build stamp the caption shows.
    static constexpr const char* kBuildDate = "Nov 30 2006";
    static constexpr const char* kBuildTime = "10:39:01";

    // Shows the INF information window; the window runs it modally unless a test replaces it.
    using InfInfoRunner = std::function<void(TinfFileInfo_Form&)>;

    // Builds the choice lists, the install view of the record and the decoder list, then runs
    // FormCreate (which opens the settings database and asks for the access code).
    TiniGenForm(QWidget* owner, const IVexaSetting& record);
    ~TiniGenForm() override;
    TiniGenForm(const TiniGenForm&) = delete;
    TiniGenForm& operator=(const TiniGenForm&) = delete;

    // Event handlers.
    void FormCreate();
    void productRadioButtonClick(QRadioButton* sender);
    void hwSettingTypeComboBoxChange();
    void addNewSettingButtonClick();
    void deleteSettingButtonClick();
    void saveDbToFileButtonClick();
    void streamRadioButtonClick(int streamIndex);
    void splitterListBoxClick(int index);
    void videoListBoxClick(int index);
    void audioListBoxClick(int index);
    void okButtonClick();
    void exitButtonClick();
    void dummyDrvInstallCheckBoxClick();
    void genIniFileButtonClick();
    void readFromIniButtonClick();
    void driverPathButtonClick(const InfFamily& family);
    void findInfButtonClick(const InfFamily& family, int32_t slot);
    void findVidPidButtonClick(const InfFamily& family, int32_t slot);
    void mediaPlayerButtonClick(const InfFamily& family);
    void apButtonClick(int32_t row, bool uninstall);

    // One radio button per product on the "Product" page, in columns of 15.
    void BuildProductButtons(const std::vector<int32_t>& products);
    // The "AV Decoder" page from the filter list: "Program Stream" shown, lists and selections.
    void RefreshDecoderPage();

    int32_t Accepted() const { return accepted_; }
    int32_t CurrentProduct() const { return currentProduct_; }
    ApDrvInstall_HwSetting& InstallView() { return *installView_; }
    VexaDbFile& Database() { return *database_; }
    StreamFilterList& FilterList() { return *filterList_; }
    IGenControls& Controls() { return *controls_; }
    const std::vector<QRadioButton*>& ProductButtons() const { return productButtons_; }
    void SetInfInfoRunner(InfInfoRunner runner) { infInfoRunner_ = std::move(runner); }

  private:
    void BuildControls();
    QWidget* BuildGeneratorPage();
    QWidget* BuildShortcutPage();
    QWidget* BuildAppSettingPage();
    QWidget* BuildProductPage();
    QWidget* BuildDecoderPage();
    QWidget* BuildTestProgramPage();
    QWidget* BuildInfDataPage();
    QWidget* BuildApInstallPage();

    void SelectProduct(int32_t product);
    void LoadDbRecord(HwSettingIO* record);
    void WriteRecordFromWindow();
    void StoreDecoderSelection();
    std::string SettingName() const;
    std::string ExecutableFolder() const;
    std::optional<std::string> ChooseFile(const char* title, const std::string& folder, const char* fileName,
                                          const char* extension);

    std::unique_ptr<GenChoiceLists> lists_;
    std::unique_ptr<ApDrvInstall_HwSetting> installView_;
    std::unique_ptr<StreamFilterList> filterList_;
    std::unique_ptr<Archiver> archiver_;
    std::unique_ptr<VexaDbFile> database_;
    std::unique_ptr<IGenControls> controls_;
    std::vector<QRadioButton*> productButtons_;
    int32_t currentProduct_ = 0;
    int32_t accepted_ = 0;
    IStreamSplitters* shownSet_ = nullptr;
    // Where "Read From Ini File" left the file-open dialog; empty before its first use.
    std::string readIniFolder_;
    InfInfoRunner infInfoRunner_;

    QTabWidget* installPageControl = nullptr;
    QWidget* productPage_ = nullptr;
    QComboBox* hwSettingTypeComboBox = nullptr;
    QLineEdit* newSettingNameEdit = nullptr;
    QComboBox* m_tunerModuleComboBox = nullptr;
    QComboBox* testItemComboBox = nullptr;
    QRadioButton* streamButtons_[4] = {};
    QListWidget* splitterListBox = nullptr;
    QListWidget* videoListBox = nullptr;
    QListWidget* audioListBox = nullptr;
};

// The hook of the installer window: the generator, modally, for the selected record; the record the
// engineer accepted with "OK", or null.
std::unique_ptr<IVexaSetting> OpenIniGenerator(QWidget& owner, IVexaSetting& selected);

}  // namespace drvsetup
