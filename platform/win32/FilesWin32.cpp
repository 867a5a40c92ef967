// Files and paths through the ANSI Win32 calls.
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/RewriteTemporary.h"

#include <windows.h>

#include <atomic>
#include <vector>

namespace platform {

namespace {

// The messages reach the user's error box, so they are in the user's language.
enum class FileAction { Open, Read, Create, Write, Replace, CreateTemporary, CreateFolderIn };

std::string ErrorText(FileAction action, const std::string& path, DWORD error = GetLastError()) {
  const std::string quoted = "\"" + path + "\"";
  std::string text;
  switch (action) {
    case FileAction::Open: text = "ファイル " + quoted + " を開けません。"; break;
    case FileAction::Read: text = "ファイル " + quoted + " を読み込めません。"; break;
    case FileAction::Create: text = "ファイル " + quoted + " を作成できません。"; break;
    case FileAction::Write: text = "ファイル " + quoted + " に書き込めません。"; break;
    case FileAction::Replace: text = "ファイル " + quoted + " を置き換えられません。"; break;
    case FileAction::CreateTemporary: text = quoted + " の一時ファイルを作成できません。"; break;
    case FileAction::CreateFolderIn: text = quoted + " にフォルダを作成できません。"; break;
  }
  return text + "（エラー " + std::to_string(error) + "）";
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    const bool ok = !valid() || CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

void WriteAll(HANDLE file, const std::string& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t chunk = bytes.size() - done > 0x10000000 ? 0x10000000 : bytes.size() - done;
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr) || written == 0) {
      throw FileError(ErrorText(FileAction::Write, path));
    }
    done += written;
  }
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

std::string ExpandFullPath(const std::string& path, std::size_t bufferChars) {
  if (path.empty() || bufferChars == 0) return path;
  std::vector<char> buffer(bufferChars, '\0');
  char* filePart = nullptr;
  const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(bufferChars), buffer.data(), &filePart);
  // 0 is a failure; a result of bufferChars or more is the size the name
  // would need, which means it did not fit.
  if (n == 0 || n >= bufferChars) return path;
  return std::string(buffer.data(), n);
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

std::string SystemFolder() {
  char buffer[MAX_PATH + 1];
  const UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
  return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

std::string WindowsFolder() {
  char buffer[MAX_PATH + 1];
  const UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
  return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

// A folder of the PATH that names a drive or a share; a relative one would
// be taken from the current folder.
bool IsAbsoluteFolder(const std::string& folder) {
  return (folder.size() >= 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/')) ||
         folder.compare(0, 2, "\\\\") == 0;
}

// The folders of the system's default file search, in its order, without
// the current folder: the executable's folder, the system folder, the 16-bit
// system folder, the Windows folder, the folders of the PATH.
std::vector<std::string> DefaultSearchFolders() {
  const std::string windows = WindowsFolder();
  std::vector<std::string> folders{ExtractFilePath(ExecutablePath()), SystemFolder(),
                                   windows.empty() ? std::string() : JoinPath(windows, "system"), windows};
  const std::string path = GetEnvironmentValue("PATH");
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t next = path.find(';', pos);
    if (next == std::string::npos) next = path.size();
    std::string folder = path.substr(pos, next - pos);
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
      folder = folder.substr(1, folder.size() - 2);
    if (IsAbsoluteFolder(folder)) folders.push_back(folder);
    pos = next + 1;
  }
  return folders;
}

// SearchPathA in one folder; the full path, or empty.
std::string SearchIn(const std::string& folder, const std::string& fileName) {
  char buffer[512];
  char* filePart = nullptr;
  const DWORD n = SearchPathA(folder.c_str(), fileName.c_str(), nullptr, sizeof buffer, buffer, &filePart);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return std::string(buffer, n);
}

}  // namespace

std::string SearchFile(const std::string& fileName, const std::string& folder) {
  if (fileName.empty()) return std::string();
  if (!folder.empty()) return SearchIn(folder, fileName);
  // SearchPathA without a folder would look in the current folder too, even
  // in its safe mode, and a stub planted there would become part of the
  // program made. Each folder of the default order is searched on its own.
  for (const std::string& candidate : DefaultSearchFolders()) {
    if (candidate.empty()) continue;
    const std::string found = SearchIn(candidate, fileName);
    if (!found.empty()) return found;
  }
  return std::string();
}

std::string SystemFolderFile(const std::string& fileName) { return JoinPath(SystemFolder(), fileName); }

namespace {

bool IdentityOf(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  // No access asked: the identity of a file that others hold open without
  // sharing can still be read.
  Handle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.valid() && GetFileInformationByHandle(file.get(), &info);
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first;
  BY_HANDLE_FILE_INFORMATION second;
  if (a.empty() || b.empty() || !IdentityOf(a, first) || !IdentityOf(b, second)) return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

SharedReadFile::SharedReadFile(const std::string& path)
    : handle_(reinterpret_cast<std::intptr_t>(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))),
      path_(path) {
  if (reinterpret_cast<HANDLE>(handle_) == INVALID_HANDLE_VALUE) throw FileError(ErrorText(FileAction::Open, path));
}

SharedReadFile::~SharedReadFile() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

std::size_t SharedReadFile::Read(char* buffer, std::size_t size) {
  DWORD read = 0;
  const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, chunk, &read, nullptr)) {
    throw FileError(ErrorText(FileAction::Read, path_));
  }
  return read;
}

std::string ExecutablePath() {
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size() - 1) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    throw FileError(ErrorText(FileAction::Read, path));
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) throw FileError("\"" + path + "\" はフォルダです。");
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool RemoveFile(const std::string& path) { return !path.empty() && DeleteFileA(path.c_str()); }

std::string ReadWholeFile(const std::string& path) {
  // Sharing delete access too: a file that another process has just renamed
  // into place can still be held open for that rename for a moment.
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    if (IsMissing(error)) return std::string();
    throw FileError(ErrorText(FileAction::Open, path, error));
  }
  std::string result;
  char buffer[65536];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr))
      throw FileError(ErrorText(FileAction::Read, path));
    if (read == 0) break;
    result.append(buffer, read);
  }
  return result;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
  if (!file.valid()) throw FileError(ErrorText(FileAction::Create, path));
  WriteAll(file.get(), bytes, path);
  if (!file.Close()) throw FileError(ErrorText(FileAction::Write, path));
}

namespace {

constexpr char kTemporaryMarker = '~';

// Creates or truncates the file in place; an existing file keeps its
// attributes (a hidden one stays hidden), as a plain write keeps them.
void WriteInPlace(const std::string& path, const std::string& bytes) {
  Handle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) throw FileError(ErrorText(FileAction::Create, path));
  if (!SetEndOfFile(file.get())) throw FileError(ErrorText(FileAction::Write, path));
  WriteAll(file.get(), bytes, path);
  if (!file.Close()) throw FileError(ErrorText(FileAction::Write, path));
}

void RemoveStaleTemporaryFiles(const std::string& folder, const std::string& name) {
  WIN32_FIND_DATAA found;
  const std::string pattern = folder + kTemporaryMarker + name + ".*.tmp";
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    // One that another instance is still writing is open without sharing
    // and stays.
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        IsRewriteTemporaryName(kTemporaryMarker, name, found.cFileName)) {
      DeleteFileA((folder + found.cFileName).c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// ReplaceFileA, which keeps the replaced file's attributes and security.
void ReplaceKeepingAttributes(const std::string& path, const std::string& replacement, DWORD attributes) {
  // A file that another process holds open without delete sharing cannot be
  // replaced. Refused here, before ReplaceFileA, which under Wine would
  // leave a temporary file of its own behind.
  Handle probe(CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr));
  if (!probe.valid()) throw FileError(ErrorText(FileAction::Replace, path));
  probe.Close();
  if (!ReplaceFileA(path.c_str(), replacement.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    throw FileError(ErrorText(FileAction::Replace, path));
  }
  // Wine's ReplaceFileA drops the attributes that Windows keeps.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD now = GetFileAttributesA(path.c_str());
  if (now != INVALID_FILE_ATTRIBUTES && (now & kKept) != (attributes & kKept)) {
    SetFileAttributesA(path.c_str(), (now & ~kKept) | (attributes & kKept));
  }
}

}  // namespace

void RewriteFile(const std::string& path, const std::string& bytes) {
  // A read-only file is refused as a plain write refuses it; replacing it
  // would pass over what its owner set. A folder is never replaced.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    throw FileError(ErrorText(FileAction::Create, path, ERROR_ACCESS_DENIED));
  }
  const std::string folder = ExtractFilePath(path);
  const std::string name = ExtractFileName(path);
  std::string temp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folder + RewriteTemporaryName(kTemporaryMarker, name, GetCurrentProcessId(), g_tempCounter++);
    created = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (created == INVALID_HANDLE_VALUE) {
    // A folder that takes no new file, such as one the user may not write
    // while the file itself is writable.
    WriteInPlace(path, bytes);
    RemoveStaleTemporaryFiles(folder, name);
    return;
  }
  Handle file(created);
  try {
    WriteAll(file.get(), bytes, path);
    if (!FlushFileBuffers(file.get()) || !file.Close()) throw FileError(ErrorText(FileAction::Write, path));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        throw FileError(ErrorText(FileAction::Replace, path));
      }
    } else {
      ReplaceKeepingAttributes(path, temp, attributes);
    }
  } catch (...) {
    const DWORD error = GetLastError();
    file.Close();
    DeleteFileA(temp.c_str());
    SetLastError(error);
    throw;
  }
  RemoveStaleTemporaryFiles(folder, name);
}

std::string CreateTempFolder(const std::string& namePrefix) {
  char base[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof base, base);
  if (n == 0 || n >= sizeof base) throw FileError("一時フォルダが見つかりません。");
  const std::string folder(base, n);
  const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const std::string candidate = JoinPath(folder, namePrefix + std::to_string(GetCurrentProcessId()) + "-" +
                                                       std::to_string((seed + g_tempCounter++) % 1000000));
    if (CreateDirectoryA(candidate.c_str(), nullptr)) return candidate;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw FileError(ErrorText(FileAction::CreateFolderIn, folder));
}

void RemoveTree(const std::string& folder) {
  if (folder.empty()) return;
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  // A junction or link to a folder is removed itself, never entered.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string child = JoinPath(folder, name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(child);
        } else {
          if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
            SetFileAttributesA(child.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
          }
          DeleteFileA(child.c_str());
        }
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    RemoveDirectoryA(folder.c_str());
  } else {
    DeleteFileA(folder.c_str());
  }
}

void CopyFileTo(const std::string& source, const std::string& destination) {
  if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
    throw FileError(ErrorText(FileAction::Create, destination));
  }
}

}  // namespace platform
