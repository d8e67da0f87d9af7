#pragma once

// Small packed fixtures for the payload tests: archives in memory with a source that records every
// read, gzip members of an exact size, and fake executables carrying an archive.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fwupdate/gzip_member.h"
#include "fwupdate/payload_archive.h"
#include "fwupdate/payload_writer.h"
#include "support/temp_root.h"

namespace fwupdate_test {

// Archive bytes in memory; remembers where each read began and how many bytes it asked for.
class RecordingSource : public fwupdate::ArchiveSource {
  public:
    struct ReadCall {
        uint64_t at;
        size_t size;
    };
    explicit RecordingSource(std::string bytes) : bytes_(std::move(bytes)) {}

    size_t Read(void* buffer, size_t size) override {
        calls.push_back({position_, size});
        size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        size_t n = std::min(size, available);
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        return n;
    }
    bool Seek(uint64_t offset) override {
        position_ = offset;
        return true;
    }
    uint64_t Tell() const override { return position_; }

    // The end of the furthest byte any read asked for.
    uint64_t FurthestRequest() const {
        uint64_t furthest = 0;
        for (const ReadCall& call : calls) {
            furthest = std::max<uint64_t>(furthest, call.at + call.size);
        }
        return furthest;
    }

    std::vector<ReadCall> calls;

  private:
    std::string bytes_;
    uint64_t position_ = 0;
};

inline void AppendLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// A gzip member holding `data` in one stored deflate block: exactly data.size() + 23 bytes, so a
// test can ask for a member of an exact size.
inline std::string StoredGzipMember(const std::string& data) {
    std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x0b", 10);
    out.push_back('\x01');  // final block, stored
    uint16_t length = static_cast<uint16_t>(data.size());
    out.push_back(static_cast<char>(length & 0xFF));
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(~length & 0xFF));
    out.push_back(static_cast<char>((~length >> 8) & 0xFF));
    out += data;
    AppendLe32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                                static_cast<uInt>(data.size()))));
    AppendLe32(out, static_cast<uint32_t>(data.size()));
    return out;
}

// Deterministic bytes that do not compress.
inline std::string NoiseBytes(size_t size, uint32_t seed = 1) {
    std::string out(size, '\0');
    for (char& c : out) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

inline fwupdate::ArchiveMember Member(const std::string& name, const std::string& data) {
    std::string stored(name);
    stored += ".gz";
    return {stored, fwupdate::GzipMember(data)};
}

// The smallest file that passes for an ELF executable: the identification and zeros.
inline std::string FakeElfImage() {
    std::string image(
        "\x7f"
        "ELF\x02\x01\x01",
        7);
    image.resize(fwupdate::kExecutableHeaderSize + 100, '\0');
    return image;
}

// Writes a fake executable carrying the archive of these members and returns its path.
inline std::filesystem::path WritePackedExecutable(const std::filesystem::path& path,
                                                   const std::vector<fwupdate::ArchiveMember>& members) {
    auto packed = fwupdate::AttachArchive(FakeElfImage(), fwupdate::BuildArchive(members));
    kit_test::WriteFile(path, *packed);
    return path;
}

inline std::vector<std::string> FolderListing(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace fwupdate_test
