#include "platform/ui/file_dialog.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <deque>
#include <filesystem>

namespace platform {

namespace {

struct DialogState {
    std::deque<std::optional<std::string>> answers;
    std::vector<OpenFileRequest> requests;
};

DialogState& State() {
    static DialogState state;
    return state;
}

bool ShowsNothing() {
    const QString name = QGuiApplication::platformName();
    return name.isEmpty() || name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

// "*.inf" becomes the filter "*.inf"; a plain name proposes itself and filters by its extension.
QString FilterOf(const OpenFileRequest& request) {
    QString filter;
    if (!request.defaultExt.empty()) {
        filter = QStringLiteral("*.") + QString::fromStdString(request.defaultExt) + QStringLiteral(";;");
    }
    return filter + QStringLiteral("*");
}

}  // namespace

std::string WithDefaultExtension(const std::string& path, const std::string& defaultExt) {
    if (defaultExt.empty() || path.empty()) {
        return path;
    }
    const std::filesystem::path native(path);
    if (native.has_extension() || std::filesystem::exists(native)) {
        return path;
    }
    return path + "." + defaultExt;
}

std::optional<std::string> GetOpenFileName(const OpenFileRequest& request, QWidget* parent) {
    DialogState& state = State();
    state.requests.push_back(request);
    if (!state.answers.empty()) {
        std::optional<std::string> answer = std::move(state.answers.front());
        state.answers.pop_front();
        return answer;
    }
    if (ShowsNothing()) {
        return std::nullopt;
    }
    QFileDialog dialog(parent, QString::fromStdString(request.title),
                       QString::fromStdString(request.initialFolder), FilterOf(request));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
    if (request.fileName.find('*') == std::string::npos) {
        dialog.selectFile(QString::fromStdString(request.fileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return WithDefaultExtension(dialog.selectedFiles().front().toStdString(), request.defaultExt);
}

void ScriptOpenFileAnswers(std::vector<std::optional<std::string>> answers) {
    for (auto& answer : answers) {
        State().answers.push_back(std::move(answer));
    }
}

const std::vector<OpenFileRequest>& OpenFileRequests() {
    return State().requests;
}

void ResetFileDialogStateForTesting() {
    State().answers.clear();
    State().requests.clear();
}

}  // namespace platform
