#pragma once

// Message boxes with the Windows flags and answer codes. A box is answered, in this order, by the
// next scripted answer (WINSYS_MSGBOX_ANSWERS), by the presenter a Qt program installs when a display
// exists, or on the console, where a box offering a choice answers Cancel or No so that nothing risky
// happens unattended. Every box is logged to WINSYS_MSGBOX_LOG as one JSON line.
//
// Scripted answers: a comma-separated list of ok, cancel, yes, no, abort, retry, ignore (any case,
// blanks around a word ignored, empty items skipped), read at the first box of the process and used
// up in order, one per box. A word the box does not offer as a button, or a word that is not an
// answer at all, still uses up its place but answers with the box's cancel answer (see
// MessageBoxCancelAnswer), with a warning on standard error: a program never receives an answer its
// box could not have given, and a typo in a script errs on the safe side.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Buttons (the low four bits of the flags).
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr uint32_t MB_TYPEMASK = 0xF;
// Icons.
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr uint32_t MB_ICONASTERISK = 0x40;
inline constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr uint32_t MB_ICONMASK = 0xF0;
// Default button.
inline constexpr uint32_t MB_DEFBUTTON1 = 0x000;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200;
inline constexpr uint32_t MB_DEFBUTTON4 = 0x300;
inline constexpr uint32_t MB_DEFMASK = 0xF00;
// Modality and placement.
inline constexpr uint32_t MB_APPLMODAL = 0x0000;
inline constexpr uint32_t MB_SYSTEMMODAL = 0x1000;
inline constexpr uint32_t MB_TASKMODAL = 0x2000;
inline constexpr uint32_t MB_SETFOREGROUND = 0x10000;
inline constexpr uint32_t MB_TOPMOST = 0x40000;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct MessageBoxRequest {
    std::string caption;  // UTF-8
    std::string text;     // UTF-8
    uint32_t flags = MB_OK;
};

// Shows a box and returns the answer code; set by the Qt side of a program.
using MessageBoxPresenter = std::function<int(const MessageBoxRequest&)>;

// Shows a box (texts in UTF-8) and returns the Windows answer code.
int MessageBox(std::string_view text, std::string_view caption, uint32_t flags);
// The same for texts in the system's ANSI code page, as the programs keep their texts.
int MessageBoxA(std::string_view text, std::string_view caption, uint32_t flags);

// Installs the presenter used when a display exists; an empty function removes it.
void SetMessageBoxPresenter(MessageBoxPresenter presenter);

// Writes the box to standard error and returns its unattended answer (MessageBoxCancelAnswer).
// Presenters fall back on it when they cannot show a window.
int ConsoleMessageBox(const MessageBoxRequest& request);

// The answers of the box's buttons in the order Windows shows them. A button code outside the known
// ones gives a plain OK box, so a box always has a way out.
std::vector<int> MessageBoxButtons(uint32_t flags);
// The answer of the default button (MB_DEFBUTTONn; the first button when n is past the last one).
int MessageBoxDefaultAnswer(uint32_t flags);
// The answer of closing the box or pressing Escape, also the unattended answer: Cancel where the box
// has it, No for Yes/No, Abort for Abort/Retry/Ignore, OK for OK.
int MessageBoxCancelAnswer(uint32_t flags);
// The answer a script word stands for (ok, cancel, yes, no, abort, retry, ignore; any case, blanks
// around it ignored).
std::optional<int> ParseMessageBoxAnswer(std::string_view word);
// The button's label: "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"; "?" for others.
std::string_view MessageBoxAnswerName(int answer);

// The WINSYS_MSGBOX_LOG record of a box, with its trailing newline.
std::string MessageBoxLogLine(const MessageBoxRequest& request, int answer);
// Text as the body of a JSON string: quotes, backslashes and control characters escaped, valid UTF-8
// kept as is, and each byte that is not part of valid UTF-8 written as \u00XX of its value (so the
// line stays valid JSON and a text that missed its code-page conversion still reads as Latin-1).
std::string JsonEscape(std::string_view text);

// Forgets the scripted answers read so far (the next box reads WINSYS_MSGBOX_ANSWERS again) and
// removes the presenter.
void ResetMessageBoxStateForTesting();

}  // namespace platform
