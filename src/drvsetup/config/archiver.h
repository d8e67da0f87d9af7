#pragma once

// The password-protected ZIP archive the settings database lives in. One archive is open at a time;
// entries are written with traditional PKWARE encryption, so any common unzip tool opens them with the
// password, and entries encrypted either that way or with AES are read back. Changes reach the disk
// only on Close, which writes a complete new archive beside the old one and then renames it over, so an
// interrupted write leaves the old archive as it was.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

struct zip;

namespace drvsetup {

class Archiver {
  public:
    Archiver();
    ~Archiver();
    Archiver(const Archiver&) = delete;
    Archiver& operator=(const Archiver&) = delete;

    void SetFileName(std::string path) { fileName_ = std::move(path); }
    const std::string& FileName() const { return fileName_; }
    // The folder that AddFile reads from and Extract writes into.
    void SetBaseFolder(std::string folder) { baseFolder_ = std::move(folder); }
    const std::string& BaseFolder() const { return baseFolder_; }
    void SetPassword(std::string password) { password_ = std::move(password); }
    const std::string& Password() const { return password_; }
    // How added entries are encrypted; traditional PKWARE unless told otherwise.
    enum class Encryption : uint8_t { TraditionalPkware, Aes256 };
    void SetEncryption(Encryption method) { encryption_ = method; }

    // A new, empty archive that replaces the file on Close.
    platform::Result<void> Create();
    platform::Result<void> OpenForReading();
    // An existing archive to extend, or a new one when the file does not exist yet.
    platform::Result<void> OpenForWriting();
    bool IsOpen() const { return archive_ != nullptr; }

    std::vector<std::string> EntryNames() const;
    // Adds base folder + name as the entry `name`, replacing an entry of that name.
    platform::Result<void> AddFile(std::string_view name);
    // The same with the file's content given, for a caller that has just written it.
    platform::Result<void> AddContent(std::string_view name, std::string content);
    // Writes the entry `name` to base folder + name. Only plain file names are taken: a name with a
    // folder, a drive or ".." is refused, so an archive cannot place files outside the base folder.
    platform::Result<void> Extract(std::string_view name);

    // Writes the changes (if any) and closes; on failure the archive on disk is unchanged.
    platform::Result<void> Close();
    // Closes without writing.
    void Discard();

    // Entries larger than this are refused when extracting, so a crafted archive cannot fill the disk.
    static constexpr uint64_t kMaxEntrySize = uint64_t{256} << 20;

  private:
    platform::Result<void> Open(int flags);

    zip* archive_ = nullptr;
    std::string fileName_;
    std::string baseFolder_;
    std::string password_;
    Encryption encryption_ = Encryption::TraditionalPkware;
    // Contents of added files, kept until Close because the archive reads them only then.
    std::vector<std::unique_ptr<std::string>> pending_;
};

// Whether an entry name is a plain file name (no folder part, no drive, not "." or "..").
bool IsPlainEntryName(std::string_view name);

}  // namespace drvsetup
