#include "platform/command_line.h"

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::string_view SkipBlanks(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) {
        ++start;
    }
    return text.substr(start);
}

}  // namespace

std::vector<ModuleCandidate> ModuleCandidates(std::string_view commandLine) {
    std::string_view line = SkipBlanks(UpToNul(commandLine));
    std::vector<ModuleCandidate> candidates;
    if (line.empty()) {
        return candidates;
    }
    if (line.front() == '"') {
        // A quoted name ends at the next quote; without one it runs to the end of the line.
        size_t close = line.find('"', 1);
        if (close == std::string_view::npos) {
            candidates.push_back({line.substr(1), std::string_view()});
        } else {
            candidates.push_back({line.substr(1, close - 1), line.substr(close + 1)});
        }
        return candidates;
    }
    for (size_t i = 0; i <= line.size(); ++i) {
        bool atEnd = i == line.size();
        // Only the first blank of a run ends a prefix: "a  b" reads as "a", then "a  b".
        if (atEnd || (IsBlank(line[i]) && i > 0 && !IsBlank(line[i - 1]))) {
            candidates.push_back({line.substr(0, i), line.substr(i)});
        }
    }
    return candidates;
}

std::vector<std::string> SplitArguments(std::string_view arguments) {
    std::string_view text = UpToNul(arguments);
    std::vector<std::string> out;
    size_t p = 0;
    for (;;) {
        while (p < text.size() && IsBlank(text[p])) {
            ++p;
        }
        if (p >= text.size()) {
            break;
        }
        std::string argument;
        bool quoted = false;
        for (;;) {
            size_t backslashes = 0;
            while (p < text.size() && text[p] == '\\') {
                ++backslashes;
                ++p;
            }
            bool copy = true;
            if (p < text.size() && text[p] == '"') {
                if (backslashes % 2 == 0) {
                    if (quoted && p + 1 < text.size() && text[p + 1] == '"') {
                        ++p;  // A doubled quote inside quotes: the second one is kept.
                    } else {
                        copy = false;
                        quoted = !quoted;
                    }
                }
                backslashes /= 2;
            }
            argument.append(backslashes, '\\');
            if (p >= text.size() || (!quoted && IsBlank(text[p]))) {
                break;
            }
            if (copy) {
                argument.push_back(text[p]);
            }
            ++p;
        }
        out.push_back(std::move(argument));
    }
    return out;
}

std::string QuoteArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(argument);
    }
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            // Backslashes before a quote are doubled and the quote escaped with one more.
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    // Backslashes before the closing quote are doubled so that it stays a closing quote.
    out.append(backslashes * 2, '\\');
    out.push_back('"');
    return out;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
    std::string out;
    for (const std::string& argument : arguments) {
        if (!out.empty()) {
            out.push_back(' ');
        }
        out += QuoteArgument(argument);
    }
    return out;
}

}  // namespace platform
