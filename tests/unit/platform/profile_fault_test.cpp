// Profile files under faults: a write cut short by a full disk, a writer killed in the middle, a
// read-only folder, and two processes writing the same file at once. The file on disk is always the
// old one or the new one, and a failed write says so.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "support/fault_child.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;
namespace profile = platform::profile;

const std::string kOldFile = "[Setup]\r\nProduct=QM718\r\nPath=C:\\Vexa\r\n";

std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(ProfileFaults, WriteCutShortByAFullDiskLeavesTheOldFile) {
    for (const kit_test::AtLimitCase& c : kit_test::kAtLimitCases) {
        SCOPED_TRACE(c.label);
        kit_test::TempDir dir;
        const fs::path file = dir.path() / "setup.ini";
        kit_test::WriteFile(file, kOldFile);
        const kit_test::ChildEnd end = kit_test::RunUnderFileSizeLimit(4096, c.atLimit, [&] {
            const bool written = profile::WriteString(file.string(), "Setup", "Big", std::string(20000, 'x'));
            return written ? 0 : 3;
        });
        if (c.atLimit == kit_test::AtLimit::kWriteFails) {
            EXPECT_TRUE(end.exited && end.code == 3) << end.code << " " << end.signal;
            // A failed write leaves no temporary file behind.
            EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"setup.ini"});
        } else {
            EXPECT_EQ(end.signal, SIGXFSZ);
        }
        EXPECT_EQ(kit_test::ReadFile(file), kOldFile);
        EXPECT_EQ(profile::ReadString(file.string(), "Setup", "Product", ""), "QM718");
    }
}

TEST(ProfileFaults, SaveReportsAFullDisk) {
    kit_test::TempDir dir;
    const fs::path file = dir.path() / "setup.ini";
    kit_test::WriteFile(file, kOldFile);
    const kit_test::ChildEnd end = kit_test::RunUnderFileSizeLimit(4096, kit_test::AtLimit::kWriteFails, [&] {
        profile::Batch batch(file.string());
        batch.WriteString("Setup", "Big", std::string(20000, 'x'));
        platform::Result<void> committed = batch.Commit();
        return !committed && committed.error().message.find("cannot write") != std::string::npos ? 3 : 0;
    });
    EXPECT_TRUE(end.exited && end.code == 3);
    EXPECT_EQ(kit_test::ReadFile(file), kOldFile);
}

TEST(ProfileFaults, WriterKilledInTheMiddleLeavesOneWholeVersion) {
    kit_test::TempDir dir;
    const fs::path file = dir.path() / "setup.ini";
    kit_test::WriteFile(file, kOldFile);
    constexpr int kRounds = 20;
    // Each round writes a round number and a large value made of a letter of that round, in one write.
    ASSERT_TRUE(kit_test::KillDuringRounds(kRounds, [&](int round) {
        profile::Batch batch(file.string());
        batch.WriteString("Setup", "Round", std::to_string(round));
        batch.WriteString("Setup", "Data", std::string(200000, static_cast<char>('a' + round % 26)));
        (void)batch.Commit();
    }));
    const profile::ProfileFile after = profile::ProfileFile::Load(file.string());
    const int round = std::stoi(after.ReadString("Setup", "Round", "-1"));
    EXPECT_GE(round, kRounds - 1);
    EXPECT_EQ(after.ReadString("Setup", "Data", ""),
              std::string(200000, static_cast<char>('a' + round % 26)));
    EXPECT_EQ(after.ReadString("Setup", "Product", ""), "QM718");
}

TEST(ProfileFaults, ReadOnlyFolderOrFileIsAnErrorAndKeepsTheFile) {
    if (!kit_test::PermissionsApply()) {
        GTEST_SKIP() << "running as root, where permissions do not stop a write";
    }
    kit_test::TempDir dir;
    const fs::path file = dir.path() / "setup.ini";
    kit_test::WriteFile(file, kOldFile);

    fs::permissions(file, fs::perms::owner_read);
    EXPECT_FALSE(profile::WriteString(file.string(), "Setup", "Product", "ZD330"));
    EXPECT_EQ(kit_test::ReadFile(file), kOldFile);

    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    profile::Batch batch(file.string());
    batch.WriteString("Setup", "Product", "ZD330");
    EXPECT_FALSE(batch.Commit().ok());
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(kit_test::ReadFile(file), kOldFile);
}

TEST(ProfileFaults, TwoProcessesWritingTheSameFileLoseNothing) {
    kit_test::TempDir dir;
    const fs::path file = dir.path() / "setup.ini";
    kit_test::WriteFile(file, kOldFile);
    constexpr int kKeys = 100;
    auto key = [](int writer, int i) {
        return std::string("w").append(std::to_string(writer)).append("_") + std::to_string(i);
    };
    pid_t children[2];
    for (int writer = 0; writer < 2; ++writer) {
        children[writer] = fork();
        ASSERT_GE(children[writer], 0);
        if (children[writer] == 0) {
            int failures = 0;
            for (int i = 0; i < kKeys; ++i) {
                failures +=
                    profile::WriteString(file.string(), "Shared", key(writer, i), std::to_string(i)) ? 0 : 1;
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        const kit_test::ChildEnd end = kit_test::WaitChild(child);
        EXPECT_TRUE(end.exited && end.code == 0);
    }
    const profile::ProfileFile after = profile::ProfileFile::Load(file.string());
    EXPECT_EQ(after.KeyNames("Shared").size(), 2u * kKeys);
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kKeys; ++i) {
            EXPECT_EQ(after.ReadString("Shared", key(writer, i), ""), std::to_string(i)) << key(writer, i);
        }
    }
    EXPECT_EQ(after.ReadString("Setup", "Product", ""), "QM718");
}

}  // namespace
