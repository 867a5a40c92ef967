#include "app/scan/ScanCommand.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "archives/ARCHIVES.h"
#include "archives/ArchiverErrors.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "settings/ConfigRules.h"

namespace scan {

const char kStdinMarker[] = "-";
const char kNotOpenedMessage[] = "書庫が破損しているか対応していない形式です。";
const char kNoSuchFileMessage[] = "no such file";

namespace {

bool TakesValue(const std::string& option) {
  return option == "--watch" || option == "--ext" || option == "--libraries";
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, Options& options, std::string& error) {
  options = Options();
  bool stdinAsked = false;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == kStdinMarker) {
      options.archives.push_back(arg);
      continue;
    }
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    const std::size_t equals = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      hasValue = true;
    }
    if (TakesValue(name)) {
      if (!hasValue) {
        if (i + 1 >= args.size()) {
          error = name + " needs a value";
          return false;
        }
        value = args[++i];
      }
      if (name == "--watch") {
        options.watchFile = value;
      } else if (name == "--ext") {
        options.extensionsGiven = true;
        const app::StringList more = ParseExtensionList(value);
        options.extensions.insert(options.extensions.end(), more.begin(), more.end());
      } else {
        options.libraries = value;
      }
      continue;
    }
    if (hasValue) {
      error = "option " + name + " takes no value";
      return false;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--stdin") {
      stdinAsked = true;
    } else if (arg == "-0" || arg == "--null") {
      options.nulSeparated = true;
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  if (stdinAsked) {
    bool present = false;
    for (const std::string& a : options.archives) present = present || a == kStdinMarker;
    if (!present) options.archives.push_back(kStdinMarker);
  }
  if (options.help) return true;
  if (!options.watchFile.empty() && options.extensionsGiven) {
    error = "give either --watch or --ext, not both";
    return false;
  }
  if (options.archives.empty()) {
    error = "no archive given (a path, or \"-\" to read paths from standard input)";
    return false;
  }
  return true;
}

app::StringList ParseExtensionList(const std::string& text) {
  app::StringList list;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string extension = settings::NormalizeAddedExtension(text.substr(start, comma - start));
    if (!extension.empty()) list.push_back(extension);
    start = comma + 1;
  }
  return list;
}

void PathListReader::Feed(const char* data, std::size_t size, std::vector<std::string>& out) {
  const char separator = nulSeparated_ ? '\0' : '\n';
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == separator) {
      Complete(out);
    } else {
      pending_ += data[i];
    }
  }
}

void PathListReader::Finish(std::vector<std::string>& out) { Complete(out); }

void PathListReader::Complete(std::vector<std::string>& out) {
  // A path never ends in CR: a CR LF list is read like an LF one.
  if (!nulSeparated_ && !pending_.empty() && pending_.back() == '\r') pending_.pop_back();
  if (!pending_.empty()) out.push_back(pending_);
  pending_.clear();
}

std::string ListingStoppedMessage(int code) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(code));
  return std::string("the listing stopped with error ") + hex + "; the members after it were not checked";
}

ArchiveResult CheckArchive(const std::string& path, const app::StringList& watch) {
  ArchiveResult result;
  result.path = path;
  app::MemberCheck check(watch);
  try {
    archives::TArchiveFile archive;
    archive.SetFileName(path);
    result.opened = archive.OpenArchive(nullptr, archives::kModeList) == 0;
    // CloseArchive follows every OpenArchive that returned, also when the
    // listing raises.
    struct Closer {
      archives::TArchiveFile& archive;
      ~Closer() {
        try {
          archive.CloseArchive();
        } catch (...) {
        }
      }
    } closer{archive};
    if (result.opened) {
      // The scan has not seen the members after a listing that broke off:
      // that is an error, though the members found before it still count.
      const int found = app::ListMembersInto(archive, check);
      if (found != app::kNoMoreMembers) result.error = ListingStoppedMessage(found);
    }
  } catch (const std::exception& e) {
    result.error = e.what();
    if (result.error.empty()) result.error = "error";
  } catch (...) {
    result.error = "unknown error";
  }
  if (!result.opened && result.error.empty() && !platform::FileExists(path) && !platform::DirectoryExists(path)) {
    // The program would say the archive is damaged; a script is better told.
    result.error = kNoSuchFileMessage;
  }
  result.members = check.MemberCount();
  result.watched = check.HasWatchedMember();
  if (result.watched) result.reported = check.TakeReportedMembers();
  return result;
}

int ExitStatusOf(const ArchiveResult& result) {
  if (!result.error.empty() || !result.opened) return kExitTrouble;
  return result.watched ? kExitWatched : kExitClean;
}

std::vector<std::string> ReportLinesWithPath(const ArchiveResult& result) {
  std::vector<std::string> lines;
  const std::string prefix = app::EscapeForDisplay(result.path) + ": ";
  for (const app::MemberCheck::ReportedMember& reported : result.reported) {
    lines.insert(lines.end(), reported.lines, prefix + app::ReportLine(reported.extension, reported.member));
  }
  return lines;
}

std::string ProblemLine(const ArchiveResult& result) {
  std::string message;
  if (!result.error.empty()) {
    message = result.error;
  } else if (!result.opened) {
    message = kNotOpenedMessage;
  } else {
    return std::string();
  }
  return app::EscapeForDisplay(result.path) + ": " + app::EscapeForDisplay(message);
}

namespace {

// JSON and the hex dumps write lower-case digits.
constexpr char kHexDigits[] = "0123456789abcdef";

void AppendUnicodeEscape(std::string& out, char32_t c) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHexDigits[(c >> shift) & 0xF];
}

}  // namespace

std::string JsonString(const std::string& narrow, bool* whole) {
  std::u16string wide;
  const bool converted = platform::NarrowToWide(narrow, wide);
  if (whole) *whole = converted;
  std::string out = "\"";
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // half a pair is no character
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029) {
          AppendUnicodeEscape(out, c);
        } else {
          platform::AppendUtf8(out, c);
        }
    }
  }
  out += '"';
  return out;
}

std::string HexBytes(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0xF];
  }
  return out;
}

namespace {

// "name":value for a text, with "name_hex" when the text is not whole.
std::string JsonTextField(const char* name, const std::string& text) {
  bool whole = true;
  std::string field = std::string("\"") + name + "\":" + JsonString(text, &whole);
  if (!whole) field += std::string(",\"") + name + "_hex\":\"" + HexBytes(text) + "\"";
  return field;
}

}  // namespace

std::string JsonLine(const ArchiveResult& result) {
  std::string line = "{" + JsonTextField("path", result.path);
  line += std::string(",\"opened\":") + (result.opened ? "true" : "false");
  line += ",\"members\":" + std::to_string(result.members);
  line += std::string(",\"watched\":") + (result.watched ? "true" : "false");
  line += ",\"hits\":[";
  bool first = true;
  for (const app::MemberCheck::ReportedMember& reported : result.reported) {
    const std::string hit =
        "{" + JsonTextField("extension", reported.extension) + "," + JsonTextField("member", reported.member) + "}";
    for (std::size_t n = 0; n < reported.lines; ++n) {
      if (!first) line += ",";
      line += hit;
      first = false;
    }
  }
  line += "]";
  if (!result.error.empty()) line += "," + JsonTextField("error", result.error);
  line += "}";
  return line;
}

std::string UsageText() {
  return "usage: mokurena-scan [OPTION]... ARCHIVE...\n"
         "Checks archives as Mokurena does: lists each archive's members through the\n"
         "archiver libraries and reports the members whose extension is watched.\n"
         "\n"
         "  -               read archive paths from standard input, one per line\n"
         "  --stdin         the same as \"-\" at the end of the archives\n"
         "  -0, --null      paths on standard input end in NUL instead of a line break\n"
         "  --watch FILE    the watch list from FILE (one extension per line) instead of\n"
         "                  \"checklst.ini\" beside this program\n"
         "  --ext LIST      watch these extensions instead: bat,exe,... (dots removed,\n"
         "                  lower-cased)\n"
         "  --libraries DIR look for the archiver libraries in DIR after this program's\n"
         "                  own folder\n"
         "  --json          one JSON object per archive, one per line, in UTF-8\n"
         "  -h, --help      this text\n"
         "\n"
         "Output: one line \"ARCHIVE: [ ext ] member\" per report line; nothing for an\n"
         "archive without watched members. Problems go to standard error.\n"
         "Exit status: 0 no watched member, 1 watched members found, 2 an archive was\n"
         "not opened or an error occurred (the other archives are still checked).\n";
}

std::string DefaultLibraryFolder() {
  const std::string parent = platform::JoinPath(platform::ExtractFilePath(platform::ExecutablePath()), "..");
  const std::string candidates[] = {
      platform::JoinPath(parent, "backends"),
      platform::JoinPath(platform::JoinPath(parent, "lib"), "mokurena"),
  };
  for (const std::string& folder : candidates) {
    if (platform::DirectoryExists(folder)) return folder;
  }
  return std::string();
}

}  // namespace scan
