#include "ScanTestSupport.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace scantest {

std::string ScanProgram() {
  return platform::JoinPath(platform::ExtractFilePath(platform::ExecutablePath()),
                            std::string("mokurena-scan") + MOKURENA_EXE_SUFFIX);
}

std::vector<std::string> OutputLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

const Json& Json::operator[](const std::string& key) const {
  auto found = members.find(key);
  if (found == members.end()) throw std::out_of_range("no member " + key);
  return found->second;
}

namespace {

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  bool Document(Json& value) {
    Blanks();
    if (!Value(value, 0)) return false;
    Blanks();
    return at_ == text_.size() || Fail("text after the value");
  }
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& why) {
    if (error_.empty()) error_ = why + " at byte " + std::to_string(at_);
    return false;
  }
  void Blanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool Literal(const char* word) {
    const std::string w = word;
    if (text_.compare(at_, w.size(), w) != 0) return Fail("unknown literal");
    at_ += w.size();
    return true;
  }
  bool Value(Json& value, int depth) {
    if (depth > 64) return Fail("too deep");
    if (at_ >= text_.size()) return Fail("value expected");
    const char c = text_[at_];
    if (c == '{') return Object(value, depth);
    if (c == '[') return Array(value, depth);
    if (c == '"') {
      value.type = Json::Type::String;
      return String(value.text);
    }
    if (c == 't' || c == 'f') {
      value.type = Json::Type::Boolean;
      value.boolean = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') return Literal("null");
    return Number(value);
  }
  bool Number(Json& value) {
    const std::size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (at_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[at_]))) return Fail("bad number");
    if (text_[at_] == '0' && at_ + 1 < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_ + 1])))
      return Fail("leading zero");
    while (at_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[at_])) || text_[at_] == '.' ||
                                  text_[at_] == 'e' || text_[at_] == 'E' || text_[at_] == '+' || text_[at_] == '-'))
      ++at_;
    value.type = Json::Type::Number;
    value.number = std::strtod(text_.substr(start, at_ - start).c_str(), nullptr);
    return true;
  }
  bool Array(Json& value, int depth) {
    value.type = Json::Type::Array;
    ++at_;
    Blanks();
    if (at_ < text_.size() && text_[at_] == ']') return ++at_, true;
    for (;;) {
      Json item;
      Blanks();
      if (!Value(item, depth + 1)) return false;
      value.items.push_back(item);
      Blanks();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == ']') return ++at_, true;
      return Fail("',' or ']' expected");
    }
  }
  bool Object(Json& value, int depth) {
    value.type = Json::Type::Object;
    ++at_;
    Blanks();
    if (at_ < text_.size() && text_[at_] == '}') return ++at_, true;
    for (;;) {
      Blanks();
      std::string key;
      if (at_ >= text_.size() || text_[at_] != '"' || !String(key)) return Fail("key expected");
      Blanks();
      if (at_ >= text_.size() || text_[at_] != ':') return Fail("':' expected");
      ++at_;
      Blanks();
      Json member;
      if (!Value(member, depth + 1)) return false;
      value.keys.push_back(key);
      value.members[key] = member;
      Blanks();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == '}') return ++at_, true;
      return Fail("',' or '}' expected");
    }
  }
  bool Hex4(unsigned long& value) {
    if (text_.size() - at_ < 4) return Fail("short \\u escape");
    value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      value <<= 4;
      if (c >= '0' && c <= '9')
        value |= c - '0';
      else if (c >= 'a' && c <= 'f')
        value |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        value |= c - 'A' + 10;
      else
        return Fail("bad \\u escape");
    }
    return true;
  }
  // Length of the well-formed UTF-8 character at at_, 0 for none.
  std::size_t Utf8Char() const {
    const unsigned char c = static_cast<unsigned char>(text_[at_]);
    std::size_t length = c < 0x80                 ? 1
                         : c >= 0xC2 && c <= 0xDF ? 2
                         : c >= 0xE0 && c <= 0xEF ? 3
                         : c >= 0xF0 && c <= 0xF4 ? 4
                                                  : 0;
    if (length == 0 || text_.size() - at_ < length) return 0;
    unsigned long cp = length == 1 ? c : c & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
      const unsigned char t = static_cast<unsigned char>(text_[at_ + i]);
      if ((t & 0xC0) != 0x80) return 0;
      cp = (cp << 6) | (t & 0x3F);
    }
    static const unsigned long kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
  }
  bool String(std::string& out) {
    ++at_;
    out.clear();
    while (at_ < text_.size()) {
      const unsigned char c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') return ++at_, true;
      if (c < 0x20) return Fail("raw control character in a string");
      if (c != '\\') {
        const std::size_t length = Utf8Char();
        if (length == 0) return Fail("malformed UTF-8");
        out.append(text_, at_, length);
        at_ += length;
        continue;
      }
      if (++at_ >= text_.size()) break;
      const char e = text_[at_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned long cp = 0;
          if (!Hex4(cp)) return false;
          if (cp >= 0xDC00 && cp <= 0xDFFF) return Fail("lone low surrogate");
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            unsigned long low = 0;
            if (text_.compare(at_, 2, "\\u") != 0) return Fail("lone high surrogate");
            at_ += 2;
            if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) return Fail("bad surrogate pair");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          platform::AppendUtf8(out, static_cast<char32_t>(cp));
          break;
        }
        default: return Fail("unknown escape");
      }
    }
    return Fail("unterminated string");
  }

  const std::string& text_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace

bool ParseJson(const std::string& text, Json& value, std::string& error) {
  value = Json();
  Reader reader(text);
  const bool ok = reader.Document(value);
  error = reader.Error();
  return ok;
}

}  // namespace scantest
