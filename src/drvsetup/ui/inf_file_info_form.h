#pragma once

// The INF information window: the path of one INF entry and the hardware identifiers its model
// section declares, with the one matching the entry's hardware name preselected. "Copy To Ini File"
// gives the entry the chosen identifier without its bus prefix; "OK" leaves the entry alone.

#include <QDialog>
#include <string>
#include <string_view>

class QComboBox;
class QLabel;
class QPushButton;

namespace drvsetup {

class PerInfFile;

// The identifier as the setup INI keeps it: everything after the first "\" (the whole text when it
// has none), so USB\VID_1A2B&PID_3C4D&MI_00 gives VID_1A2B&PID_3C4D&MI_00.
std::string HardwareNameOfId(std::string_view hardwareId);

class TinfFileInfo_Form : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 264;

    // The entry is borrowed and must outlive the window.
    TinfFileInfo_Form(QWidget* owner, PerInfFile& entry);

    void FormCreate();
    void okButtonClick();
    void copyToIniFileButtonClick();

  private:
    PerInfFile& entry_;
    QLabel* infFileNameLabel = nullptr;
    QLabel* hwStringLabel = nullptr;
    QComboBox* infVidPidComboBox = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* copyToIniFileButton = nullptr;
};

}  // namespace drvsetup
