// The settings database under faults beyond a plain full disk: its writer killed at the size limit
// or from outside in the middle of a save, and a read-only kit folder. The archive on disk is always
// the old one or the new one, it loads again without complaint, and a failed save says why.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "drvsetup/config/archiver.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/vexa_db_file.h"
#include "support/fault_child.h"
#include "support/kit_folder_test.h"
#include "support/scoped_state.h"

namespace {

namespace fs = std::filesystem;
using drvsetup::Archiver;
using drvsetup::HwSettingIO;
using drvsetup::VexaDbFile;

// A record of product 330 whose description is long enough that a save writes many kilobytes.
std::unique_ptr<HwSettingIO> Record(const std::string& name) {
    auto record = std::make_unique<HwSettingIO>(330, 330);
    record->SetInt(drvsetup::key::InstallDriver, 330);
    record->SetString(drvsetup::key::oemDescription, name + std::string(4000, 'd'));
    record->SetName(name);
    return record;
}

class VexaDbFileFaultTest : public kit_test::KitFolderTest {
  protected:
    std::unique_ptr<VexaDbFile> Open() { return std::make_unique<VexaDbFile>(archiver_); }
    fs::path ArchiveFile() const { return kit_.path() / drvsetup::kSettingsDbArchive; }
    // A database saved once with the record "Saved".
    std::string SaveOld() {
        auto db = Open();
        EXPECT_TRUE(db->Add(330, Record("Saved")));
        EXPECT_TRUE(db->Save().ok());
        return kit_test::ReadFile(ArchiveFile());
    }
    void ExpectLoadsWithoutComplaint(VexaDbFile& db) {
        EXPECT_FALSE(db.ArchiveUnreadable());
        EXPECT_FALSE(fs::exists(log_) && !kit_test::ReadFile(log_).empty()) << kit_test::ReadFile(log_);
        EXPECT_FALSE(fs::exists(kit_.path() / drvsetup::kSettingsDbBackup));
    }

    Archiver archiver_;
    fs::path log_ = kit_.path() / "boxes.log";
    kit_test::ScopedEnv logEnv_{"WINSYS_MSGBOX_LOG", log_.string()};
    kit_test::ScopedEnv answers_{"WINSYS_MSGBOX_ANSWERS", "ok,ok,ok"};
};

TEST_F(VexaDbFileFaultTest, SaveKilledAtTheSizeLimitKeepsTheOldArchive) {
    const std::string before = SaveOld();
    auto db = Open();
    ASSERT_TRUE(db->Add(330, Record("Lost")));
    const kit_test::ChildEnd end =
        kit_test::RunUnderFileSizeLimit(before.size() + 512, kit_test::AtLimit::kKilled, [&] {
            for (int i = 0; i < 20; ++i) {
                (void)db->Add(330, Record(std::string("More").append(std::to_string(i))));
            }
            return db->Save().ok() ? 0 : 3;
        });
    EXPECT_EQ(end.signal, SIGXFSZ);
    EXPECT_EQ(kit_test::ReadFile(ArchiveFile()), before);

    db.reset();
    auto reloaded = Open();
    ExpectLoadsWithoutComplaint(*reloaded);
    EXPECT_NE(reloaded->Find(330, "Saved"), nullptr);
    EXPECT_EQ(reloaded->Find(330, "Lost"), nullptr);
}

TEST_F(VexaDbFileFaultTest, SaveKilledInTheMiddleLeavesOneWholeVersion) {
    (void)SaveOld();
    const size_t oldRecords = Open()->Group(330)->size();
    constexpr int kRounds = 4;
    // Each round adds one record and saves: after the kill, the archive holds the records of every
    // finished round, and maybe of the one under way, never part of it.
    ASSERT_TRUE(kit_test::KillDuringRounds(kRounds, [&](int round) {
        static std::unique_ptr<VexaDbFile> db = Open();
        (void)db->Add(330, Record(std::string("Round").append(std::to_string(round))));
        (void)db->Save();
    }));
    auto reloaded = Open();
    ExpectLoadsWithoutComplaint(*reloaded);
    EXPECT_NE(reloaded->Find(330, "Saved"), nullptr);
    int rounds = 0;
    while (reloaded->Find(330, std::string("Round").append(std::to_string(rounds))) != nullptr) {
        ++rounds;
    }
    EXPECT_GE(rounds, kRounds);
    EXPECT_EQ(reloaded->Find(330, std::string("Round").append(std::to_string(rounds + 1))), nullptr);
    EXPECT_EQ(reloaded->Group(330)->size(), oldRecords + static_cast<size_t>(rounds));
}

TEST_F(VexaDbFileFaultTest, ReadOnlyKitFolderIsAnErrorAndKeepsTheArchive) {
    if (!kit_test::PermissionsApply()) {
        GTEST_SKIP() << "running as root, where permissions do not stop a write";
    }
    const std::string before = SaveOld();
    auto db = Open();
    ASSERT_TRUE(db->Add(330, Record("Lost")));
    fs::permissions(kit_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    platform::Result<void> saved = db->Save();
    fs::permissions(kit_.path(), fs::perms::owner_all);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().message.rfind("saving the settings database", 0), 0u) << saved.error().message;
    EXPECT_EQ(kit_test::ReadFile(ArchiveFile()), before);
}

TEST_F(VexaDbFileFaultTest, FullDiskIsReportedAsAFailedSave) {
    const std::string before = SaveOld();
    auto db = Open();
    ASSERT_TRUE(db->Add(330, Record("Lost")));
    std::string message;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const kit_test::ChildEnd end =
        kit_test::RunUnderFileSizeLimit(before.size() + 512, kit_test::AtLimit::kWriteFails, [&] {
            for (int i = 0; i < 20; ++i) {
                (void)db->Add(330, Record(std::string("More").append(std::to_string(i))));
            }
            platform::Result<void> saved = db->Save();
            if (saved.ok()) {
                return 0;
            }
            const std::string& text = saved.error().message;
            return write(pipeEnds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 3 : 4;
        });
    close(pipeEnds[1]);
    char buffer[512];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<size_t>(n));
    }
    close(pipeEnds[0]);
    EXPECT_TRUE(end.exited && end.code == 3) << end.code << " " << end.signal;
    EXPECT_EQ(message.rfind("saving the settings database", 0), 0u) << message;
    EXPECT_EQ(kit_test::ReadFile(ArchiveFile()), before);
}

}  // namespace
