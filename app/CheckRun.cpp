#include "app/CheckRun.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/CodePage.h"

namespace app {

namespace {

// Length of the character at pos, at least one byte, never past the end.
std::size_t CharLengthAt(const std::string& text, std::size_t pos) {
  std::size_t length = platform::CharLength(text, pos);
  if (length == 0) length = 1;
  return std::min(length, text.size() - pos);
}

// The text after the last "." of name when no "\" or ":" follows it, as it is
// written (no case conversion).
std::string NameExtension(const std::string& name) {
  std::size_t pos = platform::LastDelimiter(".\\:", name);
  if (pos == std::string::npos || name[pos] != '.') return std::string();
  return name.substr(pos + 1);
}

bool IsControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

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

std::string MemberName(const archives::TMemberInfo& info) {
  const char* field = info.FileName;
  const void* nul = std::memchr(field, '\0', archives::kMemberPathSize);
  std::size_t length = nul == nullptr ? archives::kMemberPathSize
                                      : static_cast<const char*>(nul) - field;
  return std::string(field, length);
}

std::string MemberExtension(const std::string& name) {
  return platform::AnsiLowerCase(NameExtension(name));
}

std::string StripTrailingDotsAndBlanks(const std::string& name) {
  // One pass forward, character by character: the end of the last character
  // that is neither "." nor " ".
  std::size_t keepEnd = 0;
  std::size_t pos = 0;
  while (pos < name.size()) {
    std::size_t length = CharLengthAt(name, pos);
    if (!(length == 1 && (name[pos] == '.' || name[pos] == ' '))) keepEnd = pos + length;
    pos += length;
  }
  return name.substr(0, keepEnd);
}

std::string MemberExtensionAsExtracted(const std::string& name) {
  return MemberExtension(StripTrailingDotsAndBlanks(name));
}

int IndexInList(const std::string& text, const StringList& list) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == text) return static_cast<int>(i);
  }
  return -1;
}

bool HasWatchedMember(const StringList& members, const StringList& watch) {
  if (watch.empty()) return false;
  const std::unordered_set<std::string> watched(watch.begin(), watch.end());
  for (const std::string& member : members) {
    if (watched.count(MemberExtensionAsExtracted(member)) != 0) return true;
  }
  return false;
}

StringList BuildReportLines(const StringList& members, const StringList& watch) {
  // Every line of a member is the same text, once per matching entry, so the
  // count of matching entries is all that the watch list contributes. It is
  // counted once per distinct extension.
  std::unordered_map<std::string, std::size_t> matchCount;
  StringList lines;
  for (const std::string& member : members) {
    const std::string ext = MemberExtensionAsExtracted(member);
    auto found = matchCount.find(ext);
    if (found == matchCount.end()) {
      std::size_t count = 0;
      for (const std::string& entry : watch) {
        if (platform::AnsiSameText(ext, entry)) ++count;
      }
      found = matchCount.emplace(ext, count).first;
    }
    if (found->second == 0) continue;
    const std::string line = "[ " + EscapeForDisplay(ext) + " ] " + EscapeForDisplay(member);
    lines.insert(lines.end(), found->second, line);
  }
  return lines;
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
    if (whole) {
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
  if (index >= 0 && static_cast<std::size_t>(index) < paths.size() &&
      usable(paths[static_cast<std::size_t>(index)])) {
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
