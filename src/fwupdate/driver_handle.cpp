#include "fwupdate/driver_handle.h"

#include <optional>
#include <thread>
#include <utility>

#include "fwupdate/addmem_client.h"
#include "platform/system_info.h"

namespace fwupdate {

namespace {

constexpr int kAttempts = 10;
constexpr std::chrono::milliseconds kPauseAfterFailure{500};

struct DriverState {
    std::unique_ptr<HardwareChannel> channel;
    DriverOpener opener;
    std::function<void(std::chrono::milliseconds)> pause;
    std::optional<bool> ntFamily;
};

DriverState& State() {
    static DriverState state;
    return state;
}

// The platform family is decided once, at the first open. Only the NT family is supported: the
// Windows 9x family would need a virtual-device driver that the payload does not carry, so on that
// family there is no driver and every open fails.
bool NtFamily() {
    DriverState& state = State();
    if (!state.ntFamily) {
        platform::OsVersionInfo info;
        info.size = platform::OsVersionInfo::kBasicSize;
        // A system that refuses the query cannot be told apart; the NT family is the one that exists.
        state.ntFamily = !platform::GetVersionEx(info) || info.platformId == 2;
    }
    return *state.ntFamily;
}

std::unique_ptr<HardwareChannel> OpenOnce() {
    DriverState& state = State();
    return state.opener ? state.opener() : OpenAddMemDriver();
}

}  // namespace

bool OpenDriver(OpenAttempts attempts) {
    DriverState& state = State();
    if (state.channel)
        return true;
    if (!NtFamily())
        return false;
    int tries = attempts == OpenAttempts::Once ? 1 : kAttempts;
    for (int i = 0; i < tries; ++i) {
        state.channel = OpenOnce();
        if (state.channel)
            return true;
        if (attempts == OpenAttempts::TenWithPause) {
            if (state.pause)
                state.pause(kPauseAfterFailure);
            else
                std::this_thread::sleep_for(kPauseAfterFailure);
        }
    }
    return false;
}

void CloseDriver() {
    State().channel.reset();
}

HardwareChannel* DriverChannel() {
    return State().channel.get();
}

void SetDriverOpener(DriverOpener opener) {
    DriverState& state = State();
    state.channel.reset();
    state.opener = std::move(opener);
    state.ntFamily.reset();
}

void SetDriverPause(std::function<void(std::chrono::milliseconds)> pause) {
    State().pause = std::move(pause);
}

}  // namespace fwupdate
