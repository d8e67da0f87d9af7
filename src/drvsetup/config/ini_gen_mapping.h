#pragma once

// How the generator window's controls and a hardware setting record stay in step: the fixed table of
// control names and setup keys, the write of every control into the record, the read of the record
// into every control, and what the INF pickers change. The window is reached only through
// IGenControls, by control name, so all of this runs and is tested without a display.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace drvsetup {

class ApDrvInstall_HwSetting;

// The window's controls by object name. Unknown names read as empty / unticked and ignore writes,
// so a window that lacks a control loses only that control's key.
class IGenControls {
  public:
    // Line edits, labels and the edit text of combo boxes.
    virtual std::string Text(std::string_view control) const = 0;
    virtual void SetText(std::string_view control, const std::string& text) = 0;
    // Check boxes and radio buttons. Unticking a radio button may leave its group with none selected.
    virtual bool Checked(std::string_view control) const = 0;
    virtual void SetChecked(std::string_view control, bool checked) = 0;
    virtual void SetEnabled(std::string_view control, bool enabled) = 0;
    // Combo boxes: the items, and the selected one (-1 for none).
    virtual void SetItems(std::string_view control, const std::vector<std::string>& items) = 0;
    virtual int32_t CurrentIndex(std::string_view control) const = 0;
    virtual void SetCurrentIndex(std::string_view control, int32_t index) = 0;
    virtual ~IGenControls() = default;
};

enum class ControlKind : uint8_t { Text, Check };

// A control whose text (or tick, as "1" / "0") is the value of one key.
struct MappedControl {
    const char* control;
    const char* key;
    ControlKind kind;
};

struct RadioChoice {
    const char* control;
    const char* caption;
    const char* value;
};

// Radio buttons that together give one key its value.
struct RadioGroup {
    const char* key;
    std::span<const RadioChoice> choices;
};

// One Windows family of the "Inf Data" page.
struct InfFamily {
    int32_t osCode;
    const char* page;             // caption of its sub-page
    const char* prefix;           // of its slot controls
    const char* keyInfix;         // in its INF, hardware-name and service-name keys
    const char* driverFolderKey;  // the key its Find-INF button sets
    const char* driverPathEdit;
    const char* mediaPlayerEdit;
    const char* pathButton;
    const char* mediaPlayerButton;
};

inline constexpr int32_t kInfSlots = 6;
inline constexpr int32_t kApRows = 7;
inline constexpr int32_t kDummyProduct = 1000;

// The page tables, in the order their controls are written.
std::span<const MappedControl> GeneratorPageControls();    // "Driver Ini File Generator"
std::span<const MappedControl> ShortcutPageControls();     // "InstallShield ShortCut"
std::span<const MappedControl> AppSettingPageControls();   // "App Setting Ini"
std::span<const MappedControl> ProductPageControls();      // "Product"
std::span<const MappedControl> TestProgramPageControls();  // "Test Program"
std::span<const MappedControl> InfDataPageControls();      // "Inf Data", besides the families
// "Ap Install": five controls per row, rows 0 to 6.
const std::vector<MappedControl>& ApInstallPageControls();
// The radio groups of "App Setting Ini", in the order they are written.
std::span<const RadioGroup> AppSettingRadioGroups();
// Groups whose buttons the window places but which follow rules of their own.
const RadioGroup& RemoteReceiverGroup();
const RadioGroup& EpromWriteModeGroup();
const RadioGroup& MtsGroup();

// Xp32, Xp64, 2K, Vista32, Vista64: the order of the sub-pages.
std::span<const InfFamily> InfFamilies();
const InfFamily* FindInfFamily(int32_t osCode);

// Names of a family's slot controls.
std::string InfNameEdit(const InfFamily& family, int32_t slot);
std::string InfHwStringEdit(const InfFamily& family, int32_t slot);
std::string InfServiceNameEdit(const InfFamily& family, int32_t slot);
std::string FindInfButton(const InfFamily& family, int32_t slot);
std::string FindVidPidButton(const InfFamily& family, int32_t slot);
// Names of an "Ap Install" row's buttons.
std::string ApInstallButton(int32_t row);
std::string ApUnInstallButton(int32_t row);
std::string ApInstallEdit(int32_t row);
std::string ApUnInstallEdit(int32_t row);

// The identifier of a key text of the tables; -1 for a text the key table does not own.
int32_t KeyIdOf(std::string_view keyText);

// "vInstallTools   ID: " and the product the dummy check box stands for.
std::string InstallDriverIdText(bool dummyTicked, int32_t hardwareId);

// One entry of a combo box: the number written into the record and the text shown.
struct GenChoice {
    int32_t key;
    std::string name;
};

// The choice lists behind the three combo boxes, kept by the window and used by both directions.
struct GenChoiceLists {
    // Fills the tuner list from a temporary tuner database and the test items from their table.
    GenChoiceLists();
    std::vector<GenChoice> tuners;     // model id, model name
    std::vector<GenChoice> testItems;  // test id, test name
    std::vector<GenChoice> mainChips;  // chip code, label; made again for each record's product
};

// Writes every control into the record of the view and brings the view's INF lists in step with it.
void WriteControlsToRecord(IGenControls& controls, ApDrvInstall_HwSetting& view, GenChoiceLists& lists);
// Fills every control from the record of the view.
void ReadRecordIntoControls(IGenControls& controls, ApDrvInstall_HwSetting& view, GenChoiceLists& lists);

// Find-INF of family F, slot n, for the chosen file: names, driver folders and the view's INF.
void ApplyChosenInf(IGenControls& controls, ApDrvInstall_HwSetting& view, const InfFamily& family,
                    int32_t slot, const std::string& chosenPath);
// After the INF information window: the slot's hardware name, also offered to the same slot of
// every family that has none yet.
void ApplyChosenHardwareName(IGenControls& controls, ApDrvInstall_HwSetting& view, const InfFamily& family,
                             int32_t slot, const std::string& hardwareName);

}  // namespace drvsetup
