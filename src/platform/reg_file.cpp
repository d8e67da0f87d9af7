#include "platform/reg_file.h"

#include <cstdio>
#include <map>
#include <optional>

#include "platform/codepage.h"
#include "platform/hex.h"
#include "platform/paths.h"

namespace platform {

namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHive = "HKEY_LOCAL_MACHINE";
constexpr size_t kMaxKeyNameLength = 255;
// A hex line is wrapped once it holds this many characters, so that with its "\" it stays
// within 80 columns (25 bytes on a continuation line).
constexpr size_t kHexWrapColumn = 77;

// ---------------------------------------------------------------------------------------------
// Export

std::string HexByte(unsigned char byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return {kDigits[byte >> 4], kDigits[byte & 0xF]};
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The text of REG_SZ data when "text" would give back exactly the same bytes.
std::optional<std::string> ExactString(std::string_view data) {
    if (data.size() < 2 || data.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string units = Utf16FromLeBytes(data);
    if (units.back() != u'\0') {
        return std::nullopt;
    }
    units.pop_back();
    if (units.find(u'\0') != std::u16string::npos) {
        return std::nullopt;
    }
    std::string text = Utf16ToUtf8(units);
    if (Utf8ToUtf16(text) != units || HasLineBreak(text)) {
        return std::nullopt;  // lone surrogates or a line break would not survive the text form
    }
    return text;
}

std::string HexData(std::string prefix, std::string_view data) {
    size_t column = Utf8ToUtf16(prefix).size();
    std::string out = std::move(prefix);
    for (size_t i = 0; i < data.size(); ++i) {
        out += HexByte(static_cast<unsigned char>(data[i]));
        if (i + 1 == data.size()) {
            break;
        }
        out += ',';
        column += 3;
        if (column >= kHexWrapColumn) {
            out += "\\\r\n  ";
            column = 2;
        }
    }
    return out;
}

std::string ValueLine(const RegValue& value) {
    std::string prefix = (value.name.empty() ? std::string("@") : Quote(value.name)) + "=";
    if (value.type == kRegSz) {
        if (std::optional<std::string> text = ExactString(value.data)) {
            return prefix + Quote(*text);
        }
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
            number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
        }
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
        return prefix + buffer;
    }
    if (value.type == kRegBinary) {
        return HexData(prefix + "hex:", value.data);
    }
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", value.type);
    return HexData(prefix + type, value.data);
}

Result<void> ExportKey(const RegKey& key, std::string& out) {
    if (HasLineBreak(key.Path())) {
        return Fail(std::string(kHive) + "\\" + key.Path() +
                    ": a key name with a line break cannot be exported");
    }
    out += "[" + std::string(kHive) + (key.Path().empty() ? "" : "\\" + key.Path()) + "]\r\n";
    Result<std::vector<RegValue>> values = key.Values();
    if (!values) {
        return values.error();
    }
    for (const RegValue& value : *values) {
        if (HasLineBreak(value.name)) {
            return Fail(std::string(kHive) + "\\" + key.Path() + ": the value name \"" + value.name +
                        "\" holds a line break and cannot be exported");
        }
        out += ValueLine(value) + "\r\n";
    }
    out += "\r\n";
    Result<std::vector<std::string>> subkeys = key.SubkeyNames();
    if (!subkeys) {
        return subkeys.error();
    }
    for (const std::string& name : *subkeys) {
        Result<RegKey> sub = key.OpenSubkey(name, false);
        if (!sub) {
            return sub.error();
        }
        if (Result<void> done = ExportKey(*sub, out); !done) {
            return done;
        }
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// Import

Error LineError(int line, std::string_view message) {
    return Fail("line " + std::to_string(line) + ": " + std::string(message));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i];
        char b = prefix[i];
        if (a >= 'a' && a <= 'z') {
            a = static_cast<char>(a - 32);
        }
        if (b >= 'a' && b <= 'z') {
            b = static_cast<char>(b - 32);
        }
        if (a != b) {
            return false;
        }
    }
    return true;
}

// The text of the file as UTF-8, whatever its encoding.
Result<std::string> DecodeText(std::string_view bytes, unsigned ansiCodePage) {
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        bool little = bytes[0] == '\xFF';
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) {
            return Fail("the UTF-16 text ends in half a character");
        }
        return Utf16ToUtf8(little ? Utf16FromLeBytes(bytes) : Utf16FromBeBytes(bytes));
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        return Utf16ToUtf8(Utf8ToUtf16(bytes));
    }
    return AnsiToUtf8(bytes, ansiCodePage);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

class Parser {
  public:
    Parser(std::vector<std::string_view> lines, bool regedit4, unsigned ansiCodePage)
        : lines_(std::move(lines)), regedit4_(regedit4), ansiCodePage_(ansiCodePage) {}

    Result<std::vector<RegFileOperation>> Run(size_t firstLine) {
        for (index_ = firstLine; index_ < lines_.size(); ++index_) {
            std::string_view line = Trim(lines_[index_]);
            if (line.empty() || line.front() == ';') {
                continue;
            }
            Result<void> parsed = line.front() == '[' ? KeyLine(line)
                                  : line.front() == '@' || line.front() == '"'
                                      ? ValueLine(line)
                                      : LineError(LineNumber(), "unexpected text");
            if (!parsed) {
                return parsed.error();
            }
        }
        return std::move(operations_);
    }

  private:
    int LineNumber() const { return static_cast<int>(index_) + 1; }
    Error Bad(std::string_view message) const { return LineError(LineNumber(), message); }

    Result<void> KeyLine(std::string_view line) {
        if (line.size() < 2 || line.back() != ']') {
            return Bad("a key line must end with ']'");
        }
        std::string_view path = line.substr(1, line.size() - 2);
        bool remove = !path.empty() && path.front() == '-';
        if (remove) {
            path.remove_prefix(1);
        }
        if (!StartsWithNoCase(path, kHive) || (path.size() > kHive.size() && path[kHive.size()] != '\\')) {
            return Bad("only keys of HKEY_LOCAL_MACHINE can be imported: [" + std::string(line.substr(1)));
        }
        path.remove_prefix(kHive.size());
        std::string keyPath;
        size_t start = 0;
        while (start <= path.size()) {
            size_t end = std::min(path.size(), path.find('\\', start));
            std::string_view part = path.substr(start, end - start);
            if (!part.empty()) {
                if (Utf8ToUtf16(part).size() > kMaxKeyNameLength) {
                    return Bad("a key name is longer than 255 characters");
                }
                if (!keyPath.empty()) {
                    keyPath += '\\';
                }
                keyPath += part;
            }
            start = end + 1;
        }
        if (remove && keyPath.empty()) {
            return Bad("HKEY_LOCAL_MACHINE itself cannot be deleted");
        }
        RegFileOperation op;
        op.kind = remove ? RegFileOperation::Kind::kDeleteKey : RegFileOperation::Kind::kCreateKey;
        op.line = LineNumber();
        op.keyPath = keyPath;
        operations_.push_back(std::move(op));
        currentKey_ = remove ? std::nullopt : std::optional<std::string>(keyPath);
        sawKey_ = true;
        return {};
    }

    // Reads a quoted string at the start of `text`, leaving `text` after its closing quote.
    Result<std::string> QuotedString(std::string_view& text) const {
        std::string out;
        size_t i = 1;
        for (; i < text.size(); ++i) {
            char c = text[i];
            if (c == '"') {
                text.remove_prefix(i + 1);
                return out;
            }
            if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
                c = text[++i];
            }
            out += c;
        }
        return Bad("the string has no closing quote");
    }

    Result<void> ValueLine(std::string_view line) {
        if (!sawKey_) {
            return Bad("a value comes before any key");
        }
        RegFileOperation op;
        op.line = LineNumber();
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            Result<std::string> name = QuotedString(rest);
            if (!name) {
                return name.error();
            }
            op.name = std::move(name).value();
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=') {
            return Bad("'=' expected after the value name");
        }
        rest = Trim(rest.substr(1));
        if (Result<void> data = ValueData(rest, op); !data) {
            return data;
        }
        if (currentKey_) {
            op.keyPath = *currentKey_;
            operations_.push_back(std::move(op));
        }
        return {};
    }

    Result<void> ValueData(std::string_view rest, RegFileOperation& op) {
        if (rest == "-") {
            op.kind = RegFileOperation::Kind::kDeleteValue;
            return {};
        }
        op.kind = RegFileOperation::Kind::kSetValue;
        if (!rest.empty() && rest.front() == '"') {
            Result<std::string> text = QuotedString(rest);
            if (!text) {
                return text.error();
            }
            if (!Trim(rest).empty()) {
                return Bad("unexpected text after the string");
            }
            op.type = kRegSz;
            op.data = Utf16ToLeBytes(Utf8ToUtf16(*text)) + std::string(2, '\0');
            return {};
        }
        if (StartsWithNoCase(rest, "dword:")) {
            std::string_view digits = Trim(rest.substr(6));
            if (digits.empty() || digits.size() > 8) {
                return Bad("dword: needs 1 to 8 hex digits");
            }
            uint32_t number = 0;
            for (char c : digits) {
                int digit = HexDigit(c);
                if (digit < 0) {
                    return Bad("dword: needs 1 to 8 hex digits");
                }
                number = (number << 4) | static_cast<uint32_t>(digit);
            }
            op.type = kRegDword;
            op.data.clear();
            for (int i = 0; i < 4; ++i) {
                op.data += static_cast<char>((number >> (8 * i)) & 0xFF);
            }
            return {};
        }
        if (StartsWithNoCase(rest, "hex:")) {
            op.type = kRegBinary;
            return HexBytes(rest.substr(4), op.data);
        }
        if (StartsWithNoCase(rest, "hex(")) {
            size_t close = rest.find("):");
            if (close == std::string_view::npos || close == 4 || close > 12) {
                return Bad("hex(N): expected");
            }
            uint32_t type = 0;
            for (char c : rest.substr(4, close - 4)) {
                int digit = HexDigit(c);
                if (digit < 0) {
                    return Bad("the type in hex(N): must be a hex number");
                }
                type = (type << 4) | static_cast<uint32_t>(digit);
            }
            op.type = type;
            if (Result<void> bytes = HexBytes(rest.substr(close + 2), op.data); !bytes) {
                return bytes;
            }
            // The older format kept these as 8-bit text.
            if (regedit4_ && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
                Result<std::u16string> wide = AnsiToUtf16(op.data, ansiCodePage_);
                if (!wide) {
                    return Bad(wide.error().message);
                }
                op.data = Utf16ToLeBytes(*wide);
            }
            return {};
        }
        return Bad("unknown value data (expected \"text\", dword:, hex:, hex(N): or -)");
    }

    // Comma-separated bytes, continued on the next line after a final "\".
    Result<void> HexBytes(std::string_view text, std::string& out) {
        out.clear();
        while (true) {
            text = Trim(text);
            bool continued = !text.empty() && text.back() == '\\';
            if (continued) {
                text = Trim(text.substr(0, text.size() - 1));
            }
            if (!text.empty() && text.back() == ',') {
                text.remove_suffix(1);  // "01,02,\" and a trailing comma alike
            }
            size_t start = 0;
            while (!text.empty() && start <= text.size()) {
                size_t end = std::min(text.size(), text.find(',', start));
                std::string_view token = Trim(text.substr(start, end - start));
                if (token.empty() || token.size() > 2 || HexDigit(token[0]) < 0 ||
                    (token.size() == 2 && HexDigit(token[1]) < 0)) {
                    return Bad("bad hex byte '" + std::string(token.substr(0, 8)) + "'");
                }
                int value = HexDigit(token[0]);
                if (token.size() == 2) {
                    value = value * 16 + HexDigit(token[1]);
                }
                out += static_cast<char>(value);
                start = end + 1;
            }
            if (!continued) {
                return {};
            }
            if (index_ + 1 >= lines_.size()) {
                return Bad("the hex data continues past the end of the file");
            }
            text = lines_[++index_];
        }
    }

    std::vector<std::string_view> lines_;
    bool regedit4_;
    unsigned ansiCodePage_;
    size_t index_ = 0;
    bool sawKey_ = false;
    std::optional<std::string> currentKey_;  // nullopt under a deleted key
    std::vector<RegFileOperation> operations_;
};

}  // namespace

Result<std::vector<RegFileOperation>> ParseRegFile(std::string_view bytes, unsigned ansiCodePage) {
    Result<std::string> decoded = DecodeText(bytes, ansiCodePage);
    if (!decoded) {
        return decoded.error();
    }
    const std::string& text = *decoded;
    std::vector<std::string_view> lines = SplitLines(text);
    size_t first = 0;
    while (first < lines.size() && Trim(lines[first]).empty()) {
        ++first;
    }
    if (first == lines.size()) {
        return Fail("not a registry file: it is empty");
    }
    std::string_view header = Trim(lines[first]);
    if (header != kHeader5 && header != kHeader4) {
        return LineError(
            static_cast<int>(first) + 1,
            "not a registry file (expected \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\")");
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find('\0') != std::string_view::npos) {
            return LineError(static_cast<int>(i) + 1, "NUL character in the text");
        }
    }
    Parser parser(std::move(lines), header == kHeader4, ansiCodePage);
    return parser.Run(first + 1);
}

Result<void> ImportRegFile(Registry& registry, std::string_view bytes, unsigned ansiCodePage) {
    Result<std::vector<RegFileOperation>> parsed = ParseRegFile(bytes, ansiCodePage);
    if (!parsed) {
        return parsed.error();
    }
    Result<std::unique_ptr<Registry>> view = registry.WithCodePage(kCodePageUtf8);
    if (!view) {
        return view.error();
    }
    Registry& unicode = **view;
    return unicode.Transaction([&]() -> Result<void> {
        // Keys already opened, by path as written in the file; a deletion may invalidate any.
        std::map<std::string, RegKey> open;
        for (const RegFileOperation& op : *parsed) {
            auto fail = [&](const Error& error) { return LineError(op.line, error.message); };
            // The path under the hive, given with the hive's name so that a first key whose own name
            // begins with "HKEY_" is not taken for another hive.
            std::string fullPath(kHive);
            if (!op.keyPath.empty())
                fullPath.append("\\").append(op.keyPath);
            if (op.kind == RegFileOperation::Kind::kDeleteKey) {
                open.clear();
                if (unicode.KeyExists(fullPath)) {
                    if (Result<void> deleted = unicode.DeleteTree(fullPath); !deleted) {
                        return fail(deleted.error());
                    }
                }
                continue;
            }
            auto it = open.find(op.keyPath);
            if (it == open.end()) {
                Result<RegKey> key = unicode.OpenKey(fullPath, true);
                if (!key) {
                    return fail(key.error());
                }
                it = open.emplace(op.keyPath, std::move(key).value()).first;
            }
            if (op.kind == RegFileOperation::Kind::kSetValue) {
                if (Result<void> set = it->second.SetValue(op.name, op.type, op.data); !set) {
                    return fail(set.error());
                }
            } else if (op.kind == RegFileOperation::Kind::kDeleteValue) {
                if (Result<bool> deleted = it->second.DeleteValue(op.name); !deleted) {
                    return fail(deleted.error());
                }
            }
        }
        return {};
    });
}

Result<void> ImportRegFileFrom(Registry& registry, const std::filesystem::path& file, unsigned ansiCodePage) {
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) {
        return Fail("cannot read " + file.string());
    }
    Result<void> imported = ImportRegFile(registry, bytes, ansiCodePage);
    if (!imported) {
        return WithContext(imported.error(), file.string());
    }
    return {};
}

Result<std::string> ExportRegText(Registry& registry, std::string_view keyPath) {
    Result<std::unique_ptr<Registry>> view = registry.WithCodePage(kCodePageUtf8);
    if (!view) {
        return view.error();
    }
    Result<RegKey> key =
        (*view)->OpenKey(Utf16ToUtf8(AnsiToUtf16(keyPath, registry.CodePage()).value_or(u"")), false);
    if (!key) {
        return key.error();
    }
    std::string out = std::string(kHeader5) + "\r\n\r\n";
    if (Result<void> done = ExportKey(*key, out); !done) {
        return done.error();
    }
    return out;
}

Result<std::string> ExportRegFile(Registry& registry, std::string_view keyPath) {
    Result<std::string> text = ExportRegText(registry, keyPath);
    if (!text) {
        return text.error();
    }
    return "\xFF\xFE" + Utf16ToLeBytes(Utf8ToUtf16(*text));
}

Result<void> ExportRegFileTo(Registry& registry, std::string_view keyPath,
                             const std::filesystem::path& file) {
    Result<std::string> bytes = ExportRegFile(registry, keyPath);
    if (!bytes) {
        return bytes.error();
    }
    if (!WriteFileAtomically(file, *bytes)) {
        return Fail("cannot write " + file.string());
    }
    return {};
}

}  // namespace platform
