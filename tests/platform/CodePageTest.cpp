// Code page helpers. The Shift_JIS tables run on both targets: on POSIX in
// our own code with code page 932 forced, on Win32 in the system's calls with
// the real code page 932 (under Wine), so that both are held to one answer.
// Byte strings are written with escapes so both builds see the same bytes.

// The case tables are laid out by hand, one row a case.
// clang-format off
#include "platform/CodePage.h"

#include "TestSupport.h"
#include "tests/support/PlatformHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::CodePage;
using platform_test::Cp932Scope;
using platform_test::Hex;

constexpr std::size_t npos = std::string::npos;

// 表 = 95 5C and ソ = 83 5C end in the byte of "\"; ア = 83 41 ends in "A".
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";
const std::string kA = "\x83\x41";

TEST(CodePageCp932, ActiveCodePageIs932) {
  Cp932Scope scope;
  EXPECT_EQ(platform::ActiveCodePage(), CodePage::Cp932);
}

TEST(CodePageCp932, LeadBytes) {
  Cp932Scope scope;
  const struct {
    unsigned char byte;
    bool lead;
  } cases[] = {{0x41, false}, {0x5C, false}, {0x7F, false}, {0x80, false}, {0x81, true},  {0x9F, true},
               {0xA0, false}, {0xB1, false}, {0xDF, false}, {0xE0, true},  {0xFC, true},  {0xFD, false}};
  for (const auto& c : cases) EXPECT_EQ(platform::IsLeadByte(c.byte), c.lead) << std::hex << int(c.byte);
}

TEST(CodePageCp932, CharacterBoundaries) {
  Cp932Scope scope;
  const struct {
    std::string text;
    std::size_t pos;
    std::size_t length;
  } lengths[] = {
      {kSo, 0, 2},        {"a" + kSo, 0, 1}, {"a" + kSo, 1, 2}, {kSo, 2, 0},
      {"a\x95", 1, 1},  // a lead byte at the very end stands alone
      {"\xB1", 0, 1},   // half-width katakana is one byte
      {"", 0, 0},
  };
  for (const auto& c : lengths) {
    EXPECT_EQ(platform::CharLength(c.text, c.pos), c.length) << Hex(c.text) << " @" << c.pos;
  }

  const struct {
    std::string text;
    std::string last;
  } lasts[] = {
      {kSo, kSo}, {"a" + kSo, kSo}, {kSo + "a", "a"}, {"ab", "b"}, {"", ""}, {"a\x95", "\x95"}, {kHyo + kHyo, kHyo},
  };
  for (const auto& c : lasts) EXPECT_EQ(Hex(platform::LastCharacter(c.text)), Hex(c.last)) << Hex(c.text);
}

TEST(CodePageCp932, LastDelimiterSkipsTrailBytes) {
  Cp932Scope scope;
  const struct {
    std::string delimiters;
    std::string text;
    std::size_t expected;
  } cases[] = {
      {"\\", kHyo, npos},                     // the trail byte of 表 is no backslash
      {"\\", kHyo + "\\readme", 2},           // the real one after it is
      {"\\", "a\\" + kHyo, 1},
      {".", kSo + ".exe", 2},                 // ソ.exe: the dot, not the trail byte
      {"\\.:", kSo, npos},
      {"\\.:", kSo + kSo + "\\x", 4},
      {"\\:", "C:\\dir\\name", 6},
      {"\\:", "C:name", 1},
      {"/", "dir/" + kSo, 3},
      {"\\", "", npos},
      {"\\", "a\\\x95", 1},                   // a lone lead byte at the end
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::LastDelimiter(c.delimiters, c.text), c.expected) << Hex(c.text);
  }
}

TEST(CodePageCp932, CaseConversion) {
  Cp932Scope scope;
  const struct {
    std::string upper;
    std::string lower;
  } pairs[] = {
      {"README.EXE", "readme.exe"},
      {"\x82\x60\x82\x79", "\x82\x81\x82\x9A"},  // full-width Ａ Ｚ / ａ ｚ
      {"\x83\x9F\x83\xB6", "\x83\xBF\x83\xD6"},  // Greek Α Ω / α ω
      {"\x84\x40\x84\x46\x84\x60", "\x84\x70\x84\x76\x84\x91"},  // Cyrillic А Ё Я / а ё я
      {"\x87\x54", "\xFA\x40"},                  // Roman numeral Ⅰ / ⅰ
      {"X" + kSo + "Y", "x" + kSo + "y"},
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(Hex(platform::AnsiLowerCase(p.upper)), Hex(p.lower)) << Hex(p.upper);
    EXPECT_EQ(Hex(platform::AnsiUpperCase(p.lower)), Hex(p.upper)) << Hex(p.lower);
  }

  // Texts that neither conversion may change: trail bytes in the range of
  // ASCII letters, kana, kanji, half-width katakana, digits and marks.
  const std::vector<std::string> unchanged = {
      kA,                    // ア: its trail byte is "A"
      "\x83\x5A\x83\x61",    // セ ャ: trail bytes "Z" and "a"
      kHyo,
      "\x88\x9F",            // 亜
      "\xB1\xB2",            // half-width ｱｲ
      "0123 _-+.",
      "\x82\x4F",            // full-width digit ０
  };
  for (const auto& text : unchanged) {
    EXPECT_EQ(Hex(platform::AnsiLowerCase(text)), Hex(text));
    EXPECT_EQ(Hex(platform::AnsiUpperCase(text)), Hex(text));
  }
  EXPECT_EQ(Hex(platform::AnsiLowerCase(kA + "B")), Hex(kA + "b"));
  EXPECT_EQ(Hex(platform::AnsiUpperCase("a" + kA)), Hex("A" + kA));
  EXPECT_EQ(platform::AnsiLowerCase(""), "");
}

TEST(CodePageCp932, CaseBlindComparison) {
  Cp932Scope scope;
  const struct {
    std::string a;
    std::string b;
    int sign;
  } cases[] = {
      {"abc", "ABC", 0},
      {"ReadMe.TXT", "readme.txt", 0},
      {"\x82\x60", "\x82\x81", 0},  // Ａ and ａ
      {"abc", "abd", -1},
      {"b", "A", 1},
      {"a", "B", -1},
      {"_", "a", -1},
      {"a", "aa", -1},
      {"", "a", -1},
      {"a", "\x82\x81", -1},        // ASCII before full-width
      {"10", "9", -1},
  };
  for (const auto& c : cases) {
    const int r = platform::AnsiCompareText(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << Hex(c.a) << " / " << Hex(c.b);
    EXPECT_EQ(platform::AnsiSameText(c.a, c.b), c.sign == 0) << Hex(c.a) << " / " << Hex(c.b);
  }
  // ア and ャ differ only in a trail byte of the value of "A" and "a": they
  // are different letters (their order is the system's own).
  EXPECT_NE(platform::AnsiCompareText(kA, "\x83\x61"), 0);
  EXPECT_FALSE(platform::AnsiSameText(kA, "\x83\x61"));
}

TEST(CodePageCp932, CaseBlindContains) {
  Cp932Scope scope;
  const struct {
    std::string haystack;
    std::string needle;
    bool found;
  } cases[] = {
      {"abc" + kA + "xyz", "XY", true},
      {"README.TXT", "me.t", true},
      {"README", "", true},
      {"", "a", false},
      {kA, "A", false},            // only the trail byte of ア is "A"
      {kHyo, "\\", false},         // only the trail byte of 表 is "\"
      {kSo + kSo, "\\" , false},
      {"x" + kA, kA, true},
      {"\x82\x60" "BC", "\x82\x81" "b", true},  // full-width letters ignore case too
      {"abc", "abcd", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::AnsiContainsText(c.haystack, c.needle), c.found) << Hex(c.haystack) << " / " << Hex(c.needle);
  }
}

TEST(CodePageCp932, WideToNarrow) {
  Cp932Scope scope;
  const struct {
    std::u16string wide;
    std::string narrow;
  } cases[] = {
      {u"readme.txt", "readme.txt"},
      {u"\x8868\x30BD.exe", kHyo + kSo + ".exe"},
      {u"\xFF21", "\x82\x60"},
      {u"\x20AC", "?"},           // no euro sign in code page 932
      {u"\x00A5", "?"},           // no look-alike "\" for the yen sign
      {u"\x00E9", "?"},           // nor "e" for e-acute
      {u"a\xD83D\xDE00" "b", "a??b"},  // one "?" per UTF-16 unit
      {u"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(platform::WideToNarrow(c.wide)), Hex(c.narrow)) << Hex(c.narrow);
}

TEST(CodePage, TrimText) {
  const struct {
    std::string text;
    std::string trimmed;
  } cases[] = {
      {"  a b \t\r\n", "a b"}, {"\x01x\x1F", "x"}, {"   ", ""}, {"", ""}, {"\x81\x40" "a\x81\x40", "\x81\x40" "a\x81\x40"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(platform::TrimText(c.text)), Hex(c.trimmed));
}

// Independent of the active code page, so the same on both targets.
TEST(CodePage, DecodeUtf8) {
  const struct {
    std::string bytes;
    std::size_t length;  // 0: no well-formed character
    char32_t codePoint;
  } cases[] = {
      {"a", 1, U'a'},
      {std::string(1, '\0'), 1, 0},
      {"\xC3\xA9x", 2, 0xE9},
      {"\xE8\xA1\xA8", 3, 0x8868},
      {"\xEF\xBF\xBF", 3, 0xFFFF},
      {"\xF0\x9F\x98\x80", 4, 0x1F600},
      {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      {"", 0, 0},
      {"\x80", 0, 0},              // a continuation byte alone
      {"\xC3", 0, 0},              // cut short
      {"\xE8\xA1", 0, 0},
      {"\xE8\x41\xA8", 0, 0},      // not a continuation byte
      {"\xC0\x80", 0, 0},          // overlong forms
      {"\xC1\xBF", 0, 0},
      {"\xE0\x9F\xBF", 0, 0},
      {"\xF0\x8F\xBF\xBF", 0, 0},
      {"\xED\xA0\x80", 0, 0},      // a surrogate
      {"\xF4\x90\x80\x80", 0, 0},  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", 0, 0},
      {"\xFF", 0, 0},
  };
  for (const auto& c : cases) {
    char32_t codePoint = 0xDEAD;
    const std::size_t length = platform::DecodeUtf8(c.bytes.data(), c.bytes.size(), codePoint);
    EXPECT_EQ(length, c.length) << Hex(c.bytes);
    if (c.length != 0) {
      EXPECT_EQ(static_cast<std::uint32_t>(codePoint), static_cast<std::uint32_t>(c.codePoint)) << Hex(c.bytes);
    }
  }
  // Never reads past size, even where the lead byte asks for more.
  const char cut[] = "\xE8\xA1\xA8";
  char32_t codePoint = 0;
  EXPECT_EQ(platform::DecodeUtf8(cut, 2, codePoint), 0u);
}

TEST(CodePage, DecodeUtf16) {
  const struct {
    std::u16string units;
    std::size_t taken;
    char32_t codePoint;
  } cases[] = {
      {u"a", 1, U'a'},
      {u"\xFFFF", 1, 0xFFFF},
      {u"\U0001F600x", 2, 0x1F600},
      {u"\U0010FFFF", 2, 0x10FFFF},
      {{0xD83D}, 1, 0xD83D},          // a high surrogate at the end
      {{0xD83D, u'a'}, 1, 0xD83D},    // a high surrogate before no low one
      {{0xDE00, 0xD83D}, 1, 0xDE00},  // a low surrogate first
      {{0xD83D, 0xD83D, 0xDE00}, 1, 0xD83D},
  };
  for (const auto& c : cases) {
    char32_t codePoint = 0;
    EXPECT_EQ(platform::DecodeUtf16(c.units.data(), c.units.size(), codePoint), c.taken);
    EXPECT_EQ(static_cast<std::uint32_t>(codePoint), static_cast<std::uint32_t>(c.codePoint));
  }
  // A pair cut by size is half a pair.
  const std::u16string pair = u"\U0001F600";
  char32_t codePoint = 0;
  EXPECT_EQ(platform::DecodeUtf16(pair.data(), 1, codePoint), 1u);
  EXPECT_EQ(static_cast<std::uint32_t>(codePoint), 0xD83Du);
}

#ifndef _WIN32

// UTF-8 is only ever the code page of the POSIX build.
class CodePageUtf8 : public ::testing::Test {
 protected:
  void SetUp() override { platform::OverrideCodePage(CodePage::Utf8); }
  void TearDown() override { platform::ClearCodePageOverride(); }
};

TEST_F(CodePageUtf8, CharacterBoundaries) {
  const struct {
    std::string text;
    std::size_t length;
  } cases[] = {
      {"a", 1}, {"é", 2}, {"表", 3}, {"😀", 4},
      {"\xE8\x41", 1},  // a broken sequence is walked byte by byte
      {"\xE8\xA1", 1},  // cut short at the end
      {"\xC0\x80", 1},  // overlong
      {"\xE0\x80\xAF", 1},
      {"\xED\xA0\x80", 1},  // a surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(platform::CharLength(c.text, 0), c.length) << Hex(c.text);
  EXPECT_EQ(platform::LastCharacter("ab表"), "表");
  EXPECT_EQ(platform::LastCharacter("表\xE8"), "\xE8");
  EXPECT_EQ(platform::LastDelimiter("/.", "dir/名前.tar"), std::string("dir/名前").size());
}

TEST_F(CodePageUtf8, CaseConversion) {
  const struct {
    std::string upper;
    std::string lower;
  } pairs[] = {
      {"README.EXE", "readme.exe"}, {"ÄÖÜ", "äöü"}, {"ΑΒΓ", "αβγ"}, {"АБВЁ", "абвё"},
      {"ＡＢ", "ａｂ"}, {"表ア1", "表ア1"},
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(platform::AnsiLowerCase(p.upper), p.lower);
    EXPECT_EQ(platform::AnsiUpperCase(p.lower), p.upper);
  }
  // Broken sequences pass through untouched.
  EXPECT_EQ(Hex(platform::AnsiLowerCase("A\xE8Z\xC3")), Hex("a\xE8z\xC3"));
  // An overlong form of "À" is no letter: it is kept, not folded into "à".
  EXPECT_EQ(Hex(platform::AnsiLowerCase("\xE0\x83\x80")), Hex("\xE0\x83\x80"));
}

TEST_F(CodePageUtf8, ComparisonAndSearch) {
  EXPECT_TRUE(platform::AnsiSameText("ÄRGER.TXT", "ärger.txt"));
  EXPECT_FALSE(platform::AnsiSameText("ア", "ャ"));
  EXPECT_LT(platform::AnsiCompareText("abc", "ABD"), 0);
  EXPECT_TRUE(platform::AnsiContainsText("ΑΒΓ.lzh", "βγ"));
  EXPECT_FALSE(platform::AnsiContainsText("é", "\xA9"));  // the second byte of é alone
}

// ASCII text is converted without asking for the code page: every byte
// below 0x80 must come out as each code page's own conversion has it.
TEST(CodePage, AsciiChangesCaseAlikeInEveryCodePage) {
  std::string ascii, lower, upper;
  for (int c = 0; c < 0x80; ++c) {
    ascii += static_cast<char>(c);
    lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  for (const CodePage codePage : {CodePage::Cp932, CodePage::Utf8, CodePage::SingleByte}) {
    platform::OverrideCodePage(codePage);
    EXPECT_EQ(Hex(platform::AnsiLowerCase(ascii)), Hex(lower)) << static_cast<int>(codePage);
    EXPECT_EQ(Hex(platform::AnsiUpperCase(ascii)), Hex(upper)) << static_cast<int>(codePage);
    // One byte above ASCII and the code page decides again.
    EXPECT_EQ(Hex(platform::AnsiLowerCase("AB\x83\x41")), Hex(codePage == CodePage::Cp932 ? "ab\x83\x41" : "ab\x83" "a"))
        << static_cast<int>(codePage);
  }
  platform::ClearCodePageOverride();
}

TEST_F(CodePageUtf8, WideToNarrow) {
  EXPECT_EQ(platform::WideToNarrow(u"表A€\xD83D\xDE00"), "表A€😀");
  EXPECT_EQ(platform::WideToNarrow(u"a\xD800" "b"), "a?b");  // a lone surrogate
}

#endif

}  // namespace
// clang-format on
