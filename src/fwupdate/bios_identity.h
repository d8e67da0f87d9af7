#pragma once

// Which BIOS the machine runs and which BIOS an image file holds, in the same terms: a four-character
// model, a three-character BIOS part number, a four-character version and a packed build date. The
// running BIOS also brings the three DMI texts that a flash must carry over.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "fwupdate/result_codes.h"
namespace fwupdate {

// day | month << 8 | year << 16: packed dates compare chronologically as plain unsigned numbers.
constexpr uint32_t PackDate(unsigned day, unsigned month, unsigned year) {
    return (day & 0xFF) | (month & 0xFF) << 8 | (year & 0xFFFF) << 16;
}

// The decimal value of the first two (four) characters, without validation, as the firmware's own
// readers take it.
unsigned TwoDigits(std::string_view text);
unsigned FourDigits(std::string_view text);

struct BiosIdentity {
    std::string model;         // 4 characters, empty when not found
    std::string partNumber;    // 3 characters
    std::string version;       // 4 characters
    uint32_t date = 0;         // packed release date
    std::string systemSerial;  // DMI texts, at most 31 characters each
    std::string biosFlag;
    std::string purchaseDate;
};

struct ImageIdentity {
    std::string model;            // 4 characters
    std::string partNumber;       // 3 characters
    std::string version;          // 4 characters
    uint32_t date = 0;            // packed build date
    std::string biosFlagDefault;  // at most 16 characters
};

// Reads an image file: 0, or kResultInvalidBiosFile when the file cannot be read or lacks one of the
// four records.
uint32_t ReadImageIdentity(const std::filesystem::path& file, ImageIdentity& identity);

}  // namespace fwupdate
