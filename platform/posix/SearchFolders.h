// Where a name given without a folder is looked for, as Windows looks for a
// file or a program, but never in the current folder (where an archive may
// have brought a file of that name): the executable's folder, then each
// folder of the PATH. Empty PATH entries (the current folder) are left out.
#pragma once

#include <string>
#include <vector>

namespace platform {

std::vector<std::string> DefaultSearchFolders(const std::string& pathWhenUnset = "");

}  // namespace platform
