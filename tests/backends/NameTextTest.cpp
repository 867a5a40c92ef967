// Member names for the record: decoding, code page, shortening, wildcards.
#include <gtest/gtest.h>

#include "ArchiveTools.h"
#include "backends/NameText.h"
#include "platform/CodePage.h"
#include "tests/support/PlatformHooks.h"

using backends::DecodeArchiveName;
using backends::MatchWildcard;
using backends::RecordName;
using backends::ShortenName;
using backends_test::ToCp932;

namespace {

class NameText : public ::testing::Test {
 protected:
  void TearDown() override { platform::ClearCodePageOverride(); }
};

TEST_F(NameText, ArchiveBytesAreReadAsUtf8OrElseShiftJis) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"plain/name.txt", u"plain/name.txt"},
      {"日本語/表示.exe", u"日本語/表示.exe"},
      {ToCp932("日本語/表示.exe"), u"日本語/表示.exe"},  // 表 is 0x95 0x5C
      {ToCp932("ｶﾀｶﾅ.txt"), u"ｶﾀｶﾅ.txt"},                // half-width kana: single bytes
      {"\xF0\x9F\x98\x80.exe", u"\U0001F600.exe"},       // outside the BMP: a surrogate pair
      {"a\x80z", u"a?z"},                                // no character of either
      {"bad\x81", u"bad?"},                              // a lead byte with nothing after it
      {"\xC0\xAF.exe", u"\uFF80\uFF6F.exe"},             // overlong UTF-8 is no UTF-8: kana
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeArchiveName(c.bytes), c.text) << c.bytes;
}

TEST_F(NameText, RecordNamesUseBackslashesAndTheActiveCodePage) {
  struct Case {
    std::string bytes;
    std::string utf8;  // expected, as UTF-8 text
  };
  const Case cases[] = {
      {"dir/sub/file.EXE", "dir\\sub\\file.EXE"},
      {"日本語/表示.exe", "日本語\\表示.exe"},
      {ToCp932("日本語/表示.exe"), "日本語\\表示.exe"},
      {"trailing.", "trailing."},
      {"folder/", "folder\\"},
  };
  for (platform::CodePage page : {platform::CodePage::Utf8, platform::CodePage::Cp932}) {
    platform::OverrideCodePage(page);
    for (const Case& c : cases) {
      const std::string expected = page == platform::CodePage::Cp932 ? ToCp932(c.utf8) : c.utf8;
      EXPECT_EQ(RecordName(c.bytes), expected) << c.utf8;
    }
  }
}

TEST_F(NameText, LongNamesKeepTheirEndAndWholeCharacters) {
  for (platform::CodePage page : {platform::CodePage::Utf8, platform::CodePage::Cp932}) {
    platform::OverrideCodePage(page);
    auto narrow = [&](const std::string& utf8) { return page == platform::CodePage::Cp932 ? ToCp932(utf8) : utf8; };
    // Multi-byte characters all along, so that any cut could split one.
    std::string utf8;
    while (utf8.size() < 900) utf8 += "表示";
    utf8 += "\\setup.EXE";
    const std::string text = narrow(utf8);
    const std::string shortened = ShortenName(text, 512);
    ASSERT_LE(shortened.size(), 512u);
    EXPECT_GE(shortened.size(), 505u);
    EXPECT_EQ(shortened.substr(shortened.size() - 10), "\\setup.EXE");
    const std::size_t join = shortened.find("...");
    ASSERT_NE(join, std::string::npos);
    // Head and tail are whole characters: each is a run of whole "表示" pairs
    // or part of one at a character boundary, so each round-trips unchanged.
    const std::string head = shortened.substr(0, join);
    const std::string tail = shortened.substr(join + 3);
    EXPECT_EQ(text.compare(0, head.size(), head), 0);
    EXPECT_EQ(text.compare(text.size() - tail.size(), tail.size(), tail), 0);
    const std::size_t unit = narrow("表").size();
    EXPECT_EQ(head.size() % unit, 0u);
    EXPECT_EQ((tail.size() - 10) % unit, 0u);
    // Text that fits is left alone.
    EXPECT_EQ(ShortenName(narrow("短い名前.exe"), 512), narrow("短い名前.exe"));
  }
}

// What a long or odd raw name becomes in the record, judged by the
// extension Windows would give the file it is written to.
TEST_F(NameText, LongNamesKeepTheExtensionTheFileGets) {
  platform::OverrideCodePage(platform::CodePage::Utf8);
  const std::string longPart(600, 'a');
  struct Case {
    std::string stored;
    std::string end;  // what the record name ends with
  };
  const Case cases[] = {
      {longPart + ".exe" + std::string(200, ' '), ".exe" + std::string(16, ' ')},
      {longPart + ".exe" + std::string(200, '.'), ".exe" + std::string(16, '.')},
      {longPart + ".exe. . .", ".exe. . ."},
      {longPart + ".exe" + std::string("\0", 1) + std::string(300, 'b') + ".txt", longPart.substr(0, 20) + ".exe"},
      {"short.exe" + std::string("\0", 1) + ".txt", "short.exe"},
      {std::string(300, 'x') + ".exe" + std::string("\0", 1) + std::string(300, 'y'), "x.exe"},
      {"dir/" + std::string(700, '.'), "dir\\" + std::string(16, '.')},
  };
  for (const Case& c : cases) {
    const std::string record = RecordName(c.stored);
    EXPECT_LE(record.size(), 512u);
    ASSERT_GE(record.size(), c.end.size());
    EXPECT_EQ(record.substr(record.size() - c.end.size()), c.end) << record;
    EXPECT_EQ(record.find('\0'), std::string::npos);
  }
}

TEST_F(NameText, WildcardsAreCaseBlindAndCharacterAware) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.*", "noextension", true},       {"*", "dir\\file", true},
      {"*.exe", "dir\\SETUP.EXE", true},  {"*.exe", "dir\\setup.exe.txt", false},
      {"s?tup.*", "SETUP.EXE", true},     {"s?tup.*", "SEETUP.EXE", false},
      {"dir\\*.txt", "dir\\a.txt", true}, {"dir\\*.txt", "other\\a.txt", false},
      {"*表*", "日本語\\表示.exe", true}, {"?示.exe", "表示.exe", true},  // "?" takes a whole character
      {"*a*b*c", "xxaxxbxxc", true},      {"*a*b*c", "xxaxxcxxb", false},
  };
  for (platform::CodePage page : {platform::CodePage::Utf8, platform::CodePage::Cp932}) {
    platform::OverrideCodePage(page);
    for (const Case& c : cases) {
      const std::string pattern = page == platform::CodePage::Cp932 ? ToCp932(c.pattern) : c.pattern;
      const std::string name = page == platform::CodePage::Cp932 ? ToCp932(c.name) : c.name;
      EXPECT_EQ(MatchWildcard(pattern, name), c.match) << c.pattern << " " << c.name;
    }
  }
  // In Shift_JIS the trail byte 0x5C of 表 is no folder separator.
  platform::OverrideCodePage(platform::CodePage::Cp932);
  EXPECT_TRUE(MatchWildcard("??.exe", ToCp932("表示.exe")));
  EXPECT_TRUE(MatchWildcard(ToCp932("表*"), ToCp932("表示.exe")));
}

}  // namespace
