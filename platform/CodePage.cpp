// Character-boundary helpers shared by both targets. They rest on IsLeadByte
// and ActiveCodePage, which each target provides; case conversion and
// comparison live with the targets.
#include "platform/CodePage.h"

namespace platform {

namespace {

// Length of a well-formed UTF-8 sequence at pos, 1 for a stray or broken byte,
// so that a damaged text is still walked one byte at a time.
std::size_t Utf8Length(const std::string& text, std::size_t pos) {
  char32_t ignored;
  const std::size_t length = DecodeUtf8(text.data() + pos, text.size() - pos, ignored);
  return length == 0 ? 1 : length;
}

}  // namespace

std::size_t MultiByteCharLength(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  if (ActiveCodePage() == CodePage::Utf8) return Utf8Length(text, pos);
  // A lead byte at the very end has no trail byte: it counts alone.
  if (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) return 2;
  return 1;
}

std::size_t LastDelimiter(const std::string& delimiters, const std::string& text) {
  std::size_t found = std::string::npos;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t len = CharLength(text, pos);
    if (len == 1 && delimiters.find(text[pos]) != std::string::npos) found = pos;
    pos += len;
  }
  return found;
}

std::string LastCharacter(const std::string& text) {
  std::size_t last = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    last = pos;
    pos += CharLength(text, pos);
  }
  return text.substr(last);
}

bool AnsiSameText(const std::string& a, const std::string& b) { return AnsiCompareText(a, b) == 0; }

bool AnsiContainsText(const std::string& haystack, const std::string& needle) {
  const std::string h = AnsiUpperCase(haystack);
  const std::string n = AnsiUpperCase(needle);
  if (n.empty()) return true;
  for (std::size_t pos = 0; pos < h.size(); pos += CharLength(h, pos)) {
    if (h.compare(pos, n.size(), n) == 0) return true;
  }
  return false;
}

std::string TrimText(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
  // A trailing byte <= 0x20 can never be the trail byte of a double-byte
  // character (trail bytes start at 0x40), so trimming from the end is safe.
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
  return text.substr(first, last - first);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, pos - start));
      if (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
      start = pos + 1;
    }
    ++pos;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::size_t DecodeUtf8(const char* text, std::size_t size, char32_t& codePoint) {
  if (size == 0) return 0;
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  std::size_t length;
  char32_t least;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, least = 0x80, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, least = 0x800, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, least = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (size < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (c & 0x3F);
  }
  if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
  return length;
}

std::size_t DecodeUtf16(const char16_t* text, std::size_t size, char32_t& codePoint) {
  codePoint = text[0];
  if (codePoint >= 0xD800 && codePoint <= 0xDBFF && size > 1 && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
    codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[1] - 0xDC00);
    return 2;
  }
  return 1;
}

}  // namespace platform
