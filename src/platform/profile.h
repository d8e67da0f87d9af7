#pragma once

// Profile (INI) files with the rules of the Windows profile-file functions.
//
// (The full list of reading and writing rules is documented below by the implementation.)

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace platform::profile {

// One profile file held in memory: loaded once, queried and changed many times, saved once.
// Every byte of the file that a change does not touch is kept.
class ProfileFile {
public:
    ProfileFile() = default;
    static ProfileFile FromBytes(std::string bytes);
    // A missing or unreadable file loads as an empty one.
    static ProfileFile Load(std::string_view path);

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Whether the key is present (a comment key is never present).
    bool HasKey(std::string_view section, std::string_view key) const;
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view key);
    void DeleteSection(std::string_view section);

    std::string Bytes() const;
    // Writes the file atomically (temporary file in the same folder, then rename). Fails when the
    // folder does not exist or cannot be written.
    Result<void> Save(std::string_view path) const;
};

// The Windows-shaped calls, one read (and for writes one atomic write) of the file each.
std::string ReadString(std::string_view file, std::string_view section, std::string_view key,
                       std::string_view defaultValue);
std::vector<std::string> SectionNames(std::string_view file);
std::vector<std::string> KeyNames(std::string_view file, std::string_view section);
bool WriteString(std::string_view file, std::string_view section, std::string_view key, std::string_view value);
bool DeleteKey(std::string_view file, std::string_view section, std::string_view key);
bool DeleteSection(std::string_view file, std::string_view section);

// Many writes with one read and one write of the file.
class Batch {
public:
    explicit Batch(std::string file);
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view key);
    void DeleteSection(std::string_view section);
    Result<void> Commit();
};

}  // namespace platform::profile
