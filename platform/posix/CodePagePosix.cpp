// Code page helpers for POSIX: our own code for code page 932 and UTF-8.
//
// Case conversion follows what the Windows system does with CharLowerBuffA /
// CharUpperBuffA: each character is taken to Unicode, converted there and
// taken back. We convert only characters whose case really changes and keep
// the original bytes of every other character (Windows also rewrites
// characters without a Unicode form and duplicate codes such as the NEC
// selected IBM extensions; we do not, so no byte of a name is ever lost).
// The Unicode tables are glibc's: iconv for code page 932 ("CP932") and the
// C.UTF-8 locale's towlower_l / towupper_l.
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
#include <string>
#include <unordered_map>

namespace platform {

namespace {

// -1 = no override, otherwise the CodePage value.
std::atomic<int> g_override{-1};

std::string NormalisedCodeset(const char* name) {
  std::string result;
  for (const char* p = name; p && *p; ++p) {
    char c = *p;
    if (c == '-' || c == '_') continue;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    result += c;
  }
  return result;
}

CodePage CodePageFromCodeset(const char* name) {
  const std::string codeset = NormalisedCodeset(name);
  if (codeset == "UTF8") return CodePage::Utf8;
  if (codeset == "SJIS" || codeset == "SHIFTJIS" || codeset == "CP932" || codeset == "WINDOWS31J" ||
      codeset == "MSKANJI") {
    return CodePage::Cp932;
  }
  return CodePage::SingleByte;
}

// Every character boundary asks for the code page, so the answer is kept per
// thread with the codeset it came from. glibc keeps the data of a loaded
// locale for the life of the process, so the same codeset pointer always
// means the same codeset; another pointer is compared by its text.
CodePage CodePageOfLocale() {
  thread_local const char* lastPointer = nullptr;
  thread_local std::string lastCodeset;
  thread_local CodePage lastCodePage = CodePage::SingleByte;
  const char* codeset = nl_langinfo(CODESET);
  if (!codeset) codeset = "";
  if (codeset == lastPointer) return lastCodePage;
  if (!lastPointer || std::strcmp(codeset, lastCodeset.c_str()) != 0) {
    lastCodePage = CodePageFromCodeset(codeset);
    lastCodeset = codeset;
  }
  lastPointer = codeset;
  return lastCodePage;
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

// One-shot iconv conversion of a whole buffer; false when any byte does not convert.
bool Convert(const char* to, const char* from, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(in.size() * 4 + 16, '\0');
  char* ip = const_cast<char*>(in.data());
  std::size_t il = in.size();
  char* op = &out[0];
  std::size_t ol = out.size();
  bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return false;
  out.resize(out.size() - ol);
  return true;
}

std::string Ucs4(std::uint32_t cp) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((cp >> (8 * i)) & 0xFF);
  return s;
}

bool Cp932ToCodePoint(std::uint16_t code, std::uint32_t& cp) {
  std::string in;
  if (code > 0xFF) in += static_cast<char>(code >> 8);
  in += static_cast<char>(code & 0xFF);
  std::string out;
  if (!Convert("UCS-4LE", "CP932", in, out) || out.size() != 4) return false;
  cp = 0;
  for (int i = 3; i >= 0; --i) cp = (cp << 8) | static_cast<unsigned char>(out[i]);
  return true;
}

bool CodePointToCp932(std::uint32_t cp, std::uint16_t& code) {
  std::string out;
  if (!Convert("CP932", "UCS-4LE", Ucs4(cp), out) || out.empty() || out.size() > 2) return false;
  code = static_cast<unsigned char>(out[0]);
  if (out.size() == 2) code = static_cast<std::uint16_t>((code << 8) | static_cast<unsigned char>(out[1]));
  return true;
}

// Double-byte characters of code page 932 whose case conversion gives another
// character of the code page that maps back to the converted code point.
struct Cp932CaseTables {
  std::unordered_map<std::uint16_t, std::uint16_t> lower;
  std::unordered_map<std::uint16_t, std::uint16_t> upper;
};

const Cp932CaseTables& Cp932Tables() {
  static const Cp932CaseTables tables = [] {
    Cp932CaseTables t;
    auto add = [](std::unordered_map<std::uint16_t, std::uint16_t>& table, std::uint16_t code,
                  std::uint32_t converted) {
      std::uint16_t target = 0;
      std::uint32_t back = 0;
      if (CodePointToCp932(converted, target) && target > 0xFF && Cp932ToCodePoint(target, back) &&
          back == converted) {
        table.emplace(code, target);
      }
    };
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (lead > 0x9F && lead < 0xE0) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        const auto code = static_cast<std::uint16_t>((lead << 8) | trail);
        std::uint32_t cp = 0;
        if (!Cp932ToCodePoint(code, cp)) continue;
        const std::uint32_t lo = ToLowerCp(cp);
        const std::uint32_t up = ToUpperCp(cp);
        if (lo != cp) add(t.lower, code, lo);
        if (up != cp) add(t.upper, code, up);
      }
    }
    return t;
  }();
  return tables;
}

std::string ConvertCp932(const std::string& text, bool toLower) {
  const auto& table = toLower ? Cp932Tables().lower : Cp932Tables().upper;
  std::string result = text;
  for (std::size_t pos = 0; pos < result.size();) {
    const unsigned char c = static_cast<unsigned char>(result[pos]);
    if (IsLeadByte(c) && pos + 1 < result.size()) {
      const auto code = static_cast<std::uint16_t>((c << 8) | static_cast<unsigned char>(result[pos + 1]));
      const auto it = table.find(code);
      if (it != table.end()) {
        result[pos] = static_cast<char>(it->second >> 8);
        result[pos + 1] = static_cast<char>(it->second & 0xFF);
      }
      pos += 2;
      continue;
    }
    if (toLower && c >= 'A' && c <= 'Z') result[pos] = static_cast<char>(c + 32);
    if (!toLower && c >= 'a' && c <= 'z') result[pos] = static_cast<char>(c - 32);
    ++pos;
  }
  return result;
}

std::uint32_t DecodeUtf8(const std::string& text, std::size_t pos, std::size_t len) {
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  std::uint32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (std::size_t i = 1; i < len; ++i) cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  return cp;
}


std::string ConvertUtf8(const std::string& text, bool toLower) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t len = CharLength(text, pos);
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (len == 1) {
      // ASCII, or a broken byte kept as it is.
      char out = text[pos];
      if (toLower && c >= 'A' && c <= 'Z') out = static_cast<char>(c + 32);
      if (!toLower && c >= 'a' && c <= 'z') out = static_cast<char>(c - 32);
      result += out;
    } else {
      const std::uint32_t cp = DecodeUtf8(text, pos, len);
      const std::uint32_t converted = toLower ? ToLowerCp(cp) : ToUpperCp(cp);
      const bool valid = cp >= 0x80 && !(cp >= 0xD800 && cp <= 0xDFFF) && cp <= 0x10FFFF;
      if (valid && converted != cp) {
        AppendUtf8(result, converted);
      } else {
        result.append(text, pos, len);
      }
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
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = text[i];
    std::size_t units = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      units = 2;
    }
    i += units - 1;
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
                           iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) && il == 0 &&
                           op != buffer;
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (!converted) {
      wide.push_back(u'\uFFFD');
      whole = false;
      ++pos;
      continue;
    }
    for (char* q = buffer; q + 1 < op; q += 2) {
      wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(q[0]) |
                                           (static_cast<unsigned char>(q[1]) << 8)));
    }
    pos += length;
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return whole;
}

}  // namespace platform
