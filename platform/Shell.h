// Starting programs through the shell, and shell notifications.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The show command SW_SHOW: shown and activated, in its current size and
// place.
constexpr int kShow = 5;

// ShellExecuteA(owner, verb, file, parameters, no folder, showCommand); the
// started program inherits this process's current folder and is not waited
// for. The result is not reported. POSIX: the program is started with the
// parameters split by the Windows command-line rules.
void ShellStart(void* ownerWindow, const std::string& verb, const std::string& file, const std::string& parameters,
                int showCommand);

// Splits a command line into its arguments as the Windows C runtime does:
// blanks separate arguments outside double quotes; a doubled quote inside
// quotes is one literal quote; backslashes are literal except before a quote,
// where 2n backslashes give n and the quote delimits, and 2n+1 give n and a
// literal quote. Double-byte characters are never split.
std::vector<std::string> SplitCommandLine(const std::string& parameters);

// SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr).
void NotifyAssociationsChanged();

}  // namespace platform
