#include "platform/machine_rom.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace platform {

namespace {

// Where the records sit in the BIOS segment of a built ROM.
constexpr size_t kDiagOffset = 0x0100;
constexpr size_t kDevelOffset = 0x0140;
constexpr size_t kSysOffset = 0x0180;
constexpr size_t kDmiHeaderOffset = 0x0200;
constexpr size_t kDmiTextTableOffset = 0x0280;
constexpr size_t kFlagTextOffset = 0x02A0;
constexpr size_t kSmiOffset = 0x0300;

void PutText(std::vector<uint8_t>& bytes, size_t at, std::string_view text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        bytes[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
}

void PutWord(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutDword(std::span<uint8_t> bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Dword(std::span<const uint8_t> bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= uint32_t{bytes[at + i]} << (8 * i);
    return value;
}

uint16_t Word(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::string Text(std::span<const uint8_t> bytes, size_t at, size_t width) {
    std::string out;
    for (size_t i = 0; i < width && at + i < bytes.size() && bytes[at + i] != 0; ++i)
        out += static_cast<char>(bytes[at + i]);
    return out;
}

bool Matches(std::span<const uint8_t> bytes, size_t at, std::string_view signature) {
    return at + signature.size() <= bytes.size() &&
           std::equal(signature.begin(), signature.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

std::vector<uint8_t> BuildRom(const RomIdentity& identity) {
    size_t size = identity.size >= 0x100000 ? 0x100000 : 0x80000;
    // Erased flash reads 0xFF; the BIOS segment itself is code and data, zero where nothing is placed.
    std::vector<uint8_t> rom(size, 0xFF);
    size_t seg = size - kBiosSegmentSize;
    std::fill(rom.begin() + static_cast<std::ptrdiff_t>(seg), rom.end(), 0);

    PutText(rom, seg + kDiagOffset, "DiaG@", 5);
    PutText(rom, seg + kDiagOffset + 12, identity.model, 4);
    PutText(rom, seg + kDiagOffset + 25, identity.version, 4);

    PutText(rom, seg + kDevelOffset, "DEVEL", 5);
    PutText(rom, seg + kDevelOffset + 5, identity.partNumber, 3);

    // The build record keeps a two-digit year: MM/DD/YY from MM/DD/YYYY.
    std::string date = identity.releaseDate;
    std::string buildDate = date.size() >= 10 ? date.substr(0, 6) + date.substr(8, 2) : date;
    PutText(rom, seg + kSysOffset, "BCPSYS", 6);
    PutText(rom, seg + kSysOffset + 15, buildDate, 8);
    PutWord(rom, seg + kSysOffset + 105, static_cast<uint16_t>(kBiosSegmentAddress >> 4));

    PutText(rom, seg + kDmiHeaderOffset, "BCPDMI", 6);
    PutWord(rom, seg + kDmiHeaderOffset + 20, kDmiTextTableOffset);
    PutWord(rom, seg + kDmiTextTableOffset, kFlagTextOffset);
    PutText(rom, seg + kFlagTextOffset, identity.biosFlagDefault, 16);

    if (identity.smiPresent) {
        SmiDescriptor smi;
        smi.version = identity.smiVersion;
        size_t at = seg + kSmiOffset;
        PutText(rom, at, "SwSmi@", 6);
        PutWord(rom, at + 6, smi.port);
        rom[at + 8] = smi.trigger;
        rom[at + 9] = smi.prepare;
        rom[at + 10] = smi.finish;
        PutWord(rom, at + 11, smi.bufferOffset);
        PutWord(rom, at + 13, smi.bufferSegment);
        rom[at + 15] = smi.version;
    }

    // Reset vector: a far jump to F000:E05B, as the processor expects at the top of the ROM.
    const uint8_t reset[] = {0xEA, 0x5B, 0xE0, 0x00, 0xF0};
    std::copy(std::begin(reset), std::end(reset), rom.end() - 16);
    return rom;
}

RomInfo ReadRomInfo(std::span<const uint8_t> rom) {
    RomInfo info;
    if (rom.size() < 64)
        return info;
    size_t start = rom.size() >= 0x100000 ? 0xFFFD8 : 0x7FFD8;
    // The largest record read is the 107 bytes of the build record.
    start = std::min(start, rom.size() - 107);
    bool diag = false, devel = false, dmi = false, sys = false;
    size_t dmiAt = 0;
    for (size_t at = start; at >= 1 && !(diag && devel && dmi && sys); --at) {
        if (rom[at] != 'D' && rom[at] != 'B')
            continue;  // no record starts here; keeps the scan of a whole ROM cheap
        if (Matches(rom, at, "DiaG@")) {
            info.model = Text(rom, at + 12, 4);
            info.version = Text(rom, at + 25, 4);
            diag = true;
        } else if (Matches(rom, at, "DEVEL")) {
            info.partNumber = Text(rom, at + 5, 3);
            devel = true;
        } else if (Matches(rom, at, "BCPDMI")) {
            dmiAt = at;
            dmi = true;
        } else if (Matches(rom, at, "BCPSYS")) {
            info.buildDate = Text(rom, at + 15, 8);
            info.segment = Word(rom, at + 105);
            sys = true;
        }
    }
    info.complete = diag && devel && dmi && sys;
    if (!info.complete)
        return info;
    size_t base = size_t{info.segment} * 16;
    if (rom.size() < 0x100000)
        base -= std::min<size_t>(base, 0x80000);
    size_t table = base + Word(rom, dmiAt + 20);
    if (table + 2 <= rom.size()) {
        size_t flagAt = base + Word(rom, table);
        if (flagAt < rom.size())
            info.biosFlagDefault = Text(rom, flagAt, 16);
    }
    return info;
}

std::string ReleaseDateOf(const std::string& buildDate) {
    if (buildDate.size() < 8)
        return buildDate;
    std::string out = buildDate.substr(0, 6);
    out += "20";
    out += buildDate.substr(6, 2);
    return out;
}

std::span<const uint8_t> BiosSegmentOf(std::span<const uint8_t> rom) {
    if (rom.size() < kBiosSegmentSize)
        return {};
    return rom.subspan(rom.size() - kBiosSegmentSize);
}

std::optional<SmiDescriptor> FindSmiDescriptor(std::span<const uint8_t> segment) {
    for (size_t at = 0; at + 17 <= segment.size(); ++at) {
        if (!Matches(segment, at, "SwSmi@"))
            continue;
        SmiDescriptor smi;
        smi.port = Word(segment, at + 6);
        smi.trigger = segment[at + 8];
        smi.prepare = segment[at + 9];
        smi.finish = segment[at + 10];
        smi.bufferOffset = Word(segment, at + 11);
        smi.bufferSegment = Word(segment, at + 13);
        smi.version = segment[at + 15];
        return smi;
    }
    return std::nullopt;
}

EscdEntry ReadEscdEntry(std::span<const uint8_t> bytes) {
    EscdEntry entry;
    if (bytes.size() < kEscdEntrySize)
        return entry;
    entry.start = Dword(bytes, 0);
    entry.length = Dword(bytes, 4);
    entry.end = Dword(bytes, 8);
    entry.attributes = Word(bytes, 12);
    entry.kind = Word(bytes, 14);
    return entry;
}

void PutEscdEntry(std::span<uint8_t> bytes, const EscdEntry& entry) {
    if (bytes.size() < kEscdEntrySize)
        return;
    PutDword(bytes, 0, entry.start);
    PutDword(bytes, 4, entry.length);
    PutDword(bytes, 8, entry.end);
    bytes[12] = static_cast<uint8_t>(entry.attributes);
    bytes[13] = static_cast<uint8_t>(entry.attributes >> 8);
    bytes[14] = static_cast<uint8_t>(entry.kind);
    bytes[15] = static_cast<uint8_t>(entry.kind >> 8);
}

std::vector<uint8_t> BuildImageTail(size_t romSize) {
    constexpr size_t kAreaSize = 0x4000;
    std::vector<uint8_t> tail(0x200, 0);
    PutText(tail, kZqdsOffset, "ZQDS", 4);
    tail[kZqdsOffset + 4] = 1;  // record version
    PutText(tail, kFlashDescriptorOffset, "ZFLPF", 5);
    PutDword(tail, kFlashDescriptorOffset + 8, static_cast<uint32_t>(romSize));
    // The table is found from the lower of the two records, which is "ZQDS".
    PutDword(tail, kFlashDescriptorOffset + 53, static_cast<uint32_t>(kEscdTableOffset - kZqdsOffset));
    uint32_t romBase = static_cast<uint32_t>(0x100000000ull - romSize);
    for (size_t i = 0; i < kEscdTableEntries; ++i) {
        EscdEntry entry;
        entry.start = romBase + static_cast<uint32_t>(i * kAreaSize);
        entry.length = 0x00010000 | 0x2000;
        entry.end = entry.start + kAreaSize - 1;
        entry.attributes = 0x0001;
        entry.kind = 0x0011;
        PutEscdEntry(std::span<uint8_t>(tail).subspan(kZqdsOffset + kEscdTableOffset + i * kEscdEntrySize),
                     entry);
    }
    // The entry after the last stays zero: it ends the table.
    return tail;
}

std::vector<uint8_t> BuildBiosImage(const RomIdentity& identity) {
    std::vector<uint8_t> image = BuildRom(identity);
    std::vector<uint8_t> tail = BuildImageTail(image.size());
    image.insert(image.end(), tail.begin(), tail.end());
    return image;
}

std::span<const uint8_t> RomPartOf(std::span<const uint8_t> file) {
    if (file.size() >= 0x100000)
        return file.first(0x100000);
    if (file.size() >= 0x80000)
        return file.first(0x80000);
    return {};
}

namespace {

constexpr std::string_view kEcMagic = "MICOMEC1";
constexpr size_t kEcSizeAt = 8;
constexpr size_t kEcVersionAt = 12;
constexpr size_t kEcChecksumAt = 28;
constexpr size_t kEcCodeAt = 0x100;

uint32_t EcChecksum(std::span<const uint8_t> image) {
    uint32_t sum = 0;
    for (size_t i = 0; i < image.size(); ++i)
        if (i < kEcChecksumAt || i >= kEcChecksumAt + 4)
            sum += image[i];
    return sum;
}

}  // namespace

std::vector<uint8_t> BuildEcImage(const std::string& version) {
    std::vector<uint8_t> image(kEcImageSize, 0xFF);
    std::fill(image.begin(), image.begin() + kEcCodeAt, 0);
    PutText(image, 0, kEcMagic, kEcMagic.size());
    PutDword(image, kEcSizeAt, static_cast<uint32_t>(kEcImageSize));
    PutText(image, kEcVersionAt, version.substr(0, kEcVersionLength), kEcVersionLength + 1);
    // A short jump over the reset vectors to the controller's start-up code.
    image[kEcCodeAt] = 0x80;
    image[kEcCodeAt + 1] = 0x0E;
    PutDword(image, kEcChecksumAt, EcChecksum(image));
    return image;
}

std::optional<std::string> ReadEcImageVersion(std::span<const uint8_t> image) {
    if (image.size() != kEcImageSize || !Matches(image, 0, kEcMagic) ||
        Dword(image, kEcSizeAt) != kEcImageSize || Dword(image, kEcChecksumAt) != EcChecksum(image))
        return std::nullopt;
    std::string version = Text(image, kEcVersionAt, kEcVersionLength);
    if (version.empty())
        return std::nullopt;
    return version;
}

}  // namespace platform
