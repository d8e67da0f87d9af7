#include "fwupdate/hardware_access.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace fwupdate {

namespace {

constexpr uint16_t kKbcData = 0x60;
constexpr uint16_t kKbcStatus = 0x64;
constexpr uint8_t kOutputFull = 0x01;
constexpr uint8_t kInputFull = 0x02;
constexpr uint8_t kMouseData = 0x20;

constexpr uint16_t kPciAddress = 0xCF8;
constexpr uint16_t kPciData = 0xCFC;

constexpr std::string_view kSmiSignature = "SwSmi@";
constexpr size_t kSmiDescriptorSize = 17;
constexpr uint16_t kSmiRequestSignature = 0x5843;
constexpr size_t kSmiRequestSize = 21;
constexpr size_t kSmiDataOffset = 5;
constexpr uint8_t kSmiDone = 0xAA;
// Between two looks at the request the BIOS gets a moment, so a slow SMI does not cost a whole core.
constexpr std::chrono::milliseconds kSmiPollPause{1};

HardwareLimits& Limits() {
    static HardwareLimits limits;
    return limits;
}

uint16_t Word(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

HardwareLimits CurrentHardwareLimits() {
    return Limits();
}

void SetHardwareLimits(const HardwareLimits& limits) {
    Limits() = limits;
}

std::optional<uint32_t> HardwareAccess::ReadPort(uint16_t port, unsigned width) {
    for (int i = 0; i < limits_.portAttempts; ++i) {
        if (std::optional<uint32_t> value = channel_.ReadPort(port, width))
            return value;
    }
    return std::nullopt;
}

bool HardwareAccess::WritePort(uint16_t port, unsigned width, uint32_t value) {
    for (int i = 0; i < limits_.portAttempts; ++i) {
        if (channel_.WritePort(port, width, value))
            return true;
    }
    return false;
}

std::optional<uint8_t> HardwareAccess::ReadPortByte(uint16_t port) {
    std::optional<uint32_t> value = ReadPort(port, 1);
    if (!value)
        return std::nullopt;
    return static_cast<uint8_t>(*value);
}

std::optional<uint16_t> HardwareAccess::ReadPortWord(uint16_t port) {
    std::optional<uint32_t> value = ReadPort(port, 2);
    if (!value)
        return std::nullopt;
    return static_cast<uint16_t>(*value);
}

std::optional<uint32_t> HardwareAccess::ReadPortDword(uint16_t port) {
    return ReadPort(port, 4);
}

bool HardwareAccess::WritePortByte(uint16_t port, uint8_t value) {
    return WritePort(port, 1, value);
}

bool HardwareAccess::WritePortWord(uint16_t port, uint16_t value) {
    return WritePort(port, 2, value);
}

bool HardwareAccess::WritePortDword(uint16_t port, uint32_t value) {
    return WritePort(port, 4, value);
}

bool HardwareAccess::ReadPhysical(uint64_t address, std::span<uint8_t> out) {
    return channel_.ReadPhysical(address, out);
}

bool HardwareAccess::WritePhysical(uint64_t address, std::span<const uint8_t> bytes) {
    return channel_.WritePhysical(address, bytes);
}

std::optional<uint32_t> HardwareAccess::ReadPciConfig(uint8_t bus, uint8_t device, uint8_t function,
                                                      uint8_t reg) {
    uint32_t address =
        0x80000000u | uint32_t{bus} << 16 | uint32_t{device} << 11 | uint32_t{function} << 8 | uint32_t{reg};
    if (!WritePortDword(kPciAddress, address))
        return std::nullopt;
    return ReadPortDword(kPciData);
}

uint64_t HardwareAccess::Search(uint64_t start, size_t length, std::string_view text, size_t step) {
    if (text.empty() || step == 0 || text.size() > length)
        return 0;
    std::vector<uint8_t> window(length);
    if (!ReadPhysical(start, window))
        return 0;
    // The last offset at which the text would fit is not tried: the firmware's records are never placed
    // flush with the end of a window, and a record found there would have no room for its fields.
    for (size_t offset = 0; offset + text.size() < length; offset += step) {
        if (std::memcmp(window.data() + offset, text.data(), text.size()) == 0)
            return start + offset;
    }
    return 0;
}

bool HardwareAccess::FindSmiInterface() {
    smi_.reset();
    uint64_t at = Search(kBiosSegmentStart, kBiosSegmentLength, kSmiSignature, 1);
    if (at == 0)
        return false;
    // The descriptor is read from memory rather than from the window, so one that starts in the last
    // bytes of the segment is read whole.
    std::array<uint8_t, kSmiDescriptorSize> bytes{};
    if (!ReadPhysical(at, bytes))
        return false;
    SmiInterface smi;
    smi.port = Word(&bytes[6]);
    smi.trigger = bytes[8];
    smi.prepare = bytes[9];
    smi.finish = bytes[10];
    smi.bufferOffset = Word(&bytes[11]);
    smi.bufferSegment = Word(&bytes[13]);
    smi.version = bytes[15];
    smi_ = smi;
    return true;
}

std::optional<std::array<uint8_t, 16>> HardwareAccess::SmiCall(uint16_t function,
                                                               std::span<const uint8_t> input) {
    if (!SmiUsable() || input.size() > 16)
        return std::nullopt;
    const SmiInterface& smi = *smi_;
    std::array<uint8_t, kSmiRequestSize> request{};
    request[0] = static_cast<uint8_t>(kSmiRequestSignature);
    request[1] = static_cast<uint8_t>(kSmiRequestSignature >> 8);
    request[2] = static_cast<uint8_t>(function);
    request[3] = static_cast<uint8_t>(function >> 8);
    std::copy(input.begin(), input.end(), request.begin() + kSmiDataOffset);

    if (!WritePortByte(smi.port, smi.prepare) || !WritePhysical(smi.BufferAddress(), request) ||
        !WritePortByte(smi.port, smi.trigger))
        return std::nullopt;

    auto deadline = std::chrono::steady_clock::now() + limits_.smiPoll;
    bool done = false;
    for (;;) {
        if (ReadPhysical(smi.BufferAddress(), request) && request[4] == kSmiDone) {
            done = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kSmiPollPause);
    }
    // The finish value goes out even after a timeout, so the BIOS drops a request it never finished.
    bool finished = WritePortByte(smi.port, smi.finish);
    if (!done || !finished)
        return std::nullopt;
    std::array<uint8_t, 16> data{};
    std::copy(request.begin() + kSmiDataOffset, request.end(), data.begin());
    return data;
}

std::optional<uint8_t> HardwareAccess::KbcStatus() {
    return ReadPortByte(kKbcStatus);
}

bool HardwareAccess::KbcCommand(uint8_t command) {
    return WritePortByte(kKbcStatus, command);
}

bool HardwareAccess::KbcWriteData(uint8_t data) {
    return WritePortByte(kKbcData, data);
}

std::optional<uint8_t> HardwareAccess::KbcReadData() {
    return ReadPortByte(kKbcData);
}

bool HardwareAccess::KbcWaitStatus(uint8_t bit, bool set) {
    auto deadline = std::chrono::steady_clock::now() + limits_.kbcWait;
    for (;;) {
        std::optional<uint8_t> status = KbcStatus();
        if (!status)
            return false;
        if (((*status & bit) != 0) == set)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    }
}

bool HardwareAccess::KbcWaitInputEmpty() {
    return KbcWaitStatus(kInputFull, false);
}

bool HardwareAccess::KbcWaitOutputFull() {
    return KbcWaitStatus(kOutputFull, true);
}

std::optional<EcEnterState> HardwareAccess::EcEnter() {
    if (!KbcWaitInputEmpty() || !KbcCommand(0xB1) || !KbcWaitInputEmpty())
        return std::nullopt;
    std::optional<uint8_t> status = KbcStatus();
    if (!status)
        return std::nullopt;
    EcEnterState state;
    if (!(*status & kOutputFull))
        return state;
    std::optional<uint8_t> pending = KbcReadData();
    if (!pending)
        return std::nullopt;
    state.kind = (*status & kMouseData) ? EcEnterState::MouseByte : EcEnterState::KeyboardByte;
    state.pending = *pending;
    return state;
}

bool HardwareAccess::EcLeave(const EcEnterState& state) {
    if (!KbcWaitInputEmpty())
        return false;
    switch (state.kind) {
        case EcEnterState::Nothing:
            return KbcCommand(0xB2);
        case EcEnterState::MouseByte:
            return KbcCommand(0xB4) && KbcWaitInputEmpty() && KbcWriteData(state.pending);
        case EcEnterState::KeyboardByte:
            return KbcCommand(0xB3) && KbcWaitInputEmpty() && KbcWriteData(state.pending);
    }
    return false;
}

bool HardwareAccess::EcAddress(uint8_t function, uint16_t address) {
    return KbcCommand(0xBE) && KbcWaitInputEmpty() && KbcWriteData(function) && KbcWaitInputEmpty() &&
           KbcWriteData(static_cast<uint8_t>(address >> 8)) && KbcWaitInputEmpty() &&
           KbcWriteData(static_cast<uint8_t>(address));
}

std::optional<uint8_t> HardwareAccess::EcRead(uint16_t address) {
    std::optional<EcEnterState> state = EcEnter();
    if (!state)
        return std::nullopt;
    std::optional<uint8_t> value;
    if (EcAddress(0x80, address) && KbcWaitOutputFull())
        value = KbcReadData();
    bool left = EcLeave(*state);
    if (!left)
        return std::nullopt;
    return value;
}

bool HardwareAccess::EcWrite(uint16_t address, uint8_t value) {
    std::optional<EcEnterState> state = EcEnter();
    if (!state)
        return false;
    bool written =
        EcAddress(0x81, address) && KbcWaitInputEmpty() && KbcWriteData(value) && KbcWaitInputEmpty();
    bool left = EcLeave(*state);
    return written && left;
}

}  // namespace fwupdate
