#pragma once

// The settings database: the generator's library of hardware setting records, grouped by product
// number and kept as "vSettingDb.ini" inside the password-protected archive "vSettingDb._bin" next to
// the executable, merged with the products the registry lists. Every known product has at least one
// record after loading. An archive that cannot be read is reported, set aside as "vSettingDb._bin.bak"
// on the next Save, and replaced; the database then starts from the registry and the defaults.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "drvsetup/config/hw_setting.h"
#include "platform/result.h"

namespace drvsetup {

class Archiver;

inline constexpr const char* kSettingsDbArchive = "vSettingDb._bin";
inline constexpr const char* kSettingsDbBackup = "vSettingDb._bin.bak";
inline constexpr const char* kSettingsDbEntry = "vSettingDb.ini";
inline constexpr const char* kSettingsDbPassword = "7093";
inline constexpr const char* kUnzipFailedText = "Can't find UnZip Ini file";

class VexaDbFile {
  public:
    // Records of one product by name, in byte order of the names.
    using RecordGroup = std::map<std::string, std::unique_ptr<HwSettingIO>, std::less<>>;
    // Called between records while loading, so the window can process its pending events.
    using EventPump = std::function<void()>;

    // Imports the registry products, then the archive. The archiver is borrowed and must outlive the
    // database; the database sets its file name, base folder and password.
    explicit VexaDbFile(Archiver& archiver, EventPump pump = {});
    ~VexaDbFile();
    VexaDbFile(const VexaDbFile&) = delete;
    VexaDbFile& operator=(const VexaDbFile&) = delete;

    // Files the record under its name; false (and the record is dropped) when the name is taken.
    bool Add(int32_t product, std::unique_ptr<HwSettingIO> record);
    // Copies the record's values into the record of the same name, or files a copy of it.
    void Update(int32_t product, const IVexaSetting& record);
    // Removes a record; a product left without records gets one with its defaults.
    void Remove(int32_t product, std::string_view name);
    // DbHw_Selected := value on every record of the product, or of every product for -1.
    void SetDbHwSelected(int32_t product, int32_t value);
    HwSettingIO* Find(int32_t product, std::string_view name) const;
    const RecordGroup* Group(int32_t product) const;
    const std::map<int32_t, RecordGroup>& Groups() const { return groups_; }

    // Writes every record (but those named "unknown") into the archive.
    platform::Result<void> Save();

    // The content of "vSettingDb.ini" as Save writes it.
    std::string FileText() const;
    // Whether the archive was there but could not be read when the database was created.
    bool ArchiveUnreadable() const { return archiveUnreadable_; }

    static std::filesystem::path WorkingFolder();
    static std::filesystem::path ArchivePath();

    // The products that always have records, in the order they are filled in.
    static const std::vector<int32_t>& KnownProducts();

  private:
    void ImportRegistry();
    void ImportArchive();
    void LoadWorkingFile(const std::filesystem::path& workingFile);
    void FillMissingProducts();
    void Pump();

    Archiver& archiver_;
    EventPump pump_;
    std::map<int32_t, RecordGroup> groups_;
    bool archiveUnreadable_ = false;
};

}  // namespace drvsetup
