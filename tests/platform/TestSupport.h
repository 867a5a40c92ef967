// Small helpers shared by the platform tests.
#pragma once

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "tests/support/PlatformHooks.h"

#include <chrono>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform_test {

// A fresh folder below the temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() : path_(platform::CreateTempFolder("mokurena-plat-")) {}
  ~TempFolder() { platform::RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return platform::JoinPath(path_, name); }

 private:
  std::string path_;
};

// Runs a block in code page 932: on POSIX by overriding the locale's choice,
// on Win32 by the system's code page, which the Wine runs set to 932.
class Cp932Scope {
 public:
  Cp932Scope() { platform::OverrideCodePage(platform::CodePage::Cp932); }
  ~Cp932Scope() { platform::ClearCodePageOverride(); }
  Cp932Scope(const Cp932Scope&) = delete;
  Cp932Scope& operator=(const Cp932Scope&) = delete;
};

inline bool WaitForFile(const std::string& path, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (platform::FileExists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return platform::FileExists(path);
}

// The folder of the running test program, where its helper programs are built.
inline std::string ProgramFolder() { return platform::ExtractFilePath(platform::ExecutablePath()); }

inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// A second name for an existing folder while the object lives, as a user gets
// one with a link or another drive letter: natively a symbolic link beside
// it; under Wine the folder through drive M:, which scripts/with-wine.sh maps
// to drive C:. path() is empty when no second name can be had.
class SecondFolderName {
 public:
  explicit SecondFolderName(const std::string& folder) {
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == platform::PathSeparator()) trimmed.pop_back();
#ifdef _WIN32
    if (trimmed.size() > 2 && (trimmed[0] == 'C' || trimmed[0] == 'c') && trimmed[1] == ':' &&
        GetDriveTypeA("M:\\") != DRIVE_NO_ROOT_DIR) {
      path_ = "M:" + trimmed.substr(2);
    }
#else
    link_ = trimmed + "-second-name";
    if (symlink(trimmed.c_str(), link_.c_str()) == 0) path_ = link_;
#endif
    if (!platform::DirectoryExists(path_)) path_.clear();
  }
  ~SecondFolderName() {
#ifndef _WIN32
    if (!link_.empty()) unlink(link_.c_str());
#endif
  }
  SecondFolderName(const SecondFolderName&) = delete;
  SecondFolderName& operator=(const SecondFolderName&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string link_;
};

}  // namespace platform_test
