#include "drvsetup/shell/per_inf_file.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <utility>

#include "drvsetup/device/product_tables.h"
#include "drvsetup/shell/os_tools.h"
#include "drvsetup/shell/text_tools.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace drvsetup {

namespace {

constexpr std::string_view k64BitDecoration = ".NTAMD64";

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string TrimUpper(std::string_view s) {
    std::string out(TrimBlanks(s));
    std::transform(out.begin(), out.end(), out.begin(), UpperAscii);
    return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

// A NUL ends a line's text, as it would in the fixed buffer the line is read into.
std::string_view UpToNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// The text of one raw line: UTF-16LE converted to the ANSI code page, or the ANSI bytes as they are.
std::string LineText(std::string_view raw, bool utf16, unsigned codePage) {
    raw = raw.substr(0, kInfLineMaxBytes);
    if (!utf16) {
        return std::string(TrimBlanks(UpToNul(raw)));
    }
    // Nearly every line of an INF is ASCII, which is itself in every ANSI page: its low bytes are
    // the text, without a conversion.
    std::string ascii;
    ascii.reserve(raw.size() / 2);
    for (size_t i = 0; i + 1 < raw.size(); i += 2) {
        if (raw[i + 1] != '\0' || static_cast<unsigned char>(raw[i]) >= 0x80) {
            std::u16string wide = platform::Utf16FromLeBytes(raw);
            std::u16string_view text = wide;
            return std::string(
                TrimBlanks(platform::Utf16ToAnsi(text.substr(0, text.find(u'\0')), codePage).value()));
        }
        if (raw[i] == '\0') {
            break;
        }
        ascii += raw[i];
    }
    return std::string(TrimBlanks(ascii));
}

// Splits the raw bytes into trimmed lines and hands them to `visit` in order until it returns false.
// The first line feed followed by a zero byte means the file is UTF-16LE from there on; after that
// only whole code units end a line, so a character whose low or high byte happens to be 10 does not
// cut a line in two. Lines are made one at a time, so a reader that stops early converts no more.
template <class Visit>
void ForEachLine(std::string_view bytes, Visit visit) {
    // Looked up once: finding the system root's page for every line costs more than converting it.
    const unsigned codePage = platform::SystemCodePage();
    bool utf16 = false;
    size_t start = 0;
    auto take = [&](size_t end) {
        return end - start < 2 || visit(LineText(bytes.substr(start, end - start), utf16, codePage));
    };
    size_t i = 0;
    while (i < bytes.size()) {
        if (utf16) {
            // The next line feed unit: a '\n' byte at a whole unit's offset with a zero byte after it.
            size_t nl = bytes.find('\n', i);
            while (nl != std::string_view::npos &&
                   ((nl - i) % 2 != 0 || nl + 1 >= bytes.size() || bytes[nl + 1] != '\0')) {
                nl = bytes.find('\n', nl + 1);
            }
            if (nl == std::string_view::npos) {
                break;
            }
            if (!take(nl)) {
                return;
            }
            start = i = nl + 2;
            continue;
        }
        if (bytes[i] == '\n') {
            utf16 = i + 1 < bytes.size() && bytes[i + 1] == '\0';
            if (!take(i)) {
                return;
            }
            start = i + (utf16 ? 2 : 1);
            i = start;
            continue;
        }
        ++i;
    }
    if (start < bytes.size()) {
        take(bytes.size());
    }
}

// The hexadecimal digits of a vendor or product field; anything else reads as 0.
int32_t HexField(std::string_view digits) {
    if (digits.empty()) {
        return 0;
    }
    int32_t value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

// The 4 characters after the first `marker` of the line; without a marker, the 4 starting at the
// fourth character.
std::string_view FieldAfter(std::string_view line, std::string_view marker) {
    size_t at = line.find(marker);
    size_t from = at == std::string_view::npos ? 3 : at + marker.size();
    return from < line.size() ? line.substr(from, 4) : std::string_view();
}

std::string_view InterfaceSuffix(std::string_view text) {
    if (size_t at = text.find("MI_"); at != std::string_view::npos) {
        return text.substr(at, 5);
    }
    if (size_t at = text.find("SUBSYS_"); at != std::string_view::npos) {
        return text.substr(at, 16);
    }
    return {};
}

// The model section named by the first key of [Manufacturer] that has a value: its first
// comma-separated part.
std::string ModelSectionName(std::string_view bytes) {
    platform::profile::ProfileFile inf = platform::profile::ProfileFile::FromBytes(bytes);
    for (const std::string& key : inf.KeyNames("Manufacturer")) {
        std::string value = inf.ReadString("Manufacturer", key, "Error");
        if (!value.empty()) {
            std::vector<std::string> parts;
            SplitText(value, parts, ',');
            return parts.front();
        }
    }
    return {};
}

}  // namespace

std::vector<std::string> ReadInfSectionLines(std::string_view bytes, std::string_view sectionName) {
    std::string name = TrimUpper(sectionName);
    std::string header("[");
    header += name;
    int32_t bitness = 32;
    GetOsVersionCode(bitness);
    if (bitness == 64 && name.find(k64BitDecoration) == std::string::npos) {
        header += k64BitDecoration;
    }
    header += ']';

    std::vector<std::string> found;
    bool inSection = false;
    ForEachLine(bytes, [&](const std::string& collected) {
        std::string line = TrimUpper(collected);
        if (line.starts_with(';')) {
            return true;
        }
        if (!inSection) {
            inSection = line.find(header) != std::string::npos;
            return true;
        }
        if (line.find('[') != std::string::npos && line.find(']') != std::string::npos) {
            return false;  // the next section: nothing after it is wanted
        }
        if (!line.empty()) {
            found.push_back(std::move(line));
        }
        return true;
    });
    return found;
}

bool ParseHardwareIdLine(std::string_view line, tag_HardwareID& id) {
    struct Bus {
        std::string_view prefix;
        HardwareBus kind;
        std::string_view vendorMarker;  // empty: the vendor and product are 0
        std::string_view productMarker;
    };
    // In this order of preference; "AVSTREAM\" before "STREAM\", which it contains.
    static constexpr Bus kBuses[] = {
        {"USB\\", BusUsb, "VID_", "PID_"},
        {"PCI\\", BusPci, "VEN_", "DEV_"},
        {"AVSTREAM\\", BusStream, {}, {}},
        {"STREAM\\", BusStream, {}, {}},
    };
    for (const Bus& bus : kBuses) {
        size_t at = line.find(bus.prefix);
        if (at == std::string_view::npos) {
            continue;
        }
        id = tag_HardwareID{};
        id.busKind = bus.kind;
        if (!bus.vendorMarker.empty()) {
            id.vendor = HexField(FieldAfter(line, bus.vendorMarker));
            id.product = HexField(FieldAfter(line, bus.productMarker));
        }
        std::string_view text = line.substr(at);
        text = TrimBlanks(text.substr(0, text.find(';')));
        id.hardwareId.assign(text.substr(0, kHardwareIdMaxChars));
        return true;
    }
    return false;
}

bool IsDuplicateHardwareId(const std::vector<tag_HardwareID>& list, const tag_HardwareID& id) {
    std::string_view suffix = InterfaceSuffix(id.hardwareId);
    return std::any_of(list.begin(), list.end(), [&](const tag_HardwareID& other) {
        return other.vendor == id.vendor && other.product == id.product &&
               InterfaceSuffix(other.hardwareId) == suffix;
    });
}

PerInfFile::PerInfFile(int32_t code, std::string infPath, std::string hardwareName, std::string service)
    : path(std::move(infPath)),
      hwName(std::move(hardwareName)),
      serviceName(std::move(service)),
      osCode(code) {
    Parse();
}

bool PerInfFile::IsValid() const {
    return !path.empty() && platform::FileExists(path);
}

void PerInfFile::SetFileName(std::string_view fileName) {
    std::string newPath = platform::FolderPart(path);
    newPath += fileName;
    SetPath(newPath);
}

void PerInfFile::SetPath(std::string_view newPath) {
    if (SameIgnoringCase(newPath, path)) {
        return;
    }
    path.assign(newPath);
    Parse();
}

void PerInfFile::ListHardwareIds(std::vector<std::string>& list) const {
    list.clear();
    for (const tag_HardwareID& id : hardwareIds) {
        list.push_back(id.hardwareId);
    }
}

void PerInfFile::Parse() {
    // A missing file keeps the identifiers of the last parse; the caller reports it if it cares.
    if (!IsValid()) {
        return;
    }
    hardwareIds.clear();
    // One read serves both the profile lookup of [Manufacturer] and the scan of the model section.
    std::string bytes;
    if (!platform::ReadWholeFile(platform::NativePath(path), bytes)) {
        return;
    }
    std::string sectionName = ModelSectionName(bytes);
    if (sectionName.empty()) {
        return;
    }
    if (osCode == OsWinXP64 || osCode == OsVista64) {
        sectionName += ".Ntamd64";
    }
    // What IsDuplicateHardwareId compares, kept in a set so a model section of thousands of
    // identifiers is not checked pairwise.
    std::set<std::tuple<int32_t, int32_t, std::string>> seen;
    for (const std::string& line : ReadInfSectionLines(bytes, sectionName)) {
        tag_HardwareID id;
        if (!ParseHardwareIdLine(line, id)) {
            continue;
        }
        if (seen.emplace(id.vendor, id.product, std::string(InterfaceSuffix(id.hardwareId))).second) {
            hardwareIds.push_back(std::move(id));
        }
    }
}

}  // namespace drvsetup
