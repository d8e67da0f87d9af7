#include "platform/message_box.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

#include "platform/codepage.h"
#include "platform/debug_output.h"
#include "platform/display.h"

namespace platform {

namespace {

struct ScriptedAnswer {
    std::string word;           // as written, for warnings
    std::optional<int> answer;  // none for a word that is not an answer
};

// The per-process state: the script, read at the first box, and the presenter.
struct MessageBoxState {
    std::mutex mutex;
    bool scriptLoaded = false;
    std::deque<ScriptedAnswer> script;
    MessageBoxPresenter presenter;
};

MessageBoxState& State() {
    static MessageBoxState state;
    return state;
}

std::string_view Trim(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::deque<ScriptedAnswer> ParseScript(std::string_view list) {
    std::deque<ScriptedAnswer> script;
    while (true) {
        size_t comma = list.find(',');
        std::string_view word = Trim(list.substr(0, comma));
        if (!word.empty()) {
            script.push_back({std::string(word), ParseMessageBoxAnswer(word)});
        }
        if (comma == std::string_view::npos) {
            break;
        }
        list.remove_prefix(comma + 1);
    }
    return script;
}

// The next scripted answer, if any is left; the caller must hold the state's mutex.
std::optional<ScriptedAnswer> TakeScriptedAnswer(MessageBoxState& state) {
    if (!state.scriptLoaded) {
        state.scriptLoaded = true;
        const char* list = std::getenv("WINSYS_MSGBOX_ANSWERS");
        state.script = list != nullptr ? ParseScript(list) : std::deque<ScriptedAnswer>{};
    }
    if (state.script.empty()) {
        return std::nullopt;
    }
    ScriptedAnswer next = std::move(state.script.front());
    state.script.pop_front();
    return next;
}

bool Offers(uint32_t flags, int answer) {
    for (int button : MessageBoxButtons(flags)) {
        if (button == answer) {
            return true;
        }
    }
    return false;
}

int ResolveScriptedAnswer(const ScriptedAnswer& scripted, const MessageBoxRequest& request) {
    int fallback = MessageBoxCancelAnswer(request.flags);
    if (!scripted.answer) {
        std::string warning = "warning: WINSYS_MSGBOX_ANSWERS: \"" + scripted.word +
                              "\" is not an answer; the box \"" + request.caption + "\" answers " +
                              std::string(MessageBoxAnswerName(fallback)) + "\n";
        std::fwrite(warning.data(), 1, warning.size(), stderr);
        return fallback;
    }
    if (!Offers(request.flags, *scripted.answer)) {
        std::string warning = "warning: WINSYS_MSGBOX_ANSWERS: the box \"" + request.caption + "\" has no " +
                              std::string(MessageBoxAnswerName(*scripted.answer)) + " button; it answers " +
                              std::string(MessageBoxAnswerName(fallback)) + "\n";
        std::fwrite(warning.data(), 1, warning.size(), stderr);
        return fallback;
    }
    return *scripted.answer;
}

// Length of the valid UTF-8 sequence starting at text[i], or 0 when the byte there does not start one
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;  // overlong below U+0800
        } else if (lead == 0xED) {
            high = 0x9F;  // surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;  // overlong below U+10000
        } else if (lead == 0xF4) {
            high = 0x8F;  // beyond U+10FFFF
        }
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendUnicodeEscape(std::string& out, unsigned value) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\u00";
    out.push_back(kHex[(value >> 4) & 0xF]);
    out.push_back(kHex[value & 0xF]);
}

// Caption and text for a terminal: line breaks and tabs kept, other control characters (escape
// sequences above all) made visible instead of acted upon.
std::string ConsoleText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\t') || u == 0x7F) {
            out.push_back('?');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void LogBox(const MessageBoxRequest& request, int answer) {
    const char* path = std::getenv("WINSYS_MSGBOX_LOG");
    if (path == nullptr || path[0] == '\0') {
        return;
    }
    if (!AppendToFile(path, MessageBoxLogLine(request, answer))) {
        std::string warning = std::string("warning: cannot append to WINSYS_MSGBOX_LOG ") + path + "\n";
        std::fwrite(warning.data(), 1, warning.size(), stderr);
    }
}

}  // namespace

std::vector<int> MessageBoxButtons(uint32_t flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE:
            return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        default:
            return {IDOK};
    }
}

int MessageBoxDefaultAnswer(uint32_t flags) {
    std::vector<int> buttons = MessageBoxButtons(flags);
    size_t index = (flags & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

int MessageBoxCancelAnswer(uint32_t flags) {
    std::vector<int> buttons = MessageBoxButtons(flags);
    for (int preferred : {IDCANCEL, IDNO, IDABORT}) {
        if (Offers(flags, preferred)) {
            return preferred;
        }
    }
    return buttons.front();
}

std::optional<int> ParseMessageBoxAnswer(std::string_view word) {
    struct Word {
        std::string_view name;
        int answer;
    };
    static constexpr Word kWords[] = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT},
                                      {"retry", IDRETRY}, {"ignore", IDIGNORE}, {"yes", IDYES},
                                      {"no", IDNO}};
    word = Trim(word);
    for (const Word& known : kWords) {
        if (known.name.size() != word.size()) {
            continue;
        }
        bool same = true;
        for (size_t i = 0; i < word.size() && same; ++i) {
            same = std::tolower(static_cast<unsigned char>(word[i])) == known.name[i];
        }
        if (same) {
            return known.answer;
        }
    }
    return std::nullopt;
}

std::string_view MessageBoxAnswerName(int answer) {
    switch (answer) {
        case IDOK:
            return "OK";
        case IDCANCEL:
            return "Cancel";
        case IDABORT:
            return "Abort";
        case IDRETRY:
            return "Retry";
        case IDIGNORE:
            return "Ignore";
        case IDYES:
            return "Yes";
        case IDNO:
            return "No";
        default:
            return "?";
    }
}

std::string JsonEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            size_t length = Utf8SequenceLength(text, i);
            if (length == 0) {
                AppendUnicodeEscape(out, c);
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    AppendUnicodeEscape(out, c);
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
        ++i;
    }
    return out;
}

std::string MessageBoxLogLine(const MessageBoxRequest& request, int answer) {
    return "{\"caption\": \"" + JsonEscape(request.caption) + "\", \"text\": \"" + JsonEscape(request.text) +
           "\", \"flags\": " + std::to_string(request.flags) + ", \"answer\": " + std::to_string(answer) +
           "}\n";
}

int ConsoleMessageBox(const MessageBoxRequest& request) {
    int answer = MessageBoxCancelAnswer(request.flags);
    std::string buttons;
    for (int button : MessageBoxButtons(request.flags)) {
        buttons += buttons.empty() ? "" : "/";
        buttons += MessageBoxAnswerName(button);
    }
    std::string out = "=== " + ConsoleText(request.caption) + " ===\n" + ConsoleText(request.text);
    if (out.back() != '\n') {
        out.push_back('\n');
    }
    out += "=== [" + buttons + "] answered " + std::string(MessageBoxAnswerName(answer)) +
           " (no one to ask) ===\n";
    // One write, so that a box is not torn apart by output from other threads.
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
    return answer;
}

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    MessageBoxState& state = State();
    std::lock_guard lock(state.mutex);
    state.presenter = std::move(presenter);
}

int MessageBox(std::string_view text, std::string_view caption, uint32_t flags) {
    MessageBoxRequest request{std::string(caption), std::string(text), flags};
    MessageBoxState& state = State();
    std::optional<ScriptedAnswer> scripted;
    MessageBoxPresenter presenter;
    {
        std::lock_guard lock(state.mutex);
        scripted = TakeScriptedAnswer(state);
        presenter = state.presenter;
    }
    int answer = 0;
    if (scripted) {
        answer = ResolveScriptedAnswer(*scripted, request);
    } else if (presenter && HasDisplay()) {
        // The presenter runs without the lock: a modal dialog may take a long while, and boxes from
        // other threads must still be able to take their scripted answers meanwhile.
        answer = presenter(request);
    } else {
        answer = ConsoleMessageBox(request);
    }
    LogBox(request, answer);
    return answer;
}

void ResetMessageBoxStateForTesting() {
    MessageBoxState& state = State();
    std::lock_guard lock(state.mutex);
    state.scriptLoaded = false;
    state.script.clear();
    state.presenter = nullptr;
}

int MessageBoxA(std::string_view text, std::string_view caption, uint32_t flags) {
    return MessageBox(SystemAnsiToUtf8(text), SystemAnsiToUtf8(caption), flags);
}

}  // namespace platform
