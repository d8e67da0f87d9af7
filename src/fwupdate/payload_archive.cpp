#include "fwupdate/payload_archive.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "fwupdate/gzip_member.h"
#include "platform/ascii.h"

namespace fs = std::filesystem;

namespace fwupdate {

// The unpacker's signature, kept in the executable's data as the delivered updater has it.
[[gnu::used]] extern const char kUnpackerSignature[] = "UnPaCkErSiG@Version 1.10";

namespace {

constexpr std::string_view kStatusTexts[] = {
    "Success",
    "Archive empty; no files to extract",
    "Error in supplied Path",
    "Could not create output archive file",
    "Not a valid packed file",
    "Failed while extracting one of the files",
    "Input archive file failed to open",
};

uint32_t Le32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

bool ReadLe32(ArchiveSource& source, uint32_t& value) {
    unsigned char bytes[4];
    if (source.Read(bytes, 4) != 4) {
        return false;
    }
    value = Le32(bytes);
    return true;
}

struct EntryHeader {
    std::string storedName;
    uint32_t memberSize = 0;
};

std::optional<EntryHeader> ReadEntryHeader(ArchiveSource& source) {
    std::array<unsigned char, kEntryHeaderSize> bytes;
    if (source.Read(bytes.data(), bytes.size()) != bytes.size()) {
        return std::nullopt;
    }
    EntryHeader header;
    header.storedName =
        StoredNameOf(std::string_view(reinterpret_cast<const char*>(bytes.data()), kStoredNameSize));
    header.memberSize = Le32(bytes.data() + kStoredNameSize);
    return header;
}

// Reads the archive header; the count, or nullopt when the magic is wrong or the header is cut short.
std::optional<uint32_t> ReadArchiveHeader(ArchiveSource& source, uint32_t offset) {
    if (offset != 0 && !source.Seek(offset)) {
        return std::nullopt;
    }
    uint32_t magic = 0;
    uint32_t secondMagic = 0;
    uint32_t count = 0;
    if (!ReadLe32(source, magic) || magic != kArchiveMagic) {
        return std::nullopt;
    }
    if (!ReadLe32(source, secondMagic) || !ReadLe32(source, count)) {
        return std::nullopt;
    }
    return count;
}

// Copies exactly the member's bytes into a new file, stopping early only at the end of the data: a
// truncated member gives a short file that the decompression then rejects.
bool CopyMember(ArchiveSource& source, uint32_t size, const fs::path& target) {
    std::FILE* out = std::fopen(target.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::array<char, kMemberCopyBlock> buffer;
    bool ok = true;
    uint32_t remaining = size;
    while (remaining > 0) {
        size_t want = std::min<size_t>(remaining, buffer.size());
        size_t got = source.Read(buffer.data(), want);
        if (got > 0 && std::fwrite(buffer.data(), 1, got, out) != got) {
            ok = false;
            break;
        }
        if (got < want) {
            break;
        }
        remaining -= static_cast<uint32_t>(got);
    }
    if (std::fclose(out) != 0) {
        ok = false;
    }
    return ok;
}

// Writes one member into the folder and decompresses it; the path of the decompressed file.
platform::Result<fs::path> ExtractEntry(ArchiveSource& source, const EntryHeader& entry,
                                        const fs::path& folder) {
    fs::path memberPath = folder / entry.storedName;
    std::string memberName = memberPath.string();
    if (!CopyMember(source, entry.memberSize, memberPath)) {
        // Reported as the system reports the file, like an output the decompression cannot create.
        std::string text(memberName);
        text += ": ";
        text += std::strerror(errno);
        return platform::Fail(std::move(text));
    }
    if (auto done = DecompressMember(memberName); !done) {
        return done.error();
    }
    memberName.resize(memberName.size() - 3);
    return fs::path(memberName);
}

fs::path FolderOrCurrent(const fs::path& folder) {
    std::error_code ec;
    fs::path absolute = fs::absolute(folder.empty() ? fs::path(".") : folder, ec);
    return ec ? folder : absolute.lexically_normal();
}

}  // namespace

std::string_view ExtractStatusText(ExtractStatus status) {
    auto index = static_cast<size_t>(status);
    return index < std::size(kStatusTexts) ? kStatusTexts[index] : std::string_view();
}

std::optional<size_t> ArchiveOffsetField(std::string_view header) {
    if (header.size() >= kElfOffsetField + 4 && header.substr(0, 4) ==
                                                    "\x7f"
                                                    "ELF") {
        return kElfOffsetField;
    }
    if (header.size() >= kMzOffsetField + 4 && header.substr(0, 2) == "MZ") {
        return kMzOffsetField;
    }
    return std::nullopt;
}

std::optional<uint32_t> ReadArchiveOffset(const fs::path& executable) {
    auto source = FileArchiveSource::Open(executable);
    if (!source) {
        return std::nullopt;
    }
    std::array<char, kExecutableHeaderSize> header{};
    size_t got = source->Read(header.data(), header.size());
    std::string_view view(header.data(), got);
    auto field = ArchiveOffsetField(view);
    if (!field) {
        return 0;
    }
    return Le32(reinterpret_cast<const unsigned char*>(view.data() + *field));
}

std::string StoredNameOf(std::string_view field) {
    return std::string(field.substr(0, field.find('\0')));
}

bool IsSafeStoredName(std::string_view storedName) {
    if (storedName.size() <= 3 || storedName.size() >= kStoredNameSize || !storedName.ends_with(".gz")) {
        return false;
    }
    if (storedName.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
        return false;
    }
    return storedName.find("..") == std::string_view::npos;
}

bool StoredNameMatches(std::string_view storedName, std::string_view wanted) {
    if (storedName.size() < wanted.size()) {
        return false;
    }
    return platform::EqualsNoCase(storedName.substr(0, wanted.size()), wanted);
}

std::unique_ptr<FileArchiveSource> FileArchiveSource::Open(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return nullptr;
    }
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        std::fclose(file);
        return nullptr;
    }
    return std::make_unique<FileArchiveSource>(file);
}

FileArchiveSource::~FileArchiveSource() {
    std::fclose(file_);
}

size_t FileArchiveSource::Read(void* buffer, size_t size) {
    return std::fread(buffer, 1, size, file_);
}

bool FileArchiveSource::Seek(uint64_t offset) {
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
}

uint64_t FileArchiveSource::Tell() const {
    off_t position = ftello(file_);
    return position < 0 ? 0 : static_cast<uint64_t>(position);
}

platform::Result<ExtractStatus> ExtractAll(ArchiveSource& source, uint32_t offset, const fs::path& folder) {
    auto count = ReadArchiveHeader(source, offset);
    if (!count) {
        return ExtractStatus::kNotPacked;
    }
    if (*count == 0) {
        return ExtractStatus::kArchiveEmpty;
    }
    fs::path target = FolderOrCurrent(folder);
    for (uint32_t i = 0; i < *count; ++i) {
        auto entry = ReadEntryHeader(source);
        if (!entry || !IsSafeStoredName(entry->storedName)) {
            return ExtractStatus::kEntryFailed;
        }
        if (auto written = ExtractEntry(source, *entry, target); !written) {
            return written.error();
        }
    }
    return ExtractStatus::kSuccess;
}

platform::Result<ExtractStatus> ExtractAll(const fs::path& executable, uint32_t offset,
                                           const fs::path& folder) {
    auto source = FileArchiveSource::Open(executable);
    if (!source) {
        return ExtractStatus::kCannotOpen;
    }
    return ExtractAll(*source, offset, folder);
}

platform::Result<std::optional<fs::path>> ExtractOne(ArchiveSource& source, uint32_t offset,
                                                     std::string_view name, const fs::path& folder) {
    using Found = std::optional<fs::path>;
    auto count = ReadArchiveHeader(source, offset);
    if (!count || name.empty()) {
        return Found();
    }
    for (uint32_t i = 0; i < *count; ++i) {
        auto entry = ReadEntryHeader(source);
        if (!entry) {
            return Found();
        }
        if (StoredNameMatches(entry->storedName, name)) {
            if (!IsSafeStoredName(entry->storedName)) {
                return Found();
            }
            auto written = ExtractEntry(source, *entry, FolderOrCurrent(folder));
            if (!written) {
                return written.error();
            }
            return Found(std::move(*written));
        }
        if (!source.Seek(source.Tell() + entry->memberSize)) {
            return Found();
        }
    }
    return Found();
}

platform::Result<std::optional<fs::path>> ExtractOne(const fs::path& executable, std::string_view name,
                                                     const fs::path& folder) {
    using Found = std::optional<fs::path>;
    auto offset = ReadArchiveOffset(executable);
    if (!offset || *offset == 0) {
        return Found();
    }
    auto source = FileArchiveSource::Open(executable);
    if (!source) {
        return Found();
    }
    return ExtractOne(*source, *offset, name, folder);
}

platform::Result<std::vector<ArchiveEntryInfo>> ListArchive(ArchiveSource& source, uint32_t offset) {
    auto count = ReadArchiveHeader(source, offset);
    if (!count) {
        return platform::Fail("not a packed file (no \"LPCK\" at the archive offset)");
    }
    std::vector<ArchiveEntryInfo> entries;
    for (uint32_t i = 0; i < *count; ++i) {
        auto header = ReadEntryHeader(source);
        if (!header) {
            return platform::Fail("entry " + std::to_string(i + 1) + " of " + std::to_string(*count) +
                                  " is cut short");
        }
        ArchiveEntryInfo info{header->storedName, header->memberSize, std::nullopt};
        uint64_t memberStart = source.Tell();
        uint64_t memberEnd = memberStart + header->memberSize;
        if (header->memberSize >= 18 && source.Seek(memberEnd - 4)) {
            uint32_t isize = 0;
            if (ReadLe32(source, isize)) {
                info.originalSize = isize;
            }
        }
        // The member must end inside the file; a seek past the end alone would not tell.
        unsigned char probe;
        if (header->memberSize > 0 && (!source.Seek(memberEnd - 1) || source.Read(&probe, 1) != 1)) {
            return platform::Fail(header->storedName + ": member cut short");
        }
        if (!source.Seek(memberEnd)) {
            return platform::Fail(header->storedName + ": member cut short");
        }
        entries.push_back(std::move(info));
    }
    return entries;
}

}  // namespace fwupdate
