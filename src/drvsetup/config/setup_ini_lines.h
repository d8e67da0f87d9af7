#pragma once

// The line reader of setup INI files. It does not use the profile-file rules: a header is any line
// that holds both "[" and "]", and a section's body runs to the next line holding either, so a value
// with a bracket in it ends its section. Keys are compared exactly, case included.
//
// 1. The file is a list of lines (LF, CRLF or CR ends).
// 2. Section list: every line that, trimmed, holds both "[" and "]" and not "[__info]"; its name is
//    the trimmed line without its first and last character (a trailing comment stays in the name).
// 3. The body of section N: the lines after the first line that contains "[N]" anywhere, up to the
//    next line that contains "[" or "]".
// 4. An entry of a body: key before the first "=", value after it, both trimmed; the first
//    occurrence of a key wins.
//
// The headers are indexed once, so finding a section does not rescan the file: loading a file of many
// sections stays linear in its size.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "drvsetup/shell/text_tools.h"

namespace drvsetup {

class SetupIniLines {
  public:
    static SetupIniLines FromBytes(std::string_view bytes);
    // None when the file cannot be read.
    static std::optional<SetupIniLines> Load(std::string_view path);

    const std::vector<std::string>& Lines() const { return lines_; }
    // Header names in file order, duplicates included.
    std::vector<std::string> SectionNames() const;
    // The first line that contains "[" + name + "]".
    std::optional<size_t> FindSectionLine(std::string_view name) const;
    // The body of the section (empty when no line contains "[name]").
    std::span<const std::string> SectionBody(std::string_view name) const;
    // The entries of the section's body, first occurrence of a key winning.
    std::unordered_map<std::string, std::string> SectionEntries(std::string_view name) const;
    // The value of one key of the section, the same way.
    std::optional<std::string> SectionValue(std::string_view name, std::string_view key) const;

  private:
    void Index();

    std::vector<std::string> lines_;
    // For every "[x]" that a line contains, the first line containing it.
    std::unordered_map<std::string, size_t> bracketIndex_;
    // Lines with too many brackets to index every pair; searched directly when a name is not indexed.
    std::vector<size_t> crowdedLines_;
    // For each line, the next line after it that holds "[" or "]" (or the line count).
    std::vector<size_t> nextBracketLine_;
};

// Splits an entry line at its first "=" into a trimmed key and value; none without "=".
std::optional<std::pair<std::string_view, std::string_view>> SplitEntry(std::string_view line);

}  // namespace drvsetup
