#pragma once

// The integer syntax of the window framework, shared by every place that reads a number typed by a
// person or a caller (command-line tokens, setup values): leading blanks, an optional sign, then
// decimal digits, or hexadecimal digits after "$", "x" or "0x" in either letter case. Nothing may
// follow the digits. Hexadecimal values take all 32 bits ("$FFFFFFFF" is -1); decimal ones must fit.

#include <cstdint>
#include <optional>
#include <string_view>

namespace drvsetup {

std::optional<int32_t> ParseFrameworkInt(std::string_view text);
// The value, or `fallback` for text that is not an integer.
int32_t FrameworkIntOr(std::string_view text, int32_t fallback);

}  // namespace drvsetup
