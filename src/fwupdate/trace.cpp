#include "fwupdate/trace.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "platform/debug_output.h"

namespace fwupdate {

void Trace(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0) {
        return;
    }
    platform::OutputDebugString(
        std::string_view(line, std::min<size_t>(static_cast<size_t>(length), sizeof line - 1)));
}

}  // namespace fwupdate
