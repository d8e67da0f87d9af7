#pragma once

// The progress window of the update: a heading, the three steps (file extraction, BIOS, MICOM) each
// with its mark, the current and the new BIOS version, a status line and the two logos at the foot.
// When it first appears it extracts the payload into the current directory and tells the waiting
// sequence so. It cannot be closed while the update is busy.
//
// Controls carry the object names "ctl<id>" of the dialog template they come from (ctl1010 the status
// line, ctl1011/ctl1008/ctl1009 the marks, ...), so tests find them by the same numbers.

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "fwupdate/update_sequence.h"

class QLabel;
class QTimer;

namespace fwupdate {

class ResourceModule;

class ProgressWindow : public QDialog {
    Q_OBJECT

  public:
    // Title of the flash tool's window that the find timer closes.
    static constexpr const char* kFlashToolWindowTitle = "Phoenix Secure WinFlash";
    static constexpr int kFindTimerId = 16;
    static constexpr int kFindTimerPeriodMs = 200;
    // Characters the found window's text is kept to.
    static constexpr int kFoundTextBuffer = 256;

    // `extractPayload` extracts the payload into the current directory and tells whether it worked.
    ProgressWindow(const ResourceModule& resources, SequenceState& state,
                   std::function<bool()> extractPayload, QWidget* parent = nullptr);
    ~ProgressWindow() override;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // What the sequence sends.
    void SetStatus(const QString& text);
    void SetMark(ProgressStep step, StepMark mark);
    void SetVersions(const QString& current, const QString& next);

    StepMark Mark(ProgressStep step) const;
    bool Initialized() const { return initialized_; }

    // The private message WM_USER+1: a non-zero wParam empties the found-text buffer and starts the
    // find timer, 0 stops it.
    void UserMessage(uintptr_t wParam);
    // One tick of the find timer: closes a top-level window titled kFlashToolWindowTitle, keeping its
    // text.
    void FindTimerTick();
    bool FindTimerActive() const;
    const QString& FoundText() const { return foundText_; }

    // Cancel (Esc, the close box): refused while the sequence is busy.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void SetTexts();
    void Initialize();
    QLabel* MarkLabel(ProgressStep step) const;

    const ResourceModule& resources_;
    SequenceState& state_;
    std::function<bool()> extractPayload_;
    bool initialized_ = false;
    std::array<StepMark, 3> marks_{StepMark::kNone, StepMark::kNone, StepMark::kNone};
    QString foundText_;

    QLabel* heading_ = nullptr;         // 1012
    QLabel* unpackLabel_ = nullptr;     // 1013
    QLabel* biosLabel_ = nullptr;       // 1014
    QLabel* micomLabel_ = nullptr;      // 1015
    QLabel* unpackMark_ = nullptr;      // 1011
    QLabel* biosMark_ = nullptr;        // 1008
    QLabel* micomMark_ = nullptr;       // 1009
    QLabel* currentLabel_ = nullptr;    // 1016
    QLabel* newLabel_ = nullptr;        // 1017
    QLabel* currentVersion_ = nullptr;  // 1018
    QLabel* newVersion_ = nullptr;      // 1019
    QLabel* status_ = nullptr;          // 1010
    QLabel* flashToolLogo_ = nullptr;   // bitmap 113
    QLabel* makerLogo_ = nullptr;       // bitmap 115
    QTimer* findTimer_ = nullptr;
};

}  // namespace fwupdate
