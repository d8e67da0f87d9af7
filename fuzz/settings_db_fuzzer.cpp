// The settings database archive over any bytes: loading it never leaves a product without records
// nor writes outside the working folder, and saving what was loaded gives an archive that loads again
// to the same database.

#include <cstddef>
#include <cstdint>
#include <string>

#include "drvsetup/config/archiver.h"
#include "drvsetup/config/vexa_db_file.h"
#include "fuzz_support.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

void CheckProducts(const drvsetup::VexaDbFile& db) {
    for (int32_t product : drvsetup::VexaDbFile::KnownProducts()) {
        const drvsetup::VexaDbFile::RecordGroup* group = db.Group(product);
        if (group == nullptr || group->empty()) {
            kit_fuzz::Fail("a known product has no record");
        }
    }
}

void CheckKitFolder(const fs::path& kit) {
    for (const fs::directory_entry& entry : fs::directory_iterator(kit)) {
        const std::string name = entry.path().filename().string();
        if (name != drvsetup::kSettingsDbArchive && name != drvsetup::kSettingsDbBackup) {
            kit_fuzz::Fail("loading or saving left a stray file beside the archive");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path kit = kit_fuzz::FreshFolder("kit");
    platform::SetExecutablePath((kit / "drvsetup").string());
    const fs::path working = drvsetup::VexaDbFile::WorkingFolder();
    std::error_code error;
    fs::remove_all(working, error);
    if (!kit_fuzz::WriteBytes(kit / drvsetup::kSettingsDbArchive, kit_fuzz::AsText(data, size))) {
        kit_fuzz::Fail("cannot write the archive");
    }

    std::string text;
    {
        drvsetup::Archiver archiver;
        drvsetup::VexaDbFile db(archiver);
        CheckProducts(db);
        if (fs::exists(working) && !fs::is_empty(working)) {
            kit_fuzz::Fail("loading left files in the working folder");
        }
        CheckKitFolder(kit);
        if (db.ArchiveUnreadable()) {
            // Unreadable archives are set aside by Save; the unit tests cover that, and skipping
            // it here keeps the runs fast enough to explore the archive reader.
            return 0;
        }
        text = db.FileText();
        if (!db.Save().ok()) {
            kit_fuzz::Fail("saving a loaded database fails");
        }
        CheckKitFolder(kit);
    }
    drvsetup::Archiver archiver;
    drvsetup::VexaDbFile reloaded(archiver);
    if (reloaded.ArchiveUnreadable()) {
        kit_fuzz::Fail("a saved archive does not load");
    }
    if (reloaded.FileText() != text) {
        kit_fuzz::Fail("a saved database loads differently");
    }
    return 0;
}
