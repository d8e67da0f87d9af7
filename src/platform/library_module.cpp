#include "platform/library_module.h"

#include <dlfcn.h>

namespace platform {

LibraryModule::~LibraryModule() {
    dlclose(handle_);
}

Result<std::unique_ptr<LibraryModule>> LibraryModule::Load(const std::filesystem::path& fullPath) {
    if (!fullPath.is_absolute()) {
        return Fail(fullPath.string() + ": not a full path");
    }
    // RTLD_LOCAL keeps the library's symbols out of the program's namespace, so two libraries with
    // the same exports can be open at once; RTLD_NOW reports a broken library here, not at first use.
    void* handle = dlopen(fullPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        return Fail(reason != nullptr ? std::string(reason) : fullPath.string() + ": cannot be loaded");
    }
    return std::make_unique<LibraryModule>(Key(), handle, fullPath);
}

void* LibraryModule::Symbol(const std::string& name) const {
    return dlsym(handle_, name.c_str());
}

}  // namespace platform
