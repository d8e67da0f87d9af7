#include "platform/machine.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/profile.h"
#include "support/temp_root.h"

namespace {

using platform::Machine;
using platform::MachineSettings;

TEST(Machine, SavedStateIsWhatTheNextLoadSees) {
    kit_test::TempDir dir;
    MachineSettings settings;
    settings.romKiB = 512;
    settings.biosFlag = "ABC ";  // a trailing blank matters to the updater
    ASSERT_TRUE(platform::InitMachine(dir.path(), settings).ok());
    for (const char* file : {"machine.ini", "flash.rom", "running.rom", "ec.bin", "ram.bin"})
        EXPECT_TRUE(std::filesystem::exists(dir.path() / file)) << file;

    ASSERT_TRUE(platform::UpdateMachine(dir.path(), [](Machine& m) {
                    m.SetEcRegister(0x1234, 0x5A);
                    m.state().commandByte = 0x74;
                    ASSERT_TRUE(m.Set("serial", "XY-99").ok());
                }).ok());
    auto loaded = Machine::Load(dir.path());
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    EXPECT_EQ(loaded->EcRegister(0x1234), 0x5A);
    EXPECT_EQ(loaded->state().commandByte, 0x74);
    EXPECT_EQ(loaded->settings().serial, "XY-99");
    EXPECT_EQ(loaded->settings().biosFlag, "ABC ");
    EXPECT_EQ(loaded->Flash().size(), 0x80000u);
    // The settings file stays readable text.
    EXPECT_EQ(platform::profile::ReadString((dir.path() / "machine.ini").string(), "Settings", "serial", ""),
              "XY-99");
}

TEST(Machine, FolderWithoutMachineGetsAHealthyOne) {
    kit_test::TempDir dir;
    auto machine = platform::ReadMachine(dir.path() / "machine");
    ASSERT_TRUE(machine.ok()) << machine.error().message;
    EXPECT_TRUE(machine->state().poweredOn);
    EXPECT_EQ(machine->settings().ac, 1u);
    EXPECT_EQ(machine->settings().battery, 100u);
    EXPECT_EQ(machine->state().smiEnableWord & 1, 1);
    EXPECT_EQ(platform::ReadRomInfo(machine->RunningRom()).model, machine->settings().model);
}

TEST(Machine, BrokenFilesAreErrorsNotCrashes) {
    kit_test::TempDir dir;
    ASSERT_TRUE(platform::InitMachine(dir.path(), MachineSettings{}).ok());
    kit_test::WriteFile(dir.path() / "flash.rom", std::string(1000, '\0'));
    EXPECT_FALSE(Machine::Load(dir.path()).ok());

    ASSERT_TRUE(platform::InitMachine(dir.path(), MachineSettings{}).ok());
    kit_test::WriteFile(dir.path() / "machine.ini",
                        std::string("[Settings]\nrom_kib=\"77\"\n") + std::string(3, '\0') + "\xff\xfe\n");
    auto broken = Machine::Load(dir.path());
    ASSERT_FALSE(broken.ok());
    EXPECT_NE(broken.error().message.find("rom_kib"), std::string::npos);

    // Garbage state values fall back to defaults; a short ec.bin is padded.
    ASSERT_TRUE(platform::InitMachine(dir.path(), MachineSettings{}).ok());
    kit_test::WriteFile(dir.path() / "ec.bin", "\x01");
    platform::profile::WriteString((dir.path() / "machine.ini").string(), "State", "Expect",
                                   std::string(5000, 'z'));
    auto loaded = Machine::Load(dir.path());
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->EcRegister(0), 1);
    EXPECT_EQ(loaded->EcRegister(0xFFFF), 0);
}

TEST(Machine, SetChecksEveryKey) {
    Machine m = Machine::Fresh(MachineSettings{});
    struct Case {
        const char* key;
        const char* value;
        bool ok;
    };
    const Case cases[] = {
        {"ac", "0", true},
        {"ac", "255", true},
        {"ac", "2", false},
        {"battery", "100", true},
        {"battery", "101", false},
        {"battery", "255", true},
        {"model", "ABCD", true},
        {"model", "ABCDE", false},
        {"release_date", "12/31/2099", true},
        {"release_date", "13/01/2007", false},
        {"release_date", "1/1/2007", false},
        {"rom_kib", "512", true},
        {"rom_kib", "256", false},
        {"kbc_pending", "mouse:0x5A", true},
        {"kbc_pending", "mouse:0x100", false},
        {"kbc_pending", "joystick:1", false},
        {"free_disk_mib", "", true},
        {"free_disk_mib", "x", false},
        {"smi_enabled", "yes", false},
        {"no_such_key", "1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(m.Set(c.key, c.value).ok(), c.ok) << c.key << "=" << c.value;
    EXPECT_EQ(m.Get("ac"), "255");
}

TEST(Machine, IdentityKeysRebuildTheFirmware) {
    Machine m = Machine::Fresh(MachineSettings{});
    ASSERT_TRUE(m.Set("rom_kib", "512").ok());
    ASSERT_TRUE(m.Set("part_number", "002").ok());
    EXPECT_EQ(m.Flash().size(), 0x80000u);
    EXPECT_EQ(platform::ReadRomInfo(m.Flash()).partNumber, "002");
    EXPECT_EQ(platform::ReadRomInfo(m.RunningRom()).partNumber, "002");
}

TEST(Machine, NewFirmwareRunsAfterTheNextPowerOn) {
    Machine m = Machine::Fresh(MachineSettings{});
    platform::RomIdentity next;
    next.version = "P02A";
    ASSERT_TRUE(m.ReplaceFlash(platform::BuildRom(next)).ok());
    EXPECT_EQ(platform::ReadRomInfo(m.RunningRom()).version, "P01A");

    // Without auto power-on the machine stays off.
    m.PowerOff();
    EXPECT_FALSE(m.state().poweredOn);
    EXPECT_TRUE(m.PowerOn());
    EXPECT_FALSE(m.PowerOn());
    EXPECT_EQ(platform::ReadRomInfo(m.RunningRom()).version, "P02A");

    // Armed: powers on again at once and the bit is cleared; the other bits stay.
    next.version = "P03A";
    ASSERT_TRUE(m.ReplaceFlash(platform::BuildRom(next)).ok());
    m.SetEcRegister(0xE887, 0x81);
    m.PowerOff();
    EXPECT_TRUE(m.state().poweredOn);
    EXPECT_EQ(m.EcRegister(0xE887), 0x80);
    EXPECT_EQ(platform::ReadRomInfo(m.RunningRom()).version, "P03A");
    EXPECT_EQ(m.state().history, (std::vector<std::string>{"off", "on", "off", "auto-on"}));

    EXPECT_FALSE(m.ReplaceFlash(std::vector<uint8_t>(0x80000)).ok());  // not the chip's size
    EXPECT_FALSE(m.WriteFlash(m.Flash().size() - 1, std::vector<uint8_t>(2)).ok());
}

// The embedded controller and the DMI texts follow the BIOS: what a flash tool writes runs, or is
// reported, from the next power-on, and survives the save and load in between.
TEST(Machine, FlashedEcFirmwareAndPendingDmiTakeEffectAtPowerOn) {
    kit_test::TempDir dir;
    MachineSettings settings;
    settings.ecFirmware = "1.10";
    ASSERT_TRUE(platform::InitMachine(dir.path(), settings).ok());
    ASSERT_TRUE(platform::UpdateMachine(dir.path(), [](Machine& m) {
                    m.FlashEcFirmware("1.20");
                    m.pendingDmi().serial = "SN NEW";
                    m.pendingDmi().biosFlag = "NBFA2006";
                    m.state().history.push_back("WinUp kbc.bin /FORCE, /A %41");
                }).ok());
    auto loaded = Machine::Load(dir.path());
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    EXPECT_EQ(loaded->settings().ecFirmware, "1.10");
    EXPECT_EQ(loaded->settings().ecFirmwareFlashed, "1.20");
    EXPECT_EQ(loaded->pendingDmi().serial, std::optional<std::string>("SN NEW"));
    EXPECT_EQ(loaded->pendingDmi().biosFlag, std::optional<std::string>("NBFA2006"));
    EXPECT_FALSE(loaded->pendingDmi().purchaseDate);
    EXPECT_EQ(loaded->settings().serial, "SN0012345678");
    // Commas and percent signs inside an event do not split or change it.
    EXPECT_EQ(loaded->state().history, (std::vector<std::string>{"WinUp kbc.bin /FORCE, /A %41"}));

    ASSERT_TRUE(platform::UpdateMachine(dir.path(), [](Machine& m) {
                    m.PowerOff();
                    EXPECT_TRUE(m.PowerOn());
                }).ok());
    loaded = Machine::Load(dir.path());
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->settings().ecFirmware, "1.20");
    EXPECT_EQ(loaded->settings().serial, "SN NEW");
    EXPECT_EQ(loaded->settings().biosFlag, "NBFA2006");
    EXPECT_EQ(loaded->settings().purchaseDate, "01/15/2007");
    EXPECT_TRUE(loaded->pendingDmi().Empty());
    EXPECT_FALSE(platform::profile::ProfileFile::Load((dir.path() / "machine.ini").string())
                     .HasKey("State", "PendingSerial"));
    EXPECT_EQ(loaded->state().history,
              (std::vector<std::string>{"WinUp kbc.bin /FORCE, /A %41", "off", "on"}));

    // A pending text longer than the firmware keeps is a broken file, not a machine that boots into
    // settings it cannot load again.
    ASSERT_TRUE(platform::profile::WriteString((dir.path() / "machine.ini").string(), "State",
                                               "PendingSerial", std::string(32, 'S')));
    EXPECT_FALSE(Machine::Load(dir.path()).ok());
}

TEST(Machine, EcFirmwareKeysAndToolFailureKeys) {
    Machine m = Machine::Fresh(MachineSettings{});
    // Setting the firmware sets both copies; the flashed one alone can differ.
    ASSERT_TRUE(m.Set("ec_firmware", "2.00").ok());
    EXPECT_EQ(m.settings().ecFirmwareFlashed, "2.00");
    ASSERT_TRUE(m.Set("ec_firmware_flashed", "2.10").ok());
    EXPECT_EQ(m.Get("ec_firmware"), "2.00");
    EXPECT_EQ(m.Get("ec_firmware_flashed"), "2.10");
    EXPECT_EQ(m.Get("fail_bios_tool"), "0");
    ASSERT_TRUE(m.Set("fail_bios_tool", "1").ok());
    ASSERT_TRUE(m.Set("fail_micom_tool", "1").ok());
    EXPECT_TRUE(m.settings().failBiosTool);
    EXPECT_TRUE(m.settings().failMicomTool);
    EXPECT_FALSE(m.Set("fail_micom_tool", "2").ok());
    EXPECT_FALSE(m.Set("ec_firmware_flashed", std::string(32, '1')).ok());
}

// Read-modify-write from many requests at once loses no update.
TEST(Machine, ConcurrentUpdatesAreSerialised) {
    kit_test::TempDir dir;
    MachineSettings settings;
    settings.romKiB = 512;
    ASSERT_TRUE(platform::InitMachine(dir.path(), settings).ok());
    auto bump = [&] {
        for (int i = 0; i < 25; ++i) {
            ASSERT_TRUE(platform::UpdateMachine(dir.path(), [](Machine& m) {
                            m.SetEcRegister(0x10, static_cast<uint8_t>(m.EcRegister(0x10) + 1));
                        }).ok());
        }
    };
    std::thread a(bump), b(bump), c(bump);
    a.join();
    b.join();
    c.join();
    auto loaded = Machine::Load(dir.path());
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->EcRegister(0x10), 75);
}

}  // namespace

namespace {

TEST(MachineDevices, PropertyChangeFollowsTheDeviceFlags) {
    kit_test::TempDir dir;
    Machine fresh = Machine::Fresh(MachineSettings{});
    ASSERT_TRUE(fresh.Set("devices", "Mouse|USB mouse|1|0|1;Mouse|Touchpad|1|29|0;Keyboard|Keys|0|0|1").ok());
    ASSERT_TRUE(platform::InitMachine(dir.path(), fresh).ok());

    bool results[4] = {};
    ASSERT_TRUE(platform::UpdateMachine(dir.path(), [&](Machine& m) {
                    results[0] = m.SetDeviceEnabled(0, false);
                    results[1] = m.SetDeviceEnabled(1, true);   // disabled by its hardware
                    results[2] = m.SetDeviceEnabled(2, false);  // cannot be disabled
                    results[3] = m.SetDeviceEnabled(3, false);  // no such device
                }).ok());
    EXPECT_TRUE(results[0]);
    EXPECT_FALSE(results[1]);
    EXPECT_FALSE(results[2]);
    EXPECT_FALSE(results[3]);
    std::vector<platform::MachineDevice> devices = Machine::Load(dir.path())->Devices();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].className, "Mouse");
    EXPECT_FALSE(devices[0].enabled);
    EXPECT_EQ(devices[1].problem, 29u);
    EXPECT_FALSE(devices[1].enabled);
    EXPECT_TRUE(devices[2].enabled);
}

TEST(MachineDevices, DeviceTextRoundTripAndGarbage) {
    const char* good = "Mouse|A|1|0|1;Net||0|22|0";
    auto parsed = platform::ParseDevices(good);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(platform::DevicesText(*parsed), good);
    EXPECT_TRUE(platform::ParseDevices("")->empty());
    for (const std::string& bad :
         {std::string("Mouse|A|1|0"), std::string("Mouse|A|2|0|1"), std::string("|A|1|0|1"),
          std::string("Mouse|A|1|x|1;"), std::string("Mouse|A|1|0|1\0", 14), std::string(5000, '|')})
        EXPECT_FALSE(platform::ParseDevices(bad)) << bad;
}

}  // namespace
