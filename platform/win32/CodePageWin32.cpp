// Code page helpers for Win32: the system's own calls in the ANSI code page.
#include "platform/CodePage.h"

#include <windows.h>

#include <vector>

namespace platform {

CodePage ActiveCodePage() {
  switch (GetACP()) {
    case 932: return CodePage::Cp932;
    case CP_UTF8: return CodePage::Utf8;
    default: return CodePage::SingleByte;
  }
}

void OverrideCodePage(CodePage) {}

void ClearCodePageOverride() {}

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

std::string AnsiLowerCase(const std::string& text) {
  std::string result = text;
  if (!result.empty()) CharLowerBuffA(&result[0], static_cast<DWORD>(result.size()));
  return result;
}

std::string AnsiUpperCase(const std::string& text) {
  std::string result = text;
  if (!result.empty()) CharUpperBuffA(&result[0], static_cast<DWORD>(result.size()));
  return result;
}

int AnsiCompareText(const std::string& a, const std::string& b) {
  const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                               static_cast<int>(b.size()));
  // CSTR_LESS_THAN = 1, CSTR_EQUAL = 2, CSTR_GREATER_THAN = 3; 0 on failure,
  // which only invalid arguments cause.
  return r == 0 ? 0 : r - 2;
}

// WC_NO_BEST_FIT_CHARS: a character without its own narrow form becomes "?"
// instead of a look-alike (U+00A5 would otherwise come out as "\").
std::string WideToNarrow(const std::u16string& text) {
  if (text.empty()) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::vector<char> buffer(static_cast<std::size_t>(needed));
  const int written =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, buffer.data(), needed, nullptr, nullptr);
  return std::string(buffer.data(), static_cast<std::size_t>(written > 0 ? written : 0));
}

bool NarrowToWide(const std::string& text, std::u16string& wide) {
  wide.clear();
  if (text.empty()) return true;
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (needed > 0) {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(needed));
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, buffer.data(), needed);
    wide.assign(buffer.begin(), buffer.end());
    return true;
  }
  // Some byte begins no character: one character at a time.
  bool whole = true;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t size = CharLength(text, pos);
    wchar_t buffer[4];
    const int got =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data() + pos, static_cast<int>(size), buffer, 4);
    if (got <= 0) {
      wide.push_back(u'\uFFFD');
      whole = false;
      ++pos;
      continue;
    }
    wide.append(buffer, buffer + got);
    pos += size;
  }
  return whole;
}

}  // namespace platform
