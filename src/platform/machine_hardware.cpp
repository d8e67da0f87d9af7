#include "platform/machine_hardware.h"

#include <charconv>

#include "platform/system_root.h"

namespace platform {

namespace {

class SimulatedHardware : public MachineHardware {
  public:
    explicit SimulatedHardware(std::filesystem::path folder) : folder_(std::move(folder)) {}

    std::optional<uint32_t> ReadPort(uint16_t port, unsigned width) override {
        std::optional<uint32_t> value;
        bool done = Request([&](Machine& m) { value = m.ReadPort(port, width); });
        return done ? value : std::nullopt;
    }
    bool WritePort(uint16_t port, unsigned width, uint32_t value) override {
        return Request([&](Machine& m) { m.WritePort(port, width, value); });
    }
    bool ReadPhysical(uint64_t address, std::span<uint8_t> out) override {
        // Reads change nothing, so they go without saving.
        Result<Machine> machine = ReadMachine(folder_);
        if (!machine || !machine->state().poweredOn)
            return false;
        std::vector<uint8_t> bytes = machine->ReadMemory(address, out.size());
        std::copy(bytes.begin(), bytes.end(), out.begin());
        return true;
    }
    bool WritePhysical(uint64_t address, std::span<const uint8_t> bytes) override {
        return Request([&](Machine& m) { m.WriteMemory(address, bytes); });
    }

  private:
    bool Request(const std::function<void(Machine&)>& action) {
        bool on = false;
        Result<void> done = UpdateMachine(folder_, [&](Machine& m) {
            on = m.state().poweredOn;
            if (on)
                action(m);
        });
        return done.ok() && on;
    }

    std::filesystem::path folder_;
};

}  // namespace

std::optional<uint8_t> MachineHardware::ReadPortByte(uint16_t port) {
    std::optional<uint32_t> value = ReadPort(port, 1);
    if (!value)
        return std::nullopt;
    return static_cast<uint8_t>(*value);
}

std::optional<uint16_t> MachineHardware::ReadPortWord(uint16_t port) {
    std::optional<uint32_t> value = ReadPort(port, 2);
    if (!value)
        return std::nullopt;
    return static_cast<uint16_t>(*value);
}

std::unique_ptr<MachineHardware> OpenMachineHardware(const std::filesystem::path& folder) {
    return std::make_unique<SimulatedHardware>(folder);
}

std::unique_ptr<MachineHardware> OpenMachineHardware() {
    return OpenMachineHardware(MachineFolder());
}

std::optional<PowerStatus> QueryPowerStatus() {
    Result<Machine> machine = ReadMachine(MachineFolder());
    if (!machine)
        return std::nullopt;
    return PowerStatus{static_cast<uint8_t>(machine->settings().ac),
                       static_cast<uint8_t>(machine->settings().battery)};
}

std::optional<uint64_t> FixedFreeDiskMiB() {
    Result<Machine> machine = ReadMachine(MachineFolder());
    if (!machine || machine->settings().freeDiskMiB.empty())
        return std::nullopt;
    const std::string& text = machine->settings().freeDiskMiB;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<unsigned> ProcessPriorityClass() {
    Result<Machine> machine = ReadMachine(MachineFolder());
    if (!machine)
        return std::nullopt;
    return machine->settings().priorityClass;
}

bool SetProcessPriorityClass(unsigned priorityClass) {
    bool set = false;
    Result<void> done = UpdateMachine(MachineFolder(), [&](Machine& m) {
        set = m.Set("priority_class", std::to_string(priorityClass)).ok();
    });
    return done.ok() && set;
}

Result<void> PowerOffMachine() {
    return UpdateMachine(MachineFolder(), [](Machine& m) { m.PowerOff(); });
}

Result<bool> PowerOnMachine() {
    bool poweredOn = false;
    Result<void> done = UpdateMachine(MachineFolder(), [&](Machine& m) { poweredOn = m.PowerOn(); });
    if (!done)
        return done.error();
    return poweredOn;
}

std::optional<std::vector<MachineDevice>> PresentDevices() {
    Result<Machine> machine = ReadMachine(MachineFolder());
    if (!machine)
        return std::nullopt;
    return machine->Devices();
}

bool SetPresentDeviceEnabled(size_t index, bool enabled) {
    bool changed = false;
    Result<void> done =
        UpdateMachine(MachineFolder(), [&](Machine& m) { changed = m.SetDeviceEnabled(index, enabled); });
    return done.ok() && changed;
}

}  // namespace platform
