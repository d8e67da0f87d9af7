#pragma once

// The file-open dialog of the programs' windows, with the Windows dialog's inputs: a starting folder,
// a proposed file name (or pattern, "*.inf") and the extension added to a typed name without one.
// Tests and scripts answer it in advance; a dialog nobody answered and nobody can see (Qt offscreen
// or minimal) is cancelled rather than left waiting.

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

struct OpenFileRequest {
    std::string title;
    std::string initialFolder;  // empty: the process's current folder
    std::string fileName;       // the proposed name or a pattern such as "*.inf"
    std::string defaultExt;     // without the dot
};

// The full path of the chosen file (the folder it is in is remembered by the caller if it wants);
// none when the user cancelled.
std::optional<std::string> GetOpenFileName(const OpenFileRequest& request, QWidget* parent = nullptr);

// The answers of the next dialogs, used in order before any dialog is shown; none stands for Cancel.
void ScriptOpenFileAnswers(std::vector<std::optional<std::string>> answers);
// Every request made since the last reset, answered by script or not.
const std::vector<OpenFileRequest>& OpenFileRequests();
void ResetFileDialogStateForTesting();

// A name typed without extension gets `defaultExt`, as the Windows dialog adds it; a pattern stays a
// pattern only as a filter.
std::string WithDefaultExtension(const std::string& path, const std::string& defaultExt);

}  // namespace platform
