#include "fwupdate/payload_writer.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "fwupdate/gzip_member.h"
#include "fwupdate/payload_archive.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace fwupdate {

namespace {

void PutLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void SetLe32(std::string& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

uint32_t GetLe32(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

std::string CheckPackedName(std::string_view name) {
    if (name.empty()) {
        return "empty file name";
    }
    if (name.size() > kMaxPackedNameLength) {
        return "file name longer than " + std::to_string(kMaxPackedNameLength) + " characters";
    }
    if (name.find_first_of("/\\") != std::string_view::npos) {
        return "file name holds a path separator";
    }
    if (name.find("..") != std::string_view::npos) {
        return "file name holds \"..\", which fwupdate refuses to extract";
    }
    if (name.find('\0') != std::string_view::npos) {
        return "file name holds a NUL";
    }
    return {};
}

void SortPayloadFiles(std::vector<PayloadFile>& files) {
    std::sort(files.begin(), files.end(), [](const PayloadFile& a, const PayloadFile& b) {
        std::string fa = Folded(a.name);
        std::string fb = Folded(b.name);
        return fa != fb ? fa < fb : a.name < b.name;
    });
}

std::vector<ArchiveMember> MembersOf(const std::vector<PayloadFile>& files) {
    std::vector<ArchiveMember> members;
    members.reserve(files.size());
    for (const PayloadFile& file : files) {
        std::string storedName(file.name);
        storedName += ".gz";
        members.push_back({std::move(storedName), GzipMember(file.data)});
    }
    return members;
}

std::string BuildArchive(const std::vector<ArchiveMember>& members) {
    std::string out;
    PutLe32(out, kArchiveMagic);
    PutLe32(out, kArchiveMagic);
    PutLe32(out, static_cast<uint32_t>(members.size()));
    for (const ArchiveMember& member : members) {
        std::string field = member.storedName.substr(0, kStoredNameSize - 1);
        field.resize(kStoredNameSize, '\0');
        out += field;
        PutLe32(out, static_cast<uint32_t>(member.member.size()));
        out += member.member;
    }
    return out;
}

platform::Result<std::string> AttachArchive(std::string image, std::string_view archive) {
    auto field = ArchiveOffsetField(image);
    if (!field) {
        return platform::Fail("not an executable image (neither ELF nor MZ)");
    }
    uint32_t oldOffset = GetLe32(image, *field);
    if (oldOffset >= kExecutableHeaderSize && oldOffset + size_t{4} <= image.size() &&
        GetLe32(image, oldOffset) == kArchiveMagic) {
        image.resize(oldOffset);
    }
    if (image.size() > std::numeric_limits<uint32_t>::max()) {
        return platform::Fail("executable image too large for a 32-bit archive offset");
    }
    SetLe32(image, *field, static_cast<uint32_t>(image.size()));
    image.append(archive);
    return image;
}

platform::Result<std::vector<PayloadFile>> ReadPayloadFolder(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        return platform::Fail(folder.string() + ": " + ec.message());
    }
    std::vector<PayloadFile> files;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            return platform::Fail(folder.string() + ": " + ec.message());
        }
        std::string name = it->path().filename().string();
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc)) {
            return platform::Fail(it->path().string() + ": not a regular file; only files are packed");
        }
        if (std::string why = CheckPackedName(name); !why.empty()) {
            return platform::Fail(it->path().string() + ": " + why);
        }
        PayloadFile file{name, {}};
        if (!platform::ReadWholeFile(it->path(), file.data)) {
            return platform::Fail(it->path().string() + ": cannot be read");
        }
        if (file.data.size() > kMaxPackedFileSize) {
            return platform::Fail(it->path().string() + ": too large for a 32-bit member size");
        }
        files.push_back(std::move(file));
    }
    SortPayloadFiles(files);
    return files;
}

}  // namespace fwupdate
