#include "drvsetup/config/reg_data.h"

#include <gtest/gtest.h>

#include "drvsetup/config/hw_setting.h"
#include "drvsetup/config/setup_key_ids.h"
#include "support/temp_root.h"

namespace {

using drvsetup::IntRegData;
using drvsetup::SettingString;

TEST(IntRegData, SetUndoCommit) {
    IntRegData d(std::string("x"), 3);
    d.Set(5);
    d.Set(5);  // the same value again keeps the previous one
    EXPECT_EQ(d.GetPrevious(), 3);
    d.Set(7);
    d.Undo();
    EXPECT_EQ(d.Get(), 5);
    EXPECT_EQ(d.GetPrevious(), 7);
    EXPECT_EQ(d.Commit(), 5);
    EXPECT_EQ(d.GetPrevious(), 5);
    EXPECT_EQ(d.GetDefault(), 3);
    d.SetDefault(9);
    EXPECT_EQ(d.GetDefault(), 9);
    EXPECT_EQ(d.GetId(), 0);
    EXPECT_EQ(d.Reserved(), 0);
}

TEST(IntRegData, FromRecord) {
    kit_test::TempSystemRoot root;
    drvsetup::HwSettingIO record(718, 718);
    IntRegData fromRecord(drvsetup::key::TunerModal, &record, 8);
    EXPECT_EQ(fromRecord.Get(), 3028);
    EXPECT_EQ(fromRecord.GetDefault(), 8);
    EXPECT_EQ(fromRecord.GetPrevious(), 8);
    EXPECT_EQ(fromRecord.GetName(), "TunerModal");
    EXPECT_EQ(fromRecord.GetId(), drvsetup::key::TunerModal);
    EXPECT_EQ(IntRegData(drvsetup::key::OemProductName, &record, 8).Get(), 8);  // "QM718" is no number
    IntRegData noRecord(drvsetup::key::TunerModal, nullptr, 8);
    EXPECT_EQ(noRecord.Get(), 8);
    EXPECT_FALSE(noRecord.GetName().has_value());
}

TEST(SettingString, DuplicateKeysAnswerWithTheFirst) {
    SettingString s(std::string("Choice"), 0);
    s.Add(1, "A", 10, 0);
    s.Add(2, "B", 20, 0);
    s.Add(1, "C", 30, 0);
    EXPECT_EQ(s.NameOfKey(1), "A");
    EXPECT_EQ(s.ValueOfKey(1), 10);
    EXPECT_EQ(s.IndexOfKey(1), 0);
    EXPECT_EQ(s.SetFlag(1, 7), 3);
    EXPECT_EQ(s.FlagAt(0), 7);
    EXPECT_EQ(s.FlagAt(2), 7);
    EXPECT_EQ(s.FlagAt(1), 0);
    EXPECT_EQ(s.SelectByName("C"), 3);
    EXPECT_EQ(s.GetValue(), 1);
    EXPECT_EQ(s.CurrentName(), "A");
    EXPECT_EQ(s.Remove(1), 1);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_EQ(s.NameAt(0), "B");
}

TEST(SettingString, SentinelsAndSelection) {
    SettingString s(std::string("Choice"), 99);
    EXPECT_EQ(s.CurrentName(), "ErrorSettingString");
    EXPECT_EQ(s.CurrentIndex(), -1);
    s.Add(4, "four", 40, 1);
    s.Add(5, "five", 50, 0);
    for (int32_t bad : {-1, 2, 1000}) {
        EXPECT_EQ(s.NameAt(bad), "Error") << bad;
        EXPECT_EQ(s.KeyAt(bad), -1) << bad;
        EXPECT_EQ(s.ValueAt(bad), 0) << bad;
        EXPECT_EQ(s.FlagAt(bad), 0) << bad;
        EXPECT_FALSE(s.SelectAt(bad)) << bad;
    }
    EXPECT_EQ(s.NameOfKey(6), "Error");
    EXPECT_EQ(s.ValueOfKey(6), 0);
    EXPECT_EQ(s.HasKey(6), 0);
    EXPECT_EQ(s.HasKey(5), 1);
    EXPECT_FALSE(s.SelectByKey(6));
    EXPECT_EQ(s.GetValue(), 99);

    int changes = 0;
    s.SetChangeCallback([](void* data) { ++*static_cast<int*>(data); }, &changes);
    EXPECT_TRUE(s.SelectAt(1));
    EXPECT_EQ(s.CurrentName(), "five");
    EXPECT_TRUE(s.SelectByKey(4));
    EXPECT_EQ(s.CurrentIndex(), 0);
    s.Revert();  // back to 5, and the callback hears of it again
    EXPECT_EQ(s.GetValue(), 5);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(s.Commit(), 5);
    EXPECT_EQ(s.GetDefault(), 99);
    EXPECT_EQ(s.GetName(), "Choice");
}

}  // namespace
