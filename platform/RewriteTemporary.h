// The temporary files that RewriteFile (Files.h) writes beside the file it
// replaces, named so that one left behind by a crash is known again:
// marker + name + "." + process id + "-" + counter + ".tmp".
#pragma once

#include <string>

namespace platform {

std::string RewriteTemporaryName(char marker, const std::string& name, unsigned long process, unsigned counter);

// True when candidate is such a name for name, of any process and counter.
bool IsRewriteTemporaryName(char marker, const std::string& name, const std::string& candidate);

}  // namespace platform
