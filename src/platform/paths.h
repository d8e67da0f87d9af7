#pragma once

// Files and paths as the programs see them. Paths are written the Windows way by the programs
// ("folder\sub\file.ini", folders taken from the module path or the Windows folder and joined by
// plain concatenation); here both "\" and "/" separate, and a path that does not exist as spelled is
// resolved without regard to case, one component at a time, as on a Windows file system.
//
// A path that starts with a drive letter ("C:\...") is taken relative to the system root, whose
// folders stand for drive C.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Turns a Windows-style path into the native path that names the same file: separators made "/",
// runs of separators folded, each component matched without regard to case where the exact spelling
// does not exist. Components that match nothing keep their spelling, so a new file can be created in
// an existing folder whose case differs.
std::filesystem::path NativePath(std::string_view windowsPath);

bool FileExists(std::string_view path);       // a regular file (or a link to one)
bool DirectoryExists(std::string_view path);  // a folder
bool PathExists(std::string_view path);       // either

// The part of a path up to and including its last separator ("" when there is none).
std::string FolderPart(std::string_view path);
// The part after the last separator.
std::string FileNamePart(std::string_view path);
// The extension with its dot (".exe"), or "" when the file name has none.
std::string ExtensionPart(std::string_view path);

// The executable's path: argv[0] made absolute against the current folder at start-up, links not
// resolved, so a kit folder may hold a link to the program and still find its own files. An empty
// argv[0] forgets the path set before; ExecutablePath then names the program the kernel started.
void SetExecutablePath(std::string_view argv0);
std::string ExecutablePath();
// The executable's folder with its trailing separator.
std::string ExecutableFolder();

// Folds "\" into "/" and drops repeated separators without touching the file system.
std::string NormalizeSeparators(std::string_view path);

// Writes a whole file through a temporary file in the same folder and a rename, so that a reader
// sees the old file or the new one, never a mix. The folder must exist.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);
// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes);

// A folder that only its user can change: a real folder (not a symbolic link), owned by the user the
// program runs as, writable neither by its group nor by others. Programs are started from such a
// folder only, so no one else can put a file of their own in their place.
enum class FolderTrust { Missing, Private, NotPrivate };
FolderTrust CheckPrivateFolder(const std::filesystem::path& folder);
// Creates one folder level that only its user can change; false when it cannot be created.
bool CreatePrivateFolder(const std::filesystem::path& folder);

}  // namespace platform
