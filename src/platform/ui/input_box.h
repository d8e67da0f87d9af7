#pragma once

// The one-line input box: a caption, a prompt and an edit with a default text. Answered in advance by
// tests and scripts; without a display an unanswered box is cancelled.

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

// The text the user confirmed, or none for Cancel.
std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                    const std::string& defaultText, QWidget* parent = nullptr);

// The answers of the next boxes, used in order; none stands for Cancel.
void ScriptInputBoxAnswers(std::vector<std::optional<std::string>> answers);
void ResetInputBoxStateForTesting();

}  // namespace platform
