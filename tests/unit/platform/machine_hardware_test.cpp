// The simulated notebook driven through the hardware interface exactly as the updater's primitives
// drive the real one: keyboard- and embedded-controller byte sequences, PCI configuration reads, the
// SMI round trip and the SMBIOS walk.
#include "platform/machine_hardware.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/system_root.h"
#include "support/temp_root.h"

namespace {

using platform::Machine;
using platform::MachineHardware;

// The updater's primitives, written from its description.
class Updater {
  public:
    explicit Updater(MachineHardware& hw) : hw_(hw) {}

    uint8_t Status() { return *hw_.ReadPortByte(0x64); }
    void WaitInputEmpty() {
        for (int i = 0; i < 1000 && (Status() & 0x02); ++i) {
        }
    }
    bool WaitOutputFull() {
        for (int i = 0; i < 50; ++i)
            if (Status() & 0x01)
                return true;
        return false;
    }
    void Command(uint8_t c) { ASSERT_TRUE(hw_.WritePortByte(0x64, c)); }
    void Data(uint8_t d) { ASSERT_TRUE(hw_.WritePortByte(0x60, d)); }
    uint8_t ReadData() { return *hw_.ReadPortByte(0x60); }

    struct EnterState {
        int kind = 0;
        uint8_t byte = 0;
    };
    EnterState Enter() {
        WaitInputEmpty();
        Command(0xB1);
        WaitInputEmpty();
        uint8_t status = Status();
        if (!(status & 0x01))
            return {};
        uint8_t byte = ReadData();
        return {(status & 0x20) ? 1 : 2, byte};
    }
    void Leave(EnterState state) {
        WaitInputEmpty();
        if (state.kind == 0) {
            Command(0xB2);
            return;
        }
        Command(state.kind == 1 ? 0xB4 : 0xB3);
        WaitInputEmpty();
        Data(state.byte);
    }
    std::optional<uint8_t> EcRead(uint16_t address) {
        EnterState state = Enter();
        Command(0xBE);
        WaitInputEmpty();
        Data(0x80);
        WaitInputEmpty();
        Data(static_cast<uint8_t>(address >> 8));
        WaitInputEmpty();
        Data(static_cast<uint8_t>(address));
        std::optional<uint8_t> value;
        if (WaitOutputFull())
            value = ReadData();
        Leave(state);
        return value;
    }
    void EcWrite(uint16_t address, uint8_t value) {
        EnterState state = Enter();
        Command(0xBE);
        WaitInputEmpty();
        Data(0x81);
        WaitInputEmpty();
        Data(static_cast<uint8_t>(address >> 8));
        WaitInputEmpty();
        Data(static_cast<uint8_t>(address));
        WaitInputEmpty();
        Data(value);
        WaitInputEmpty();
        Leave(state);
    }
    uint32_t PciRead(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg) {
        EXPECT_TRUE(hw_.WritePortDword(0xCF8, 0x80000000u | bus << 16 | device << 11 | function << 8 | reg));
        return *hw_.ReadPortDword(0xCFC);
    }
    std::vector<uint8_t> Memory(uint64_t address, size_t length) {
        std::vector<uint8_t> out(length);
        EXPECT_TRUE(hw_.ReadPhysical(address, out));
        return out;
    }
    uint64_t Search(uint64_t start, size_t window, const char* text, size_t step) {
        std::vector<uint8_t> buffer = Memory(start, window);
        size_t length = std::strlen(text);
        for (size_t at = 0; at < window - length; at += step)
            if (std::memcmp(buffer.data() + at, text, length) == 0)
                return start + at;
        return 0;
    }
    // The string of a structure type by position, as the identity reader walks the table.
    std::string SmbiosString(uint8_t type, int position) {
        uint64_t entry = Search(0xF0000, 0x10000, "_DMI_", 16);
        if (entry == 0)
            return "<no entry>";
        std::vector<uint8_t> e = Memory(entry, 16);
        uint64_t address = e[8] | e[9] << 8 | e[10] << 16 | uint64_t{e[11]} << 24;
        for (int guard = 0; guard < 64; ++guard) {
            std::vector<uint8_t> head = Memory(address, 2);
            if (head[0] == type) {
                uint64_t s = address + head[1];
                std::string text;
                for (int i = 1; i <= position; ++i) {
                    std::vector<uint8_t> raw = Memory(s, 32);
                    text.assign(reinterpret_cast<const char*>(raw.data()),
                                strnlen(reinterpret_cast<const char*>(raw.data()), 31));
                    s += text.size() + 1;
                }
                return text;
            }
            if (head[0] == 127)
                return "<end>";
            address += head[1];
            while (true) {
                std::vector<uint8_t> w = Memory(address, 2);
                if (w[0] == 0 && w[1] == 0)
                    break;
                ++address;
            }
            address += 2;
        }
        return "<runaway>";
    }
    std::vector<uint8_t> Smi(uint16_t function) {
        std::vector<uint8_t> segment = Memory(0xF0000, 0x10000);
        const char sig[] = "SwSmi@";
        auto it = std::search(segment.begin(), segment.end(), sig, sig + 6);
        if (it == segment.end())
            return {};
        const uint8_t* d = &*it;
        uint16_t port = static_cast<uint16_t>(d[6] | d[7] << 8);
        uint64_t buffer = uint64_t{static_cast<uint16_t>(d[13] | d[14] << 8)} * 16 + (d[11] | d[12] << 8);
        std::vector<uint8_t> request(21, 0);
        request[0] = 0x43;
        request[1] = 0x58;
        request[2] = static_cast<uint8_t>(function);
        EXPECT_TRUE(hw_.WritePortByte(port, d[9]));
        EXPECT_TRUE(hw_.WritePhysical(buffer, request));
        EXPECT_TRUE(hw_.WritePortByte(port, d[8]));
        std::vector<uint8_t> reply;
        for (int i = 0; i < 5; ++i) {
            reply = Memory(buffer, 21);
            if (reply[4] == 0xAA)
                break;
        }
        EXPECT_TRUE(hw_.WritePortByte(port, d[10]));
        if (reply[4] != 0xAA)
            return {};
        return std::vector<uint8_t>(reply.begin() + 5, reply.end());
    }

  private:
    MachineHardware& hw_;
};

class MachineHardwareTest : public ::testing::Test {
  protected:
    void Init(const std::vector<std::pair<const char*, const char*>>& changes = {}) {
        platform::MachineSettings settings;
        settings.romKiB = 512;
        Machine m = Machine::Fresh(settings);
        for (auto [key, value] : changes)
            ASSERT_TRUE(m.Set(key, value).ok()) << key;
        ASSERT_TRUE(m.Save(dir_.path()).ok());
        hw_ = platform::OpenMachineHardware(dir_.path());
    }
    Machine Load() { return *Machine::Load(dir_.path()); }

    kit_test::TempDir dir_;
    std::unique_ptr<MachineHardware> hw_;
};

TEST_F(MachineHardwareTest, EmbeddedControllerRegistersThroughTheKeyboardController) {
    Init();
    Updater u(*hw_);
    u.EcWrite(0xE887, 0x40);
    EXPECT_EQ(u.EcRead(0xE887), 0x40);
    // The auto power-on step: read, write back with bit 0 set.
    u.EcWrite(0xE887, static_cast<uint8_t>(*u.EcRead(0xE887) | 1));
    EXPECT_EQ(Load().EcRegister(0xE887), 0x41);
    EXPECT_EQ(Load().EcRegister(0x87E8), 0) << "address bytes taken high first";
    // Nothing is left waiting once the exchange is over.
    EXPECT_EQ(u.Status() & 0x01, 0);
}

TEST_F(MachineHardwareTest, PendingByteSurvivesTheExchange) {
    struct Case {
        const char* pending;
        int kind;
        uint8_t byte;
    };
    for (Case c : {Case{"mouse:0x5A", 1, 0x5A}, Case{"keyboard:0x1C", 2, 0x1C}}) {
        SCOPED_TRACE(c.pending);
        Init({{"kbc_pending", c.pending}});
        Updater u(*hw_);
        Updater::EnterState state = u.Enter();
        EXPECT_EQ(state.kind, c.kind);
        EXPECT_EQ(state.byte, c.byte);
        u.Leave(state);
        uint8_t status = u.Status();
        EXPECT_EQ(status & 0x01, 1);
        EXPECT_EQ((status & 0x20) != 0, c.kind == 1);
        EXPECT_EQ(u.ReadData(), c.byte);

        // A full register read with the byte pending gives the register, then the byte again.
        ASSERT_TRUE(platform::UpdateMachine(dir_.path(), [&](Machine& m) {
                        m.SetEcRegister(0x0102, 0x33);
                        ASSERT_TRUE(m.Set("kbc_pending", c.pending).ok());
                    }).ok());
        EXPECT_EQ(u.EcRead(0x0102), 0x33);
        EXPECT_EQ(u.ReadData(), c.byte);
    }
}

TEST_F(MachineHardwareTest, RegisterProtocolOnlyBetweenEnterAndLeave) {
    Init();
    Updater u(*hw_);
    u.Command(0xBE);
    u.Data(0x81);
    u.Data(0x00);
    u.Data(0x10);
    u.Data(0x99);
    EXPECT_EQ(Load().EcRegister(0x0010), 0);
}

TEST_F(MachineHardwareTest, InputLockAndUnlockCommandBytes) {
    Init();
    Updater u(*hw_);
    for (uint8_t c : {0xAD, 0xA7, 0x60}) {
        u.WaitInputEmpty();
        u.Command(c);
    }
    u.WaitInputEmpty();
    u.Data(0x74);
    EXPECT_EQ(Load().state().commandByte, 0x74);
    u.Command(0x20);
    EXPECT_EQ(u.ReadData(), 0x74);

    for (uint8_t c : {0xAE, 0xA8, 0x60})
        u.Command(c);
    u.Data(0x47);
    EXPECT_EQ(Load().state().commandByte, 0x47);
    // The interface commands alone flip the disable bits.
    u.Command(0xAD);
    u.Command(0xA7);
    EXPECT_EQ(Load().state().commandByte, 0x47 | 0x30);
}

TEST_F(MachineHardwareTest, PciConfigurationAndSmiEnable) {
    Init({{"acpi_base", "0x800"}, {"smi_enabled", "0"}});
    Updater u(*hw_);
    uint32_t base = u.PciRead(0, 31, 0, 0x40);
    EXPECT_EQ(base, 0x801u);
    EXPECT_EQ(u.PciRead(0, 30, 0, 0x40), 0xFFFFFFFFu);
    uint16_t port = static_cast<uint16_t>((base & ~1u) + 0x30);
    uint16_t word = *hw_->ReadPortWord(port);
    EXPECT_EQ(word & 1, 0);
    ASSERT_TRUE(hw_->WritePortWord(port, static_cast<uint16_t>(word | 1)));
    EXPECT_EQ(*hw_->ReadPortWord(port) & 1, 1);
    EXPECT_EQ(Load().state().smiEnableWord & 1, 1);

    Init({{"lpc_bridge", "0"}});
    Updater none(*hw_);
    EXPECT_EQ(none.PciRead(0, 31, 0, 0x40), 0xFFFFFFFFu);
}

TEST_F(MachineHardwareTest, SmiRoundTrip) {
    Init({{"model", "QZ9B"}});
    Updater u(*hw_);
    std::vector<uint8_t> out = u.Smi(4);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 4), "QZ9B");

    Init({{"smi_model_ff", "1"}});
    Updater ff(*hw_);
    out = ff.Smi(4);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(out[0], 0xFF);

    // With SMI disabled the request is never completed.
    Init({{"smi_enabled", "0"}});
    Updater off(*hw_);
    EXPECT_TRUE(off.Smi(4).empty());

    Init({{"smi_present", "0"}});
    Updater absent(*hw_);
    EXPECT_EQ(absent.Search(0xF0000, 0x10000, "SwSmi@", 1), 0u);
}

TEST_F(MachineHardwareTest, SmbiosWalkAndSegmentRecords) {
    Init({{"release_date", "12/31/2006"},
          {"serial", "SER-0042"},
          {"bios_flag", "NBFA"},
          {"purchase_date", "03/04/2007"},
          {"part_number", "0C1"},
          {"version", "P07E"}});
    Updater u(*hw_);
    EXPECT_EQ(u.SmbiosString(0, 3), "12/31/2006");
    EXPECT_EQ(u.SmbiosString(1, 4), "SER-0042");
    EXPECT_EQ(u.SmbiosString(11, 1), "NBFA");
    EXPECT_EQ(u.SmbiosString(11, 2), "03/04/2007");
    EXPECT_EQ(u.SmbiosString(5, 1), "<end>");
    EXPECT_EQ(u.Search(0xF0000, 0x10000, "_DMI_", 16) % 16, 0u);

    uint64_t devel = u.Search(0xF0000, 0x10000, "DEVEL", 1);
    ASSERT_NE(devel, 0u);
    std::vector<uint8_t> part = u.Memory(devel + 5, 3);
    EXPECT_EQ(std::string(part.begin(), part.end()), "0C1");
    uint64_t diag = u.Search(0xF0000, 0x10000, "DiaG@", 1);
    std::vector<uint8_t> record = u.Memory(diag, 40);
    EXPECT_EQ(std::string(record.begin() + 25, record.begin() + 29), "P07E");
}

TEST_F(MachineHardwareTest, TopOfMemoryHoldsTheFlash) {
    Init();
    Updater u(*hw_);
    std::vector<uint8_t> top = u.Memory(0xFFF00000, 0x100000);
    Machine m = Load();
    ASSERT_EQ(m.Flash().size(), 0x80000u);
    EXPECT_TRUE(std::all_of(top.begin(), top.begin() + 0x80000, [](uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(std::equal(m.Flash().begin(), m.Flash().end(), top.begin() + 0x80000));

    // The memory view keeps the booted firmware while the flash changes.
    platform::RomIdentity next;
    next.size = 0x80000;
    next.version = "P09A";
    ASSERT_TRUE(platform::UpdateMachine(dir_.path(), [&](Machine& mm) {
                    ASSERT_TRUE(mm.ReplaceFlash(platform::BuildRom(next)).ok());
                }).ok());
    uint64_t diag = u.Search(0xF0000, 0x10000, "DiaG@", 1);
    std::vector<uint8_t> record = u.Memory(diag, 40);
    EXPECT_EQ(std::string(record.begin() + 25, record.begin() + 29), "P01A");
}

TEST_F(MachineHardwareTest, PoweredOffMachineAnswersNothing) {
    Init();
    ASSERT_TRUE(platform::UpdateMachine(dir_.path(), [](Machine& m) { m.PowerOff(); }).ok());
    EXPECT_FALSE(hw_->ReadPortByte(0x64));
    EXPECT_FALSE(hw_->WritePortByte(0x64, 0xAD));
    std::vector<uint8_t> buffer(16);
    EXPECT_FALSE(hw_->ReadPhysical(0xF0000, buffer));
}

TEST(MachinePower, FreeDiskOverrideAndPriorityClass) {
    kit_test::TempSystemRoot root;
    EXPECT_FALSE(platform::FixedFreeDiskMiB());
    ASSERT_TRUE(platform::UpdateMachine(platform::MachineFolder(), [](Machine& m) {
                    ASSERT_TRUE(m.Set("free_disk_mib", "1").ok());
                }).ok());
    EXPECT_EQ(platform::FixedFreeDiskMiB(), 1u);

    EXPECT_EQ(platform::ProcessPriorityClass(), 0x20u);
    EXPECT_TRUE(platform::SetProcessPriorityClass(0x100));
    EXPECT_EQ(platform::ProcessPriorityClass(), 0x100u);
    EXPECT_FALSE(platform::SetProcessPriorityClass(0x10000));
    EXPECT_EQ(platform::ProcessPriorityClass(), 0x100u);
}

TEST(MachinePower, StatusAndPowerCycleOfTheCurrentRoot) {
    kit_test::TempSystemRoot root;
    ASSERT_TRUE(platform::UpdateMachine(platform::MachineFolder(), [](Machine& m) {
                    ASSERT_TRUE(m.Set("ac", "255").ok());
                    ASSERT_TRUE(m.Set("battery", "29").ok());
                }).ok());
    auto status = platform::QueryPowerStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->acLine, 255);
    EXPECT_EQ(status->batteryPercent, 29);

    ASSERT_TRUE(platform::PowerOffMachine().ok());
    auto on = platform::PowerOnMachine();
    ASSERT_TRUE(on.ok());
    EXPECT_TRUE(*on);
    on = platform::PowerOnMachine();
    ASSERT_TRUE(on.ok());
    EXPECT_FALSE(*on);
}

}  // namespace
