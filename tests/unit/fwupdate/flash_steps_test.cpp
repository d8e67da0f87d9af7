// The steps around the flash tools: DMI options of the BIOS command, the ESCD patch of the image and
// the start of a tool from the working folder.
#include "fwupdate/flash_steps.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/machine_rom.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace {

using fwupdate::BiosIdentity;
using fwupdate::ImageIdentity;

constexpr const char* kBase = "SWinFlash bios.wph /P";

TEST(CompleteBiosCommand, DmiOptionCases) {
    struct Case {
        const char* what;
        const char* runningFlag;
        const char* runningVersion;
        const char* imageFlag;
        uint32_t flags;
        const char* options;  // what the option parser added to the base command
        const char* added;    // what completion adds
    } cases[] = {
        {"running flag says A: nothing added", "NBFA2006", "P01A", "NBF 2006", 0, "", ""},
        {"running flag says B: nothing added", "NBFB2006", "P01E", "NBF 2006", 0, "", ""},
        {"blank, version not E: A and the default options", "NBF 2006", "P01A", "NBF 2006", 0, "",
         " /MODE=3 /DO0:NBFA2006 /DO1:01/15/2007 /DSS:SN 42"},
        {"blank, version E: B", "NBF 2006", "P01E", "NBF 2006", 0, "",
         " /MODE=3 /DO0:NBFB2006 /DO1:01/15/2007 /DSS:SN 42"},
        {"lower-case a is no mark", "NBFa2006", "P01A", "NBF 2006", 0, "",
         " /MODE=3 /DO0:NBFA2006 /DO1:01/15/2007 /DSS:SN 42"},
        {"/MODE=1 suppresses the default options", "NBF 2006", "P01A", "NBF 2006", 0x800, " /MODE=1", ""},
        {"/MODE=3 with B: the options once, after the option's own text", "NBFB2006", "P01A", "NBF 2006",
         0x200, " /MODE=3", " /DO0:NBFB2006 /DO1:01/15/2007 /DSS:SN 42"},
        {"/MODE=3 with a blank: the options once", "NBF 2006", "P01A", "NBF 2006", 0x200, " /MODE=3",
         " /DO0:NBFA2006 /DO1:01/15/2007 /DSS:SN 42"},
        {"/MODE=3 and /MODE=1: the options once", "NBF 2006", "P01A", "NBF 2006", 0xA00, " /MODE=3 /MODE=1",
         " /DO0:NBFA2006 /DO1:01/15/2007 /DSS:SN 42"},
        {"/MODE=5 only adds its text", "NBF 2006", "P01A", "NBF 2006", 0, " /MODE=5",
         " /MODE=3 /DO0:NBFA2006 /DO1:01/15/2007 /DSS:SN 42"},
        {"nothing read from the running BIOS", "", "", "NBF 2006", 0, "",
         " /MODE=3 /DO0:NBFA2006 /DO1: /DSS:SN 42"},
        {"image flag shorter than four characters is padded", "NBF 2006", "P01A", "NB", 0, "",
         " /MODE=3 /DO0:NB A /DO1:01/15/2007 /DSS:SN 42"},
        {"image flag replaced only in its fourth character", "XYZ 1", "P01E", "abcdefgh", 0, "",
         " /MODE=3 /DO0:abcBefgh /DO1:01/15/2007 /DSS:SN 42"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BiosIdentity running;
        running.biosFlag = c.runningFlag;
        running.version = c.runningVersion;
        running.purchaseDate = c.runningFlag[0] ? "01/15/2007" : "";
        running.systemSerial = "SN 42";
        ImageIdentity image;
        image.biosFlagDefault = c.imageFlag;
        std::string command = std::string(kBase) + c.options;
        EXPECT_TRUE(fwupdate::CompleteBiosCommand(running, image, c.flags, command));
        EXPECT_EQ(command, std::string(kBase) + c.options + c.added);
    }
}

TEST(CompleteBiosCommand, OptionsThatDoNotFitAreLeftOutWhole) {
    BiosIdentity running;
    running.biosFlag = "NBF 2006";
    running.version = "P01A";
    running.purchaseDate = "01/15/2007";
    running.systemSerial = std::string(31, 'S');
    ImageIdentity image;
    image.biosFlagDefault = "NBF 2006";
    std::string command = kBase + std::string(" /MODE") + std::string(200, 'X');
    const std::string before = command;
    EXPECT_FALSE(fwupdate::CompleteBiosCommand(running, image, 0, command));
    EXPECT_EQ(command, before);

    std::string text(fwupdate::kMaxCommandChars - 1, 'a');
    EXPECT_TRUE(fwupdate::AppendCommand(text, "b"));
    EXPECT_EQ(text.size(), fwupdate::kMaxCommandChars);
    EXPECT_FALSE(fwupdate::AppendCommand(text, "c"));
    EXPECT_TRUE(fwupdate::AppendCommand(text, ""));
    EXPECT_EQ(text.back(), 'b');
}

class EscdPatch : public ::testing::Test {
  protected:
    std::filesystem::path Write(const std::vector<uint8_t>& bytes) {
        std::filesystem::path file = dir_.path() / "bios.wph";
        kit_test::WriteFile(file, std::string(bytes.begin(), bytes.end()));
        return file;
    }
    std::vector<uint8_t> Contents() {
        std::string text = kit_test::ReadFile(dir_.path() / "bios.wph");
        return {text.begin(), text.end()};
    }
    static std::vector<uint8_t> Image(size_t romSize) {
        platform::RomIdentity id;
        id.size = romSize;
        return platform::BuildBiosImage(id);
    }
    static size_t TableAt(size_t romSize) {
        return romSize + platform::kZqdsOffset + platform::kEscdTableOffset;
    }
    kit_test::TempDir dir_;
};

TEST_F(EscdPatch, PatchesEntryZeroOf512KAndEntryEightOf1M) {
    for (auto [romSize, index] :
         {std::pair{size_t{0x80000}, size_t{0}}, std::pair{size_t{0x100000}, size_t{8}}}) {
        SCOPED_TRACE(romSize);
        std::vector<uint8_t> image = Image(romSize);
        size_t entryAt = TableAt(romSize) + 16 * index;
        platform::EscdEntry before = platform::ReadEscdEntry(std::span(image).subspan(entryAt));
        ASSERT_NE(before.length & 0xFFFF, 0u);

        fwupdate::EscdPatchResult result = fwupdate::PatchEscd(Write(image));
        EXPECT_TRUE(result.patched);
        EXPECT_EQ(result.entryOffset, entryAt);
        std::vector<uint8_t> after = Contents();
        ASSERT_EQ(after.size(), image.size());
        platform::EscdEntry patched = platform::ReadEscdEntry(std::span(after).subspan(entryAt));
        EXPECT_EQ(patched.start, before.start + (before.length & 0xFFFF));
        EXPECT_EQ(patched.end, before.end - (before.length & 0xFFFF));
        EXPECT_EQ(patched.length, before.length & 0xFFFF0000u);
        EXPECT_EQ(patched.attributes, before.attributes);
        EXPECT_EQ(patched.kind, 0x22);
        // Nothing else changed.
        std::copy(after.begin() + static_cast<std::ptrdiff_t>(entryAt),
                  after.begin() + static_cast<std::ptrdiff_t>(entryAt + 16),
                  image.begin() + static_cast<std::ptrdiff_t>(entryAt));
        EXPECT_TRUE(after == image);
    }
}

// Every case leaves the file exactly as it was.
TEST_F(EscdPatch, UnchangedWhenTheTableOrItsRecordsAreMissing) {
    const size_t rom = 0x100000;
    const std::vector<uint8_t> good = Image(rom);
    const size_t table = TableAt(rom);
    auto zeroEntry = [&](size_t index, bool keepAttributes) {
        std::vector<uint8_t> bytes = good;
        for (size_t i = 0; i < 16; ++i)
            if (!keepAttributes || (i != 12 && i != 13))
                bytes[table + 16 * index + i] = 0;
        return bytes;
    };
    auto find = [&](const std::vector<uint8_t>& bytes, std::string_view text) {
        return static_cast<size_t>(std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) -
                                   bytes.begin());
    };
    struct Case {
        std::string what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.reserve(16);
    cases.push_back({"entry 3 ends the table", zeroEntry(3, false)});
    cases.push_back({"entry 7 ends the table, value at 12 not looked at", zeroEntry(7, true)});
    cases.push_back({"entry 8 itself ends the table", zeroEntry(8, false)});
    std::vector<uint8_t> noDescriptor = good;
    noDescriptor[find(good, "ZFLPF")] = 'z';
    cases.push_back({"no flash descriptor", noDescriptor});
    std::vector<uint8_t> noZqds = good;
    noZqds[find(good, "ZQDS")] = 'z';
    cases.push_back({"no ZQDS record", noZqds});
    size_t descriptor = find(good, "ZFLPF");
    cases.push_back(
        {"descriptor cut short",
         std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(descriptor + 60))});
    std::vector<uint8_t> farTable = good;
    std::fill(farTable.begin() + static_cast<std::ptrdiff_t>(descriptor + 53),
              farTable.begin() + static_cast<std::ptrdiff_t>(descriptor + 57), 0xFF);
    cases.push_back({"table past the end of the file", farTable});
    cases.push_back({"table runs off the end before entry 8",
                     std::vector<uint8_t>(good.begin(),
                                          good.begin() + static_cast<std::ptrdiff_t>(table + 16 * 8 + 15))});
    // Records only in the ROM part: the search starts behind it.
    std::vector<uint8_t> onlyInRom(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(rom));
    std::copy(good.begin() + static_cast<std::ptrdiff_t>(rom), good.end(), onlyInRom.begin() + 0x1000);
    cases.push_back({"records inside the ROM part", onlyInRom});
    cases.push_back({"empty file", std::vector<uint8_t>{}});
    cases.push_back({"five bytes", std::vector<uint8_t>{'Z', 'F', 'L', 'P', 'F'}});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(fwupdate::PatchEscd(Write(c.bytes)).patched);
        EXPECT_TRUE(Contents() == c.bytes);
    }
    EXPECT_FALSE(fwupdate::PatchEscd(dir_.path() / "missing.wph").patched);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "missing.wph"));
}

// A 512 KiB image: the first entry is patched even when it is the only one before the end of file.
TEST_F(EscdPatch, TableWithoutEndingEntryStopsAtTheEndOfTheFile) {
    const size_t rom = 0x80000;
    std::vector<uint8_t> image = Image(rom);
    image.resize(TableAt(rom) + 16);
    EXPECT_TRUE(fwupdate::PatchEscd(Write(image)).patched);
    EXPECT_EQ(Contents().size(), image.size());
}

class RunToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = dir_.path() / "Program Files" / "work dir";
        std::filesystem::create_directories(folder_);
        // A program named like the part of the path before the first blank: without quoting it would
        // be the one started.
        Script(dir_.path() / "Program", "exit 7");
    }
    static void Script(const std::filesystem::path& path, const std::string& body) {
        kit_test::WriteFile(path, "#!/bin/sh\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
    }
    std::string Folder() const { return folder_.string() + "/"; }
    kit_test::TempDir dir_;
    std::filesystem::path folder_;
};

TEST_F(RunToolTest, FolderWithBlanksRunsTheRightProgramThere) {
    Script(folder_ / "SWinFlash", "pwd > ran.txt; echo \"$@\" >> ran.txt; exit 0");
    kit_test::ScopedEnv log("WINSYS_DEBUG_LOG", (dir_.path() / "debug.log").string());
    EXPECT_EQ(fwupdate::RunTool(Folder(), "SWinFlash bios.wph /P"), 0);
    EXPECT_EQ(kit_test::ReadFile(folder_ / "ran.txt"), folder_.string() + "\nbios.wph /P\n");
    EXPECT_EQ(kit_test::ReadFile(dir_.path() / "debug.log"),
              "Bios command : \"" + Folder() + "SWinFlash\" bios.wph /P\r\n");
}

TEST_F(RunToolTest, ExitStatusAndMissingTool) {
    Script(folder_ / "WinUpV01_10", "exit 1");
    EXPECT_EQ(fwupdate::RunTool(Folder(), "WinUpV01_10 kbc.bin /FORCE"), 1);
    EXPECT_EQ(fwupdate::RunTool(Folder(), "SWinFlash bios.wph /P"), -1);
    EXPECT_EQ(fwupdate::RunTool((dir_.path() / "nowhere").string() + "/", "WinUpV01_10 kbc.bin /FORCE"), -1);
}

TEST(ToolCommandLine, QuotesOnlyWhenTheFolderHasABlank) {
    EXPECT_EQ(fwupdate::ToolCommandLine("C:\\Temp\\__Kantrel_Update\\", "SWinFlash bios.wph /P"),
              "C:\\Temp\\__Kantrel_Update\\SWinFlash bios.wph /P");
    EXPECT_EQ(fwupdate::ToolCommandLine("C:\\My Temp\\__Kantrel_Update\\", "WinUpV01_10 kbc.bin /FORCE"),
              "\"C:\\My Temp\\__Kantrel_Update\\WinUpV01_10\" kbc.bin /FORCE");
    EXPECT_EQ(fwupdate::ToolCommandLine("C:\\My Temp\\", "Tool"), "\"C:\\My Temp\\Tool\"");
}

}  // namespace
