// Operating-system version, environment, time conversion and shell services
// on Win32.
#include "platform/Environment.h"
#include "platform/FileTime.h"
#include "platform/OsVersion.h"
#include "platform/Shell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

namespace platform {

OsVersionInfo QueryOsVersion() {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof version);
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  OsVersionInfo info;
  if (GetVersionExA(&version)) {
    info.platformId = version.dwPlatformId;
    info.major = version.dwMajorVersion;
    info.minor = version.dwMinorVersion;
  }
  return info;
}

std::string GetEnvironmentValue(const std::string& name) {
  std::vector<char> buffer(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(n + 1);
  }
}

void SetEnvironmentValue(const std::string& name, const std::string& value) {
  if (name.empty()) return;
  SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
}

bool DosDateTimeToUtcFileTime(std::uint16_t dosDate, std::uint16_t dosTime, std::uint64_t& result) {
  FILETIME local;
  FILETIME utc;
  if (!DosDateTimeToFileTime(dosDate, dosTime, &local)) return false;
  if (!LocalFileTimeToFileTime(&local, &utc)) return false;
  result = (static_cast<std::uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
  return true;
}

void ShellStart(void* ownerWindow, const std::string& verb, const std::string& file, const std::string& parameters,
                int showCommand) {
  ShellExecuteA(static_cast<HWND>(ownerWindow), verb.empty() ? nullptr : verb.c_str(), file.c_str(),
                parameters.empty() ? nullptr : parameters.c_str(), nullptr, showCommand);
}

void NotifyAssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr); }

}  // namespace platform
