// Files and paths. Paths are narrow text in the system code page.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// A file that cannot be opened, created, read or written.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The path made absolute against the current folder, as GetFullPathNameA does
// with a buffer of bufferChars characters; the name unchanged when that fails.
std::string ExpandFullPath(const std::string& path, std::size_t bufferChars = 260);

// True when path is not empty and names an existing file that is not a directory.
bool FileExists(const std::string& path);

// True when path names an existing directory.
bool DirectoryExists(const std::string& path);

// Searches a file name as SearchPathA does: in folder when it is not empty,
// otherwise in the system's default order (the executable's folder, the
// current folder, the system folders, the PATH). Returns the full path, or
// the empty text when nothing is found.
std::string SearchFile(const std::string& fileName, const std::string& folder = "");

// Full path of the running executable.
std::string ExecutablePath();

// Size of an existing file in bytes; throws FileError when it cannot be read.
std::uint64_t FileSize(const std::string& path);

// Deletes a file; returns false when it could not (missing file included).
bool RemoveFile(const std::string& path);

// Reads the whole file; a missing file reads as the empty text. Throws
// FileError when it exists but cannot be read.
std::string ReadWholeFile(const std::string& path);

// Creates or truncates the file and writes bytes in one write; throws FileError.
void WriteWholeFile(const std::string& path, const std::string& bytes);

// Writes bytes to a temporary file in the same folder, then puts it in place of
// path in one step, so that a failure never leaves a half-written file.
// Throws FileError; the old file is then unchanged.
void ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// The folder part of a path, up to and including its last path delimiter
// (Win32: "\\" or ":"; POSIX: "/"; code-page aware); empty when there is none.
std::string ExtractFilePath(const std::string& path);

// The part of a path after its last path delimiter.
std::string ExtractFileName(const std::string& path);

// The path with the extension of its file name replaced by newExtension
// (which includes its dot); a name without an extension gets it appended.
std::string ChangeFileExt(const std::string& path, const std::string& newExtension);

// Creates a new, empty folder below the system's temporary folder and returns
// its path; throws FileError.
std::string CreateTempFolder(const std::string& namePrefix);

// Deletes a folder and everything in it; missing folders are ignored.
void RemoveTree(const std::string& folder);

// Copies a file, replacing the destination; throws FileError.
void CopyFileTo(const std::string& source, const std::string& destination);

// Joins a folder and a name with the platform's separator unless the folder
// already ends in a delimiter or is empty.
std::string JoinPath(const std::string& folder, const std::string& name);

// The separator of this platform's paths: "\\" on Win32, "/" on POSIX.
char PathSeparator();

}  // namespace platform
