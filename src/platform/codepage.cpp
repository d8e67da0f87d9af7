#include "platform/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "platform/system_root.h"

namespace platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct CodePageName {
    unsigned codePage;
    const char* iconvName;
};

// glibc's names for the pages we know; UTF-8 is converted by hand and is not listed here.
constexpr std::array<CodePageName, 19> kCodePages = {{
    {437, "IBM437"},  {850, "IBM850"},  {866, "CP866"},   {874, "CP874"},        {932, "CP932"},
    {936, "CP936"},   {949, "CP949"},   {950, "CP950"},   {1250, "CP1250"},      {1251, "CP1251"},
    {1252, "CP1252"}, {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"},      {1256, "CP1256"},
    {1257, "CP1257"}, {1258, "CP1258"}, {20127, "ASCII"}, {28591, "ISO-8859-1"},
}};

const char* IconvName(unsigned codePage) {
    for (const CodePageName& entry : kCodePages) {
        if (entry.codePage == codePage) {
            return entry.iconvName;
        }
    }
    return nullptr;
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

// Opening a descriptor costs more than most conversions, so each thread keeps the ones it used
// (a descriptor may not be shared between threads). nullptr for a page iconv does not have.
iconv_t Descriptor(unsigned codePage, bool toUnicode) {
    thread_local std::map<std::pair<unsigned, bool>, IconvHandle> cache;
    auto key = std::make_pair(codePage, toUnicode);
    if (auto it = cache.find(key); it != cache.end()) {
        return static_cast<iconv_t>(it->second.get());
    }
    const char* name = IconvName(codePage);
    if (name == nullptr) {
        return nullptr;
    }
    iconv_t cd = toUnicode ? iconv_open("UTF-16LE", name) : iconv_open(name, "UTF-16LE");
    if (reinterpret_cast<intptr_t>(cd) == -1) {
        return nullptr;
    }
    cache.emplace(key, IconvHandle(cd));
    return cd;
}

Error UnknownCodePage(unsigned codePage) {
    return Fail("unknown code page " + std::to_string(codePage));
}

// Runs iconv over the whole input; on a sequence it cannot convert it appends `replacement` and
// lets `skip` say how many input bytes to pass over.
template <class SkipFn>
std::string RunIconv(iconv_t cd, std::string_view input, std::string_view replacement, SkipFn skip) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out(input.size() * 2 + 16, '\0');
    size_t written = 0;
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    auto ensureRoom = [&](size_t room) {
        if (out.size() - written < room) {
            out.resize(out.size() * 2 + room);
        }
    };
    bool flushing = false;
    while (true) {
        char* outPtr = out.data() + written;
        size_t outLeft = out.size() - written;
        size_t r = flushing ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                            : iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        written = out.size() - outLeft;
        if (r != static_cast<size_t>(-1)) {
            if (flushing) {
                break;
            }
            // Some pages (1255, 1258) hold back a base letter waiting for a combining mark.
            flushing = true;
            continue;
        }
        if (errno == E2BIG) {
            ensureRoom(out.size() + 16);
            continue;
        }
        if (flushing) {
            break;
        }
        // EILSEQ, or EINVAL for a sequence cut off by the end of the input.
        ensureRoom(replacement.size());
        std::copy(replacement.begin(), replacement.end(), out.begin() + static_cast<std::ptrdiff_t>(written));
        written += replacement.size();
        size_t n = std::min(skip(std::string_view(in, inLeft)), inLeft);
        in += n;
        inLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(written);
    return out;
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Every page of the table above holds the 128 ASCII characters at their own values, so text made of
// them alone needs no iconv call; setup INI and INF lines nearly always are such text.
bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
bool IsAscii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

char16_t LeUnit(std::string_view bytes, size_t at) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                 (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

}  // namespace

bool IsKnownCodePage(unsigned codePage) {
    return codePage == kCodePageUtf8 || IconvName(codePage) != nullptr;
}

Result<std::u16string> AnsiToUtf16(std::string_view text, unsigned codePage) {
    if (codePage == kCodePageUtf8) {
        return Utf8ToUtf16(text);
    }
    iconv_t cd = Descriptor(codePage, true);
    if (cd == nullptr) {
        return UnknownCodePage(codePage);
    }
    if (IsAscii(text)) {
        return std::u16string(text.begin(), text.end());
    }
    static constexpr char kReplacementLe[] = {static_cast<char>(0xFD), static_cast<char>(0xFF)};
    std::string bytes =
        RunIconv(cd, text, std::string_view(kReplacementLe, 2), [](std::string_view) -> size_t { return 1; });
    return Utf16FromLeBytes(bytes);
}

Result<std::string> Utf16ToAnsi(std::u16string_view text, unsigned codePage) {
    if (codePage == kCodePageUtf8) {
        return Utf16ToUtf8(text);
    }
    iconv_t cd = Descriptor(codePage, false);
    if (cd == nullptr) {
        return UnknownCodePage(codePage);
    }
    if (IsAscii(text)) {
        std::string out(text.size(), '\0');
        std::transform(text.begin(), text.end(), out.begin(),
                       [](char16_t c) { return static_cast<char>(c); });
        return out;
    }
    // A surrogate pair the page cannot hold is one character and so one '?'.
    return RunIconv(cd, Utf16ToLeBytes(text), "?", [](std::string_view rest) -> size_t {
        if (rest.size() >= 4 && IsHighSurrogate(LeUnit(rest, 0)) && IsLowSurrogate(LeUnit(rest, 2))) {
            return 4;
        }
        return 2;
    });
}

Result<std::string> AnsiToUtf8(std::string_view text, unsigned codePage) {
    if (codePage == kCodePageUtf8) {
        return Utf16ToUtf8(Utf8ToUtf16(text));  // still replaces invalid sequences
    }
    Result<std::u16string> wide = AnsiToUtf16(text, codePage);
    if (!wide) {
        return wide.error();
    }
    return Utf16ToUtf8(*wide);
}

Result<std::string> Utf8ToAnsi(std::string_view text, unsigned codePage) {
    return Utf16ToAnsi(Utf8ToUtf16(text), codePage);
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            c = kReplacement;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
        unsigned char lead = byte(i);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                        : lead >= 0xE0                ? 3
                        : lead >= 0xC2 && lead < 0xE0 ? 2
                                                      : 0;
        if (lead > 0xF4) {
            length = 0;
        }
        char32_t c = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) {
                valid = false;
            } else {
                c = (c << 6) | (byte(i + k) & 0x3F);
            }
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if (valid && ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
                      (c >= 0xD800 && c <= 0xDFFF))) {
            valid = false;
        }
        if (!valid) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return out;
}

unsigned SystemCodePage() {
    unsigned codePage = CurrentSystemConfig().ansiCodePage;
    return IsKnownCodePage(codePage) ? codePage : 1252;
}

std::u16string SystemAnsiToUtf16(std::string_view text) {
    return AnsiToUtf16(text, SystemCodePage()).value();
}
std::string Utf16ToSystemAnsi(std::u16string_view text) {
    return Utf16ToAnsi(text, SystemCodePage()).value();
}
std::string SystemAnsiToUtf8(std::string_view text) {
    return AnsiToUtf8(text, SystemCodePage()).value();
}
std::string Utf8ToSystemAnsi(std::string_view text) {
    return Utf8ToAnsi(text, SystemCodePage()).value();
}

std::u16string Utf16FromLeBytes(std::string_view bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = LeUnit(bytes, 2 * i);
    }
    return out;
}

std::u16string Utf16FromBeBytes(std::string_view bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>((static_cast<unsigned char>(bytes[2 * i]) << 8) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]));
    }
    return out;
}

std::string Utf16ToLeBytes(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string Utf16ToBeBytes(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

}  // namespace platform
