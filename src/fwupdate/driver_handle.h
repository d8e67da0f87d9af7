#pragma once

// The one process-wide handle to the hardware-access driver. Each high-level operation (identity
// reading, SMI enable, input lock and unlock, auto power-on, ROM dump) opens it, works through it and
// closes it again; only the sequence thread uses it, so two operations never hold it at once.

#include <chrono>
#include <functional>
#include <memory>

#include "fwupdate/hardware_channel.h"

namespace fwupdate {

// How hard a caller tries to open the driver.
enum class OpenAttempts {
    Once,          // the ROM dump
    Ten,           // identity reading, SMI enable, auto power-on
    TenWithPause,  // input lock and unlock: 500 ms after each failed attempt
};

// One attempt at opening the driver: a channel, or none when the driver cannot be reached.
using DriverOpener = std::function<std::unique_ptr<HardwareChannel>()>;

// True when the handle is open (it stays open when it already was).
bool OpenDriver(OpenAttempts attempts);
void CloseDriver();
// The open handle's channel; null when it is closed.
HardwareChannel* DriverChannel();

// Replaces how one attempt opens the driver (null restores the updater's own driver) and how the
// pause between attempts is spent. Also forgets the platform family, so a test can change systems.
void SetDriverOpener(DriverOpener opener);
void SetDriverPause(std::function<void(std::chrono::milliseconds)> pause);

// Opens the driver for one operation and closes it when the operation ends, whatever path it takes.
class DriverSession {
  public:
    explicit DriverSession(OpenAttempts attempts) : open_(OpenDriver(attempts)) {}
    ~DriverSession() { CloseDriver(); }
    DriverSession(const DriverSession&) = delete;
    DriverSession& operator=(const DriverSession&) = delete;

    bool open() const { return open_; }
    HardwareChannel& channel() const { return *DriverChannel(); }

  private:
    bool open_;
};

}  // namespace fwupdate
