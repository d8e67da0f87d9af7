#include "drvsetup/config/vexa_db_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "drvsetup/config/archiver.h"
#include "drvsetup/config/reg_data.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/setup_key_table.h"
#include "drvsetup/device/product_tables.h"
#include "platform/registry.h"
#include "support/kit_folder_test.h"
#include "support/scoped_state.h"

namespace {

using drvsetup::Archiver;
using drvsetup::HwSettingIO;
using drvsetup::VexaDbFile;
namespace key = drvsetup::key;
namespace fs = std::filesystem;

// A ZIP archive of stored, unencrypted entries with any names at all, as a crafted archive would be.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    auto crc32 = [](const std::string& data) {
        uint32_t crc = 0xFFFFFFFFu;
        for (unsigned char byte : data) {
            crc ^= byte;
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
            }
        }
        return ~crc;
    };
    auto put = [](std::string& out, uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    };
    std::string local;
    std::string central;
    for (const auto& [name, data] : entries) {
        const auto offset = static_cast<uint32_t>(local.size());
        const uint32_t crc = crc32(data);
        const auto size = static_cast<uint32_t>(data.size());
        const auto nameSize = static_cast<uint32_t>(name.size());
        put(local, 0x04034b50, 4);
        put(local, 20, 2);
        put(local, 0, 2);
        put(local, 0, 2);
        put(local, 0, 4);
        put(local, crc, 4);
        put(local, size, 4);
        put(local, size, 4);
        put(local, nameSize, 2);
        put(local, 0, 2);
        local += name;
        local += data;
        put(central, 0x02014b50, 4);
        put(central, 20, 2);
        put(central, 20, 2);
        put(central, 0, 2);
        put(central, 0, 2);
        put(central, 0, 4);
        put(central, crc, 4);
        put(central, size, 4);
        put(central, size, 4);
        put(central, nameSize, 2);
        put(central, 0, 6);
        put(central, 0, 2);
        put(central, 0, 4);
        put(central, offset, 4);
        central += name;
    }
    std::string zip = local + central;
    put(zip, 0x06054b50, 4);
    put(zip, 0, 4);
    put(zip, static_cast<uint32_t>(entries.size()), 2);
    put(zip, static_cast<uint32_t>(entries.size()), 2);
    put(zip, static_cast<uint32_t>(central.size()), 4);
    put(zip, static_cast<uint32_t>(local.size()), 4);
    put(zip, 0, 2);
    return zip;
}

// Every slot a text of its own (no brackets, which would end a section in the file).
std::unique_ptr<HwSettingIO> DistinctRecord(int32_t product, const std::string& name) {
    auto record = std::make_unique<HwSettingIO>(product, product);
    for (const drvsetup::VexaParam& slot : record->Slots()) {
        record->SetString(slot.entry->id, name + "-" + std::to_string(slot.entry->id) + " a=b");
    }
    record->SetInt(key::InstallDriver, product);
    record->SetName(name);
    return record;
}

void ExpectSameValues(const HwSettingIO& a, const HwSettingIO& b) {
    ASSERT_EQ(a.Slots().size(), 404u);
    ASSERT_EQ(b.Slots().size(), 404u);
    for (size_t i = 0; i < a.Slots().size(); ++i) {
        EXPECT_EQ(a.Slots()[i].Text(), b.Slots()[i].Text()) << a.Slots()[i].entry->key;
    }
}

class VexaDbFileTest : public kit_test::KitFolderTest {
  protected:
    std::unique_ptr<VexaDbFile> Open() {
        return std::make_unique<VexaDbFile>(archiver_, [this] { ++pumped_; });
    }
    fs::path ArchiveFile() const { return kit_.path() / "vSettingDb._bin"; }
    fs::path WorkingFile() const { return VexaDbFile::WorkingFolder() / "vSettingDb.ini"; }
    std::string Boxes() const { return fs::exists(log_) ? kit_test::ReadFile(log_) : ""; }
    std::vector<std::string> Entries() {
        Archiver reader;
        reader.SetFileName(ArchiveFile().string());
        EXPECT_TRUE(reader.OpenForReading().ok());
        return reader.EntryNames();
    }
    void ExpectEveryKnownProduct(const VexaDbFile& db) {
        for (int32_t product : VexaDbFile::KnownProducts()) {
            const VexaDbFile::RecordGroup* group = db.Group(product);
            ASSERT_NE(group, nullptr) << product;
            EXPECT_FALSE(group->empty()) << product;
        }
    }

    Archiver archiver_;
    int pumped_ = 0;
    fs::path log_ = kit_.path() / "boxes.log";
    kit_test::ScopedEnv logEnv_{"WINSYS_MSGBOX_LOG", log_.string()};
    kit_test::ScopedEnv answers_{"WINSYS_MSGBOX_ANSWERS", "ok,ok,ok"};
};

TEST_F(VexaDbFileTest, FreshSystemHoldsEveryKnownProduct) {
    auto db = Open();
    ExpectEveryKnownProduct(*db);
    EXPECT_EQ(db->Groups().size(), VexaDbFile::KnownProducts().size());
    for (const auto& [product, group] : db->Groups()) {
        for (const auto& [name, record] : group) {
            EXPECT_EQ(record->GetString(key::Db_Selected), group.size() == 1 ? "1" : "0") << name;
            EXPECT_EQ(record->GetInt(key::InstallDriver, 0), product) << name;
        }
    }
    EXPECT_EQ(Boxes(), "");
    EXPECT_FALSE(fs::exists(WorkingFile()));
    EXPECT_EQ(Entries(), std::vector<std::string>{"vSettingDb.ini"});
    if (std::system("command -v unzip >/dev/null 2>&1") == 0) {
        const std::string command = "unzip -qq -t -P 7093 '" + ArchiveFile().string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
}

TEST_F(VexaDbFileTest, MissingProductsAreBuiltFromTheHardwareTable) {
    auto db = Open();
    std::set<std::pair<int32_t, std::string>> seen;
    for (const drvsetup::HardwareEntry& entry : drvsetup::HardwareTable()) {
        const auto& known = VexaDbFile::KnownProducts();
        if (std::find(known.begin(), known.end(), entry.product) == known.end() ||
            !seen.emplace(entry.product, entry.name).second) {
            continue;
        }
        SCOPED_TRACE(entry.name);
        const HwSettingIO* record = db->Find(entry.product, entry.name);
        ASSERT_NE(record, nullptr);
        char vidPid[9];
        std::snprintf(vidPid, sizeof vidPid, "%08X", entry.vidPid);
        EXPECT_EQ(record->GetString(key::hwVidPidDescription), vidPid);
        EXPECT_EQ(record->GetString(key::oemDescription), drvsetup::OemName(entry.oemIndex));
        const struct {
            const char* key;
            bool set;
        } bits[] = {
            {"TunerAvailable", (entry.flags1 & drvsetup::kHwTuner) != 0},
            {"Dvbt2Available", (entry.flags1 & drvsetup::kHwDvbt2) != 0},
            {"Svhs2Available", (entry.flags2 & drvsetup::kHwSvhs2) != 0},
            {"testCheckEprom", (entry.eeprom & drvsetup::kHwEepromCheck) != 0},
        };
        for (const auto& bit : bits) {
            EXPECT_EQ(record->GetString(drvsetup::FindSetupKeyByText(bit.key)->id), bit.set ? "1" : "0")
                << bit.key;
        }
    }
    EXPECT_FALSE(seen.empty());
}

TEST_F(VexaDbFileTest, SaveAndReloadKeepEveryRecordButTheUnknownOnes) {
    {
        auto db = Open();
        ASSERT_TRUE(db->Add(330, DistinctRecord(330, "Card A")));
        ASSERT_TRUE(db->Add(330, DistinctRecord(330, "Card B")));
        ASSERT_TRUE(db->Add(5555, DistinctRecord(5555, "Odd product")));
        ASSERT_TRUE(db->Add(718, DistinctRecord(718, "Card unknown")));
        ASSERT_TRUE(db->Add(718, DistinctRecord(718, "UnKnOwN")));
        ASSERT_TRUE(db->Save().ok());
        EXPECT_FALSE(fs::exists(WorkingFile()));
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"vSettingDb.ini"});
    auto db = Open();
    EXPECT_EQ(Boxes(), "");
    for (const auto& [product, name] : std::vector<std::pair<int32_t, std::string>>{
             {330, "Card A"}, {330, "Card B"}, {5555, "Odd product"}}) {
        SCOPED_TRACE(name);
        const HwSettingIO* record = db->Find(product, name);
        ASSERT_NE(record, nullptr);
        auto expected = DistinctRecord(product, name);
        // A record alone in its group comes back selected.
        if (db->Group(product)->size() == 1) {
            expected->SetString(key::Db_Selected, "1");
        }
        ExpectSameValues(*record, *expected);
    }
    EXPECT_EQ(db->Find(718, "Card unknown"), nullptr);
    EXPECT_EQ(db->Find(718, "UnKnOwN"), nullptr);
    EXPECT_GE(pumped_, 3);
    ExpectEveryKnownProduct(*db);
}

TEST_F(VexaDbFileTest, FileTextIsEachRecordHeaderAndItsLines) {
    auto db = Open();
    ASSERT_TRUE(db->Add(330, DistinctRecord(330, "Card A")));
    ASSERT_TRUE(db->Add(718, DistinctRecord(718, "unknown")));
    std::string expected;
    for (const auto& [product, group] : db->Groups()) {
        for (const auto& [name, record] : group) {
            if (name == "unknown") {
                continue;
            }
            expected.append("[").append(record->GetName()).append("]\r\n");
            std::vector<std::string> lines;
            record->WriteLines(lines);
            for (const std::string& line : lines) {
                expected.append(line).append("\r\n");
            }
        }
    }
    EXPECT_NE(expected.find("[Card A]\r\n"), std::string::npos);
    EXPECT_EQ(db->FileText(), expected);
}

TEST_F(VexaDbFileTest, AddUpdateRemoveAndSelection) {
    auto db = Open();
    ASSERT_TRUE(db->Add(330, DistinctRecord(330, "Mine")));
    auto duplicate = DistinctRecord(330, "Mine");
    duplicate->SetString(key::oemDescription, "second");
    EXPECT_FALSE(db->Add(330, std::move(duplicate)));
    EXPECT_NE(db->Find(330, "Mine")->GetString(key::oemDescription), "second");

    HwSettingIO changed(*db->Find(330, "Mine"));
    changed.SetString(key::oemDescription, "changed");
    HwSettingIO* before = db->Find(330, "Mine");
    db->Update(330, changed);
    EXPECT_EQ(db->Find(330, "Mine"), before);
    EXPECT_EQ(before->GetString(key::oemDescription), "changed");
    changed.SetName("Copy");
    db->Update(330, changed);
    ASSERT_NE(db->Find(330, "Copy"), nullptr);
    EXPECT_NE(db->Find(330, "Copy"), &changed);

    db->SetDbHwSelected(330, 1);
    for (const auto& entry : *db->Group(330)) {
        EXPECT_EQ(entry.second->GetString(key::DbHw_Selected), "1");
    }
    EXPECT_EQ(db->Group(718)->begin()->second->GetString(key::DbHw_Selected), "0");
    db->SetDbHwSelected(-1, 7);
    for (const auto& group : db->Groups()) {
        for (const auto& entry : group.second) {
            EXPECT_EQ(entry.second->GetString(key::DbHw_Selected), "7");
        }
    }

    // Removing every record of a product leaves its default record.
    std::vector<std::string> names;
    for (const auto& entry : *db->Group(330)) {
        names.push_back(entry.first);
    }
    for (const std::string& name : names) {
        db->Remove(330, name);
    }
    ASSERT_EQ(db->Group(330)->size(), 1u);
    const HwSettingIO& fallback = *db->Group(330)->begin()->second;
    EXPECT_EQ(fallback.GetName(), HwSettingIO(330, 330).GetName());
    EXPECT_EQ(fallback.GetInt(key::InstallDriver, 0), 330);
    db->Remove(330, "not there");
    db->Remove(4242, "no group");
    EXPECT_EQ(db->Group(4242), nullptr);
}

TEST_F(VexaDbFileTest, RegistryProductsAreImported) {
    auto installed = DistinctRecord(330, "Installed card");
    installed->SaveToRegistry("Installed card");
    auto unused = DistinctRecord(330, "No driver");
    unused->SetInt(key::InstallDriver, 0);
    unused->SaveToRegistry("No driver");
    platform::RegKey products =
        platform::CurrentRegistry().value()->OpenKey(drvsetup::kProductsKey, true).value();
    ASSERT_TRUE(products.SetString("Installed card", "330").ok());
    ASSERT_TRUE(products.SetString("No driver", "330").ok());

    auto db = Open();
    const HwSettingIO* record = db->Find(330, "Installed card");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->GetString(key::oemDescription), installed->GetString(key::oemDescription));
    EXPECT_EQ(db->Find(330, "No driver"), nullptr);
    EXPECT_GE(pumped_, 2);
}

TEST_F(VexaDbFileTest, UnreadableArchiveIsReportedKeptAndReplaced) {
    const std::string wrongPassword = [this] {
        kit_test::TempDir source;
        kit_test::WriteFile(source.path() / "vSettingDb.ini", "[x]\r\nInstallDriver=330\r\n");
        Archiver other;
        other.SetFileName((source.path() / "a.zip").string());
        other.SetBaseFolder(source.str());
        other.SetPassword("1111");
        EXPECT_TRUE(other.Create().ok() && other.AddFile("vSettingDb.ini").ok() && other.Close().ok());
        return kit_test::ReadFile(source.path() / "a.zip");
    }();
    const std::pair<const char*, std::string> cases[] = {
        {"wrong password", wrongPassword},
        {"garbage", std::string("PK\x03\x04 not really a zip") + std::string(100, '\xff')},
        {"NUL bytes", std::string(1000, '\0')},
        {"empty file", ""},
        {"truncated", wrongPassword.substr(0, wrongPassword.size() / 2)},
        {"no database entry", StoredZip({{"other.ini", "[x]\r\n"}})},
    };
    for (const auto& [label, bytes] : cases) {
        SCOPED_TRACE(label);
        fs::remove(log_);
        fs::remove(kit_.path() / "vSettingDb._bin.bak");
        kit_test::WriteFile(ArchiveFile(), bytes);
        // Make sure a leftover working file cannot pass for the archive's content.
        kit_test::WriteFile(WorkingFile(), "[Stale]\r\nInstallDriver=330\r\n");
        platform::ResetMessageBoxStateForTesting();

        auto db = Open();
        EXPECT_NE(Boxes().find("\"text\": \"Can't find UnZip Ini file\""), std::string::npos);
        EXPECT_TRUE(db->ArchiveUnreadable());
        EXPECT_EQ(db->Find(330, "Stale"), nullptr);
        ExpectEveryKnownProduct(*db);

        ASSERT_TRUE(db->Add(330, DistinctRecord(330, "Kept")));
        ASSERT_TRUE(db->Save().ok());
        EXPECT_EQ(kit_test::ReadFile(kit_.path() / "vSettingDb._bin.bak"), bytes);
        fs::remove(log_);
        platform::ResetMessageBoxStateForTesting();
        auto reloaded = Open();
        EXPECT_EQ(Boxes(), "");
        EXPECT_NE(reloaded->Find(330, "Kept"), nullptr);
    }
}

TEST_F(VexaDbFileTest, CraftedEntriesWriteNothingOutsideTheWorkingFolder) {
    const std::string good = "[Good]\r\nInstallDriver=330\r\nsetupItemID=Good\r\n";
    const std::string evil = "[Evil]\r\nInstallDriver=330\r\nsetupItemID=Evil\r\n";
    kit_test::WriteFile(ArchiveFile(), StoredZip({{"../evil.ini", evil},
                                                  {"../../vSettingDb.ini", evil},
                                                  {"sub/vSettingDb.ini", evil},
                                                  {"/tmp/vSettingDb.ini", evil},
                                                  {"vSettingDb.ini", good},
                                                  {"vSettingDb.ini/", evil}}));
    const fs::path folder = VexaDbFile::WorkingFolder();
    auto db = Open();
    EXPECT_NE(db->Find(330, "Good"), nullptr);
    EXPECT_EQ(db->Find(330, "Evil"), nullptr);
    EXPECT_FALSE(fs::exists(folder.parent_path() / "evil.ini"));
    EXPECT_FALSE(fs::exists(folder.parent_path().parent_path() / "vSettingDb.ini"));
    EXPECT_FALSE(fs::exists(folder / "sub"));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(VexaDbFileTest, InterruptedSaveKeepsTheOldArchive) {
    auto db = Open();
    ASSERT_TRUE(db->Add(330, DistinctRecord(330, "Saved")));
    ASSERT_TRUE(db->Save().ok());
    const std::string before = kit_test::ReadFile(ArchiveFile());
    ASSERT_TRUE(db->Add(330, DistinctRecord(330, "Lost")));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16 * 1024, 16 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(db->Save().ok() ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(kit_test::ReadFile(ArchiveFile()), before);
    // Nothing half-written stays behind, neither in the working folder nor beside the archive.
    EXPECT_TRUE(fs::is_empty(VexaDbFile::WorkingFolder()));
    for (const auto& entry : fs::directory_iterator(kit_.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "vSettingDb._bin" || name == "boxes.log") << name;
    }

    db.reset();
    auto reloaded = Open();
    EXPECT_EQ(Boxes(), "");
    EXPECT_NE(reloaded->Find(330, "Saved"), nullptr);
    EXPECT_EQ(reloaded->Find(330, "Lost"), nullptr);
}

}  // namespace
