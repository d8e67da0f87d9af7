#include "drvsetup/config/archiver.h"

#include <zip.h>

#include <filesystem>

#include "platform/paths.h"

namespace drvsetup {

using platform::Fail;
using platform::Result;

namespace {

std::string ArchiveError(zip_t* archive) {
    return zip_strerror(archive);
}

std::string OpenError(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::filesystem::path InFolder(const std::string& folder, std::string_view name) {
    return platform::NativePath(folder) / std::string(name);
}

}  // namespace

bool IsPlainEntryName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of("/\\:") == std::string_view::npos;
}

Archiver::Archiver() = default;

Archiver::~Archiver() {
    Discard();
}

Result<void> Archiver::Open(int flags) {
    Discard();
    int code = 0;
    zip_t* archive = zip_open(platform::NativePath(fileName_).c_str(), flags, &code);
    if (archive == nullptr) {
        return Fail("opening archive " + fileName_ + ": " + OpenError(code));
    }
    archive_ = archive;
    if (!password_.empty() && zip_set_default_password(archive_, password_.c_str()) != 0) {
        Result<void> failure = Fail("setting the archive password: " + ArchiveError(archive_));
        Discard();
        return failure;
    }
    return {};
}

Result<void> Archiver::Create() {
    return Open(ZIP_CREATE | ZIP_TRUNCATE);
}

Result<void> Archiver::OpenForReading() {
    return Open(ZIP_RDONLY | ZIP_CHECKCONS);
}

Result<void> Archiver::OpenForWriting() {
    return Open(ZIP_CREATE | ZIP_CHECKCONS);
}

std::vector<std::string> Archiver::EntryNames() const {
    std::vector<std::string> names;
    if (archive_ == nullptr) {
        return names;
    }
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (name != nullptr) {
            names.emplace_back(name);
        }
    }
    return names;
}

Result<void> Archiver::AddFile(std::string_view name) {
    if (archive_ == nullptr) {
        return Fail("adding " + std::string(name) + ": no archive is open");
    }
    if (!IsPlainEntryName(name)) {
        return Fail("adding " + std::string(name) + ": not a plain file name");
    }
    std::string content;
    if (!platform::ReadWholeFile(InFolder(baseFolder_, name), content)) {
        return Fail("adding " + std::string(name) + ": the file cannot be read");
    }
    return AddContent(name, std::move(content));
}

Result<void> Archiver::AddContent(std::string_view name, std::string bytes) {
    if (archive_ == nullptr) {
        return Fail("adding " + std::string(name) + ": no archive is open");
    }
    if (!IsPlainEntryName(name)) {
        return Fail("adding " + std::string(name) + ": not a plain file name");
    }
    auto content = std::make_unique<std::string>(std::move(bytes));
    zip_source_t* source = zip_source_buffer(archive_, content->data(), content->size(), 0);
    if (source == nullptr) {
        return Fail("adding " + std::string(name) + ": " + ArchiveError(archive_));
    }
    const std::string entryName(name);
    // libzip compresses an entry replaced in place at its default, slowest level whatever is set
    // below. The last entry is deleted and added afresh instead, which keeps the order of entries.
    const zip_int64_t old = zip_name_locate(archive_, entryName.c_str(), ZIP_FL_ENC_CP437);
    if (old >= 0 && old + 1 == zip_get_num_entries(archive_, 0) &&
        zip_delete(archive_, static_cast<zip_uint64_t>(old)) != 0) {
        zip_source_free(source);
        return Fail("replacing " + entryName + ": " + ArchiveError(archive_));
    }
    const zip_int64_t index =
        zip_file_add(archive_, entryName.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_CP437);
    if (index < 0) {
        zip_source_free(source);
        return Fail("adding " + entryName + ": " + ArchiveError(archive_));
    }
    pending_.push_back(std::move(content));
    const auto entry = static_cast<zip_uint64_t>(index);
    // The fastest level: the database is small and saved often.
    if (zip_set_file_compression(archive_, entry, ZIP_CM_DEFLATE, 1) != 0) {
        return Fail("adding " + entryName + ": " + ArchiveError(archive_));
    }
    const zip_uint16_t method = encryption_ == Encryption::Aes256 ? ZIP_EM_AES_256 : ZIP_EM_TRAD_PKWARE;
    if (!password_.empty() && zip_file_set_encryption(archive_, entry, method, password_.c_str()) != 0) {
        return Fail("encrypting " + entryName + ": " + ArchiveError(archive_));
    }
    return {};
}

Result<void> Archiver::Extract(std::string_view name) {
    const std::string entryName(name);
    if (archive_ == nullptr) {
        return Fail("extracting " + entryName + ": no archive is open");
    }
    if (!IsPlainEntryName(name)) {
        return Fail("extracting " + entryName + ": not a plain file name");
    }
    const zip_int64_t index = zip_name_locate(archive_, entryName.c_str(), ZIP_FL_ENC_RAW);
    if (index < 0) {
        return Fail("extracting " + entryName + ": no such entry");
    }
    const auto entry = static_cast<zip_uint64_t>(index);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_, entry, 0, &stat) != 0) {
        return Fail("extracting " + entryName + ": " + ArchiveError(archive_));
    }
    if ((stat.valid & ZIP_STAT_SIZE) != 0 && stat.size > kMaxEntrySize) {
        return Fail("extracting " + entryName + ": the entry is too large");
    }
    // libzip leaks part of its reader when it is asked to open an entry whose encryption it does not
    // know, so such an entry is refused before it is opened.
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 &&
        zip_encryption_method_supported(stat.encryption_method, 0) == 0) {
        return Fail("extracting " + entryName + ": the encryption method is not supported");
    }
    zip_file_t* file = zip_fopen_index(archive_, entry, 0);
    if (file == nullptr) {
        return Fail("extracting " + entryName + ": " + ArchiveError(archive_));
    }
    std::string content;
    char buffer[65536];
    Result<void> result;
    for (;;) {
        const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
        if (got < 0) {
            result = Fail("extracting " + entryName + ": " + zip_file_strerror(file));
            break;
        }
        if (got == 0) {
            break;
        }
        // The stored size may lie; the limit holds for what is actually inflated.
        if (content.size() + static_cast<uint64_t>(got) > kMaxEntrySize) {
            result = Fail("extracting " + entryName + ": the entry is too large");
            break;
        }
        content.append(buffer, static_cast<size_t>(got));
    }
    zip_fclose(file);
    if (!result) {
        return result;
    }
    if (!platform::WriteFileAtomically(InFolder(baseFolder_, name), content)) {
        return Fail("extracting " + entryName + ": the file cannot be written");
    }
    return {};
}

Result<void> Archiver::Close() {
    if (archive_ == nullptr) {
        return {};
    }
    if (zip_close(archive_) != 0) {
        Result<void> failure = Fail("writing archive " + fileName_ + ": " + ArchiveError(archive_));
        Discard();
        return failure;
    }
    archive_ = nullptr;
    pending_.clear();
    return {};
}

void Archiver::Discard() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
        archive_ = nullptr;
    }
    pending_.clear();
}

}  // namespace drvsetup
