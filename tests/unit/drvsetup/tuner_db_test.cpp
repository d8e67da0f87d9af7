#include "drvsetup/device/tuner_db.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/message_box.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace {

using namespace drvsetup;

std::vector<int32_t> Keys(const SettingString& list) {
    std::vector<int32_t> keys;
    for (int32_t i = 0; i < list.Count(); ++i) {
        keys.push_back(list.KeyAt(i));
    }
    return keys;
}

std::vector<std::string> Names(const SettingString& list) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < list.Count(); ++i) {
        names.push_back(list.NameAt(i));
    }
    return names;
}

class TunerDbTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::ResetMessageBoxStateForTesting(); }
    void TearDown() override { platform::ResetMessageBoxStateForTesting(); }
    std::string Boxes() { return std::filesystem::exists(log_) ? kit_test::ReadFile(log_) : std::string(); }

    kit_test::TempDir dir_;
    std::filesystem::path log_ = dir_.path() / "boxes.log";
    kit_test::ScopedEnv logEnv_{"WINSYS_MSGBOX_LOG", log_.string()};
    kit_test::ScopedEnv answers_{"WINSYS_MSGBOX_ANSWERS", "ok,ok,ok"};
    GTuner_Db db_;
};

TEST_F(TunerDbTest, StandardListIsSortedByLabelAndLeavesOutStandardsOfNoTuner) {
    EXPECT_EQ(Names(db_.StandardList()),
              (std::vector<std::string>{"DVBT", "NTSC_M", "NTSC_M_J", "NTSC_N_358_50Hz", "PAL_BG", "PAL_BH",
                                        "PAL_DK", "PAL_I", "PAL_M_358_60Hz", "PAL_N_443_50Hz",
                                        "PAL_N_COMBO_358_50Hz", "SECAM_BG", "SECAM_BH", "SECAM_DK", "SECAM_L",
                                        "SECAM_L'"}));
    EXPECT_EQ(db_.StandardList().KeyAt(0), static_cast<int32_t>(tv::DVBT));
    EXPECT_EQ(db_.StandardList().GetDefault(), static_cast<int32_t>(tv::NTSC_M));
}

TEST_F(TunerDbTest, MakerListHoldsEachMakerOnceInTunerOrder) {
    EXPECT_EQ(Names(db_.MakerList()), (std::vector<std::string>{"SONY", "PHILIPS", "MicroTune", "XCEIVE",
                                                                "KANTREL", "TEMIC", "LG", "TCL"}));
    EXPECT_EQ(Keys(db_.MakerList()), (std::vector<int32_t>{6, 0, 9, 8, 2, 1, 3, 7}));
}

TEST_F(TunerDbTest, TunersOfMakerFilterByMakerAndStandard) {
    EXPECT_EQ(Keys(db_.TunersOfMaker(-1, tv::NTSC_M)),
              (std::vector<int32_t>{48, 49, 1236, 2060, 2266, 3028, 3262, 5262, 6262, 6270, 12363, 12365,
                                    12367, 12865, 123631, 123652}));
    // The list is rebuilt, not appended to.
    EXPECT_EQ(Keys(db_.TunersOfMaker(maker::Temic, tv::PAL_I)), (std::vector<int32_t>{5265}));
    EXPECT_EQ(db_.TunersOfMaker(maker::Temic, tv::PAL_I).NameAt(0), "TEMIC_PALI");
    EXPECT_EQ(db_.TunersOfMaker(4, tv::NTSC_M).Count(), 0);
    EXPECT_EQ(db_.TunersOfMaker(-1, tv::ATSC).Count(), 0);
}

TEST_F(TunerDbTest, TunersOfTypeHasNoWildcard) {
    EXPECT_EQ(Keys(db_.TunersOfType(0x10, tv::PAL_BG)), (std::vector<int32_t>{21166, 21168, 211661}));
    EXPECT_EQ(db_.TunersOfType(static_cast<uint32_t>(-1), tv::NTSC_M).Count(), 0);
}

TEST_F(TunerDbTest, DefaultTunerOfTypePrefersItsCandidates) {
    struct Case {
        uint32_t type;
        TvStandard standard;
        int32_t expected;
    };
    const Case cases[] = {
        {0x1, tv::PAL_DK, 1256},  // although 21161, 12560 and 6269 hold PAL_DK too
        {0x1, tv::PAL_BG, 1216},      {0x1, tv::NTSC_M, 1236},     {0x100, tv::PAL_I, 21164},
        {0x1000, tv::SECAM_L, 21160}, {0x10, tv::NTSC_M, 12363},   {0x10, tv::PAL_BG, 21166},
        {0x10000, tv::PAL_DK, 21167}, {0x8000000, tv::DVBT, 3028}, {0x10000000, tv::SECAM_L1, 2060},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(db_.DefaultTunerOfType(c.type, c.standard), c.expected) << std::hex << c.type;
    }
    EXPECT_EQ(Boxes(), "");
}

TEST_F(TunerDbTest, DefaultTunerOfTypeWarnsOnlyForAHandledTypeWithoutCandidate) {
    EXPECT_EQ(db_.DefaultTunerOfType(0x2000000, tv::PAL_BG), -1);
    EXPECT_EQ(db_.DefaultTunerOfType(0x4000000, tv::NTSC_M), -1);
    EXPECT_EQ(Boxes(), "");

    EXPECT_EQ(db_.DefaultTunerOfType(0x1000, tv::NTSC_M), -1);
    EXPECT_EQ(Boxes(),
              "{\"caption\": \"Warn\", \"text\": \"** Country tuner system not match hardware tuner system "
              "**\", \"flags\": 0, \"answer\": 1}\n");
}

TEST_F(TunerDbTest, LookupsByModelIdAndTheirAbsence) {
    ITunerDevice* tuner = db_.TunerById(12560);
    ASSERT_NE(tuner, nullptr);
    EXPECT_EQ(tuner->ModelName(), "FI1256MP");
    SettingString* standards = db_.StandardsOfTuner(12560);
    ASSERT_NE(standards, nullptr);
    EXPECT_EQ(standards, &tuner->Standards());
    EXPECT_EQ(Names(*standards), (std::vector<std::string>{"PAL_DK", "SECAM_DK", "PAL_I"}));
    EXPECT_EQ(db_.TunerById(4711), nullptr);
    EXPECT_EQ(db_.StandardsOfTuner(-1), nullptr);
}

TEST_F(TunerDbTest, FindTunerForProduct) {
    struct Case {
        int32_t product;
        TvStandard standard;
        int32_t makerIn;
        bool found;
        int32_t makerOut;
        int32_t modelOut;
    };
    const Case cases[] = {
        {370, tv::PAL_BG, -1, true, 9, 2060},
        // No Philips 2060: the first Philips tuner with PAL_BG, the maker stays.
        {370, tv::PAL_BG, 0, true, 0, 1216},
        {870, tv::DVBT, -1, true, 9, 2266},
        {701, tv::NTSC_M, -1, true, 8, 3028},
        {680, tv::PAL_I, -1, true, 0, 21166},
        {101, tv::NTSC_M, -1, true, 0, 12363},
        {718, tv::PAL_I, -1, true, 0, 1246},
        // Nothing holds ATSC; an unassigned maker has no tuners.
        {718, tv::ATSC, -1, false, -1, 777},
        {718, tv::NTSC_M, 5, false, 5, 777},
    };
    for (const Case& c : cases) {
        int32_t maker = c.makerIn;
        int32_t model = 777;
        EXPECT_EQ(db_.FindTunerForProduct(c.product, c.standard, maker, model), c.found) << c.product;
        EXPECT_EQ(maker, c.makerOut) << c.product;
        EXPECT_EQ(model, c.modelOut) << c.product;
    }
}

TEST_F(TunerDbTest, AddAllTunersAppendsTheWholeTable) {
    SettingString target(std::nullopt, 3028);
    target.Add(1, "kept", 0, 1);
    db_.AddAllTuners(target);
    ASSERT_EQ(target.Count(), 39);
    EXPECT_EQ(target.NameAt(0), "kept");
    EXPECT_EQ(target.KeyAt(1), 48);
    EXPECT_EQ(target.NameAt(1), "BTF_ZK48X");
    EXPECT_EQ(target.KeyAt(38), 211672);
    EXPECT_EQ(target.NameAt(38), "FM1216ME/I H-5(MK5)");
    EXPECT_EQ(target.NameOfKey(3028), "XC3028");
}

}  // namespace
