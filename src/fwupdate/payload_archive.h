#pragma once

// The payload archive that fwupdate carries at the end of its own executable, and its extraction.
//
// Layout (integers little-endian): "LPCK", a second copy of the magic (read, not tested), the entry
// count, then the entries without gaps. An entry is a 260-byte stored name (file name plus ".gz",
// NUL-filled), the 4-byte member size and one gzip member of that size.
//
// The archive's file offset is a 32-bit value in the executable's header: in bytes 12 to 15 of the
// ELF identification (its padding, which the kernel and the loader ignore for a program started
// directly) or, for an "MZ" image, at offset 40 inside the reserved words of the DOS header.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace fwupdate {

inline constexpr uint32_t kArchiveMagic = 0x4B43504C;  // "LPCK"
inline constexpr size_t kArchiveHeaderSize = 12;
inline constexpr size_t kStoredNameSize = 260;
inline constexpr size_t kEntryHeaderSize = kStoredNameSize + 4;
inline constexpr size_t kExecutableHeaderSize = 64;
inline constexpr size_t kElfOffsetField = 12;
inline constexpr size_t kMzOffsetField = 40;
// The copy from the archive into a member file goes in blocks of this size.
inline constexpr size_t kMemberCopyBlock = 4096;

// What extracting everything ends with. Statuses 2 and 3 exist in the table of texts only.
enum class ExtractStatus : unsigned {
    kSuccess = 0,
    kArchiveEmpty = 1,
    kBadPath = 2,
    kCannotCreateOutput = 3,
    kNotPacked = 4,
    kEntryFailed = 5,  // an entry whose stored name or header cannot be extracted safely
    kCannotOpen = 6,
};
// "Success", "Archive empty; no files to extract", ...; "" for a value outside the table.
std::string_view ExtractStatusText(ExtractStatus status);

// Where the archive offset lives in an executable header of at least 16 (ELF) or 44 ("MZ") bytes;
// nullopt for a header of neither kind.
std::optional<size_t> ArchiveOffsetField(std::string_view header);

// The archive offset of an executable file: 0 when the header holds none, nullopt when the file
// cannot be opened.
std::optional<uint32_t> ReadArchiveOffset(const std::filesystem::path& executable);

// A stored name that may be written as a file of the target folder: NUL-terminated inside its 260
// bytes, longer than ".gz" and ending in it, without "/", "\" or "..". Anything else would write
// outside the folder or produce a file the decompression step cannot name.
bool IsSafeStoredName(std::string_view storedName);
// The stored name of a 260-byte field: up to the first NUL, or the whole field when it has none.
std::string StoredNameOf(std::string_view field);
// Whether a stored name begins with the wanted name, without regard to case, over the wanted
// name's length ("ConResEn.dll" matches "ConResEn.dll.gz").
bool StoredNameMatches(std::string_view storedName, std::string_view wanted);

// The bytes the archive is read from: the executable, or a fake in tests.
class ArchiveSource {
  public:
    virtual ~ArchiveSource() = default;
    // Reads up to `size` bytes; fewer at the end of the data or on an error.
    virtual size_t Read(void* buffer, size_t size) = 0;
    virtual bool Seek(uint64_t offset) = 0;
    virtual uint64_t Tell() const = 0;
};

class FileArchiveSource : public ArchiveSource {
  public:
    // nullptr when the file cannot be opened for reading.
    static std::unique_ptr<FileArchiveSource> Open(const std::filesystem::path& path);
    ~FileArchiveSource() override;
    size_t Read(void* buffer, size_t size) override;
    bool Seek(uint64_t offset) override;
    uint64_t Tell() const override;

    explicit FileArchiveSource(std::FILE* file) : file_(file) {}
    FileArchiveSource(const FileArchiveSource&) = delete;
    FileArchiveSource& operator=(const FileArchiveSource&) = delete;

  private:
    std::FILE* file_;
};

// Extraction of members writes each member file into `folder` and decompresses it there. An error
// (the Result's) is a member that could not be decompressed: fwupdate then ends at once with status 1
// and the message on standard error (EndOnDecompressionFailure).

// Everything, in archive order. Stops at the first entry that fails.
platform::Result<ExtractStatus> ExtractAll(ArchiveSource& source, uint32_t offset,
                                           const std::filesystem::path& folder);
platform::Result<ExtractStatus> ExtractAll(const std::filesystem::path& executable, uint32_t offset,
                                           const std::filesystem::path& folder);

// The first entry whose stored name matches `name` (StoredNameMatches); the entries behind it are
// never read. The value is the full path of the decompressed file, or nullopt when the archive is
// unreadable, not an archive, has no matching entry, or the matching entry is not safe to write.
platform::Result<std::optional<std::filesystem::path>> ExtractOne(ArchiveSource& source, uint32_t offset,
                                                                  std::string_view name,
                                                                  const std::filesystem::path& folder);
// The same from the executable at its own archive offset (none: nullopt).
platform::Result<std::optional<std::filesystem::path>> ExtractOne(const std::filesystem::path& executable,
                                                                  std::string_view name,
                                                                  const std::filesystem::path& folder);

// One entry as listed by `fwpack --list`.
struct ArchiveEntryInfo {
    std::string storedName;
    uint32_t memberSize = 0;
    std::optional<uint32_t> originalSize;  // the member's ISIZE trailer, when the member is long enough
};
// The entries of the archive without extracting them. Fails for a wrong magic or a truncated entry.
platform::Result<std::vector<ArchiveEntryInfo>> ListArchive(ArchiveSource& source, uint32_t offset);

}  // namespace fwupdate
