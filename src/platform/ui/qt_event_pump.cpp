#include "platform/ui/qt_event_pump.h"

#include <poll.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

namespace platform {

namespace {

bool Readable(int fd, int timeoutMs) {
    pollfd watch{fd, POLLIN, 0};
    return poll(&watch, 1, timeoutMs) > 0;
}

}  // namespace

void PumpQtEventsUntilReadable(int fd) {
    if (QCoreApplication::instance() == nullptr) {
        Readable(fd, -1);
        return;
    }
    // A child that has already ended needs no trip through the event loop.
    if (Readable(fd, 0)) {
        return;
    }
    QEventLoop loop;
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    loop.exec();
}

EventPump QtEventPump() {
    return [](int fd) { PumpQtEventsUntilReadable(fd); };
}

}  // namespace platform
