#pragma once

// Comparing names the way Windows compares file, section, key and privilege names: letters A to Z
// without regard to case; other bytes as they are.

#include <algorithm>
#include <string>
#include <string_view>

namespace platform {

inline char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string FoldCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = FoldCase(c);
    return out;
}

inline std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return out;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

}  // namespace platform
