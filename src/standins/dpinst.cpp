// Stand-in for the Driver Package Installer. It records its command line in Windows/DPINST.LOG, and
// "installs" the way the real one leaves its trace: the INF files of its own folder are copied into
// Windows/inf as oem<N>.inf; "/u <inf>" removes the copy of that INF again. It always ends with 0.
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/paths.h"
#include "platform/system_root.h"
#include "standins/invocation_log.h"

namespace fs = std::filesystem;

namespace {

bool IsInf(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".inf";
}

fs::path NextOemName(const fs::path& infFolder) {
    for (int n = 0;; ++n) {
        fs::path candidate = infFolder / ("oem" + std::to_string(n) + ".inf");
        std::error_code ec;
        if (!fs::exists(candidate, ec)) {
            return candidate;
        }
    }
}

void Install(const fs::path& ownFolder, const fs::path& infFolder) {
    std::error_code ec;
    for (fs::directory_iterator it(ownFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && IsInf(it->path())) {
            fs::copy_file(it->path(), NextOemName(infFolder), ec);
        }
    }
}

void Uninstall(const std::string& inf, const fs::path& infFolder) {
    std::string wanted;
    if (!platform::ReadWholeFile(platform::NativePath(inf), wanted)) {
        return;
    }
    std::error_code ec;
    for (fs::directory_iterator it(infFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::string content;
        if (name.rfind("oem", 0) == 0 && IsInf(it->path()) && platform::ReadWholeFile(it->path(), content) &&
            content == wanted) {
            fs::remove(it->path(), ec);
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    platform::SetExecutablePath(args.empty() ? std::string() : args[0]);
    standins::AppendInvocation("DPINST.LOG", args);
    fs::path infFolder = platform::WindowsFolder() / "inf";
    std::error_code ec;
    fs::create_directories(infFolder, ec);
    for (size_t i = 1; i < args.size(); ++i) {
        if ((args[i] == "/u" || args[i] == "/U") && i + 1 < args.size()) {
            Uninstall(args[i + 1], infFolder);
            return 0;
        }
    }
    Install(platform::NativePath(platform::ExecutableFolder()), infFolder);
    return 0;
}
