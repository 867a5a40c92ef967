// Splitting and joining path names, code-page aware: a trail byte with the
// value of "\" never counts as a delimiter.
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/RewriteTemporary.h"

namespace platform {

namespace {

#ifdef _WIN32
const char kPathDelimiters[] = "\\:";
#else
const char kPathDelimiters[] = "/";
#endif

}  // namespace

char PathSeparator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

std::string ExtractFilePath(const std::string& path) {
  const std::size_t pos = LastDelimiter(kPathDelimiters, path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  const std::size_t pos = LastDelimiter(kPathDelimiters, path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& newExtension) {
  const std::size_t pos = LastDelimiter(std::string(".") + kPathDelimiters, path);
  if (pos == std::string::npos || path[pos] != '.') return path + newExtension;
  return path.substr(0, pos) + newExtension;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const std::size_t pos = LastDelimiter(kPathDelimiters, folder);
  if (pos != std::string::npos && pos + 1 == folder.size()) return folder + name;
  return folder + PathSeparator() + name;
}

std::string RewriteTemporaryName(char marker, const std::string& name, unsigned long process, unsigned counter) {
  return std::string(1, marker) + name + "." + std::to_string(process) + "-" + std::to_string(counter) + ".tmp";
}

bool IsRewriteTemporaryName(char marker, const std::string& name, const std::string& candidate) {
  const std::string prefix = std::string(1, marker) + name + ".";
  const std::string suffix = ".tmp";
  if (candidate.size() < prefix.size() + 3 + suffix.size() || candidate.compare(0, prefix.size(), prefix) != 0 ||
      candidate.compare(candidate.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  // The middle is digits, "-", digits.
  const std::string middle = candidate.substr(prefix.size(), candidate.size() - prefix.size() - suffix.size());
  const std::size_t dash = middle.find('-');
  if (dash == std::string::npos || dash == 0 || dash + 1 == middle.size()) return false;
  for (std::size_t i = 0; i < middle.size(); ++i) {
    if (i != dash && (middle[i] < '0' || middle[i] > '9')) return false;
  }
  return true;
}

}  // namespace platform
