// The registry database under faults: a transaction cut short by a full disk, a writer killed in the
// middle of its transactions, and a read-only folder. Each transaction lands whole or not at all, the
// database always opens again, and a failed write is an error.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "support/fault_child.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;
using platform::Registry;

constexpr unsigned kCodePage = 1252;

// The database with one value written before any fault.
fs::path DatabaseWithOldValue(const kit_test::TempDir& dir) {
    const fs::path db = dir.path() / "registry.db";
    auto registry = Registry::Open(db, kCodePage);
    EXPECT_TRUE(registry.ok());
    auto key = (*registry)->OpenKey("SOFTWARE\\Vexa", true);
    EXPECT_TRUE(key.ok() && key->SetString("Old", "kept").ok());
    return db;
}

uint64_t StoreSize(const fs::path& db) {
    uint64_t size = 0;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        std::error_code error;
        const uintmax_t part = fs::file_size(db.string() + suffix, error);
        size = std::max<uint64_t>(size, error ? 0 : part);
    }
    return size;
}

// A transaction of many large values under one key, so it is far larger than the file-size limit.
platform::Result<void> WriteManyValues(Registry& registry) {
    return registry.Transaction([&]() -> platform::Result<void> {
        auto key = registry.OpenKey("SOFTWARE\\Vexa\\New", true);
        if (!key) {
            return key.error();
        }
        for (int i = 0; i < 1000; ++i) {
            if (auto set = key->SetString(std::string("v").append(std::to_string(i)), std::string(1000, 'n'));
                !set) {
                return set;
            }
        }
        return {};
    });
}

void ExpectOnlyTheOldValue(const fs::path& db) {
    auto registry = Registry::Open(db, kCodePage);
    ASSERT_TRUE(registry.ok()) << registry.error().message;
    auto key = (*registry)->OpenKey("SOFTWARE\\Vexa", false);
    ASSERT_TRUE(key.ok());
    EXPECT_EQ(key->QueryString("Old"), "kept");
    EXPECT_FALSE((*registry)->KeyExists("SOFTWARE\\Vexa\\New"));
    // The database is still writable after the fault.
    auto after = (*registry)->OpenKey("SOFTWARE\\Vexa", true);
    ASSERT_TRUE(after.ok());
    EXPECT_TRUE(after->SetDword("After", 1).ok());
}

TEST(RegistryFaults, TransactionCutShortByAFullDiskLandsNotAtAll) {
    constexpr rlim_t kLimit = 256 * 1024;
    for (const kit_test::AtLimitCase& c : kit_test::kAtLimitCases) {
        SCOPED_TRACE(c.label);
        kit_test::TempDir dir;
        const fs::path db = DatabaseWithOldValue(dir);
        ASSERT_LT(StoreSize(db), kLimit);
        const kit_test::ChildEnd end = kit_test::RunUnderFileSizeLimit(kLimit, c.atLimit, [&] {
            auto registry = Registry::Open(db, kCodePage);
            if (!registry) {
                return 4;
            }
            platform::Result<void> written = WriteManyValues(**registry);
            return !written && !written.error().message.empty() ? 3 : 0;
        });
        if (c.atLimit == kit_test::AtLimit::kWriteFails) {
            EXPECT_TRUE(end.exited && end.code == 3) << end.code << " " << end.signal;
        } else {
            EXPECT_EQ(end.signal, SIGXFSZ);
        }
        ExpectOnlyTheOldValue(db);
    }
}

TEST(RegistryFaults, WriterKilledInTheMiddleLeavesWholeTransactions) {
    kit_test::TempDir dir;
    const fs::path db = DatabaseWithOldValue(dir);
    constexpr int kRounds = 30;
    // Each round writes its number under two keys and a large value in one transaction.
    ASSERT_TRUE(kit_test::KillDuringRounds(kRounds, [&](int round) {
        static std::unique_ptr<Registry> registry;
        if (!registry) {
            registry = Registry::Open(db, kCodePage).value();
        }
        (void)registry->Transaction([&]() -> platform::Result<void> {
            auto first = registry->OpenKey("SOFTWARE\\Vexa\\First", true);
            auto second = registry->OpenKey("SOFTWARE\\Vexa\\Second", true);
            if (!first || !second) {
                return platform::Fail("cannot open the keys");
            }
            if (auto set = first->SetDword("Round", static_cast<uint32_t>(round)); !set) {
                return set;
            }
            if (auto set = first->SetBinary("Data", std::string(50000, static_cast<char>(round))); !set) {
                return set;
            }
            return second->SetDword("Round", static_cast<uint32_t>(round));
        });
    }));
    auto registry = Registry::Open(db, kCodePage);
    ASSERT_TRUE(registry.ok()) << registry.error().message;
    auto first = (*registry)->OpenKey("SOFTWARE\\Vexa\\First", false);
    auto second = (*registry)->OpenKey("SOFTWARE\\Vexa\\Second", false);
    ASSERT_TRUE(first.ok() && second.ok());
    const std::optional<uint32_t> round = first->QueryDword("Round");
    ASSERT_TRUE(round.has_value());
    EXPECT_GE(*round, static_cast<uint32_t>(kRounds - 1));
    EXPECT_EQ(second->QueryDword("Round"), round);
    auto data = first->QueryValue("Data");
    ASSERT_TRUE(data.ok() && data->has_value());
    EXPECT_EQ((*data)->data, std::string(50000, static_cast<char>(*round)));
    EXPECT_EQ((*registry)->OpenKey("SOFTWARE\\Vexa", false)->QueryString("Old"), "kept");
}

TEST(RegistryFaults, ReadOnlyFolderIsAnErrorAndKeepsTheDatabase) {
    if (!kit_test::PermissionsApply()) {
        GTEST_SKIP() << "running as root, where permissions do not stop a write";
    }
    kit_test::TempDir dir;
    const fs::path db = DatabaseWithOldValue(dir);
    fs::permissions(db, fs::perms::owner_read);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    {
        auto registry = Registry::Open(db, kCodePage);
        if (registry.ok()) {
            EXPECT_FALSE(WriteManyValues(**registry).ok());
        }
    }
    fs::permissions(dir.path(), fs::perms::owner_all);
    fs::permissions(db, fs::perms::owner_read | fs::perms::owner_write);
    ExpectOnlyTheOldValue(db);
}

}  // namespace
