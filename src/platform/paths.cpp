#include "platform/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <system_error>

#include "platform/ascii.h"
#include "platform/system_root.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Finds the entry of a folder whose name matches without regard to case. Entries are compared in
// sorted order so that the answer does not depend on the order the file system lists them in.
std::string MatchNoCase(const fs::path& folder, std::string_view name) {
    std::error_code ec;
    std::string best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (EqualsNoCase(entry, name) && (best.empty() || entry < best)) {
            best = entry;
        }
    }
    return best;
}

std::mutex& ExeMutex() {
    static std::mutex m;
    return m;
}

std::string& ExeStore() {
    static std::string path;
    return path;
}

}  // namespace

std::string NormalizeSeparators(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (IsSeparator(c)) {
            if (out.empty() || out.back() != '/') {
                out.push_back('/');
            }
        } else {
            out.push_back(c);
        }
    }
    return out;
}

fs::path NativePath(std::string_view windowsPath) {
    // The programs pass C strings: a NUL ends the path, as it would for the system.
    std::string spelled = NormalizeSeparators(windowsPath.substr(0, windowsPath.find('\0')));
    if (spelled.size() >= 2 && std::isalpha(static_cast<unsigned char>(spelled[0])) && spelled[1] == ':') {
        spelled = CurrentSystemRoot().string() + "/" + spelled.substr(2);
        spelled = NormalizeSeparators(spelled);
    }
    std::error_code ec;
    fs::path exact(spelled);
    if (spelled.empty() || fs::symlink_status(exact, ec).type() != fs::file_type::not_found) {
        return exact;
    }
    // Walk the components, keeping each one that exists as spelled and matching the others without
    // regard to case. Once a component matches nothing, the rest are kept as given.
    fs::path resolved = exact.is_absolute() ? fs::path("/") : fs::path();
    bool searching = true;
    for (const fs::path& part : exact.relative_path()) {
        std::string name = part.string();
        if (name.empty()) {
            continue;
        }
        if (searching && name != "." && name != "..") {
            fs::path candidate = resolved / name;
            if (fs::symlink_status(candidate, ec).type() == fs::file_type::not_found) {
                std::string match = MatchNoCase(resolved.empty() ? fs::path(".") : resolved, name);
                if (match.empty()) {
                    searching = false;
                } else {
                    name = match;
                }
            }
        }
        resolved /= name;
    }
    if (!spelled.empty() && spelled.back() == '/') {
        resolved += "/";
    }
    return resolved;
}

bool FileExists(std::string_view path) {
    std::error_code ec;
    return fs::is_regular_file(NativePath(path), ec);
}

bool DirectoryExists(std::string_view path) {
    std::error_code ec;
    return fs::is_directory(NativePath(path), ec);
}

bool PathExists(std::string_view path) {
    std::error_code ec;
    return fs::exists(NativePath(path), ec);
}

std::string FolderPart(std::string_view path) {
    size_t pos = path.find_last_of("\\/");
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string FileNamePart(std::string_view path) {
    size_t pos = path.find_last_of("\\/");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ExtensionPart(std::string_view path) {
    std::string name = FileNamePart(path);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

void SetExecutablePath(std::string_view argv0) {
    std::string path(argv0.substr(0, argv0.find('\0')));
    if (path.empty()) {
        // Nothing to go by: forget any earlier path and let ExecutablePath ask the kernel.
        std::lock_guard lock(ExeMutex());
        ExeStore().clear();
        return;
    }
    if (path.find('/') == std::string::npos) {
        // Started through PATH: find the program the shell found.
        if (const char* envPath = std::getenv("PATH")) {
            std::stringstream dirs(envPath);
            std::string dir;
            while (std::getline(dirs, dir, ':')) {
                fs::path candidate = fs::path(dir.empty() ? "." : dir) / path;
                std::error_code ec;
                if (fs::is_regular_file(candidate, ec) && access(candidate.c_str(), X_OK) == 0) {
                    path = candidate.string();
                    break;
                }
            }
        }
    }
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    std::lock_guard lock(ExeMutex());
    ExeStore() = (ec ? fs::path(path) : absolute.lexically_normal()).string();
}

std::string ExecutablePath() {
    {
        std::lock_guard lock(ExeMutex());
        if (!ExeStore().empty()) {
            return ExeStore();
        }
    }
    // Not told by main(): fall back on what the kernel says the program is.
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

std::string ExecutableFolder() {
    return FolderPart(ExecutablePath());
}

bool WriteFileAtomically(const fs::path& path, std::string_view bytes) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    fs::path temp = path;
    temp += ".tmp" + std::to_string(getpid()) + "_" + std::to_string(rng() % 1000000);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    // The new file takes the place of the old one, so it keeps the old one's permissions.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        (void)::fchmod(fd, old.st_mode & 07777);
    }
    const char* data = bytes.data();
    size_t left = bytes.size();
    bool good = true;
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written <= 0) {
            good = false;
            break;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    good = good && ::fsync(fd) == 0;
    good = (::close(fd) == 0) && good;
    if (good) {
        std::error_code ec;
        fs::rename(temp, path, ec);
        good = !ec;
    }
    if (!good) {
        ::unlink(temp.c_str());
    }
    return good;
}

bool ReadWholeFile(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    // Read straight into the string, sized from the file's length when it has one; reading goes on
    // to the end all the same, for files that grow meanwhile or report no length.
    std::error_code ec;
    const uintmax_t expected = fs::file_size(path, ec);
    std::string content;
    content.reserve(ec ? 0 : static_cast<size_t>(expected));
    constexpr size_t kChunk = size_t{1} << 16;
    size_t used = 0;
    while (in) {
        content.resize(used + std::max(kChunk, content.capacity() - used));
        in.read(content.data() + used, static_cast<std::streamsize>(content.size() - used));
        used += static_cast<size_t>(in.gcount());
    }
    if (in.bad()) {
        return false;
    }
    content.resize(used);
    bytes = std::move(content);
    return true;
}

FolderTrust CheckPrivateFolder(const std::filesystem::path& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return errno == ENOENT ? FolderTrust::Missing : FolderTrust::NotPrivate;
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return FolderTrust::NotPrivate;
    return FolderTrust::Private;
}

bool CreatePrivateFolder(const std::filesystem::path& folder) {
    // The mode is set outright, whatever the caller's umask would have left open.
    return ::mkdir(folder.c_str(), 0700) == 0 && ::chmod(folder.c_str(), 0755) == 0;
}

}  // namespace platform
