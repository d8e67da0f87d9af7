#pragma once

// Building a payload archive and attaching it to an executable: what `fwpack` does, kept beside the
// reader so that both follow one layout (fwupdate/payload_archive.h).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace fwupdate {

// Longest file name the packer takes: the stored name adds ".gz" and a NUL within 260 bytes.
inline constexpr size_t kMaxPackedNameLength = 255;
// Largest file the packer takes, leaving room for the gzip framing within a 32-bit member size.
inline constexpr size_t kMaxPackedFileSize = 0xFFF00000;

struct PayloadFile {
    std::string name;  // the file name, no folder
    std::string data;  // the file's bytes
};

struct ArchiveMember {
    std::string storedName;  // "name.gz"
    std::string member;      // the gzip member (or any bytes, for tests of damaged archives)
};

// Why a file name cannot be packed (too long, a path separator, "..", empty), or "" when it can.
std::string CheckPackedName(std::string_view name);

// Sorts by name without regard to case (ties by the bytes, so the order never depends on the input).
void SortPayloadFiles(std::vector<PayloadFile>& files);

// Gzips each file into a member named name + ".gz", in the given order.
std::vector<ArchiveMember> MembersOf(const std::vector<PayloadFile>& files);

// The archive bytes for these members, in the given order: "LPCK" twice, the count, the entries.
// Stored names longer than 259 bytes are cut (tests use this for hostile names; fwpack checks first).
std::string BuildArchive(const std::vector<ArchiveMember>& members);

// Appends the archive to an executable image and writes its offset into the header. An image that
// already carries an archive (its offset names an "LPCK" inside the image) has it replaced. Fails for
// an image that is neither ELF nor "MZ", or too large for a 32-bit offset.
platform::Result<std::string> AttachArchive(std::string image, std::string_view archive);

// Reads a payload folder: every regular file, sorted (SortPayloadFiles). Fails for a name that
// cannot be packed, a subfolder, or a file that cannot be read.
platform::Result<std::vector<PayloadFile>> ReadPayloadFolder(const std::filesystem::path& folder);

}  // namespace fwupdate
