#pragma once

// Numbers in the system root's own files and tools: decimal, or hexadecimal after "0x".

#include <charconv>
#include <cstdint>
#include <string_view>

namespace platform {

// The whole text as a number; false for anything else (blanks, signs, trailing text, overflow).
inline bool ParseUnsigned(std::string_view text, uint64_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

}  // namespace platform
