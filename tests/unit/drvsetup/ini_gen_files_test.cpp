#include "drvsetup/config/ini_gen_files.h"

#include <gtest/gtest.h>

#include "drvsetup/config/driver_package_set.h"
#include "drvsetup/config/ini_gen_mapping.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/device/product_tables.h"
#include "platform/profile.h"
#include "support/file_access_counter.h"
#include "support/kit_folder_test.h"

namespace {

using drvsetup::ApDrvInstall_HwSetting;
using drvsetup::HwSettingIO;
namespace key = drvsetup::key;

TEST(RelativePath, CasesInsideBesideAndAboveTheFolder) {
    struct Case {
        const char* folder;
        const char* path;
        const char* relative;
    };
    const Case cases[] = {
        {"/kit/", "/kit/Driver/XP32", "Driver\\XP32"},
        {"/kit", "/kit/Driver/XP32/", "Driver\\XP32"},
        {"/kit/", "/kit", ""},
        {"/kit/", "/kit/Apps/setup.exe", "Apps\\setup.exe"},
        {"/kit/", "/other/Drv", "..\\other\\Drv"},
        {"/a/b/kit/", "/a/x/y.inf", "..\\..\\x\\y.inf"},
        {"/kit/sub/", "/kit", ".."},
        {"/KIT/", "/kit/Driver", "Driver"},  // compared as the platform resolves names
        {"C:\\Kit\\", "C:\\Kit\\Drv\\a.inf", "Drv\\a.inf"},
        {"/kit/./x/../", "/kit/Drv", "Drv"},
        // The old rule cut as many characters as the folder had; a longer sibling folder shows why not.
        {"/kit/", "/kit2/Drv", "..\\kit2\\Drv"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(drvsetup::RelativePath(c.folder, c.path), c.relative) << c.folder << " " << c.path;
    }
}

class IniGenFilesTest : public kit_test::KitFolderTest {
  protected:
    void SetUp() override {
        KitFolderTest::SetUp();
        UseSystem("xp");
    }
    std::filesystem::path Collection() const { return kit_.path() / "__Setup.ini"; }
};

TEST_F(IniGenFilesTest, GenerationWritesTheProductLibraryAndEnableTypeIntoBothFiles) {
    HwSettingIO record(718, 718);
    record.SetName("VEXA_QM718");
    record.SetString(key::WdmDllName, "Error");
    record.SetString(key::bEnableType, "0");
    ApDrvInstall_HwSetting view(record);
    kit_test::WriteFile(Collection(), "[Other]\r\nkeep=1\r\n");

    drvsetup::PrepareRecordForGeneration(view);
    ASSERT_TRUE(drvsetup::WriteGeneratedIniFiles(view).ok());

    const drvsetup::GeneratedIniPaths paths = drvsetup::GeneratedIniFiles(view);
    EXPECT_EQ(std::filesystem::path(paths.productFile),
              kit_.path() / ("drvInstall.ini_" + drvsetup::ModelCode(718)));
    for (const std::string& path : {paths.productFile, paths.collectionFile}) {
        const auto file = platform::profile::ProfileFile::Load(path);
        EXPECT_EQ(file.ReadString("VEXA_QM718", "WdmDllName", ""), drvsetup::ProductLibrary(718)) << path;
        EXPECT_EQ(file.ReadString("VEXA_QM718", "bEnableType", ""), "2") << path;
        EXPECT_EQ(file.ReadString("__info", "InstallDriver", ""), "718") << path;
        EXPECT_EQ(file.SectionNames().front(), path == paths.collectionFile ? "Other" : "__info");
    }
    EXPECT_EQ(platform::profile::ReadString(Collection().string(), "Other", "keep", ""), "1");
}

TEST_F(IniGenFilesTest, AnotherLibraryIsKept) {
    HwSettingIO record(718, 718);
    record.SetString(key::WdmDllName, "Own.dll");
    ApDrvInstall_HwSetting view(record);
    drvsetup::PrepareRecordForGeneration(view);
    EXPECT_EQ(view.GetValue(key::WdmDllName), "Own.dll");
    EXPECT_EQ(view.GetValue(key::bEnableType), "2");
}

TEST_F(IniGenFilesTest, ReadOnlyFolderIsReportedNotIgnored) {
    HwSettingIO record(718, 718);
    ApDrvInstall_HwSetting view(record);
    const platform::Result<void> written =
        drvsetup::WriteRecordToIni(view, (kit_.path() / "no/such/x.ini").string());
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("x.ini"), std::string::npos);
}

TEST_F(IniGenFilesTest, ReadBackTakesTheRecordAfterTheInfoSection) {
    HwSettingIO written(718, 718);
    written.SetName("VEXA_QM718_B");
    written.SetString(key::MainFormCaption, "Caption B");
    ApDrvInstall_HwSetting source(written);
    ASSERT_TRUE(drvsetup::WriteRecordToIni(source, Collection().string()).ok());

    HwSettingIO other(101, 101);
    ApDrvInstall_HwSetting view(other);
    const drvsetup::IniReadBack found = drvsetup::ReadRecordFromIni(Collection().string(), view);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.product, 718);
    EXPECT_EQ(found.hardwareId, 718);
    EXPECT_EQ(view.Record().GetName(), "VEXA_QM718_B");
    for (const drvsetup::VexaParam& slot : source.Record().Slots()) {
        EXPECT_EQ(view.GetValue(slot.entry->id), slot.Text()) << slot.entry->key;
    }
}

TEST_F(IniGenFilesTest, ReadBackOfTheLegacyLayout) {
    const std::string code = drvsetup::ModelCode(718);
    kit_test::WriteFile(Collection(),
                        "[__Info]\r\nInstallDriver=718\r\n[InstallData]\r\nCmdLineParameter=x\r\n[" + code +
                            "]\r\nMainFormCaption=Legacy\r\n[" + code +
                            "_Drv]\r\ndriverXPPath32=Old\\Drv\r\n[" + code +
                            "_TestProgram]\r\nAirCatvTestCh=12\r\n");
    HwSettingIO other(101, 101);
    ApDrvInstall_HwSetting view(other);
    const drvsetup::IniReadBack found = drvsetup::ReadRecordFromIni(Collection().string(), view);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.product, 718);
    EXPECT_EQ(view.GetValue(key::MainFormCaption), "Legacy");
    EXPECT_EQ(view.GetValue(key::CmdLineParameter), "x");
    EXPECT_EQ(view.GetDriverFolder(20005), "Old\\Drv");
    EXPECT_EQ(view.GetValue(drvsetup::KeyIdOf("AirCatvTestCh")), "12");
}

TEST_F(IniGenFilesTest, ReadBackWithoutProductChangesNothing) {
    kit_test::WriteFile(Collection(),
                        "[__info]\r\nInstallDriver=718\r\n[A]\r\nInstallDriver=0\r\nMainFormCaption=No\r\n");
    HwSettingIO record(101, 101);
    record.SetString(key::MainFormCaption, "Mine");
    ApDrvInstall_HwSetting view(record);
    EXPECT_FALSE(drvsetup::ReadRecordFromIni(Collection().string(), view).found);
    EXPECT_EQ(view.GetValue(key::MainFormCaption), "Mine");
    EXPECT_FALSE(drvsetup::ReadRecordFromIni((kit_.path() / "missing.ini").string(), view).found);
}

// Adding a record to a large collection costs one read and one write of the file, however many
// records it already holds.
TEST_F(IniGenFilesTest, WritingIntoAFullCollectionReadsAndWritesTheFileOnce) {
    {
        platform::profile::ProfileFile file;
        HwSettingIO filler(718, 718);
        ApDrvInstall_HwSetting fillerView(filler);
        for (int i = 0; i < 500; ++i) {
            fillerView.Record().SetName("Record" + std::to_string(i));
            fillerView.WriteToIni(file, fillerView.Record().GetName());
        }
        ASSERT_TRUE(file.Save(Collection().string()).ok());
    }
    HwSettingIO record(718, 718);
    record.SetName("Newcomer");
    ApDrvInstall_HwSetting view(record);
    kit_test::FileAccessCounter counter(Collection());
    ASSERT_TRUE(counter.Ok());
    ASSERT_TRUE(drvsetup::WriteRecordToIni(view, Collection().string()).ok());
    EXPECT_EQ(counter.Opens(), 1);
    EXPECT_EQ(counter.Writes(), 1);
    const auto file = platform::profile::ProfileFile::Load(Collection().string());
    EXPECT_EQ(file.SectionNames().size(), 502u);  // [__info] and 501 records
    EXPECT_EQ(file.ReadString("Record499", "InstallDriver", ""), "718");
}

}  // namespace
