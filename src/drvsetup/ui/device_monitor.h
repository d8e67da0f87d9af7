#pragma once

// Device arrival and removal for the installer window. Windows tells a window of these with
// WM_DEVICECHANGE; here the kernel's device events come through udev's monitor, read on the Qt event
// loop. Without udev (containers, a build without libudev) the monitor stays inactive and the window
// simply never hears of a device change.

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace drvsetup {

// The event types of WM_DEVICECHANGE the installer window acts on.
inline constexpr uint32_t DBT_DEVICEARRIVAL = 0x8000;
inline constexpr uint32_t DBT_DEVICEREMOVECOMPLETE = 0x8004;

// The device-change event type of a udev action: "add" is an arrival, "remove" a completed removal;
// other actions ("change", "bind", ...) are none.
std::optional<uint32_t> DeviceEventTypeOfAction(std::string_view action);

class DeviceMonitor : public QObject {
    Q_OBJECT

  public:
    // Listens to USB devices and PCI functions, the buses the products sit on.
    explicit DeviceMonitor(QObject* parent = nullptr);
    ~DeviceMonitor() override;
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    // False when no udev monitor could be made.
    bool IsActive() const;

  Q_SIGNALS:
    void DeviceChange(quint32 eventType);

  private:
    void ReadEvents();

    struct Udev;
    std::unique_ptr<Udev> udev_;
};

}  // namespace drvsetup
