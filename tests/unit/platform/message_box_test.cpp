#include "platform/message_box.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/system_root.h"
#include "support/temp_root.h"

namespace {

using namespace platform;

// Sets or clears environment variables for one test and puts the old values back afterwards.
class ScopedEnv {
  public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                unsetenv(it->first.c_str());
            }
        }
    }
    void Set(const std::string& name, const std::string& value) {
        Save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name) {
        Save(name);
        unsetenv(name.c_str());
    }

  private:
    void Save(const std::string& name) {
        const char* value = std::getenv(name.c_str());
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A strict reader for the log's JSON lines, written independently of the code under test: it accepts
// only an object of string and integer members, rejects raw control characters and invalid UTF-8 in
// strings, and decodes escapes to UTF-8.
struct LogRecord {
    std::string caption;
    std::string text;
    long long flags = -1;
    long long answer = -1;
};

class JsonLineReader {
  public:
    explicit JsonLineReader(std::string_view line) : s_(line) {}

    std::optional<LogRecord> Read() {
        LogRecord record;
        if (!Eat('{')) {
            return std::nullopt;
        }
        do {
            SkipBlanks();
            std::optional<std::string> key = String();
            SkipBlanks();
            if (!key || !Eat(':')) {
                return std::nullopt;
            }
            SkipBlanks();
            if (*key == "caption" || *key == "text") {
                std::optional<std::string> value = String();
                if (!value) {
                    return std::nullopt;
                }
                (*key == "caption" ? record.caption : record.text) = *value;
            } else if (*key == "flags" || *key == "answer") {
                std::optional<long long> value = Integer();
                if (!value) {
                    return std::nullopt;
                }
                (*key == "flags" ? record.flags : record.answer) = *value;
            } else {
                return std::nullopt;
            }
            SkipBlanks();
        } while (Eat(','));
        if (!Eat('}') || pos_ != s_.size()) {
            return std::nullopt;
        }
        return record;
    }

  private:
    bool Eat(char c) {
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void SkipBlanks() {
        while (pos_ < s_.size() && s_[pos_] == ' ') {
            ++pos_;
        }
    }
    std::optional<long long> Integer() {
        size_t start = pos_;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
            ++pos_;
        }
        if (start == pos_) {
            return std::nullopt;
        }
        return std::stoll(std::string(s_.substr(start, pos_ - start)));
    }
    static void PutUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    std::optional<unsigned> Hex4() {
        if (pos_ + 4 > s_.size()) {
            return std::nullopt;
        }
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            char c = s_[pos_++];
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                value |= static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                value |= static_cast<unsigned>(c - 'A' + 10);
            } else {
                return std::nullopt;
            }
        }
        return value;
    }
    // One raw UTF-8 character; decoded to its code point to check it is the shortest form and a
    // scalar value.
    bool RawUtf8(std::string& out) {
        auto u = [&](size_t k) { return static_cast<unsigned char>(s_[k]); };
        unsigned char lead = u(pos_);
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead > 0xF7 || pos_ + length > s_.size()) {
            return false;
        }
        unsigned cp = lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            if ((u(pos_ + k) & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (u(pos_ + k) & 0x3F);
        }
        unsigned minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        out.append(s_.substr(pos_, length));
        pos_ += length;
        return true;
    }
    std::optional<std::string> String() {
        if (!Eat('"')) {
            return std::nullopt;
        }
        std::string out;
        while (pos_ < s_.size()) {
            unsigned char c = static_cast<unsigned char>(s_[pos_]);
            if (c == '"') {
                ++pos_;
                return out;
            }
            if (c < 0x20) {
                return std::nullopt;
            }
            if (c >= 0x80) {
                if (!RawUtf8(out)) {
                    return std::nullopt;
                }
                continue;
            }
            ++pos_;
            if (c != '\\') {
                out.push_back(static_cast<char>(c));
                continue;
            }
            if (pos_ >= s_.size()) {
                return std::nullopt;
            }
            char e = s_[pos_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out.push_back(e);
                    break;
                case 'b':
                    out.push_back('\b');
                    break;
                case 'f':
                    out.push_back('\f');
                    break;
                case 'n':
                    out.push_back('\n');
                    break;
                case 'r':
                    out.push_back('\r');
                    break;
                case 't':
                    out.push_back('\t');
                    break;
                case 'u': {
                    std::optional<unsigned> cp = Hex4();
                    if (!cp || (*cp >= 0xD800 && *cp <= 0xDFFF)) {
                        return std::nullopt;  // the log never needs surrogate pairs
                    }
                    PutUtf8(out, *cp);
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view s_;
    size_t pos_ = 0;
};

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Every test starts with no script, no presenter, no display and no log, as a fresh process would.
class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        env_.Unset("WINSYS_MSGBOX_ANSWERS");
        env_.Unset("WINSYS_MSGBOX_LOG");
        env_.Unset("DISPLAY");
        env_.Unset("WAYLAND_DISPLAY");
        ResetMessageBoxStateForTesting();
    }
    void TearDown() override { ResetMessageBoxStateForTesting(); }

    // Runs a box while catching what it writes to standard error.
    int Box(std::string_view text, std::string_view caption, uint32_t flags,
            std::string* stderrText = nullptr) {
        ::testing::internal::CaptureStderr();
        int answer = MessageBox(text, caption, flags);
        std::string captured = ::testing::internal::GetCapturedStderr();
        if (stderrText != nullptr) {
            *stderrText = captured;
        }
        return answer;
    }

    ScopedEnv env_;
    kit_test::TempDir dir_;
};

TEST_F(MessageBoxTest, ConsoleAnswersOkOrTheSafeChoice) {
    struct Case {
        uint32_t flags;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OK | MB_ICONERROR | MB_TOPMOST, IDOK},
        {MB_OKCANCEL, IDCANCEL},
        {MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1, IDCANCEL},
        {MB_RETRYCANCEL | MB_ICONWARNING, IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO, IDNO},
        {MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL | MB_SETFOREGROUND, IDNO},
        {MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_DEFBUTTON3, IDABORT},
        {0x7, IDOK},  // a button code we do not know still gets a box with a way out
    };
    for (const Case& c : cases) {
        std::string shown;
        EXPECT_EQ(Box("Update the BIOS now?", "Firmware Update", c.flags, &shown), c.answer)
            << "flags " << c.flags;
        EXPECT_NE(shown.find("Firmware Update"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Update the BIOS now?"), std::string::npos) << shown;
        EXPECT_NE(shown.find("answered " + std::string(MessageBoxAnswerName(c.answer))), std::string::npos)
            << shown;
    }
}

TEST_F(MessageBoxTest, ConsoleNeutralisesTerminalControlCharacters) {
    std::string shown;
    Box("line one\nline\x1b[2Jtwo", "Cap\x07tion", MB_OK, &shown);
    EXPECT_EQ(shown.find('\x1b'), std::string::npos);
    EXPECT_EQ(shown.find('\x07'), std::string::npos);
    EXPECT_NE(shown.find("line one\nline?[2Jtwo"), std::string::npos) << shown;
}

TEST(MessageBoxButtonsTest, ButtonsDefaultAndCancelAnswers) {
    struct Case {
        uint32_t flags;
        std::vector<int> buttons;
        int defaultAnswer;
        int cancelAnswer;
    };
    const Case cases[] = {
        {MB_OK, {IDOK}, IDOK, IDOK},
        {MB_OK | MB_DEFBUTTON2, {IDOK}, IDOK, IDOK},  // past the last button: the first
        {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE, IDABORT},
        {MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION, {IDYES, IDNO, IDCANCEL}, IDNO, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON4, {IDYES, IDNO}, IDYES, IDNO},
        {MB_RETRYCANCEL | MB_ICONERROR, {IDRETRY, IDCANCEL}, IDRETRY, IDCANCEL},
        {0xF, {IDOK}, IDOK, IDOK},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageBoxButtons(c.flags), c.buttons) << "flags " << c.flags;
        EXPECT_EQ(MessageBoxDefaultAnswer(c.flags), c.defaultAnswer) << "flags " << c.flags;
        EXPECT_EQ(MessageBoxCancelAnswer(c.flags), c.cancelAnswer) << "flags " << c.flags;
    }
}

TEST(MessageBoxButtonsTest, ParsesScriptWords) {
    EXPECT_EQ(ParseMessageBoxAnswer("ok"), IDOK);
    EXPECT_EQ(ParseMessageBoxAnswer(" CANCEL\t"), IDCANCEL);
    EXPECT_EQ(ParseMessageBoxAnswer("Abort"), IDABORT);
    EXPECT_EQ(ParseMessageBoxAnswer("rEtRy"), IDRETRY);
    EXPECT_EQ(ParseMessageBoxAnswer("ignore"), IDIGNORE);
    EXPECT_EQ(ParseMessageBoxAnswer("YES"), IDYES);
    EXPECT_EQ(ParseMessageBoxAnswer("no"), IDNO);
    for (std::string_view bad :
         {std::string_view(""), std::string_view("n"), std::string_view("nope"), std::string_view("okay"),
          std::string_view("6"), std::string_view("y es"), std::string_view("no\0", 3)}) {
        EXPECT_EQ(ParseMessageBoxAnswer(bad), std::nullopt) << bad;
    }
}

TEST_F(MessageBoxTest, ScriptedAnswersAreUsedInOrderThenBoxesFallBack) {
    env_.Set("WINSYS_MSGBOX_ANSWERS", " Yes ,NO,, ok,retry ,");
    std::string shown;
    EXPECT_EQ(Box("a", "c", MB_YESNO, &shown), IDYES);
    EXPECT_EQ(shown, "");  // a scripted box is not shown
    // The variable was read at the first box; changing it now does not change the script.
    env_.Set("WINSYS_MSGBOX_ANSWERS", "cancel,cancel,cancel,cancel");
    EXPECT_EQ(Box("b", "c", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(Box("c", "c", MB_OKCANCEL), IDOK);  // the empty item was skipped
    EXPECT_EQ(Box("d", "c", MB_RETRYCANCEL), IDRETRY);
    // Used up: shown as usual (console without a display).
    EXPECT_EQ(Box("e", "c", MB_YESNO, &shown), IDNO);
    EXPECT_NE(shown.find("e\n"), std::string::npos);
    // A reset reads the variable again.
    ResetMessageBoxStateForTesting();
    EXPECT_EQ(Box("f", "c", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(Box("g", "c", MB_OKCANCEL), IDCANCEL);
}

TEST_F(MessageBoxTest, AnswerNotOfferedOrUnknownGivesTheCancelAnswerAndUsesItsPlace) {
    env_.Set("WINSYS_MSGBOX_ANSWERS", "yes,cancel,retry,maybe,ok,yes");
    std::string warned;
    EXPECT_EQ(Box("t", "Setup", MB_OKCANCEL, &warned), IDCANCEL);
    EXPECT_NE(warned.find("has no Yes button"), std::string::npos) << warned;
    EXPECT_EQ(Box("t", "Setup", MB_OK), IDOK);
    EXPECT_EQ(Box("t", "Setup", MB_YESNO), IDNO);
    EXPECT_EQ(Box("t", "Setup", MB_YESNOCANCEL, &warned), IDCANCEL);
    EXPECT_NE(warned.find("\"maybe\" is not an answer"), std::string::npos) << warned;
    EXPECT_EQ(Box("t", "Setup", MB_OKCANCEL), IDOK);
    EXPECT_EQ(Box("t", "Setup", MB_YESNO), IDYES);
}

TEST_F(MessageBoxTest, ScriptedAnswersAreSharedOutExactlyOnceAcrossThreads) {
    constexpr int kThreads = 8;
    constexpr int kBoxesPerThread = 40;
    constexpr int kScripted = 150;
    std::string script;
    for (int i = 0; i < kScripted; ++i) {
        script += "yes,";
    }
    env_.Set("WINSYS_MSGBOX_ANSWERS", script);
    const std::string log = (dir_.path() / "boxes.jsonl").string();
    env_.Set("WINSYS_MSGBOX_LOG", log);

    std::vector<int> yesCounts(kThreads, 0);
    ::testing::internal::CaptureStderr();
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&yesCounts, t] {
                for (int i = 0; i < kBoxesPerThread; ++i) {
                    yesCounts[t] += MessageBox("proceed?", "thread", MB_YESNO) == IDYES ? 1 : 0;
                }
            });
        }
    }
    ::testing::internal::GetCapturedStderr();
    int yes = 0;
    for (int count : yesCounts) {
        yes += count;
    }
    EXPECT_EQ(yes, kScripted);
    std::vector<std::string> lines = Lines(kit_test::ReadFile(log));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kBoxesPerThread));
    int loggedYes = 0;
    for (const std::string& line : lines) {
        std::optional<LogRecord> record = JsonLineReader(line).Read();
        ASSERT_TRUE(record) << line;
        loggedYes += record->answer == IDYES ? 1 : 0;
    }
    EXPECT_EQ(loggedYes, kScripted);
}

TEST_F(MessageBoxTest, PresenterShowsBoxesOnlyWhenADisplayExists) {
    std::vector<MessageBoxRequest> seen;
    SetMessageBoxPresenter([&seen](const MessageBoxRequest& request) {
        seen.push_back(request);
        return IDRETRY;
    });
    std::string shown;
    EXPECT_EQ(Box("no screen", "c", MB_RETRYCANCEL, &shown), IDCANCEL);
    EXPECT_TRUE(seen.empty());
    EXPECT_NE(shown.find("no screen"), std::string::npos);

    env_.Set("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(Box("flash now", "Updater", MB_RETRYCANCEL | MB_ICONWARNING, &shown), IDRETRY);
    EXPECT_EQ(shown, "");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Updater");
    EXPECT_EQ(seen[0].text, "flash now");
    EXPECT_EQ(seen[0].flags, MB_RETRYCANCEL | MB_ICONWARNING);

    // Scripted answers come before the presenter (the script is read at the first box, hence the reset).
    ResetMessageBoxStateForTesting();
    env_.Set("WINSYS_MSGBOX_ANSWERS", "cancel");
    SetMessageBoxPresenter([&seen](const MessageBoxRequest& request) {
        seen.push_back(request);
        return IDRETRY;
    });
    EXPECT_EQ(Box("x", "c", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(seen.size(), 1u);

    // A display without a presenter (a program without Qt) still uses the console.
    SetMessageBoxPresenter(nullptr);
    EXPECT_EQ(Box("y", "c", MB_YESNO, &shown), IDNO);
    EXPECT_NE(shown.find("y\n"), std::string::npos);
}

TEST_F(MessageBoxTest, LogLineRoundTripsOddTexts) {
    struct Case {
        std::string text;
        std::string readBack;  // what a JSON reader gets back
    };
    const std::string longText(1 << 20, 'x');
    const Case cases[] = {
        {"plain", "plain"},
        {"say \"hi\" to C:\\kit\\", "say \"hi\" to C:\\kit\\"},
        {"a\nb\r\tc\b\f", "a\nb\r\tc\b\f"},
        {std::string("nul\0\x01\x1f\x7f", 8), std::string("nul\0\x01\x1f\x7f", 8)},
        {"caf\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80"},
        // Bytes that are not UTF-8 (an unconverted code-page text, a cut sequence, an overlong form,
        // a surrogate, beyond U+10FFFF) come back as the Latin-1 character of each byte.
        {"caf\xe9", "caf\xc3\xa9"},
        {"end\xc3", "end\xc3\x83"},
        {"\xc0\xaf", "\xc3\x80\xc2\xaf"},
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},
        {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"},
        {"\xff\xfe", "\xc3\xbf\xc3\xbe"},
        {longText, longText},
    };
    for (const Case& c : cases) {
        MessageBoxRequest request{"cap \"" + c.text.substr(0, 16) + "\"", c.text, MB_YESNO | MB_ICONQUESTION};
        std::string line = MessageBoxLogLine(request, IDNO);
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\n');
        line.pop_back();
        EXPECT_EQ(line.find('\n'), std::string::npos);
        std::optional<LogRecord> record = JsonLineReader(line).Read();
        ASSERT_TRUE(record) << line.substr(0, 200);
        EXPECT_EQ(record->text, c.readBack);
        EXPECT_EQ(record->flags, MB_YESNO | MB_ICONQUESTION);
        EXPECT_EQ(record->answer, IDNO);
    }
    EXPECT_EQ(MessageBoxLogLine({"Setup", "Done.", MB_OK}, IDOK),
              "{\"caption\": \"Setup\", \"text\": \"Done.\", \"flags\": 0, \"answer\": 1}\n");
}

TEST_F(MessageBoxTest, EveryBoxIsLoggedWhetherScriptedPresentedOrOnTheConsole) {
    const auto log = dir_.path() / "sub" / ".." / "boxes.jsonl";
    env_.Set("WINSYS_MSGBOX_LOG", log.string());
    env_.Set("WINSYS_MSGBOX_ANSWERS", "yes");
    std::filesystem::create_directories(dir_.path() / "sub");
    kit_test::WriteFile(dir_.path() / "boxes.jsonl", "earlier line\n");

    Box("first", "Setup", MB_YESNO);                     // scripted
    Box("second", "Setup", MB_OKCANCEL | MB_ICONERROR);  // console
    env_.Set("DISPLAY", ":0");
    SetMessageBoxPresenter([](const MessageBoxRequest&) { return IDIGNORE; });
    Box("third", "Setup", MB_ABORTRETRYIGNORE | MB_TOPMOST);  // presented

    std::vector<std::string> lines = Lines(kit_test::ReadFile(dir_.path() / "boxes.jsonl"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "earlier line");
    const LogRecord expected[] = {{"Setup", "first", MB_YESNO, IDYES},
                                  {"Setup", "second", MB_OKCANCEL | MB_ICONERROR, IDCANCEL},
                                  {"Setup", "third", MB_ABORTRETRYIGNORE | MB_TOPMOST, IDIGNORE}};
    for (size_t i = 0; i < 3; ++i) {
        std::optional<LogRecord> record = JsonLineReader(lines[i + 1]).Read();
        ASSERT_TRUE(record) << lines[i + 1];
        EXPECT_EQ(record->caption, expected[i].caption);
        EXPECT_EQ(record->text, expected[i].text);
        EXPECT_EQ(record->flags, expected[i].flags);
        EXPECT_EQ(record->answer, expected[i].answer);
    }
}

TEST_F(MessageBoxTest, UnwritableLogDoesNotChangeTheAnswer) {
    env_.Set("WINSYS_MSGBOX_LOG", (dir_.path() / "missing" / "boxes.jsonl").string());
    env_.Set("WINSYS_MSGBOX_ANSWERS", "retry");
    std::string warned;
    EXPECT_EQ(Box("t", "c", MB_RETRYCANCEL, &warned), IDRETRY);
    EXPECT_NE(warned.find("cannot append"), std::string::npos);
}

TEST_F(MessageBoxTest, TwoProcessesLoggingAtOnceWriteWholeLines) {
    constexpr int kBoxes = 200;
    const auto log = dir_.path() / "boxes.jsonl";
    env_.Set("WINSYS_MSGBOX_LOG", log.string());
    std::string script;
    for (int i = 0; i < kBoxes; ++i) {
        script += "ok,";
    }
    env_.Set("WINSYS_MSGBOX_ANSWERS", script);
    // Long texts, so a line torn by the other process would show.
    const std::string texts[2] = {std::string(6000, 'a'), std::string(6000, 'b')};
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            for (int i = 0; i < kBoxes; ++i) {
                MessageBox(texts[c], "child", MB_OK);
            }
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<std::string> lines = Lines(kit_test::ReadFile(log));
    ASSERT_EQ(lines.size(), 2u * kBoxes);
    int counts[2] = {0, 0};
    for (const std::string& line : lines) {
        std::optional<LogRecord> record = JsonLineReader(line).Read();
        ASSERT_TRUE(record) << line.substr(0, 80);
        ASSERT_TRUE(record->text == texts[0] || record->text == texts[1]);
        ++counts[record->text == texts[0] ? 0 : 1];
    }
    EXPECT_EQ(counts[0], kBoxes);
    EXPECT_EQ(counts[1], kBoxes);
}

}  // namespace

namespace {

TEST_F(MessageBoxTest, AnsiTextsAreShownInTheSystemCodePage) {
    kit_test::TempSystemRoot root;
    platform::SystemConfig config = *platform::PresetConfig("xp");
    config.ansiCodePage = 1251;
    ASSERT_TRUE(platform::InitSystemRoot(root.path(), config).ok());
    platform::UseSystemRoot(root.path());
    std::string log = (dir_.path() / "boxes.log").string();
    env_.Set("WINSYS_MSGBOX_LOG", log);
    env_.Set("WINSYS_MSGBOX_ANSWERS", "ok");
    EXPECT_EQ(MessageBoxA("\xCF\xF0\xE8\xE2\xE5\xF2", "\xCE", MB_OK), IDOK);
    EXPECT_EQ(kit_test::ReadFile(log),
              "{\"caption\": \"\xD0\x9E\", \"text\": \"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\", "
              "\"flags\": 0, \"answer\": 1}\n");
}

}  // namespace
