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
// otherwise in the system's default order but never in the current folder
// (the executable's folder, the system folders, the absolute folders of the
// PATH). Returns the full path, or the empty text when nothing is found.
std::string SearchFile(const std::string& fileName, const std::string& folder = "");

// The path of a program of the system's own folder (Win32: GetSystemDirectoryA
// joined with fileName). POSIX, which has no such folder: the first absolute
// folder of the PATH that holds the file, or fileName itself when none does.
std::string SystemFolderFile(const std::string& fileName);

// Full path of the running executable.
std::string ExecutablePath();

// Size of an existing file in bytes; throws FileError when it cannot be read.
std::uint64_t FileSize(const std::string& path);

// Deletes a file; returns false when it could not (missing file included).
bool RemoveFile(const std::string& path);

// Reads the whole file; a missing file reads as the empty text. Throws
// FileError when it exists but cannot be read.
std::string ReadWholeFile(const std::string& path);

// True when both paths name one existing file, whatever the names that lead
// to it (a short 8.3 name, a second drive letter, a junction, a link): Win32
// compares the volume serial number and the file index of
// GetFileInformationByHandle, POSIX st_dev and st_ino.
bool IsSameFile(const std::string& a, const std::string& b);

// A file open for reading that others may read but not write while it is
// open (Win32: CreateFileA(GENERIC_READ, FILE_SHARE_READ); POSIX has no such
// rule and opens it for reading).
class SharedReadFile {
 public:
  // Throws FileError when the file cannot be opened.
  explicit SharedReadFile(const std::string& path);
  ~SharedReadFile();
  SharedReadFile(const SharedReadFile&) = delete;
  SharedReadFile& operator=(const SharedReadFile&) = delete;

  // Up to size bytes from where the last read ended; 0 at the end. Throws
  // FileError.
  std::size_t Read(char* buffer, std::size_t size);

 private:
  std::intptr_t handle_;
  std::string path_;
};

// Creates or truncates the file and writes bytes in one write; throws FileError.
void WriteWholeFile(const std::string& path, const std::string& bytes);

// Replaces the content of the file at path (creating it when missing) so that
// a failure never leaves a half-written file: bytes go to a temporary file in
// the same folder, which then takes the file's place in one step (Win32:
// ReplaceFileA when the file exists, which keeps its attributes and
// security, else MoveFileExA; POSIX: rename, with the old file's
// permissions). Where no file can be created in the folder but the file can
// be written, it is written in place instead (created or truncated), so the
// write works wherever a plain write works. After a successful write,
// temporary files of earlier writes of this file that a crash left behind
// are removed. Throws FileError; the old file is then unchanged, except when
// the in-place write itself fails.
void RewriteFile(const std::string& path, const std::string& bytes);

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
