#include "settings/IniFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/CodePage.h"
#include "tests/support/PlatformHooks.h"

namespace {

using namespace std::string_literals;
using settings::IniFile;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::OverrideCodePage(platform::CodePage::Cp932); }
  void TearDown() override { platform::ClearCodePageOverride(); }
};

TEST_F(IniFileTest, ReadsValuesByTheReadingRules) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* section;
    const char* key;
    std::string expected;  // "<missing>" when the key must not exist
  };
  const std::string kMissing = "<missing>";
  const Case cases[] = {
      {"plain", "[Software]\r\nzipPath=C:\\z.exe\r\n", "Software", "zipPath", "C:\\z.exe"},
      {"other case, blanks and tabs", "[ software ]\r\n  ZIPPATH \t=  C:\\z.exe \t\r\n", "Software", "zipPath",
       "C:\\z.exe"},
      {"lone CR and LF", "[Software]\rzipPath=a\nlzhPath=b", "Software", "lzhPath", "b"},
      {"comment skipped", "[Software]\r\n;zipPath=x\r\n", "Software", "zipPath", kMissing},
      {"before first section", "zipPath=x\r\n[Software]\r\n", "Software", "zipPath", kMissing},
      {"quotes kept", "[Software]\r\nzipPath=\"C:\\a b\\z.exe\"", "Software", "zipPath", "\"C:\\a b\\z.exe\""},
      {"split at first =", "[Software]\r\nzipPath = a = b", "Software", "zipPath", "a = b"},
      {"first key wins", "[Software]\r\nzipPath=1\r\nZIPPATH=2", "Software", "zipPath", "1"},
      {"first section wins", "[S]\r\nk=1\r\n[s]\r\nk=2\r\n", "S", "k", "1"},
      {"other section", "[Other]\r\nzipPath=x\r\n[Software]\r\n", "Software", "zipPath", kMissing},
      {"line without =", "[Software]\r\nzipPath\r\n", "Software", "zipPath", kMissing},
      {"trail byte 0x5C", "[Software]\r\nzipPath=C:\\\x83\x5C\\z.exe", "Software", "zipPath", "C:\\\x83\x5C\\z.exe"},
      {"NUL does not end the file", "[Software]\r\nx\0y\r\nzipPath=a"s, "Software", "zipPath", "a"},
  };
  for (const Case& c : cases) {
    IniFile ini = IniFile::Parse(c.bytes);
    EXPECT_EQ(ini.ReadString(c.section, c.key, kMissing), c.expected) << c.name;
    EXPECT_EQ(ini.ValueExists(c.section, c.key), c.expected != kMissing) << c.name;
  }
}

TEST_F(IniFileTest, WritesByTheRewriteRules) {
  struct Case {
    const char* name;
    std::string before;
    std::string expected;
  };
  // Each case sets Software/zipPath to "new" and rewrites the file.
  const Case cases[] = {
      {"from nothing", "", "[Software]\r\nzipPath=new\r\n\r\n"},
      {"replaced in place, key in given case, section case kept", "[software]\r\na=1\r\n ZIPPATH = old \r\nb=2\r\n",
       "[software]\r\na=1\r\nzipPath=new\r\nb=2\r\n\r\n"},
      {"comments, blank lines and text before the first section dropped",
       "top\r\n; c\r\n\r\n[A]\r\n x = 1 \r\n;c2\r\n\r\n[Software]\r\n",
       "[A]\r\nx=1\r\n\r\n[Software]\r\nzipPath=new\r\n\r\n"},
      {"missing section appended at the end", "[A]\nfree text\n",
       "[A]\r\nfree text\r\n\r\n[Software]\r\nzipPath=new\r\n\r\n"},
      {"missing key appended at the end of its section", "[Software]\r\nk=v\r\n[Z]\r\n",
       "[Software]\r\nk=v\r\nzipPath=new\r\n\r\n[Z]\r\n\r\n"},
  };
  for (const Case& c : cases) {
    IniFile ini = IniFile::Parse(c.before);
    ini.WriteString("Software", "zipPath", "new");
    EXPECT_EQ(ini.ToBytes(), c.expected) << c.name;
  }
}

// Garbage of every kind parses, and a rewrite keeps what was readable: the
// written keys read back and no section is lost.
TEST_F(IniFileTest, GarbageNeverBreaksReadingOrRewriting) {
  std::mt19937 random(20240601);
  const std::string alphabet = "[]=; \t\r\n\0ab\x81\x5C\x83\xFF\xE0\x80"s;
  for (int round = 0; round < 500; ++round) {
    std::string bytes;
    std::size_t length = random() % 200;
    for (std::size_t i = 0; i < length; ++i) bytes += alphabet[random() % alphabet.size()];
    if (round % 50 == 0) bytes += "[Big]\r\nk=" + std::string(1 << 20, '\x82') + "\r\n";

    IniFile ini = IniFile::Parse(bytes);
    const std::vector<std::string> sections = ini.SectionNames();
    ini.WriteString("Software", "zipPath", "C:\\\x83\x5C z.exe");
    ini.WriteString("Software", "7zPath", "");
    const std::string written = ini.ToBytes();

    IniFile reread = IniFile::Parse(written);
    EXPECT_EQ(reread.ReadString("Software", "zipPath"), "C:\\\x83\x5C z.exe");
    EXPECT_TRUE(reread.ValueExists("Software", "7zPath"));
    const std::vector<std::string> after = reread.SectionNames();
    ASSERT_GE(after.size(), sections.size());
    EXPECT_TRUE(std::equal(sections.begin(), sections.end(), after.begin()));
    EXPECT_EQ(reread.ToBytes(), written) << "a second rewrite changes nothing";
  }
}

}  // namespace
