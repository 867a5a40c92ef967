// What the check run decides, as plain functions: the extension of a member
// name, whether an archive has a watched member, the report lines and label
// text, the archiver program to hand the archive to, and the command-line
// argument. The main form calls these and shows the results.
#pragma once

#include <functional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "archives/ARCHIVES.h"
#include "archives/ArchiverApi.h"
#include "settings/SettingsFiles.h"

namespace app {

using StringList = std::vector<std::string>;

// The member path of a member record: up to its first NUL byte, or all 513
// bytes when there is none.
std::string MemberName(const archives::TMemberInfo& info);

// The extension of a name as it is written: the text after the last "." when
// no "\" or ":" follows it, else empty; lower-cased (code-page aware). A trail
// byte never counts as a delimiter; "/" is not one. "setup.exe.lnk" gives
// "lnk", "dir.old\readme" "", "dir.old/readme" "old/readme".
std::string MemberExtension(const std::string& name);

// The name as Windows creates the file it names, so that no spelling hides
// the extension of the file made: repeatedly, until nothing changes, a final
// "." component ("\." or "/.") goes, a trailing "::$DATA" (the main data
// stream, any case) goes, and a trailing dot or blank goes, unless the final
// component is ".." (which names the folder above). Code-page aware.
// "evil.exe. " gives "evil.exe", so do "evil.exe::$data", "evil.exe\." and
// "evil.exe/. ::$DATA". Other stream names stay: "evil.exe:x" names a stream.
std::string NameAsCreated(const std::string& name);

// The extension of the file that extracting the member creates: the
// extension (MemberExtension) of NameAsCreated(name). "evil.exe." and
// "evil.exe::$DATA" give "exe". The hit test and the report use this one;
// the report still shows the name as listed.
std::string MemberExtensionAsExtracted(const std::string& name);

// Position of the first entry of list that equals text byte for byte, or -1.
int IndexInList(const std::string& text, const StringList& list);

// True when some member's extension (MemberExtensionAsExtracted) equals a
// watch-list entry byte for byte, so only lower-case entries can hit. Time
// linear in the number of members.
bool HasWatchedMember(const StringList& members, const StringList& watch);

// The report lines "[ ext ] name": for each member in order, one line per
// watch-list entry that equals its extension without regard to case (so a
// duplicated entry gives duplicated lines). Both pieces are shown through
// EscapeForDisplay.
StringList BuildReportLines(const StringList& members, const StringList& watch);

// One report line: "[ " + extension + " ] " + member, both pieces through
// EscapeForDisplay.
std::string ReportLine(const std::string& extension, const std::string& member);

// The check of one archive fed a member at a time, in listing order: the hit
// decision of HasWatchedMember and the report of BuildReportLines (both are
// built on it) without a list of every member. It keeps only the members
// that get report lines, so its memory grows with the report, not with the
// archive.
class MemberCheck {
 public:
  // A member that gets report lines: its name as listed, its extension
  // (MemberExtensionAsExtracted) and how many lines it gets, one per
  // watch-list entry equal to the extension without regard to case.
  struct ReportedMember {
    std::string member;
    std::string extension;
    std::size_t lines;
  };

  explicit MemberCheck(StringList watch);

  // The next member of the archive.
  void Add(const std::string& member);
  // The next member, as its record names it (MemberName).
  void Add(const archives::TMemberInfo& info);

  std::size_t MemberCount() const { return memberCount_; }
  // True once a member's extension equals a watch-list entry byte for byte.
  bool HasWatchedMember() const { return watched_; }
  // The members with report lines, in archive order (whether or not the
  // archive has a hit: the hit test is exact, the report blind to case).
  const std::vector<ReportedMember>& ReportedMembers() const { return reported_; }
  // Hands the members with report lines over; the check keeps none after it.
  std::vector<ReportedMember> TakeReportedMembers() { return std::move(reported_); }
  // The report lines of BuildReportLines.
  StringList ReportLines() const;

 private:
  struct Verdict {
    bool watched = false;   // equals an entry byte for byte
    std::size_t lines = 0;  // entries equal to it without regard to case
  };
  Verdict Judge(const std::string& extension);

  StringList watch_;
  std::unordered_set<std::string> exact_;
  std::vector<ReportedMember> reported_;
  std::string name_;  // the last record's name, its storage kept for the next
  std::size_t memberCount_ = 0;
  bool watched_ = false;
};

// The find entries' answer when there is no further member.
constexpr int kNoMoreMembers = -1;

// Lists an opened archive into check: FindFirst "*.*", then FindNext while
// they give 0, each member fed to check as it comes (one record for the
// whole listing). Returns the code that ended the listing: kNoMoreMembers,
// or another code when the listing broke off. What a broken-off listing
// means is the caller's choice. With names, each member's name is also
// appended there, in listing order.
int ListMembersInto(archives::TArchiveFile& archive, MemberCheck& check, std::vector<std::string>* names = nullptr);

// Text made safe to show on one line: control characters (bytes 0x00-0x1F
// and 0x7F) become "<CR>", "<LF>", "<TAB>" or "<XX>" (two upper-case hex
// digits), and so does a lead byte that starts no whole character, so the
// text can never break a line or join the text after it. The bidirectional
// controls (U+202A-U+202E, U+2066-U+2069, in UTF-8) become "<U+202E>", so no
// name shows reversed. Whole characters, double-byte ones included, stay as
// they are.
std::string EscapeForDisplay(const std::string& text);

// The report dialog's label: the archive's file name, CR LF, its folder in
// full-width parentheses, CR LF, and the sentence with the question.
std::string ReportMessageText(const std::string& path);

// The archiver index for an archive path: its extension compared without
// regard to case with lzh, zip, cab, 7z, rar, gca gives 1 to 6; anything
// else, and no extension, gives 0.
int ArchiverIndexFor(const std::string& path);

using FileExistsFunction = std::function<bool(const std::string& path)>;

// The program to start: the path at index when a file exists there, else the
// general archiver (index 0) when a file exists there, else the empty text
// (nothing is started). fileExists is platform::FileExists outside tests.
std::string ChooseArchiverProgram(const settings::ArchiverPaths& paths, int index,
                                  const FileExistsFunction& fileExists);

// The parameters of the archiver program: the path in double quotes, each
// double quote inside it doubled.
std::string QuoteArchiveArgument(const std::string& path);

// The archive path from the command-line argument: when it begins with a
// double quote, the text up to the matching closing quote (or the end), with
// doubled quotes reduced to one; when that text is empty, or the argument
// does not begin with a quote, the argument unchanged.
std::string UnquoteCommandLineArgument(const std::string& arg);

}  // namespace app
