#include "app/scan/ScanCommand.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include "MokurenaVersion.h"
#include "archives/ARCHIVES.h"
#include "archives/ArchiverErrors.h"
#include "archives/StructureDoubt.h"
#include "platform/CodePage.h"
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "platform/LimitedRun.h"
#include "settings/ConfigRules.h"

namespace scan {

const char kStdinMarker[] = "-";
const char kNotOpenedMessage[] = "書庫が破損しているか対応していない形式です。";
const char kNoSuchFileMessage[] = "no such file";
const char kSystemWatchList[] = MOKURENA_SYSTEM_WATCH_LIST;

namespace {

bool TakesValue(const std::string& option) {
  return option == "--watch" || option == "--ext" || option == "--libraries" || option == "--time-limit" ||
         option == "--memory-limit" || option == "--max-expanded" || option == "--max-members";
}

// A limit's value: a whole number, 0 included.
bool ParseLimit(const std::string& text, unsigned& value) {
  if (text.empty() || text.size() > 9) return false;
  unsigned v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  value = v;
  return true;
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
      } else if (name == "--time-limit" || name == "--memory-limit" || name == "--max-expanded" ||
                 name == "--max-members") {
        unsigned& limit = name == "--time-limit"     ? options.timeLimit
                          : name == "--memory-limit" ? options.memoryLimit
                          : name == "--max-expanded" ? options.maxExpanded
                                                     : options.maxMembers;
        if (!ParseLimit(value, limit)) {
          error = name + " needs a whole number (0 for no limit)";
          return false;
        }
      } else if (name == "--ext") {
        options.extensionsGiven = true;
        const app::StringList more = ParseExtensionList(value);
        options.extensions.insert(options.extensions.end(), more.begin(), more.end());
      } else {
        options.libraries = value;
      }
      continue;
    }
    if (name == "--recursive") {
      options.recursive = true;
      if (hasValue && (!ParseLimit(value, options.depth) || options.depth == 0)) {
        error = "--recursive=DEPTH needs a depth of 1 or more";
        return false;
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
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--list") {
      options.list = true;
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
  if (options.help || options.version) return true;
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
  // Our own libraries list every name they find and then say why the
  // archive may hold more than that.
  if (const char* doubt = archives::StructureDoubtMessage(code)) return doubt;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(code));
  return std::string("the listing stopped with error ") + hex + "; the members after it were not checked";
}

const char kNestedEntryName[] = "MokurenaListNested";

std::string NestedResultMessage(int result, const Options& options) {
  switch (result) {
    case 0: return std::string();
    case 1:
      return "archives nest deeper than the depth limit of " + std::to_string(options.depth) +
             " (--recursive=DEPTH); the members below it were not checked";
    case 2:
      return "the archives inside expand past the limit of " + std::to_string(options.maxExpanded) +
             " MiB (--max-expanded); the rest was not checked";
    case 3:
      return "the archives inside hold more members than the limit of " + std::to_string(options.maxMembers) +
             " (--max-members); the rest was not checked";
    case 5: return "the archive could not be read to its end for the archives inside it; they were not checked";
    case 6: return "an archive inside, or a member that may be one, could not be read; its members were not checked";
    default: return "an archive inside can be read in more than one way; extractors disagree on its members";
  }
}

namespace {

struct NestedNames {
  app::MemberCheck& check;
  std::vector<std::string>* names;  // --list, or nullptr
  bool outOfMemory = false;
};

// Called from the library's C entry, which no exception may cross: a name
// that found no memory is remembered and raised again once the entry is back.
void TakeNestedName(void* context, const char* path, std::size_t length) {
  NestedNames& nested = *static_cast<NestedNames*>(context);
  if (nested.outOfMemory) return;
  try {
    const std::string name(path, length);
    nested.check.Add(name);
    if (nested.names) nested.names->push_back(name);
  } catch (const std::bad_alloc&) {
    nested.outOfMemory = true;
  }
}

// The error of the walk through the archives inside path; empty when none.
std::string CheckNested(const std::string& path, const Options& options, NestedNames& names) {
  const platform::LibraryHandle library = platform::LoadDynamicLibrary("TAR32.DLL");
  const NestedEntry entry =
      library ? reinterpret_cast<NestedEntry>(platform::FindEntry(library, kNestedEntryName)) : nullptr;
  std::string error;
  if (!entry) {
    error = "--recursive needs mokurena's own archiver libraries (TAR32.DLL with MokurenaListNested)";
  } else {
    const int result = entry(path.c_str(), options.depth, static_cast<std::uint64_t>(options.maxExpanded) << 20,
                             options.maxMembers, TakeNestedName, &names);
    error = NestedResultMessage(result, options);
  }
  platform::FreeDynamicLibrary(library);
  if (names.outOfMemory) throw std::bad_alloc();
  return error;
}

}  // namespace

ArchiveResult CheckArchive(const std::string& path, const app::StringList& watch, bool listNames,
                           const Options* nested) {
  ArchiveResult result;
  result.path = path;
  result.listed = listNames;
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
      const int found = app::ListMembersInto(archive, check, listNames ? &result.names : nullptr);
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
  if (nested && nested->recursive && result.opened) {
    // The archives inside; their members are judged but not counted.
    result.recursive = true;
    NestedNames names{check, listNames ? &result.names : nullptr};
    try {
      const std::string error = CheckNested(path, *nested, names);
      if (result.error.empty()) result.error = error;
    } catch (const std::exception& e) {
      if (result.error.empty()) result.error = e.what();
    }
  }
  result.watched = check.HasWatchedMember();
  if (result.watched) result.reported = check.TakeReportedMembers();
  return result;
}

std::string TimeLimitMessage(unsigned seconds) {
  return "the check took longer than its time limit of " + std::to_string(seconds) + " s (--time-limit)";
}

std::string MemoryLimitMessage(unsigned mebibytes) {
  return "the check needed more memory than its limit of " + std::to_string(mebibytes) + " MiB (--memory-limit)";
}

namespace {

// The fields of the worker's setup and results, each a frame of its own.
void PutText(std::string& out, const std::string& text) { platform::PutFrame(out, text); }

bool GetText(const std::string& in, std::size_t& at, std::string& text) {
  return platform::GetFrame(in, at, text) == platform::FrameRead::Complete;
}

bool GetNumber(const std::string& in, std::size_t& at, std::size_t& value) {
  std::string text;
  if (!GetText(in, at, text) || text.empty() || text.size() > 19) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return true;
}

}  // namespace

std::string SerializeResult(const ArchiveResult& r) {
  std::string out;
  PutText(out, r.path);
  PutText(out, std::to_string((r.opened ? 1 : 0) | (r.watched ? 2 : 0) | (r.listed ? 4 : 0) | (r.recursive ? 8 : 0)));
  PutText(out, std::to_string(r.members));
  PutText(out, r.error);
  PutText(out, std::to_string(r.names.size()));
  for (const std::string& name : r.names) PutText(out, name);
  PutText(out, std::to_string(r.reported.size()));
  for (const app::MemberCheck::ReportedMember& m : r.reported) {
    PutText(out, m.member);
    PutText(out, m.extension);
    PutText(out, std::to_string(m.lines));
  }
  return out;
}

bool DeserializeResult(const std::string& in, ArchiveResult& r) {
  r = ArchiveResult();
  std::size_t at = 0, flags = 0, count = 0;
  if (!GetText(in, at, r.path) || !GetNumber(in, at, flags) || !GetNumber(in, at, r.members) ||
      !GetText(in, at, r.error) || !GetNumber(in, at, count))
    return false;
  r.opened = (flags & 1) != 0;
  r.watched = (flags & 2) != 0;
  r.listed = (flags & 4) != 0;
  r.recursive = (flags & 8) != 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::string name;
    if (!GetText(in, at, name)) return false;
    r.names.push_back(std::move(name));
  }
  if (!GetNumber(in, at, count)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    app::MemberCheck::ReportedMember m{std::string(), std::string(), 0};
    if (!GetText(in, at, m.member) || !GetText(in, at, m.extension) || !GetNumber(in, at, m.lines)) return false;
    r.reported.push_back(std::move(m));
  }
  return at == in.size();
}

const char kWorkerOption[] = "--check-worker";

namespace {

// What a worker needs to check archives as this process would: the watch
// list, the options that shape a result, the library folder.
struct CheckSetup {
  app::StringList watch;
  Options options;
  std::string libraries;
};

std::string SerializeSetup(const CheckSetup& setup) {
  std::string out;
  PutText(out, setup.libraries);
  PutText(out, std::to_string((setup.options.list ? 1 : 0) | (setup.options.recursive ? 2 : 0)));
  PutText(out, std::to_string(setup.options.depth));
  PutText(out, std::to_string(setup.options.maxExpanded));
  PutText(out, std::to_string(setup.options.maxMembers));
  PutText(out, std::to_string(setup.watch.size()));
  for (const std::string& extension : setup.watch) PutText(out, extension);
  return out;
}

bool DeserializeSetup(const std::string& in, CheckSetup& setup) {
  setup = CheckSetup();
  std::size_t at = 0, flags = 0, depth = 0, expanded = 0, members = 0, count = 0;
  if (!GetText(in, at, setup.libraries) || !GetNumber(in, at, flags) || !GetNumber(in, at, depth) ||
      !GetNumber(in, at, expanded) || !GetNumber(in, at, members) || !GetNumber(in, at, count))
    return false;
  setup.options.list = (flags & 1) != 0;
  setup.options.recursive = (flags & 2) != 0;
  setup.options.depth = static_cast<unsigned>(depth);
  setup.options.maxExpanded = static_cast<unsigned>(expanded);
  setup.options.maxMembers = static_cast<unsigned>(members);
  for (std::size_t i = 0; i < count; ++i) {
    std::string extension;
    if (!GetText(in, at, extension)) return false;
    setup.watch.push_back(std::move(extension));
  }
  return at == in.size();
}

// The worker's side: the first request is the setup, every other one the
// path of an archive, answered with its serialized result.
class CheckServer {
 public:
  std::string operator()(const std::string& request) {
    if (!setup_) {
      setup_ = std::make_shared<CheckSetup>();
      if (!DeserializeSetup(request, *setup_)) throw std::runtime_error("bad setup");
      if (!setup_->libraries.empty()) platform::SetLibrarySearchFolder(setup_->libraries);
      return std::string();
    }
    return SerializeResult(CheckArchive(request, setup_->watch, setup_->options.list, &setup_->options));
  }

 private:
  std::shared_ptr<CheckSetup> setup_;
};

}  // namespace

struct ArchiveChecks::Limited {
  platform::LimitedWorkers workers;
  Limited(const platform::RunLimits& limits, const std::string& setup)
      : workers(limits, setup, CheckServer(), kWorkerOption) {}
};

namespace {

// The result of an archive whose check did not come to an end.
ArchiveResult UnfinishedResult(const std::string& path, platform::RunOutcome outcome, const Options& options) {
  ArchiveResult result;
  result.path = path;
  result.listed = options.list;
  switch (outcome) {
    case platform::RunOutcome::TimeLimit: result.error = TimeLimitMessage(options.timeLimit); break;
    case platform::RunOutcome::MemoryLimit: result.error = MemoryLimitMessage(options.memoryLimit); break;
    default: result.error = "the check ended without an answer"; break;
  }
  return result;
}

platform::LastWords LastWordsOf(const std::string& path, platform::RunOutcome outcome, const Options& options) {
  const ArchiveResult result = UnfinishedResult(path, outcome, options);
  const ResultText text = TextOf(result, options.json);
  return platform::LastWords{text.out, text.err, ExitStatusOf(result)};
}

}  // namespace

ArchiveChecks::ArchiveChecks(const app::StringList& watch, const Options& options, const std::string& libraries)
    : watch_(watch), options_(options) {
  if (options.timeLimit == 0 && options.memoryLimit == 0) return;
  limits_.seconds = options.timeLimit;
  limits_.memoryBytes = static_cast<std::uint64_t>(options.memoryLimit) << 20;
  checkedHere_ = options.archives.size() == 1 && options.archives[0] != kStdinMarker && platform::CanLimitThisProcess();
  if (!checkedHere_) limited_.reset(new Limited(limits_, SerializeSetup(CheckSetup{watch, options, libraries})));
}

ArchiveChecks::~ArchiveChecks() = default;

void ArchiveChecks::Submit(const std::string& path) {
  paths_.push_back(path);
  if (limited_) limited_->workers.Submit(path);
}

ArchiveResult ArchiveChecks::Take() {
  const std::string path = paths_.front();
  paths_.pop_front();
  if (checkedHere_) return CheckHereUnderLimits(path);
  if (!limited_) return CheckArchive(path, watch_, options_.list, &options_);
  std::string answer;
  const platform::RunOutcome outcome = limited_->workers.Take(answer);
  ArchiveResult result;
  if (outcome == platform::RunOutcome::Finished && DeserializeResult(answer, result) && result.path == path)
    return result;
  return UnfinishedResult(path, outcome, options_);
}

ArchiveResult ArchiveChecks::CheckHereUnderLimits(const std::string& path) const {
  using platform::RunOutcome;
  const platform::LastWordsOf words{LastWordsOf(path, RunOutcome::TimeLimit, options_),
                                    LastWordsOf(path, RunOutcome::MemoryLimit, options_),
                                    LastWordsOf(path, RunOutcome::Failed, options_)};
  ArchiveResult result;
  std::string unused;
  const RunOutcome outcome = platform::RunLimitedHere(
      limits_,
      [&](const std::string&) {
        result = CheckArchive(path, watch_, options_.list, &options_);
        return std::string();
      },
      path, unused, words);
  return outcome == RunOutcome::Finished ? result : UnfinishedResult(path, outcome, options_);
}

int ServeChecks() { return platform::ServeRequests(CheckServer()); }

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

std::vector<std::string> NameLinesWithPath(const ArchiveResult& result) {
  std::vector<std::string> lines;
  const std::string prefix = app::EscapeForDisplay(result.path) + ": ";
  for (const std::string& name : result.names) lines.push_back(prefix + app::EscapeForDisplay(name));
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

ResultText TextOf(const ArchiveResult& result, bool json) {
  ResultText text;
  const std::string problem = ProblemLine(result);
  if (!problem.empty()) text.err = "mokurena-scan: " + problem + "\n";
  if (json) {
    text.out = JsonLine(result) + "\n";
  } else {
    for (const std::string& line : NameLinesWithPath(result)) text.out += line + "\n";
    for (const std::string& line : ReportLinesWithPath(result)) text.out += line + "\n";
  }
  return text;
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
  for (std::size_t i = 0, units = 0; i < wide.size(); i += units) {
    char32_t c;
    units = platform::DecodeUtf16(&wide[i], wide.size() - i, c);
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // half a pair is no character
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
            (c >= 0x2066 && c <= 0x2069)) {
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
  if (result.listed) {
    std::string names = ",\"names\":[";
    std::string hex = ",\"names_hex\":[";
    bool allWhole = true;
    for (std::size_t i = 0; i < result.names.size(); ++i) {
      bool whole = true;
      names += (i ? "," : "") + JsonString(result.names[i], &whole);
      hex += std::string(i ? "," : "") + "\"" + HexBytes(result.names[i]) + "\"";
      allWhole = allWhole && whole;
    }
    line += names + "]";
    if (!allWhole) line += hex + "]";
  }
  line += std::string(",\"watched\":") + (result.watched ? "true" : "false");
  line += ",\"hits\":[";
  bool first = true;
  for (const app::MemberCheck::ReportedMember& reported : result.reported) {
    // A member inside nested archives: "/" parts the archives from the
    // member (record names have "\" between folders).
    std::string member = reported.member;
    std::string chain;
    for (std::size_t slash; result.recursive && (slash = member.find('/')) != std::string::npos;
         member.erase(0, slash + 1)) {
      bool whole = true;
      chain += (chain.empty() ? "" : ",") + JsonString(member.substr(0, slash), &whole);
    }
    std::string hit = "{" + JsonTextField("extension", reported.extension) + "," + JsonTextField("member", member);
    if (!chain.empty()) hit += ",\"chain\":[" + chain + "]";
    hit += "}";
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
         "                  \"checklst.ini\" beside this program" +
         (kSystemWatchList[0] ? ",\n                  else " + std::string(kSystemWatchList) : std::string()) +
         "\n"
         "  --ext LIST      watch these extensions instead: bat,exe,... (dots removed,\n"
         "                  lower-cased)\n"
         "  --libraries DIR look for the archiver libraries in DIR after this program's\n"
         "                  own folder\n"
         "  --json          one JSON object per archive, one per line, in UTF-8\n"
         "  --time-limit S  give each archive at most S seconds (default 30; 0: no limit)\n"
         "  --memory-limit M  give each archive at most M MiB of memory (default 1024;\n"
         "                  0: no limit); an archive over a limit is an error\n"
         "  --recursive[=DEPTH]  judge the members of archives inside archives too, to\n"
         "                  DEPTH levels (default 8); a member inside is reported as\n"
         "                  \"inner.zip/evil.exe\"\n"
         "  --max-expanded M  extract at most M MiB of archives inside (default 1024)\n"
         "  --max-members N   meet at most N members inside (default 1000000)\n"
         "  --list          also every member name judged: \"ARCHIVE: NAME\" lines, or\n"
         "                  a \"names\" array with --json\n"
         "  -h, --help      this text\n"
         "  --version       the version\n"
         "\n"
         "Output: one line \"ARCHIVE: [ ext ] member\" per report line; nothing for an\n"
         "archive without watched members. Problems go to standard error.\n"
         "Exit status: 0 no watched member, 1 watched members found, 2 an archive was\n"
         "not opened or an error occurred (the other archives are still checked).\n";
}

std::string VersionText() { return "mokurena-scan " MOKURENA_VERSION_TEXT "\n" MOKURENA_COPYRIGHT "\n"; }

std::string WatchListFileWithoutOption(const std::string& besideProgram, const std::string& systemWide) {
  if (!platform::FileExists(besideProgram) && !systemWide.empty() && platform::FileExists(systemWide)) {
    return systemWide;
  }
  return besideProgram;
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
