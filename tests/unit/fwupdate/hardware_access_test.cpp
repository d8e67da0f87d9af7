// The hardware primitives on the simulated notebook of a temporary system root, and on small fakes
// where a fault has to be forced: retry limits, the search window, the SMI interface and the
// embedded-controller protocol through the keyboard controller.
#include "fwupdate/hardware_access.h"

#include <gtest/gtest.h>

#include "hardware_fixtures.h"

namespace {

using fwupdate::EcEnterState;
using fwupdate::HardwareAccess;
using fwupdate::HardwareLimits;
using fwupdate_test::MachineChannel;
using fwupdate_test::MemoryChannel;
using fwupdate_test::PortLog;
using fwupdate_test::PortRequest;
using fwupdate_test::RecordingChannel;

constexpr HardwareLimits kShortLimits{10, std::chrono::milliseconds(50), std::chrono::milliseconds(50)};

class HardwareAccessTest : public ::testing::Test {
  protected:
    void Init(const platform::MachineSettings& settings = {}) {
        ASSERT_TRUE(platform::InitMachine(platform::MachineFolder(), settings).ok());
    }
    platform::Machine Read() { return std::move(platform::ReadMachine(platform::MachineFolder())).value(); }

    kit_test::TempSystemRoot root_;
};

TEST_F(HardwareAccessTest, PortRequestsAreRepeatedWhileTheDriverRefusesThem) {
    Init();
    MachineChannel machine(platform::MachineFolder());
    PortLog log;
    int refusals = 3;
    log.refuse = [&](const PortRequest&) { return refusals-- > 0; };
    RecordingChannel channel(machine, log);
    HardwareAccess hw(channel, kShortLimits);
    std::optional<uint8_t> status = hw.KbcStatus();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(log.refused, 3);
    EXPECT_EQ(log.requests.size(), 1u);
}

TEST_F(HardwareAccessTest, APortRequestRefusedUpToTheLimitFails) {
    Init();
    MachineChannel machine(platform::MachineFolder());
    PortLog log;
    log.refuse = [](const PortRequest&) { return true; };
    RecordingChannel channel(machine, log);
    HardwareAccess hw(channel, kShortLimits);
    EXPECT_FALSE(hw.ReadPortByte(0x64).has_value());
    EXPECT_FALSE(hw.WritePortWord(0x1030, 1));
    EXPECT_EQ(log.refused, 2 * kShortLimits.portAttempts);
    // The default limit is a thousand attempts per request.
    EXPECT_EQ(HardwareLimits{}.portAttempts, 1000);
}

TEST_F(HardwareAccessTest, PciConfigurationReadUsesMechanismOne) {
    platform::MachineSettings settings;
    settings.acpiBase = 0x1800;
    Init(settings);
    MachineChannel machine(platform::MachineFolder());
    PortLog log;
    RecordingChannel channel(machine, log);
    HardwareAccess hw(channel, kShortLimits);
    EXPECT_EQ(hw.ReadPciConfig(0, 31, 0, 0x40), 0x1801u);
    EXPECT_EQ(log.Writes(0xCF8), std::vector<uint32_t>{0x8000F840u});
    // No device answers elsewhere.
    EXPECT_EQ(hw.ReadPciConfig(1, 2, 3, 0x40), 0xFFFFFFFFu);
    EXPECT_EQ(log.Writes(0xCF8).back(), 0x80011340u);
}

TEST(HardwareSearchTest, FindsTextsBelowTheLastOffsetOfTheWindow) {
    struct Case {
        const char* name;
        uint64_t at;  // where the text lies
        size_t step;
        uint64_t found;
    };
    // A window of 64 bytes at 0x1000 and the text "SIG@" (4 bytes).
    const Case cases[] = {
        {"first offset", 0x1000, 1, 0x1000},
        {"aligned to the step", 0x1010, 16, 0x1010},
        {"between steps", 0x1011, 16, 0},
        {"one before the last offset", 0x1000 + 64 - 5, 1, 0x1000 + 64 - 5},
        {"flush with the end of the window", 0x1000 + 64 - 4, 1, 0},
        {"crossing the end of the window", 0x1000 + 64 - 3, 1, 0},
        {"just before the window", 0x0FFF, 1, 0},
    };
    for (const Case& c : cases) {
        MemoryChannel memory;
        memory.Put(c.at, {'S', 'I', 'G', '@'});
        HardwareAccess hw(memory, kShortLimits);
        EXPECT_EQ(hw.Search(0x1000, 64, "SIG@", c.step), c.found) << c.name;
    }
}

TEST(HardwareSearchTest, AnUnreadableWindowFindsNothing) {
    MemoryChannel memory;
    memory.Put(0x1000, {'S', 'I', 'G', '@'});
    memory.failReads = true;
    HardwareAccess hw(memory, kShortLimits);
    EXPECT_EQ(hw.Search(0x1000, 64, "SIG@", 1), 0u);
    EXPECT_EQ(hw.Search(0x1000, 3, "SIG@", 1), 0u);
}

TEST_F(HardwareAccessTest, SmiInterfaceIsUsableFromVersion0x24) {
    for (unsigned version : {0x23u, 0x24u, 0x30u}) {
        platform::MachineSettings settings;
        settings.smiVersion = version;
        Init(settings);
        MachineChannel machine(platform::MachineFolder());
        HardwareAccess hw(machine, kShortLimits);
        ASSERT_TRUE(hw.FindSmiInterface()) << version;
        EXPECT_EQ(hw.smiInterface()->version, version);
        EXPECT_EQ(hw.SmiUsable(), version >= 0x24) << version;
        std::optional<std::array<uint8_t, 16>> answer = hw.SmiCall(4, {});
        EXPECT_EQ(answer.has_value(), version >= 0x24) << version;
    }
}

TEST_F(HardwareAccessTest, SmiCallSendsTheRequestAndReturnsTheAnswer) {
    Init();
    MachineChannel machine(platform::MachineFolder());
    PortLog log;
    RecordingChannel channel(machine, log);
    HardwareAccess hw(channel, kShortLimits);
    ASSERT_TRUE(hw.FindSmiInterface());
    const fwupdate::SmiInterface smi = *hw.smiInterface();
    std::optional<std::array<uint8_t, 16>> answer = hw.SmiCall(4, {});
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(std::string(answer->begin(), answer->begin() + 4), "NB10");
    // Prepare, trigger, finish, in that order, on the interface's command port.
    EXPECT_EQ(log.Writes(smi.port), (std::vector<uint32_t>{smi.prepare, smi.trigger, smi.finish}));
    // The request record in memory, completed by the BIOS.
    std::vector<uint8_t> request = Read().ReadMemory(smi.BufferAddress(), 21);
    EXPECT_EQ(request[0], 0x43);
    EXPECT_EQ(request[1], 0x58);
    EXPECT_EQ(request[2], 4);
    EXPECT_EQ(request[4], 0xAA);
}

TEST_F(HardwareAccessTest, SmiRequestTheBiosNeverCompletesFailsAfterThePollLimit) {
    Init();
    // With the global SMI enable bit clear the chipset never raises the interrupt.
    ASSERT_TRUE(platform::UpdateMachine(platform::MachineFolder(), [](platform::Machine& m) {
                    m.state().smiEnableWord = 0;
                }).ok());
    MachineChannel machine(platform::MachineFolder());
    PortLog log;
    RecordingChannel channel(machine, log);
    HardwareAccess hw(channel, kShortLimits);
    ASSERT_TRUE(hw.FindSmiInterface());
    const fwupdate::SmiInterface smi = *hw.smiInterface();
    EXPECT_FALSE(hw.SmiCall(4, {}).has_value());
    // The finish value still goes out.
    EXPECT_EQ(log.Writes(smi.port).back(), smi.finish);
    // Input longer than the request's data area is refused before anything is sent.
    std::vector<uint8_t> tooLong(17, 1);
    size_t before = log.requests.size();
    EXPECT_FALSE(hw.SmiCall(4, tooLong).has_value());
    EXPECT_EQ(log.requests.size(), before);
}

TEST_F(HardwareAccessTest, EnterWithAPendingMouseByteAndTheMatchingLeave) {
    platform::MachineSettings settings;
    settings.kbcPending = "mouse:0x5A";
    Init(settings);
    MachineChannel machine(platform::MachineFolder());
    PortLog log;
    RecordingChannel channel(machine, log);
    HardwareAccess hw(channel, kShortLimits);

    std::optional<EcEnterState> state = hw.EcEnter();
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->kind, EcEnterState::MouseByte);
    EXPECT_EQ(state->pending, 0x5A);
    EXPECT_TRUE(Read().state().ecMode);

    log.requests.clear();
    ASSERT_TRUE(hw.EcLeave(*state));
    EXPECT_EQ(log.Writes(0x64), std::vector<uint32_t>{0xB4});
    EXPECT_EQ(log.Writes(0x60), std::vector<uint32_t>{0x5A});
    // The byte waits again for the mouse driver, as it did before.
    platform::Machine after = Read();
    EXPECT_FALSE(after.state().ecMode);
    EXPECT_TRUE(after.state().outputFull);
    EXPECT_TRUE(after.state().outputMouse);
    EXPECT_EQ(after.state().outputByte, 0x5A);
}

TEST_F(HardwareAccessTest, EnterAndLeaveForEachKindOfPendingByte) {
    struct Case {
        const char* pending;
        EcEnterState::Kind kind;
        uint8_t byte;
        std::vector<uint32_t> leaveCommands;
        std::vector<uint32_t> leaveData;
    };
    const Case cases[] = {
        {"none", EcEnterState::Nothing, 0, {0xB2}, {}},
        {"keyboard:0x1C", EcEnterState::KeyboardByte, 0x1C, {0xB3}, {0x1C}},
        {"mouse:0x08", EcEnterState::MouseByte, 0x08, {0xB4}, {0x08}},
    };
    for (const Case& c : cases) {
        platform::MachineSettings settings;
        settings.kbcPending = c.pending;
        Init(settings);
        MachineChannel machine(platform::MachineFolder());
        PortLog log;
        RecordingChannel channel(machine, log);
        HardwareAccess hw(channel, kShortLimits);
        std::optional<EcEnterState> state = hw.EcEnter();
        ASSERT_TRUE(state.has_value()) << c.pending;
        EXPECT_EQ(state->kind, c.kind) << c.pending;
        EXPECT_EQ(state->pending, c.byte) << c.pending;
        EXPECT_EQ(log.Writes(0x64), std::vector<uint32_t>{0xB1}) << c.pending;
        log.requests.clear();
        ASSERT_TRUE(hw.EcLeave(*state));
        EXPECT_EQ(log.Writes(0x64), c.leaveCommands) << c.pending;
        EXPECT_EQ(log.Writes(0x60), c.leaveData) << c.pending;
    }
}

TEST_F(HardwareAccessTest, EmbeddedControllerRegistersReadAndWrite) {
    Init();
    ASSERT_TRUE(platform::UpdateMachine(platform::MachineFolder(), [](platform::Machine& m) {
                    m.SetEcRegister(0x1234, 0x9C);
                }).ok());
    MachineChannel machine(platform::MachineFolder());
    PortLog log;
    RecordingChannel channel(machine, log);
    HardwareAccess hw(channel, kShortLimits);
    EXPECT_EQ(hw.EcRead(0x1234), 0x9C);
    EXPECT_EQ(log.Writes(0x64), (std::vector<uint32_t>{0xB1, 0xBE, 0xB2}));
    EXPECT_EQ(log.Writes(0x60), (std::vector<uint32_t>{0x80, 0x12, 0x34}));

    log.requests.clear();
    ASSERT_TRUE(hw.EcWrite(0xE887, 0x41));
    EXPECT_EQ(log.Writes(0x60), (std::vector<uint32_t>{0x81, 0xE8, 0x87, 0x41}));
    platform::Machine after = Read();
    EXPECT_EQ(after.EcRegister(0xE887), 0x41);
    EXPECT_FALSE(after.state().ecMode);
}

// A keyboard controller whose input buffer never empties.
class StuckController : public MemoryChannel {
  public:
    std::optional<uint32_t> ReadPort(uint16_t port, unsigned width) override {
        if (port == 0x64)
            return 0x02u;
        return MemoryChannel::ReadPort(port, width);
    }
};

TEST(HardwareKbcTest, AWaitThatNeverEndsFailsAtItsLimit) {
    StuckController stuck;
    HardwareAccess hw(stuck, kShortLimits);
    EXPECT_FALSE(hw.KbcWaitInputEmpty());
    EXPECT_FALSE(hw.KbcWaitOutputFull());
    EXPECT_FALSE(hw.EcEnter().has_value());
    EXPECT_FALSE(hw.EcRead(0xE887).has_value());
    EXPECT_FALSE(hw.EcWrite(0xE887, 1));
    EXPECT_EQ(HardwareLimits{}.kbcWait, std::chrono::seconds(1));
    EXPECT_EQ(HardwareLimits{}.smiPoll, std::chrono::seconds(2));
}

TEST_F(HardwareAccessTest, AFailedRegisterReadStillLeavesTheEmbeddedController) {
    Init();
    MachineChannel machine(platform::MachineFolder());
    PortLog log;
    // The driver refuses the address byte of the register protocol.
    log.refuse = [](const PortRequest& r) { return r.write && r.port == 0x60 && r.value == 0xE8; };
    RecordingChannel channel(machine, log);
    HardwareAccess hw(channel, kShortLimits);
    EXPECT_FALSE(hw.EcRead(0xE887).has_value());
    EXPECT_EQ(log.Writes(0x64).back(), 0xB2u);
    EXPECT_FALSE(Read().state().ecMode);
}

}  // namespace
