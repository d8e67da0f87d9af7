// The pre-update checks: power, disk space, image listing and selection, date, model and part number.
#include "fwupdate/checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "fwupdate/failure_report.h"
#include "fwupdate/resource_module.h"
#include "message_log.h"
#include "platform/machine.h"
#include "platform/machine_rom.h"
#include "platform/system_root.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

using fwupdate::UpdateFlags;
using fwupdate_test::MessageLog;

// --- Power ---

TEST(PowerCheck, TableOfStatuses) {
    struct Case {
        unsigned ac;
        unsigned battery;
        uint32_t result;
    } cases[] = {
        {1, 30, 0},           {1, 100, 0},
        {1, 29, 0x80000011},  {1, 0, 0x80000011},
        {1, 255, 0x80000011}, {1, 101, 0x80000011},
        {0, 100, 0x80000010}, {255, 50, 0x80000010},
        {0, 29, 0x80000012},  {255, 255, 0x80000012},
    };
    for (const Case& c : cases) {
        platform::PowerStatus status{static_cast<uint8_t>(c.ac), static_cast<uint8_t>(c.battery)};
        EXPECT_EQ(fwupdate::PowerCheckResult(status), c.result) << c.ac << " " << c.battery;
    }
    EXPECT_EQ(fwupdate::PowerCheckResult(std::nullopt), 0x80000012u);
}

void SetMachine(const char* key, const std::string& value) {
    ASSERT_TRUE(platform::UpdateMachine(platform::MachineFolder(), [&](platform::Machine& m) {
                    ASSERT_TRUE(m.Set(key, value).ok());
                }).ok());
}

TEST(PowerCheck, ReadsTheMachineUnlessSkipped) {
    kit_test::TempSystemRoot root;
    EXPECT_EQ(fwupdate::CheckPower(0), 0u);
    SetMachine("ac", "0");
    SetMachine("battery", "29");
    EXPECT_EQ(fwupdate::CheckPower(0), 0x80000012u);
    EXPECT_EQ(fwupdate::CheckPower(fwupdate::kFlagSkipCheckPower), 0u);
}

// --- Disk space ---

TEST(DiskSpaceCheck, FixedFigureOrTheVolumeOrNothing) {
    kit_test::TempSystemRoot root;
    kit_test::TempDir folder;
    EXPECT_GT(fwupdate::FreeDiskMiB(folder.path()), 0u);
    EXPECT_EQ(fwupdate::FreeDiskMiB(folder.path() / "no" / "such" / "folder"), 0u);
    SetMachine("free_disk_mib", "1");
    EXPECT_EQ(fwupdate::FreeDiskMiB(folder.path()), 1u);
}

TEST(DiskSpaceCheck, TooLittleShowsItsOwnMessage) {
    auto english = fwupdate::ExecutableResources();
    struct Case {
        uint64_t freeMiB;
        bool passes;
    } cases[] = {{0, false}, {1, false}, {2, true}, {4096, true}};
    for (const Case& c : cases) {
        MessageLog log;
        EXPECT_EQ(fwupdate::CheckDiskSpace(c.freeMiB, 0, *english), c.passes) << c.freeMiB;
        std::vector<std::string> expected;
        if (!c.passes) {
            expected.push_back(MessageLog::Expected(
                "Fail : Disk Space",
                "Insufficient free disk space.\n\n   Remaining free disk space: " +
                    std::to_string(c.freeMiB) + "Mbytes\n Required free disk space: 2Mbytes",
                16, platform::IDOK));
        }
        EXPECT_EQ(log.Lines(), expected) << c.freeMiB;
    }
    MessageLog quiet;
    EXPECT_FALSE(fwupdate::CheckDiskSpace(1, fwupdate::kFlagNoMessageBox, *english));
    EXPECT_TRUE(quiet.Lines().empty());
}

// --- Images ---

// A folder of images, with the trace lines the checks write.
class ImageFolder : public ::testing::Test {
  protected:
    void SetUp() override { platform::ResetMessageBoxStateForTesting(); }

    void WriteImage(const std::string& name, const std::string& partNumber, const std::string& model = "NB10",
                    const std::string& date = "12/31/2006") {
        platform::RomIdentity identity;
        identity.partNumber = partNumber;
        identity.model = model;
        identity.releaseDate = date;
        identity.size = 0x80000;
        std::vector<uint8_t> rom = platform::BuildRom(identity);
        kit_test::WriteFile(folder_.path() / name, std::string(rom.begin(), rom.end()));
    }
    void WriteFile(const std::string& name, const std::string& bytes) {
        kit_test::WriteFile(folder_.path() / name, bytes);
    }
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Bytes(const std::string& name) const { return kit_test::ReadFile(folder_.path() / name); }
    std::string TraceText() const {
        return fs::exists(traceFile_) ? kit_test::ReadFile(traceFile_) : std::string();
    }

    kit_test::TempSystemRoot root_;
    kit_test::TempDir folder_;
    kit_test::TempDir traceDir_;
    fs::path traceFile_ = traceDir_.path() / "debug.log";
    kit_test::ScopedEnv traceLog_{"WINSYS_DEBUG_LOG", traceFile_.string()};
};

// Reads an image the way the updater does, through the ROM's own reader, so the selection is tested
// on real images.
uint32_t ReadWithRomInfo(const fs::path& file, fwupdate::ImageIdentity& identity) {
    std::string bytes = kit_test::ReadFile(file);
    platform::RomInfo info = platform::ReadRomInfo(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (!info.complete) {
        return fwupdate::kResultInvalidBiosFile;
    }
    identity.model = info.model;
    identity.partNumber = info.partNumber;
    identity.version = info.version;
    const std::string& d = info.buildDate;  // MM/DD/YY
    unsigned month = std::stoul(d.substr(0, 2));
    unsigned day = std::stoul(d.substr(3, 2));
    unsigned year = 2000 + std::stoul(d.substr(6, 2));
    identity.date = fwupdate::PackDate(day, month, year);
    identity.biosFlagDefault = info.biosFlagDefault;
    return 0;
}

fwupdate::BiosIdentity Running(const std::string& partNumber, const std::string& model = "NB10") {
    fwupdate::BiosIdentity running;
    running.partNumber = partNumber;
    running.model = model;
    running.version = "P00A";
    return running;
}

TEST_F(ImageFolder, ListsBothKindsWithoutRegardToCaseInNtfsOrder) {
    WriteImage("b_012.WPH", "012");
    WriteImage("A_011.wph", "011");
    WriteFile("NB10_012.BIN", "micom 012");
    WriteFile("nb10_011.bin", "micom 011");
    WriteFile("notes.txt", "x");
    WriteFile("binary", "x");
    fs::create_directory(folder_.path() / "folder.wph");

    UpdateFlags flags = 0;
    fwupdate::ImageLists lists = fwupdate::ListImages(folder_.path(), flags);
    EXPECT_EQ(lists.biosImages, (std::vector<std::string>{"A_011.wph", "b_012.WPH"}));
    EXPECT_EQ(lists.micomImages, (std::vector<std::string>{"nb10_011.bin", "NB10_012.BIN"}));
    EXPECT_EQ(flags, 0u);
    EXPECT_NE(TraceText().find("Micom File Found : nb10_011.bin\n"
                               "Micom File Found : NB10_012.BIN\n"
                               "Total Micom File Number : 2\n"),
              std::string::npos)
        << TraceText();
}

TEST_F(ImageFolder, NoMicomImageSetsTheSkipFlag) {
    WriteImage("A_011.wph", "011");
    UpdateFlags flags = fwupdate::kFlagSkipCheckDate;
    fwupdate::ImageLists lists = fwupdate::ListImages(folder_.path(), flags);
    EXPECT_TRUE(lists.micomImages.empty());
    EXPECT_EQ(flags, fwupdate::kFlagSkipCheckDate | fwupdate::kFlagSkipMicom);
    EXPECT_NE(TraceText().find("Total Micom File Number : 0\n"), std::string::npos);
}

TEST_F(ImageFolder, ListsKeepTenNamesAndLeaveTheRestAlone) {
    for (int i = 0; i < 12; ++i) {
        WriteFile("img" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".bin", "m");
    }
    UpdateFlags flags = 0;
    fwupdate::ImageLists lists = fwupdate::ListImages(folder_.path(), flags);
    ASSERT_EQ(lists.micomImages.size(), 10u);
    EXPECT_EQ(lists.micomImages.back(), "img09.bin");
    EXPECT_NE(TraceText().find("Total Micom File Number : 10\n"), std::string::npos);
    EXPECT_NE(TraceText().find("img11.bin"), std::string::npos);

    // Left-out images are neither selected nor deleted.
    fwupdate::DeleteUnselectedImages(folder_.path(), lists);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"img10.bin", "img11.bin"}));
}

struct SelectionCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> bios;  // image name, part number ("" = not an image)
    std::vector<std::string> micom;
    std::string runningPart;
    UpdateFlags flagsIn;
    uint32_t result;
    std::string biosFrom;   // the image "bios.wph" must hold afterwards ("" = none written)
    std::string micomFrom;  // the image "kbc.bin" must hold afterwards
    UpdateFlags flagsOut;
    std::vector<std::string> listing;  // the folder afterwards
};

TEST_F(ImageFolder, SelectionTable) {
    const SelectionCase cases[] = {
        {"matching pair copied, others deleted",
         {{"A_011.WPH", "011"}, {"B_012.WPH", "012"}},
         {"NB10_011.BIN", "NB10_012.BIN"},
         "012",
         0,
         0,
         "B_012.WPH",
         "NB10_012.BIN",
         0,
         {"bios.wph", "kbc.bin"}},
        {"two images, neither matching",
         {{"A_011.WPH", "011"}, {"B_012.WPH", "012"}},
         {"NB10_011.BIN", "NB10_012.BIN"},
         "013",
         0,
         0x8000000B,
         "",
         "",
         0,
         {"A_011.WPH", "B_012.WPH", "NB10_011.BIN", "NB10_012.BIN"}},
        {"one image of another part number is taken",
         {{"A_011.WPH", "011"}},
         {"NB10_011.BIN"},
         "013",
         0,
         0,
         "A_011.WPH",
         "NB10_011.BIN",
         0,
         {"bios.wph", "kbc.bin"}},
        {"an unreadable single image is rejected",
         {{"broken.wph", ""}},
         {"NB10_011.BIN"},
         "011",
         0,
         0x8000000B,
         "",
         "",
         0,
         {"NB10_011.BIN", "broken.wph"}},
        {"an unreadable image is passed over",
         {{"broken.wph", ""}, {"B_011.wph", "011"}},
         {"NB10_011.BIN"},
         "011",
         0,
         0,
         "B_011.wph",
         "NB10_011.BIN",
         0,
         {"bios.wph", "kbc.bin"}},
        {"part number 002 lets any model pass",
         {{"A_002.WPH", "002"}, {"B_012.WPH", "012"}},
         {"NB10_002.BIN", "NB10_012.BIN"},
         "002",
         0,
         0,
         "A_002.WPH",
         "NB10_002.BIN",
         fwupdate::kFlagSkipCheckModel,
         {"bios.wph", "kbc.bin"}},
        {"a single MICOM image is taken whatever its name",
         {{"A_011.WPH", "011"}, {"B_012.WPH", "012"}},
         {"NB10_099.BIN"},
         "011",
         0,
         0,
         "A_011.WPH",
         "NB10_099.BIN",
         0,
         {"bios.wph", "kbc.bin"}},
        {"MICOM image missing from a list of two",
         {{"A_011.WPH", "011"}},
         {"NB10_013.BIN", "NB10_012.BIN"},
         "011",
         0,
         0x8000000C,
         "A_011.WPH",
         "",
         0,
         {"bios.wph"}},
        {"MICOM skipped",
         {{"A_011.WPH", "011"}, {"B_012.WPH", "012"}},
         {},
         "011",
         fwupdate::kFlagSkipMicom,
         0,
         "A_011.WPH",
         "",
         fwupdate::kFlagSkipMicom,
         {"bios.wph"}},
        {"short MICOM names match nothing",
         {{"A_011.WPH", "011"}},
         {"a.bin", "11.bin"},
         "011",
         0,
         0x8000000C,
         "A_011.WPH",
         "",
         0,
         {"bios.wph"}},
        {"the image already named BIOS.WPH is used in place",
         {{"BIOS.WPH", "011"}, {"B_012.WPH", "012"}},
         {"KBC.BIN", "NB10_012.BIN"},
         "011",
         0,
         0x8000000C,
         "BIOS.WPH",
         "",
         0,
         {"BIOS.WPH", "KBC.BIN"}},
        {"a matching image replaces an old bios.wph of another case",
         {{"BIOS.WPH", "012"}, {"C_011.WPH", "011"}},
         {"kbc.bin"},
         "011",
         0,
         0,
         "C_011.WPH",
         "kbc.bin",
         0,
         {"BIOS.WPH", "kbc.bin"}},
    };
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder_.path());
        fs::create_directories(folder_.path());
        std::map<std::string, std::string> contents;
        fwupdate::ImageLists lists;
        for (const auto& [name, part] : c.bios) {
            if (part.empty()) {
                WriteFile(name, "not an image");
            } else {
                WriteImage(name, part);
            }
            contents[name] = Bytes(name);
            lists.biosImages.push_back(name);
        }
        for (const std::string& name : c.micom) {
            WriteFile(name, "micom " + name);
            contents[name] = Bytes(name);
            lists.micomImages.push_back(name);
        }
        UpdateFlags flags = c.flagsIn;
        fwupdate::ImageIdentity image;
        EXPECT_EQ(fwupdate::SelectImages(folder_.path(), lists, Running(c.runningPart), flags, image,
                                         ReadWithRomInfo),
                  c.result);
        EXPECT_EQ(flags, c.flagsOut);
        EXPECT_EQ(Listing(), c.listing);
        if (!c.biosFrom.empty()) {
            std::string selected =
                std::find(c.listing.begin(), c.listing.end(), "BIOS.WPH") != c.listing.end() ? "BIOS.WPH"
                                                                                             : "bios.wph";
            EXPECT_EQ(Bytes(selected), contents[c.biosFrom]);
            auto part = std::find_if(c.bios.begin(), c.bios.end(),
                                     [&](const auto& b) { return b.first == c.biosFrom; });
            EXPECT_EQ(image.partNumber, part->second);
        }
        if (!c.micomFrom.empty()) {
            std::string selected = std::find(c.listing.begin(), c.listing.end(), "KBC.BIN") != c.listing.end()
                                       ? "KBC.BIN"
                                       : "kbc.bin";
            EXPECT_EQ(Bytes(selected), contents[c.micomFrom]);
        }
    }
}

TEST_F(ImageFolder, SelectionTracesTheRunningBiosAndEachExaminedImage) {
    WriteImage("A_011.WPH", "011", "NB20");
    WriteImage("B_012.WPH", "012", "NB10");
    WriteImage("C_013.WPH", "013", "NB30");
    fwupdate::ImageLists lists{{"A_011.WPH", "B_012.WPH", "C_013.WPH"}, {}};
    UpdateFlags flags = fwupdate::kFlagSkipMicom;
    fwupdate::ImageIdentity image;
    ASSERT_EQ(fwupdate::SelectImages(folder_.path(), lists, Running("012"), flags, image, ReadWithRomInfo),
              0u);
    std::string expected =
        "\r\nOld Bios Info\r\n"
        "Bios Part Number : 012\r\n"
        "Bios Model Number : NB10\r\n"
        "Bios Part Version : P00A\r\n"
        "\r\nBios File Name : A_011.WPH\r\n"
        "Bios Part Number : 011\r\n"
        "Bios Model Number : NB20\r\n"
        "Bios Part Version : P01A\r\n"
        "\r\nBios File Name : B_012.WPH\r\n"
        "Bios Part Number : 012\r\n"
        "Bios Model Number : NB10\r\n"
        "Bios Part Version : P01A\r\n";
    EXPECT_EQ(TraceText(), expected);
}

// --- Comparisons ---

TEST(DateCheck, RunningBiosMayNotBeNewer) {
    constexpr uint32_t kDec31_2006 = 0x07D60C1F;
    constexpr uint32_t kJan01_2007 = 0x07D70101;
    EXPECT_EQ(fwupdate::PackDate(31, 12, 2006), kDec31_2006);
    struct Case {
        uint32_t running;
        uint32_t image;
        UpdateFlags flags;
        uint32_t result;
    } cases[] = {
        {kDec31_2006, kJan01_2007, 0, 0},
        {kJan01_2007, kJan01_2007, 0, 0},
        {kJan01_2007, kDec31_2006, 0, 0x80000013},
        {kJan01_2007, kDec31_2006, fwupdate::kFlagSkipCheckDate, 0},
        {kJan01_2007, 0, 0, 0x80000013},
    };
    for (const Case& c : cases) {
        fwupdate::BiosIdentity running;
        running.date = c.running;
        fwupdate::ImageIdentity image;
        image.date = c.image;
        EXPECT_EQ(fwupdate::CheckDate(c.flags, running, image), c.result)
            << std::hex << c.running << " " << c.image;
    }
}

TEST(ModelCheck, TableOfModelsPartsAndFlags) {
    struct Case {
        const char* runningModel;
        const char* runningPart;
        const char* imageModel;
        const char* imagePart;
        UpdateFlags flags;
        uint32_t result;
    } cases[] = {
        {"NB10", "011", "NB10", "011", 0, 0},
        {"NB10", "011", "NB20", "011", 0, 0x80000006},
        {"NB10", "011", "NB10", "012", 0, 0x80000007},
        {"NB10", "011", "NB20", "012", 0, 0x80000008},
        {"NB10", "011", "nb10", "011", 0, 0x80000006},
        {"NB10", "011", "NB20", "012", fwupdate::kFlagSkipCheckModel, 0x80000007},
        {"NB10", "011", "NB20", "012", fwupdate::kFlagSkipCheckPart, 0x80000006},
        {"NB10", "011", "NB20", "012", fwupdate::kFlagSkipCheckModel | fwupdate::kFlagSkipCheckPart, 0},
        {"", "", "NB10", "011", 0, 0x80000008},
    };
    for (const Case& c : cases) {
        fwupdate::BiosIdentity running = Running(c.runningPart, c.runningModel);
        fwupdate::ImageIdentity image;
        image.model = c.imageModel;
        image.partNumber = c.imagePart;
        EXPECT_EQ(fwupdate::CheckModelAndPart(c.flags, running, image), c.result)
            << c.runningModel << c.runningPart << " " << c.imageModel << c.imagePart << " " << c.flags;
    }
}

TEST(ModelCheck, TracesTheFlagWord) {
    kit_test::TempDir dir;
    kit_test::ScopedEnv trace("WINSYS_DEBUG_LOG", (dir.path() / "debug.log").string());
    fwupdate::CheckModelAndPart(0x8006, Running("011"), {});
    EXPECT_EQ(kit_test::ReadFile(dir.path() / "debug.log"), "Optional Flag : 00008006 00008006\r\n");
}

}  // namespace
