#pragma once

// Profile (INI) files with the rules of the Windows profile-file functions.
//
// Reading
// - Section and key names are compared without regard to case; a value keeps the case it has in the
//   file. Names the caller passes lose the spaces around them.
// - Spaces and tabs around keys and values are trimmed. A value enclosed in one matching pair of double
//   or single quotes loses that pair ("'a'" reads as a, "'a\"" stays as it is).
// - A line whose key starts with ";" is a comment: never found, never listed. A ";" inside a value is
//   part of the value.
// - A section line may have blanks before its "["; the name ends at the first "]" (blanks around it
//   trimmed) and text after the "]" is ignored. A section line without "]" names the rest of the line.
// - A line without "=" is a key with an empty value; a blank line is nothing.
// - Lines before the first section belong to no section and are never found.
// - With duplicates, the first section of a name is the one searched and the first key in it wins;
//   the name lists show every occurrence.
// - A default loses its trailing spaces, and serves also for a missing key, section or file.
// - LF and CRLF line ends are both read; the bytes of a line are taken as they are (no code page).
// - A file that starts with the UTF-16LE byte-order mark FF FE is read as UTF-16 text converted to the
//   system's ANSI code page (INF files often come that way). An odd last byte is no character and is
//   ignored.
//
// Writing
// - A key already present keeps its place and the case of its name, and gets the new value written as
//   given ("key=value", no blanks around "=").
// - A new key goes after the last key of its section (right after the section line when the section
//   has none yet); a new section is appended at the end of the file, after one blank line when the file
//   is not empty.
// - Lines that are written get CRLF ends; every other byte of the file is kept as it was.
// - A file read as UTF-16 is written back as UTF-16LE with its byte-order mark, so a write never
//   changes a file's encoding; its untouched lines keep their original characters, even those the
//   code page cannot hold.
// - Deleting a key removes its line; deleting a section removes its section line and every line up to
//   the next section (the first section of that name only).
// - A missing file is created when its folder exists. Writes are atomic: a temporary file in the same
//   folder, then a rename, so a reader sees the old file or the new one.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace platform::profile {

// One profile file held in memory: loaded once, queried and changed many times, saved once.
class ProfileFile {
  public:
    ProfileFile();
    ~ProfileFile();
    ProfileFile(ProfileFile&&) noexcept;
    ProfileFile& operator=(ProfileFile&&) noexcept;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    static ProfileFile FromBytes(std::string_view bytes);
    // A missing or unreadable file loads as an empty one.
    static ProfileFile Load(std::string_view path);

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    bool HasSection(std::string_view section) const;
    bool HasKey(std::string_view section, std::string_view key) const;
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view key);
    void DeleteSection(std::string_view section);

    bool Changed() const;
    std::string Bytes() const;
    // Writes the file atomically. Fails when the folder does not exist or cannot be written.
    Result<void> Save(std::string_view path) const;

  private:
    struct Data;
    std::unique_ptr<Data> data_;
};

// The Windows-shaped calls: each reads the file once, and a write writes it once.
std::string ReadString(std::string_view file, std::string_view section, std::string_view key,
                       std::string_view defaultValue);
std::vector<std::string> SectionNames(std::string_view file);
std::vector<std::string> KeyNames(std::string_view file, std::string_view section);
bool WriteString(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value);
bool DeleteKey(std::string_view file, std::string_view section, std::string_view key);
bool DeleteSection(std::string_view file, std::string_view section);

// Reads the file, lets `change` alter it and writes it back when it changed, all under a lock of the
// file's folder, so two processes changing one file at once keep each other's changes. The lock is not
// re-entrant: `change` must not write profile files of the same folder itself.
Result<void> UpdateFile(std::string_view path, const std::function<void(ProfileFile&)>& change);

// Many writes with one read and one write of the file. Nothing reaches the file before Commit.
class Batch {
  public:
    explicit Batch(std::string file);
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view key);
    void DeleteSection(std::string_view section);
    Result<void> Commit();

  private:
    struct Change {
        enum class Kind { Write, DeleteKey, DeleteSection } kind;
        std::string section, key, value;
    };
    std::string file_;
    std::vector<Change> changes_;
};

}  // namespace platform::profile
