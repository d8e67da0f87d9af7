#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/codepage.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace {

using platform::Registry;
using platform::RegKey;
using platform::Result;

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override { registry_ = OpenRegistry(1252); }

    std::unique_ptr<Registry> OpenRegistry(unsigned codePage) {
        auto opened = Registry::Open(dir_.path() / "registry.db", codePage);
        EXPECT_TRUE(opened.ok()) << opened.error().message;
        return opened.ok() ? std::move(opened).value() : nullptr;
    }

    RegKey Create(std::string_view path) {
        auto key = registry_->OpenKey(path, true);
        EXPECT_TRUE(key.ok()) << key.error().message;
        return std::move(key).value();
    }

    std::vector<std::string> Subkeys(std::string_view path) {
        auto key = registry_->OpenKey(path, false);
        return key.ok() ? key->SubkeyNames().value_or({"<error>"}) : std::vector<std::string>{"<missing>"};
    }

    kit_test::TempDir dir_;
    std::unique_ptr<Registry> registry_;
};

TEST_F(RegistryTest, KeyPathsAreFoldedAndSpelledManyWays) {
    Create("Software\\Vexa\\Tuner");
    const char* spellings[] = {
        "SOFTWARE\\vexa\\TUNER",
        "software/vexa/tuner",
        "\\Software\\\\Vexa\\Tuner\\",
        "HKLM\\Software\\Vexa\\Tuner",
        "hkey_local_machine/SOFTWARE/Vexa/Tuner/",
    };
    for (const char* spelling : spellings) {
        auto key = registry_->OpenKey(spelling, false);
        ASSERT_TRUE(key.ok()) << spelling << ": " << key.error().message;
        EXPECT_EQ(key->Path(), "Software\\Vexa\\Tuner") << spelling;  // case of creation
        EXPECT_EQ(key->Name(), "Tuner");
    }
    // Opening for writing with another case makes no second key.
    Create("SOFTWARE\\VEXA\\tuner\\Sub");
    EXPECT_EQ(Subkeys("Software\\Vexa"), std::vector<std::string>{"Tuner"});
    EXPECT_EQ(registry_->OpenKey("HKLM", false)->Path(), "");

    for (const char* other : {"HKEY_CURRENT_USER\\Software", "HKCU\\Software", "HKEY_USERS"}) {
        EXPECT_FALSE(registry_->OpenKey(other, true).ok()) << other;
    }
    EXPECT_FALSE(registry_->OpenKey(std::string(256, 'k'), true).ok());
    EXPECT_TRUE(registry_->OpenKey(std::string(255, 'k'), true).ok());
    EXPECT_EQ(Subkeys(""), (std::vector<std::string>{std::string(255, 'k'), "Software"}));
}

TEST_F(RegistryTest, ReadOnlyOpenOfAMissingKeyCreatesNothing) {
    Create("A");
    for (const char* missing : {"B", "A\\B", "A\\B\\C", "HKLM\\Z\\Y"}) {
        auto key = registry_->OpenKey(missing, false);
        ASSERT_FALSE(key.ok()) << missing;
        EXPECT_NE(key.error().message.find("no such key"), std::string::npos) << key.error().message;
        EXPECT_FALSE(registry_->KeyExists(missing));
    }
    EXPECT_EQ(Subkeys(""), std::vector<std::string>{"A"});
    EXPECT_EQ(Subkeys("A"), std::vector<std::string>{});

    // For writing, the key and all its parents appear.
    RegKey deep = Create("A\\B\\C\\D");
    EXPECT_TRUE(deep.Writable());
    EXPECT_EQ(Subkeys("A\\B\\C"), std::vector<std::string>{"D"});
    auto readOnly = registry_->OpenKey("a\\b", false);
    ASSERT_TRUE(readOnly.ok());
    EXPECT_FALSE(readOnly->SetString("x", "y").ok());
    EXPECT_FALSE(readOnly->DeleteValue("x").ok());
    EXPECT_FALSE(readOnly->HasValue("x"));
}

TEST_F(RegistryTest, SubkeysComeInCaseInsensitiveOrder) {
    for (const char* name : {"b", "A", "_x", "C", "a1", "Zeta", "\xE4"}) {
        Create(std::string("Order\\") + name);
    }
    // '_' sorts after the letters, as it does after upper-case ones; 'ä' (0xE4) after ASCII.
    EXPECT_EQ(Subkeys("Order"), (std::vector<std::string>{"A", "a1", "b", "C", "Zeta", "_x", "\xE4"}));
}

TEST_F(RegistryTest, ValuesKeepCreationOrderAndTheirFirstName) {
    RegKey key = Create("Values");
    ASSERT_TRUE(key.SetString("Zed", "1").ok());
    ASSERT_TRUE(key.SetDword("alpha", 2).ok());
    ASSERT_TRUE(key.SetString("", "default").ok());
    ASSERT_TRUE(key.SetBinary("Mid", "\x01").ok());
    ASSERT_TRUE(key.SetDword("ZED", 7).ok());  // overwrites "Zed" in place, type and all
    ASSERT_TRUE(key.SetString("gone", "x").ok());
    EXPECT_EQ(key.DeleteValue("GONE").value(), true);
    EXPECT_EQ(key.DeleteValue("gone").value(), false);
    ASSERT_TRUE(key.SetString("Alpha", "again").ok());

    EXPECT_EQ(key.ValueNames().value(), (std::vector<std::string>{"Zed", "alpha", "", "Mid"}));
    EXPECT_EQ(key.QueryDword("zed"), 7u);
    EXPECT_EQ(key.QueryString("ALPHA"), "again");
    EXPECT_EQ(key.QueryString(""), "default");
    ASSERT_TRUE(key.SetString("gone", "back").ok());
    EXPECT_EQ(key.ValueNames()->back(), "gone");  // deleted and written again: last
}

TEST_F(RegistryTest, TypedReadsTreatOtherTypesAsMissing) {
    RegKey key = Create("Typed");
    ASSERT_TRUE(key.SetString("sz", "text").ok());
    ASSERT_TRUE(key.SetExpandString("expand", "%TEMP%\\x").ok());
    ASSERT_TRUE(key.SetMultiString("multi", {"one", "two"}).ok());
    ASSERT_TRUE(key.SetDword("dword", 0x12345678).ok());
    ASSERT_TRUE(key.SetBinary("binary", std::string("\0\xFF", 2)).ok());
    ASSERT_TRUE(key.SetValue("short", platform::kRegDword, "\x01\x02").ok());
    ASSERT_TRUE(key.SetValue("qword", 11, std::string(8, '\x01')).ok());

    struct Case {
        const char* name;
        bool sz, expand, multi, dword, binary;
    };
    const Case cases[] = {
        {"sz", true, false, false, false, false},     {"expand", false, true, false, false, false},
        {"multi", false, false, true, false, false},  {"dword", false, false, false, true, false},
        {"binary", false, false, false, false, true}, {"short", false, false, false, false, false},
        {"qword", false, false, false, false, false}, {"missing", false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(key.QueryString(c.name).has_value(), c.sz);
        EXPECT_EQ(key.QueryExpandString(c.name).has_value(), c.expand);
        EXPECT_EQ(key.QueryMultiString(c.name).has_value(), c.multi);
        EXPECT_EQ(key.QueryDword(c.name).has_value(), c.dword);
        EXPECT_EQ(key.QueryBinary(c.name).has_value(), c.binary);
    }
    EXPECT_EQ(key.QueryString("sz"), "text");
    EXPECT_EQ(key.QueryExpandString("expand"), "%TEMP%\\x");
    EXPECT_EQ(key.QueryMultiString("multi"), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(key.QueryDword("dword"), 0x12345678u);
    EXPECT_EQ(key.QueryBinary("binary"), std::string("\0\xFF", 2));
    auto qword = key.QueryValue("QWORD");
    ASSERT_TRUE(qword.ok() && qword->has_value());
    EXPECT_EQ((*qword)->type, 11u);
    EXPECT_EQ((*qword)->data, std::string(8, '\x01'));
    EXPECT_FALSE(key.QueryValue("missing").value().has_value());
}

TEST_F(RegistryTest, StringsAreStoredAsUtf16WithTheirNuls) {
    RegKey key = Create("Strings");
    ASSERT_TRUE(key.SetString("s", "Caf\xE9").ok());  // 1252
    ASSERT_TRUE(key.SetString("empty", "").ok());
    ASSERT_TRUE(key.SetMultiString("m", {"a", "b"}).ok());
    ASSERT_TRUE(key.SetMultiString("none", {}).ok());
    ASSERT_TRUE(key.SetDword("d", 10).ok());
    auto raw = [&](const char* name) { return key.QueryValue(name).value().value().data; };
    EXPECT_EQ(raw("s"), std::string("C\0a\0f\0\xE9\0\0\0", 10));
    EXPECT_EQ(raw("empty"), std::string(2, '\0'));
    EXPECT_EQ(raw("m"), std::string("a\0\0\0b\0\0\0\0\0", 10));
    EXPECT_EQ(raw("none"), std::string(2, '\0'));
    EXPECT_EQ(raw("d"), std::string("\x0A\0\0\0", 4));
    EXPECT_EQ(key.QueryMultiString("none"), std::vector<std::string>{});

    // Another code page sees the same characters; a character its page lacks reads as '?'.
    auto unicode = registry_->WithCodePage(platform::kCodePageUtf8);
    ASSERT_TRUE(unicode.ok());
    EXPECT_EQ((*unicode)->OpenKey("strings", false)->QueryString("S"), "Caf\xC3\xA9");
    ASSERT_TRUE((*unicode)->OpenKey("Strings", true)->SetString("cyr", "\xD0\x96").ok());
    EXPECT_EQ(key.QueryString("cyr"), "?");
    EXPECT_EQ(OpenRegistry(1251)->OpenKey("Strings", false)->QueryString("cyr"), "\xC6");

    // Data written with no terminating NUL, with an odd length or with a NUL inside still reads.
    ASSERT_TRUE(key.SetValue("raw", platform::kRegSz, std::string("a\0b\0\0\0c\0", 8)).ok());
    EXPECT_EQ(key.QueryString("raw"), "ab");
    ASSERT_TRUE(key.SetValue("odd", platform::kRegSz, std::string("a\0b", 3)).ok());
    EXPECT_EQ(key.QueryString("odd"), "a");
    ASSERT_TRUE(key.SetValue("nul", platform::kRegSz, "").ok());
    EXPECT_EQ(key.QueryString("nul"), "");
}

TEST_F(RegistryTest, NamesInTheCodePageFoldBeyondAscii) {
    RegKey key = Create("Caf\xE9\\\xC9t\xE9");  // "Café\Été" in 1252
    ASSERT_TRUE(key.SetString("\xC4rger", "1").ok());
    EXPECT_TRUE(registry_->KeyExists("CAF\xC9\\\xE9T\xC9"));
    EXPECT_EQ(key.QueryString("\xE4RGER"), "1");
    auto unicode = registry_->WithCodePage(platform::kCodePageUtf8);
    auto same = (*unicode)->OpenKey("CAF\xC3\x89\\\xC3\xA9t\xC3\xA9", false);
    ASSERT_TRUE(same.ok());
    EXPECT_EQ(same->Path(), "Caf\xC3\xA9\\\xC3\x89t\xC3\xA9");
    // In a double-byte page a trail byte may be 0x5C ('\'): "表" must stay one name.
    auto japanese = OpenRegistry(932);
    ASSERT_TRUE(japanese->OpenKey("Kanji\\\x95\x5C", true).ok());
    EXPECT_EQ(japanese->OpenKey("Kanji", false)->SubkeyNames().value(), std::vector<std::string>{"\x95\x5C"});
}

TEST_F(RegistryTest, DeleteTreeTakesEverythingBelowAndNothingBeside) {
    ASSERT_TRUE(Create("T\\Branch\\Leaf\\Deeper").SetString("v", "1").ok());
    ASSERT_TRUE(Create("T\\Branch").SetString("v", "1").ok());
    ASSERT_TRUE(Create("T\\BranchTwo").SetString("v", "2").ok());
    RegKey leaf = *registry_->OpenKey("T\\Branch\\Leaf", true);

    EXPECT_FALSE(registry_->DeleteKey("T\\Branch").ok());  // it has subkeys
    ASSERT_TRUE(registry_->DeleteTree("t\\BRANCH").ok());
    EXPECT_FALSE(registry_->KeyExists("T\\Branch"));
    EXPECT_EQ(Subkeys("T"), std::vector<std::string>{"BranchTwo"});
    EXPECT_EQ(registry_->OpenKey("T\\BranchTwo", false)->QueryString("v"), "2");
    EXPECT_FALSE(registry_->DeleteTree("T\\Branch").ok());  // already gone

    // The handle of a deleted key fails cleanly, even once a key of that name exists again.
    Create("T\\Branch\\Leaf");
    EXPECT_FALSE(leaf.SetString("x", "y").ok());
    EXPECT_FALSE(leaf.Values().ok());
    EXPECT_FALSE(leaf.SubkeyNames().ok());
    EXPECT_FALSE(leaf.QueryValue("v").ok());
    EXPECT_FALSE(leaf.QueryString("v").has_value());
    EXPECT_FALSE(leaf.OpenSubkey("New", true).ok());
    EXPECT_FALSE(leaf.DeleteValue("v").ok());
    EXPECT_EQ(Subkeys("T\\Branch\\Leaf"), std::vector<std::string>{});

    ASSERT_TRUE(registry_->DeleteKey("T\\Branch\\Leaf").ok());
    EXPECT_FALSE(registry_->DeleteKey("").ok());
    ASSERT_TRUE(registry_->DeleteTree("").ok());  // empties the hive but keeps it
    EXPECT_EQ(Subkeys(""), std::vector<std::string>{});
    EXPECT_TRUE(registry_->OpenKey("", true)->SetString("v", "1").ok());
}

TEST_F(RegistryTest, SubkeyHandlesOpenRelativePaths) {
    RegKey base = Create("Base");
    auto sub = base.OpenSubkey("One\\Two", true);
    ASSERT_TRUE(sub.ok());
    EXPECT_EQ(sub->Path(), "Base\\One\\Two");
    EXPECT_FALSE(base.OpenSubkey("Three", false).ok());
    EXPECT_TRUE(base.OpenSubkey("one/two", false).ok());
}

TEST_F(RegistryTest, FailedTransactionLeavesNothingBehind) {
    RegKey key = Create("Tx");
    ASSERT_TRUE(key.SetString("kept", "old").ok());
    Result<void> failed = registry_->Transaction([&]() -> Result<void> {
        if (auto r = key.SetString("kept", "new"); !r)
            return r;
        if (auto r = registry_->OpenKey("Tx\\Made\\Inside", true); !r)
            return r.error();
        if (auto r = registry_->DeleteTree("Tx\\Made"); !r)
            return r;
        if (auto r = registry_->OpenKey("Tx\\Other", true); !r)
            return r.error();
        // A failing step inside does not undo the steps before it, only the body's error does.
        EXPECT_FALSE(registry_->DeleteTree("Tx\\Missing").ok());
        EXPECT_TRUE(registry_->KeyExists("Tx\\Other"));
        return platform::Fail("stop");
    });
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message, "stop");
    EXPECT_EQ(key.QueryString("kept"), "old");
    EXPECT_EQ(Subkeys("Tx"), std::vector<std::string>{});

    ASSERT_TRUE(registry_->Transaction([&]() -> Result<void> { return key.SetString("kept", "new"); }).ok());
    EXPECT_EQ(OpenRegistry(1252)->OpenKey("Tx", false)->QueryString("kept"), "new");
}

TEST(RegistryFile, GarbageIsAnErrorNotACrash) {
    kit_test::TempDir dir;
    std::string garbage;
    for (int i = 0; i < 8192; ++i) {
        garbage += static_cast<char>((i * 7919) & 0xFF);
    }
    kit_test::WriteFile(dir.path() / "garbage.db", garbage);
    auto opened = Registry::Open(dir.path() / "garbage.db", 1252);
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.error().message.find("garbage.db"), std::string::npos) << opened.error().message;
    EXPECT_EQ(kit_test::ReadFile(dir.path() / "garbage.db"), garbage);  // left as it was

    // A valid header followed by garbage: opening or the first read fails, nothing crashes.
    std::string header = std::string("SQLite format 3\0", 16) + garbage;
    kit_test::WriteFile(dir.path() / "torn.db", header);
    auto torn = Registry::Open(dir.path() / "torn.db", 1252);
    if (torn.ok()) {
        EXPECT_FALSE((*torn)->OpenKey("A", true).ok());
    }

    EXPECT_FALSE(Registry::Open(dir.path() / "no" / "folder.db", 1252).ok());
    EXPECT_FALSE(Registry::Open(dir.path() / "fine.db", 4242).ok());
    kit_test::WriteFile(dir.path() / "empty.db", "");
    EXPECT_TRUE(Registry::Open(dir.path() / "empty.db", 1252).ok());  // an empty file is a new database
}

TEST(RegistryProcesses, TwoWritersAtOnceLoseNothing) {
    kit_test::TempDir dir;
    const auto dbPath = dir.path() / "registry.db";
    constexpr int kValues = 150;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            // Each child opens its own connection and writes one value per transaction, to a key
            // of its own and to one both share.
            auto registry = Registry::Open(dbPath, 1252);
            int failures = registry.ok() ? 0 : 1;
            for (int i = 0; registry.ok() && i < kValues; ++i) {
                std::string name =
                    std::string("p").append(std::to_string(child)).append("_").append(std::to_string(i));
                auto own = (*registry)->OpenKey(
                    "Proc" + std::to_string(child) + "\\K" + std::to_string(i % 10), true);
                auto shared = (*registry)->OpenKey("Shared\\Deep\\Key", true);
                if (!own.ok() || !shared.ok() || !own->SetDword(name, static_cast<uint32_t>(i)).ok() ||
                    !shared->SetString(name, name).ok()) {
                    ++failures;
                }
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto registry = Registry::Open(dbPath, 1252);
    ASSERT_TRUE(registry.ok());
    auto shared = (*registry)->OpenKey("Shared\\Deep\\Key", false);
    ASSERT_TRUE(shared.ok());
    EXPECT_EQ(shared->Values()->size(), 2u * kValues);
    for (int child = 0; child < 2; ++child) {
        for (int i = 0; i < kValues; ++i) {
            std::string name =
                std::string("p").append(std::to_string(child)).append("_").append(std::to_string(i));
            auto own =
                (*registry)->OpenKey("Proc" + std::to_string(child) + "\\K" + std::to_string(i % 10), false);
            ASSERT_TRUE(own.ok());
            EXPECT_EQ(own->QueryDword(name), static_cast<uint32_t>(i)) << name;
            EXPECT_EQ(shared->QueryString(name), name);
        }
    }
}

TEST(CurrentRegistry, FollowsTheCurrentRoot) {
    {
        kit_test::TempSystemRoot first;
        auto registry = platform::CurrentRegistry();
        ASSERT_TRUE(registry.ok()) << registry.error().message;
        ASSERT_TRUE((*registry)->OpenKey("Software\\First", true).ok());
        EXPECT_TRUE(std::filesystem::exists(first.path() / "registry.db"));
        EXPECT_EQ(platform::CurrentRegistry().value(), *registry);  // opened once
    }
    kit_test::TempSystemRoot second;
    auto registry = platform::CurrentRegistry();
    ASSERT_TRUE(registry.ok());
    EXPECT_EQ((*registry)->DatabasePath(), second.path() / "registry.db");
    EXPECT_FALSE((*registry)->KeyExists("Software\\First"));
    EXPECT_EQ((*registry)->CodePage(), platform::SystemCodePage());
}

}  // namespace
