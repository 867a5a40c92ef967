#include "runtime/Text.h"

#include <windows.h>

namespace runtime {

namespace {

bool IsLead(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

char AccessKeyOf(const std::string& caption) {
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (IsLead(c)) {
      ++i;  // the trail byte is part of this character
      continue;
    }
    if (c != '&') continue;
    if (i + 1 >= caption.size()) return 0;
    const char next = caption[i + 1];
    if (next == '&') {
      ++i;  // "&&" shows one ampersand
      continue;
    }
    if (IsLead(next)) return 0;  // no access key on a double-byte character
    return LowerAscii(next);
  }
  return 0;
}

bool MatchesAccessKey(const std::string& caption, char ch) {
  const char key = AccessKeyOf(caption);
  return key != 0 && key == LowerAscii(ch);
}

std::string FilterToNulSeparated(const std::string& filter) {
  std::string result;
  result.reserve(filter.size() + 2);
  for (std::size_t i = 0; i < filter.size(); ++i) {
    const char c = filter[i];
    if (IsLead(c) && i + 1 < filter.size()) {
      result += c;
      result += filter[++i];
      continue;
    }
    result += (c == '|') ? '\0' : c;
  }
  result += '\0';
  result += '\0';
  return result;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace runtime
