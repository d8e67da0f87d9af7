#include "platform/registry.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/codepage.h"
#include "platform/system_root.h"

namespace platform {

namespace registry_detail {

// One SQLite connection shared by a Registry, its code-page views and every RegKey made from them.
// The mutex serialises the threads of this process; SQLite's locks serialise the processes.
struct Connection {
    sqlite3* db = nullptr;
    std::recursive_mutex mutex;
    int writeDepth = 0;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { sqlite3_close_v2(db); }
};

}  // namespace registry_detail

namespace {

using registry_detail::Connection;

constexpr int64_t kRootId = 1;
constexpr int kBusyTimeoutMs = 30000;
constexpr size_t kMaxKeyNameLength = 255;
constexpr const char* kHive = "HKEY_LOCAL_MACHINE";

Error DbError(sqlite3* db, std::string_view what) {
    return Fail("registry.db: " + std::string(what) + ": " + sqlite3_errmsg(db));
}

class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            stmt_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Prepared() const { return stmt_ != nullptr; }
    void Bind(int index, int64_t value) {
        if (stmt_ != nullptr) {
            sqlite3_bind_int64(stmt_, index, value);
        }
    }
    void BindText(int index, std::string_view text) {
        if (stmt_ != nullptr) {
            sqlite3_bind_text(stmt_, index, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        }
    }
    void BindBlob(int index, std::string_view bytes) {
        if (stmt_ == nullptr) {
            return;
        }
        // A null pointer would bind SQL NULL, not an empty blob.
        if (bytes.empty()) {
            sqlite3_bind_zeroblob(stmt_, index, 0);
        } else {
            sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        }
    }
    // SQLITE_ROW, SQLITE_DONE, or an error code.
    int Step() { return stmt_ == nullptr ? SQLITE_ERROR : sqlite3_step(stmt_); }
    int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string Text(int column) const {
        const unsigned char* text = sqlite3_column_text(stmt_, column);
        return text == nullptr ? std::string()
                               : std::string(reinterpret_cast<const char*>(text),
                                             static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
    }
    std::string Blob(int column) const {
        const void* blob = sqlite3_column_blob(stmt_, column);
        return blob == nullptr ? std::string()
                               : std::string(static_cast<const char*>(blob),
                                             static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

Result<void> Exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message != nullptr ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        return Fail("registry.db: " + text);
    }
    return {};
}

// Runs a statement that returns no rows.
Result<void> Run(Statement& statement, sqlite3* db, std::string_view what) {
    int rc = statement.Step();
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        return DbError(db, what);
    }
    return {};
}

// A write: the outermost one is a transaction started at once as a writer (so that it waits for
// other writers rather than failing when it upgrades from reading), nested ones are savepoints so
// that a failed step inside a larger transaction takes back only its own changes.
class WriteScope {
  public:
    explicit WriteScope(Connection& connection) : connection_(connection), lock_(connection.mutex) {}
    ~WriteScope() {
        if (begun_ && !done_) {
            --connection_.writeDepth;
            if (connection_.writeDepth == 0) {
                (void)Exec(connection_.db, "ROLLBACK");
            } else {
                (void)Exec(connection_.db, "ROLLBACK TO step; RELEASE step");
            }
        }
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    Result<void> Begin() {
        Result<void> begun =
            Exec(connection_.db, connection_.writeDepth == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT step");
        if (!begun) {
            return begun;
        }
        begun_ = true;
        ++connection_.writeDepth;
        return {};
    }

    Result<void> Commit() {
        Result<void> committed =
            Exec(connection_.db, connection_.writeDepth == 1 ? "COMMIT" : "RELEASE step");
        if (!committed) {
            return committed;  // the destructor rolls back
        }
        done_ = true;
        --connection_.writeDepth;
        return {};
    }

  private:
    Connection& connection_;
    std::unique_lock<std::recursive_mutex> lock_;
    bool begun_ = false;
    bool done_ = false;
};

// Upper-case folding of UTF-16 code units, as the registry compares names. It covers ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic, which is what key and value names hold in practice.
char16_t FoldUnit(char16_t c) {
    if (c < 0x80) {
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c;
    }
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F)) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    bool evenUpper = (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177) ||
                     (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F);
    if (evenUpper && (c & 1) != 0) {
        return static_cast<char16_t>(c - 1);
    }
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x4C1 && c <= 0x4CE);
    if (oddUpper && (c & 1) == 0) {
        return static_cast<char16_t>(c - 1);
    }
    return c;
}

std::string Fold(std::string_view utf8) {
    std::u16string wide = Utf8ToUtf16(utf8);
    for (char16_t& c : wide) {
        c = FoldUnit(c);
    }
    return Utf16ToUtf8(wide);
}

// Splits a UTF-8 key path into its components, dropping the hive prefix.
Result<std::vector<std::string>> SplitKeyPath(std::string_view path, bool fromHive) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!current.empty()) {
                parts.push_back(std::move(current));
                current.clear();
            }
        } else if (c == '\0') {
            return Fail("a key path may not hold a NUL character");
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        parts.push_back(std::move(current));
    }
    if (fromHive && !parts.empty()) {
        std::string first = Fold(parts.front());
        if (first == kHive || first == "HKLM") {
            parts.erase(parts.begin());
        } else if (first.starts_with("HKEY_") || first == "HKCU" || first == "HKCR" || first == "HKU" ||
                   first == "HKCC") {
            return Fail(parts.front() + ": only HKEY_LOCAL_MACHINE is available");
        }
    }
    for (const std::string& part : parts) {
        if (Utf8ToUtf16(part).size() > kMaxKeyNameLength) {
            return Fail("a key name is longer than 255 characters: " + part.substr(0, 40) + "...");
        }
    }
    return parts;
}

std::string JoinPath(std::string_view parent, std::string_view name) {
    return parent.empty() ? std::string(name) : std::string(parent) + "\\" + std::string(name);
}

std::string ShownPath(std::string_view storedPath) {
    return storedPath.empty() ? std::string(kHive) : std::string(kHive) + "\\" + std::string(storedPath);
}

Result<bool> KeyAlive(Connection& c, int64_t id) {
    Statement s(c.db, "SELECT 1 FROM keys WHERE id = ?1");
    s.Bind(1, id);
    int rc = s.Step();
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    return DbError(c.db, "reading a key");
}

Result<void> RequireAlive(Connection& c, int64_t id, std::string_view storedPath) {
    Result<bool> alive = KeyAlive(c, id);
    if (!alive) {
        return alive.error();
    }
    if (!*alive) {
        return Fail(ShownPath(storedPath) + ": the key has been deleted");
    }
    return {};
}

struct Found {
    int64_t id;
    std::string name;
};

Result<std::optional<Found>> FindChild(Connection& c, int64_t parent, std::string_view name) {
    Statement s(c.db, "SELECT id, name FROM keys WHERE parent = ?1 AND folded = ?2");
    s.Bind(1, parent);
    s.BindText(2, Fold(name));
    int rc = s.Step();
    if (rc == SQLITE_ROW) {
        return std::optional<Found>(Found{s.Int(0), s.Text(1)});
    }
    if (rc == SQLITE_DONE) {
        return std::optional<Found>();
    }
    return DbError(c.db, "looking up a key");
}

struct Walk {
    int64_t id = 0;
    std::string path;
    bool complete = false;  // false: a component was missing and create was not asked for
};

// Follows the components from a key, creating missing ones when asked to (the caller holds a write
// scope then).
Result<Walk> WalkPath(Connection& c, int64_t start, std::string startPath,
                      const std::vector<std::string>& parts, bool create) {
    Walk walk{start, std::move(startPath), true};
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        Result<std::optional<Found>> child = FindChild(c, walk.id, part);
        if (!child) {
            return child.error();
        }
        if (child->has_value()) {
            walk.id = (*child)->id;
            walk.path = JoinPath(walk.path, (*child)->name);
            continue;
        }
        if (!create) {
            // The whole path asked for, for the caller's message.
            walk.complete = false;
            for (size_t rest = i; rest < parts.size(); ++rest) {
                walk.path = JoinPath(walk.path, parts[rest]);
            }
            return walk;
        }
        Statement insert(c.db, "INSERT INTO keys(parent, name, folded) VALUES (?1, ?2, ?3)");
        insert.Bind(1, walk.id);
        insert.BindText(2, part);
        insert.BindText(3, Fold(part));
        if (Result<void> ran = Run(insert, c.db, "creating a key"); !ran) {
            return ran.error();
        }
        walk.id = sqlite3_last_insert_rowid(c.db);
        walk.path = JoinPath(walk.path, part);
    }
    return walk;
}

Result<void> DeleteKeys(Connection& c, int64_t id) {
    if (id == kRootId) {
        return Exec(c.db, "DELETE FROM vals; DELETE FROM keys WHERE id <> 1");
    }
    static constexpr const char* kTree =
        "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = "
        "tree.id) ";
    Statement values(c.db, (std::string(kTree) + "DELETE FROM vals WHERE key IN tree").c_str());
    values.Bind(1, id);
    if (Result<void> ran = Run(values, c.db, "deleting values"); !ran) {
        return ran;
    }
    Statement keys(c.db, (std::string(kTree) + "DELETE FROM keys WHERE id IN tree").c_str());
    keys.Bind(1, id);
    return Run(keys, c.db, "deleting keys");
}

std::u16string ToUnicode(std::string_view text, unsigned codePage) {
    Result<std::u16string> wide = AnsiToUtf16(text, codePage);
    return wide.ok() ? std::move(wide).value() : Utf8ToUtf16(text);
}

std::string FromUnicode(std::u16string_view text, unsigned codePage) {
    Result<std::string> ansi = Utf16ToAnsi(text, codePage);
    return ansi.ok() ? std::move(ansi).value() : Utf16ToUtf8(text);
}

std::u16string StoredUnits(std::string_view data) {
    return Utf16FromLeBytes(data);
}

// Names and paths are stored as UTF-8; text from a UTF-8 view is checked too, so that what the
// database holds is always valid UTF-8.
std::string ToStoredText(std::string_view text, unsigned codePage) {
    return Utf16ToUtf8(ToUnicode(text, codePage));
}

std::string FromStoredText(std::string_view text, unsigned codePage) {
    return codePage == kCodePageUtf8 ? std::string(text) : FromUnicode(Utf8ToUtf16(text), codePage);
}

}  // namespace

std::string RegTypeName(uint32_t type) {
    static constexpr std::array<const char*, 12> kNames = {
        "REG_NONE",
        "REG_SZ",
        "REG_EXPAND_SZ",
        "REG_BINARY",
        "REG_DWORD",
        "REG_DWORD_BIG_ENDIAN",
        "REG_LINK",
        "REG_MULTI_SZ",
        "REG_RESOURCE_LIST",
        "REG_FULL_RESOURCE_DESCRIPTOR",
        "REG_RESOURCE_REQUIREMENTS_LIST",
        "REG_QWORD",
    };
    if (type < kNames.size()) {
        return kNames[type];
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", type);
    return buffer;
}

std::string EncodeRegString(std::string_view text, unsigned codePage) {
    return Utf16ToLeBytes(ToUnicode(text, codePage)) + std::string(2, '\0');
}

std::string DecodeRegString(std::string_view data, unsigned codePage) {
    std::u16string units = StoredUnits(data);
    units.resize(std::min(units.size(), units.find(u'\0')));
    return FromUnicode(units, codePage);
}

std::string EncodeRegMultiString(const std::vector<std::string>& items, unsigned codePage) {
    std::string bytes;
    for (const std::string& item : items) {
        bytes += EncodeRegString(item, codePage);
    }
    return bytes + std::string(2, '\0');
}

std::vector<std::string> DecodeRegMultiString(std::string_view data, unsigned codePage) {
    std::u16string units = StoredUnits(data);
    std::vector<std::string> items;
    size_t start = 0;
    while (start < units.size()) {
        size_t end = std::min(units.size(), units.find(u'\0', start));
        if (end == start) {
            break;
        }
        items.push_back(FromUnicode(std::u16string_view(units).substr(start, end - start), codePage));
        start = end + 1;
    }
    return items;
}

// ---------------------------------------------------------------------------------------------
// RegKey

RegKey::RegKey(std::shared_ptr<Connection> connection, int64_t id, std::string storedPath, unsigned codePage,
               bool writable)
    : connection_(std::move(connection)),
      id_(id),
      path_(FromStoredText(storedPath, codePage)),
      storedPath_(std::move(storedPath)),
      codePage_(codePage),
      writable_(writable) {}

std::string RegKey::ToStored(std::string_view text) const {
    return ToStoredText(text, codePage_);
}

std::string RegKey::FromStored(std::string_view text) const {
    return FromStoredText(text, codePage_);
}

std::string RegKey::Name() const {
    size_t slash = path_.rfind('\\');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

Result<std::vector<std::string>> RegKey::SubkeyNames() const {
    Connection& c = *connection_;
    std::lock_guard lock(c.mutex);
    if (Result<void> alive = RequireAlive(c, id_, storedPath_); !alive) {
        return alive.error();
    }
    Statement s(c.db, "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded");
    s.Bind(1, id_);
    std::vector<std::string> names;
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) {
        names.push_back(FromStored(s.Text(0)));
    }
    if (rc != SQLITE_DONE) {
        return DbError(c.db, "listing subkeys");
    }
    return names;
}

Result<std::vector<RegValue>> RegKey::Values() const {
    Connection& c = *connection_;
    std::lock_guard lock(c.mutex);
    if (Result<void> alive = RequireAlive(c, id_, storedPath_); !alive) {
        return alive.error();
    }
    Statement s(c.db, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id");
    s.Bind(1, id_);
    std::vector<RegValue> values;
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) {
        values.push_back(RegValue{FromStored(s.Text(0)), static_cast<uint32_t>(s.Int(1)), s.Blob(2)});
    }
    if (rc != SQLITE_DONE) {
        return DbError(c.db, "listing values");
    }
    return values;
}

Result<std::vector<std::string>> RegKey::ValueNames() const {
    Result<std::vector<RegValue>> values = Values();
    if (!values) {
        return values.error();
    }
    std::vector<std::string> names;
    for (RegValue& value : *values) {
        names.push_back(std::move(value.name));
    }
    return names;
}

Result<std::optional<RegValue>> RegKey::QueryValue(std::string_view name) const {
    Connection& c = *connection_;
    std::lock_guard lock(c.mutex);
    if (Result<void> alive = RequireAlive(c, id_, storedPath_); !alive) {
        return alive.error();
    }
    Statement s(c.db, "SELECT name, type, data FROM vals WHERE key = ?1 AND folded = ?2");
    s.Bind(1, id_);
    s.BindText(2, Fold(ToStored(name)));
    int rc = s.Step();
    if (rc == SQLITE_ROW) {
        return std::optional<RegValue>(
            RegValue{FromStored(s.Text(0)), static_cast<uint32_t>(s.Int(1)), s.Blob(2)});
    }
    if (rc == SQLITE_DONE) {
        return std::optional<RegValue>();
    }
    return DbError(c.db, "reading a value");
}

bool RegKey::HasValue(std::string_view name) const {
    Result<std::optional<RegValue>> value = QueryValue(name);
    return value.ok() && value->has_value();
}

namespace {

std::optional<std::string> TypedData(const RegKey& key, std::string_view name, uint32_t type) {
    Result<std::optional<RegValue>> value = key.QueryValue(name);
    if (!value.ok() || !value->has_value() || (*value)->type != type) {
        return std::nullopt;
    }
    return std::move((*value)->data);
}

}  // namespace

std::optional<std::string> RegKey::QueryString(std::string_view name) const {
    std::optional<std::string> data = TypedData(*this, name, kRegSz);
    return data ? std::optional(DecodeRegString(*data, codePage_)) : std::nullopt;
}

std::optional<std::string> RegKey::QueryExpandString(std::string_view name) const {
    std::optional<std::string> data = TypedData(*this, name, kRegExpandSz);
    return data ? std::optional(DecodeRegString(*data, codePage_)) : std::nullopt;
}

std::optional<std::vector<std::string>> RegKey::QueryMultiString(std::string_view name) const {
    std::optional<std::string> data = TypedData(*this, name, kRegMultiSz);
    return data ? std::optional(DecodeRegMultiString(*data, codePage_)) : std::nullopt;
}

std::optional<uint32_t> RegKey::QueryDword(std::string_view name) const {
    std::optional<std::string> data = TypedData(*this, name, kRegDword);
    if (!data || data->size() != 4) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>((*data)[static_cast<size_t>(i)]);
    }
    return value;
}

std::optional<std::string> RegKey::QueryBinary(std::string_view name) const {
    return TypedData(*this, name, kRegBinary);
}

Result<void> RegKey::SetValue(std::string_view name, uint32_t type, std::string_view data) {
    std::string stored = ToStored(name);
    if (!writable_) {
        return Fail(ShownPath(storedPath_) + ": the key was opened read-only");
    }
    if (stored.find('\0') != std::string::npos) {
        return Fail(ShownPath(storedPath_) + ": a value name may not hold a NUL character");
    }
    Connection& c = *connection_;
    WriteScope scope(c);
    if (Result<void> begun = scope.Begin(); !begun) {
        return begun;
    }
    if (Result<void> alive = RequireAlive(c, id_, storedPath_); !alive) {
        return alive;
    }
    // Written again, a value keeps its row and so its place and the case of its name.
    Statement s(c.db,
                "INSERT INTO vals(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
    s.Bind(1, id_);
    s.BindText(2, stored);
    s.BindText(3, Fold(stored));
    s.Bind(4, type);
    s.BindBlob(5, data);
    if (Result<void> ran = Run(s, c.db, "writing a value"); !ran) {
        return ran;
    }
    return scope.Commit();
}

Result<void> RegKey::SetString(std::string_view name, std::string_view text) {
    return SetValue(name, kRegSz, EncodeRegString(text, codePage_));
}

Result<void> RegKey::SetExpandString(std::string_view name, std::string_view text) {
    return SetValue(name, kRegExpandSz, EncodeRegString(text, codePage_));
}

Result<void> RegKey::SetMultiString(std::string_view name, const std::vector<std::string>& items) {
    return SetValue(name, kRegMultiSz, EncodeRegMultiString(items, codePage_));
}

Result<void> RegKey::SetDword(std::string_view name, uint32_t value) {
    std::string bytes(4, '\0');
    for (size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return SetValue(name, kRegDword, bytes);
}

Result<void> RegKey::SetBinary(std::string_view name, std::string_view bytes) {
    return SetValue(name, kRegBinary, bytes);
}

Result<bool> RegKey::DeleteValue(std::string_view name) {
    if (!writable_) {
        return Fail(ShownPath(storedPath_) + ": the key was opened read-only");
    }
    Connection& c = *connection_;
    WriteScope scope(c);
    if (Result<void> begun = scope.Begin(); !begun) {
        return begun.error();
    }
    if (Result<void> alive = RequireAlive(c, id_, storedPath_); !alive) {
        return alive.error();
    }
    Statement s(c.db, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
    s.Bind(1, id_);
    s.BindText(2, Fold(ToStored(name)));
    if (Result<void> ran = Run(s, c.db, "deleting a value"); !ran) {
        return ran.error();
    }
    bool deleted = sqlite3_changes(c.db) > 0;
    if (Result<void> committed = scope.Commit(); !committed) {
        return committed.error();
    }
    return deleted;
}

Result<RegKey> RegKey::OpenSubkey(std::string_view relativePath, bool write) const {
    Result<std::vector<std::string>> parts = SplitKeyPath(ToStored(relativePath), false);
    if (!parts) {
        return WithContext(parts.error(), ShownPath(storedPath_));
    }
    return OpenParts(connection_, id_, storedPath_, *parts, codePage_, write);
}

Result<RegKey> RegKey::OpenParts(std::shared_ptr<Connection> connection, int64_t startId,
                                 const std::string& startPath, const std::vector<std::string>& parts,
                                 unsigned codePage, bool write) {
    Connection& c = *connection;
    std::lock_guard lock(c.mutex);
    if (Result<void> alive = RequireAlive(c, startId, startPath); !alive) {
        return alive.error();
    }
    Result<Walk> walk = WalkPath(c, startId, startPath, parts, false);
    if (!walk) {
        return walk.error();
    }
    if (!walk->complete) {
        if (!write) {
            return Fail(ShownPath(walk->path) + ": no such key");
        }
        WriteScope scope(c);
        if (Result<void> begun = scope.Begin(); !begun) {
            return begun.error();
        }
        // Walk again inside the write: another process may have made or deleted keys meanwhile.
        if (Result<void> alive = RequireAlive(c, startId, startPath); !alive) {
            return alive.error();
        }
        walk = WalkPath(c, startId, startPath, parts, true);
        if (!walk) {
            return walk.error();
        }
        if (Result<void> committed = scope.Commit(); !committed) {
            return committed.error();
        }
    }
    return RegKey(std::move(connection), walk->id, walk->path, codePage, write);
}

// ---------------------------------------------------------------------------------------------
// Registry

Registry::Registry(std::shared_ptr<Connection> connection, std::filesystem::path dbPath, unsigned codePage)
    : connection_(std::move(connection)), dbPath_(std::move(dbPath)), codePage_(codePage) {}

Registry::~Registry() = default;

Result<std::unique_ptr<Registry>> Registry::Open(const std::filesystem::path& dbPath, unsigned codePage) {
    if (!IsKnownCodePage(codePage)) {
        return Fail("registry: unknown code page " + std::to_string(codePage));
    }
    auto connection = std::make_shared<Connection>();
    int rc = sqlite3_open_v2(dbPath.c_str(), &connection->db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = connection->db != nullptr ? sqlite3_errmsg(connection->db) : "out of memory";
        return Fail("opening " + dbPath.string() + ": " + message);
    }
    sqlite3_busy_timeout(connection->db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(connection->db, 1);
    // journal_mode answers with a row, so it is stepped rather than executed blindly. Switching a new
    // file to WAL can meet another process doing the same, and SQLite answers that with a plain
    // "busy" that its busy handler does not wait out; so it is tried again for as long as the busy
    // timeout would have waited.
    for (int waited = 0;; waited += 10) {
        Statement wal(connection->db, "PRAGMA journal_mode = WAL");
        int step = wal.Step();
        if (step == SQLITE_ROW || step == SQLITE_DONE) {
            break;
        }
        if ((step & 0xff) != SQLITE_BUSY && (step & 0xff) != SQLITE_LOCKED) {
            return WithContext(DbError(connection->db, "setting up"), dbPath.string());
        }
        if (waited >= kBusyTimeoutMs) {
            return WithContext(DbError(connection->db, "setting up"), dbPath.string());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    static constexpr const char* kSchema =
        "PRAGMA synchronous = NORMAL;"
        "BEGIN IMMEDIATE;"
        "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
        " name TEXT NOT NULL, folded TEXT NOT NULL);"
        "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_parent ON keys(parent, folded);"
        "CREATE TABLE IF NOT EXISTS vals(id INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL,"
        " name TEXT NOT NULL, folded TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
        "CREATE UNIQUE INDEX IF NOT EXISTS vals_by_key ON vals(key, folded);"
        "INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES (1, 0, '', '');"
        "COMMIT;";
    if (Result<void> made = Exec(connection->db, kSchema); !made) {
        (void)Exec(connection->db, "ROLLBACK");
        return WithContext(made.error(), dbPath.string());
    }
    return std::unique_ptr<Registry>(new Registry(std::move(connection), dbPath, codePage));
}

Result<std::unique_ptr<Registry>> Registry::WithCodePage(unsigned codePage) const {
    if (!IsKnownCodePage(codePage)) {
        return Fail("registry: unknown code page " + std::to_string(codePage));
    }
    return std::unique_ptr<Registry>(new Registry(connection_, dbPath_, codePage));
}

Result<RegKey> Registry::OpenKey(std::string_view path, bool write) const {
    Result<std::vector<std::string>> parts = SplitKeyPath(ToStoredText(path, codePage_), true);
    if (!parts) {
        return parts.error();
    }
    return RegKey::OpenParts(connection_, kRootId, "", *parts, codePage_, write);
}

std::optional<RegKey> Registry::FindKey(std::string_view path) const {
    Result<RegKey> key = OpenKey(path, false);
    return key.ok() ? std::optional<RegKey>(std::move(key).value()) : std::nullopt;
}

bool Registry::KeyExists(std::string_view path) const {
    return FindKey(path).has_value();
}

Result<void> Registry::DeleteTree(std::string_view path) {
    return DeleteKeyAt(path, true);
}

Result<void> Registry::DeleteKey(std::string_view path) {
    return DeleteKeyAt(path, false);
}

Result<void> Registry::DeleteKeyAt(std::string_view path, bool tree) {
    Result<std::vector<std::string>> parts = SplitKeyPath(ToStoredText(path, codePage_), true);
    if (!parts) {
        return parts.error();
    }
    Connection& c = *connection_;
    WriteScope scope(c);
    if (Result<void> begun = scope.Begin(); !begun) {
        return begun;
    }
    Result<Walk> walk = WalkPath(c, kRootId, "", *parts, false);
    if (!walk) {
        return walk.error();
    }
    if (!walk->complete) {
        return Fail(ShownPath(walk->path) + ": no such key");
    }
    if (!tree) {
        if (walk->id == kRootId) {
            return Fail(std::string(kHive) + " cannot be deleted");
        }
        Statement children(c.db, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
        children.Bind(1, walk->id);
        int rc = children.Step();
        if (rc == SQLITE_ROW) {
            return Fail(ShownPath(walk->path) + ": the key has subkeys");
        }
        if (rc != SQLITE_DONE) {
            return DbError(c.db, "listing subkeys");
        }
    }
    if (Result<void> deleted = DeleteKeys(c, walk->id); !deleted) {
        return deleted;
    }
    return scope.Commit();
}

Result<void> Registry::Transaction(const std::function<Result<void>()>& body) {
    WriteScope scope(*connection_);
    if (Result<void> begun = scope.Begin(); !begun) {
        return begun;
    }
    if (Result<void> done = body(); !done) {
        return done;
    }
    return scope.Commit();
}

namespace {

struct CurrentState {
    std::mutex mutex;
    std::filesystem::path dbPath;
    unsigned codePage = 0;
    dev_t device = 0;
    ino_t inode = 0;
    std::unique_ptr<Registry> registry;
};

bool SameFile(const CurrentState& state) {
    struct stat info {};
    return stat(state.dbPath.c_str(), &info) == 0 && info.st_dev == state.device &&
           info.st_ino == state.inode;
}

}  // namespace

Result<Registry*> CurrentRegistry() {
    static CurrentState state;
    unsigned codePage = SystemCodePage();  // makes the root first when it does not exist yet
    std::filesystem::path dbPath = RegistryDatabase();
    std::lock_guard lock(state.mutex);
    // A test may remove a root and make a new one in its place, so the file itself is compared too.
    if (state.registry && state.dbPath == dbPath && state.codePage == codePage && SameFile(state)) {
        return state.registry.get();
    }
    state.registry.reset();
    Result<std::unique_ptr<Registry>> opened = Registry::Open(dbPath, codePage);
    if (!opened) {
        return opened.error();
    }
    state.registry = std::move(opened).value();
    state.dbPath = dbPath;
    state.codePage = codePage;
    struct stat info {};
    if (stat(dbPath.c_str(), &info) == 0) {
        state.device = info.st_dev;
        state.inode = info.st_ino;
    }
    return state.registry.get();
}

}  // namespace platform
