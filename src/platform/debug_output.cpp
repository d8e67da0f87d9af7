#include "platform/debug_output.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

bool AppendToFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        return false;
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    // With O_APPEND one write() places the whole buffer at the end of the file at once; the loop only
    // matters when the write was cut short (signal, full disk), where nothing better can be done.
    bool ok = true;
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    if (::close(fd) != 0) {
        ok = false;
    }
    return ok;
}

void OutputDebugString(std::string_view line) {
    const char* path = std::getenv("WINSYS_DEBUG_LOG");
    if (path == nullptr || path[0] == '\0') {
        return;
    }
    std::string record(line);
    if (record.empty() || record.back() != '\n') {
        record.push_back('\n');
    }
    // A debug line that cannot be written is lost, as it would be without a listener.
    (void)AppendToFile(path, record);
}

}  // namespace platform
