#include "drvsetup/device/tuner_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

namespace {

using namespace drvsetup;

TEST(TunerTablesTest, ThirtyEightModelsInAscendingUniqueIdsWithUniqueNames) {
    std::span<const TunerDescriptor> tuners = TunerDescriptors();
    ASSERT_EQ(tuners.size(), 38u);
    std::set<std::string_view> names;
    for (size_t i = 0; i < tuners.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(tuners[i - 1].modelId, tuners[i].modelId) << tuners[i].modelName;
        }
        EXPECT_TRUE(names.insert(tuners[i].modelName).second) << tuners[i].modelName;
        EXPECT_TRUE(MakerNameOf(tuners[i].maker).has_value()) << tuners[i].modelName;
        // Every listed standard has a label, so no tuner loses a standard when it is built.
        for (const StandardPair& pair : tuners[i].standards) {
            if (pair.code != 0) {
                EXPECT_TRUE(StandardLabelOf(pair.code).has_value()) << tuners[i].modelName;
            }
        }
    }
    EXPECT_EQ(tuners.front().modelName, "BTF_ZK48X");
    EXPECT_EQ(tuners.back().modelId, 211672);
}

TEST(TunerTablesTest, LookupsByIdAndNameAndTheirSentinels) {
    struct Case {
        int32_t id;
        std::string_view name;
        int32_t maker;
        uint32_t type;
        TunerClass tunerClass;
        size_t standardCount;
    };
    const Case cases[] = {
        {48, "BTF_ZK48X", maker::Sony, 0x4000000, TunerClass::Sony, 6},
        {2266, "MT2266", maker::MicroTune, 0x10000000, TunerClass::MicroTune, 16},
        {3028, "XC3028", maker::Xceive, 0x8000000, TunerClass::Xceive, 16},
        {12367, "BTF_PK46XZ", maker::Sony, 0x1, TunerClass::Philips, 6},
        {21160, "FI1216MF", maker::Philips, 0x1000, TunerClass::Philips, 6},
        {21164, "FQ1216ME", maker::Philips, 0x100, TunerClass::Philips, 9},
        {6269, "TCL2002MI_3", maker::Tcl, 0x1, TunerClass::Philips, 3},
    };
    for (const Case& c : cases) {
        const TunerDescriptor* byId = FindTunerDescriptor(c.id);
        ASSERT_NE(byId, nullptr) << c.id;
        EXPECT_EQ(FindTunerDescriptor(c.name), byId);
        EXPECT_EQ(byId->modelName, c.name);
        EXPECT_EQ(byId->maker, c.maker);
        EXPECT_EQ(byId->typeCode, c.type);
        EXPECT_EQ(byId->tunerClass, c.tunerClass);
        size_t count = 0;
        while (count < kMaxTunerStandards && byId->standards[count].code != 0) {
            ++count;
        }
        EXPECT_EQ(count, c.standardCount) << c.name;
    }
    EXPECT_EQ(FindTunerDescriptor(0), nullptr);
    EXPECT_EQ(FindTunerDescriptor(-1), nullptr);
    EXPECT_EQ(FindTunerDescriptor("fi1216"), nullptr);  // names compare exactly
    EXPECT_EQ(FindTunerDescriptor(""), nullptr);
}

TEST(TunerTablesTest, LabelsAndMakerNames) {
    EXPECT_EQ(StandardLabels().size(), 18u);
    EXPECT_EQ(StandardLabelOf(tv::SECAM_L1), "SECAM_L'");
    EXPECT_EQ(StandardLabelOf(tv::ISDBT), "ISDBT");
    EXPECT_FALSE(StandardLabelOf(0).has_value());
    EXPECT_FALSE(StandardLabelOf(0x0011C123).has_value());

    EXPECT_EQ(MakerNames().size(), 8u);
    EXPECT_EQ(MakerNameOf(9), "MicroTune");
    EXPECT_EQ(MakerNameOf(3), "LG");
    EXPECT_FALSE(MakerNameOf(4).has_value());
    EXPECT_FALSE(MakerNameOf(5).has_value());
    EXPECT_FALSE(MakerNameOf(-1).has_value());
}

TEST(TunerTablesTest, ParameterRecordsAndTheirBindingToTheSingleConversionModels) {
    std::span<const StandardParams> records = StandardParamsRecords();
    ASSERT_EQ(records.size(), 31u);
    // Record 5 alone carries other reserved words; records 13 and 22 open the two demodulator series.
    EXPECT_EQ(records[4].reserved, (std::array<int32_t, 3>{0, 6, 0}));
    EXPECT_EQ(records[0].reserved, (std::array<int32_t, 3>{1, 6, 64}));
    EXPECT_EQ(records[12].demodulator, (std::array<uint8_t, 4>{0x16, 0x10, 0x44, 0x00}));
    EXPECT_EQ(records[21].auxiliary, 0xA0);
    EXPECT_EQ(records[14].controlByte, 0xC6);
    EXPECT_EQ(records[17].limits, (std::array<int32_t, 4>{1700000, 4500000, 8552500, 8700000}));

    EXPECT_EQ(StandardParamsNumber(&records[0]), 1);
    EXPECT_EQ(StandardParamsNumber(&records[30]), 31);
    EXPECT_EQ(StandardParamsNumber(nullptr), 0);
    const StandardParams copy = records[0];
    EXPECT_EQ(StandardParamsNumber(&copy), 0);

    // Every pair of a single-conversion model names a record of the table; no other model has any.
    std::set<int> used;
    for (const TunerDescriptor& tuner : TunerDescriptors()) {
        for (const StandardPair& pair : tuner.standards) {
            if (pair.code == 0) {
                break;
            }
            if (tuner.tunerClass == TunerClass::Philips) {
                int number = StandardParamsNumber(pair.params);
                EXPECT_NE(number, 0) << tuner.modelName;
                used.insert(number);
            } else {
                EXPECT_EQ(pair.params, nullptr) << tuner.modelName;
            }
        }
    }
    EXPECT_EQ(used.size(), 31u);  // no record is left unused
}

}  // namespace
