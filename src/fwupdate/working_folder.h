#pragma once

// The working folder the payload is extracted into ("%TEMP%\__Kantrel_Update\") and the lists of tool
// files the update deletes again once they have done their work.

#include <span>
#include <string>
#include <string_view>

namespace fwupdate {

inline constexpr std::string_view kWorkingFolderName = "__Kantrel_Update";
// Longest TEMP value that is used; a longer one counts as unset, as it would not fit the buffer.
inline constexpr size_t kMaxTempLength = 260;

// TEMP (the process environment, else the system root's Temp folder), one "\" unless the value ends
// in a separator, and "__Kantrel_Update\". Empty when TEMP has no usable value.
std::string WorkingFolderPath();

// Makes the working folder the current directory. When it exists it is emptied of files first
// (subfolders stay; a file that cannot be deleted is left), each deletion traced as
// "DeleteDirectoryFile : <name> is Deleted"; otherwise it is created (one level). False when the
// folder can be neither entered nor created.
bool PrepareWorkingFolder();

// Tool files, named relative to the working folder.
std::span<const std::string_view>
BiosToolFiles();  // SWinFlash.exe, PhlashNT.sys, Phlash9X.vxd, PhlashLc.dll, bios.wph
std::span<const std::string_view> MicomToolFiles();  // WinUpV01_10.exe, kbc.bin
std::span<const std::string_view> DriverFiles();     // AddMem.sys

// Deletion from the current directory; a missing file is no error. The tool files are all three
// lists in that order.
void DeleteBiosToolSet();
void DeleteMicomToolSet();
void DeleteDriverFile();
void DeleteToolFiles();

}  // namespace fwupdate
