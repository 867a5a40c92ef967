// The scan command's plain parts: arguments, the path list of standard
// input, JSON text, and the streaming check against the list functions.
#include <gtest/gtest.h>

#include <random>

#include "ScanTestSupport.h"
#include "app/CheckRun.h"
#include "app/scan/ScanCommand.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "tests/support/PlatformHooks.h"

namespace {

using app::StringList;

TEST(ScanArguments, OptionsAndArchives) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    bool json, nul;
    std::string watch, libraries;
    StringList extensions;
    std::vector<std::string> archives;
  };
  const Case cases[] = {
      {{"a.zip", "b.lzh"}, true, false, false, "", "", {}, {"a.zip", "b.lzh"}},
      {{"--json", "--libraries", "/x", "a.zip"}, true, true, false, "", "/x", {}, {"a.zip"}},
      {{"--ext=.EXE, bat,,Tar.Gz", "--ext", "scr", "a"},
       true,
       false,
       false,
       "",
       "",
       {"exe", "bat", "targz", "scr"},
       {"a"}},
      {{"--watch", "w.ini", "-", "a"}, true, false, false, "w.ini", "", {}, {"-", "a"}},
      {{"--stdin", "-0", "a"}, true, false, true, "", "", {}, {"a", "-"}},
      {{"-", "--stdin"}, true, false, false, "", "", {}, {"-"}},
      {{"--", "--json", "-x"}, true, false, false, "", "", {}, {"--json", "-x"}},
      {{}, false, false, false, "", "", {}, {}},
      {{"--bogus", "a"}, false, false, false, "", "", {}, {}},
      {{"a", "--watch"}, false, false, false, "", "", {}, {}},
      {{"--json=yes", "a"}, false, false, false, "", "", {}, {}},
      {{"--watch", "w", "--ext", "exe", "a"}, false, false, false, "", "", {}, {}},
  };
  for (const Case& c : cases) {
    scan::Options options;
    std::string error;
    const bool ok = scan::ParseArguments(c.args, options, error);
    SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args[0]);
    ASSERT_EQ(ok, c.ok) << error;
    if (!ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(options.json, c.json);
    EXPECT_EQ(options.nulSeparated, c.nul);
    EXPECT_EQ(options.watchFile, c.watch);
    EXPECT_EQ(options.libraries, c.libraries);
    EXPECT_EQ(options.extensions, c.extensions);
    EXPECT_EQ(options.archives, c.archives);
  }
  scan::Options options;
  std::string error;
  EXPECT_TRUE(scan::ParseArguments({"--help"}, options, error));
  EXPECT_TRUE(options.help);
  EXPECT_TRUE(scan::ParseArguments({"--version"}, options, error));
  EXPECT_TRUE(options.version);
  EXPECT_FALSE(scan::ParseArguments({"--version=1"}, options, error));
}

// Without --watch or --ext: the list beside the program wins over the
// installation's; the installation's is read only when it is there.
TEST(ScanWatchList, BesideTheProgramThenTheInstallation) {
  const std::string folder = platform::CreateTempFolder("mokurena-watchlists");
  const std::string beside = platform::JoinPath(folder, "checklst.ini");
  const std::string system = platform::JoinPath(folder, "system.ini");
  struct Case {
    const char* what;
    bool besideExists;
    std::string systemWide;
    std::string expected;
  };
  const Case cases[] = {
      {"beside the program", true, system, beside},
      {"the installation's", false, system, system},
      {"neither: the default list", false, platform::JoinPath(folder, "missing.ini"), beside},
      {"no installation list (Windows)", false, "", beside},
      {"a folder is no list", false, folder, beside},
  };
  platform::WriteWholeFile(system, "txt\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.besideExists) {
      platform::WriteWholeFile(beside, "exe\r\n");
    } else {
      platform::RemoveFile(beside);
    }
    EXPECT_EQ(scan::WatchListFileWithoutOption(beside, c.systemWide), c.expected);
  }
  platform::RemoveTree(folder);
}

TEST(ScanArguments, ListAndLimits) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    bool list;
    unsigned seconds, mebibytes;
  };
  const Case cases[] = {
      {{"a"}, true, false, 30, 1024},
      {{"--list", "a"}, true, true, 30, 1024},
      {{"--time-limit", "5", "--memory-limit=200", "a"}, true, false, 5, 200},
      {{"--time-limit=0", "--memory-limit", "0", "a"}, true, false, 0, 0},
      {{"--time-limit", "-1", "a"}, false, false, 0, 0},
      {{"--memory-limit", "1G", "a"}, false, false, 0, 0},
      {{"--time-limit=", "a"}, false, false, 0, 0},
      {{"--list=yes", "a"}, false, false, 0, 0},
      {{"--recursive=0", "a"}, false, false, 0, 0},
      {{"--recursive=x", "a"}, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    scan::Options options;
    std::string error;
    SCOPED_TRACE(c.args[0]);
    ASSERT_EQ(scan::ParseArguments(c.args, options, error), c.ok) << error;
    if (!c.ok) continue;
    EXPECT_EQ(options.list, c.list);
    EXPECT_EQ(options.timeLimit, c.seconds);
    EXPECT_EQ(options.memoryLimit, c.mebibytes);
  }
  scan::Options options;
  std::string error;
  ASSERT_TRUE(scan::ParseArguments({"--recursive", "--max-expanded", "5", "--max-members=7", "a"}, options, error));
  EXPECT_TRUE(options.recursive);
  EXPECT_EQ(options.depth, 8u);
  EXPECT_EQ(options.maxExpanded, 5u);
  EXPECT_EQ(options.maxMembers, 7u);
  ASSERT_TRUE(scan::ParseArguments({"--recursive=3", "a"}, options, error));
  EXPECT_EQ(options.depth, 3u);
  EXPECT_EQ(options.maxExpanded, 1024u);
}

// The child's answer comes back whole, whatever bytes the names hold.
TEST(ScanResult, SerializedAndBack) {
  scan::ArchiveResult result;
  result.path = "dir/a:1.zip";
  result.opened = true;
  result.members = 123456789;
  result.watched = true;
  result.listed = true;
  result.error = "the listing stopped: 12:x";
  result.names = {"a.exe", "", std::string("nul\0and:colon", 14), "5:abcde"};
  result.reported = {{"a.exe", "exe", 2}, {std::string("b\0.scr", 6), "scr", 1}};
  scan::ArchiveResult back;
  ASSERT_TRUE(scan::DeserializeResult(scan::SerializeResult(result), back));
  EXPECT_EQ(back.path, result.path);
  EXPECT_EQ(back.opened, result.opened);
  EXPECT_EQ(back.members, result.members);
  EXPECT_EQ(back.watched, result.watched);
  EXPECT_EQ(back.listed, result.listed);
  EXPECT_EQ(back.error, result.error);
  EXPECT_EQ(back.names, result.names);
  ASSERT_EQ(back.reported.size(), 2u);
  EXPECT_EQ(back.reported[1].member, result.reported[1].member);
  EXPECT_EQ(back.reported[0].lines, 2u);
  // A cut answer is no answer.
  const std::string bytes = scan::SerializeResult(result);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    EXPECT_FALSE(scan::DeserializeResult(bytes.substr(0, cut), back)) << cut;
}

TEST(ScanArguments, PathListInAnyChunks) {
  const std::string lf = "a.zip\r\n\nb c.lzh\nlast";
  const std::string nul = std::string("a.zip\0\0b\nc.lzh\0last", 19);
  for (std::size_t chunk : {1, 2, 5, 100}) {
    for (bool nulSeparated : {false, true}) {
      const std::string& input = nulSeparated ? nul : lf;
      scan::PathListReader reader(nulSeparated);
      std::vector<std::string> paths;
      for (std::size_t at = 0; at < input.size(); at += chunk)
        reader.Feed(input.data() + at, std::min(chunk, input.size() - at), paths);
      reader.Finish(paths);
      const std::vector<std::string> expected = nulSeparated ? std::vector<std::string>{"a.zip", "b\nc.lzh", "last"}
                                                             : std::vector<std::string>{"a.zip", "b c.lzh", "last"};
      EXPECT_EQ(paths, expected) << chunk << (nulSeparated ? " NUL" : " LF");
    }
  }
}

// Narrow text of the running code page: Shift_JIS on Win32 under Wine (932),
// UTF-8 natively (the tests fix the code page).
class ScanText : public ::testing::Test {
 protected:
  void SetUp() override { platform::OverrideCodePage(platform::CodePage::Utf8); }
  void TearDown() override { platform::ClearCodePageOverride(); }
  static bool Cp932() { return platform::ActiveCodePage() == platform::CodePage::Cp932; }
  static std::string Narrow(const std::string& utf8, const std::string& cp932) { return Cp932() ? cp932 : utf8; }
};

TEST_F(ScanText, JsonStringsAreStrictUtf8) {
  struct Case {
    std::string narrow;
    std::string json;
    bool whole;
  };
  const Case cases[] = {
      {"plain.exe", "\"plain.exe\"", true},
      {"q\"b\\s/", "\"q\\\"b\\\\s/\"", true},
      {std::string("\r\n\t\b\f\x01\x1f\x7f\0", 9), "\"\\r\\n\\t\\b\\f\\u0001\\u001f\\u007f\\u0000\"", true},
      {Narrow(u8"日本語\\表示.exe", "\x93\xfa\x96\x7b\x8c\xea\\\x95\x5c\x8e\xa6.exe"), u8"\"日本語\\\\表示.exe\"",
       true},
      {"a\x81", "\"a\xEF\xBF\xBD\"", false},  // a lead byte, or a stray byte, at the end
      {Narrow("\xE2\x80\xA8", "\x81\x40"), Cp932() ? "\"\xE3\x80\x80\"" : "\"\\u2028\"", true},
      // Bidirectional controls: UTF-8 only (in 932 the text is plain).
      {Narrow(u8"a\u202Eb\u2066c\u2069", "abc"), Cp932() ? "\"abc\"" : "\"a\\u202eb\\u2066c\\u2069\"", true},
      {Narrow(u8"\u202A\u202D\u2067\u2068", "x"), Cp932() ? "\"x\"" : "\"\\u202a\\u202d\\u2067\\u2068\"", true},
  };
  for (const Case& c : cases) {
    bool whole = !c.whole;
    EXPECT_EQ(scan::JsonString(c.narrow, &whole), c.json);
    EXPECT_EQ(whole, c.whole) << c.json;
    scantest::Json value;
    std::string error;
    EXPECT_TRUE(scantest::ParseJson(scan::JsonString(c.narrow), value, error)) << error;
  }
  EXPECT_EQ(scan::HexBytes(std::string("\x00\x5C\xFF", 3)), "005cff");
}

// The plain rule, member by member against every entry: the hit when a
// lower-cased extension equals an entry byte for byte, the report lines when
// it equals one without regard to case.
struct Reference {
  bool hit = false;
  StringList lines;
};
Reference NestedLoops(const StringList& members, const StringList& watch) {
  Reference r;
  for (const std::string& m : members) {
    const std::string ext = app::MemberExtensionAsExtracted(m);
    if (app::IndexInList(ext, watch) >= 0) r.hit = true;
    for (const std::string& w : watch) {
      if (platform::AnsiSameText(ext, w)) r.lines.push_back(app::ReportLine(ext, m));
    }
  }
  return r;
}

// The streaming check, fed one member at a time, decides as the plain rule
// does, on random members and watch lists, and on thousands of extensions.
TEST_F(ScanText, StreamingCheckEqualsThePlainRule) {
  std::mt19937 random(5);
  const std::string alphabet = "eExXbB.\\/ :";
  const StringList entries = {"", "e", "E", "ex", "exe", "EXE", "x", "b", "e x", "x1"};
  for (int round = 0; round < 2000; ++round) {
    StringList members, watch;
    for (std::size_t n = random() % 10; n > 0; --n) {
      std::string name;
      for (std::size_t k = random() % 7; k > 0; --k) name += alphabet[random() % alphabet.size()];
      members.push_back(name);
    }
    for (std::size_t n = random() % 4; n > 0; --n) watch.push_back(entries[random() % entries.size()]);
    app::MemberCheck check(watch);
    for (const std::string& m : members) check.Add(m);
    const Reference expected = NestedLoops(members, watch);
    ASSERT_EQ(check.HasWatchedMember(), expected.hit) << round;
    ASSERT_EQ(check.ReportLines(), expected.lines) << round;
    ASSERT_EQ(check.MemberCount(), members.size());
  }
  StringList members;
  const std::size_t distinct = 10000;
  for (std::size_t i = 0; i < distinct; ++i) members.push_back("f." + std::to_string(i) + (i % 3 == 0 ? "X" : ""));
  members.push_back("late.x1");
  members.push_back("LATE.X1");
  members.push_back("f.1X");
  const StringList watch = {"x1", "1X"};
  app::MemberCheck check(watch);
  for (const std::string& m : members) check.Add(m);
  const Reference expected = NestedLoops(members, watch);
  EXPECT_TRUE(check.HasWatchedMember());
  EXPECT_EQ(check.ReportLines(), expected.lines);
  EXPECT_EQ(check.ReportLines().back(), "[ 1x ] f.1X");
  EXPECT_EQ(app::BuildReportLines(members, watch), expected.lines);
  EXPECT_EQ(check.TakeReportedMembers().size(), 3u);
  EXPECT_TRUE(check.ReportedMembers().empty());
}

}  // namespace
