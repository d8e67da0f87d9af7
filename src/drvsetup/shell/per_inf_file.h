#pragma once

// One driver INF file of a product for one Windows family, as the setup INI names it: its path, the
// OS code it was made for, the hardware and service names the setup INI pairs with it, and the
// hardware identifiers its model section declares. Only the "Manufacturer" section and the model
// section are read; ANSI and UTF-16LE INF files are both understood.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drvsetup {

enum HardwareBus : uint8_t {
    BusPci = 0,
    BusUsb = 1,
    BusStream = 3,  // "AVSTREAM\" and "STREAM\"
};

// The text of a hardware identifier fits a 130-character field; longer ones are cut to it.
inline constexpr size_t kHardwareIdMaxChars = 130;
// A raw line of an INF file is read into a 1023-byte buffer: the bytes after that are dropped, and a
// NUL character ends the line's text.
inline constexpr size_t kInfLineMaxBytes = 1023;

// One hardware identifier of a model section.
struct tag_HardwareID {
    uint8_t busKind = BusPci;
    // From the bus prefix to the end of the line, before any ";" comment, trimmed, upper case.
    std::string hardwareId;
    // The 4 hexadecimal digits after "VID_"/"VEN_" and "PID_"/"DEV_"; 0 for stream identifiers or
    // digits that do not read as a number.
    int32_t vendor = 0;
    int32_t product = 0;

    bool operator==(const tag_HardwareID&) const = default;
};

class PerInfFile {
  public:
    // Parses the file right away when it exists.
    PerInfFile(int32_t code, std::string infPath, std::string hardwareName, std::string service);
    virtual ~PerInfFile() = default;
    PerInfFile(const PerInfFile&) = default;
    PerInfFile& operator=(const PerInfFile&) = default;
    PerInfFile(PerInfFile&&) = default;
    PerInfFile& operator=(PerInfFile&&) = default;

    // True when the path names an existing file.
    bool IsValid() const;

    // Points the entry at another file in the same folder; parses again only when the path changes
    // other than in case.
    void SetFileName(std::string_view fileName);
    // Points the entry at another file; parses again only when the path changes other than in case.
    void SetPath(std::string_view path);

    const std::string& GetPath() const { return path; }
    const std::string& GetHwName() const { return hwName; }
    void SetHwName(std::string_view name) { hwName.assign(name); }
    const std::string& GetServiceName() const { return serviceName; }
    void SetServiceName(std::string_view name) { serviceName.assign(name); }

    // The identifiers of the last successful parse, in the order of their lines, without duplicates.
    const std::vector<tag_HardwareID>& GetHardwareIds() const { return hardwareIds; }
    // Clears the list and appends the text of every identifier in order.
    void ListHardwareIds(std::vector<std::string>& list) const;

  private:
    void Parse();

    std::vector<tag_HardwareID> hardwareIds;
    std::string path;
    std::string hwName;
    std::string serviceName;
    int32_t osCode;
};

// The steps of the parser, on bytes and lines rather than files, so tests can drive them directly.

// The trimmed, upper-case, non-comment lines of the model section `sectionName` in the raw bytes of
// an INF file, up to the next section line. On a 64-bit system the ".NTAMD64" section is wanted.
std::vector<std::string> ReadInfSectionLines(std::string_view bytes, std::string_view sectionName);

// One trimmed, upper-case model line as a hardware identifier; false when it names no bus prefix.
bool ParseHardwareIdLine(std::string_view line, tag_HardwareID& id);

// Same vendor, product and interface suffix ("MI_xx" or the "SUBSYS_" value) as one in the list.
bool IsDuplicateHardwareId(const std::vector<tag_HardwareID>& list, const tag_HardwareID& id);

}  // namespace drvsetup
