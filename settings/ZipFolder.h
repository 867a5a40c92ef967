// The switch of the system's built-in ZIP folder ("zipfldr"): the system's
// registration tool is started on the component, switching it off or on.
// Only Windows XP (NT 5.1) and later offer it.
#pragma once

#include <string>

#include "platform/OsVersion.h"

namespace settings {

// True for the NT platform (2) at version 5.1 or later.
bool IsXPOrLater(const platform::OsVersionInfo& version);
// The same for the running system.
bool IsXPOrLater();

// What the settings dialog's switch buttons start through the shell.
struct ZipFolderCommand {
  std::string verb;        // "open"
  std::string file;        // "regsvr32.exe" of the system folder, by its full path
  std::string parameters;  // "/u zipfldr" to switch off, "zipfldr" to switch on
  int showCommand;         // SW_SHOW
};
ZipFolderCommand ZipFolderSwitchCommand(bool switchOn);

// Shown instead when the system is older than XP.
extern const char kZipFolderNeedsXP[];

// Starts the registration tool when the system offers the switch (owner is
// the window that owns whatever the shell shows) and returns true; returns
// false, starting nothing, otherwise. The tool is not waited for and its
// result is not examined.
bool SwitchZipFolder(void* ownerWindow, bool switchOn);

}  // namespace settings
