#include "drvsetup/device/tuner_bus.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using drvsetup::RecordingTunerBus;
using drvsetup::TunerBusCall;
using Kind = TunerBusCall::Kind;

TEST(RecordingTunerBusTest, KeepsEveryTransferInOrderAndAnswersReadsFromItsScript) {
    RecordingTunerBus bus;
    uint32_t value = 0xFFFFFFFF;
    // Unscripted reads deliver 0 and succeed.
    EXPECT_EQ(bus.ReadBytes(0x60, 1, value), 1);
    EXPECT_EQ(value, 0u);

    bus.SetRead(0x61, 0x1234, 0);
    EXPECT_EQ(bus.ReadWord(0x61, 32, 0, value), 0);
    EXPECT_EQ(value, 0x1234u);

    const std::array<uint8_t, 3> bytes{1, 2, 3};
    EXPECT_EQ(bus.WriteSubaddressed(0x43, 0, bytes), 1);
    bus.SetWriteResult(7);
    EXPECT_EQ(bus.WriteBytes(0x61, std::span(bytes).first(2)), 7);

    const std::vector<TunerBusCall> expected{
        {Kind::ReadBytes, 0x60, 1, 0, {}},
        {Kind::ReadWord, 0x61, 32, 0, {}},
        {Kind::WriteSubaddressed, 0x43, 3, 0, {1, 2, 3}},
        {Kind::WriteBytes, 0x61, 2, 0, {1, 2}},
    };
    EXPECT_EQ(bus.Calls(), expected);
    bus.Clear();
    EXPECT_TRUE(bus.Calls().empty());
}

}  // namespace
