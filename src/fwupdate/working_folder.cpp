#include "fwupdate/working_folder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "fwupdate/trace.h"
#include "platform/paths.h"
#include "platform/system_info.h"

namespace fs = std::filesystem;

namespace fwupdate {

namespace {

constexpr std::string_view kBiosToolFiles[] = {"SWinFlash.exe", "PhlashNT.sys", "Phlash9X.vxd",
                                               "PhlashLc.dll", "bios.wph"};
constexpr std::string_view kMicomToolFiles[] = {"WinUpV01_10.exe", "kbc.bin"};
constexpr std::string_view kDriverFiles[] = {"AddMem.sys"};

bool EndsInSeparator(std::string_view path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

bool EnterFolder(const fs::path& folder) {
    return !folder.empty() && ::chdir(folder.c_str()) == 0;
}

void DeleteFilesOfCurrentFolder() {
    std::error_code ec;
    for (fs::directory_iterator it(fs::path("."), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryEc;
        if (it->is_directory(entryEc)) {
            continue;
        }
        std::string name = it->path().filename().string();
        if (fs::remove(it->path(), entryEc)) {
            Trace("DeleteDirectoryFile : %s is Deleted\r\n", name.c_str());
        }
    }
}

void DeleteList(std::span<const std::string_view> names) {
    for (std::string_view name : names) {
        std::error_code ec;
        fs::remove(platform::NativePath(name), ec);
    }
}

}  // namespace

std::string WorkingFolderPath() {
    auto temp = platform::GetEnvironmentVariable("TEMP");
    if (!temp || temp->empty() || temp->size() > kMaxTempLength) {
        return {};
    }
    std::string path(*temp);
    if (!EndsInSeparator(path)) {
        path += '\\';
    }
    path.append(kWorkingFolderName);
    path += '\\';
    return path;
}

bool PrepareWorkingFolder() {
    std::string path = WorkingFolderPath();
    if (path.empty()) {
        return false;
    }
    fs::path folder = platform::NativePath(path);
    if (EnterFolder(folder)) {
        DeleteFilesOfCurrentFolder();
        return true;
    }
    std::error_code ec;
    fs::create_directory(folder, ec);
    return !ec && EnterFolder(folder);
}

std::span<const std::string_view> BiosToolFiles() {
    return kBiosToolFiles;
}
std::span<const std::string_view> MicomToolFiles() {
    return kMicomToolFiles;
}
std::span<const std::string_view> DriverFiles() {
    return kDriverFiles;
}

void DeleteBiosToolSet() {
    DeleteList(kBiosToolFiles);
}
void DeleteMicomToolSet() {
    DeleteList(kMicomToolFiles);
}
void DeleteDriverFile() {
    DeleteList(kDriverFiles);
}
void DeleteToolFiles() {
    DeleteBiosToolSet();
    DeleteMicomToolSet();
    DeleteDriverFile();
}

}  // namespace fwupdate
