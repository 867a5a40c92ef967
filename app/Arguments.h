// The program's command line split into its arguments.
#pragma once

#include <string>
#include <vector>

namespace app {

// The arguments after the program name in a whole command line (as
// GetCommandLineA gives it). Blanks and control characters (bytes up to
// 0x20) separate arguments; a stretch in double quotes may hold them, and
// every double quote is removed; an empty pair of double quotes where an
// argument would begin is skipped, so it makes no argument of its own. The
// program name at the start is read by the same rules and left out.
// Double-byte characters need no care: neither a blank nor a quote can be a
// trail byte of Shift_JIS or a byte of a UTF-8 sequence.
std::vector<std::string> ProgramArguments(const std::string& commandLine);

}  // namespace app
