#pragma once

// The message box as a Qt dialog. Building the dialog from a request is kept apart from running it,
// so tests can check what a set of flags turns into without anyone having to answer it.

#include <QMessageBox>
#include <memory>

#include "platform/message_box.h"

class QWidget;

namespace platform {

// The dialog for a request: caption as window title, the text as plain text, the icon and buttons the
// flags ask for, the default and escape buttons, kept on top for MB_TOPMOST and MB_SYSTEMMODAL.
std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxRequest& request, QWidget* parent = nullptr);

// The answer code of a standard button; 0 for buttons a Windows box does not have.
int AnswerOfButton(QMessageBox::StandardButton button);
// The answer the dialog was closed with: the clicked button, or the box's cancel answer when it went
// away without one.
int AnswerOfMessageBox(const QMessageBox& box, uint32_t flags);

// Builds the dialog, runs it modally (brought to the foreground for MB_SETFOREGROUND) and returns the
// answer code. Must run on the GUI thread of a QApplication.
int ExecMessageBox(const MessageBoxRequest& request);

// ExecMessageBox from any thread: other threads hand the dialog to the GUI thread and wait for its
// answer. The box goes to the console when there is no QApplication to run it.
int ExecMessageBoxOnGuiThread(const MessageBoxRequest& request);

// The presenter for MessageBox: ExecMessageBoxOnGuiThread, or the console when Qt runs on a platform
// that shows nothing (offscreen, minimal), where a modal dialog would wait forever.
int PresentQtMessageBox(const MessageBoxRequest& request);

// Makes PresentQtMessageBox the presenter of MessageBox.
void InstallQtMessageBoxPresenter();

}  // namespace platform
