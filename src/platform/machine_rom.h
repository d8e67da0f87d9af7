#pragma once

// The firmware image of the simulated notebook: a ROM of 512 KiB or 1 MiB whose last 64 KiB is the
// BIOS segment (F000) with the maker's signature records, where the updater and the flash tools look
// for the model, part number, version, build date, default BIOS flag and the SMI interface.
// `winsys machine init` builds the first ROM of a machine from its identity; image makers reuse it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Physical address of the BIOS segment and its size.
inline constexpr uint32_t kBiosSegmentAddress = 0xF0000;
inline constexpr uint32_t kBiosSegmentSize = 0x10000;
// Area of the BIOS segment that the firmware fills with the SMBIOS entry point and structure table
// when it boots; the ROM keeps it zero.
inline constexpr uint32_t kDmiAreaOffset = 0x0400;
inline constexpr uint32_t kDmiAreaSize = 0x0800;

// The 17-byte SMI interface descriptor that starts with "SwSmi@".
struct SmiDescriptor {
    uint16_t port = 0xB2;
    uint8_t trigger = 0xE5;
    uint8_t prepare = 0xE4;
    uint8_t finish = 0xE6;
    uint16_t bufferOffset = 0x0000;
    uint16_t bufferSegment = 0x9F00;
    uint8_t version = 0x24;
    uint32_t BufferAddress() const { return uint32_t{bufferSegment} * 16 + bufferOffset; }
};

// What a ROM is built from.
struct RomIdentity {
    std::string model = "NB10";                // 4 characters
    std::string partNumber = "011";            // 3 characters
    std::string version = "P01A";              // 4 characters
    std::string releaseDate = "12/31/2006";    // MM/DD/YYYY; the ROM keeps MM/DD/YY
    std::string biosFlagDefault = "NBF 2006";  // at most 16 characters
    size_t size = 0x100000;                    // 0x80000 or 0x100000
    bool smiPresent = true;
    uint8_t smiVersion = 0x24;
};

std::vector<uint8_t> BuildRom(const RomIdentity& identity);

// What a ROM says about itself, read the way the updater reads an image file: a downward scan for
// the four records from near the end of the ROM, stopping once each has been seen.
struct RomInfo {
    bool complete = false;  // all four records found
    std::string model, partNumber, version;
    std::string buildDate;  // MM/DD/YY as the record holds it
    std::string biosFlagDefault;
    uint16_t segment = 0;
};
RomInfo ReadRomInfo(std::span<const uint8_t> rom);

// The release date MM/DD/YYYY of a build date MM/DD/YY (years 2000 to 2099).
std::string ReleaseDateOf(const std::string& buildDate);

// The BIOS segment of a ROM (its last 64 KiB); empty when the ROM is shorter.
std::span<const uint8_t> BiosSegmentOf(std::span<const uint8_t> rom);
// The SMI descriptor found by a byte-by-byte search of the BIOS segment.
std::optional<SmiDescriptor> FindSmiDescriptor(std::span<const uint8_t> segment);

// A BIOS image file is the ROM followed by a tail that the flash tool reads: the "ZQDS" record, the
// flash descriptor "ZFLPF" (61 bytes; its 32-bit value at offset 53 is where the ESCD table starts,
// counted from the lower of the two records) and the ESCD table of 16-byte entries (32-bit values at
// 0, 4 and 8, 16-bit values at 12 and 14) ended by an all-zero entry.
inline constexpr size_t kZqdsOffset = 0x00;  // in the tail
inline constexpr size_t kFlashDescriptorOffset = 0x20;
inline constexpr size_t kFlashDescriptorSize = 61;
inline constexpr size_t kEscdTableOffset = 0x80;  // from the "ZQDS" record
inline constexpr size_t kEscdEntrySize = 16;
inline constexpr size_t kEscdTableEntries = 12;  // non-zero entries before the ending one

struct EscdEntry {
    uint32_t start = 0;
    uint32_t length = 0;  // the low 16 bits are the ESCD block the flash tool keeps
    uint32_t end = 0;
    uint16_t attributes = 0;
    uint16_t kind = 0;
};
EscdEntry ReadEscdEntry(std::span<const uint8_t> bytes);  // 16 bytes or more
void PutEscdEntry(std::span<uint8_t> bytes, const EscdEntry& entry);

// The tail for a ROM of `romSize` bytes: kEscdTableEntries entries for consecutive 16 KiB areas of the
// ROM as the processor addresses it below 4 GiB, each keeping an 8 KiB block in its low length bits.
std::vector<uint8_t> BuildImageTail(size_t romSize);
// ROM and tail, as `winsys machine image` writes it.
std::vector<uint8_t> BuildBiosImage(const RomIdentity& identity);
// The ROM part of an image file: its first 1 MiB when it is at least that long, else its first
// 512 KiB; empty when the file is shorter than 512 KiB.
std::span<const uint8_t> RomPartOf(std::span<const uint8_t> file);

// An embedded-controller (MICOM) image: kEcImageSize bytes, erased (0xFF) except for its header:
//   0  "MICOMEC1"   magic, 8 bytes
//   8  size         32-bit little-endian, the whole image (kEcImageSize)
//   12 version      16 bytes, text ("1.20") NUL-padded
//   28 checksum     32-bit little-endian sum of every byte of the image except these 4
// The controller's code follows from 0x100 (a jump to the reset handler is all a stand-in needs).
inline constexpr size_t kEcImageSize = 0x10000;
inline constexpr size_t kEcVersionLength = 15;
std::vector<uint8_t> BuildEcImage(const std::string& version);
// The version an EC image carries; none when the bytes are no intact EC image.
std::optional<std::string> ReadEcImageVersion(std::span<const uint8_t> image);

}  // namespace platform
