#pragma once

// Loadable libraries, the LoadLibrary / GetProcAddress / FreeLibrary of the programs. A library is
// loaded from a full path only: searching the usual folders for a bare name would let whatever file
// happens to be first on the search path stand in for the one the program has just written.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/result.h"

namespace platform {

class LibraryModule {
  public:
    ~LibraryModule();
    LibraryModule(const LibraryModule&) = delete;
    LibraryModule& operator=(const LibraryModule&) = delete;

    // Fails for a relative path, a missing file and a file the loader refuses (not a library for this
    // system, unresolved symbols); the error names the loader's reason.
    static Result<std::unique_ptr<LibraryModule>> Load(const std::filesystem::path& fullPath);

    // The address of an exported symbol, or nullptr when the library has none by that name.
    void* Symbol(const std::string& name) const;
    const std::filesystem::path& path() const { return path_; }

    // Only Load makes one; the key keeps the constructor usable by std::make_unique.
    class Key {
        friend class LibraryModule;
        Key() = default;
    };
    LibraryModule(Key, void* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}

  private:
    void* handle_;
    std::filesystem::path path_;
};

}  // namespace platform
