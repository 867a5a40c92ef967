#include "testlibs/standin_text.h"

#include <cstdio>
#include <cstring>

namespace standin {

const char* const kNullTextField = "\\N";

std::string NullText() { return std::string(1, '\0'); }

namespace {

const char kHexUpper[] = "0123456789ABCDEF";
const char kHexLower[] = "0123456789abcdef";

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string EscapeField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHexUpper[c >> 4];
          out += kHexUpper[c & 0x0F];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

std::string EscapeTextArgument(const char* text) {
  if (text == nullptr) return kNullTextField;
  return EscapeField(std::string(text, std::strlen(text)));
}

bool UnescapeField(const std::string& field, std::string& text) {
  if (field == kNullTextField) {
    text = NullText();
    return true;
  }
  text.clear();
  for (std::size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c != '\\') {
      text += c;
      continue;
    }
    if (i + 1 >= field.size()) return false;
    char kind = field[++i];
    switch (kind) {
      case 't': text += '\t'; break;
      case 'n': text += '\n'; break;
      case 'r': text += '\r'; break;
      case '\\': text += '\\'; break;
      case 'x': {
        if (i + 2 >= field.size()) return false;
        int high = HexDigitValue(field[i + 1]);
        int low = HexDigitValue(field[i + 2]);
        if (high < 0 || low < 0) return false;
        text += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return true;
}

std::string HexField(std::uint64_t value) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = kHexLower[value & 0x0F];
    value >>= 4;
  } while (value != 0);
  std::string out = "0x";
  while (count > 0) out += digits[--count];
  return out;
}

std::string PointerField(const void* pointer) {
  if (pointer == nullptr) return "0";
  return HexField(reinterpret_cast<std::uintptr_t>(pointer));
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    if (tab == std::string::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

bool AppendLine(const std::string& path, const std::string& line) {
  if (path.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return false;
  std::string bytes = line + "\n";
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0) written = false;
  return written;
}

}  // namespace standin
