// fwpack and the packed fwupdate, run as the build and a user run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "fwupdate/gzip_member.h"
#include "fwupdate/payload_archive.h"
#include "support/run_command.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

const std::string kBin = KIT_BIN_DIR;

kit_test::CommandResult Fwpack(const std::string& args) {
    return kit_test::RunKitProgram("fwpack", args);
}

// Packs a folder into a copy of the unpacked updater.
fs::path PackUpdater(const fs::path& payload, const fs::path& output) {
    auto run = Fwpack(kBin + "/fwupdate-unpacked " + payload.string() + " -o " + output.string());
    EXPECT_EQ(run.status, 0) << run.output;
    return output;
}

// Runs the packed updater in `folder` on a system root with the given LANGID. Standard error goes to
// err.txt in the folder, standard output into the result.
kit_test::CommandResult RunUpdater(const fs::path& exe, const fs::path& folder, const std::string& langId) {
    fs::path root = folder / "root";
    auto init = kit_test::RunKitProgram("winsys", "init " + root.string() + " --langid " + langId);
    EXPECT_EQ(init.status, 0) << init.output;
    return kit_test::RunCommand("(cd " + folder.string() + " && WINSYS_ROOT=" + root.string() +
                                " WINSYS_MSGBOX_LOG=" + (folder / "boxes.jsonl").string() + " " +
                                exe.string() + " 2>" + (folder / "err.txt").string() + ")");
}

TEST(Fwpack, PacksSortedGzipMembersAndListsThem) {
    kit_test::TempDir dir;
    kit_test::WriteFile(dir.path() / "payload" / "winhlp32.exe", "w");
    kit_test::WriteFile(dir.path() / "payload" / "AddMem.sys", std::string(10000, 'a'));
    kit_test::WriteFile(dir.path() / "payload" / "PHLASH.INI", "[x]");
    kit_test::WriteFile(dir.path() / "payload" / "mfc42.dll", "m");
    fs::path exe = PackUpdater(dir.path() / "payload", dir.path() / "fwupdate");
    EXPECT_TRUE((fs::status(exe).permissions() & fs::perms::owner_exec) != fs::perms::none);

    auto list = Fwpack("--list " + exe.string());
    ASSERT_EQ(list.status, 0) << list.output;
    size_t a = list.output.find("AddMem.sys.gz");
    size_t m = list.output.find("mfc42.dll.gz");
    size_t p = list.output.find("PHLASH.INI.gz");
    size_t w = list.output.find("winhlp32.exe.gz");
    ASSERT_NE(w, std::string::npos) << list.output;
    EXPECT_TRUE(a < m && m < p && p < w) << list.output;
    EXPECT_NE(list.output.find("10000  AddMem.sys.gz"), std::string::npos) << list.output;

    // The first member follows the archive header and the first entry header.
    std::string bytes = kit_test::ReadFile(exe);
    auto offset = fwupdate::ReadArchiveOffset(exe);
    ASSERT_TRUE(offset && *offset > 0);
    EXPECT_EQ(bytes.substr(*offset, 4), "LPCK");
    EXPECT_EQ(bytes.substr(*offset + 12 + 264, 10),
              std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x0b", 10));

    // Packing the packed program again replaces its archive instead of stacking a second one.
    fs::path again = PackUpdater(dir.path() / "payload", dir.path() / "again");
    auto repack = Fwpack(exe.string() + " " + (dir.path() / "payload").string() + " -o " + again.string());
    ASSERT_EQ(repack.status, 0) << repack.output;
    EXPECT_EQ(kit_test::ReadFile(again), bytes);
}

TEST(Fwpack, RefusesNamesItCannotStoreAndBadCommandLines) {
    kit_test::TempDir dir;
    kit_test::WriteFile(dir.path() / "slash" / "back\\slash", "x");
    kit_test::WriteFile(dir.path() / "dots" / "a..b", "x");
    kit_test::WriteFile(dir.path() / "ok" / std::string(255, 'n'),
                        "x");  // the longest name a file can have here
    fs::create_directories(dir.path() / "sub" / "folder");
    for (const char* folder : {"slash", "dots", "missing", "sub"}) {
        fs::path out = dir.path() / (std::string(folder) + ".exe");
        auto run =
            Fwpack(kBin + "/fwupdate-unpacked " + (dir.path() / folder).string() + " -o " + out.string());
        EXPECT_EQ(run.status, 1) << folder << ": " << run.output;
        EXPECT_FALSE(fs::exists(out)) << folder;
    }
    auto ok = Fwpack(kBin + "/fwupdate-unpacked " + (dir.path() / "ok").string() + " -o " +
                     (dir.path() / "ok.exe").string());
    EXPECT_EQ(ok.status, 0) << ok.output;

    EXPECT_EQ(Fwpack("").status, 2);
    EXPECT_EQ(Fwpack(kBin + "/fwupdate-unpacked " + dir.str()).status, 2);
    EXPECT_EQ(Fwpack("--list " + kBin + "/fwupdate-unpacked").status, 1);
    kit_test::WriteFile(dir.path() / "script", "#!/bin/sh\n");
    EXPECT_EQ(Fwpack((dir.path() / "script").string() + " " + (dir.path() / "ok").string() + " -o " +
                     (dir.path() / "x").string())
                  .status,
              1);
}

// After the language the update itself starts: its confirmation prompt is the one box, and an
// unattended run answers it with Cancel.
void ExpectOnlyThePrompt(const fs::path& boxes, const std::string& before = "") {
    ASSERT_TRUE(fs::exists(boxes));
    std::string lines = kit_test::ReadFile(boxes);
    ASSERT_EQ(lines.compare(0, before.size(), before), 0) << lines;
    lines.erase(0, before.size());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
    EXPECT_NE(lines.find("\"flags\": 65, \"answer\": 2}"), std::string::npos) << lines;
}

TEST(FwupdateLanguage, LibraryFollowsTheSystemLangId) {
    struct Case {
        const char* langId;
        const char* expected;
    } cases[] = {
        {"0x1004", "Traditional Chinese messages from"},
        {"0x0411", "English messages from"},
        {"0x0419", "Russian messages from"},
    };
    for (const Case& c : cases) {
        kit_test::TempDir dir;
        auto run = RunUpdater(kBin + "/fwupdate", dir.path(), c.langId);
        EXPECT_EQ(run.status, 0) << c.langId << ": " << run.output;
        EXPECT_NE(run.output.find(c.expected), std::string::npos) << c.langId << ": " << run.output;
        ExpectOnlyThePrompt(dir.path() / "boxes.jsonl");
    }
}

TEST(FwupdateLanguage, MissingOrBrokenLibraryFallsBackOnEnglish) {
    kit_test::TempDir dir;
    kit_test::WriteFile(dir.path() / "payload" / "ConResEn.dll", "this is no shared object");
    fs::path exe = PackUpdater(dir.path() / "payload", dir.path() / "fwupdate");

    fs::path broken = dir.path() / "broken";
    fs::create_directory(broken);
    auto run = RunUpdater(exe, broken, "0x0409");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("ConResEn.dll does not load"), std::string::npos) << run.output;
    ExpectOnlyThePrompt(
        broken / "boxes.jsonl",
        "{\"caption\": \"Fail : Dll\", \"text\": \"Fail To Load Dll\", \"flags\": 16, \"answer\": 1}\n");

    fs::path missing = dir.path() / "missing";
    fs::create_directory(missing);
    run = RunUpdater(exe, missing, "0x0407");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("ConResGr.dll is not in the payload"), std::string::npos) << run.output;
    ExpectOnlyThePrompt(missing / "boxes.jsonl");
}

TEST(FwupdateLanguage, CorruptOrTruncatedLibraryEndsWithStatus1) {
    kit_test::TempDir dir;
    kit_test::WriteFile(dir.path() / "payload" / "ConResEn.dll",
                        kit_test::ReadFile(std::string(KIT_LANG_DIR) + "/ConResEn.dll"));
    fs::path exe = PackUpdater(dir.path() / "payload", dir.path() / "fwupdate");
    std::string packed = kit_test::ReadFile(exe);

    std::string corrupt = packed;
    corrupt[corrupt.size() - 7] ^= 0x20;  // inside the member's check value
    kit_test::WriteFile(dir.path() / "corrupt.exe", corrupt);
    kit_test::WriteFile(dir.path() / "truncated.exe", packed.substr(0, packed.size() - 1000));
    fs::permissions(dir.path() / "corrupt.exe", fs::perms::owner_all);
    fs::permissions(dir.path() / "truncated.exe", fs::perms::owner_all);

    struct Case {
        const char* exe;
        const char* message;
    } cases[] = {
        {"corrupt.exe", "ConResEn.dll.gz: incorrect data check"},
        {"truncated.exe", "ConResEn.dll.gz: unexpected end of file"},
    };
    for (const Case& c : cases) {
        fs::path folder = dir.path() / (std::string(c.exe) + ".run");
        fs::create_directory(folder);
        auto run = RunUpdater(dir.path() / c.exe, folder, "0x0409");
        EXPECT_EQ(run.status, 1) << c.exe << ": " << run.output;
        std::string err = kit_test::ReadFile(folder / "err.txt");
        EXPECT_EQ(err.find(c.exe), 0u) << err;  // "<program>: <member>: <reason>"
        EXPECT_NE(err.find(c.message), std::string::npos) << c.exe << ": " << err;
        EXPECT_FALSE(fs::exists(folder / "boxes.jsonl"));
    }
}

}  // namespace
