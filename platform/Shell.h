// Starting programs through the shell, and shell notifications.
#pragma once

#include <string>

namespace platform {

constexpr int kShowNormal = 5;  // SW_SHOW

// ShellExecuteA(owner, verb, file, parameters, no folder, showCommand); the
// started program inherits this process's current folder and is not waited
// for. The result is not reported. POSIX: the program is started with the
// parameters split by the Windows command-line rules.
void ShellStart(void* ownerWindow, const std::string& verb, const std::string& file,
                const std::string& parameters, int showCommand);

// SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr).
void NotifyAssociationsChanged();

}  // namespace platform
