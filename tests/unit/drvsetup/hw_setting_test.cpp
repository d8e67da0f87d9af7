#include "drvsetup/config/hw_setting.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

#include "drvsetup/config/setup_ini_lines.h"
#include "drvsetup/config/setup_key_ids.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "support/temp_root.h"

namespace {

using drvsetup::HwSettingIO;
namespace key = drvsetup::key;

class HwSettingTest : public ::testing::Test {
  protected:
    platform::Registry& Registry() { return *platform::CurrentRegistry().value(); }
    kit_test::TempSystemRoot root_;
};

// A record whose every slot holds a text of its own, so a lost or shifted value shows.
void FillDistinct(HwSettingIO& record) {
    for (const drvsetup::VexaParam& slot : record.Slots()) {
        record.SetString(slot.entry->id,
                         std::string("v").append(std::to_string(slot.entry->id)).append(" x=[y]"));
    }
    record.SetHardwareID(330);
    record.SetName("VEXA_Distinct");
}

void ExpectSameValues(const HwSettingIO& a, const HwSettingIO& b) {
    ASSERT_EQ(a.Slots().size(), b.Slots().size());
    for (size_t i = 0; i < a.Slots().size(); ++i) {
        EXPECT_EQ(a.Slots()[i].Text(), b.Slots()[i].Text()) << a.Slots()[i].entry->key;
    }
}

TEST_F(HwSettingTest, PlaceholderRecordOf718) {
    HwSettingIO record(718, 718);
    EXPECT_EQ(record.Slots().size(), 404u);
    EXPECT_EQ(record.GetString(key::V_HardwareID), "718");
    EXPECT_EQ(record.GetString(key::InstallDriver), "718");
    EXPECT_EQ(record.GetName(), "VEXA_QM718");
    EXPECT_EQ(record.GetHardwareID(), 718);
    EXPECT_EQ(record.ProductNumber(), 718);
    // Slots ascend by identifier.
    for (size_t i = 1; i < record.Slots().size(); ++i) {
        EXPECT_LT(record.Slots()[i - 1].entry->id, record.Slots()[i].entry->id);
    }
}

TEST_F(HwSettingTest, SlotsAndSentinels) {
    HwSettingIO record(101, 101);
    record.SetString(9888, "colour");
    EXPECT_EQ(record.GetString(9888), "colour");
    EXPECT_EQ(record.GetKeyName(9888), "ATSC_Color");
    EXPECT_EQ(record.GetKeyName(9887000), "DVBT_Color2_Type");
    EXPECT_EQ(record.GetString(10023), "Error");
    EXPECT_EQ(record.GetKeyName(10023), "Error");
    EXPECT_EQ(record.GetInt(10023, 5), -1);
    record.SetString(key::TunerModal, "abc");
    EXPECT_EQ(record.GetInt(key::TunerModal, 5), 5);
    record.SetString(key::TunerModal, "$10");
    EXPECT_EQ(record.GetInt(key::TunerModal, 5), 16);
    record.SetInt(10023, 1);  // no slot: nothing happens
    record.SetString(10023, "x");
    EXPECT_EQ(record.GetString(10023), "Error");
    int button = 0;
    EXPECT_EQ(record.SetTag(&button), &button);
    EXPECT_EQ(HwSettingIO(record).GetTag(), &button);
}

TEST_F(HwSettingTest, CopyFromTakesEveryValueAndKeepsTheProductNumber) {
    HwSettingIO source(101, 101);
    FillDistinct(source);
    HwSettingIO target(718, 718);
    target.CopyFrom(source);
    ExpectSameValues(source, target);
    EXPECT_EQ(target.ProductNumber(), 718);
}

TEST_F(HwSettingTest, LineReaderConstructorAndPreScan) {
    drvsetup::SetupIniLines lines = drvsetup::SetupIniLines::FromBytes(
        "[VEXA_A]\n"
        "MyV_HardwareID=999\n"  // a longer key is no match
        "V_HardwareID=330\n"
        "InstallDriver=12\n"
        "OemProductName = Custom Name \n"
        "oemproductname=lower case is ignored\n"
        "DecoderColorType=never read\n"
        "ATSC_Color=atsc\n"
        "Unknown=ignored\n");
    HwSettingIO record(lines, "VEXA_A");
    EXPECT_EQ(record.ProductNumber(), 330);
    EXPECT_EQ(record.GetInt(key::InstallDriver, 0), 12);
    EXPECT_EQ(record.GetName(), "VEXA_A");
    EXPECT_EQ(record.GetString(key::OemProductName), "Custom Name");
    EXPECT_EQ(record.GetString(9888), "atsc");
    EXPECT_EQ(record.GetString(key::WdmDllName), "Bda_AD.dll");  // the defaults are product 330's

    HwSettingIO missing(lines, "VEXA_None");
    EXPECT_EQ(missing.ProductNumber(), 0);
    EXPECT_EQ(missing.GetInt(key::InstallDriver, -5), 0);
    EXPECT_EQ(missing.GetName(), "VEXA_None");
}

TEST_F(HwSettingTest, AllValuesSurviveWritingAndReadingBack) {
    HwSettingIO source(101, 101);
    FillDistinct(source);

    std::vector<std::string> lines{"[VEXA_Distinct]"};
    source.WriteLines(lines);
    EXPECT_EQ(lines.size(), 405u);
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + "\r\n";
    }
    // The line reader stops at the first value holding a bracket, so only the profile round trip sees
    // every value; the line round trip is checked on bracket-free values below.
    platform::profile::ProfileFile file;
    source.WriteInfo(file);
    source.WriteSection(file, source.GetName());
    platform::profile::ProfileFile reread = platform::profile::ProfileFile::FromBytes(file.Bytes());
    EXPECT_EQ(reread.KeyNames("__info").size(), 59u);
    EXPECT_EQ(reread.KeyNames("VEXA_Distinct").size(), 404u);
    HwSettingIO fromProfile(reread, "VEXA_Distinct");
    ExpectSameValues(source, fromProfile);

    for (const drvsetup::VexaParam& slot : source.Slots()) {
        source.SetString(slot.entry->id,
                         std::string("w").append(std::to_string(slot.entry->id)).append(" a=b"));
    }
    source.SetHardwareID(330);
    lines.assign(1, "[VEXA_Distinct]");
    source.WriteLines(lines);
    bytes.clear();
    for (const std::string& line : lines) {
        bytes += line + "\n";
    }
    HwSettingIO fromLines(drvsetup::SetupIniLines::FromBytes(bytes), "VEXA_Distinct");
    fromLines.SetName(source.GetName());
    ExpectSameValues(source, fromLines);
}

TEST_F(HwSettingTest, ProfileConstructorReadsOnlyExactlySpelledKeys) {
    platform::profile::ProfileFile file = platform::profile::ProfileFile::FromBytes(
        "[Rec]\r\nV_HardwareID=330\r\noemproductname=lower\r\nUiCaption='quoted'\r\nInstallDriver=9\r\n");
    HwSettingIO record(file, "rec");
    EXPECT_EQ(record.ProductNumber(), 330);
    EXPECT_EQ(record.GetString(key::OemProductName), "ZD330");  // the default stays
    EXPECT_EQ(record.GetString(9833), "quoted");
    EXPECT_EQ(record.GetInt(key::InstallDriver, -1), 9);  // read as a key like any other
    EXPECT_EQ(record.GetName(), "rec");
}

TEST_F(HwSettingTest, LegacyLayoutPrecedence) {
    platform::profile::ProfileFile file = platform::profile::ProfileFile::FromBytes(
        "[__Info]\r\nInstallDriver=718\r\nproductname=from info\r\n"
        "[InstallData]\r\nProductName=from install data\r\nCmdLineParameter=7 1\r\n"
        "[QM718]\r\nCmdLineParameter=not this\r\nUiCaption=caption\r\n"
        "[QM718_Drv]\r\nInfFileNameXp32_0=drv.inf\r\nUiCaption=not this\r\n"
        "[QM718_TestProgram]\r\nTestItemId=33334\r\n");
    HwSettingIO record(HwSettingIO::Legacy{}, file, 718, 718);
    EXPECT_EQ(record.GetName(), "QM718");
    EXPECT_EQ(record.GetString(10065), "from info");
    EXPECT_EQ(record.GetString(key::CmdLineParameter), "7 1");
    EXPECT_EQ(record.GetString(9833), "caption");
    EXPECT_EQ(record.GetString(10227), "drv.inf");
    EXPECT_EQ(record.GetString(9945), "33334");
    EXPECT_EQ(record.GetString(9905), "3028");  // nowhere in the file: the default
}

TEST_F(HwSettingTest, RegistryRecords) {
    HwSettingIO saved(330, 330);
    saved.SetString(key::OemProductName, "Saved");
    saved.SaveToRegistry("Rec");
    platform::RegKey recKey = Registry().OpenKey(HwSettingIO::RecordKeyPath("Rec"), true).value();
    EXPECT_EQ(recKey.ValueNames().value().size(), 404u);

    HwSettingIO loaded(HwSettingIO::FromRegistry{}, "Rec");
    EXPECT_EQ(loaded.ProductNumber(), 330);
    EXPECT_EQ(loaded.GetName(), "VEXA_ZD330");  // the stored setupItemID overrides the key name
    ExpectSameValues(saved, loaded);

    // No V_HardwareID: the defaults of 718, then every value present; a binary value named like a key
    // empties it, a DWORD gives its decimal text.
    platform::RegKey other = Registry().OpenKey(HwSettingIO::RecordKeyPath("Other"), true).value();
    ASSERT_TRUE(other.SetBinary("OemProductName", "\x01\x02").ok());
    ASSERT_TRUE(other.SetDword("TunerModal", 77).ok());
    ASSERT_TRUE(other.SetString("InstallDriver", "not a number").ok());
    HwSettingIO fromOther(HwSettingIO::FromRegistry{}, "Other");
    EXPECT_EQ(fromOther.ProductNumber(), 718);
    EXPECT_EQ(fromOther.GetString(key::InstallDriver), "not a number");
    EXPECT_EQ(fromOther.GetString(key::OemProductName), "");
    EXPECT_EQ(fromOther.GetString(key::TunerModal), "77");
    EXPECT_EQ(fromOther.GetName(), "Other");

    // Reading a record that is not there leaves an empty key behind.
    HwSettingIO absent(HwSettingIO::FromRegistry{}, "Absent");
    EXPECT_EQ(absent.ProductNumber(), 718);
    EXPECT_TRUE(Registry().KeyExists(HwSettingIO::RecordKeyPath("Absent")));
}

TEST_F(HwSettingTest, ChannelStateFollowsTheChannelSystem) {
    HwSettingIO record(718, 718);
    EXPECT_EQ(record.GetCurrentChannel(1), 3);
    std::string antenna = HwSettingIO::RecordKeyPath("VEXA_QM718") + "\\Antenna_";
    EXPECT_TRUE(Registry().KeyExists(antenna));

    record.SetChannel(1, 12, "x");
    std::array<char, 64> buffer;
    buffer.fill('?');
    EXPECT_EQ(record.GetChannel(1, 12, buffer), 1);
    EXPECT_STREQ(buffer.data(), "x");
    EXPECT_EQ(record.GetChannel(2, 12, buffer), 0);

    record.SetString(key::AirChSys, "3");
    record.SetCurrentChannel(1, 21);
    EXPECT_EQ(record.GetCurrentChannel(1), 21);
    record.SetString(key::AirChSys, "4");
    EXPECT_EQ(record.GetCurrentChannel(1), 3);
    EXPECT_TRUE(Registry().KeyExists(antenna + "3"));

    const std::array<uint8_t, 3> block{1, 2, 3};
    record.SetFreqOffset(2, block);
    std::array<uint8_t, 8> out{};
    EXPECT_EQ(record.GetFreqOffset(2, out), 1);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(record.GetColorAdj(2, out), 0);
    record.SetMaxCh(2, 125);
    record.SetMinCh(2, 1);
    platform::RegKey cable =
        Registry().OpenKey(HwSettingIO::RecordKeyPath("VEXA_QM718") + "\\Cable_", false).value();
    EXPECT_EQ(cable.QueryDword("MaxCh"), 125u);
    EXPECT_EQ(cable.QueryDword("MinCh"), 1u);
}

}  // namespace
