#include "testlibs/standin_fixture.h"

#include <cstdio>
#include <limits>

namespace standin {

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal or "0x" hex, no sign, at most max.
bool ParseUnsigned(const std::string& token, std::uint64_t max, std::uint64_t& value) {
  std::uint64_t base = 10;
  std::size_t pos = 0;
  if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    base = 16;
    pos = 2;
  }
  if (pos >= token.size()) return false;
  std::uint64_t result = 0;
  for (; pos < token.size(); ++pos) {
    int digit = HexDigitValue(token[pos]);
    if (digit < 0 || static_cast<std::uint64_t>(digit) >= base) return false;
    if (result > (max - static_cast<std::uint64_t>(digit)) / base) return false;
    result = result * base + static_cast<std::uint64_t>(digit);
  }
  value = result;
  return true;
}

bool ParseSigned32(const std::string& token, std::int32_t& value) {
  bool negative = !token.empty() && token[0] == '-';
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  if (!ParseUnsigned(negative ? token.substr(1) : token, limit, magnitude)) return false;
  value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                   : static_cast<std::int32_t>(magnitude);
  return true;
}

template <typename T>
bool ParseField(const std::string& token, T& value) {
  std::uint64_t parsed = 0;
  if (!ParseUnsigned(token, std::numeric_limits<T>::max(), parsed)) return false;
  value = static_cast<T>(parsed);
  return true;
}

bool ParseOptional64(const std::string& token, std::optional<std::uint64_t>& value) {
  std::uint64_t parsed = 0;
  if (!ParseUnsigned(token, std::numeric_limits<std::uint64_t>::max(), parsed)) return false;
  value = parsed;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> SplitTokens(const std::string& line) {
  std::vector<std::string> tokens;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    std::size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos])) ++pos;
    if (pos > start) tokens.push_back(line.substr(start, pos - start));
  }
  return tokens;
}

bool ParseText(const std::string& token, std::string& text) {
  return DecodeFixtureToken(token, text) && text.size() <= kMaxAttributeBytes;
}

bool ParseMemberField(const std::string& key, const std::string& value, FixtureMember& m) {
  if (key == "size") return ParseField(value, m.size);
  if (key == "packed") return ParseField(value, m.packed);
  if (key == "crc") return ParseField(value, m.crc);
  if (key == "flag") return ParseField(value, m.flag);
  if (key == "os") return ParseField(value, m.os);
  if (key == "ratio") return ParseField(value, m.ratio);
  if (key == "date") return ParseField(value, m.date);
  if (key == "time") return ParseField(value, m.time);
  if (key == "wtime") return ParseOptional64(value, m.wtime);
  if (key == "atime") return ParseOptional64(value, m.atime);
  if (key == "ctime") return ParseOptional64(value, m.ctime);
  if (key == "size64") return ParseOptional64(value, m.size64);
  if (key == "packed64") return ParseOptional64(value, m.packed64);
  if (key == "attr") return ParseText(value, m.attr);
  if (key == "method") return ParseText(value, m.method);
  return false;
}

bool ParseMember(const std::vector<std::string>& tokens, FixtureMember& member) {
  if (tokens.size() < 2) return false;
  if (!DecodeFixtureToken(tokens[1], member.name)) return false;
  if (member.name.empty() || member.name.size() > kMaxMemberNameBytes) return false;

  std::vector<std::string> seen;
  for (std::size_t i = 2; i < tokens.size(); ++i) {
    const std::string& token = tokens[i];
    std::size_t equals = token.find('=');
    if (equals == std::string::npos || equals == 0) return false;
    std::string key = token.substr(0, equals);
    std::string value = token.substr(equals + 1);
    for (const std::string& earlier : seen) {
      if (earlier == key) return false;
    }
    seen.push_back(key);

    if (!ParseMemberField(key, value, member)) return false;
  }
  return true;
}

// One directive line, already split into tokens (at least one).
bool ParseDirective(const std::vector<std::string>& tokens, Fixture& fixture, std::vector<std::string>& seenOnce) {
  const std::string& word = tokens[0];
  if (word == "member") {
    FixtureMember member;
    if (!ParseMember(tokens, member)) return false;
    fixture.members.push_back(std::move(member));
    return true;
  }
  if (word == "accept") {
    if (tokens.size() < 2) return false;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
      std::string tag;
      if (!DecodeFixtureToken(tokens[i], tag)) return false;
      fixture.accept.push_back(tag);
    }
    return true;
  }

  // The remaining directives may appear once each.
  for (const std::string& earlier : seenOnce) {
    if (earlier == word) return false;
  }
  seenOnce.push_back(word);

  if (word == "tartype") {
    return tokens.size() == 2 && ParseSigned32(tokens[1], fixture.tarType);
  }
  if (word == "open" && tokens.size() == 2 && (tokens[1] == "stall" || tokens[1] == "crash")) {
    (tokens[1] == "stall" ? fixture.openStalls : fixture.openCrashes) = true;
    return true;
  }
  if (word == "open" && tokens.size() == 3 && tokens[1] == "grow") {
    return ParseField(tokens[2], fixture.openGrowsMiB) && fixture.openGrowsMiB > 0;
  }
  if (word == "open" || word == "check") {
    if (tokens.size() != 2 || tokens[1] != "fail") return false;
    (word == "open" ? fixture.openFails : fixture.checkFails) = true;
    return true;
  }
  if (word == "password") {
    std::string password;
    if (tokens.size() != 2 || !DecodeFixtureToken(tokens[1], password)) return false;
    if (password.find('\0') != std::string::npos) return false;
    fixture.password = password;
    return true;
  }
  if (word == "failat") {
    if (tokens.size() != 2 && tokens.size() != 3) return false;
    if (!ParseField(tokens[1], fixture.failAt) || fixture.failAt == 0) return false;
    return tokens.size() == 2 || ParseSigned32(tokens[2], fixture.failCode);
  }
  return false;
}

}  // namespace

bool Fixture::Accepts(const std::string& tag) const {
  for (const std::string& accepted : accept) {
    if (accepted == tag) return true;
  }
  return false;
}

bool DecodeFixtureToken(const std::string& token, std::string& bytes) {
  bytes.clear();
  for (std::size_t i = 0; i < token.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(token[i]);
    if (c == '\\') {
      if (i + 1 < token.size() && token[i + 1] == '\\') {
        bytes += '\\';
        i += 1;
        continue;
      }
      if (i + 3 >= token.size()) return false;  // needs x and two digits
      if (token[i + 1] != 'x') return false;
      int high = HexDigitValue(token[i + 2]);
      int low = HexDigitValue(token[i + 3]);
      if (high < 0 || low < 0) return false;
      bytes += static_cast<char>(high * 16 + low);
      i += 3;
      continue;
    }
    if (c <= 0x20 || c == 0x7F) return false;
    bytes += static_cast<char>(c);
  }
  return true;
}

std::string EncodeFixtureToken(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string token;
  for (unsigned char c : bytes) {
    if (c <= 0x20 || c >= 0x7F || c == '\\') {
      token += "\\x";
      token += kHex[c >> 4];
      token += kHex[c & 0x0F];
    } else {
      token += static_cast<char>(c);
    }
  }
  return token;
}

std::optional<Fixture> ParseFixture(const std::string& bytes) {
  if (bytes.size() > kMaxFixtureBytes) return std::nullopt;
  Fixture fixture;
  std::vector<std::string> seenOnce;
  bool first = true;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();

    if (first) {
      if (line != kFixtureHeader) return std::nullopt;
      first = false;
      continue;
    }
    std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.empty() || tokens[0][0] == '#') continue;
    if (!ParseDirective(tokens, fixture, seenOnce)) return std::nullopt;
  }
  if (first) return std::nullopt;  // empty input
  return fixture;
}

std::optional<Fixture> ReadFixtureFile(const char* path) {
  if (path == nullptr || *path == '\0') return std::nullopt;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  bool failed = false;
  for (;;) {
    std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    bytes.append(chunk, got);
    if (bytes.size() > kMaxFixtureBytes) {
      failed = true;
      break;
    }
    if (got < sizeof chunk) {
      failed = std::ferror(file) != 0;  // a folder reads as an error on POSIX
      break;
    }
  }
  std::fclose(file);
  if (failed) return std::nullopt;
  return ParseFixture(bytes);
}

}  // namespace standin
