#pragma once

// What every fuzz target shares: one scratch folder per process with a fresh system root in it, and
// message boxes answered at once without output, so that runs stay quiet and never wait on a person.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace kit_fuzz {

// The process's scratch folder (removed at exit), holding a system root that is made current.
const std::filesystem::path& Scratch();

// A folder of its own under the scratch folder, emptied on every call.
std::filesystem::path FreshFolder(std::string_view name);

// Writes bytes to a file (replacing it); false when it cannot be written.
bool WriteBytes(const std::filesystem::path& path, std::string_view bytes);

// The input as text.
inline std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Stops the run at once: a broken invariant is a finding, like a crash.
[[noreturn]] void Fail(const char* what);

}  // namespace kit_fuzz
