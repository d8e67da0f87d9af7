#include "drvsetup/ui/inf_file_info_form.h"

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <vector>

#include "drvsetup/shell/per_inf_file.h"

namespace drvsetup {

namespace {

// A control owned by its Qt parent, which deletes it with itself.
template <typename T>
T* Make(QWidget* parent, const char* name) {
    T* widget = new T(parent);  // NOLINT(cppcoreguidelines-owning-memory): owned by the parent
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

std::string HardwareNameOfId(std::string_view hardwareId) {
    const size_t slash = hardwareId.find('\\');
    return std::string(slash == std::string_view::npos ? hardwareId : hardwareId.substr(slash + 1));
}

TinfFileInfo_Form::TinfFileInfo_Form(QWidget* owner, PerInfFile& entry) : QDialog(owner), entry_(entry) {
    setObjectName(QStringLiteral("infFileInfo_Form"));
    setWindowTitle(QStringLiteral("Inf File Information"));
    setFixedSize(kWidth, kHeight);
    setModal(true);

    infFileNameLabel = Make<QLabel>(this, "infFileNameLabel");
    QFont bold = infFileNameLabel->font();
    bold.setBold(true);
    infFileNameLabel->setFont(bold);
    infFileNameLabel->setGeometry(16, 16, kWidth - 32, 40);
    infFileNameLabel->setWordWrap(true);

    hwStringLabel = Make<QLabel>(this, "hwStringLabel");
    hwStringLabel->setText(QStringLiteral("Install Hardware String List"));
    hwStringLabel->setGeometry(16, 80, kWidth - 32, 20);

    infVidPidComboBox = Make<QComboBox>(this, "infVidPidComboBox");
    infVidPidComboBox->setEditable(true);
    infVidPidComboBox->setGeometry(16, 104, kWidth - 32, 24);

    okButton = Make<QPushButton>(this, "okButton");
    okButton->setText(QStringLiteral("OK"));
    okButton->setGeometry(kWidth - 116, kHeight - 48, 100, 28);
    copyToIniFileButton = Make<QPushButton>(this, "copyToIniFileButton");
    copyToIniFileButton->setText(QStringLiteral("Copy To Ini File"));
    copyToIniFileButton->setGeometry(kWidth - 252, kHeight - 48, 124, 28);
    connect(okButton, &QPushButton::clicked, this, [this] { okButtonClick(); });
    connect(copyToIniFileButton, &QPushButton::clicked, this, [this] { copyToIniFileButtonClick(); });

    if (owner != nullptr) {
        const QRect frame = owner->frameGeometry();
        move(frame.center() - rect().center());
    }
    FormCreate();
}

void TinfFileInfo_Form::FormCreate() {
    infFileNameLabel->setText(QStringLiteral("Inf File : ") + QString::fromStdString(entry_.GetPath()));
    std::vector<std::string> ids;
    entry_.ListHardwareIds(ids);
    infVidPidComboBox->clear();
    for (const std::string& id : ids) {
        infVidPidComboBox->addItem(QString::fromStdString(id));
    }
    int index = 0;
    const std::string& name = entry_.GetHwName();
    if (!name.empty()) {
        for (size_t i = 0; i < ids.size(); ++i) {
            if (ids[i].find(name) != std::string::npos) {
                index = static_cast<int>(i);
                break;
            }
        }
    }
    // With an empty list there is nothing to select; the edit stays empty for the engineer to type.
    if (!ids.empty()) {
        infVidPidComboBox->setCurrentIndex(index);
    }
}

void TinfFileInfo_Form::okButtonClick() {
    accept();
}

void TinfFileInfo_Form::copyToIniFileButtonClick() {
    entry_.SetHwName(HardwareNameOfId(infVidPidComboBox->currentText().toStdString()));
    accept();
}

}  // namespace drvsetup
