#pragma once

// Code pages: the programs work with 8-bit text in the system's ANSI code page, while UTF-16 INF
// files, .reg files, the registry's string data and the windows are Unicode. These turn one into the
// other through iconv.
//
// Known code pages: the Windows ANSI pages 874, 932, 936, 949, 950 and 1250 to 1258, the OEM pages
// 437, 850 and 866, ASCII (20127), Latin-1 (28591) and UTF-8 (65001, kCodePageUtf8).
//
// Bad input never fails a conversion, as on Windows:
// - to Unicode, a byte (or byte sequence) the code page does not define becomes U+FFFD, one for each
//   byte that cannot start a character, and conversion goes on with the next byte;
// - from Unicode, a character the code page cannot hold becomes '?', one for each character (a
//   surrogate pair is one character, a lone surrogate one too);
// - invalid UTF-8 gives U+FFFD for each byte that does not start a valid sequence; a lone surrogate
//   in UTF-16 becomes U+FFFD in UTF-8.
// Only an unknown code page is an error.

#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {

inline constexpr unsigned kCodePageUtf8 = 65001;

bool IsKnownCodePage(unsigned codePage);

Result<std::u16string> AnsiToUtf16(std::string_view text, unsigned codePage);
Result<std::string> Utf16ToAnsi(std::u16string_view text, unsigned codePage);
Result<std::string> AnsiToUtf8(std::string_view text, unsigned codePage);
Result<std::string> Utf8ToAnsi(std::string_view text, unsigned codePage);

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// The same with the code page of the current system root (CurrentSystemConfig().ansiCodePage); a
// system.ini naming a code page we do not know counts as 1252, so these cannot fail.
unsigned SystemCodePage();
std::u16string SystemAnsiToUtf16(std::string_view text);
std::string Utf16ToSystemAnsi(std::u16string_view text);
std::string SystemAnsiToUtf8(std::string_view text);
std::string Utf8ToSystemAnsi(std::string_view text);

// UTF-16 text as bytes, with the byte order spelled out (files and registry data are little-endian).
// An odd trailing byte is dropped.
std::u16string Utf16FromLeBytes(std::string_view bytes);
std::u16string Utf16FromBeBytes(std::string_view bytes);
std::string Utf16ToLeBytes(std::u16string_view text);
std::string Utf16ToBeBytes(std::u16string_view text);

}  // namespace platform
