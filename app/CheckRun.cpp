#include "app/CheckRun.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/CodePage.h"

namespace app {

namespace {

// Length of the character at pos, at least one byte, never past the end.
inline std::size_t CharLengthAt(const std::string& text, std::size_t pos) {
  std::size_t length = platform::CharLength(text, pos);
  if (length == 0) length = 1;
  return std::min(length, text.size() - pos);
}

bool IsNameDelimiter(char c) { return c == '.' || c == '\\' || c == ':'; }

// The text after the last "." of name's first length bytes when no "\" or
// ":" follows it, as it is written (no case conversion).
std::string WrittenExtension(const std::string& name, std::size_t length) {
  // Every member passes here, and most names end in ASCII: read back from
  // the end over ASCII bytes to a delimiter. It starts a character when the
  // byte before it is ASCII too, since no code page's lead byte is ASCII;
  // the bytes after it are then single characters.
  std::size_t pos = length;
  for (; pos > 0; --pos) {
    const char c = name[pos - 1];
    if (static_cast<unsigned char>(c) >= 0x80) break;
    if (!IsNameDelimiter(c)) continue;
    if (pos > 1 && static_cast<unsigned char>(name[pos - 2]) >= 0x80) break;
    return c == '.' ? name.substr(pos, length - pos) : std::string();
  }
  if (pos == 0) return std::string();  // ASCII without a delimiter
  // Otherwise the characters are walked from the start, so that a trail
  // byte is never taken for a delimiter.
  std::size_t delimiter = std::string::npos;
  for (pos = 0; pos < length;) {
    const std::size_t charLength = CharLengthAt(name, pos);
    if (charLength == 1 && IsNameDelimiter(name[pos])) delimiter = pos;
    pos += charLength;
  }
  if (delimiter == std::string::npos || name[delimiter] != '.') return std::string();
  return name.substr(delimiter + 1, std::min(pos, length) - delimiter - 1);
}

constexpr char kDataStream[] = "::$DATA";
constexpr std::size_t kDataStreamLength = sizeof kDataStream - 1;

// Whether the bytes before end close with "::$DATA", letters in any case.
// Past its first byte none can be the second byte of a double-byte
// character; the caller checks that the first starts a character.
bool EndsInDataStream(const std::string& name, std::size_t end) {
  if (end < kDataStreamLength) return false;
  for (std::size_t i = 0; i < kDataStreamLength; ++i) {
    char c = name[end - kDataStreamLength + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kDataStream[i]) return false;
  }
  return true;
}

// The length of name as Windows creates the file it names (NameAsCreated).
std::size_t CreatedNameLength(const std::string& name) {
  // Most names end in none of what Windows drops: no walk for them.
  if (name.empty() || (name.back() != '.' && name.back() != ' ' && !EndsInDataStream(name, name.size()))) {
    return name.size();
  }
  // Where each character starts, so that a trail byte with the value of
  // "\" is never taken for one.
  std::vector<std::size_t> starts;
  for (std::size_t pos = 0; pos < name.size(); pos += CharLengthAt(name, pos)) starts.push_back(pos);
  starts.push_back(name.size());
  std::size_t count = starts.size() - 1;  // characters kept
  const auto is = [&](std::size_t k, char c) { return starts[k + 1] - starts[k] == 1 && name[starts[k]] == c; };
  const auto isSeparator = [&](std::size_t k) { return is(k, '\\') || is(k, '/'); };
  for (;;) {
    const std::size_t end = starts[count];
    if (count >= 2 && is(count - 1, '.') && isSeparator(count - 2)) {
      count -= 2;  // a final "." component names the folder before it
    } else if (count >= kDataStreamLength && starts[count - kDataStreamLength] == end - kDataStreamLength &&
               EndsInDataStream(name, end)) {
      count -= kDataStreamLength;  // the main data stream is the file itself
    } else if (count > 0 && (is(count - 1, '.') || is(count - 1, ' '))) {
      // A final ".." names the folder above: nothing more is dropped.
      const bool parent =
          count >= 2 && is(count - 1, '.') && is(count - 2, '.') && (count == 2 || isSeparator(count - 3));
      if (parent) break;
      --count;
    } else {
      break;
    }
  }
  return starts[count];
}

std::string NameExtension(const std::string& name) { return WrittenExtension(name, name.size()); }

bool IsControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The bidirectional controls U+202A-U+202E and U+2066-U+2069 in UTF-8: they
// would show the rest of a line reversed ("evil\u202Etxt.exe" as
// "evilexe.txt"). 0 when the character at pos is none of them.
char32_t BidiControlAt(const std::string& text, std::size_t pos, std::size_t length) {
  char32_t c = 0;
  if (length != 3 || platform::DecodeUtf8(text.data() + pos, length, c) != 3) return 0;
  return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ? c : 0;
}

void AppendEscaped(unsigned char c, std::string& out) {
  switch (c) {
    case '\r': out += "<CR>"; return;
    case '\n': out += "<LF>"; return;
    case '\t': out += "<TAB>"; return;
    default: break;
  }
  static const char kHex[] = "0123456789ABCDEF";
  out += '<';
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
  out += '>';
}

}  // namespace

namespace {

// Length of the member path of a record: up to its first NUL, or all 513 bytes.
std::size_t MemberNameLength(const archives::TMemberInfo& info) {
  const void* nul = std::memchr(info.FileName, '\0', archives::kMemberPathSize);
  return nul == nullptr ? archives::kMemberPathSize : static_cast<const char*>(nul) - info.FileName;
}

}  // namespace

std::string MemberName(const archives::TMemberInfo& info) { return std::string(info.FileName, MemberNameLength(info)); }

std::string MemberExtension(const std::string& name) { return platform::AnsiLowerCase(NameExtension(name)); }

std::string NameAsCreated(const std::string& name) { return name.substr(0, CreatedNameLength(name)); }

std::string MemberExtensionAsExtracted(const std::string& name) {
  return platform::AnsiLowerCase(WrittenExtension(name, CreatedNameLength(name)));
}

int IndexInList(const std::string& text, const StringList& list) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == text) return static_cast<int>(i);
  }
  return -1;
}

bool HasWatchedMember(const StringList& members, const StringList& watch) {
  MemberCheck check(watch);
  for (const std::string& member : members) {
    check.Add(member);
    if (check.HasWatchedMember()) return true;
  }
  return false;
}

StringList BuildReportLines(const StringList& members, const StringList& watch) {
  MemberCheck check(watch);
  for (const std::string& member : members) check.Add(member);
  return check.ReportLines();
}

std::string ReportLine(const std::string& extension, const std::string& member) {
  return "[ " + EscapeForDisplay(extension) + " ] " + EscapeForDisplay(member);
}

MemberCheck::MemberCheck(StringList watch) : watch_(std::move(watch)), exact_(watch_.begin(), watch_.end()) {}

MemberCheck::Verdict MemberCheck::Judge(const std::string& extension) {
  Verdict verdict;
  // Every line of a member is the same text, once per matching entry, so the
  // count of matching entries is all that the watch list contributes.
  for (const std::string& entry : watch_) {
    if (platform::AnsiSameText(extension, entry)) ++verdict.lines;
  }
  // Equal bytes are equal without regard to case too: only an extension
  // with lines can equal an entry byte for byte.
  verdict.watched = verdict.lines > 0 && exact_.count(extension) != 0;
  return verdict;
}

void MemberCheck::Add(const std::string& member) {
  ++memberCount_;
  if (watch_.empty()) return;
  std::string extension = MemberExtensionAsExtracted(member);
  const Verdict verdict = Judge(extension);
  if (verdict.watched) watched_ = true;
  if (verdict.lines > 0) reported_.push_back({member, std::move(extension), verdict.lines});
}

void MemberCheck::Add(const archives::TMemberInfo& info) {
  name_.assign(info.FileName, MemberNameLength(info));
  Add(name_);
}

StringList MemberCheck::ReportLines() const {
  StringList lines;
  for (const ReportedMember& reported : reported_) {
    lines.insert(lines.end(), reported.lines, ReportLine(reported.extension, reported.member));
  }
  return lines;
}

int ListMembersInto(archives::TArchiveFile& archive, MemberCheck& check, std::vector<std::string>* names) {
  // The record is 598 bytes, members are many: one serves them all.
  const auto info = std::make_unique<archives::TMemberInfo>();
  int found = archive.FindFirst("*.*", *info);
  for (; found == 0; found = archive.FindNext(*info)) {
    check.Add(*info);
    if (names) names->push_back(MemberName(*info));
  }
  return found;
}

std::string EscapeForDisplay(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    const std::size_t length = CharLengthAt(text, pos);
    bool whole = true;
    if (length == 1) {
      whole = !IsControlByte(c) && !platform::IsLeadByte(c);
    } else {
      for (std::size_t i = 1; i < length; ++i) {
        if (IsControlByte(static_cast<unsigned char>(text[pos + i]))) whole = false;
      }
    }
    if (const char32_t bidi = whole ? BidiControlAt(text, pos, length) : 0) {
      static const char kHex[] = "0123456789ABCDEF";
      out += "<U+";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(bidi >> shift) & 0xF];
      out += '>';
      pos += length;
    } else if (whole) {
      out.append(text, pos, length);
      pos += length;
    } else {
      // Only the first byte is shown escaped; the rest is looked at again.
      AppendEscaped(c, out);
      ++pos;
    }
  }
  return out;
}

std::string ReportMessageText(const std::string& path) {
  const std::size_t delimiter = platform::LastDelimiter("\\:", path);
  const std::size_t nameStart = delimiter == std::string::npos ? 0 : delimiter + 1;
  std::string text;
  text += path.substr(nameStart);
  text += "\r\n";
  text += "（";
  text += path.substr(0, nameStart);
  text += "）";
  text += "\r\n";
  text += " の中に監視対象の拡張子を持つファイルを発見しました。";
  text += "処理を中断しますか？";
  return text;
}

int ArchiverIndexFor(const std::string& path) {
  const std::string ext = NameExtension(path);
  if (ext.empty()) return 0;
  for (std::size_t i = 0; i < settings::kArchiveTypeCount; ++i) {
    if (platform::AnsiSameText(ext, settings::kArchiveTypeExtensions[i])) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

std::string ChooseArchiverProgram(const settings::ArchiverPaths& paths, int index,
                                  const FileExistsFunction& fileExists) {
  auto usable = [&](const std::string& path) { return !path.empty() && fileExists(path); };
  if (index >= 0 && static_cast<std::size_t>(index) < paths.size() && usable(paths[static_cast<std::size_t>(index)])) {
    return paths[static_cast<std::size_t>(index)];
  }
  if (usable(paths[0])) return paths[0];
  return std::string();
}

std::string QuoteArchiveArgument(const std::string& path) {
  std::string quoted = "\"";
  for (char c : path) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  quoted += '"';
  return quoted;
}

std::string UnquoteCommandLineArgument(const std::string& arg) {
  if (arg.empty() || arg[0] != '"') return arg;
  std::string inner;
  std::size_t pos = 1;
  while (pos < arg.size()) {
    if (arg[pos] == '"') {
      if (pos + 1 < arg.size() && arg[pos + 1] == '"') {
        inner += '"';
        pos += 2;
        continue;
      }
      break;  // the closing quote
    }
    const std::size_t length = CharLengthAt(arg, pos);
    inner.append(arg, pos, length);
    pos += length;
  }
  return inner.empty() ? arg : inner;
}

}  // namespace app
