// The runtime's plain text rules, run as a Win32 program under Wine
// (code page 932), where double-byte characters are what they are in use.
#include "platform/CodePage.h"
#include "runtime/Text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace runtime;
using ::testing::ElementsAreArray;

TEST(AccessKey, TakesTheCharacterAfterASingleAmpersand) {
  const struct {
    std::string caption;
    char key;
  } cases[] = {
      {"中断(&S)", 's'},
      {"続行(&c)", 'c'},
      {"&Apply", 'a'},
      {"Save && E&xit", 'x'},  // "&&" is a plain ampersand
      {"A&&B", 0},
      {"追加", 0},
      {"", 0},
      {"trailing&", 0},
      {"&", 0},
      {"(&1)", '1'},
      // ソ is 0x83 0x5C and ポ is 0x83 0x7C: trail bytes are never markers
      // nor keys, and an ampersand before a double-byte character gives none.
      {"ソ&N", 'n'},
      {"ポ&Q", 'q'},
      {"&ソ", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AccessKeyOf(c.caption), c.key) << c.caption;
  }
  EXPECT_TRUE(MatchesAccessKey("中断(&S)", 'S'));
  EXPECT_TRUE(MatchesAccessKey("中断(&S)", 's'));
  EXPECT_FALSE(MatchesAccessKey("中断(&S)", 'c'));
  EXPECT_FALSE(MatchesAccessKey("追加", '\0'));
}

TEST(FileFilter, BarsBecomeNulsAndTheListEndsWithTwo) {
  const struct {
    std::string filter;
    std::string expected;
  } cases[] = {
      {"*.exe|*.exe", std::string("*.exe\0*.exe\0\0", 13)},
      {"Programs|*.exe;*.com|All|*.*", std::string("Programs\0*.exe;*.com\0All\0*.*\0\0", 30)},
      {"", std::string("\0\0", 2)},
      // The second byte of ポ is "|": it stays.
      {"ポ|*.exe", std::string("ポ\0*.exe\0\0", 10)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FilterToNulSeparated(c.filter), c.expected) << c.filter;
  }
}

TEST(Lines, SplitAndJoinAsAMultiLineEditHoldsThem) {
  const struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"\r\n", {""}},
      {"a\nb\rc", {"a", "b", "c"}},
      {"フォルダ\\ファイル.exe\r\n表\r\n", {"フォルダ\\ファイル.exe", "表"}},
  };
  for (const auto& c : cases) {
    EXPECT_THAT(platform::SplitLines(c.text), ElementsAreArray(c.lines)) << c.text;
  }
  const std::vector<std::string> lines{"x", "", "表示"};
  EXPECT_EQ(JoinLines(lines), "x\r\n\r\n表示\r\n");
  EXPECT_THAT(platform::SplitLines(JoinLines(lines)), ElementsAreArray(lines));
  EXPECT_EQ(JoinLines({}), "");
}
