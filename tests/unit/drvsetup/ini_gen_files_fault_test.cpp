// "Gen Ini File" under faults: the setup INI files written part-way on a full disk, the generator
// killed while it writes, a read-only kit folder, and two generators writing the collection file at
// once. Each file is the old one or the new one, and a failed write names the file.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/hw_setting.h"
#include "drvsetup/config/ini_gen_files.h"
#include "drvsetup/config/ini_gen_mapping.h"
#include "drvsetup/config/setup_key_ids.h"
#include "platform/profile.h"
#include "support/fault_child.h"
#include "support/kit_folder_test.h"

namespace {

namespace fs = std::filesystem;
using drvsetup::ApDrvInstall_HwSetting;
using drvsetup::HwSettingIO;
namespace key = drvsetup::key;

const std::string kOldCollection = "[Other]\r\nkeep=1\r\n";

class IniGenFilesFaultTest : public kit_test::KitFolderTest {
  protected:
    void SetUp() override {
        KitFolderTest::SetUp();
        UseSystem("xp");
        kit_test::WriteFile(Collection(), kOldCollection);
    }
    fs::path Collection() const { return kit_.path() / "__Setup.ini"; }
    // A record of product 718 named `name`, with a product name of `size` characters.
    static HwSettingIO Record(const std::string& name, size_t size = 10) {
        HwSettingIO record(718, 718);
        record.SetName(name);
        record.SetString(key::OemProductName, std::string(size, 'n'));
        return record;
    }
    static platform::Result<void> Write(const std::string& name, const std::string& path, size_t size = 10) {
        HwSettingIO record = Record(name, size);
        ApDrvInstall_HwSetting view(record);
        return drvsetup::WriteRecordToIni(view, path);
    }
};

TEST_F(IniGenFilesFaultTest, FullDiskKeepsBothFilesAndNamesTheFile) {
    for (const kit_test::AtLimitCase& c : kit_test::kAtLimitCases) {
        SCOPED_TRACE(c.label);
        const kit_test::ChildEnd end = kit_test::RunUnderFileSizeLimit(4096, c.atLimit, [] {
            HwSettingIO record = Record("VEXA_QM718", 20000);
            ApDrvInstall_HwSetting view(record);
            drvsetup::PrepareRecordForGeneration(view);
            const platform::Result<void> written = drvsetup::WriteGeneratedIniFiles(view);
            return !written && written.error().message.rfind("writing ", 0) == 0 &&
                           written.error().message.find("drvInstall.ini_") != std::string::npos
                       ? 3
                       : 0;
        });
        if (c.atLimit == kit_test::AtLimit::kWriteFails) {
            EXPECT_TRUE(end.exited && end.code == 3) << end.code << " " << end.signal;
        } else {
            EXPECT_EQ(end.signal, SIGXFSZ);
        }
        // The product file was never there and is not there now, half-written or otherwise; the
        // collection file was not reached.
        const drvsetup::GeneratedIniPaths paths = [] {
            HwSettingIO record = Record("VEXA_QM718");
            ApDrvInstall_HwSetting view(record);
            return drvsetup::GeneratedIniFiles(view);
        }();
        EXPECT_FALSE(fs::exists(paths.productFile));
        EXPECT_EQ(kit_test::ReadFile(Collection()), kOldCollection);
    }
}

TEST_F(IniGenFilesFaultTest, GeneratorKilledWhileWritingLeavesWholeRecords) {
    constexpr int kRounds = 10;
    const std::string collection = Collection().string();
    ASSERT_TRUE(kit_test::KillDuringRounds(kRounds, [&](int round) {
        (void)Write(std::string("Round").append(std::to_string(round)), collection, 5000);
    }));
    const platform::profile::ProfileFile file = platform::profile::ProfileFile::Load(collection);
    EXPECT_EQ(file.ReadString("Other", "keep", ""), "1");
    int rounds = 0;
    while (file.HasSection(std::string("Round").append(std::to_string(rounds)))) {
        EXPECT_EQ(file.ReadString(std::string("Round").append(std::to_string(rounds)), "OemProductName", ""),
                  std::string(5000, 'n'));
        ++rounds;
    }
    EXPECT_GE(rounds, kRounds);
    // The record written when the kill came is whole or missing, and nothing after it is there.
    EXPECT_FALSE(file.HasSection(std::string("Round").append(std::to_string(rounds + 1))));
}

TEST_F(IniGenFilesFaultTest, ReadOnlyKitFolderIsAnErrorAndKeepsTheFile) {
    if (!kit_test::PermissionsApply()) {
        GTEST_SKIP() << "running as root, where permissions do not stop a write";
    }
    fs::permissions(kit_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const platform::Result<void> written = Write("VEXA_QM718", Collection().string());
    fs::permissions(kit_.path(), fs::perms::owner_all);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("__Setup.ini"), std::string::npos) << written.error().message;
    EXPECT_EQ(kit_test::ReadFile(Collection()), kOldCollection);
}

TEST_F(IniGenFilesFaultTest, TwoGeneratorsWritingTheCollectionKeepEveryRecord) {
    constexpr int kRecords = 15;
    const std::string collection = Collection().string();
    auto name = [](int writer, int i) {
        return std::string("W").append(std::to_string(writer)).append("_").append(std::to_string(i));
    };
    pid_t children[2];
    for (int writer = 0; writer < 2; ++writer) {
        children[writer] = fork();
        ASSERT_GE(children[writer], 0);
        if (children[writer] == 0) {
            int failures = 0;
            for (int i = 0; i < kRecords; ++i) {
                failures += Write(name(writer, i), collection).ok() ? 0 : 1;
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        const kit_test::ChildEnd end = kit_test::WaitChild(child);
        EXPECT_TRUE(end.exited && end.code == 0);
    }
    const platform::profile::ProfileFile file = platform::profile::ProfileFile::Load(collection);
    EXPECT_EQ(file.ReadString("Other", "keep", ""), "1");
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kRecords; ++i) {
            EXPECT_TRUE(file.HasSection(name(writer, i))) << name(writer, i);
        }
    }
}

}  // namespace
