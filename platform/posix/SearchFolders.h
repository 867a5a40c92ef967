// Where a name given without a folder is looked for, as Windows looks for a
// file or a program: the executable's folder, the current folder, then each
// folder of the PATH. Empty PATH entries (the current folder) are left out.
#pragma once

#include <string>
#include <vector>

namespace platform {

std::vector<std::string> DefaultSearchFolders(const std::string& pathWhenUnset = "");

}  // namespace platform
