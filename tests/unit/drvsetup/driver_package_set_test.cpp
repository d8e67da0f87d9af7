#include "drvsetup/config/driver_package_set.h"

#include <gtest/gtest.h>

#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/shell/os_tools.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/system_root.h"
#include "support/kit_folder_test.h"
#include "support/temp_root.h"

namespace {

using drvsetup::ApDrvInstall_HwSetting;
using drvsetup::HwSettingIO;

// INF keys of slot 0 per family, and the driver folder keys.
constexpr int32_t kInfXp32 = 10227;
constexpr int32_t kInfVista32 = 10215;
constexpr int32_t kHwNameXp32 = 10251;
constexpr int32_t kServiceXp32 = 1025111;
constexpr int32_t kDriverXPPath32 = 10205;
constexpr int32_t kDriver98Path = 10208;

const char* const kInf =
    "[Manufacturer]\r\n%Mfg%=Models\r\n[Models]\r\n%Dev%=Install, USB\\VID_1A2B&PID_3C4D&MI_00 ; tuner\r\n";

class DriverPackageSetTest : public kit_test::KitFolderTest {
  protected:
};

TEST_F(DriverPackageSetTest, ListsSkipEmptySlotsAndUseTheFamilyFolder) {
    UseSystem("xp");
    kit_test::WriteFile(kit_.path() / "XpDrv/a.inf", kInf);
    HwSettingIO record(718, 718);
    record.SetString(kDriverXPPath32, "XpDrv   ");  // trailing blanks go before the separator is added
    record.SetString(kInfXp32, "a.inf");
    record.SetString(kInfXp32 + 2, "c.inf");
    record.SetString(kHwNameXp32, "  Tuner  ");
    record.SetString(kServiceXp32, " svc ");
    ApDrvInstall_HwSetting set(record);

    drvsetup::PerInfFile* first = set.GetInf(drvsetup::OsWinXP32, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(platform::NativePath(first->GetPath()), kit_.path() / "XpDrv/a.inf");
    EXPECT_TRUE(first->IsValid());
    EXPECT_EQ(first->GetHwName(), "Tuner");
    EXPECT_EQ(first->GetServiceName(), "svc");
    ASSERT_EQ(first->GetHardwareIds().size(), 1u);
    ASSERT_NE(set.GetInf(drvsetup::OsWinXP32, 1), nullptr);
    EXPECT_EQ(platform::FileNamePart(set.GetInf(drvsetup::OsWinXP32, 1)->GetPath()), "c.inf");
    EXPECT_EQ(set.GetInf(drvsetup::OsWinXP32, 2), nullptr);
    EXPECT_EQ(set.GetInf(drvsetup::OsWinXP32, -2), nullptr);
    EXPECT_EQ(set.GetInf(-1, -1), nullptr);  // nothing chooses an INF
    // Other codes use the XP 32-bit list.
    EXPECT_EQ(set.GetInf(95, 0), first);
    EXPECT_EQ(set.GetInf(-1, 0), first);
    EXPECT_EQ(set.CurrentInf(), first);
    EXPECT_EQ(set.GetInf(drvsetup::OsVista64, 0), nullptr);
}

TEST_F(DriverPackageSetTest, VistaTakesTheNinetyEightFolderAndOtherSystemsGetThePlaceholder) {
    UseSystem("vista32");
    HwSettingIO record(718, 718);
    record.SetString(kDriver98Path, "  Lead");
    record.SetString(kInfVista32, "v.inf");
    ApDrvInstall_HwSetting set(record);
    ASSERT_NE(set.CurrentInf(), nullptr);
    EXPECT_EQ(set.CurrentInf()->GetPath(), platform::ExecutableFolder() + "  Lead\\v.inf");

    UseSystem("95");
    ApDrvInstall_HwSetting other(record);
    drvsetup::PerInfFile* placeholder = other.CurrentInf();
    EXPECT_EQ(placeholder->GetPath(), "Error");
    EXPECT_EQ(other.CurrentInf(), placeholder);  // one for the process
}

TEST_F(DriverPackageSetTest, EmptyFolderValueMeansTheExecutableFolder) {
    UseSystem("xp");
    HwSettingIO record(718, 718);
    record.SetString(kDriverXPPath32, "");
    record.SetString(kInfXp32, "x.inf");
    ApDrvInstall_HwSetting set(record);
    EXPECT_EQ(set.GetInf(drvsetup::OsWinXP32, 0)->GetPath(), platform::ExecutableFolder() + "x.inf");
}

TEST_F(DriverPackageSetTest, FolderAndMediaPlayerKeysByCode) {
    UseSystem("xp");
    ApDrvInstall_HwSetting set(HwSettingIO(718, 718));
    struct {
        int32_t code;
        int32_t folderKey;
        int32_t mediaKey;
    } cases[] = {
        {2000, 10206, 102115},   {20005, 10205, 102111},  {200052, 10204, 102112}, {200664, 10203, 102114},
        {982000, 10207, 102115}, {200632, 10208, 102113}, {95, 10208, 102115},     {-1, 10205, 102111},
    };
    for (const auto& c : cases) {
        std::string folder = "folder" + std::to_string(c.code);
        set.SetDriverFolder(c.code, folder);
        EXPECT_EQ(set.GetValue(c.folderKey), folder) << c.code;
        EXPECT_EQ(set.GetDriverFolder(c.code), folder) << c.code;
        std::string media = "media" + std::to_string(c.code);
        set.SetMediaPlayerSetup(c.code, media);
        EXPECT_EQ(set.GetValue(c.mediaKey), media) << c.code;
        EXPECT_EQ(set.GetMediaPlayerSetup(c.code), media) << c.code;
    }
    EXPECT_EQ(set.GetModelCode(), "QM718");
}

TEST_F(DriverPackageSetTest, SetInfKeepsListAndKeysInStep) {
    UseSystem("xp64");
    kit_test::WriteFile(kit_.path() / "d64/new.inf", kInf);
    ApDrvInstall_HwSetting set(HwSettingIO(718, 718));
    EXPECT_EQ(set.GetInf(drvsetup::OsWinXP64, 0), nullptr);
    set.SetInf(drvsetup::OsWinXP64, 0, kit_.str() + "/d64", "new.inf", "Hw", "Svc");
    drvsetup::PerInfFile* inf = set.GetInf(drvsetup::OsWinXP64, 0);
    ASSERT_NE(inf, nullptr);
    EXPECT_TRUE(inf->IsValid());
    EXPECT_EQ(inf->GetHwName(), "Hw");
    EXPECT_EQ(set.GetValue(10233), "new.inf");  // InfFileNameXp64_0
    EXPECT_EQ(set.GetValue(10257), "Hw");       // VidPidHwNameXp64_0
    EXPECT_EQ(set.GetValue(1025711), "Svc");    // ServiceNameXp64_0
    // Outside the five families or the six slots nothing changes.
    set.SetInfFileName(95, 0, "x");
    set.SetInfFileName(drvsetup::OsWinXP64, 6, "x");
    set.SetInfPath(95, 0, "f", "x");
    EXPECT_EQ(set.GetInf(95, 1), nullptr);
    EXPECT_EQ(set.GetValue(10233), "new.inf");
    // SetValue changes the record only; Rebuild brings the lists up to date.
    set.SetValue(10233, "");
    EXPECT_NE(set.GetInf(drvsetup::OsWinXP64, 0), nullptr);
    set.Rebuild();
    EXPECT_EQ(set.GetInf(drvsetup::OsWinXP64, 0), nullptr);
}

TEST_F(DriverPackageSetTest, WriteToIniKeepsTheFilesOtherSections) {
    UseSystem("xp");
    std::string before =
        "; kit notes\r\n[Keep]\r\nA = 1 ; spaced\r\n\r\n[VEXA_QM718]\r\nOemProductName=old\r\n";
    platform::profile::ProfileFile file = platform::profile::ProfileFile::FromBytes(before);
    HwSettingIO record(718, 718);
    record.SetString(drvsetup::key::OemProductName, "new");
    ApDrvInstall_HwSetting set(record);
    set.WriteToIni(file, set.Record().GetName());
    std::string after = file.Bytes();
    size_t recordAt = before.find("[VEXA_QM718]");
    EXPECT_EQ(after.substr(0, recordAt), before.substr(0, recordAt));
    EXPECT_EQ(file.ReadString("Keep", "A", ""), "1 ; spaced");
    EXPECT_EQ(file.ReadString("VEXA_QM718", "OemProductName", ""), "new");
    EXPECT_EQ(file.KeyNames("VEXA_QM718").size(), 404u);
    EXPECT_EQ(file.KeyNames("__info").size(), 59u);
}

TEST_F(DriverPackageSetTest, SetFromRecordTakesTheValuesAndRebuilds) {
    UseSystem("xp");
    ApDrvInstall_HwSetting set(HwSettingIO(718, 718));
    HwSettingIO other(330, 330);
    other.SetString(kInfXp32, "z.inf");
    set.SetFromRecord(other);
    EXPECT_EQ(set.GetIntValue(drvsetup::key::V_HardwareID, 0), 330);
    ASSERT_NE(set.GetInf(drvsetup::OsWinXP32, 0), nullptr);
    EXPECT_EQ(platform::FileNamePart(set.GetInf(drvsetup::OsWinXP32, 0)->GetPath()), "z.inf");
}

}  // namespace
