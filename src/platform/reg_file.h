#pragma once

// .reg files, as the registry editor writes and reads them.
//
// Export writes the editor's current format: "Windows Registry Editor Version 5.00", UTF-16LE with a
// byte-order mark and CRLF line ends; a blank line after the header and after each key block; keys
// as "[HKEY_LOCAL_MACHINE\path]" in case-insensitive name order, each followed by its values in
// creation order: @= for the default value, "name"="text" (with \\ and \" escapes) for REG_SZ,
// dword:0000000a for REG_DWORD, hex:01,02 for REG_BINARY, hex(2): and hex(7): with the UTF-16LE
// bytes of REG_EXPAND_SZ and REG_MULTI_SZ and hex(N): for any other type N (lower-case hex). Long hex
// data is wrapped after a comma with ",\" and continued on a line indented by two spaces, keeping
// lines within 80 characters. Data that the text form would not keep exactly (a REG_SZ without its
// final NUL, with a NUL inside or with a line break; a REG_DWORD that is not 4 bytes) is written as
// hex(1): or hex(4): instead, so that an export imported again gives the same registry.
//
// Import reads that format and the older "REGEDIT4" one. A file starting with a UTF-16 byte-order
// mark is UTF-16 (little- or big-endian), one starting with the UTF-8 mark is UTF-8, any other is
// 8-bit text in the given ANSI code page. In a REGEDIT4 file hex(1), hex(2) and hex(7) hold 8-bit
// text in that code page, stored as UTF-16 as the 8-bit registry functions would. Understood lines:
// "[key]" (made if missing), "[-key]" (deleted with everything below; missing is fine), "name"=...
// or @=... with "text", dword:, hex:, hex(N): (continued over lines ending in "\"), and - to delete
// the value. Blank lines and lines starting with ';' are skipped; values under a deleted key are
// ignored, as the editor does. A key outside HKEY_LOCAL_MACHINE, a malformed line, a NUL character
// or a missing header is an error that names the line, and then nothing is imported: the whole file
// is checked first and applied in one transaction.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/result.h"

namespace platform {

struct RegFileOperation {
    enum class Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
    Kind kind = Kind::kCreateKey;
    int line = 0;         // where it came from, for error messages
    std::string keyPath;  // UTF-8, without the hive name ("" for the hive itself)
    std::string name;     // value name, UTF-8
    uint32_t type = 0;
    std::string data;  // stored bytes (strings as UTF-16LE with their NULs)
};

// Checks a whole file and turns it into the changes it asks for.
Result<std::vector<RegFileOperation>> ParseRegFile(std::string_view bytes, unsigned ansiCodePage);

// Applies a whole file in one transaction.
Result<void> ImportRegFile(Registry& registry, std::string_view bytes, unsigned ansiCodePage);
Result<void> ImportRegFileFrom(Registry& registry, const std::filesystem::path& file, unsigned ansiCodePage);

// The text of an export of a key and everything below it, as UTF-8 with CRLF line ends.
Result<std::string> ExportRegText(Registry& registry, std::string_view keyPath);
// The same as file bytes: UTF-16LE with a byte-order mark.
Result<std::string> ExportRegFile(Registry& registry, std::string_view keyPath);
// Writes the export to a file (replaced atomically; its folder must exist).
Result<void> ExportRegFileTo(Registry& registry, std::string_view keyPath, const std::filesystem::path& file);

}  // namespace platform
