// Files and paths on POSIX.
#include "platform/Files.h"
#include "platform/RewriteTemporary.h"
#include "platform/posix/SearchFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

std::string ErrorText(const std::string& what, const std::string& path) {
  return what + " \"" + path + "\": " + std::strerror(errno);
}

std::string CurrentFolder() {
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// Removes "." and empty components and resolves ".." textually; never climbs
// above the root. Symbolic links are left alone.
std::string Normalise(const std::string& absolute) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= absolute.size()) {
    std::size_t next = absolute.find('/', pos);
    if (next == std::string::npos) next = absolute.size();
    const std::string part = absolute.substr(pos, next - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = next + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  if (result.empty()) return "/";
  // A name that ends in a separator keeps it, as with the Windows service.
  if (absolute.back() == '/') result += '/';
  return result;
}

bool IsFileAt(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(ErrorText("cannot write", path));
    }
    done += static_cast<std::size_t>(n);
  }
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

std::string ExpandFullPath(const std::string& path, std::size_t bufferChars) {
  if (path.empty()) return path;
  std::string absolute = path;
  if (path[0] != '/') {
    const std::string current = CurrentFolder();
    if (current.empty()) return path;
    absolute = current + "/" + path;
  }
  const std::string result = Normalise(absolute);
  // The same limit as the system's buffer: a result that does not fit
  // together with its terminating NUL counts as a failure.
  if (result.size() >= bufferChars) return path;
  return result;
}

bool FileExists(const std::string& path) { return IsFileAt(path); }

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string SearchFile(const std::string& fileName, const std::string& folder) {
  if (fileName.empty()) return std::string();
  if (fileName.find('/') != std::string::npos) {
    if (!IsFileAt(fileName)) return std::string();
    const std::string full = ExpandFullPath(fileName, 512);
    return full[0] == '/' && full.size() < 512 ? full : std::string();
  }
  const std::vector<std::string> folders = folder.empty() ? DefaultSearchFolders() : std::vector<std::string>{folder};
  for (const std::string& candidateFolder : folders) {
    if (candidateFolder.empty()) continue;
    const std::string candidate = JoinPath(candidateFolder, fileName);
    if (IsFileAt(candidate)) {
      // The system's answer comes in a 512-character buffer.
      const std::string full = ExpandFullPath(candidate, 512);
      return full[0] == '/' && full.size() < 512 ? full : std::string();
    }
  }
  return std::string();
}

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat first;
  struct stat second;
  if (a.empty() || b.empty() || stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

SharedReadFile::SharedReadFile(const std::string& path)
    : handle_(open(path.c_str(), O_RDONLY | O_CLOEXEC)), path_(path) {
  if (handle_ < 0) throw FileError(ErrorText("cannot open", path));
}

SharedReadFile::~SharedReadFile() { close(static_cast<int>(handle_)); }

std::size_t SharedReadFile::Read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = read(static_cast<int>(handle_), buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw FileError(ErrorText("cannot read", path_));
  }
}

std::string ExecutablePath() {
  std::vector<char> buffer(1024);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::uint64_t FileSize(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) throw FileError(ErrorText("cannot read", path));
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    throw FileError(ErrorText("cannot read", path));
  }
  return static_cast<std::uint64_t>(st.st_size);
}

bool RemoveFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

std::string ReadWholeFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::string();
    throw FileError(ErrorText("cannot open", path));
  }
  std::string result;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string message = ErrorText("cannot read", path);
      close(fd);
      throw FileError(message);
    }
    result.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return result;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError(ErrorText("cannot create", path));
  try {
    WriteAll(fd, bytes, path);
  } catch (...) {
    close(fd);
    throw;
  }
  if (close(fd) != 0) throw FileError(ErrorText("cannot write", path));
}

namespace {

constexpr char kTemporaryMarker = '.';

void RemoveStaleTemporaryFiles(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  while (const struct dirent* entry = readdir(dir)) {
    if (IsRewriteTemporaryName(kTemporaryMarker, name, entry->d_name)) unlink((folder + entry->d_name).c_str());
  }
  closedir(dir);
}

}  // namespace

void RewriteFile(const std::string& path, const std::string& bytes) {
  // A file that a plain write could not open is not replaced either: the
  // rename would pass over its permissions.
  if (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0) {
    throw FileError(ErrorText("cannot create", path));
  }
  const std::string folder = ExtractFilePath(path);
  const std::string name = ExtractFileName(path);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder + RewriteTemporaryName(kTemporaryMarker, name, static_cast<unsigned long>(getpid()), g_tempCounter++);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    // A folder that takes no new file, such as one the user may not write
    // while the file itself is writable.
    WriteWholeFile(path, bytes);
    RemoveStaleTemporaryFiles(folder, name);
    return;
  }
  try {
    // The new file keeps the permissions of the one it replaces.
    struct stat st;
    if (stat(path.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
    WriteAll(fd, bytes, path);
    if (fsync(fd) != 0) throw FileError(ErrorText("cannot write", path));
    const int closed = close(fd);
    fd = -1;
    if (closed != 0) throw FileError(ErrorText("cannot write", path));
    if (rename(temp.c_str(), path.c_str()) != 0) throw FileError(ErrorText("cannot replace", path));
  } catch (...) {
    if (fd >= 0) close(fd);
    unlink(temp.c_str());
    throw;
  }
  RemoveStaleTemporaryFiles(folder, name);
}

std::string CreateTempFolder(const std::string& namePrefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : "/tmp";
  std::string pattern = JoinPath(base, namePrefix + "XXXXXX");
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) throw FileError(ErrorText("cannot create a temporary folder in", base));
  return buffer.data();
}

namespace {

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_DP || type == FTW_D) {
    rmdir(path);
  } else {
    unlink(path);
  }
  return 0;
}

}  // namespace

void RemoveTree(const std::string& folder) {
  if (folder.empty()) return;
  struct stat st;
  if (lstat(folder.c_str(), &st) != 0) return;
  // FTW_PHYS: a symbolic link is removed, never followed.
  nftw(folder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void CopyFileTo(const std::string& source, const std::string& destination) {
  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) throw FileError(ErrorText("cannot open", source));
  const int out = open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    const std::string message = ErrorText("cannot create", destination);
    close(in);
    throw FileError(message);
  }
  try {
    char buffer[65536];
    for (;;) {
      const ssize_t n = read(in, buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        throw FileError(ErrorText("cannot read", source));
      }
      WriteAll(out, std::string(buffer, static_cast<std::size_t>(n)), destination);
    }
  } catch (...) {
    close(in);
    close(out);
    throw;
  }
  close(in);
  if (close(out) != 0) throw FileError(ErrorText("cannot write", destination));
}

std::vector<std::string> DefaultSearchFolders(const std::string& pathWhenUnset) {
  std::vector<std::string> folders{ExtractFilePath(ExecutablePath())};
  const char* pathVariable = std::getenv("PATH");
  const std::string list = pathVariable ? pathVariable : pathWhenUnset;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t next = list.find(':', pos);
    if (next == std::string::npos) next = list.size();
    if (next > pos) folders.push_back(list.substr(pos, next - pos));
    pos = next + 1;
  }
  return folders;
}

std::string SystemFolderFile(const std::string& fileName) {
  const char* pathVariable = std::getenv("PATH");
  const std::string list = pathVariable ? pathVariable : "/usr/bin:/bin";
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t next = list.find(':', pos);
    if (next == std::string::npos) next = list.size();
    const std::string folder = list.substr(pos, next - pos);
    if (!folder.empty() && folder[0] == '/' && IsFileAt(JoinPath(folder, fileName))) return JoinPath(folder, fileName);
    pos = next + 1;
  }
  return fileName;
}

}  // namespace platform
