#pragma once

// A fresh system root in a temporary folder for one test, made current for the process and removed
// afterwards.

#include <filesystem>
#include <string>

namespace kit_test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

class TempSystemRoot {
  public:
    TempSystemRoot();
    ~TempSystemRoot();
    TempSystemRoot(const TempSystemRoot&) = delete;
    TempSystemRoot& operator=(const TempSystemRoot&) = delete;
    const std::filesystem::path& path() const { return dir_.path(); }

  private:
    TempDir dir_;
};

// Writes bytes to a file, creating its folders.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace kit_test
