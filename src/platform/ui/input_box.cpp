#include "platform/ui/input_box.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <deque>

namespace platform {

namespace {

std::deque<std::optional<std::string>>& Answers() {
    static std::deque<std::optional<std::string>> answers;
    return answers;
}

bool ShowsNothing() {
    const QString name = QGuiApplication::platformName();
    return name.isEmpty() || name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

}  // namespace

std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                    const std::string& defaultText, QWidget* parent) {
    if (!Answers().empty()) {
        std::optional<std::string> answer = std::move(Answers().front());
        Answers().pop_front();
        return answer;
    }
    if (ShowsNothing()) {
        return std::nullopt;
    }
    bool confirmed = false;
    const QString text =
        QInputDialog::getText(parent, QString::fromStdString(caption), QString::fromStdString(prompt),
                              QLineEdit::Normal, QString::fromStdString(defaultText), &confirmed);
    if (!confirmed) {
        return std::nullopt;
    }
    return text.toStdString();
}

void ScriptInputBoxAnswers(std::vector<std::optional<std::string>> answers) {
    for (auto& answer : answers) {
        Answers().push_back(std::move(answer));
    }
}

void ResetInputBoxStateForTesting() {
    Answers().clear();
}

}  // namespace platform
