// Code page helpers for POSIX: our own code for code page 932 and UTF-8.
//
// Case conversion follows what the Windows system does with CharLowerBuffA /
// CharUpperBuffA: each character is taken to Unicode, converted there and
// taken back. We convert only characters whose case really changes and keep
// the original bytes of every other character (Windows also rewrites
// characters without a Unicode form and duplicate codes such as the NEC
// selected IBM extensions; we do not, so no byte of a name is ever lost).
// Code page 932 uses a table made once from Unicode's case mappings
// (scripts/gen-cp932-case-table.py); UTF-8 the C.UTF-8 locale's
// towlower_l / towupper_l.
#include "platform/CodePage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

namespace platform {

namespace {

// -1 = no override, otherwise the CodePage value.
std::atomic<int> g_override{-1};

// Whether a codeset name, without "-" and "_" and blind to case, is one of names.
bool CodesetIs(const char* codeset, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* p = codeset;
    const char* q = name;
    for (;; ++p) {
      if (*p == '-' || *p == '_') continue;
      const char c = (*p >= 'a' && *p <= 'z') ? static_cast<char>(*p - 'a' + 'A') : *p;
      if (c != *q) break;
      if (c == '\0') return true;
      ++q;
    }
  }
  return false;
}

CodePage CodePageOfLocale() {
  const char* codeset = nl_langinfo(CODESET);
  if (!codeset) return CodePage::SingleByte;
  if (CodesetIs(codeset, {"UTF8"})) return CodePage::Utf8;
  if (CodesetIs(codeset, {"SJIS", "SHIFTJIS", "CP932", "WINDOWS31J", "MSKANJI"})) return CodePage::Cp932;
  return CodePage::SingleByte;
}

// The locale whose Unicode case tables we use; null when none is installed,
// in which case only ASCII letters change case.
locale_t UnicodeLocale() {
  static const locale_t locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
      if (l) return l;
    }
    return static_cast<locale_t>(nullptr);
  }();
  return locale;
}

std::uint32_t ToLowerCp(std::uint32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  locale_t l = UnicodeLocale();
  return l ? static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(cp), l)) : cp;
}

std::uint32_t ToUpperCp(std::uint32_t cp) {
  if (cp < 0x80) return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
  locale_t l = UnicodeLocale();
  return l ? static_cast<std::uint32_t>(towupper_l(static_cast<wint_t>(cp), l)) : cp;
}

std::string Ucs4(std::uint32_t cp) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((cp >> (8 * i)) & 0xFF);
  return s;
}

struct Cp932CasePair {
  std::uint16_t code;
  std::uint16_t converted;
};

#include "platform/posix/Cp932CaseTable.inc"

// The character a double-byte code changes into, or the code itself.
template <std::size_t N>
std::uint16_t Cp932Case(const Cp932CasePair (&table)[N], std::uint16_t code) {
  const Cp932CasePair* end = table + N;
  const Cp932CasePair* found =
      std::lower_bound(table, end, code, [](const Cp932CasePair& pair, std::uint16_t c) { return pair.code < c; });
  return found != end && found->code == code ? found->converted : code;
}

std::string ConvertCp932(const std::string& text, bool toLower) {
  std::string result = text;
  for (std::size_t pos = 0; pos < result.size();) {
    const unsigned char c = static_cast<unsigned char>(result[pos]);
    if (IsLeadByte(c) && pos + 1 < result.size()) {
      const auto code = static_cast<std::uint16_t>((c << 8) | static_cast<unsigned char>(result[pos + 1]));
      const std::uint16_t converted = toLower ? Cp932Case(kCp932ToLower, code) : Cp932Case(kCp932ToUpper, code);
      result[pos] = static_cast<char>(converted >> 8);
      result[pos + 1] = static_cast<char>(converted & 0xFF);
      pos += 2;
      continue;
    }
    if (toLower && c >= 'A' && c <= 'Z') result[pos] = static_cast<char>(c + 32);
    if (!toLower && c >= 'a' && c <= 'z') result[pos] = static_cast<char>(c - 32);
    ++pos;
  }
  return result;
}

std::string ConvertUtf8(const std::string& text, bool toLower) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    const std::size_t len = DecodeUtf8(text.data() + pos, text.size() - pos, cp);
    if (len <= 1) {
      // ASCII, or a broken byte kept as it is.
      const unsigned char c = static_cast<unsigned char>(text[pos]);
      char out = text[pos];
      if (toLower && c >= 'A' && c <= 'Z') out = static_cast<char>(c + 32);
      if (!toLower && c >= 'a' && c <= 'z') out = static_cast<char>(c - 32);
      result += out;
      ++pos;
      continue;
    }
    const std::uint32_t converted = toLower ? ToLowerCp(cp) : ToUpperCp(cp);
    if (converted != cp) {
      AppendUtf8(result, converted);
    } else {
      result.append(text, pos, len);
    }
    pos += len;
  }
  return result;
}

std::string ConvertAscii(const std::string& text, bool toLower) {
  std::string result = text;
  for (char& ch : result) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (toLower && c >= 'A' && c <= 'Z') ch = static_cast<char>(c + 32);
    if (!toLower && c >= 'a' && c <= 'z') ch = static_cast<char>(c - 32);
  }
  return result;
}

std::string ConvertCase(const std::string& text, bool toLower) {
  // ASCII text changes case alike in every code page: no need to ask which
  // one is in effect (the check lowers every member's extension).
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return ConvertAscii(text, toLower);
  }
  switch (ActiveCodePage()) {
    case CodePage::Cp932: return ConvertCp932(text, toLower);
    case CodePage::Utf8: return ConvertUtf8(text, toLower);
    case CodePage::SingleByte: break;
  }
  return ConvertAscii(text, toLower);
}

// iconv's name of the narrow code page.
std::string NarrowCharset() {
  switch (ActiveCodePage()) {
    case CodePage::Cp932: return "CP932";
    case CodePage::Utf8: return "UTF-8";
    case CodePage::SingleByte: break;
  }
  if (g_override.load() < 0) {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && *codeset) return codeset;
  }
  return "ISO-8859-1";
}

}  // namespace

CodePage ActiveCodePage() {
  const int forced = g_override.load();
  if (forced >= 0) return static_cast<CodePage>(forced);
  return CodePageOfLocale();
}

void OverrideCodePage(CodePage codePage) { g_override.store(static_cast<int>(codePage)); }

void ClearCodePageOverride() { g_override.store(-1); }

bool IsLeadByte(unsigned char c) {
  switch (ActiveCodePage()) {
    case CodePage::Cp932: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case CodePage::Utf8: return c >= 0xC2 && c <= 0xDF;
    case CodePage::SingleByte: break;
  }
  return false;
}

std::string AnsiLowerCase(const std::string& text) { return ConvertCase(text, true); }

std::string AnsiUpperCase(const std::string& text) { return ConvertCase(text, false); }

// Approximation of CompareStringA(NORM_IGNORECASE): both texts are lower-cased
// with the code page's rules and then compared byte by byte. That agrees with
// Windows on equality ignoring case, and on the order of ASCII letters, digits
// and the punctuation below "a" ("_" sorts before letters, as on Windows), but
// not on the order of kana and kanji, where Windows uses its own sort weights.
int AnsiCompareText(const std::string& a, const std::string& b) {
  // ASCII lowers the same in every code page (only A-Z change), so a common
  // ASCII beginning is compared in place: the first difference there, or the
  // end of the shorter text, decides, whatever follows (lowering keeps every
  // character). The check compares every extension it meets.
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i < n; ++i) {
    const unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if ((ca | cb) >= 0x80) break;
    const unsigned char la = ca >= 'A' && ca <= 'Z' ? ca + 32 : ca;
    const unsigned char lb = cb >= 'A' && cb <= 'Z' ? cb + 32 : cb;
    if (la != lb) return la < lb ? -1 : 1;
  }
  if (i == n) return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  const std::string la = AnsiLowerCase(a);
  const std::string lb = AnsiLowerCase(b);
  const int r = la.compare(lb);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

// Characters are converted one at a time; a character that the code page
// cannot hold, or holds only as a look-alike that reads back as another
// character (U+00A5 YEN SIGN would come out as "\" in code page 932), becomes
// "?", one per UTF-16 unit as on Windows.
std::string WideToNarrow(const std::u16string& text) {
  const std::string charset = NarrowCharset();
  iconv_t to = iconv_open(charset.c_str(), "UCS-4LE");
  iconv_t back = iconv_open("UCS-4LE", charset.c_str());
  const bool usable = to != reinterpret_cast<iconv_t>(-1) && back != reinterpret_cast<iconv_t>(-1);
  auto run = [](iconv_t cd, const std::string& in, std::string& out) {
    char buffer[16];
    char* ip = const_cast<char*>(in.data());
    std::size_t il = in.size();
    char* op = buffer;
    std::size_t ol = sizeof buffer;
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) && il == 0 &&
                    iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<std::size_t>(-1);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.assign(buffer, static_cast<std::size_t>(op - buffer));
    return ok;
  };
  std::string result;
  for (std::size_t i = 0, units = 0; i < text.size(); i += units) {
    char32_t cp;
    units = DecodeUtf16(&text[i], text.size() - i, cp);
    if (cp < 0x80) {
      result += static_cast<char>(cp);
      continue;
    }
    std::string narrow;
    std::string wide;
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (!surrogate && usable && run(to, Ucs4(cp), narrow) && !narrow.empty() && run(back, narrow, wide) &&
        wide == Ucs4(cp)) {
      result += narrow;
    } else {
      result.append(units, '?');
    }
  }
  if (to != reinterpret_cast<iconv_t>(-1)) iconv_close(to);
  if (back != reinterpret_cast<iconv_t>(-1)) iconv_close(back);
  return result;
}

bool NarrowToWide(const std::string& text, std::u16string& wide) {
  wide.clear();
  wide.reserve(text.size());
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  bool whole = true;
  for (std::size_t pos = 0; pos < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {  // ASCII is the same in every code page
      wide.push_back(c);
      ++pos;
      continue;
    }
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-16LE", NarrowCharset().c_str());
    const std::size_t length = CharLength(text, pos);
    char buffer[8];
    char* ip = const_cast<char*>(text.data() + pos);
    std::size_t il = length;
    char* op = buffer;
    std::size_t ol = sizeof buffer;
    const bool converted = cd != reinterpret_cast<iconv_t>(-1) &&
                           iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) && il == 0 && op != buffer;
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (!converted) {
      wide.push_back(u'\uFFFD');
      whole = false;
      ++pos;
      continue;
    }
    for (char* q = buffer; q + 1 < op; q += 2) {
      wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(q[0]) | (static_cast<unsigned char>(q[1]) << 8)));
    }
    pos += length;
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return whole;
}

}  // namespace platform
