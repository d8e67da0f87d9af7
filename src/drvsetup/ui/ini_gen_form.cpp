#include "drvsetup/ui/ini_gen_form.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "drvsetup/config/archiver.h"
#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/ini_gen_files.h"
#include "drvsetup/config/ini_gen_mapping.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/vexa_db_file.h"
#include "drvsetup/device/product_tables.h"
#include "drvsetup/device/soft_decoder.h"
#include "drvsetup/shell/text_tools.h"
#include "drvsetup/ui/inf_file_info_form.h"
#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/guid.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/input_box.h"

namespace drvsetup {

namespace {

constexpr int kPageControlLeft = 8;
constexpr int kPageControlTop = 8;
constexpr int kPageControlHeight = 580;
// What the tab bar takes from the page control's height.
constexpr int kTabBarHeight = 26;
constexpr int kProductRows = 15;
constexpr int kProductRowHeight = 18;
constexpr int kProductButtonWidth = 110;
constexpr int kProductColumnWidth = 120;
constexpr int kProductLeft = 15;
constexpr uint32_t kErrorBoxFlags = 0x50030;

constexpr const char* kDatabaseControls[] = {
    "newSettingNameEdit",    "vidPidDescriptionEdit", "oemDescriptionEdit",
    "addNewSettingButton",   "deleteSettingButton",   "saveDbToFileButton",
    "pcbVerDescriptionEdit", "mainChipsEdit",         "m_tunerModuleComboBox",
};

// Shown, in this order, by the radio buttons of the "AV Decoder" page.
constexpr const char* kStreamButtons[][2] = {
    {"programStreamRadioButton", "Program Stream"},
    {"mpeg4RadioButton", "MPEG4"},
    {"transportStreamRadioButton", "Transport Stream"},
    {"mpeg1RadioButton", "MPEG1"},
};

// A layout or a widget that its Qt parent (given now or when it is added) owns and deletes.
template <typename T, typename... Args>
T* New(Args&&... args) {
    return new T(std::forward<Args>(args)...);  // NOLINT(cppcoreguidelines-owning-memory)
}

// A named control owned by its Qt parent.
template <typename T>
T* Make(QWidget* parent, const std::string& name) {
    T* widget = New<T>(parent);
    widget->setObjectName(QString::fromStdString(name));
    return widget;
}

// Texts of the records are in the system's ANSI code page.
QString FromAnsi(const std::string& text) {
    return QString::fromStdString(platform::SystemAnsiToUtf8(text));
}
std::string ToAnsi(const QString& text) {
    return platform::Utf8ToSystemAnsi(text.toStdString());
}

// The window's controls by object name, for the core's mapping.
class QtGenControls : public IGenControls {
  public:
    explicit QtGenControls(QWidget& root) : root_(root) {}

    std::string Text(std::string_view control) const override {
        QWidget* widget = Find(control);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            return ToAnsi(edit->text());
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            return ToAnsi(combo->currentText());
        }
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            return ToAnsi(label->text());
        }
        return {};
    }

    void SetText(std::string_view control, const std::string& text) override {
        QWidget* widget = Find(control);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setText(FromAnsi(text));
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->isEditable()) {
                combo->setEditText(FromAnsi(text));
            } else {
                combo->setCurrentIndex(combo->findText(FromAnsi(text)));
            }
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(FromAnsi(text));
        }
    }

    bool Checked(std::string_view control) const override {
        auto* button = qobject_cast<QAbstractButton*>(Find(control));
        return button != nullptr && button->isChecked();
    }

    void SetChecked(std::string_view control, bool checked) override {
        auto* button = qobject_cast<QAbstractButton*>(Find(control));
        if (button == nullptr) {
            return;
        }
        // Qt refuses to uncheck the checked button of an exclusive group; Windows lets a program do it.
        if (!checked && button->isChecked() && button->autoExclusive()) {
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(true);
            return;
        }
        button->setChecked(checked);
    }

    void SetEnabled(std::string_view control, bool enabled) override {
        if (QWidget* widget = Find(control)) {
            widget->setEnabled(enabled);
        }
    }

    void SetItems(std::string_view control, const std::vector<std::string>& items) override {
        if (auto* combo = qobject_cast<QComboBox*>(Find(control))) {
            const QSignalBlocker block(combo);
            combo->clear();
            for (const std::string& item : items) {
                combo->addItem(FromAnsi(item));
            }
            combo->setCurrentIndex(-1);
        }
    }

    int32_t CurrentIndex(std::string_view control) const override {
        auto* combo = qobject_cast<QComboBox*>(Find(control));
        return combo != nullptr ? combo->currentIndex() : -1;
    }

    void SetCurrentIndex(std::string_view control, int32_t index) override {
        if (auto* combo = qobject_cast<QComboBox*>(Find(control))) {
            combo->setCurrentIndex(index < combo->count() ? index : -1);
        }
    }

  private:
    QWidget* Find(std::string_view control) const {
        const QString name = QString::fromLatin1(control.data(), static_cast<qsizetype>(control.size()));
        if (auto it = cache_.constFind(name); it != cache_.constEnd()) {
            return *it;
        }
        QWidget* widget = root_.findChild<QWidget*>(name);
        if (widget != nullptr) {
            cache_.insert(name, widget);
        }
        return widget;
    }

    QWidget& root_;
    mutable QHash<QString, QWidget*> cache_;
};

QLineEdit* AddEdit(QFormLayout& form, QWidget* parent, const std::string& name, const char* label) {
    auto* edit = Make<QLineEdit>(parent, name);
    form.addRow(QString::fromLatin1(label), edit);
    return edit;
}

// The mapped controls of a table: edits in a form, check boxes in a grid of `columns` below it.
void AddMapped(QWidget* parent, QVBoxLayout& layout, std::span<const MappedControl> table, int columns = 2) {
    auto* form = New<QFormLayout>();
    auto* grid = New<QGridLayout>();
    int checks = 0;
    for (const MappedControl& item : table) {
        if (item.kind == ControlKind::Text) {
            AddEdit(*form, parent, item.control, item.key);
        } else {
            auto* box = Make<QCheckBox>(parent, item.control);
            box->setText(QString::fromLatin1(item.key));
            grid->addWidget(box, checks / columns, checks % columns);
            ++checks;
        }
    }
    layout.addLayout(form);
    layout.addLayout(grid);
}

QGroupBox* AddRadioGroup(QWidget* parent, const RadioGroup& group, const std::string& boxName, int columns) {
    auto* box = Make<QGroupBox>(parent, boxName);
    box->setTitle(QString::fromLatin1(group.key));
    auto* grid = New<QGridLayout>(box);
    int n = 0;
    for (const RadioChoice& choice : group.choices) {
        auto* button = Make<QRadioButton>(box, choice.control);
        button->setText(QString::fromLatin1(choice.caption));
        grid->addWidget(button, n / columns, n % columns);
        ++n;
    }
    return box;
}

// A page whose content scrolls when it does not fit.
QWidget* ScrollPage(QWidget* content) {
    auto* scroll = New<QScrollArea>();
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    return scroll;
}

QVBoxLayout* NewColumn(QWidget* page) {
    return New<QVBoxLayout>(page);
}

}  // namespace

TiniGenForm::TiniGenForm(QWidget* owner, const IVexaSetting& record) : QDialog(owner) {
    lists_ = std::make_unique<GenChoiceLists>();
    installView_ = std::make_unique<ApDrvInstall_HwSetting>(record);
    filterList_ = std::make_unique<StreamFilterList>(0, installView_->Record());
    shownSet_ = &filterList_->ProgramStream();
    infInfoRunner_ = [](TinfFileInfo_Form& form) { form.exec(); };
    BuildControls();
    controls_ = std::make_unique<QtGenControls>(*this);
    FormCreate();
}

TiniGenForm::~TiniGenForm() {
    filterList_.reset();
    installView_.reset();
    database_.reset();
}

std::string TiniGenForm::ExecutableFolder() const {
    return platform::ExecutableFolder();
}

void TiniGenForm::BuildControls() {
    setObjectName(QStringLiteral("iniGenForm"));
    setWindowTitle(QStringLiteral("Driver Install Ini File Generation Form"));
    setFixedSize(kWidth, kHeight);
    setModal(true);

    installPageControl = Make<QTabWidget>(this, "installPageControl");
    installPageControl->setGeometry(kPageControlLeft, kPageControlTop, kWidth - 2 * kPageControlLeft,
                                    kPageControlHeight);
    installPageControl->addTab(BuildGeneratorPage(), QStringLiteral("Driver Ini File Generator"));
    installPageControl->addTab(BuildShortcutPage(), QStringLiteral("InstallShield ShortCut"));
    installPageControl->addTab(BuildAppSettingPage(), QStringLiteral("App Setting Ini"));
    installPageControl->addTab(BuildProductPage(), QStringLiteral("Product"));
    installPageControl->addTab(BuildDecoderPage(), QStringLiteral("AV Decoder"));
    installPageControl->addTab(BuildTestProgramPage(), QStringLiteral("Test Program"));
    installPageControl->addTab(BuildInfDataPage(), QStringLiteral("Inf Data"));
    installPageControl->addTab(BuildApInstallPage(), QStringLiteral("Ap Install"));

    const int buttonTop = kPageControlTop + kPageControlHeight + 20;
    auto* readFromIniButton = Make<QPushButton>(this, "readFromIniButton");
    readFromIniButton->setText(QStringLiteral("Read From Ini File"));
    readFromIniButton->setGeometry(16, buttonTop, 150, 30);
    auto* genIniFileButton = Make<QPushButton>(this, "genIniFileButton");
    genIniFileButton->setText(QStringLiteral("Gen Ini File"));
    genIniFileButton->setGeometry(kWidth - 376, buttonTop, 110, 30);
    auto* exitButton = Make<QPushButton>(this, "exitButton");
    exitButton->setText(QStringLiteral("Exit"));
    exitButton->setGeometry(kWidth - 250, buttonTop, 110, 30);
    auto* okButton = Make<QPushButton>(this, "okButton");
    okButton->setText(QStringLiteral("OK"));
    okButton->setGeometry(kWidth - 126, buttonTop, 110, 30);
    connect(readFromIniButton, &QPushButton::clicked, this, [this] { readFromIniButtonClick(); });
    connect(genIniFileButton, &QPushButton::clicked, this, [this] { genIniFileButtonClick(); });
    connect(exitButton, &QPushButton::clicked, this, [this] { exitButtonClick(); });
    connect(okButton, &QPushButton::clicked, this, [this] { okButtonClick(); });
}

QWidget* TiniGenForm::BuildGeneratorPage() {
    auto* page = Make<QWidget>(nullptr, "generatorPage");
    QVBoxLayout* column = NewColumn(page);
    auto* formEditGroupBox = Make<QGroupBox>(page, "formEditGroupBox");
    formEditGroupBox->setTitle(QStringLiteral("Form Caption Edit"));
    QVBoxLayout* inner = NewColumn(formEditGroupBox);
    AddMapped(formEditGroupBox, *inner, GeneratorPageControls());
    column->addWidget(formEditGroupBox);
    column->addStretch();
    return ScrollPage(page);
}

QWidget* TiniGenForm::BuildShortcutPage() {
    auto* page = Make<QWidget>(nullptr, "shortcutPage");
    QVBoxLayout* column = NewColumn(page);
    auto* installShieldGroupBox = Make<QGroupBox>(page, "installShieldGroupBox");
    installShieldGroupBox->setTitle(QStringLiteral("InstallShield Initial Data"));
    auto* GroupBox5 = Make<QGroupBox>(page, "GroupBox5");
    GroupBox5->setTitle(QStringLiteral("InstallShield Restart PC"));
    auto* vInstallToolsGroupBox = Make<QGroupBox>(page, "vInstallToolsGroupBox");
    vInstallToolsGroupBox->setTitle(QStringLiteral("vInstallTools Restart Option"));

    // The restart options go to their own boxes; the rest of the page's controls to the first.
    std::vector<MappedControl> initial;
    std::vector<MappedControl> restartPc;
    std::vector<MappedControl> restartTools;
    for (const MappedControl& item : ShortcutPageControls()) {
        const std::string_view name(item.control);
        if (name.starts_with("vInstall_") || name.starts_with("vUnInstall_")) {
            restartTools.push_back(item);
        } else if (name == "xpRestartCheckBox" || name == "_2kRestartCheckBox" ||
                   name == "_98meRestartCheckBox") {
            restartPc.push_back(item);
        } else {
            initial.push_back(item);
        }
    }
    QVBoxLayout* initialColumn = NewColumn(installShieldGroupBox);
    AddMapped(installShieldGroupBox, *initialColumn, initial, 3);
    auto* useDPInstCheckBox = Make<QCheckBox>(installShieldGroupBox, "useDPInstCheckBox");
    useDPInstCheckBox->setText(QStringLiteral("UseDPInstExe"));
    initialColumn->addWidget(useDPInstCheckBox);
    QVBoxLayout* restartColumn = NewColumn(GroupBox5);
    AddMapped(GroupBox5, *restartColumn, restartPc, 3);
    QVBoxLayout* toolsColumn = NewColumn(vInstallToolsGroupBox);
    AddMapped(vInstallToolsGroupBox, *toolsColumn, restartTools, 2);

    column->addWidget(installShieldGroupBox);
    auto* row = New<QHBoxLayout>();
    row->addWidget(GroupBox5);
    row->addWidget(vInstallToolsGroupBox);
    column->addLayout(row);
    column->addStretch();
    return ScrollPage(page);
}

QWidget* TiniGenForm::BuildAppSettingPage() {
    auto* page = Make<QWidget>(nullptr, "appSettingPage");
    QVBoxLayout* column = NewColumn(page);
    AddMapped(page, *column, AppSettingPageControls(), 3);
    auto* grid = New<QGridLayout>();
    int n = 0;
    for (const RadioGroup& group : AppSettingRadioGroups()) {
        const std::string key(group.key);
        const std::string boxName = key == "AudioSourceSelection" ? "audioSourceGroupBox" : key + "GroupBox";
        grid->addWidget(AddRadioGroup(page, group, boxName, 3), n / 2, n % 2);
        ++n;
    }
    grid->addWidget(AddRadioGroup(page, RemoteReceiverGroup(), "remoteReceiverGroupBox", 3), n / 2, n % 2);
    column->addLayout(grid);
    column->addStretch();
    return ScrollPage(page);
}

QWidget* TiniGenForm::BuildProductPage() {
    // The product buttons are placed by position, so the page has no layout of its own.
    productPage_ = Make<QWidget>(nullptr, "productPage");
    auto* settingTitleGroupBox = Make<QGroupBox>(productPage_, "settingTitleGroupBox");
    settingTitleGroupBox->setTitle(QStringLiteral("Setting Inforamtion"));
    settingTitleGroupBox->setGeometry(kProductLeft + 3 * kProductColumnWidth + 10, 8, 520, 420);
    auto* form = New<QFormLayout>(settingTitleGroupBox);

    hwSettingTypeComboBox = Make<QComboBox>(settingTitleGroupBox, "hwSettingTypeComboBox");
    hwSettingTypeComboBox->setEditable(true);
    form->addRow(QStringLiteral("Setting"), hwSettingTypeComboBox);
    connect(hwSettingTypeComboBox, &QComboBox::textActivated, this,
            [this] { hwSettingTypeComboBoxChange(); });
    newSettingNameEdit = AddEdit(*form, settingTitleGroupBox, "newSettingNameEdit", "New Setting Name");

    auto* buttons = New<QHBoxLayout>();
    auto* addNewSettingButton = Make<QPushButton>(settingTitleGroupBox, "addNewSettingButton");
    addNewSettingButton->setText(QStringLiteral("Add New Setting"));
    auto* deleteSettingButton = Make<QPushButton>(settingTitleGroupBox, "deleteSettingButton");
    deleteSettingButton->setText(QStringLiteral("Delete Setting"));
    auto* saveDbToFileButton = Make<QPushButton>(settingTitleGroupBox, "saveDbToFileButton");
    saveDbToFileButton->setText(QStringLiteral("Save Data Base"));
    buttons->addWidget(addNewSettingButton);
    buttons->addWidget(deleteSettingButton);
    buttons->addWidget(saveDbToFileButton);
    form->addRow(buttons);
    connect(addNewSettingButton, &QPushButton::clicked, this, [this] { addNewSettingButtonClick(); });
    connect(deleteSettingButton, &QPushButton::clicked, this, [this] { deleteSettingButtonClick(); });
    connect(saveDbToFileButton, &QPushButton::clicked, this, [this] { saveDbToFileButtonClick(); });

    for (const MappedControl& item : ProductPageControls()) {
        AddEdit(*form, settingTitleGroupBox, item.control, item.key);
    }
    m_tunerModuleComboBox = Make<QComboBox>(settingTitleGroupBox, "m_tunerModuleComboBox");
    form->addRow(QStringLiteral("TunerModal"), m_tunerModuleComboBox);
    auto* dummy = Make<QCheckBox>(settingTitleGroupBox, "dummyDrvInstallCheckBox");
    dummy->setText(QStringLiteral("Dummy Driver Install"));
    form->addRow(dummy);
    connect(dummy, &QCheckBox::clicked, this, [this] { dummyDrvInstallCheckBoxClick(); });
    auto* idText = Make<QLabel>(settingTitleGroupBox, "InstallDriverIDText");
    form->addRow(idText);
    return productPage_;
}

QWidget* TiniGenForm::BuildDecoderPage() {
    auto* page = Make<QWidget>(nullptr, "decoderPage");
    auto* grid = New<QGridLayout>(page);
    auto* streams = New<QHBoxLayout>();
    for (int i = 0; i < 4; ++i) {
        streamButtons_[i] = Make<QRadioButton>(page, kStreamButtons[i][0]);
        streamButtons_[i]->setText(QString::fromLatin1(kStreamButtons[i][1]));
        streams->addWidget(streamButtons_[i]);
        connect(streamButtons_[i], &QRadioButton::clicked, this, [this, i] { streamRadioButtonClick(i); });
    }
    grid->addLayout(streams, 0, 0, 1, 3);
    splitterListBox = Make<QListWidget>(page, "splitterListBox");
    videoListBox = Make<QListWidget>(page, "videoListBox");
    audioListBox = Make<QListWidget>(page, "audioListBox");
    grid->addWidget(New<QLabel>(QStringLiteral("Splitter")), 1, 0);
    grid->addWidget(New<QLabel>(QStringLiteral("Video Decoder")), 1, 1);
    grid->addWidget(New<QLabel>(QStringLiteral("Audio Decoder")), 1, 2);
    grid->addWidget(splitterListBox, 2, 0);
    grid->addWidget(videoListBox, 2, 1);
    grid->addWidget(audioListBox, 2, 2);
    connect(splitterListBox, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { splitterListBoxClick(splitterListBox->row(item)); });
    connect(videoListBox, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { videoListBoxClick(videoListBox->row(item)); });
    connect(audioListBox, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { audioListBoxClick(audioListBox->row(item)); });
    return page;
}

QWidget* TiniGenForm::BuildTestProgramPage() {
    auto* page = Make<QWidget>(nullptr, "testProgramPage");
    QVBoxLayout* column = NewColumn(page);
    AddMapped(page, *column, TestProgramPageControls(), 3);
    auto* form = New<QFormLayout>();
    AddEdit(*form, page, "videoTestWaitTimeEdit", "VideoTestWaitTime");
    testItemComboBox = Make<QComboBox>(page, "testItemComboBox");
    for (const GenChoice& choice : lists_->testItems) {
        testItemComboBox->addItem(FromAnsi(choice.name));
    }
    form->addRow(QStringLiteral("TestItemId"), testItemComboBox);
    auto* chips = Make<QComboBox>(page, "mainChip1ComboBox");
    form->addRow(QStringLiteral("MainChip1"), chips);
    column->addLayout(form);

    auto* row = New<QHBoxLayout>();
    row->addWidget(AddRadioGroup(page, EpromWriteModeGroup(), "epromWriteModeGroupBox", 2));
    auto* qm101GroupBox = Make<QGroupBox>(page, "qm101GroupBox");
    qm101GroupBox->setTitle(QStringLiteral("Empia Option"));
    auto* empia = New<QVBoxLayout>(qm101GroupBox);
    empia->addWidget(AddRadioGroup(qm101GroupBox, MtsGroup(), "mtsGroupBox", 3));
    auto* mce = Make<QCheckBox>(qm101GroupBox, "empiaMceCompatibleCheckBox");
    mce->setText(QStringLiteral("MCE Compatible"));
    auto* weave = Make<QCheckBox>(qm101GroupBox, "empiaDeinterlaceWeaveCheckBox");
    weave->setText(QStringLiteral("Deinterlace Weave"));
    empia->addWidget(mce);
    empia->addWidget(weave);
    row->addWidget(qm101GroupBox);
    column->addLayout(row);
    column->addStretch();
    return ScrollPage(page);
}

QWidget* TiniGenForm::BuildInfDataPage() {
    auto* page = Make<QWidget>(nullptr, "infDataPage");
    QVBoxLayout* column = NewColumn(page);
    auto* form = New<QFormLayout>();
    for (const MappedControl& item : InfDataPageControls()) {
        AddEdit(*form, page, item.control, item.key);
    }
    column->addLayout(form);
    auto* families = Make<QTabWidget>(page, "infPageControl");
    for (const InfFamily& family : InfFamilies()) {
        auto* sub = Make<QWidget>(nullptr, std::string(family.prefix) + "InfPage");
        auto* grid = New<QGridLayout>(sub);
        grid->addWidget(New<QLabel>(QStringLiteral("Driver Folder")), 0, 0);
        grid->addWidget(Make<QLineEdit>(sub, family.driverPathEdit), 0, 1, 1, 3);
        auto* path = Make<QPushButton>(sub, family.pathButton);
        path->setText(QStringLiteral("..."));
        grid->addWidget(path, 0, 4);
        connect(path, &QPushButton::clicked, this, [this, &family] { driverPathButtonClick(family); });
        grid->addWidget(New<QLabel>(QStringLiteral("Media Player")), 1, 0);
        grid->addWidget(Make<QLineEdit>(sub, family.mediaPlayerEdit), 1, 1, 1, 3);
        auto* player = Make<QPushButton>(sub, family.mediaPlayerButton);
        player->setText(QStringLiteral("..."));
        grid->addWidget(player, 1, 4);
        connect(player, &QPushButton::clicked, this, [this, &family] { mediaPlayerButtonClick(family); });
        grid->addWidget(New<QLabel>(QStringLiteral("Inf File")), 2, 1);
        grid->addWidget(New<QLabel>(QStringLiteral("Hardware String")), 2, 3);
        grid->addWidget(New<QLabel>(QStringLiteral("Service Name")), 2, 5);
        for (int32_t slot = 0; slot < kInfSlots; ++slot) {
            const int row = 3 + slot;
            grid->addWidget(New<QLabel>(QString::number(slot)), row, 0);
            grid->addWidget(Make<QLineEdit>(sub, InfNameEdit(family, slot)), row, 1);
            auto* findInf = Make<QPushButton>(sub, FindInfButton(family, slot));
            findInf->setText(QStringLiteral("Find Inf"));
            grid->addWidget(findInf, row, 2);
            grid->addWidget(Make<QLineEdit>(sub, InfHwStringEdit(family, slot)), row, 3);
            auto* findId = Make<QPushButton>(sub, FindVidPidButton(family, slot));
            findId->setText(QStringLiteral("Vid/Pid"));
            grid->addWidget(findId, row, 4);
            grid->addWidget(Make<QLineEdit>(sub, InfServiceNameEdit(family, slot)), row, 5);
            connect(findInf, &QPushButton::clicked, this,
                    [this, &family, slot] { findInfButtonClick(family, slot); });
            connect(findId, &QPushButton::clicked, this,
                    [this, &family, slot] { findVidPidButtonClick(family, slot); });
        }
        grid->setRowStretch(3 + kInfSlots, 1);
        families->addTab(sub, QString::fromLatin1(family.page));
    }
    column->addWidget(families);
    return page;
}

QWidget* TiniGenForm::BuildApInstallPage() {
    auto* page = Make<QWidget>(nullptr, "apInstallPage");
    auto* grid = New<QGridLayout>(page);
    const char* headers[] = {"Title", "Install", "", "Param", "Uninstall", "", "Param"};
    for (int i = 0; i < 7; ++i) {
        grid->addWidget(New<QLabel>(QString::fromLatin1(headers[i])), 0, i);
    }
    for (int32_t row = 0; row < kApRows; ++row) {
        const std::string n = std::to_string(row);
        const int r = row + 1;
        grid->addWidget(Make<QLineEdit>(page, "ap" + n + "InstallTitleEdit"), r, 0);
        grid->addWidget(Make<QLineEdit>(page, ApInstallEdit(row)), r, 1);
        auto* install = Make<QPushButton>(page, ApInstallButton(row));
        install->setText(QStringLiteral("Inst"));
        grid->addWidget(install, r, 2);
        grid->addWidget(Make<QLineEdit>(page, "ap" + n + "InstallParamEdit"), r, 3);
        grid->addWidget(Make<QLineEdit>(page, ApUnInstallEdit(row)), r, 4);
        auto* uninstall = Make<QPushButton>(page, ApUnInstallButton(row));
        uninstall->setText(row == 2 ? QStringLiteral("Un Inst") : QStringLiteral("UnInst"));
        grid->addWidget(uninstall, r, 5);
        grid->addWidget(Make<QLineEdit>(page, "ap" + n + "UnInstallParamEdit"), r, 6);
        connect(install, &QPushButton::clicked, this, [this, row] { apButtonClick(row, false); });
        connect(uninstall, &QPushButton::clicked, this, [this, row] { apButtonClick(row, true); });
    }
    grid->setRowStretch(kApRows + 1, 1);
    return page;
}

void TiniGenForm::FormCreate() {
    for (const GenChoice& choice : lists_->tuners) {
        m_tunerModuleComboBox->addItem(FromAnsi(choice.name),
                                       static_cast<int>(&choice - lists_->tuners.data()));
    }

    archiver_ = std::make_unique<Archiver>();
    database_ = std::make_unique<VexaDbFile>(*archiver_, [] { QCoreApplication::processEvents(); });

    IVexaSetting& record = installView_->Record();
    currentProduct_ = record.GetInt(key::InstallDriver, record.GetHardwareID());
    if (currentProduct_ == 0) {
        currentProduct_ = record.GetHardwareID();
        record.SetInt(key::InstallDriver, currentProduct_);
    }

    hwSettingTypeComboBox->setEditText(FromAnsi(record.GetName()));
    LoadDbRecord(nullptr);
    filterList_->ApplySetupIni(installView_->Record());
    RefreshDecoderPage();

    std::vector<int32_t> products;
    for (const auto& [product, group] : database_->Groups()) {
        products.push_back(product);
    }
    BuildProductButtons(products);

    for (const char* name : kDatabaseControls) {
        controls_->SetEnabled(name, false);
    }
    const std::optional<std::string> code =
        platform::InputBox("Input User Name", "Please Input User Name", "", this);
    if (code && platform::EqualsNoCase(*code, kAccessCode)) {
        for (const char* name : kDatabaseControls) {
            controls_->SetEnabled(name, true);
        }
    }
}

void TiniGenForm::BuildProductButtons(const std::vector<int32_t>& products) {
    for (QRadioButton* button : productButtons_) {
        button->setParent(nullptr);
        button->deleteLater();
    }
    productButtons_.clear();
    const int pageHeight = kPageControlHeight - kTabBarHeight;
    const int rowHeight = products.empty() ? kProductRowHeight : (pageHeight - 50) / kProductRows;
    const int32_t hardwareId = installView_->Record().GetHardwareID();
    for (size_t n = 0; n < products.size(); ++n) {
        const int32_t product = products[n];
        auto* button = Make<QRadioButton>(productPage_, "productRadioButton" + std::to_string(product));
        const int column = static_cast<int>(n) / kProductRows;
        const int row = static_cast<int>(n) % kProductRows;
        button->setGeometry(kProductLeft + column * kProductColumnWidth,
                            row * rowHeight + kPageControlTop + 10, kProductButtonWidth, rowHeight);
        button->setText(FromAnsi(ModelCode(product) + " (" + std::to_string(product) + ")"));
        button->setProperty("tag", product);
        const int32_t wanted = currentProduct_ == kDummyProduct ? hardwareId : currentProduct_;
        button->setChecked(product == wanted);
        connect(button, &QRadioButton::clicked, this, [this, button] { productRadioButtonClick(button); });
        button->show();
        productButtons_.push_back(button);
    }
}

void TiniGenForm::productRadioButtonClick(QRadioButton* sender) {
    if (sender == nullptr) {
        return;
    }
    SelectProduct(sender->property("tag").toInt());
}

void TiniGenForm::SelectProduct(int32_t product) {
    database_->SetDbHwSelected(-1, 0);
    database_->SetDbHwSelected(product, 1);
    currentProduct_ = product;

    const QSignalBlocker block(hwSettingTypeComboBox);
    hwSettingTypeComboBox->clear();
    int selected = 0;
    if (const VexaDbFile::RecordGroup* group = database_->Group(product)) {
        int index = 0;
        for (const auto& [name, record] : *group) {
            hwSettingTypeComboBox->addItem(FromAnsi(record->GetName()));
            if (record->GetString(key::Db_Selected) != "0") {
                selected = index;
            }
            ++index;
        }
    }
    hwSettingTypeComboBox->setCurrentIndex(hwSettingTypeComboBox->count() > 0 ? selected : -1);
    hwSettingTypeComboBoxChange();
}

void TiniGenForm::hwSettingTypeComboBoxChange() {
    HwSettingIO* record = database_->Find(currentProduct_, ToAnsi(hwSettingTypeComboBox->currentText()));
    if (record == nullptr) {
        return;
    }
    filterList_->ApplySetupIni(*record);
    LoadDbRecord(record);
    RefreshDecoderPage();
}

void TiniGenForm::LoadDbRecord(HwSettingIO* record) {
    if (record != nullptr) {
        const std::string name = record->GetName();
        if (const VexaDbFile::RecordGroup* group = database_->Group(currentProduct_)) {
            for (const auto& [other, member] : *group) {
                member->SetString(key::Db_Selected, "0");
            }
        }
        record->SetString(key::Db_Selected, "1");
        installView_->SetFromRecord(*record);
    }
    const HwSettingIO& current = installView_->Record();
    std::string caption = current.GetString(key::OemProductName);
    caption.append(" (").append(current.GetName()).append(") Ini Form");
    caption.append("  (").append(BuildDateCode(kBuildDate)).append("/").append(kBuildTime).append(") ");
    setWindowTitle(FromAnsi(caption));
    newSettingNameEdit->setText(hwSettingTypeComboBox->currentText());
    RefreshDecoderPage();
    ReadRecordIntoControls(*controls_, *installView_, *lists_);
}

std::string TiniGenForm::SettingName() const {
    // An empty name field keeps the record's name: a record without a name could neither be found
    // in the database nor written as a section of its own.
    std::string name(TrimBlanks(ToAnsi(newSettingNameEdit->text())));
    return name.empty() ? installView_->Record().GetName() : name;
}

void TiniGenForm::WriteRecordFromWindow() {
    WriteControlsToRecord(*controls_, *installView_, *lists_);
    filterList_->StoreToSetupIni(installView_->Record());
}

void TiniGenForm::addNewSettingButtonClick() {
    const std::string name = SettingName();
    if (database_->Find(currentProduct_, name) != nullptr &&
        platform::MessageBoxA("Setting Name Already Exist, Overwrite it?", "Warn", platform::MB_YESNO) !=
            platform::IDYES) {
        return;
    }
    WriteRecordFromWindow();
    installView_->Record().SetName(name);
    database_->Update(currentProduct_, installView_->Record());
    if (const VexaDbFile::RecordGroup* group = database_->Group(currentProduct_)) {
        for (const auto& [other, member] : *group) {
            member->SetString(key::Db_Selected, member->GetName() == name ? "1" : "0");
        }
    }
    SelectProduct(currentProduct_);
}

void TiniGenForm::deleteSettingButtonClick() {
    database_->Remove(currentProduct_, ToAnsi(hwSettingTypeComboBox->currentText()));
    SelectProduct(currentProduct_);
}

void TiniGenForm::saveDbToFileButtonClick() {
    if (platform::Result<void> saved = database_->Save(); !saved) {
        platform::MessageBoxA(saved.error().message, "Error", kErrorBoxFlags);
    }
}

void TiniGenForm::RefreshDecoderPage() {
    shownSet_ = &filterList_->ProgramStream();
    streamButtons_[0]->setChecked(true);
    splitterListBox->clear();
    videoListBox->clear();
    audioListBox->clear();
    ISplitterFilterNode* selectedNode = shownSet_->SelectedNode();
    for (int32_t i = 0; i < shownSet_->NodeCount(); ++i) {
        ISplitterFilterNode* node = shownSet_->NodeAt(i);
        splitterListBox->addItem(FromAnsi(node->Splitter().Name()));
        if (node == selectedNode) {
            splitterListBox->setCurrentRow(i);
        }
    }
    if (selectedNode == nullptr) {
        return;
    }
    for (int32_t i = 0; i < selectedNode->VideoCount(); ++i) {
        ICFilterIDName* entry = selectedNode->VideoAt(i);
        videoListBox->addItem(FromAnsi(entry->Name()));
        if (entry == selectedNode->SelectedVideo()) {
            videoListBox->setCurrentRow(i);
        }
    }
    for (int32_t i = 0; i < selectedNode->AudioCount(); ++i) {
        ICFilterIDName* entry = selectedNode->AudioAt(i);
        audioListBox->addItem(FromAnsi(entry->Name()));
        if (entry == selectedNode->SelectedAudio()) {
            audioListBox->setCurrentRow(i);
        }
    }
}

void TiniGenForm::StoreDecoderSelection() {
    ISplitterFilterNode* node = shownSet_->SelectedNode();
    if (node == nullptr || (node->StreamType() != stream_type::ProgramStream &&
                            node->StreamType() != stream_type::TransportStream)) {
        return;
    }
    auto pair = [](const ICFilterIDName& entry) {
        return entry.Name() + "|" + platform::GuidToString(entry.Guid());
    };
    installView_->SetValue(key::Mpeg2Splitter, pair(node->Splitter()));
    if (const ICFilterIDName* video = node->SelectedVideo()) {
        installView_->SetValue(key::mpeg2VideoDecoderGuid, pair(*video));
    }
    if (const ICFilterIDName* audio = node->SelectedAudio()) {
        installView_->SetValue(key::Mpeg2AudioDecoder, pair(*audio));
    }
}

void TiniGenForm::streamRadioButtonClick(int streamIndex) {
    IStreamSplitters* sets[] = {&filterList_->ProgramStream(), &filterList_->Mpeg4AsfStream(),
                                &filterList_->TransportStream(), &filterList_->Mpeg1Stream()};
    if (streamIndex < 0 || streamIndex >= 4) {
        return;
    }
    shownSet_ = sets[streamIndex];
    streamButtons_[streamIndex]->setChecked(true);
    splitterListBox->clear();
    for (int32_t i = 0; i < shownSet_->NodeCount(); ++i) {
        splitterListBox->addItem(FromAnsi(shownSet_->NodeAt(i)->Splitter().Name()));
        if (shownSet_->NodeAt(i) == shownSet_->SelectedNode()) {
            splitterListBox->setCurrentRow(i);
        }
    }
    splitterListBoxClick(splitterListBox->currentRow());
}

void TiniGenForm::splitterListBoxClick(int index) {
    if (index >= 0) {
        shownSet_->SelectByIndex(index);
    }
    videoListBox->clear();
    audioListBox->clear();
    if (ISplitterFilterNode* node = shownSet_->SelectedNode()) {
        for (int32_t i = 0; i < node->VideoCount(); ++i) {
            videoListBox->addItem(FromAnsi(node->VideoAt(i)->Name()));
            if (node->VideoAt(i) == node->SelectedVideo()) {
                videoListBox->setCurrentRow(i);
            }
        }
        for (int32_t i = 0; i < node->AudioCount(); ++i) {
            audioListBox->addItem(FromAnsi(node->AudioAt(i)->Name()));
            if (node->AudioAt(i) == node->SelectedAudio()) {
                audioListBox->setCurrentRow(i);
            }
        }
    }
    StoreDecoderSelection();
}

void TiniGenForm::videoListBoxClick(int index) {
    if (ISplitterFilterNode* node = shownSet_->SelectedNode(); node != nullptr && index >= 0) {
        node->SelectVideoByIndex(index);
    }
    StoreDecoderSelection();
}

void TiniGenForm::audioListBoxClick(int index) {
    if (ISplitterFilterNode* node = shownSet_->SelectedNode(); node != nullptr && index >= 0) {
        node->SelectAudioByIndex(index);
    }
    StoreDecoderSelection();
}

void TiniGenForm::okButtonClick() {
    installView_->Record().SetName(SettingName());
    WriteRecordFromWindow();
    accepted_ = 1;
    accept();
}

void TiniGenForm::exitButtonClick() {
    reject();
}

void TiniGenForm::dummyDrvInstallCheckBoxClick() {
    controls_->SetText("InstallDriverIDText",
                       InstallDriverIdText(controls_->Checked("dummyDrvInstallCheckBox"),
                                           installView_->Record().GetHardwareID()));
}

void TiniGenForm::genIniFileButtonClick() {
    PrepareRecordForGeneration(*installView_);
    WriteRecordFromWindow();
    installView_->Record().SetName(SettingName());
    if (platform::Result<void> written = WriteGeneratedIniFiles(*installView_); !written) {
        platform::MessageBoxA(written.error().message, "Error", kErrorBoxFlags);
    }
}

std::optional<std::string> TiniGenForm::ChooseFile(const char* title, const std::string& folder,
                                                   const char* fileName, const char* extension) {
    platform::OpenFileRequest request;
    request.title = title;
    request.initialFolder = folder;
    request.fileName = fileName;
    request.defaultExt = extension;
    return platform::GetOpenFileName(request, this);
}

void TiniGenForm::readFromIniButtonClick() {
    const std::string start = readIniFolder_.empty() ? ExecutableFolder() : readIniFolder_;
    const std::optional<std::string> path = ChooseFile("Read From Ini File", start, "__setup.ini", "ini");
    if (!path) {
        return;
    }
    readIniFolder_ = std::filesystem::path(*path).parent_path().string();
    const IniReadBack found = ReadRecordFromIni(*path, *installView_);
    if (found.found) {
        currentProduct_ = found.product;
        for (QRadioButton* button : productButtons_) {
            if (button->property("tag").toInt() == found.product) {
                button->setChecked(true);
            }
        }
    }
    installView_->Rebuild();
    LoadDbRecord(nullptr);
    filterList_->ApplySetupIni(installView_->Record());
    RefreshDecoderPage();
    newSettingNameEdit->setText(FromAnsi(*path));
}

void TiniGenForm::driverPathButtonClick(const InfFamily& family) {
    const std::optional<std::string> path = ChooseFile("Driver Folder", ExecutableFolder(), "*.inf", "inf");
    if (!path) {
        return;
    }
    controls_->SetText(family.driverPathEdit,
                       RelativeToExecutableFolder(std::filesystem::path(*path).parent_path().string()));
}

void TiniGenForm::findInfButtonClick(const InfFamily& family, int32_t slot) {
    const std::optional<std::string> path = ChooseFile("Find Inf File", ExecutableFolder(), "*.inf", "inf");
    if (!path) {
        return;
    }
    ApplyChosenInf(*controls_, *installView_, family, slot, *path);
}

void TiniGenForm::findVidPidButtonClick(const InfFamily& family, int32_t slot) {
    PerInfFile* inf = installView_->GetInf(family.osCode, slot);
    if (inf == nullptr) {
        return;
    }
    inf->SetFileName(controls_->Text(InfNameEdit(family, slot)));
    if (!inf->IsValid()) {
        platform::MessageBoxA(inf->GetPath(), "Can't find Inf file", kErrorBoxFlags);
        return;
    }
    TinfFileInfo_Form info(this, *inf);
    infInfoRunner_(info);
    ApplyChosenHardwareName(*controls_, *installView_, family, slot, inf->GetHwName());
}

void TiniGenForm::mediaPlayerButtonClick(const InfFamily& family) {
    const std::optional<std::string> path =
        ChooseFile("Media Player Setup", ExecutableFolder(), "*.exe", "exe");
    if (!path) {
        return;
    }
    controls_->SetText(family.mediaPlayerEdit, RelativeToExecutableFolder(*path));
}

void TiniGenForm::apButtonClick(int32_t row, bool uninstall) {
    const std::filesystem::path parent =
        std::filesystem::path(ExecutableFolder()).parent_path().parent_path();
    const std::optional<std::string> path = ChooseFile("Application Setup", parent.string(), "*.exe", "exe");
    if (!path) {
        return;
    }
    const std::filesystem::path chosen(*path);
    const std::string text = chosen.parent_path().filename().string() + "\\" + chosen.filename().string();
    controls_->SetText(uninstall ? ApUnInstallEdit(row) : ApInstallEdit(row), text);
}

std::unique_ptr<IVexaSetting> OpenIniGenerator(QWidget& owner, IVexaSetting& selected) {
    TiniGenForm form(&owner, selected);
    form.exec();
    if (form.Accepted() == 0) {
        return nullptr;
    }
    return std::make_unique<HwSettingIO>(form.InstallView().Record());
}

}  // namespace drvsetup
