#include "platform/guid.h"

#include <cstdio>

#include "platform/hex.h"

namespace platform {

namespace {

// Reads `count` hex digits at `pos`; false when any is not a digit.
bool ReadHex(std::string_view text, size_t pos, size_t count, uint64_t& value) {
    value = 0;
    for (size_t i = 0; i < count; ++i) {
        int d = HexDigit(text[pos + i]);
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<uint64_t>(d);
    }
    return true;
}

}  // namespace

std::string GuidToString(const Guid& g) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1,
                  g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5],
                  g.data4[6], g.data4[7]);
    return buffer;
}

std::optional<Guid> StringToGuid(std::string_view text) {
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-') {
        return std::nullopt;
    }
    Guid g;
    uint64_t v = 0;
    if (!ReadHex(text, 1, 8, v))
        return std::nullopt;
    g.data1 = static_cast<uint32_t>(v);
    if (!ReadHex(text, 10, 4, v))
        return std::nullopt;
    g.data2 = static_cast<uint16_t>(v);
    if (!ReadHex(text, 15, 4, v))
        return std::nullopt;
    g.data3 = static_cast<uint16_t>(v);
    static constexpr size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (size_t i = 0; i < 8; ++i) {
        if (!ReadHex(text, kByteAt[i], 2, v))
            return std::nullopt;
        g.data4[i] = static_cast<uint8_t>(v);
    }
    return g;
}

}  // namespace platform
