// Splitting and joining path names, code-page aware: a trail byte with the
// value of "\" never counts as a delimiter.
#include "platform/CodePage.h"
#include "platform/Files.h"

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

}  // namespace platform
