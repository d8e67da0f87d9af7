#include "fwupdate/options.h"

#include <vector>

#include "platform/ascii.h"

namespace fwupdate {

namespace {

enum class Match { kWholeToken, kPrefix };

enum class Action {
    kMicomText,  // append `text` to the MICOM command
    kBiosText,   // append `text` to the BIOS command
    kFlags,      // add `flags`
    kMode,       // append the token to the BIOS command; its seventh character may set a flag
    kReadBios,   // the flag word becomes kFlagReadBios and parsing ends
};

struct OptionEntry {
    std::string_view word;  // with the "/" prefix, upper case
    Match match;
    Action action;
    std::string_view text = {};
    UpdateFlags flags = 0;
};

// Tried in this order; the first that matches wins, so "/MFORCE" etc. must come before "/MODE".
constexpr OptionEntry kOptions[] = {
    {"/MFORCE", Match::kWholeToken, Action::kMicomText, "/FORCE"},
    {"/MSERIAL", Match::kWholeToken, Action::kMicomText, "/SERIAL"},
    {"/MAUTO", Match::kWholeToken, Action::kMicomText, "/A"},
    {"/MODE", Match::kPrefix, Action::kMode},
    {"/BBL", Match::kPrefix, Action::kBiosText, "/BBL"},
    {"/BLOCK_POWER_OFF", Match::kPrefix, Action::kFlags, {}, kFlagBlockPowerOff},
    {"/SKIP_CHECK_PART", Match::kPrefix, Action::kFlags, {}, kFlagSkipCheckPart},
    {"/SKIP_CHECK_MODEL", Match::kPrefix, Action::kFlags, {}, kFlagSkipCheckModel},
    {"/SKIP_UPDATE_MICOM", Match::kPrefix, Action::kFlags, {}, kFlagSkipMicom},
    {"/NO_MESSAGEBOX", Match::kPrefix, Action::kFlags, {}, kFlagNoMessageBox},
    {"/BREAK_CMOS", Match::kPrefix, Action::kBiosText, "/C"},
    {"/BREAK_ESCD", Match::kPrefix, Action::kFlags, {}, kFlagBreakEscd},
    {"/READ_BIOS", Match::kPrefix, Action::kReadBios},
    {"/SKIP_UPDATE_FILES", Match::kPrefix, Action::kFlags, {}, kFlagSkipUpdateFiles},
    {"/SKIP_CHECK_DATE", Match::kPrefix, Action::kFlags, {}, kFlagSkipCheckDate},
    {"/SKIP_CHECK_POWER", Match::kPrefix, Action::kFlags, {}, kFlagSkipCheckPower},
    {"/VISTA_UPGRADE",
     Match::kPrefix,
     Action::kFlags,
     {},
     kFlagNoPrompt | kFlagBlockPowerOff | kFlagNoMessageBox},
};

// The "/MODE=n" digit at the seventh character.
constexpr size_t kModeDigitIndex = 6;

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    size_t pos = 0;
    while (pos < line.size()) {
        size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string_view::npos) {
            break;
        }
        size_t end = line.find(' ', start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        tokens.push_back(line.substr(start, end - start));
        pos = end;
    }
    return tokens;
}

const OptionEntry* FindOption(std::string_view token) {
    if (token.empty() || (token[0] != '/' && token[0] != '-')) {
        return nullptr;
    }
    // Compare without the prefix character, so "-" and "/" are alike.
    std::string_view rest = token.substr(1);
    for (const OptionEntry& option : kOptions) {
        std::string_view word = option.word.substr(1);
        bool matches = option.match == Match::kWholeToken ? rest == word : rest.starts_with(word);
        if (matches) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

bool AppendCommand(std::string& command, std::string_view text) {
    if (command.size() > kMaxCommandChars || text.size() > kMaxCommandChars - command.size()) {
        return false;
    }
    command.append(text);
    return true;
}

bool AppendCommandOption(std::string& command, std::string_view word) {
    std::string text(" ");
    text.append(word);
    return AppendCommand(command, text);
}

uint32_t ParseOptions(std::string_view commandLine, UpdateOptions& options) {
    for (std::string_view rawToken : Tokens(commandLine)) {
        std::string token = platform::UpperCase(rawToken);
        const OptionEntry* option = FindOption(token);
        if (option == nullptr) {
            return kResultInvalidOption;
        }
        switch (option->action) {
            case Action::kMicomText:
                if (!AppendCommandOption(options.micomCommand, option->text)) {
                    return kResultInvalidOption;
                }
                break;
            case Action::kBiosText:
                if (!AppendCommandOption(options.biosCommand, option->text)) {
                    return kResultInvalidOption;
                }
                break;
            case Action::kFlags:
                options.flags |= option->flags;
                break;
            case Action::kMode:
                if (!AppendCommandOption(options.biosCommand, token)) {
                    return kResultInvalidOption;
                }
                if (token.size() > kModeDigitIndex) {
                    if (token[kModeDigitIndex] == '3') {
                        options.flags |= kFlagModeDmiAlways;
                    } else if (token[kModeDigitIndex] == '1') {
                        options.flags |= kFlagModeNoDmi;
                    }
                }
                break;
            case Action::kReadBios:
                options.flags = kFlagReadBios;
                return 0;
        }
    }
    return 0;
}

}  // namespace fwupdate
