// mokurena-scan: the program's check of archives, from a command line. Every
// archive goes the program's listing road through the archive façade and is
// judged by app::MemberCheck, the check the program itself runs; only the
// front end differs: arguments instead of a dialog, report lines on standard
// output, an exit status.
//
// These are the command's plain parts; ScanMain.cpp puts them together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/CheckRun.h"
#include "platform/LimitedRun.h"

namespace scan {

// Exit statuses.
constexpr int kExitClean = 0;    // no archive holds a watched member
constexpr int kExitWatched = 1;  // some archive holds a watched member
constexpr int kExitTrouble = 2;  // an archive was not opened, or an error

struct Options {
  bool help = false;
  bool version = false;
  bool json = false;
  bool list = false;             // --list: every member name judged
  bool nulSeparated = false;     // the standard-input list ends paths in NUL
  std::string watchFile;         // --watch
  bool extensionsGiven = false;  // --ext
  app::StringList extensions;
  std::string libraries;        // --libraries
  unsigned timeLimit = 30;      // --time-limit: seconds per archive; 0 = none
  unsigned memoryLimit = 1024;  // --memory-limit: MiB per archive; 0 = none
  // --recursive[=DEPTH]: the members of archives inside archives too.
  bool recursive = false;
  unsigned depth = 8;
  unsigned maxExpanded = 1024;    // --max-expanded: MiB extracted in all
  unsigned maxMembers = 1000000;  // --max-members: members met inside, in all
  // Archive paths in order; kStdinMarker where the list from standard input goes.
  std::vector<std::string> archives;
};

// Stands in Options::archives for the paths read from standard input.
extern const char kStdinMarker[];

// Reads the arguments (without the program name). False, with a message for
// the user, when they make no command; --help and --version alone need no
// archive.
bool ParseArguments(const std::vector<std::string>& args, Options& options, std::string& error);

// The --ext list: comma-separated, each value taken as the settings dialog's
// add prompt takes it (dots removed, lower-cased, trimmed); values that come
// out empty are dropped.
app::StringList ParseExtensionList(const std::string& text);

// Splits standard input's bytes into paths: at LF (a CR before it is
// dropped) or, nulSeparated, at NUL; empty ones are skipped.
class PathListReader {
 public:
  explicit PathListReader(bool nulSeparated) : nulSeparated_(nulSeparated) {}
  // Feeds bytes; complete paths are appended to out.
  void Feed(const char* data, std::size_t size, std::vector<std::string>& out);
  // The end of the input: a last path without its separator.
  void Finish(std::vector<std::string>& out);

 private:
  void Complete(std::vector<std::string>& out);
  bool nulSeparated_;
  std::string pending_;
};

// What the check found in one archive.
struct ArchiveResult {
  std::string path;
  bool opened = false;
  std::size_t members = 0;
  bool watched = false;  // a member's extension equals a watch-list entry
  // The members of the report (only when watched), in archive order, also
  // when an error ended the listing.
  std::vector<app::MemberCheck::ReportedMember> reported;
  std::string error;               // the message of an error raised on the way; empty when none
  bool listed = false;             // names was asked for
  bool recursive = false;          // members of archives inside were judged ("a.zip/b.exe")
  std::vector<std::string> names;  // every name judged, in order (only when listed)
};

// The error of a listing that a find entry broke off with another code, or
// that our own libraries ended in structural doubt (archives/StructureDoubt.h).
std::string ListingStoppedMessage(int code);

// Checks one archive: SetFileName, OpenArchive (mode 0x00800000),
// app::ListMembersInto, CloseArchive. Errors raised on the way (EArchiver...)
// end up in the result's message; the façade is closed and freed on every
// path. A listing that ends with anything but kNoMoreMembers is an error
// too (ListingStoppedMessage); the members found before it are still
// judged and reported.
// With listNames, every name judged is kept in the result's names. With
// nested (its recursive set), the members of archives inside the archive
// are judged too, each named by its path through them ("inner.zip/evil.exe"),
// through our own libraries' MokurenaListNested (TAR32.DLL); a limit that
// stops that walk is an error naming it.
ArchiveResult CheckArchive(const std::string& path, const app::StringList& watch, bool listNames = false,
                           const Options* nested = nullptr);

// The entry of our own TAR32.DLL that lists archives inside an archive, and
// its results (backends/NestedArchives.h).
extern const char kNestedEntryName[];
using NestedNameSink = void (*)(void* context, const char* path, std::size_t length);
using NestedEntry = int (*)(const char* path, unsigned depth, std::uint64_t expandedBytes, std::uint64_t members,
                            NestedNameSink sink, void* context);
// The error for a result of the entry; empty for none (0, and 5: an outer
// archive that has no archives the walk can read).
std::string NestedResultMessage(int result, const Options& options);

// Archives checked in the order submitted, under the options' time and
// memory limits: in worker processes (platform/LimitedRun.h), several
// archives each, so that an archive that exceeds a limit is an error naming
// it and this process stays as it was for the next archive. Without limits
// (both 0) the archives are checked in this process, and so is the one
// archive of a command that names no other where the process can hold the
// limits itself: it has no next archive to stay well for.
class ArchiveChecks {
 public:
  // libraries: the folder of the archiver libraries, for the workers.
  ArchiveChecks(const app::StringList& watch, const Options& options, const std::string& libraries);
  ~ArchiveChecks();
  ArchiveChecks(const ArchiveChecks&) = delete;
  ArchiveChecks& operator=(const ArchiveChecks&) = delete;

  void Submit(const std::string& path);
  // Archives submitted whose results were not taken yet.
  std::size_t Pending() const { return paths_.size(); }
  // The result of the oldest pending archive (Pending() > 0), waiting for it.
  ArchiveResult Take();

 private:
  struct Limited;
  ArchiveResult CheckHereUnderLimits(const std::string& path) const;
  const app::StringList watch_;
  const Options options_;
  platform::RunLimits limits_;
  bool checkedHere_ = false;  // the one archive, under limits in this process
  std::deque<std::string> paths_;
  std::unique_ptr<Limited> limited_;
};

// The only argument of a mokurena-scan started as a worker (Win32), and
// what main runs then: archives checked for the process that started it,
// paths in and results out through standard input and output.
extern const char kWorkerOption[];
int ServeChecks();

// The messages of an archive that exceeded a limit.
std::string TimeLimitMessage(unsigned seconds);
std::string MemoryLimitMessage(unsigned mebibytes);

// A result as bytes and back (the child's answer).
std::string SerializeResult(const ArchiveResult& result);
bool DeserializeResult(const std::string& bytes, ArchiveResult& result);

// The exit status of one archive's result, and of several (the highest).
int ExitStatusOf(const ArchiveResult& result);

// What the command writes for one archive's result: its problem line on
// standard error, then its JSON object or its name and report lines on
// standard output.
struct ResultText {
  std::string out;
  std::string err;
};
ResultText TextOf(const ArchiveResult& result, bool json);

// The message when an archive was not opened (the program's own text), and
// the error when there is no file at all.
extern const char kNotOpenedMessage[];
extern const char kNoSuchFileMessage[];

// Text output: one line per report line, "<path>: [ ext ] member", the path
// shown through app::EscapeForDisplay; nothing for an archive without a hit.
std::vector<std::string> ReportLinesWithPath(const ArchiveResult& result);

// --list: one line per name judged, "<path>: <name>", both shown through
// app::EscapeForDisplay.
std::vector<std::string> NameLinesWithPath(const ArchiveResult& result);

// The line for standard error about an archive, or empty when there is
// nothing wrong: "<path>: <message>".
std::string ProblemLine(const ArchiveResult& result);

// A JSON string (quotes included) of narrow text of the code page, in UTF-8:
// '"', '\' and control characters escaped (\n, \r, \t, \b, \f, else \u00XX;
// also U+007F, U+2028, U+2029 and the bidirectional controls U+202A-U+202E,
// U+2066-U+2069), every other character written as UTF-8. A
// byte that begins no character of the code page becomes U+FFFD; whole is
// set to false then.
std::string JsonString(const std::string& narrow, bool* whole = nullptr);

// The bytes in lower-case hexadecimal, two digits each, nothing between.
std::string HexBytes(const std::string& bytes);

// One archive as one line of JSON:
//   {"path":..., "opened":true, "members":3, "watched":true,
//    "hits":[{"extension":"exe","member":"a.EXE"}], "error":"..."}
// "hits" holds the report lines in order (a member matching two entries
// twice); it is empty unless "watched". "error" is there only for an error.
// A hit inside a nested archive has "chain": the archives it is in, outer
// first ("member" is then its own name).
// A listed result has "names" after "members": every name judged, in order
// (with "names_hex" beside it, each name's bytes, when one is not whole
// text).
// A text that is not whole text of the code page gets a second field with
// "_hex" added to its name that holds its exact bytes ("path_hex",
// "member_hex").
std::string JsonLine(const ArchiveResult& result);

// The text of --help.
std::string UsageText();

// The text of --version: "mokurena-scan <version>", then the copyright.
std::string VersionText();

// The watch list of an installation, read when no list is named and none
// lies beside the program ("/etc/mokurena/checklst.ini" for a package);
// empty where there is none (Windows).
extern const char kSystemWatchList[];

// The watch list file read when no --watch or --ext is given: besideProgram
// ("checklst.ini" beside the executable, as the program reads it) when a file
// is there, else systemWide when a file is there, else besideProgram again,
// whose absence gives the default list.
std::string WatchListFileWithoutOption(const std::string& besideProgram, const std::string& systemWide);

// Where the archiver libraries are when none is named: the first existing of
// "<executable's folder>/../backends" (the build tree) and
// "<executable's folder>/../lib/mokurena" (installed); empty when neither.
std::string DefaultLibraryFolder();

}  // namespace scan
