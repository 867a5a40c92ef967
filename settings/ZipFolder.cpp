#include "settings/ZipFolder.h"

#include "platform/Files.h"
#include "platform/Shell.h"

namespace settings {

const char kZipFolderNeedsXP[] = "この機能はXP以降のWindowsで利用可能です。";

namespace {

constexpr unsigned kPlatformNT = 2;  // VER_PLATFORM_WIN32_NT

}  // namespace

bool IsXPOrLater(const platform::OsVersionInfo& version) {
  if (version.platformId != kPlatformNT) return false;
  return version.major > 5 || (version.major == 5 && version.minor >= 1);
}

bool IsXPOrLater() { return IsXPOrLater(platform::QueryOsVersion()); }

ZipFolderCommand ZipFolderSwitchCommand(bool switchOn) {
  // By its full path: the shell would take a regsvr32.exe of the current
  // folder first.
  return ZipFolderCommand{"open", platform::SystemFolderFile("regsvr32.exe"), switchOn ? "zipfldr" : "/u zipfldr",
                          platform::kShow};
}

bool SwitchZipFolder(void* ownerWindow, bool switchOn) {
  if (!IsXPOrLater()) return false;
  const ZipFolderCommand command = ZipFolderSwitchCommand(switchOn);
  platform::ShellStart(ownerWindow, command.verb, command.file, command.parameters, command.showCommand);
  return true;
}

}  // namespace settings
