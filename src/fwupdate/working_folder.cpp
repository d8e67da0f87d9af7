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
    // Without its trailing separator, so a symbolic link is seen as one rather than followed.
    if (!folder.has_filename())
        folder = folder.parent_path();
    // The flash tools and the driver are started from this folder: one that someone else could change
    // (a link to elsewhere, a folder others may write to) is refused rather than used.
    switch (platform::CheckPrivateFolder(folder)) {
        case platform::FolderTrust::Private:
            if (!EnterFolder(folder))
                return false;
            DeleteFilesOfCurrentFolder();
            return true;
        case platform::FolderTrust::Missing:
            return platform::CreatePrivateFolder(folder) && EnterFolder(folder);
        case platform::FolderTrust::NotPrivate:
            Trace("Working folder : %s is not a private folder\r\n", folder.c_str());
            return false;
    }
    return false;
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
