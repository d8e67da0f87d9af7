#pragma once

// HKEY_LOCAL_MACHINE of the emulated system, kept in the system root's registry.db (SQLite).
//
// Keys and values behave as the Windows registry does for the programs:
// - Key names and value names are compared without regard to case; the case a key or value was
//   created with is kept (writing "NAME" over "Name" changes the data, not the name).
// - Subkeys are listed in case-insensitive name order; values in the order they were created (a
//   value written again keeps its place; one deleted and written again goes last).
// - The empty value name is the key's default value.
// - A value holds a type number and bytes. Strings are stored as Windows stores them: UTF-16LE with
//   a terminating NUL, REG_MULTI_SZ with the closing double NUL. Types other than the five below
//   keep their number and bytes untouched.
// - Opening a key read-only fails when it does not exist and creates nothing; opening it for
//   writing creates it and any missing parents. A read-only handle refuses writes.
// - Every write is one SQLite transaction (WAL mode, with a busy timeout), so several processes may
//   write at once without losing anything; Registry::Transaction groups many writes into one.
// - A handle whose key was deleted meanwhile fails every operation cleanly (key ids are never
//   reused, so it cannot land on a newer key).
//
// Key paths use "\" (or "/"); leading, trailing and repeated separators are ignored, and an optional
// "HKEY_LOCAL_MACHINE\" or "HKLM\" prefix is accepted. "" is HKEY_LOCAL_MACHINE itself. A path naming
// another hive ("HKEY_CURRENT_USER\...", "HKCU\...") is an error. A key name is at most 255
// characters long.
//
// Text at this interface (paths, names, string data) is 8-bit in the registry's code page, as the
// programs' "A" functions see it: the system's ANSI code page for CurrentRegistry(). A registry
// opened (or viewed through WithCodePage) with kCodePageUtf8 gives lossless Unicode access, which
// the .reg file code and winsys use.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace platform {

enum RegType : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

// The registry type's name ("REG_SZ"); "REG_NONE", "REG_QWORD", ... for the others it knows, and
// "0x%x" for a number without a name.
std::string RegTypeName(uint32_t type);

struct RegValue {
    std::string name;  // in the code page of the handle it came from
    uint32_t type = kRegNone;
    std::string data;  // raw bytes as stored
};

// The stored bytes of string data, and back. Decoding stops at the first NUL; an odd trailing byte is
// ignored. Multi-strings: a list ends at the first empty string, as Windows readers see it.
std::string EncodeRegString(std::string_view text, unsigned codePage);
std::string DecodeRegString(std::string_view data, unsigned codePage);
std::string EncodeRegMultiString(const std::vector<std::string>& items, unsigned codePage);
std::vector<std::string> DecodeRegMultiString(std::string_view data, unsigned codePage);

namespace registry_detail {
struct Connection;
}

// A handle to one key: cheap to copy; it stays usable after the Registry object that made it is gone.
class RegKey {
  public:
    // The key's path as stored (case of creation), without the hive name; "" for the hive's root.
    const std::string& Path() const { return path_; }
    // The last component of Path().
    std::string Name() const;
    bool Writable() const { return writable_; }
    unsigned CodePage() const { return codePage_; }

    Result<std::vector<std::string>> SubkeyNames() const;
    Result<std::vector<RegValue>> Values() const;
    Result<std::vector<std::string>> ValueNames() const;
    // nullopt when the value does not exist; an error when the key is gone or the database fails.
    Result<std::optional<RegValue>> QueryValue(std::string_view name) const;
    bool HasValue(std::string_view name) const;

    // Typed reads: a missing value, a value of another type, a DWORD that is not 4 bytes long, a
    // deleted key and a database failure all read as nullopt.
    std::optional<std::string> QueryString(std::string_view name) const;        // REG_SZ
    std::optional<std::string> QueryExpandString(std::string_view name) const;  // REG_EXPAND_SZ
    std::optional<std::vector<std::string>> QueryMultiString(std::string_view name) const;
    std::optional<uint32_t> QueryDword(std::string_view name) const;
    std::optional<std::string> QueryBinary(std::string_view name) const;

    Result<void> SetValue(std::string_view name, uint32_t type, std::string_view data);
    Result<void> SetString(std::string_view name, std::string_view text);
    Result<void> SetExpandString(std::string_view name, std::string_view text);
    Result<void> SetMultiString(std::string_view name, const std::vector<std::string>& items);
    Result<void> SetDword(std::string_view name, uint32_t value);
    Result<void> SetBinary(std::string_view name, std::string_view bytes);
    // true when the value existed and is gone, false when there was no such value.
    Result<bool> DeleteValue(std::string_view name);

    // Opens or creates a key below this one (relative path).
    Result<RegKey> OpenSubkey(std::string_view relativePath, bool write) const;

  private:
    friend class Registry;
    RegKey(std::shared_ptr<registry_detail::Connection> connection, int64_t id, std::string storedPath,
           unsigned codePage, bool writable);
    static Result<RegKey> OpenParts(std::shared_ptr<registry_detail::Connection> connection, int64_t startId,
                                    const std::string& startPath, const std::vector<std::string>& parts,
                                    unsigned codePage, bool write);

    std::string ToStored(std::string_view text) const;
    std::string FromStored(std::string_view text) const;

    std::shared_ptr<registry_detail::Connection> connection_;
    int64_t id_ = 0;
    std::string path_;        // in codePage_
    std::string storedPath_;  // UTF-8, as the database holds names
    unsigned codePage_ = 0;
    bool writable_ = false;
};

class Registry {
  public:
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Opens registry.db, creating the file and its tables when missing. A file that is not a
    // registry database fails here, as does an unknown code page.
    static Result<std::unique_ptr<Registry>> Open(const std::filesystem::path& dbPath, unsigned codePage);

    // Another view of the same database (same connection and transactions) with another code page.
    Result<std::unique_ptr<Registry>> WithCodePage(unsigned codePage) const;

    const std::filesystem::path& DatabasePath() const { return dbPath_; }
    unsigned CodePage() const { return codePage_; }

    Result<RegKey> OpenKey(std::string_view path, bool write) const;
    // The same as a read-only OpenKey that reports no error.
    std::optional<RegKey> FindKey(std::string_view path) const;
    bool KeyExists(std::string_view path) const;
    // Deletes a key with its values and every key below it; deleting "" empties the hive. A missing
    // key is an error.
    Result<void> DeleteTree(std::string_view path);
    // Deletes a key that has no subkeys, as RegDeleteKey does.
    Result<void> DeleteKey(std::string_view path);

    // Runs `body` in one transaction: its writes all land, or none do when it returns an error.
    // Nested calls join the outer transaction.
    Result<void> Transaction(const std::function<Result<void>()>& body);

  private:
    Registry(std::shared_ptr<registry_detail::Connection> connection, std::filesystem::path dbPath,
             unsigned codePage);

    Result<void> DeleteKeyAt(std::string_view path, bool tree);

    std::shared_ptr<registry_detail::Connection> connection_;
    std::filesystem::path dbPath_;
    unsigned codePage_;
};

// The registry of the current system root (its RegistryDatabase(), in its ANSI code page), opened on
// first use and opened again when the root or its code page changes (UseSystemRoot). The pointer
// stays valid until then; RegKey handles made from it stay valid for good.
Result<Registry*> CurrentRegistry();

}  // namespace platform
