#include "drvsetup/config/reg_data.h"

#include <gtest/gtest.h>

#include <map>

#include "drvsetup/config/vexa_setting.h"

namespace {

using drvsetup::IntRegData;
using drvsetup::SettingString;

// A record with two keys, enough to see where IntRegData takes its name and value from.
class TwoKeyRecord : public drvsetup::IVexaSetting {
  public:
    int32_t GetHardwareID() const override { return 0; }
    void SetHardwareID(int32_t) override {}
    int32_t GetHardwareSubID() const override { return 0; }
    std::string GetName() const override { return "rec"; }
    void SetName(const std::string&) override {}
    void CopyFrom(const IVexaSetting&) override {}
    std::string GetKeyName(int32_t id) const override {
        return id == 1 ? "Brightness" : id == 2 ? "Mode" : "Error";
    }
    std::string GetString(int32_t id) const override { return id == 1 ? "42" : id == 2 ? "abc" : "Error"; }
    int32_t GetInt(int32_t id, int32_t defaultValue) const override {
        return id == 1 ? 42 : id == 2 ? defaultValue : -1;
    }
    void* SetTag(void* tag) override { return tag; }
    void* GetTag() const override { return nullptr; }
    void SetInt(int32_t, int32_t) override {}
    void SetString(int32_t, const std::string&) override {}
};

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
    TwoKeyRecord record;
    IntRegData fromRecord(1, &record, 8);
    EXPECT_EQ(fromRecord.Get(), 42);
    EXPECT_EQ(fromRecord.GetDefault(), 8);
    EXPECT_EQ(fromRecord.GetPrevious(), 8);
    EXPECT_EQ(fromRecord.GetName(), "Brightness");
    EXPECT_EQ(fromRecord.GetId(), 1);
    EXPECT_EQ(IntRegData(2, &record, 8).Get(), 8);  // not a number: the default
    IntRegData noRecord(1, nullptr, 8);
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
