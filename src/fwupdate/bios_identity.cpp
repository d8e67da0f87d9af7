#include "fwupdate/bios_identity.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

namespace fwupdate {

namespace {

// Characters missing from a short text count as "0", so a short text never reads past its end.
int Digit(std::string_view text, size_t at) {
    return at < text.size() ? text[at] - '0' : 0;
}

// The bytes a record of each kind needs from its signature on: a match is only taken when all of
// them lie inside the file.
struct RecordKind {
    std::string_view signature;
    size_t size;
};
constexpr std::array<RecordKind, 4> kKinds = {{
    {"DiaG@", 29},    // model at 12, version at 25
    {"DEVEL", 8},     // part number at 5
    {"BCPDMI", 40},   // the DMI block header
    {"BCPSYS", 107},  // build date at 15, segment at 105
}};
constexpr size_t kDiag = 0, kDevel = 1, kDmi = 2;  // then "BCPSYS"

class FileBytes {
  public:
    explicit FileBytes(std::string_view bytes) : bytes_(bytes) {}
    size_t size() const { return bytes_.size(); }
    bool Matches(size_t at, std::string_view signature) const {
        return at <= bytes_.size() && signature.size() <= bytes_.size() - at &&
               bytes_.substr(at, signature.size()) == signature;
    }
    // Up to `width` bytes from `at`, cut at the first NUL and at the end of the file.
    std::string Text(size_t at, size_t width) const {
        if (at >= bytes_.size())
            return {};
        std::string_view text = bytes_.substr(at, width);
        return std::string(text.substr(0, text.find('\0')));
    }
    std::optional<uint16_t> Word(uint64_t at) const {
        if (at >= bytes_.size() || bytes_.size() - at < 2)
            return std::nullopt;
        auto b = [this](uint64_t i) { return static_cast<unsigned>(static_cast<unsigned char>(bytes_[i])); };
        return static_cast<uint16_t>(b(at) | b(at + 1) << 8);
    }

  private:
    std::string_view bytes_;
};

// Every address the reader can form lies below this: the scan starts under 1 MiB and the default
// flag is at most a segment (0xFFFF0) plus two near addresses away. Reading no further keeps a huge
// file from being read whole.
constexpr size_t kReadLimit = 0x120000;

// The first kReadLimit bytes of a file; false when it cannot be read.
bool ReadImagePrefix(const std::filesystem::path& file, std::string& content) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    content.resize(kReadLimit);
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad())
        return false;
    content.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return true;
}

}  // namespace

unsigned TwoDigits(std::string_view text) {
    return static_cast<unsigned>(Digit(text, 0) * 10 + Digit(text, 1));
}

unsigned FourDigits(std::string_view text) {
    return static_cast<unsigned>(Digit(text, 0) * 1000 + Digit(text, 1) * 100 + Digit(text, 2) * 10 +
                                 Digit(text, 3));
}

uint32_t ReadImageIdentity(const std::filesystem::path& file, ImageIdentity& identity) {
    identity = ImageIdentity{};
    std::string content;
    std::error_code error;
    if (std::filesystem::is_directory(file, error) || !ReadImagePrefix(file, content))
        return kResultInvalidBiosFile;
    FileBytes bytes(content);
    bool full = bytes.size() >= 0x100000;
    size_t start = full ? 0xFFFD8 : 0x7FFD8;
    if (bytes.size() == 0)
        return kResultInvalidBiosFile;
    start = std::min(start, bytes.size() - 1);

    std::array<bool, 4> seen{};
    size_t dmiAt = 0, sysAt = 0;
    for (size_t at = start; at >= 1 && !std::all_of(seen.begin(), seen.end(), [](bool b) { return b; });
         --at) {
        for (size_t kind = 0; kind < kKinds.size(); ++kind) {
            const RecordKind& record = kKinds[kind];
            if (record.size > bytes.size() - at || !bytes.Matches(at, record.signature))
                continue;
            if (kind == kDiag) {
                identity.model = bytes.Text(at + 12, 4);
                identity.version = bytes.Text(at + 25, 4);
            } else if (kind == kDevel) {
                identity.partNumber = bytes.Text(at + 5, 3);
            } else if (kind == kDmi) {
                dmiAt = at;
            } else {
                sysAt = at;
            }
            seen[kind] = true;
            break;
        }
    }
    if (!std::all_of(seen.begin(), seen.end(), [](bool b) { return b; })) {
        identity = ImageIdentity{};
        return kResultInvalidBiosFile;
    }

    // MM/DD/YY at offset 15 of the build record; the year is within 2000 to 2099.
    std::string date = bytes.Text(sysAt + 15, 8);
    date.resize(8, '\0');
    identity.date = PackDate(TwoDigits(date.substr(3)), TwoDigits(date), 2000 + TwoDigits(date.substr(6)));

    // The default BIOS flag is found through the segment's near addresses: the DMI header names the
    // default-text table, whose first entry points at the flag. An address that leads outside the file
    // makes the image unusable rather than giving the flash a flag read from nowhere.
    int64_t base = int64_t{*bytes.Word(sysAt + 105)} * 16 - (full ? 0 : 0x80000);
    std::optional<uint16_t> tableNear = bytes.Word(dmiAt + 20);
    std::optional<uint16_t> flagNear;
    if (base >= 0 && tableNear)
        flagNear = bytes.Word(static_cast<uint64_t>(base) + *tableNear);
    if (!flagNear || static_cast<uint64_t>(base) + *flagNear >= bytes.size()) {
        identity = ImageIdentity{};
        return kResultInvalidBiosFile;
    }
    identity.biosFlagDefault = bytes.Text(static_cast<size_t>(base) + *flagNear, 16);
    return 0;
}

}  // namespace fwupdate
