#pragma once

// A GUID as a 16-byte value, and the system's conversions between a GUID and its braced text
// "{12345678-1234-1234-1234-123456789012}" (38 characters, upper-case digits when produced here).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    friend bool operator==(const Guid&, const Guid&) = default;
};

// The braced upper-case form.
std::string GuidToString(const Guid& guid);
// Accepts exactly the braced 8-4-4-4-12 layout (digits in either case); anything else is none.
std::optional<Guid> StringToGuid(std::string_view text);

}  // namespace platform
