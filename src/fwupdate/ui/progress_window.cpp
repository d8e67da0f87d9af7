#include "fwupdate/ui/progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "fwupdate/resource_module.h"
#include "fwupdate/trace.h"

namespace fwupdate {

namespace {

constexpr uint32_t kHeadingString = 1;
constexpr uint32_t kUnpackString = 2;
constexpr uint32_t kBiosString = 3;
constexpr uint32_t kMicomString = 4;
constexpr uint32_t kCurrentVersionString = 17;
constexpr uint32_t kNewVersionString = 18;

constexpr int kMarkSize = 16;
constexpr QSize kLogoSize(120, 40);

// A control owned by its Qt parent, which deletes it with itself.
template <typename T, typename... Args>
T* MakeChild(Args&&... args) {
    return new T(std::forward<Args>(args)...);  // NOLINT(cppcoreguidelines-owning-memory)
}

QLabel* MakeLabel(QWidget* parent, const char* name) {
    auto* label = MakeChild<QLabel>(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QString Text(const ResourceModule& resources, uint32_t id) {
    return QString::fromStdString(LoadString(resources, id));
}

// The window's own drawings stand in for the system's arrow and check-mark bitmaps, which this
// platform does not have.
QPixmap ArrowPixmap() {
    QPixmap pixmap(kMarkSize, kMarkSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0));
    painter.drawRect(QRectF(2, 6, 6, 4));
    QPainterPath head;
    head.moveTo(7, 2);
    head.lineTo(14, 8);
    head.lineTo(7, 14);
    head.closeSubpath();
    painter.drawPath(head);
    return pixmap;
}

QPixmap CheckPixmap() {
    QPixmap pixmap(kMarkSize, kMarkSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(6.5, 12), QPointF(13, 3.5)}));
    return pixmap;
}

// Placeholders for the two logo bitmaps at the foot: the flash tool's on the left, the maker's on the
// right.
QPixmap FlashToolLogo() {
    QPixmap pixmap(kLogoSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x20, 0x40, 0x90), 1.5));
    painter.setBrush(QColor(0xdd, 0xe6, 0xf6));
    const QRectF chip(8, 8, 34, 24);
    painter.drawRoundedRect(chip, 3, 3);
    for (int pin = 0; pin < 4; ++pin) {
        const qreal x = 13 + pin * 8;
        painter.drawLine(QPointF(x, 3), QPointF(x, 8));
        painter.drawLine(QPointF(x, 32), QPointF(x, 37));
    }
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(9);
    painter.setFont(font);
    painter.drawText(chip, Qt::AlignCenter, QStringLiteral("ROM"));
    font.setPixelSize(12);
    painter.setFont(font);
    painter.drawText(QRectF(48, 0, 72, 40), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Flash"));
    return pixmap;
}

QPixmap MakerLogo() {
    QPixmap pixmap(kLogoSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x10, 0x30, 0x70));
    painter.drawEllipse(QRectF(84, 8, 24, 24));
    QFont font = painter.font();
    font.setBold(true);
    font.setItalic(true);
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(QColor(0x10, 0x30, 0x70));
    painter.drawText(QRectF(0, 0, 82, 40), Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("Kantrel"));
    painter.setPen(QColor(255, 255, 255));
    painter.drawText(QRectF(84, 8, 24, 24), Qt::AlignCenter, QStringLiteral("K"));
    return pixmap;
}

size_t StepIndex(ProgressStep step) {
    return static_cast<size_t>(step);
}

}  // namespace

ProgressWindow::ProgressWindow(const ResourceModule& resources, SequenceState& state,
                               std::function<bool()> extractPayload, QWidget* parent)
    : QDialog(parent), resources_(resources), state_(state), extractPayload_(std::move(extractPayload)) {
    setObjectName(QStringLiteral("progressWindow"));
    setWindowTitle(Text(resources_, kBiosString));
    BuildControls();
    findTimer_ = MakeChild<QTimer>(this);
    findTimer_->setObjectName(QStringLiteral("timer%1").arg(kFindTimerId));
    findTimer_->setInterval(kFindTimerPeriodMs);
    connect(findTimer_, &QTimer::timeout, this, &ProgressWindow::FindTimerTick);
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::BuildControls() {
    heading_ = MakeLabel(this, "ctl1012");
    unpackLabel_ = MakeLabel(this, "ctl1013");
    biosLabel_ = MakeLabel(this, "ctl1014");
    micomLabel_ = MakeLabel(this, "ctl1015");
    unpackMark_ = MakeLabel(this, "ctl1011");
    biosMark_ = MakeLabel(this, "ctl1008");
    micomMark_ = MakeLabel(this, "ctl1009");
    currentLabel_ = MakeLabel(this, "ctl1016");
    newLabel_ = MakeLabel(this, "ctl1017");
    currentVersion_ = MakeLabel(this, "ctl1018");
    newVersion_ = MakeLabel(this, "ctl1019");
    status_ = MakeLabel(this, "ctl1010");
    flashToolLogo_ = MakeLabel(this, "bmp113");
    makerLogo_ = MakeLabel(this, "bmp115");

    for (QLabel* mark : {unpackMark_, biosMark_, micomMark_}) {
        mark->setFixedSize(kMarkSize, kMarkSize);
    }
    // The version labels end in blanks that line up the two colons; a fixed-pitch font keeps them so.
    QFont fixed = currentLabel_->font();
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFamily(QStringLiteral("monospace"));
    for (QLabel* label : {currentLabel_, newLabel_, currentVersion_, newVersion_}) {
        label->setFont(fixed);
    }
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setMinimumHeight(22);
    flashToolLogo_->setPixmap(FlashToolLogo());
    makerLogo_->setPixmap(MakerLogo());

    auto* steps = MakeChild<QGridLayout>();
    steps->setColumnMinimumWidth(0, 24);
    steps->setHorizontalSpacing(8);
    steps->addWidget(unpackMark_, 0, 0, Qt::AlignCenter);
    steps->addWidget(unpackLabel_, 0, 1);
    steps->addWidget(biosMark_, 1, 0, Qt::AlignCenter);
    steps->addWidget(biosLabel_, 1, 1);
    steps->addWidget(micomMark_, 2, 0, Qt::AlignCenter);
    steps->addWidget(micomLabel_, 2, 1);
    steps->setColumnStretch(1, 1);

    auto* versions = MakeChild<QGridLayout>();
    versions->setHorizontalSpacing(0);
    versions->addWidget(currentLabel_, 0, 0);
    versions->addWidget(currentVersion_, 0, 1);
    versions->addWidget(newLabel_, 1, 0);
    versions->addWidget(newVersion_, 1, 1);
    versions->setColumnStretch(1, 1);

    auto* foot = MakeChild<QHBoxLayout>();
    foot->addWidget(flashToolLogo_);
    foot->addStretch(1);
    foot->addWidget(makerLogo_);

    auto* layout = MakeChild<QVBoxLayout>(this);
    layout->setContentsMargins(16, 14, 16, 10);
    layout->setSpacing(10);
    layout->addWidget(heading_);
    layout->addLayout(steps);
    layout->addLayout(versions);
    layout->addWidget(status_);
    layout->addLayout(foot);
    setFixedWidth(380);
    SetTexts();
}

void ProgressWindow::SetTexts() {
    heading_->setText(Text(resources_, kHeadingString));
    unpackLabel_->setText(Text(resources_, kUnpackString));
    biosLabel_->setText(Text(resources_, kBiosString));
    micomLabel_->setText(Text(resources_, kMicomString));
    currentLabel_->setText(Text(resources_, kCurrentVersionString));
    newLabel_->setText(Text(resources_, kNewVersionString));
}

void ProgressWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialized_) {
        initialized_ = true;
        Initialize();
    }
}

// Extraction runs before the first paint, as the sequence waits for it anyway; the window only has
// to be in front.
void ProgressWindow::Initialize() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    SetTexts();
    if (!extractPayload_ || !extractPayload_()) {
        state_.extractionResult = 0;
    }
    state_.extractionDone.Set();
}

QLabel* ProgressWindow::MarkLabel(ProgressStep step) const {
    switch (step) {
        case ProgressStep::kUnpack:
            return unpackMark_;
        case ProgressStep::kBios:
            return biosMark_;
        case ProgressStep::kMicom:
            return micomMark_;
    }
    return unpackMark_;
}

void ProgressWindow::SetStatus(const QString& text) {
    status_->setText(text);
}

void ProgressWindow::SetMark(ProgressStep step, StepMark mark) {
    QLabel* label = MarkLabel(step);
    marks_[StepIndex(step)] = mark;
    switch (mark) {
        case StepMark::kNone:
            label->clear();
            break;
        case StepMark::kInProgress:
            label->setPixmap(ArrowPixmap());
            break;
        case StepMark::kDone:
            label->setPixmap(CheckPixmap());
            break;
    }
}

StepMark ProgressWindow::Mark(ProgressStep step) const {
    return marks_[StepIndex(step)];
}

void ProgressWindow::SetVersions(const QString& current, const QString& next) {
    currentVersion_->setText(current);
    newVersion_->setText(next);
}

void ProgressWindow::UserMessage(uintptr_t wParam) {
    if (wParam != 0) {
        foundText_.clear();
        findTimer_->start();
    } else {
        findTimer_->stop();
    }
}

bool ProgressWindow::FindTimerActive() const {
    return findTimer_->isActive();
}

void ProgressWindow::FindTimerTick() {
    const QString title = QString::fromLatin1(kFlashToolWindowTitle);
    QWidget* found = nullptr;
    // A closed window stays among the top-level widgets while hidden; only visible ones count.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != this && widget->isVisible() && widget->windowTitle() == title) {
            found = widget;
            break;
        }
    }
    if (found == nullptr) {
        return;
    }
    Trace("Find Window : %X", static_cast<unsigned>(found->winId()));
    foundText_ = found->windowTitle().left(kFoundTextBuffer - 1);
    Trace("Message : %s", foundText_.toUtf8().constData());
    found->close();
    Trace("SendMessage Complete");
}

void ProgressWindow::reject() {
    if (state_.busy != 0) {
        return;
    }
    QDialog::reject();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    if (state_.busy != 0) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace fwupdate
