#include "drvsetup/shell/framework_int.h"

namespace drvsetup {

std::optional<int32_t> ParseFrameworkInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > (hex ? 0xFFFFFFFFull : 0x80000000ull)) {
            return std::nullopt;
        }
    }
    if (hex) {
        auto bits = static_cast<uint32_t>(value);
        return static_cast<int32_t>(negative ? 0u - bits : bits);
    }
    if (!negative && value > 0x7FFFFFFFull) {
        return std::nullopt;
    }
    int64_t signedValue = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return static_cast<int32_t>(signedValue);
}

int32_t FrameworkIntOr(std::string_view text, int32_t fallback) {
    return ParseFrameworkInt(text).value_or(fallback);
}

}  // namespace drvsetup
