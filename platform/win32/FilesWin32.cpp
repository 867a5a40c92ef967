// Files and paths through the ANSI Win32 calls.
#include "platform/Files.h"

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

std::string SearchFile(const std::string& fileName, const std::string& folder) {
  if (fileName.empty()) return std::string();
  char buffer[512];
  char* filePart = nullptr;
  const DWORD n = SearchPathA(folder.empty() ? nullptr : folder.c_str(), fileName.c_str(), nullptr, sizeof buffer,
                              buffer, &filePart);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return std::string(buffer, n);
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
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) throw FileError(ErrorText(FileAction::Read, path));
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

void ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string folder = ExtractFilePath(path);
  const std::string name = ExtractFileName(path);
  std::string temp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folder + "~" + name + "." + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(g_tempCounter++) + ".tmp";
    created = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (created == INVALID_HANDLE_VALUE) throw FileError(ErrorText(FileAction::CreateTemporary, path));
  Handle file(created);
  try {
    WriteAll(file.get(), bytes, path);
    if (!FlushFileBuffers(file.get()) || !file.Close()) throw FileError(ErrorText(FileAction::Write, path));
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      throw FileError(ErrorText(FileAction::Replace, path));
    }
  } catch (...) {
    file.Close();
    DeleteFileA(temp.c_str());
    throw;
  }
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
