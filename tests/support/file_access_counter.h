#pragma once

// Counts how often one file is opened and how often it is replaced or written, as the kernel sees
// it (inotify on the file's folder), so a test or a benchmark can show how many reads and writes an
// operation costs without trusting the code under test to count them itself.

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

namespace kit_test {

class FileAccessCounter {
  public:
    explicit FileAccessCounter(const std::filesystem::path& file)
        : name_(file.filename().string()), fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_ >= 0) {
            inotify_add_watch(fd_, file.parent_path().c_str(), IN_OPEN | IN_CLOSE_WRITE | IN_MOVED_TO);
        }
    }
    ~FileAccessCounter() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileAccessCounter(const FileAccessCounter&) = delete;
    FileAccessCounter& operator=(const FileAccessCounter&) = delete;

    bool Ok() const { return fd_ >= 0; }

    // Takes in the events so far: opens of the file, and writes (closed after writing, or another
    // file renamed over it).
    void Collect() {
        alignas(inotify_event) std::array<char, 8192> buffer{};
        for (;;) {
            const ssize_t got = read(fd_, buffer.data(), buffer.size());
            if (got <= 0) {
                return;
            }
            for (ssize_t at = 0; at < got;) {
                inotify_event event{};
                std::memcpy(&event, buffer.data() + at, sizeof event);
                const std::string name = event.len > 0 ? std::string(buffer.data() + at + sizeof event) : "";
                if (name == name_) {
                    opens_ += (event.mask & IN_OPEN) != 0 ? 1 : 0;
                    writes_ += (event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0 ? 1 : 0;
                }
                at += static_cast<ssize_t>(sizeof event + event.len);
            }
        }
    }
    void Reset() {
        Collect();
        opens_ = 0;
        writes_ = 0;
    }
    int Opens() {
        Collect();
        return opens_;
    }
    int Writes() {
        Collect();
        return writes_;
    }

  private:
    std::string name_;
    int fd_;
    int opens_ = 0;
    int writes_ = 0;
};

}  // namespace kit_test
