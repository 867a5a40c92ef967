// The settings dialog: the watch list, the archiver program per archive type,
// the file-type associations and the ZIP-folder switch.
#pragma once

#include <windows.h>

namespace settings {

// Creates the settings dialog with owner as its owner, shows it modally and
// destroys it when it closes; its modal result is of no interest.
void ShowSettingsDialog(HWND owner);

}  // namespace settings
