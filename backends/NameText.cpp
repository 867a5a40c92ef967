#include "backends/NameText.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <vector>

#include "backends/LittleEndian.h"
#include "platform/CodePage.h"

namespace backends {
namespace {

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

// Code page 932 to UTF-16 through the C library's converter; one converter
// per thread, since a converter keeps state between calls.
class Cp932Decoder {
 public:
  Cp932Decoder() : cd_(iconv_open("UTF-16LE", "CP932")) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) cd_ = iconv_open("UTF-16LE", "SHIFT_JIS");
  }
  ~Cp932Decoder() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  void Decode(const std::string& bytes, std::u16string& out) {
    if (!ok()) {
      for (unsigned char c : bytes) out.push_back(c < 0x80 ? c : u'?');
      return;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[512];
    while (inLeft > 0) {
      char* o = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t r = iconv(cd_, &in, &inLeft, &o, &outLeft);
      const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
      for (char* q = buffer; q + 1 < o; q += 2) out.push_back(get16(reinterpret_cast<const std::uint8_t*>(q)));
      if (error == E2BIG) continue;
      if (error != 0) {
        // A byte that begins no character of the code page, or a lead byte
        // at the very end: "?" for it, and go on with the next byte.
        out.push_back(u'?');
        ++in;
        --inLeft;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool IsValidUtf8(const char* text, std::size_t size) {
  std::size_t at = 0;
  while (at < size) {
    char32_t c;
    const std::size_t n = platform::DecodeUtf8(text + at, size - at, c);
    if (n == 0) return false;
    at += n;
  }
  return true;
}

std::u16string DecodeArchiveName(const std::string& bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  if (IsValidUtf8(bytes.data(), bytes.size())) {
    std::size_t at = 0;
    while (at < bytes.size()) {
      char32_t c = 0;
      at += platform::DecodeUtf8(bytes.data() + at, bytes.size() - at, c);
      AppendUtf16(out, c);
    }
    return out;
  }
  // Lead bytes are those of code page 932 whatever the active code page is.
  thread_local Cp932Decoder decoder;
  decoder.Decode(bytes, out);
  return out;
}

std::string RecordName(const std::string& bytes) {
  std::string narrow;
  RecordName(bytes, narrow);
  return narrow;
}

void RecordName(const std::string& stored, std::string& out) {
  // A name ends at its first NUL for every extractor that writes files (the
  // record would cut it there too, but only after shortening: the
  // extension would fall in the dropped middle).
  const std::size_t nul = stored.find('\0');
  std::string cut;
  if (nul != std::string::npos) cut.assign(stored, 0, nul);
  const std::string& bytes = nul != std::string::npos ? cut : stored;
  // ASCII is the same in every code page: no conversion at all, "/" turned
  // into "\" on the way (one pass; most names are ASCII). Through plain
  // pointers: a store through out[i] might change the strings themselves as
  // far as the compiler knows, which then reads them again for every byte.
  const std::size_t size = bytes.size();
  out.resize(size);
  const char* from = bytes.data();
  char* to = &out[0];
  bool ascii = true;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = from[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
    to[i] = c == '/' ? '\\' : c;
  }
  if (!ascii) {
    std::u16string wide = DecodeArchiveName(bytes);
    for (char16_t& c : wide)
      if (c == u'/') c = u'\\';
    out = platform::WideToNarrow(wide);
  }
  if (out.size() > kMaxRecordName) out = ShortenName(out);
}

std::string ShortenName(const std::string& name, std::size_t maxBytes) {
  if (name.size() <= maxBytes) return name;
  static const std::string kJoin = "...";
  if (maxBytes <= kJoin.size() + 2) return std::string();
  // Windows drops trailing dots and blanks from a file name: the extension
  // the file gets is the one before them. They are set aside, so that the
  // kept end of the name holds that extension; a few come back after it.
  std::size_t core = name.size();
  while (core > 0 && (name[core - 1] == '.' || name[core - 1] == ' ')) --core;
  const std::size_t trailing = std::min<std::size_t>(name.size() - core, maxBytes / 32);
  const std::string text = name.substr(0, core);
  if (trailing > 0 || core < name.size()) {
    maxBytes -= trailing;
    if (text.size() <= maxBytes) return text + name.substr(core, trailing);
    return ShortenName(text, maxBytes) + name.substr(core, trailing);
  }
  const std::size_t tailBudget = maxBytes / 4;
  const std::size_t headBudget = maxBytes - kJoin.size() - tailBudget;
  // Character starts, found by walking the text with the code page's rules.
  std::size_t headEnd = 0;
  std::size_t tailStart = text.size();
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = platform::CharLength(text, at);
    const std::size_t step = n == 0 ? 1 : n;
    if (at + step <= headBudget) headEnd = at + step;
    if (text.size() - at <= tailBudget) {
      tailStart = at;
      break;
    }
    at += step;
  }
  return text.substr(0, headEnd) + kJoin + text.substr(tailStart);
}

namespace {

// Splits text into its characters' start offsets, with the end appended.
std::vector<std::size_t> CharStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < text.size();) {
    starts.push_back(at);
    const std::size_t n = platform::CharLength(text, at);
    at += n == 0 ? 1 : n;
  }
  starts.push_back(text.size());
  return starts;
}

bool SameChar(const std::string& a, std::size_t aStart, std::size_t aEnd, const std::string& b, std::size_t bStart,
              std::size_t bEnd) {
  return aEnd - aStart == bEnd - bStart && a.compare(aStart, aEnd - aStart, b, bStart, bEnd - bStart) == 0;
}

}  // namespace

bool MatchWildcard(const std::string& pattern, const std::string& name) {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  const std::string p = platform::AnsiUpperCase(pattern);
  std::string n = platform::AnsiUpperCase(name);
  if (platform::LastDelimiter("\\", p) == std::string::npos) {
    // A pattern without a folder part matches the last part of the name; a
    // folder's own name ends in "\", which does not count.
    std::string trimmed = n;
    if (!trimmed.empty() && platform::LastCharacter(trimmed) == "\\") trimmed.pop_back();
    const std::size_t slash = platform::LastDelimiter("\\", trimmed);
    if (slash != std::string::npos) n = trimmed.substr(slash + 1);
  }
  const std::vector<std::size_t> ps = CharStarts(p);
  const std::vector<std::size_t> ns = CharStarts(n);
  const std::size_t pc = ps.size() - 1;
  const std::size_t nc = ns.size() - 1;
  // Greedy matching with one backtrack point for the last "*".
  std::size_t i = 0, j = 0, star = std::string::npos, mark = 0;
  while (j < nc) {
    if (i < pc && p[ps[i]] == '?' && ps[i + 1] - ps[i] == 1) {
      ++i, ++j;
    } else if (i < pc && p[ps[i]] == '*' && ps[i + 1] - ps[i] == 1) {
      star = i++;
      mark = j;
    } else if (i < pc && SameChar(p, ps[i], ps[i + 1], n, ns[j], ns[j + 1])) {
      ++i, ++j;
    } else if (star != std::string::npos) {
      i = star + 1;
      j = ++mark;
    } else {
      return false;
    }
  }
  while (i < pc && p[ps[i]] == '*' && ps[i + 1] - ps[i] == 1) ++i;
  return i == pc;
}

}  // namespace backends
