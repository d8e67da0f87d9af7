#pragma once

// The message boxes a test's code shows, read back from the box log; boxes are answered by script so
// none waits for a person.

#include <sstream>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fwupdate_test {

class MessageLog {
  public:
    explicit MessageLog(const std::string& answers = "")
        : log_("WINSYS_MSGBOX_LOG", (dir_.path() / "boxes.jsonl").string()),
          answers_("WINSYS_MSGBOX_ANSWERS", answers) {
        platform::ResetMessageBoxStateForTesting();
    }
    ~MessageLog() { platform::ResetMessageBoxStateForTesting(); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // One log line per box, without the newline.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::error_code ec;
        if (!std::filesystem::exists(dir_.path() / "boxes.jsonl", ec)) {
            return lines;
        }
        std::istringstream in(kit_test::ReadFile(dir_.path() / "boxes.jsonl"));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // The line a box with these texts, flags and answer writes.
    static std::string Expected(const std::string& caption, const std::string& text, uint32_t flags,
                                int answer) {
        std::string line = platform::MessageBoxLogLine({caption, text, flags}, answer);
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        return line;
    }

  private:
    kit_test::TempDir dir_;
    kit_test::ScopedEnv log_;
    kit_test::ScopedEnv answers_;
};

}  // namespace fwupdate_test
