#include "app/CheckRun.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include "platform/CodePage.h"
#include "tests/support/PlatformHooks.h"

namespace {

using namespace std::string_literals;
using app::StringList;

const StringList kDefaultWatch = {"bat", "exe", "pif", "scr"};

class CheckRunTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::OverrideCodePage(platform::CodePage::Cp932); }
  void TearDown() override { platform::ClearCodePageOverride(); }
};

TEST_F(CheckRunTest, MemberNameStopsAtNulOrTheFieldEnd) {
  archives::TMemberInfo info;
  std::memset(&info, 'R', sizeof info);
  std::memcpy(info.FileName, "dir\\a.exe\0tail", 14);
  EXPECT_EQ(app::MemberName(info), "dir\\a.exe");
  info.FileName[0] = '\0';
  EXPECT_EQ(app::MemberName(info), "");
  std::memset(info.FileName, 'n', sizeof info.FileName);
  EXPECT_EQ(app::MemberName(info), std::string(513, 'n'));
}

TEST_F(CheckRunTest, ExtensionOfAName) {
  struct Case {
    std::string name, written, extracted;  // MemberExtension, MemberExtensionAsExtracted
  };
  const Case cases[] = {
      {"readme.TXT", "txt", "txt"},
      {"setup.exe.lnk", "lnk", "lnk"},
      {"docs.old\\readme", "", ""},
      {"docs.old/readme", "old/readme", "old/readme"},
      {"a.b:c", "", ""},
      {"\x83\x5C.exe", "exe", "exe"},  // trail byte 0x5C is no "\"
      {"a.\x83\x5C", "\x83\x5C", "\x83\x5C"},
      {"a.B\x83\x41", "b\x83\x41", "b\x83\x41"},  // trail byte "A" not lowered
      {"evil.exe.", "", "exe"},
      {"evil.exe ", "exe ", "exe"},
      {"evil.EXE. . .", "", "exe"},
      {"evil.exe\x83\x5C.", "", "exe\x83\x5C"},
      {"dir.x\\ . ", " ", ""},
      // What Windows drops when it creates the file, until nothing changes.
      {"evil.exe::$DATA", "", "exe"},
      {"evil.EXE::$data", "", "exe"},
      {"evil.exe/.", "", "exe"},
      {"evil.exe\\.", "", "exe"},
      {"evil.exe. \\. ::$Data .", "", "exe"},
      {"evil.exe/./.", "", "exe"},
      {"evil.exe::$DATA::$DATA", "", "exe"},
      {"\x83\x5C.exe\x83\x5C.", "", "exe\x83\x5C"},  // the trail byte starts no "\." component
      {"evil.exe\\..", "", ""},                      // ".." names the folder above
      {"evil.exe\\.. ", " ", ""},
      {"..", "", ""},
      {".", "", ""},
      // Other streams stay streams.
      {"evil.exe:x", "", ""},
      {"evil.exe:$DATA", "", ""},
      {"a.txt:evil.exe", "exe", "exe"},
      {"a.txt:evil.exe::$DATA", "", "exe"},
      {"evil.exe::$DATAx", "", ""},
      {"a.exe\x81::$DATA", "", ""},  // its first ":" is the second byte of a character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::MemberExtension(c.name), c.written) << c.name;
    EXPECT_EQ(app::MemberExtensionAsExtracted(c.name), c.extracted) << c.name;
  }
  EXPECT_EQ(app::NameAsCreated(". ."), "");
  EXPECT_EQ(app::NameAsCreated("dir\\evil.exe. /.::$DATA"), "dir\\evil.exe");
  EXPECT_EQ(app::NameAsCreated("a\\.."), "a\\..");
}

// The extension read back from the end of an ASCII tail equals the one of a
// walk over the characters from the start (LastDelimiter), in every code
// page, on random names of delimiters, letters, lead and trail bytes.
TEST_F(CheckRunTest, ExtensionEqualsAWalkFromTheStart) {
  std::mt19937 random(11);
  const std::string alphabet = ".\\:aB /\x81\x83\x5C\xC3\xA9\xE3\x80";
  const auto extensionOf = [](const std::string& name) {
    const std::size_t delimiter = platform::LastDelimiter(".\\:", name);
    if (delimiter == std::string::npos || name[delimiter] != '.') return std::string();
    return platform::AnsiLowerCase(name.substr(delimiter + 1));
  };
  for (const platform::CodePage codePage :
       {platform::CodePage::Cp932, platform::CodePage::Utf8, platform::CodePage::SingleByte}) {
    platform::OverrideCodePage(codePage);
    for (int round = 0; round < 20000; ++round) {
      std::string name;
      for (std::size_t n = random() % 9; n > 0; --n) name += alphabet[random() % alphabet.size()];
      ASSERT_EQ(app::MemberExtension(name), extensionOf(name)) << static_cast<int>(codePage) << " " << name;
      ASSERT_EQ(app::MemberExtensionAsExtracted(name), extensionOf(app::NameAsCreated(name)))
          << static_cast<int>(codePage) << " " << name;
    }
  }
}

TEST_F(CheckRunTest, IndexInListIsExact) {
  const StringList list = {"exe", "EXE", "", "exe"};
  const std::pair<std::string, int> cases[] = {{"exe", 0}, {"EXE", 1}, {"", 2}, {"Exe", -1}, {"ex", -1}};
  for (const auto& c : cases) EXPECT_EQ(app::IndexInList(c.first, list), c.second) << c.first;
}

TEST_F(CheckRunTest, HitDecisionAndReportLines) {
  struct Case {
    const char* name;
    StringList members, watch;
    bool hit;
    StringList lines;
  };
  const Case cases[] = {
      {"no members", {}, kDefaultWatch, false, {}},
      {"upper-case member", {"a.EXE"}, kDefaultWatch, true, {"[ exe ] a.EXE"}},
      {"upper-case entry never hits", {"a.exe"}, {"EXE"}, false, {"[ exe ] a.exe"}},
      {"hit through bat, report through both",
       {"a.exe", "b.bat"},
       {"EXE", "bat"},
       true,
       {"[ exe ] a.exe", "[ bat ] b.bat"}},
      {"duplicate entry", {"a.exe"}, {"exe", "exe"}, true, {"[ exe ] a.exe", "[ exe ] a.exe"}},
      {"duplicate member", {"a.exe", "a.exe"}, {"exe"}, true, {"[ exe ] a.exe", "[ exe ] a.exe"}},
      {"empty entry", {"README", "dir\\", "x.txt"}, {"", "bat"}, true, {"[  ] README", "[  ] dir\\"}},
      {"archive order", {"x.scr", "y.txt", "z.bat"}, kDefaultWatch, true, {"[ scr ] x.scr", "[ bat ] z.bat"}},
      {"empty watch list", {"a.exe"}, {}, false, {}},
      {"trailing dot and blank",
       {"evil.exe.", "evil.exe "},
       kDefaultWatch,
       true,
       {"[ exe ] evil.exe.", "[ exe ] evil.exe "}},
      {"names shown as listed",
       {"evil.exe::$DATA", "evil.exe\\.", "evil.exe/.", "evil.exe:x", "a.txt:b.scr"},
       kDefaultWatch,
       true,
       {"[ exe ] evil.exe::$DATA", "[ exe ] evil.exe\\.", "[ exe ] evil.exe/.", "[ scr ] a.txt:b.scr"}},
      {"line breaks in a name", {"a\r\n[ exe ] b.exe"}, kDefaultWatch, true, {"[ exe ] a<CR><LF>[ exe ] b.exe"}},
      {"control characters in the extension", {"a.e\x01xe"}, {"e\x01xe"}, true, {"[ e<01>xe ] a.e<01>xe"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::HasWatchedMember(c.members, c.watch), c.hit) << c.name;
    EXPECT_EQ(app::BuildReportLines(c.members, c.watch), c.lines) << c.name;
  }
}

// The hash-set decision and the grouped report equal the plain nested loops
// (distinct extensions tested with IndexInList; every member against every
// entry) on random lists.
TEST_F(CheckRunTest, FastMatchingEqualsNestedLoops) {
  std::mt19937 random(7);
  const std::string alphabet = "eExXbB.\\/ :\x83\x5C";
  const StringList entries = {"", "e", "E", "ex", "exe", "EXE", "x", "b", "\x83\x5C", "e x"};
  auto pick = [&](std::size_t maxLength) {
    std::string text;
    for (std::size_t n = random() % (maxLength + 1); n > 0; --n) text += alphabet[random() % alphabet.size()];
    return text;
  };
  for (int round = 0; round < 3000; ++round) {
    StringList members, watch;
    for (std::size_t n = random() % 8; n > 0; --n) members.push_back(pick(6));
    for (std::size_t n = random() % 4; n > 0; --n) watch.push_back(entries[random() % entries.size()]);

    StringList distinct;
    for (const std::string& m : members) {
      const std::string ext = app::MemberExtensionAsExtracted(m);
      if (app::IndexInList(ext, distinct) < 0) distinct.push_back(ext);
    }
    bool hit = false;
    for (const std::string& ext : distinct) {
      if (app::IndexInList(ext, watch) >= 0) {
        hit = true;
        break;
      }
    }
    StringList lines;
    for (const std::string& m : members) {
      const std::string ext = app::MemberExtensionAsExtracted(m);
      for (const std::string& w : watch) {
        if (platform::AnsiSameText(ext, w)) {
          lines.push_back("[ " + app::EscapeForDisplay(ext) + " ] " + app::EscapeForDisplay(m));
        }
      }
    }
    ASSERT_EQ(app::HasWatchedMember(members, watch), hit) << round;
    ASSERT_EQ(app::BuildReportLines(members, watch), lines) << round;
  }
}

TEST_F(CheckRunTest, EscapedTextShowsOnOneLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"dir\\a.exe", "dir\\a.exe"},
      {"a\r\nb", "a<CR><LF>b"},
      {"\t\x01\x7F\0"s, "<TAB><01><7F><00>"},
      {"\x83\x5C\xB1", "\x83\x5C\xB1"},  // double-byte character, half-width kana
      {"a\x81", "a<81>"},                // lead byte at the end
      {"\x81\n", "<81><LF>"},            // lead byte before a line break
  };
  for (const auto& c : cases) EXPECT_EQ(app::EscapeForDisplay(c.first), c.second) << c.first;
  // Bidirectional controls exist only in UTF-8; in code page 932 the same
  // bytes are other characters and stay.
  platform::OverrideCodePage(platform::CodePage::Utf8);
  if (platform::CharLength(u8"\u202E", 0) != 3) return;  // Win32 keeps the system's code page
  const std::pair<std::string, std::string> utf8Cases[] = {
      {u8"evil\u202Etxt.exe", "evil<U+202E>txt.exe"},
      {u8"\u202A\u202B\u202C\u202D", "<U+202A><U+202B><U+202C><U+202D>"},
      {u8"a\u2066b\u2067c\u2068d\u2069", "a<U+2066>b<U+2067>c<U+2068>d<U+2069>"},
      {u8"\u2029\u2065\u206A\u2029", u8"\u2029\u2065\u206A\u2029"},  // neighbours stay (U+2029 is no control byte)
      {u8"日本語\\表示.exe", u8"日本語\\表示.exe"},
  };
  for (const auto& c : utf8Cases) EXPECT_EQ(app::EscapeForDisplay(c.first), c.second) << c.first;
}

TEST_F(CheckRunTest, ReportMessageText) {
  const std::string sentence = "\r\n の中に監視対象の拡張子を持つファイルを発見しました。処理を中断しますか？";
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\dir\\a.lzh", "a.lzh\r\n（C:\\dir\\）"},
      {"a.lzh", "a.lzh\r\n（）"},
      {"C:\\\x83\x5C\\\x83\x5C", "\x83\x5C\r\n（C:\\\x83\x5C\\）"},
      {"C:\\my dir\\\"q\" 日本.zip", "\"q\" 日本.zip\r\n（C:\\my dir\\）"},
  };
  for (const auto& c : cases) EXPECT_EQ(app::ReportMessageText(c.first), c.second + sentence) << c.first;
}

TEST_F(CheckRunTest, ArchiverIndexFromTheExtension) {
  const std::pair<std::string, int> cases[] = {
      {"x.lzh", 1},
      {"data.ZIP", 2},
      {"x.Cab", 3},
      {"x.7Z", 4},
      {"x.rar", 5},
      {"x.GCA", 6},
      {"data.tar.gz", 0},
      {"C:\\dir.old\\archive", 0},
      {"archive", 0},
      {"x.", 0},
      {"x.zipx", 0},
      {"C:\\a.zip\\b", 0},
      {"C:\\\x83\x5C.zip", 2},
      {"C:\\\x83\x5C", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(app::ArchiverIndexFor(c.first), c.second) << c.first;
}

TEST_F(CheckRunTest, ArchiverProgramChoice) {
  const std::set<std::string> files = {"C:\\lzh.exe", "C:\\general.exe"};
  auto exists = [&](const std::string& path) {
    EXPECT_FALSE(path.empty()) << "an empty path is never looked up";
    return files.count(path) != 0;
  };
  const settings::ArchiverPaths both = {"C:\\general.exe", "C:\\lzh.exe", "", "C:\\missing.exe", "", "", ""};
  const settings::ArchiverPaths noGeneral = {"", "C:\\lzh.exe", "", "", "", "", ""};
  const settings::ArchiverPaths folderOnly = {"C:\\dir", "", "", "", "", "", ""};
  struct Case {
    const settings::ArchiverPaths* paths;
    int index;
    std::string expected;
  };
  const Case cases[] = {
      {&both, 1, "C:\\lzh.exe"},     {&both, 2, "C:\\general.exe"}, {&both, 3, "C:\\general.exe"},
      {&both, 0, "C:\\general.exe"}, {&both, 9, "C:\\general.exe"}, {&noGeneral, 1, "C:\\lzh.exe"},
      {&noGeneral, 2, ""},           {&folderOnly, 0, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::ChooseArchiverProgram(*c.paths, c.index, exists), c.expected) << c.index;
  }
}

TEST_F(CheckRunTest, QuotingAndUnquotingTheArchivePath) {
  const std::pair<std::string, std::string> quoted[] = {
      {"C:\\a b\\x.zip", "\"C:\\a b\\x.zip\""},
      {"C:\\a\"b\\x.zip", "\"C:\\a\"\"b\\x.zip\""},
      {"C:\\\x83\x5C 日本\\x.lzh", "\"C:\\\x83\x5C 日本\\x.lzh\""},
      {"\"", "\"\"\"\""},
  };
  for (const auto& c : quoted) {
    EXPECT_EQ(app::QuoteArchiveArgument(c.first), c.second) << c.first;
    EXPECT_EQ(app::UnquoteCommandLineArgument(c.second), c.first) << c.second;
  }
  const std::pair<std::string, std::string> unquoted[] = {
      {"C:\\x.zip", "C:\\x.zip"},     {"\"\"", "\"\""},  // empty inside: the argument unchanged
      {"\"C:\\no end", "C:\\no end"}, {"\"a\"tail", "a"}, {"a\"b\"", "a\"b\""}, {"", ""},
  };
  for (const auto& c : unquoted) EXPECT_EQ(app::UnquoteCommandLineArgument(c.first), c.second) << c.first;
}

}  // namespace
