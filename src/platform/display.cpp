#include "platform/display.h"

#include <cstdlib>

namespace platform {

namespace {

bool IsSetAndNotEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

}  // namespace

bool HasDisplay() {
    return IsSetAndNotEmpty("DISPLAY") || IsSetAndNotEmpty("WAYLAND_DISPLAY");
}

}  // namespace platform
