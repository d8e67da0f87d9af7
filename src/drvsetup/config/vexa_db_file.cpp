#include "drvsetup/config/vexa_db_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "drvsetup/config/archiver.h"
#include "drvsetup/config/reg_data.h"
#include "drvsetup/config/setup_ini_lines.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/setup_key_table.h"
#include "drvsetup/device/product_tables.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/system_root.h"

namespace drvsetup {

namespace {

// Which bit of a hardware table entry sets which key.
enum class EntryByte : uint8_t { Flags1, Flags2, Eeprom };

struct EntryBit {
    const char* key;
    EntryByte byte;
    uint8_t mask;
};

constexpr std::array kEntryBits{
    EntryBit{"SoundCardAudioAvailable", EntryByte::Flags1, kHwSoundCardAudio},
    EntryBit{"UsbPciAudioAvailable", EntryByte::Flags1, kHwUsbPciAudio},
    EntryBit{"DvbtAvailable", EntryByte::Flags1, kHwDvbt},
    EntryBit{"TunerAvailable", EntryByte::Flags1, kHwTuner},
    EntryBit{"AtscAvailable", EntryByte::Flags1, kHwAtsc},
    EntryBit{"Dvbt2Available", EntryByte::Flags1, kHwDvbt2},
    EntryBit{"FmAvailable", EntryByte::Flags2, kHwFm},
    EntryBit{"Av1Available", EntryByte::Flags2, kHwAv1},
    EntryBit{"Av2Available", EntryByte::Flags2, kHwAv2},
    EntryBit{"Svhs1Available", EntryByte::Flags2, kHwSvhs1},
    EntryBit{"Svhs2Available", EntryByte::Flags2, kHwSvhs2},
    EntryBit{"testCheckEprom", EntryByte::Eeprom, kHwEepromCheck},
};

uint8_t ByteOf(const HardwareEntry& entry, EntryByte byte) {
    switch (byte) {
        case EntryByte::Flags1:
            return entry.flags1;
        case EntryByte::Flags2:
            return entry.flags2;
        case EntryByte::Eeprom:
            return entry.eeprom;
    }
    return 0;
}

std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

bool NamedUnknown(std::string_view name) {
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper.find("UNKNOWN") != std::string::npos;
}

std::unique_ptr<HwSettingIO> RecordFromEntry(const HardwareEntry& entry) {
    auto record = std::make_unique<HwSettingIO>(entry.product, entry.product);
    record->SetString(key::hwVidPidDescription, Hex8(entry.vidPid));
    record->SetString(key::hwSubSystemId, Hex8(entry.subsystem));
    for (const EntryBit& bit : kEntryBits) {
        const SetupKey* setupKey = FindSetupKeyByText(bit.key);
        if (setupKey != nullptr) {
            record->SetString(setupKey->id, (ByteOf(entry, bit.byte) & bit.mask) != 0 ? "1" : "0");
        }
    }
    record->SetString(key::oemDescription, OemName(entry.oemIndex));
    record->SetName(entry.name);
    return record;
}

}  // namespace

const std::vector<int32_t>& VexaDbFile::KnownProducts() {
    static const std::vector<int32_t> products{111, 112, 222, 150, 160, 800, 600, 608, 680, 835, 6801, 6601,
                                               101, 880, 850, 855, 602, 618, 660, 400, 301, 302, 881,  3001,
                                               700, 701, 720, 718, 670, 330, 655, 770, 870, 370, 310};
    return products;
}

std::filesystem::path VexaDbFile::WorkingFolder() {
    const std::filesystem::path common = platform::CommonAppDataFolder();
    if (common.empty()) {
        // Without the common folder the working files land beside the current folder.
        return std::filesystem::path("ErrorvSettingDb");
    }
    return common / "vSettingDb";
}

std::filesystem::path VexaDbFile::ArchivePath() {
    return platform::NativePath(platform::ExecutableFolder()) / kSettingsDbArchive;
}

VexaDbFile::VexaDbFile(Archiver& archiver, EventPump pump) : archiver_(archiver), pump_(std::move(pump)) {
    ImportRegistry();
    ImportArchive();
}

VexaDbFile::~VexaDbFile() = default;

void VexaDbFile::Pump() {
    if (pump_) {
        pump_();
    }
}

bool VexaDbFile::Add(int32_t product, std::unique_ptr<HwSettingIO> record) {
    if (!record) {
        return false;
    }
    RecordGroup& group = groups_[product];
    std::string name = record->GetName();
    return group.try_emplace(std::move(name), std::move(record)).second;
}

void VexaDbFile::Update(int32_t product, const IVexaSetting& record) {
    if (HwSettingIO* existing = Find(product, record.GetName())) {
        existing->CopyFrom(record);
        return;
    }
    Add(product, std::make_unique<HwSettingIO>(record));
}

void VexaDbFile::Remove(int32_t product, std::string_view name) {
    auto group = groups_.find(product);
    if (group == groups_.end()) {
        return;
    }
    auto record = group->second.find(name);
    if (record == group->second.end()) {
        return;
    }
    group->second.erase(record);
    if (group->second.empty()) {
        Add(product, std::make_unique<HwSettingIO>(product, product));
    }
}

void VexaDbFile::SetDbHwSelected(int32_t product, int32_t value) {
    for (auto& [number, group] : groups_) {
        if (product != -1 && number != product) {
            continue;
        }
        for (auto& entry : group) {
            entry.second->SetInt(key::DbHw_Selected, value);
        }
    }
}

HwSettingIO* VexaDbFile::Find(int32_t product, std::string_view name) const {
    const RecordGroup* group = Group(product);
    if (group == nullptr) {
        return nullptr;
    }
    auto record = group->find(name);
    return record == group->end() ? nullptr : record->second.get();
}

const VexaDbFile::RecordGroup* VexaDbFile::Group(int32_t product) const {
    auto group = groups_.find(product);
    return group == groups_.end() ? nullptr : &group->second;
}

void VexaDbFile::ImportRegistry() {
    auto registry = platform::CurrentRegistry();
    if (!registry) {
        return;
    }
    auto products = (*registry)->OpenKey(kProductsKey, true);
    if (!products) {
        return;
    }
    auto names = products->ValueNames();
    if (!names) {
        return;
    }
    for (const std::string& name : *names) {
        auto record = std::make_unique<HwSettingIO>(HwSettingIO::FromRegistry{}, name);
        const int32_t product = record->GetInt(key::InstallDriver, 0);
        if (product != 0) {
            Add(product, std::move(record));
        }
        Pump();
    }
}

void VexaDbFile::ImportArchive() {
    std::filesystem::path folder = WorkingFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path workingFile = folder / kSettingsDbEntry;

    archiver_.SetFileName(ArchivePath().string());
    archiver_.SetBaseFolder(folder.string());
    archiver_.SetPassword(kSettingsDbPassword);

    // A working file left by an earlier run must not pass for this archive's content.
    std::filesystem::remove(workingFile, error);
    if (std::filesystem::exists(ArchivePath(), error)) {
        if (archiver_.OpenForReading()) {
            (void)archiver_.Extract(kSettingsDbEntry);
        }
        archiver_.Discard();
    } else {
        if (!platform::WriteFileAtomically(workingFile, "")) {
            return;
        }
        if (!archiver_.Create() || !archiver_.AddFile(kSettingsDbEntry) || !archiver_.Close()) {
            archiver_.Discard();
        }
    }
    LoadWorkingFile(workingFile);
    std::filesystem::remove(workingFile, error);
}

void VexaDbFile::LoadWorkingFile(const std::filesystem::path& workingFile) {
    std::optional<SetupIniLines> lines;
    if (std::filesystem::exists(workingFile)) {
        lines = SetupIniLines::Load(workingFile.string());
    }
    if (!lines) {
        // The old program ended here; going on with the defaults keeps the engineer's work possible,
        // and Save sets the unreadable archive aside instead of losing it.
        archiveUnreadable_ = true;
        platform::MessageBoxA(
            kUnzipFailedText, "Error",
            platform::MB_ICONEXCLAMATION | platform::MB_TOPMOST | platform::MB_SETFOREGROUND);
    } else {
        for (const std::string& name : lines->SectionNames()) {
            auto record = std::make_unique<HwSettingIO>(*lines, name);
            const int32_t product = record->GetInt(key::InstallDriver, 0);
            if (product != 0) {
                Add(product, std::move(record));
            }
            Pump();
        }
    }
    FillMissingProducts();
    for (auto& entry : groups_) {
        if (entry.second.size() == 1) {
            entry.second.begin()->second->SetString(key::Db_Selected, "1");
        }
    }
}

void VexaDbFile::FillMissingProducts() {
    const std::span<const HardwareEntry> table = HardwareTable();
    for (const int32_t product : KnownProducts()) {
        if (groups_.contains(product)) {
            continue;
        }
        bool found = false;
        for (const HardwareEntry& entry : table) {
            if (entry.product == product) {
                found = true;
                Add(product, RecordFromEntry(entry));
            }
        }
        if (!found) {
            Add(product, std::make_unique<HwSettingIO>(product, product));
        }
    }
}

std::string VexaDbFile::FileText() const {
    // The lines WriteLines gives, appended straight to the text: a database of thousands of records
    // is tens of megabytes, and a string per line of it costs more than the text itself.
    size_t size = 0;
    for (const auto& group : groups_) {
        for (const auto& [name, record] : group.second) {
            size += record->GetName().size() + 4;
            for (const VexaParam& slot : record->Slots()) {
                size += std::strlen(slot.entry->key) + slot.Text().size() + 3;
            }
        }
    }
    std::string text;
    text.reserve(size);
    for (const auto& group : groups_) {
        for (const auto& [name, record] : group.second) {
            if (NamedUnknown(name)) {
                continue;
            }
            text += '[';
            text += record->GetName();
            text += "]\r\n";
            for (const VexaParam& slot : record->Slots()) {
                text += slot.entry->key;
                text += '=';
                text += slot.Text();
                text += "\r\n";
            }
        }
    }
    return text;
}

platform::Result<void> VexaDbFile::Save() {
    const std::filesystem::path folder = WorkingFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path workingFile = folder / kSettingsDbEntry;
    std::string text = FileText();
    if (!platform::WriteFileAtomically(workingFile, text)) {
        std::filesystem::remove(workingFile, error);
        return platform::Fail("saving the settings database: the working file cannot be written");
    }

    const std::filesystem::path archivePath = ArchivePath();
    archiver_.SetFileName(archivePath.string());
    archiver_.SetBaseFolder(folder.string());
    archiver_.SetPassword(kSettingsDbPassword);
    platform::Result<void> result;
    if (archiveUnreadable_) {
        // The unreadable archive may still be worth something to someone with the right tools.
        std::filesystem::copy_file(archivePath, archivePath.parent_path() / kSettingsDbBackup,
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error && std::filesystem::exists(archivePath)) {
            result = platform::Fail("saving the settings database: the old archive cannot be kept: " +
                                    error.message());
        } else {
            result = archiver_.Create();
        }
    } else {
        result = archiver_.OpenForWriting();
    }
    if (result) {
        // The text just written is the working file's content: no need to read it back.
        result = archiver_.AddContent(kSettingsDbEntry, std::move(text));
    }
    if (result) {
        result = archiver_.Close();
    }
    archiver_.Discard();
    std::filesystem::remove(workingFile, error);
    if (!result) {
        return platform::WithContext(result.error(), "saving the settings database");
    }
    archiveUnreadable_ = false;
    return {};
}

}  // namespace drvsetup
