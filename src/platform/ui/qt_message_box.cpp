#include "platform/ui/qt_message_box.h"

#include <QApplication>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>
#include <QTimer>

namespace platform {

namespace {

QMessageBox::StandardButton ButtonOfAnswer(int answer) {
    switch (answer) {
        case IDOK:
            return QMessageBox::Ok;
        case IDCANCEL:
            return QMessageBox::Cancel;
        case IDABORT:
            return QMessageBox::Abort;
        case IDRETRY:
            return QMessageBox::Retry;
        case IDIGNORE:
            return QMessageBox::Ignore;
        case IDYES:
            return QMessageBox::Yes;
        case IDNO:
            return QMessageBox::No;
        default:
            return QMessageBox::NoButton;
    }
}

QMessageBox::Icon IconOfFlags(uint32_t flags) {
    switch (flags & MB_ICONMASK) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

bool ShowsNothing() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

}  // namespace

int AnswerOfButton(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Abort:
            return IDABORT;
        case QMessageBox::Retry:
            return IDRETRY;
        case QMessageBox::Ignore:
            return IDIGNORE;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return 0;
    }
}

std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxRequest& request, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(
        QString::fromUtf8(request.caption.data(), static_cast<qsizetype>(request.caption.size())));
    // Plain text: the programs' texts are not markup, and a "<" in a path must show as written.
    box->setTextFormat(Qt::PlainText);
    box->setText(QString::fromUtf8(request.text.data(), static_cast<qsizetype>(request.text.size())));
    box->setIcon(IconOfFlags(request.flags));
    QMessageBox::StandardButtons buttons;
    for (int answer : MessageBoxButtons(request.flags)) {
        buttons |= ButtonOfAnswer(answer);
    }
    box->setStandardButtons(buttons);
    box->setDefaultButton(ButtonOfAnswer(MessageBoxDefaultAnswer(request.flags)));
    // Escape and the close button give the same answer as an unattended box, as on Windows.
    box->setEscapeButton(box->button(ButtonOfAnswer(MessageBoxCancelAnswer(request.flags))));
    // Modality first: QMessageBox::setWindowModality resets the window flags.
    box->setWindowModality(Qt::ApplicationModal);
    if ((request.flags & (MB_TOPMOST | MB_SYSTEMMODAL)) != 0) {
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    return box;
}

int AnswerOfMessageBox(const QMessageBox& box, uint32_t flags) {
    QAbstractButton* clicked = box.clickedButton();
    int answer = clicked != nullptr ? AnswerOfButton(box.standardButton(clicked)) : 0;
    return answer != 0 ? answer : MessageBoxCancelAnswer(flags);
}

int ExecMessageBox(const MessageBoxRequest& request) {
    std::unique_ptr<QMessageBox> box = BuildMessageBox(request);
    if ((request.flags & MB_SETFOREGROUND) != 0) {
        // Once the dialog is up, so the window system has something to raise. The box is the timer's
        // context, so the call is dropped if the box is gone first.
        QMessageBox* shown = box.get();
        QTimer::singleShot(0, shown, [shown] {
            shown->raise();
            shown->activateWindow();
        });
    }
    box->exec();
    return AnswerOfMessageBox(*box, request.flags);
}

int ExecMessageBoxOnGuiThread(const MessageBoxRequest& request) {
    QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<QApplication*>(app) == nullptr) {
        return ConsoleMessageBox(request);
    }
    if (QThread::currentThread() == app->thread()) {
        return ExecMessageBox(request);
    }
    int answer = MessageBoxCancelAnswer(request.flags);
    bool ran = QMetaObject::invokeMethod(
        app, [&request, &answer] { answer = ExecMessageBox(request); }, Qt::BlockingQueuedConnection);
    return ran ? answer : ConsoleMessageBox(request);
}

int PresentQtMessageBox(const MessageBoxRequest& request) {
    if (ShowsNothing()) {
        return ConsoleMessageBox(request);
    }
    return ExecMessageBoxOnGuiThread(request);
}

void InstallQtMessageBoxPresenter() {
    SetMessageBoxPresenter(PresentQtMessageBox);
}

}  // namespace platform
