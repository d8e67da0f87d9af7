#include "fwupdate/running_bios.h"

#include <algorithm>
#include <array>

#include "fwupdate/driver_handle.h"

namespace fwupdate {

namespace {

constexpr uint8_t kEndOfTable = 127;
constexpr size_t kEntryPointSize = 15;
constexpr size_t kDmiTextLimit = 31;
constexpr uint16_t kSmiModelFunction = 4;

constexpr uint8_t kBiosInformation = 0;
constexpr uint8_t kSystemInformation = 1;
constexpr uint8_t kOemStrings = 11;

// Up to `size` characters of a fixed-size record field, cut at its first NUL.
std::string FieldText(const uint8_t* bytes, size_t size) {
    std::string text(reinterpret_cast<const char*>(bytes), size);
    return text.substr(0, text.find('\0'));
}

// The strings of a structure whose formatted area ends at `at`, up to the double NUL that ends the
// set; `end` is set to the first byte after it. False when the table ends first.
bool ReadStrings(const std::vector<uint8_t>& table, size_t at, std::vector<std::string>& strings,
                 size_t& end) {
    // A structure without strings still ends in two NULs.
    if (at + 1 < table.size() && table[at] == 0 && table[at + 1] == 0) {
        end = at + 2;
        return true;
    }
    while (at < table.size()) {
        size_t nul = at;
        while (nul < table.size() && table[nul] != 0)
            ++nul;
        if (nul >= table.size())
            return false;
        strings.push_back(FieldText(&table[at], std::min(nul - at, kDmiTextLimit)));
        at = nul + 1;
        if (at < table.size() && table[at] == 0) {
            end = at + 1;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string SmbiosStructure::String(size_t n) const {
    if (n == 0 || n > strings.size())
        return {};
    return strings[n - 1];
}

std::optional<SmbiosStructure> FindSmbiosStructure(HardwareAccess& hardware, uint8_t type) {
    uint64_t entryAddress = hardware.Search(kBiosSegmentStart, kBiosSegmentLength, "_DMI_", 16);
    if (entryAddress == 0)
        return std::nullopt;
    std::array<uint8_t, kEntryPointSize> entry{};
    if (!hardware.ReadPhysical(entryAddress, entry))
        return std::nullopt;
    size_t length = entry[6] | entry[7] << 8;
    uint64_t address =
        uint64_t{entry[8]} | uint64_t{entry[9]} << 8 | uint64_t{entry[10]} << 16 | uint64_t{entry[11]} << 24;
    std::vector<uint8_t> table(length);
    if (length == 0 || !hardware.ReadPhysical(address, table))
        return std::nullopt;

    size_t at = 0;
    while (at + 1 < table.size()) {
        uint8_t structureType = table[at];
        size_t formattedLength = table[at + 1];
        if (structureType == type) {
            SmbiosStructure structure;
            structure.type = structureType;
            size_t formattedEnd = std::min(at + formattedLength, table.size());
            structure.formatted.assign(table.begin() + static_cast<std::ptrdiff_t>(at),
                                       table.begin() + static_cast<std::ptrdiff_t>(formattedEnd));
            size_t end = 0;
            ReadStrings(table, formattedEnd, structure.strings, end);
            return structure;
        }
        if (structureType == kEndOfTable)
            return std::nullopt;
        // Past the formatted area, then on to the double NUL that ends the string set.
        at += formattedLength;
        while (at + 1 < table.size() && (table[at] != 0 || table[at + 1] != 0))
            ++at;
        at += 2;
    }
    return std::nullopt;
}

void ReadRunningBiosIdentity(HardwareAccess& hardware, BiosIdentity& identity) {
    identity = BiosIdentity{};
    if (std::optional<SmbiosStructure> bios = FindSmbiosStructure(hardware, kBiosInformation)) {
        // MM/DD/YYYY
        std::string date = bios->String(3);
        if (date.size() >= 10)
            identity.date = PackDate(TwoDigits(date.substr(3)), TwoDigits(date), FourDigits(date.substr(6)));
    }
    if (std::optional<SmbiosStructure> system = FindSmbiosStructure(hardware, kSystemInformation))
        identity.systemSerial = system->String(4);
    if (std::optional<SmbiosStructure> oem = FindSmbiosStructure(hardware, kOemStrings)) {
        identity.biosFlag = oem->String(1);
        identity.purchaseDate = oem->String(2);
    }

    if (uint64_t at = hardware.Search(kBiosSegmentStart, kBiosSegmentLength, "DEVEL", 1)) {
        std::array<uint8_t, 3> part{};
        if (hardware.ReadPhysical(at + 5, part))
            identity.partNumber = FieldText(part.data(), part.size());
    }

    if (hardware.FindSmiInterface() && hardware.SmiUsable()) {
        std::optional<std::array<uint8_t, 16>> answer = hardware.SmiCall(kSmiModelFunction, {});
        // A BIOS without the model function answers 0xFF bytes.
        if (answer && (*answer)[0] != 0xFF)
            identity.model = FieldText(answer->data(), 4);
    }

    if (uint64_t at = hardware.Search(kBiosSegmentStart, kBiosSegmentLength, "DiaG@", 1)) {
        std::array<uint8_t, 40> record{};
        if (hardware.ReadPhysical(at, record)) {
            if (identity.model.empty())
                identity.model = FieldText(&record[12], 4);
            identity.version = FieldText(&record[25], 4);
        }
    }
}

uint32_t ReadRunningBiosIdentity(BiosIdentity& identity) {
    DriverSession driver(OpenAttempts::Ten);
    if (!driver.open())
        return kResultNoDriver;
    HardwareAccess hardware(driver.channel());
    ReadRunningBiosIdentity(hardware, identity);
    return 0;
}

}  // namespace fwupdate
