// The operating system's version.
#pragma once

#include <cstdint>

namespace platform {

struct OsVersionInfo {
  std::uint32_t platformId = 0;  // 2 = VER_PLATFORM_WIN32_NT
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};

// Win32: GetVersionExA with the size of the ANSI structure (148 bytes).
// POSIX: reports the NT platform, version 10.0.
OsVersionInfo QueryOsVersion();

}  // namespace platform
