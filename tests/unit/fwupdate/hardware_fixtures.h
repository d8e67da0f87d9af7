#pragma once

// Hardware for the updater's tests: the simulated notebook of a temporary system root behind the
// updater's channel interface, a recording wrapper that can also refuse requests, a plain memory
// image for firmware tables, and a scope that makes the simulated notebook the process's driver.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fwupdate/driver_handle.h"
#include "fwupdate/hardware_access.h"
#include "fwupdate/hardware_channel.h"
#include "platform/machine.h"
#include "platform/machine_hardware.h"
#include "platform/system_root.h"
#include "support/temp_root.h"

namespace fwupdate_test {

// The simulated notebook of a machine folder.
class MachineChannel : public fwupdate::HardwareChannel {
  public:
    explicit MachineChannel(const std::filesystem::path& folder)
        : hw_(platform::OpenMachineHardware(folder)) {}
    std::optional<uint32_t> ReadPort(uint16_t port, unsigned width) override {
        return hw_->ReadPort(port, width);
    }
    bool WritePort(uint16_t port, unsigned width, uint32_t value) override {
        return hw_->WritePort(port, width, value);
    }
    bool ReadPhysical(uint64_t address, std::span<uint8_t> out) override {
        return hw_->ReadPhysical(address, out);
    }
    bool WritePhysical(uint64_t address, std::span<const uint8_t> bytes) override {
        return hw_->WritePhysical(address, bytes);
    }

  private:
    std::unique_ptr<platform::MachineHardware> hw_;
};

// One port request as a recording sees it.
struct PortRequest {
    bool write = false;
    uint16_t port = 0;
    uint32_t value = 0;
    bool operator==(const PortRequest&) const = default;
};

// What the recordings of one test share: the port requests carried out, in order, and the test's
// say over each request before it goes out.
struct PortLog {
    std::vector<PortRequest> requests;
    std::function<bool(const PortRequest&)> refuse;  // true: the driver refuses the request
    std::function<void(const PortRequest&)> onWrite;
    int refused = 0;

    // The values written to one port, in order.
    std::vector<uint32_t> Writes(uint16_t port) const {
        std::vector<uint32_t> out;
        for (const PortRequest& r : requests)
            if (r.write && r.port == port)
                out.push_back(r.value);
        return out;
    }
};

// Passes requests on to another channel (borrowed or owned) and records the port requests into a log.
class RecordingChannel : public fwupdate::HardwareChannel {
  public:
    RecordingChannel(fwupdate::HardwareChannel& inner, PortLog& log) : inner_(inner), log_(log) {}
    RecordingChannel(std::unique_ptr<fwupdate::HardwareChannel> owned, PortLog& log)
        : owned_(std::move(owned)), inner_(*owned_), log_(log) {}

    std::optional<uint32_t> ReadPort(uint16_t port, unsigned width) override {
        PortRequest request{false, port, 0};
        if (Refuse(request))
            return std::nullopt;
        std::optional<uint32_t> value = inner_.ReadPort(port, width);
        if (value) {
            request.value = *value;
            log_.requests.push_back(request);
        }
        return value;
    }
    bool WritePort(uint16_t port, unsigned width, uint32_t value) override {
        PortRequest request{true, port, value};
        if (Refuse(request))
            return false;
        if (log_.onWrite)
            log_.onWrite(request);
        bool done = inner_.WritePort(port, width, value);
        if (done)
            log_.requests.push_back(request);
        return done;
    }
    bool ReadPhysical(uint64_t address, std::span<uint8_t> out) override {
        return inner_.ReadPhysical(address, out);
    }
    bool WritePhysical(uint64_t address, std::span<const uint8_t> bytes) override {
        return inner_.WritePhysical(address, bytes);
    }

  private:
    bool Refuse(const PortRequest& request) {
        if (log_.refuse && log_.refuse(request)) {
            ++log_.refused;
            return true;
        }
        return false;
    }
    std::unique_ptr<fwupdate::HardwareChannel> owned_;
    fwupdate::HardwareChannel& inner_;
    PortLog& log_;
};

// Physical memory as a few regions of bytes (zero elsewhere); ports read as all ones.
class MemoryChannel : public fwupdate::HardwareChannel {
  public:
    std::map<uint64_t, std::vector<uint8_t>> regions;
    bool failReads = false;

    void Put(uint64_t address, const std::vector<uint8_t>& bytes) { regions[address] = bytes; }
    std::optional<uint32_t> ReadPort(uint16_t, unsigned width) override {
        return width >= 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
    }
    bool WritePort(uint16_t, unsigned, uint32_t) override { return true; }
    bool ReadPhysical(uint64_t address, std::span<uint8_t> out) override {
        if (failReads)
            return false;
        for (size_t i = 0; i < out.size(); ++i) {
            out[i] = 0;
            for (const auto& [base, bytes] : regions)
                if (address + i >= base && address + i < base + bytes.size())
                    out[i] = bytes[address + i - base];
        }
        return true;
    }
    bool WritePhysical(uint64_t, std::span<const uint8_t>) override { return true; }
};

// The simulated notebook of the current system root as the process's driver while the scope lasts,
// with short limits and no pauses, so failures end quickly. `driverPresent` false makes every open
// fail; `log` set puts a recording between the updater and the notebook.
class SimulatedDriver {
  public:
    explicit SimulatedDriver(const platform::MachineSettings& settings = {}) {
        EXPECT_TRUE(platform::InitMachine(platform::MachineFolder(), settings).ok());
        fwupdate::SetDriverOpener([this]() -> std::unique_ptr<fwupdate::HardwareChannel> {
            ++opens;
            if (!driverPresent)
                return nullptr;
            auto machine = std::make_unique<MachineChannel>(platform::MachineFolder());
            if (!log)
                return machine;
            return std::make_unique<RecordingChannel>(std::move(machine), *log);
        });
        fwupdate::SetDriverPause([this](std::chrono::milliseconds pause) { pauses.push_back(pause); });
        fwupdate::SetHardwareLimits({10, std::chrono::milliseconds(50), std::chrono::milliseconds(50)});
    }
    ~SimulatedDriver() {
        fwupdate::SetDriverOpener(nullptr);
        fwupdate::SetDriverPause(nullptr);
        fwupdate::SetHardwareLimits({});
    }
    SimulatedDriver(const SimulatedDriver&) = delete;
    SimulatedDriver& operator=(const SimulatedDriver&) = delete;

    // Runs a change on the notebook under its lock.
    void Update(const std::function<void(platform::Machine&)>& change) {
        ASSERT_TRUE(platform::UpdateMachine(platform::MachineFolder(), change).ok());
    }
    platform::Machine Read() {
        platform::Result<platform::Machine> machine = platform::ReadMachine(platform::MachineFolder());
        EXPECT_TRUE(machine.ok());
        return std::move(machine).value();
    }

    bool driverPresent = true;
    int opens = 0;
    std::vector<std::chrono::milliseconds> pauses;
    PortLog* log = nullptr;
};

}  // namespace fwupdate_test
