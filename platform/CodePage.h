// Narrow text in the system's multibyte code page.
//
// Every "last character", case conversion and case-blind comparison of the
// system goes through these helpers. Win32 uses the system's own calls
// (IsDBCSLeadByte, CharLowerBuffA, CompareStringA...). POSIX uses our own code
// for code page 932 (Shift_JIS) and UTF-8, chosen from the locale's codeset.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

enum class CodePage { Cp932, Utf8, SingleByte };

// The narrow code page in effect. Win32: 932 gives Cp932, 65001 Utf8, any
// other SingleByte. POSIX: from the LC_CTYPE codeset unless overridden.
CodePage ActiveCodePage();

// True when c begins a two-byte character (Shift_JIS: 0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(unsigned char c);

// Length in bytes of the character that starts at pos (1 or more; never
// beyond the end of text; 0 at or after the end). An ASCII byte is a
// character of its own in every code page (no lead byte of a double-byte
// code page is below 0x81): that answer needs no call.
std::size_t MultiByteCharLength(const std::string& text, std::size_t pos);
inline std::size_t CharLength(const std::string& text, std::size_t pos) {
  if (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) return 1;
  return MultiByteCharLength(text, pos);
}

// Position of the first byte of the last character of text that is one of the
// single-byte characters in delimiters; std::string::npos when none. A trail
// byte never counts, even when its value is that of "\\".
std::size_t LastDelimiter(const std::string& delimiters, const std::string& text);

// The last whole character of text (one or two bytes in Shift_JIS); empty for
// empty text.
std::string LastCharacter(const std::string& text);

// Case conversion of the system (CharLowerBuffA / CharUpperBuffA): ASCII
// letters and, in Shift_JIS, the full-width Latin, Greek and Cyrillic letters.
// Other characters, multi-byte ones included, stay intact.
std::string AnsiLowerCase(const std::string& text);
std::string AnsiUpperCase(const std::string& text);

// Locale-aware case-blind comparison (CompareStringA, NORM_IGNORECASE):
// negative, zero or positive.
int AnsiCompareText(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);

// Case-blind substring search: both texts upper-cased, then needle searched
// in haystack at character boundaries.
bool AnsiContainsText(const std::string& haystack, const std::string& needle);

// Converts UTF-16 text to the narrow code page (WideCharToMultiByte, CP_ACP);
// characters without a narrow form become "?".
std::string WideToNarrow(const std::u16string& text);

// Converts narrow text of the code page to UTF-16 (MultiByteToWideChar,
// CP_ACP). A byte that begins no character of the code page (a lone lead
// byte, a broken sequence) becomes U+FFFD and the text after it is read on
// from the next byte; the result is false when that happened.
bool NarrowToWide(const std::string& text, std::u16string& wide);

// Appends one Unicode code point to out, encoded as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Reads the UTF-8 character at text (size bytes left) into codePoint and
// returns its length in bytes; 0, with codePoint unspecified, when the bytes
// there are no well-formed UTF-8: a stray continuation byte, a sequence cut
// short, an overlong form, a surrogate or a value beyond U+10FFFF.
std::size_t DecodeUtf8(const char* text, std::size_t size, char32_t& codePoint);

// Reads the UTF-16 character at text (size units left, at least one) into
// codePoint and returns the units it takes: 2 for a surrogate pair, else 1.
// Half a pair stands alone: codePoint is the surrogate itself, for the caller
// to replace.
std::size_t DecodeUtf16(const char16_t* text, std::size_t size, char32_t& codePoint);

// Splits text into lines at CR LF, a lone CR or a lone LF. Text after the last
// line end forms a last line; a line end at the very end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

// Removes leading and trailing blanks and control characters (bytes <= 0x20).
std::string TrimText(const std::string& text);

}  // namespace platform
