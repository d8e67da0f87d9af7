#include "support/temp_root.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/system_root.h"

namespace fs = std::filesystem;

namespace kit_test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kit-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

TempSystemRoot::TempSystemRoot() {
    setenv("WINSYS_ROOT", dir_.str().c_str(), 1);
    platform::UseSystemRoot(dir_.path());
}

TempSystemRoot::~TempSystemRoot() {
    platform::UseSystemRoot({});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

}  // namespace kit_test
