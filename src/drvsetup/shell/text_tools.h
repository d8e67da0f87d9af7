#pragma once

// Text helpers shared by the setup files, the command line and the INF parser.

#include <string_view>

namespace drvsetup {

// Blanks are every character up to code 32, as the setup texts have always been trimmed.
inline bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

inline std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace drvsetup
