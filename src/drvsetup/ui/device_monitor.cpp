#include "drvsetup/ui/device_monitor.h"

#include <QSocketNotifier>

#ifdef KIT_HAVE_LIBUDEV
#include <libudev.h>
#endif

namespace drvsetup {

std::optional<uint32_t> DeviceEventTypeOfAction(std::string_view action) {
    if (action == "add") {
        return DBT_DEVICEARRIVAL;
    }
    if (action == "remove") {
        return DBT_DEVICEREMOVECOMPLETE;
    }
    return std::nullopt;
}

#ifdef KIT_HAVE_LIBUDEV

struct DeviceMonitor::Udev {
    struct UdevUnref {
        void operator()(udev* context) const { udev_unref(context); }
    };
    struct MonitorUnref {
        void operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }
    };
    struct DeviceUnref {
        void operator()(udev_device* device) const { udev_device_unref(device); }
    };

    std::unique_ptr<udev, UdevUnref> context;
    std::unique_ptr<udev_monitor, MonitorUnref> monitor;
    std::unique_ptr<QSocketNotifier> notifier;
};

DeviceMonitor::DeviceMonitor(QObject* parent) : QObject(parent), udev_(std::make_unique<Udev>()) {
    udev_->context.reset(udev_new());
    if (!udev_->context) {
        return;
    }
    // The "udev" source carries events after udev's rules ran, so the device is usable by then.
    udev_->monitor.reset(udev_monitor_new_from_netlink(udev_->context.get(), "udev"));
    if (!udev_->monitor) {
        return;
    }
    // One event per USB device rather than one per interface; PCI functions have no device type.
    if (udev_monitor_filter_add_match_subsystem_devtype(udev_->monitor.get(), "usb", "usb_device") < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(udev_->monitor.get(), "pci", nullptr) < 0 ||
        udev_monitor_enable_receiving(udev_->monitor.get()) < 0) {
        udev_->monitor.reset();
        return;
    }
    int fd = udev_monitor_get_fd(udev_->monitor.get());
    if (fd < 0) {
        udev_->monitor.reset();
        return;
    }
    udev_->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(udev_->notifier.get(), &QSocketNotifier::activated, this, &DeviceMonitor::ReadEvents);
}

bool DeviceMonitor::IsActive() const {
    return udev_->notifier != nullptr;
}

void DeviceMonitor::ReadEvents() {
    // The socket is non-blocking: read everything that is queued, then wait for the next wake-up.
    while (true) {
        std::unique_ptr<udev_device, Udev::DeviceUnref> device(
            udev_monitor_receive_device(udev_->monitor.get()));
        if (!device) {
            return;
        }
        const char* action = udev_device_get_action(device.get());
        if (action == nullptr) {
            continue;
        }
        if (std::optional<uint32_t> eventType = DeviceEventTypeOfAction(action)) {
            Q_EMIT DeviceChange(*eventType);
        }
    }
}

#else

struct DeviceMonitor::Udev {};

DeviceMonitor::DeviceMonitor(QObject* parent) : QObject(parent), udev_(std::make_unique<Udev>()) {}

bool DeviceMonitor::IsActive() const {
    return false;
}

void DeviceMonitor::ReadEvents() {}

#endif

DeviceMonitor::~DeviceMonitor() = default;

}  // namespace drvsetup
