#include "settings/ConfigRules.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "tests/support/PlatformHooks.h"

namespace {

using Strings = std::vector<std::string>;

class ConfigRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::OverrideCodePage(platform::CodePage::Cp932); }
  void TearDown() override { platform::ClearCodePageOverride(); }
};

TEST_F(ConfigRulesTest, AddedExtensionIsNormalised) {
  const std::pair<std::string, std::string> cases[] = {
      {".EXE ", "exe"},
      {"tar.gz", "targz"},
      {"E.X.E", "exe"},
      {"...", ""},
      {"\t.Bat\r\n", "bat"},
      {". e x e .", "e x e"},
      // A double-byte character whose trail byte is "A" stays intact.
      {".\x83\x41"
       "EXE",
       "\x83\x41"
       "exe"},
      // Full-width E becomes full-width e.
      {"\x82\x64", "\x82\x85"},
  };
  for (const auto& c : cases) EXPECT_EQ(settings::NormalizeAddedExtension(c.first), c.second) << c.first;
}

TEST_F(ConfigRulesTest, SortedLikeTheListBox) {
  // Items that compare equal land where the list control's binary search
  // meets them, not in their first order.
  const std::pair<Strings, Strings> cases[] = {
      {{}, {}},
      {{"scr", "Bat", "exe", "ABC", "bat"}, {"ABC", "bat", "Bat", "exe", "scr"}},
      {{"zip", "EXE", "exe", "Exe", ""}, {"", "exe", "Exe", "EXE", "zip"}},
      {{"targz", "tar", "t"}, {"t", "tar", "targz"}},
      {{"exe", "exe", "bat"}, {"bat", "exe", "exe"}},
      {{"x", "X", "x", "X", "x"}, {"x", "x", "X", "X", "x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(settings::SortLikeListBox(c.first), c.second);
}

TEST_F(ConfigRulesTest, AddingSortsTheWholeListAndAddsOnlyWhatIsLeft) {
  struct Case {
    Strings items;
    std::string answer;
    Strings expected;
  };
  const Case cases[] = {
      {{"bat", "exe", "pif", "scr"}, ".EXE ", {"bat", "exe", "exe", "pif", "scr"}},
      {{"bat", "exe", "pif", "scr"}, "tar.gz", {"bat", "exe", "pif", "scr", "targz"}},
      // Cancel gives the empty text: nothing added, loaded order sorted anyway.
      {{"scr", "pif", "Bat"}, "", {"Bat", "pif", "scr"}},
      {{"scr", "pif"}, " . . ", {"pif", "scr"}},
      {{}, "LZH", {"lzh"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(settings::AddToWatchList(c.items, c.answer), c.expected) << "answer \"" << c.answer << "\"";
  }
}

TEST_F(ConfigRulesTest, BrowsingStartsInTheFolderOfAnExistingFile) {
  const std::string folder = platform::CreateTempFolder("browse");
  const std::string existing = platform::JoinPath(folder, "arc.exe");
  platform::WriteWholeFile(existing, "MZ");
  const std::string inFolder = platform::ExtractFilePath(existing);
  const struct {
    std::string current;
    std::string result;
    std::string initialFolder;
  } cases[] = {
      {existing, existing, inFolder},
      {"", "", ""},
      {platform::JoinPath(folder, "missing.exe"), "", ""},
      {folder, "", ""},  // a folder is no file
  };
  for (const auto& c : cases) {
    const settings::ArchiverBrowseStart start = settings::GetArchiverpathStart(c.current);
    EXPECT_EQ(start.result, c.result) << c.current;
    EXPECT_EQ(start.initialFolder, c.initialFolder) << c.current;
  }
  platform::RemoveTree(folder);
}

TEST_F(ConfigRulesTest, AssociationTestFollowsTheFileType) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> keys;  // key path -> default value
    std::string expected;
  };
  const Case cases[] = {
      {"no extension key", {{"Qx\\shell\\open\\command", "cmd"}}, "error"},
      {"associated", {{".lzh", "Qx"}, {"Qx\\shell\\open\\command", "cmd"}}, "cmd"},
      {"file type named error", {{".lzh", "error"}, {"error\\shell\\open\\command", "cmd"}}, "error"},
      {"empty file type", {{".lzh", ""}, {"\\shell\\open\\command", "odd"}}, "odd"},
  };
  for (const Case& c : cases) {
    auto read = [&](const std::string& key, std::string& value) {
      auto found = c.keys.find(key);
      if (found == c.keys.end()) return false;
      value = found->second;
      return true;
    };
    EXPECT_EQ(settings::AssociatedOpenCommand("lzh", read), c.expected) << c.name;
  }
}

TEST_F(ConfigRulesTest, OpenCommandNamesTheExecutable) {
  const std::string exe = "C:\\Tools\\\x83\x5C\\Mokurena.exe";
  const std::pair<std::string, bool> cases[] = {
      {"\"" + exe + "\" \"%1\"", true},
      {"\"C:\\TOOLS\\\x83\x5C\\MOKURENA.EXE\" \"%1\"", true},
      {"\"D:\\Tools\\\x83\x5C\\Mokurena.exe\" \"%1\"", false},
      {"\"C:\\Tools\\\x83\x5C\\Mokure~1.exe\" \"%1\"", false},
      {"error", false},
  };
  for (const auto& c : cases) EXPECT_EQ(settings::OpenCommandNamesExe(c.first, exe), c.second) << c.first;
  EXPECT_FALSE(settings::OpenCommandNamesExe("anything", ""));
  EXPECT_EQ(settings::AssociationOpenCommand("C:\\m.exe"), "\"C:\\m.exe\" \"%1\"");
  EXPECT_EQ(settings::AssociationIconValue("C:\\m.exe"), "\"C:\\m.exe\",0");
  EXPECT_EQ(settings::AssociationFileType("lzh"), "QorbellzhFile");
}

}  // namespace
