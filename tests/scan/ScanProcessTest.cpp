// mokurena-scan run as a process, on fixture archives listed through the
// stand-in libraries: natively and, cross-built, under Wine.
#include <gtest/gtest.h>

#include <algorithm>

#include "RunProgram.h"
#include "ScanTestSupport.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "tests/support/FixtureWriter.h"
#include "tests/support/StandinSupport.h"
#include "tests/support/PlatformHooks.h"

namespace {

using scantest::OutputLines;
using testsupport::FixtureMember;
using testsupport::FixtureWriter;

class ScanProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::OverrideCodePage(platform::CodePage::Utf8);  // natively; Win32 has 932
    folder_ = platform::CreateTempFolder("mokurena-scan");
    libraries_.reset(new testsupport::ScopedLibraryFolder(
        "full", {"UNLHA32.DLL", "UNZIP32.DLL", "TAR32.DLL", "7-zip32.dll", "CAB32.DLL"}));
    Write("clean.lzh", FixtureWriter().Accept("lha").Member("readme.txt").Member("dir\\"));
    Write("empty.lzh", FixtureWriter().Accept("lha"));
    Write("hit.lzh", FixtureWriter()
                         .Accept("lha")
                         .Member("a.EXE")
                         .Member("notes.txt")
                         .Member("evil.exe.")
                         .Member("sub\\x.scr")
                         .Member("dir.exe\\"));
    Write("lines.zip", FixtureWriter().Accept("zip").Member("a\r\n[ exe ] fake.txt").Member("b.bat"));
    Write("japanese.7z", FixtureWriter()
                             .Accept("7z")
                             .Member(Narrow(u8"日本語\\表示.exe", "\x93\xfa\x96\x7b\x8c\xea\\\x95\x5c\x8e\xa6.exe"))
                             .Member("bad\x81\x7F.exe"));
    Write("broken.lzh", FixtureWriter().Accept("lha").OpenFails().Member("a.exe"));
    Write("cut.lzh", FixtureWriter().Accept("lha").FailAt(2).Member("a.txt").Member("b.exe"));
    Write("stops.lzh", FixtureWriter().Accept("lha").FailAt(3, 0x8017).Member("a.exe").Member("b.txt").Member("c.exe"));
    // Accepted only by a library that is not there: no content probe says yes.
    Write("unknown.xyz", FixtureWriter().Accept("bga").Member("a.exe"));
    platform::WriteWholeFile(Path("garbage.lzh"), "not an archive at all");
  }
  void TearDown() override {
    libraries_.reset();
    platform::RemoveTree(folder_);
    platform::ClearCodePageOverride();
  }

  static std::string Narrow(const std::string& utf8, const std::string& cp932) {
    return platform::ActiveCodePage() == platform::CodePage::Cp932 ? cp932 : utf8;
  }
  std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }
  void Write(const std::string& name, const FixtureWriter& fixture) const { fixture.WriteTo(Path(name)); }

  // Runs the scan with the stand-in libraries and a UTF-8 locale (natively).
  scantest::ProgramRun Scan(std::vector<std::string> args, const std::string& input = "",
                            const std::string& program = scantest::ScanProgram()) const {
    args.insert(args.begin(), {"--libraries", libraries_->Folder()});
    return scantest::RunProgram(program, args, input, {"LC_ALL=C.UTF-8"});
  }

  std::string folder_;
  std::unique_ptr<testsupport::ScopedLibraryFolder> libraries_;
};

TEST_F(ScanProcess, ReportLinesAndExitStatus) {
  const std::string hit = Path("hit.lzh");
  const std::vector<std::string> hitLines = {hit + ": [ exe ] a.EXE", hit + ": [ exe ] evil.exe.",
                                             hit + ": [ scr ] sub\\x.scr"};
  struct Case {
    const char* what;
    std::vector<std::string> archives;
    int exitCode;
    std::vector<std::string> out;
    std::vector<std::string> errorsAbout;  // archives named on standard error
  };
  const Case cases[] = {
      {"clean", {"clean.lzh", "empty.lzh"}, 0, {}, {}},
      {"hit", {"clean.lzh", "hit.lzh"}, 1, hitLines, {}},
      {"not opened", {"broken.lzh"}, 2, {}, {"broken.lzh"}},
      {"no archive", {"garbage.lzh"}, 2, {}, {"garbage.lzh"}},
      {"type unknown", {"unknown.xyz"}, 2, {}, {"unknown.xyz"}},
      {"missing file", {"missing.lzh"}, 2, {}, {"missing.lzh"}},
      {"the others are still checked",
       {"broken.lzh", "hit.lzh", "missing.lzh"},
       2,
       hitLines,
       {"broken.lzh", "missing.lzh"}},
      {"listing ended by 'no more members': what was found counts", {"cut.lzh"}, 0, {}, {}},
      {"listing broken off by an error: reported, and an error",
       {"stops.lzh"},
       2,
       {Path("stops.lzh") + ": [ exe ] a.exe"},
       {"stops.lzh"}},
      {"names cannot fake report lines", {"lines.zip"}, 1, {Path("lines.zip") + ": [ bat ] b.bat"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args;
    for (const std::string& a : c.archives) args.push_back(Path(a));
    const scantest::ProgramRun run = Scan(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(OutputLines(run.out), c.out);
    const std::vector<std::string> errors = OutputLines(run.err);
    EXPECT_EQ(errors.size(), c.errorsAbout.size()) << run.err;
    for (const std::string& name : c.errorsAbout) {
      EXPECT_TRUE(
          std::any_of(errors.begin(), errors.end(),
                      [&](const std::string& line) { return line.find(Path(name) + ": ") != std::string::npos; }))
          << name << "\n"
          << run.err;
    }
  }
}

// Archives whose library never returns, crashes, or takes more memory than
// the limit, in the middle of one call: each is an error (naming its limit
// where it broke one), the others have their normal results, whatever came
// before them.
TEST_F(ScanProcess, LimitsBrokenInTheMiddleOfACall) {
  Write("stall.lzh", FixtureWriter().Accept("lha").OpenStalls().Member("a.exe"));
  Write("crash.lzh", FixtureWriter().Accept("lha").OpenCrashes().Member("a.exe"));
  Write("greedy.lzh", FixtureWriter().Accept("lha").OpenGrows(256).Member("a.exe"));
  const std::string hit = Path("hit.lzh");
  const std::vector<std::string> hitLines = {hit + ": [ exe ] a.EXE", hit + ": [ exe ] evil.exe.",
                                             hit + ": [ scr ] sub\\x.scr"};
  const std::string timeError = ": the check took longer than its time limit of 1 s (--time-limit)";
  const std::string memoryError = ": the check needed more memory than its limit of 64 MiB (--memory-limit)";
  const std::string crashError = ": the check ended without an answer";
  std::vector<std::string> out = hitLines;
  out.insert(out.end(), hitLines.begin(), hitLines.end());
  out.push_back(Path("lines.zip") + ": [ bat ] b.bat");
  std::vector<std::string> args = {"--time-limit",
                                   "1",
                                   "--memory-limit",
                                   "64",
                                   hit,
                                   Path("stall.lzh"),
                                   Path("crash.lzh"),
                                   Path("clean.lzh"),
                                   Path("greedy.lzh"),
                                   hit,
                                   Path("stall.lzh"),
                                   Path("lines.zip")};
  std::vector<std::string> err = {
      "mokurena-scan: " + Path("stall.lzh") + timeError, "mokurena-scan: " + Path("crash.lzh") + crashError,
      "mokurena-scan: " + Path("greedy.lzh") + memoryError, "mokurena-scan: " + Path("stall.lzh") + timeError};
  if (!scantest::MemoryLimitsHold()) {
    args.erase(args.begin() + 8);
    err.erase(err.begin() + 2);
    args[3] = "0";
  }
  const scantest::ProgramRun run = Scan(args);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(OutputLines(run.out), out);
  EXPECT_EQ(OutputLines(run.err), err);
  // Within the default limits the greedy archive lists.
  const scantest::ProgramRun greedy = Scan({Path("greedy.lzh")});
  EXPECT_EQ(greedy.exitCode, 1) << greedy.err;
}

// The one archive of a command fails as it would among others, in text and
// in JSON, however the limits are held for it; within them it lists as it
// does without limits.
TEST_F(ScanProcess, OneArchiveUnderTheSameLimits) {
  Write("stall.lzh", FixtureWriter().Accept("lha").OpenStalls().Member("a.exe"));
  Write("crash.lzh", FixtureWriter().Accept("lha").OpenCrashes().Member("a.exe"));
  Write("greedy.lzh", FixtureWriter().Accept("lha").OpenGrows(256).Member("a.exe"));
  struct Case {
    const char* archive;
    const char* error;
    bool memoryLimited;  // needs the memory limit to hold (scantest::MemoryLimitsHold)
  };
  const Case cases[] = {
      {"stall.lzh", "the check took longer than its time limit of 1 s (--time-limit)", false},
      {"crash.lzh", "the check ended without an answer", false},
      {"greedy.lzh", "the check needed more memory than its limit of 64 MiB (--memory-limit)", true},
  };
  const std::vector<std::string> limits = {"--time-limit", "1", "--memory-limit", "64"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    if (c.memoryLimited && !scantest::MemoryLimitsHold()) continue;
    std::vector<std::string> args = limits;
    args.push_back(Path(c.archive));
    scantest::ProgramRun run = Scan(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(OutputLines(run.err), std::vector<std::string>{"mokurena-scan: " + Path(c.archive) + ": " + c.error});
    args.insert(args.begin(), "--json");
    run = Scan(args);
    EXPECT_EQ(run.exitCode, 2);
    scantest::Json object;
    std::string error;
    ASSERT_TRUE(scantest::ParseJson(OutputLines(run.out).at(0), object, error)) << error << "\n" << run.out;
    EXPECT_EQ(object["path"].text, Path(c.archive));
    EXPECT_EQ(object["error"].text, c.error);
  }
  for (const char* archive : {"hit.lzh", "japanese.7z", "broken.lzh", "missing.lzh"}) {
    for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"--json", "--list"}}) {
      SCOPED_TRACE(std::string(archive) + (options.empty() ? "" : " --json --list"));
      std::vector<std::string> args = options;
      args.push_back(Path(archive));
      std::vector<std::string> limited = limits;
      limited.insert(limited.end(), args.begin(), args.end());
      std::vector<std::string> alone = {"--time-limit", "0", "--memory-limit", "0"};
      alone.insert(alone.end(), args.begin(), args.end());
      const scantest::ProgramRun a = Scan(limited), b = Scan(alone);
      EXPECT_EQ(a.exitCode, b.exitCode);
      EXPECT_EQ(a.out, b.out);
      EXPECT_EQ(a.err, b.err);
    }
  }
}

// The worker is set up from this process's options: what it answers is
// what this process answers without limits (where nothing runs in a worker).
TEST_F(ScanProcess, WorkerAnswersAsTheProcessItself) {
  platform::WriteWholeFile(Path("txt.ini"), "txt\nscr\n");
  const std::vector<std::string> archives = {Path("clean.lzh"),  Path("hit.lzh"),    Path("japanese.7z"),
                                             Path("broken.lzh"), Path("stops.lzh"),  Path("missing.lzh"),
                                             Path("lines.zip"),  Path("unknown.xyz")};
  const std::vector<std::vector<std::string>> optionSets = {
      {}, {"--list"}, {"--json"}, {"--json", "--list"}, {"--watch", Path("txt.ini")}, {"--ext", "bat,7z"}};
  for (const std::vector<std::string>& options : optionSets) {
    std::vector<std::string> args = options;
    args.insert(args.end(), archives.begin(), archives.end());
    std::vector<std::string> inProcess = {"--time-limit", "0", "--memory-limit", "0"};
    inProcess.insert(inProcess.end(), args.begin(), args.end());
    const scantest::ProgramRun limited = Scan(args);
    const scantest::ProgramRun alone = Scan(inProcess);
    SCOPED_TRACE(options.empty() ? std::string("no options") : options[0]);
    EXPECT_EQ(limited.exitCode, alone.exitCode);
    EXPECT_EQ(limited.out, alone.out);
    EXPECT_EQ(limited.err, alone.err);
    EXPECT_FALSE(limited.out.empty() && limited.err.empty());
  }
}

// The worker's option named alone, with no parent behind standard input,
// checks nothing and must not exit as clean.
TEST_F(ScanProcess, WorkerOptionWithoutAParentIsNoCleanResult) {
  EXPECT_NE(scantest::RunProgram(scantest::ScanProgram(), {"--check-worker"}, "", {"LC_ALL=C.UTF-8"}).exitCode, 0);
}

TEST_F(ScanProcess, MissingLibraryIsAnErrorForItsFormatOnly) {
  ASSERT_TRUE(libraries_->Remove("UNLHA32.DLL"));
  const scantest::ProgramRun run = Scan({Path("hit.lzh"), Path("lines.zip")});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("UNLHA32.DLL"), std::string::npos) << run.err;
  EXPECT_EQ(OutputLines(run.out), std::vector<std::string>{Path("lines.zip") + ": [ bat ] b.bat"});
}

TEST_F(ScanProcess, JsonObjectPerArchive) {
  const scantest::ProgramRun run = Scan(
      {"--json", Path("hit.lzh"), Path("japanese.7z"), Path("broken.lzh"), Path("unknown.xyz"), Path("lines.zip")});
  EXPECT_EQ(run.exitCode, 2);
  const std::vector<std::string> lines = OutputLines(run.out);
  ASSERT_EQ(lines.size(), 5u) << run.out;
  std::vector<scantest::Json> objects(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string error;
    ASSERT_TRUE(scantest::ParseJson(lines[i], objects[i], error)) << error << "\n" << lines[i];
  }
  const scantest::Json& hit = objects[0];
  EXPECT_TRUE(hit["opened"].boolean);
  EXPECT_TRUE(hit["watched"].boolean);
  EXPECT_EQ(hit["members"].number, 5);
  ASSERT_EQ(hit["hits"].items.size(), 3u);
  EXPECT_EQ(hit["hits"][0]["extension"].text, "exe");
  EXPECT_EQ(hit["hits"][0]["member"].text, "a.EXE");
  EXPECT_EQ(hit["hits"][2]["member"].text, "sub\\x.scr");

  const scantest::Json& japanese = objects[1];
  ASSERT_EQ(japanese["hits"].items.size(), 2u);
  EXPECT_EQ(japanese["hits"][0]["member"].text, u8"日本語\\表示.exe");
  EXPECT_FALSE(japanese["hits"][0].Has("member_hex"));
  // A lead byte without its second byte (in Shift_JIS and in UTF-8): U+FFFD,
  // and the exact bytes beside it.
  EXPECT_EQ(japanese["hits"][1]["member"].text, "bad\xEF\xBF\xBD\x7F.exe");
  EXPECT_EQ(japanese["hits"][1]["member_hex"].text, "626164817f2e657865");
  EXPECT_EQ(japanese["members"].number, 2);

  EXPECT_EQ(objects[2].keys, (std::vector<std::string>{"path", "opened", "members", "watched", "hits"}));
  EXPECT_FALSE(objects[2]["opened"].boolean);
  EXPECT_TRUE(objects[2]["hits"].items.empty());
  EXPECT_FALSE(objects[3]["error"].text.empty());
  EXPECT_EQ(objects[4]["hits"].items.size(), 1u);
  EXPECT_EQ(objects[4]["path"].text.substr(objects[4]["path"].text.size() - 9), "lines.zip");
}

TEST_F(ScanProcess, WatchListFromTheCommandLineOrBesideTheProgram) {
  // Hand-edited: a UTF-8 signature, capitals, a blank and a dot.
  platform::WriteWholeFile(Path("upper.ini"), "\xEF\xBB\xBF .EXE\r\n");
  platform::WriteWholeFile(Path("txt.ini"), "txt\nscr\n");
  struct Case {
    const char* what;
    std::vector<std::string> options;
    int exitCode;
    std::size_t lines;
  };
  const Case cases[] = {
      {"a hand-edited entry counts as the add prompt takes it", {"--watch", Path("upper.ini")}, 1, 2},
      {"a watch file", {"--watch", Path("txt.ini")}, 1, 2},
      {"--ext is lower-cased", {"--ext", ".EXE"}, 1, 2},
      {"--ext with several", {"--ext", "txt,scr"}, 1, 2},
      {"--ext with nothing left", {"--ext", " . "}, 0, 0},
      {"a missing watch file", {"--watch", Path("missing.ini")}, 2, 0},
      {"both", {"--watch", Path("txt.ini"), "--ext", "exe"}, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = c.options;
    args.push_back(Path("hit.lzh"));
    const scantest::ProgramRun run = Scan(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(OutputLines(run.out).size(), c.lines) << run.out;
  }

  // "checklst.ini" beside the program, as the program reads it.
  const std::string programFolder = platform::CreateTempFolder("mokurena-scanprogram");
  const std::string copy = platform::JoinPath(programFolder, platform::ExtractFileName(scantest::ScanProgram()));
  platform::CopyFileTo(scantest::ScanProgram(), copy);
  scantest::MakeRunnable(copy);
  platform::WriteWholeFile(platform::JoinPath(programFolder, "checklst.ini"), "txt\r\n");
  const scantest::ProgramRun run = Scan({Path("hit.lzh")}, "", copy);
  platform::RemoveTree(programFolder);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(OutputLines(run.out), std::vector<std::string>{Path("hit.lzh") + ": [ txt ] notes.txt"});
}

TEST_F(ScanProcess, ArchivesFromStandardInput) {
  const std::string list = Path("clean.lzh") + "\r\n\n" + Path("hit.lzh") + "\n" + Path("broken.lzh");
  scantest::ProgramRun run = Scan({"-"}, list);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(OutputLines(run.out).size(), 3u);
  EXPECT_NE(run.err.find("broken.lzh"), std::string::npos);

  run = Scan({"--null", "--stdin", Path("clean.lzh")}, Path("hit.lzh") + std::string(1, '\0'));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(OutputLines(run.out).size(), 3u);

  run = Scan({"--stdin"}, "");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.out.empty());
}

TEST_F(ScanProcess, UsageAndBadArguments) {
  scantest::ProgramRun run = Scan({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("usage: mokurena-scan"), std::string::npos);
  run = Scan({"--no-such-option", Path("hit.lzh")});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("--no-such-option"), std::string::npos);
  run = Scan({});
  EXPECT_EQ(run.exitCode, 2);
  // The version needs no archive and checks none.
  run = Scan({"--version", Path("broken.lzh")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> lines = OutputLines(run.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].rfind("mokurena-scan ", 0), 0u) << lines[0];
  EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), '.'), 2) << "major.minor.patch: " << lines[0];
  EXPECT_TRUE(run.err.empty()) << run.err;
}

}  // namespace

namespace {

TEST_F(ScanProcess, ListShowsEveryNameJudged) {
  const std::string hit = Path("hit.lzh");
  const std::string lines = Path("lines.zip");
  // Text: the names of each archive, then its report lines.
  scantest::ProgramRun run = Scan({"--list", hit, Path("clean.lzh"), lines});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const std::vector<std::string> expected = {
      hit + ": a.EXE", hit + ": notes.txt", hit + ": evil.exe.", hit + ": sub\\x.scr", hit + ": dir.exe\\",
      hit + ": [ exe ] a.EXE", hit + ": [ exe ] evil.exe.", hit + ": [ scr ] sub\\x.scr",
      Path("clean.lzh") + ": readme.txt", Path("clean.lzh") + ": dir\\",
      // A name cannot start a line of its own.
      lines + ": a<CR><LF>[ exe ] fake.txt", lines + ": b.bat", lines + ": [ bat ] b.bat"};
  EXPECT_EQ(OutputLines(run.out), expected);

  // JSON: a names array, the member count as without it.
  run = Scan({"--list", "--json", hit, Path("empty.lzh")});
  const std::vector<std::string> objects = OutputLines(run.out);
  ASSERT_EQ(objects.size(), 2u) << run.out;
  scantest::Json object;
  std::string error;
  ASSERT_TRUE(scantest::ParseJson(objects[0], object, error)) << error;
  EXPECT_EQ(object["members"].number, 5);
  std::vector<std::string> names;
  for (const scantest::Json& name : object["names"].items) names.push_back(name.text);
  EXPECT_EQ(names, (std::vector<std::string>{"a.EXE", "notes.txt", "evil.exe.", "sub\\x.scr", "dir.exe\\"}));
  ASSERT_TRUE(scantest::ParseJson(objects[1], object, error)) << error;
  EXPECT_TRUE(object.Has("names"));
  EXPECT_TRUE(object["names"].items.empty());
  // Without --list there is no array.
  run = Scan({"--json", hit});
  ASSERT_TRUE(scantest::ParseJson(OutputLines(run.out).at(0), object, error)) << error;
  EXPECT_FALSE(object.Has("names"));
}

}  // namespace
