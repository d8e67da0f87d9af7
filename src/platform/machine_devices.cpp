// The devices of the simulated notebook as a driver reaches them: keyboard controller and the
// embedded controller behind it, PCI configuration space, the ACPI SMI enable register, the SMI
// command port and physical memory.
#include <algorithm>
#include <cstring>

#include "platform/machine.h"

namespace platform {

namespace {

constexpr uint16_t kKbcData = 0x60;
constexpr uint16_t kKbcCommand = 0x64;
constexpr uint16_t kPciAddress = 0xCF8;
constexpr uint16_t kPciData = 0xCFC;
constexpr uint16_t kSmiEnableOffset = 0x30;

constexpr uint32_t kRamStart = 0x90000;
constexpr uint32_t kRamEnd = 0xA0000;
constexpr uint64_t kTopOfMemory = 0x100000000;

// Keyboard-controller status bits.
constexpr uint8_t kOutputFull = 0x01;
constexpr uint8_t kSystemFlag = 0x04;
constexpr uint8_t kCommandWritten = 0x08;
constexpr uint8_t kMouseData = 0x20;

void AppendWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// One SMBIOS structure: its formatted area and its strings. Empty strings are left out (string
// number 0), since an empty one would end the string set early.
struct Structure {
    std::vector<uint8_t> formatted;
    std::vector<std::string> strings;
    uint8_t AddString(const std::string& text) {
        if (text.empty())
            return 0;
        strings.push_back(text);
        return static_cast<uint8_t>(strings.size());
    }
    void AppendTo(std::vector<uint8_t>& out) const {
        out.insert(out.end(), formatted.begin(), formatted.end());
        for (const std::string& s : strings) {
            out.insert(out.end(), s.begin(), s.end());
            out.push_back(0);
        }
        if (strings.empty())
            out.push_back(0);
        out.push_back(0);
    }
};

}  // namespace

std::optional<SmiDescriptor> Machine::RunningSmi() const {
    return FindSmiDescriptor(BiosSegmentOf(RunningRom()));
}

std::vector<uint8_t> Machine::BiosSegment() const {
    std::span<const uint8_t> rom = BiosSegmentOf(RunningRom());
    std::vector<uint8_t> segment(rom.begin(), rom.end());
    segment.resize(kBiosSegmentSize, 0);
    RomInfo info = ReadRomInfo(RunningRom());

    // The structure table the firmware builds at boot from its own identity and the DMI texts.
    std::vector<uint8_t> table;
    uint16_t handle = 0;
    uint16_t count = 0;
    {
        Structure bios;
        bios.formatted = {0, 0x12};
        AppendWord(bios.formatted, handle++);
        uint8_t vendor = bios.AddString("Notebook Firmware");
        uint8_t version = bios.AddString(info.version);
        uint8_t date = bios.AddString(ReleaseDateOf(info.buildDate));
        bios.formatted.push_back(vendor);
        bios.formatted.push_back(version);
        AppendWord(bios.formatted, static_cast<uint16_t>(kBiosSegmentAddress >> 4));
        bios.formatted.push_back(date);
        bios.formatted.push_back(static_cast<uint8_t>(RunningRom().size() / 0x10000 - 1));
        bios.formatted.insert(bios.formatted.end(), 8, 0);
        bios.formatted[18 - 8] = 0x80;  // characteristics: PCI supported
        bios.AppendTo(table);
        ++count;
    }
    {
        Structure system;
        system.formatted = {1, 0x19};
        AppendWord(system.formatted, handle++);
        system.formatted.push_back(system.AddString("Notebook Maker"));
        system.formatted.push_back(system.AddString(info.model));
        system.formatted.push_back(system.AddString(info.version));
        system.formatted.push_back(system.AddString(settings_.serial));
        system.formatted.insert(system.formatted.end(), 16, 0);  // UUID
        system.formatted.push_back(6);                           // wake-up type: power switch
        system.AppendTo(table);
        ++count;
    }
    {
        Structure oem;
        oem.formatted = {11, 5};
        AppendWord(oem.formatted, handle++);
        oem.AddString(settings_.biosFlag);
        oem.AddString(settings_.purchaseDate);
        oem.formatted.push_back(static_cast<uint8_t>(oem.strings.size()));
        oem.AppendTo(table);
        ++count;
    }
    {
        Structure end;
        end.formatted = {127, 4};
        AppendWord(end.formatted, handle++);
        end.AppendTo(table);
        ++count;
    }
    table.resize(std::min<size_t>(table.size(), kDmiAreaSize - 16));

    // The entry point: "_DMI_", checksum, table length, table address, structure count, revision.
    std::vector<uint8_t> entry = {'_', 'D', 'M', 'I', '_', 0};
    AppendWord(entry, static_cast<uint16_t>(table.size()));
    uint32_t tableAddress = kBiosSegmentAddress + kDmiAreaOffset + 16;
    for (int i = 0; i < 4; ++i)
        entry.push_back(static_cast<uint8_t>(tableAddress >> (8 * i)));
    AppendWord(entry, count);
    entry.push_back(0x24);
    uint8_t sum = 0;
    for (uint8_t b : entry)
        sum = static_cast<uint8_t>(sum + b);
    entry[5] = static_cast<uint8_t>(0x100 - sum);

    std::copy(entry.begin(), entry.end(), segment.begin() + kDmiAreaOffset);
    std::copy(table.begin(), table.end(), segment.begin() + kDmiAreaOffset + 16);
    return segment;
}

std::vector<uint8_t> Machine::ReadMemory(uint64_t address, size_t length) const {
    std::vector<uint8_t> out(length, 0);
    std::vector<uint8_t> segment;
    // Only the parts a request touches are read from their files.
    const std::vector<uint8_t>* flash = nullptr;
    const std::vector<uint8_t>* ram = nullptr;
    for (size_t i = 0; i < length; ++i) {
        uint64_t at = address + i;
        if (at >= kRamStart && at < kRamEnd) {
            if (!ram)
                ram = &ram_.Get();
            out[i] = (*ram)[at - kRamStart];
        } else if (at >= kBiosSegmentAddress && at < kBiosSegmentAddress + kBiosSegmentSize) {
            if (segment.empty())
                segment = BiosSegment();
            out[i] = segment[at - kBiosSegmentAddress];
        } else if (at >= 0xFFF00000 && at < kTopOfMemory) {
            // The flash chip is decoded at the top of the 4 GiB space; below a 512 KiB chip nothing
            // answers and the bus reads all ones.
            if (!flash)
                flash = &flash_.Get();
            uint64_t flashStart = kTopOfMemory - flash->size();
            out[i] = at >= flashStart ? (*flash)[at - flashStart] : 0xFF;
        }
    }
    return out;
}

void Machine::WriteMemory(uint64_t address, std::span<const uint8_t> bytes) {
    // Only conventional memory takes writes; the BIOS segment is shadowed read-only.
    for (size_t i = 0; i < bytes.size(); ++i) {
        uint64_t at = address + i;
        if (at >= kRamStart && at < kRamEnd) {
            ram_.Mutable()[at - kRamStart] = bytes[i];
        }
    }
}

uint32_t Machine::PciData() const {
    uint32_t address = state_.pciAddress;
    if (!(address & 0x80000000))
        return 0xFFFFFFFF;
    unsigned bus = (address >> 16) & 0xFF;
    unsigned device = (address >> 11) & 0x1F;
    unsigned function = (address >> 8) & 0x7;
    unsigned reg = address & 0xFC;
    if (!settings_.lpcBridge || bus != 0 || device != 31 || function != 0)
        return 0xFFFFFFFF;
    if (reg == 0x40)
        return settings_.acpiBase | 1;
    return 0;
}

uint32_t Machine::ReadPort(uint16_t port, unsigned width) {
    uint32_t mask = width >= 4 ? 0xFFFFFFFF : (1u << (8 * width)) - 1;
    if (port == kKbcCommand) {
        uint8_t status = kSystemFlag;
        if (state_.outputFull)
            status |= kOutputFull;
        if (state_.outputFull && state_.outputMouse)
            status |= kMouseData;
        if (state_.lastWasCommand)
            status |= kCommandWritten;
        return status;
    }
    if (port == kKbcData) {
        // An empty output buffer reads back its last byte, as the chip does.
        state_.outputFull = false;
        state_.outputMouse = false;
        return state_.outputByte;
    }
    if (port == kPciAddress && width == 4)
        return state_.pciAddress;
    if (port >= kPciData && port < kPciData + 4)
        return (PciData() >> (8 * (port - kPciData))) & mask;
    uint32_t smiEnable = settings_.acpiBase + kSmiEnableOffset;
    if (settings_.lpcBridge && port >= smiEnable && port < smiEnable + 4)
        return (uint32_t{state_.smiEnableWord} >> (8 * (port - smiEnable))) & mask;
    return mask;  // nothing decodes the port
}

void Machine::WritePort(uint16_t port, unsigned width, uint32_t value) {
    if (port == kKbcCommand) {
        KbcCommand(static_cast<uint8_t>(value));
        return;
    }
    if (port == kKbcData) {
        KbcData(static_cast<uint8_t>(value));
        return;
    }
    if (port == kPciAddress && width == 4) {
        state_.pciAddress = value;
        return;
    }
    uint32_t smiEnable = settings_.acpiBase + kSmiEnableOffset;
    if (settings_.lpcBridge && port == smiEnable && width >= 2) {
        state_.smiEnableWord = static_cast<uint16_t>(value);
        return;
    }
    if (std::optional<SmiDescriptor> smi = RunningSmi(); smi && port == smi->port && width == 1)
        SmiPort(static_cast<uint8_t>(value));
}

void Machine::KbcCommand(uint8_t command) {
    state_.lastWasCommand = true;
    state_.expect = KbcExpect::None;
    switch (command) {
        case 0x20:  // read the command byte
            state_.outputByte = state_.commandByte;
            state_.outputFull = true;
            state_.outputMouse = false;
            break;
        case 0x60:
            state_.expect = KbcExpect::CommandByte;
            break;
        case 0xA7:
            state_.commandByte |= 0x20;
            break;
        case 0xA8:
            state_.commandByte &= static_cast<uint8_t>(~0x20);
            break;
        case 0xAD:
            state_.commandByte |= 0x10;
            break;
        case 0xAE:
            state_.commandByte &= static_cast<uint8_t>(~0x10);
            break;
        case 0xB1:
            state_.ecMode = true;
            break;
        case 0xB2:
            state_.ecMode = false;
            break;
        case 0xB3:
            state_.ecMode = false;
            state_.expect = KbcExpect::RestoreKeyboard;
            break;
        case 0xB4:
            state_.ecMode = false;
            state_.expect = KbcExpect::RestoreMouse;
            break;
        case 0xBE:
            // The register protocol is only served between enter and leave.
            if (state_.ecMode)
                state_.expect = KbcExpect::EcFunction;
            break;
        default:
            break;
    }
}

void Machine::KbcData(uint8_t data) {
    state_.lastWasCommand = false;
    KbcExpect expect = state_.expect;
    state_.expect = KbcExpect::None;
    switch (expect) {
        case KbcExpect::None:
            break;  // a byte for the keyboard itself
        case KbcExpect::CommandByte:
            state_.commandByte = data;
            break;
        case KbcExpect::EcFunction:
            if (data == 0x80 || data == 0x81) {
                state_.ecWrite = data == 0x81;
                state_.expect = KbcExpect::EcAddressHigh;
            }
            break;
        case KbcExpect::EcAddressHigh:
            state_.ecAddress = static_cast<uint16_t>(data << 8);
            state_.expect = KbcExpect::EcAddressLow;
            break;
        case KbcExpect::EcAddressLow:
            state_.ecAddress = static_cast<uint16_t>(state_.ecAddress | data);
            if (state_.ecWrite) {
                state_.expect = KbcExpect::EcValue;
            } else {
                state_.outputByte = EcRegister(state_.ecAddress);
                state_.outputFull = true;
                state_.outputMouse = false;
            }
            break;
        case KbcExpect::EcValue:
            SetEcRegister(state_.ecAddress, data);
            break;
        case KbcExpect::RestoreKeyboard:
        case KbcExpect::RestoreMouse:
            state_.outputByte = data;
            state_.outputFull = true;
            state_.outputMouse = expect == KbcExpect::RestoreMouse;
            break;
    }
}

void Machine::SmiPort(uint8_t value) {
    std::optional<SmiDescriptor> smi = RunningSmi();
    // With the global SMI enable bit clear the chipset never raises the interrupt.
    if (!smi || value != smi->trigger || !(state_.smiEnableWord & 1))
        return;
    uint32_t address = smi->BufferAddress();
    std::vector<uint8_t> request = ReadMemory(address, 21);
    if (request[0] != 0x43 || request[1] != 0x58)
        return;
    unsigned function = request[2] | request[3] << 8;
    if (function == 4) {
        std::string model = ReadRomInfo(RunningRom()).model;
        std::fill(request.begin() + 5, request.end(), 0);
        for (size_t i = 0; i < 4; ++i)
            request[5 + i] =
                settings_.smiModelFF ? 0xFF : (i < model.size() ? static_cast<uint8_t>(model[i]) : 0);
    }
    request[4] = 0xAA;
    WriteMemory(address, request);
}

}  // namespace platform
