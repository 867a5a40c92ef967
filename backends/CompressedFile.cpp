#include "backends/CompressedFile.h"

#include <algorithm>
#include <cstring>

#include "backends/LittleEndian.h"
#include "platform/CodePage.h"

namespace backends {
namespace {

// Suffixes the decompressors take off, and what they put instead.
struct Suffix {
  const char* suffix;
  const char* replacement;
};
const Suffix kSuffixes[] = {
    {".gz", ""},       {".z", ""},       {".bz2", ""},     {".bz", ""},       {".xz", ""},
    {".lzma", ""},     {".zst", ""},     {".tgz", ".tar"}, {".taz", ".tar"},  {".tbz", ".tar"},
    {".tbz2", ".tar"}, {".txz", ".tar"}, {".tlz", ".tar"}, {".tzst", ".tar"},
};

// The gzip header's stored name, last part only; empty when none.
std::string GzipStoredName(const std::uint8_t* p, std::size_t size) {
  if (size < 10 || p[0] != 0x1f || p[1] != 0x8b) return std::string();
  const std::uint8_t flags = p[3];
  std::size_t at = 10;
  if (flags & 0x04) {  // FEXTRA
    if (size - at < 2) return std::string();
    const std::size_t extra = get16(p + at);
    if (size - at - 2 < extra) return std::string();
    at += 2 + extra;
  }
  if (!(flags & 0x08) || at >= size) return std::string();  // FNAME, NUL-terminated
  const void* nul = std::memchr(p + at, 0, size - at);
  if (!nul) return std::string();
  std::string name(reinterpret_cast<const char*>(p + at), static_cast<const std::uint8_t*>(nul) - (p + at));
  const std::size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  return name;
}

}  // namespace

std::vector<std::string> DecompressedNames(const std::string& path, const std::uint8_t* head, std::size_t size) {
  std::vector<std::string> names;
  std::string base = path;
  const std::size_t slash = base.find_last_of('/');
  if (slash != std::string::npos) base.erase(0, slash + 1);
  const std::size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    const std::string extension = base.substr(dot);
    for (const Suffix& s : kSuffixes) {
      if (platform::AnsiSameText(extension, s.suffix)) {
        names.push_back(base.substr(0, dot) + s.replacement);
        break;
      }
    }
  }
  const std::string stored = GzipStoredName(head, size);
  if (!stored.empty() && std::find(names.begin(), names.end(), stored) == names.end()) names.push_back(stored);
  return names;
}

ReadResult NamesFirstReader::Next(Member& member) {
  if (next_ < names_.size()) {
    member.Clear();
    member.name = names_[next_++];
    return ReadResult::Member;
  }
  return inner_ ? inner_->Next(member) : ReadResult::End;
}

}  // namespace backends
