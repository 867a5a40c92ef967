#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archives/CmdOpt.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "tests/support/PlatformHooks.h"

using archives::kNotSetText;
using archives::TCmdOpt;
using archives::TValue;
using archives::TVariant;

namespace {

struct ItemCase {
  const char* what;
  bool separateValue;
  std::function<void(TCmdOpt&)> build;
  std::string expected;
};

void RunItemCases(const std::vector<ItemCase>& cases) {
  for (const ItemCase& c : cases) {
    TCmdOpt opt;
    opt.SeparateValue = c.separateValue;
    c.build(opt);
    EXPECT_EQ(opt.CmdLine, c.expected) << c.what;
  }
}

std::string Upper(const std::string& text) {
  std::string result = text;
  for (char& ch : result) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return result;
}

}  // namespace

TEST(CmdOpt, StartsEmptyWithoutConversion) {
  TCmdOpt opt;
  EXPECT_FALSE(opt.SeparateValue);
  EXPECT_FALSE(opt.OnConvertFileName);
  EXPECT_EQ(opt.CmdLine, "");
  EXPECT_EQ(opt.ConvertFileName("-a\\b"), "-a\\b");
}

TEST(CmdOpt, NotSetMarkerIsOneNulOnly) {
  EXPECT_TRUE(archives::IsNotSet(kNotSetText));
  EXPECT_TRUE(archives::IsNotSet(std::string("\0", 1)));
  EXPECT_FALSE(archives::IsNotSet(""));
  EXPECT_FALSE(archives::IsNotSet(std::string("\0\0", 2)));
  EXPECT_FALSE(archives::IsNotSet("a"));
}

TEST(CmdOpt, ItemsOfEachKind) {
  RunItemCases({
      {"Add keeps a blank before every item, also the empty one", false,
       [](TCmdOpt& o) {
         o.Add("-+");
         o.Add("");
       },
       " -+ "},
      {"AddNum unset", false, [](TCmdOpt& o) { o.AddNum("n", -1); }, ""},
      {"AddNum any negative", false, [](TCmdOpt& o) { o.AddNum("n", -128); }, ""},
      {"AddNum zero", false, [](TCmdOpt& o) { o.AddNum("n", 0); }, " -n0"},
      {"AddNum largest switch value", false, [](TCmdOpt& o) { o.AddNum("jm", 127); }, " -jm127"},
      {"AddNum empty name", false, [](TCmdOpt& o) { o.AddNum("", 9); }, " -9"},
      {"AddNum long switch name", false, [](TCmdOpt& o) { o.AddNum("-check-all-path=", 1); }, " --check-all-path=1"},
      {"AddStr not set", false, [](TCmdOpt& o) { o.AddStr("jo", kNotSetText); }, ""},
      {"AddStr not set, empty name", false, [](TCmdOpt& o) { o.AddStr("", kNotSetText); }, ""},
      {"AddStr empty value is written", false, [](TCmdOpt& o) { o.AddStr("jo", ""); }, " \"-jo\""},
      {"AddStr empty name", false, [](TCmdOpt& o) { o.AddStr("", "C:\\a.lzh"); }, " \"C:\\a.lzh\""},
      {"AddStr empty name ignores SeparateValue", true, [](TCmdOpt& o) { o.AddStr("", "a b"); }, " \"a b\""},
      {"AddStr joined", false, [](TCmdOpt& o) { o.AddStr("f", "a.tar"); }, " \"-fa.tar\""},
      {"AddStr separate", true, [](TCmdOpt& o) { o.AddStr("f", "a.tar"); }, " -f \"a.tar\""},
      {"AddStr leading blank: no dash", false, [](TCmdOpt& o) { o.AddStr(" x", "v"); }, " \"xv\""},
      {"AddStr leading blank, separate", true, [](TCmdOpt& o) { o.AddStr(" x", "v"); }, " x \"v\""},
      {"AddStr only one leading blank dropped", false, [](TCmdOpt& o) { o.AddStr("  x", "v"); }, " \" xv\""},
      {"AddStr value with NUL that is not the marker", false, [](TCmdOpt& o) { o.AddStr("", std::string("a\0", 2)); },
       std::string(" \"a\0\"", 5)},
      {"AddFlag on", false, [](TCmdOpt& o) { o.AddFlag("r", true); }, " -r"},
      {"AddFlag off", false, [](TCmdOpt& o) { o.AddFlag("r", false); }, ""},
      {"AddDir adds the backslash", false, [](TCmdOpt& o) { o.AddDir("w", "C:\\tmp"); }, " \"-wC:\\tmp\\\""},
      {"AddDir keeps one backslash", false, [](TCmdOpt& o) { o.AddDir("", "C:\\"); }, " \"C:\\\""},
      {"AddDir empty", false, [](TCmdOpt& o) { o.AddDir("w", ""); }, ""},
      {"AddDir not set", false, [](TCmdOpt& o) { o.AddDir("w", kNotSetText); }, ""},
      {"AddDir separate", true, [](TCmdOpt& o) { o.AddDir("o", "C:\\out"); }, " -o \"C:\\out\\\""},
      {"AddDir slash is not a backslash", false, [](TCmdOpt& o) { o.AddDir("", "a/"); }, " \"a/\\\""},
      {"AddFile without conversion", false, [](TCmdOpt& o) { o.AddFile("", "-x[1].txt"); }, " \"-x[1].txt\""},
      {"AddFile converts", false,
       [](TCmdOpt& o) {
         o.OnConvertFileName = Upper;
         o.AddFile("jx", "a.txt");
       },
       " \"-jxA.TXT\""},
      {"AddFile conversion to the marker adds nothing", false,
       [](TCmdOpt& o) {
         o.OnConvertFileName = [](const std::string&) { return kNotSetText; };
         o.AddFile("", "a");
       },
       ""},
      {"items follow each other", false,
       [](TCmdOpt& o) {
         o.Add("-+");
         o.AddNum("jse", 0);
         o.AddNum("jso", 1);
         o.Add("");
         o.AddStr("", "C:\\a.lzh");
         o.AddDir("", "C:\\out");
       },
       " -+ -jse0 -jso1  \"C:\\a.lzh\" \"C:\\out\\\""},
  });
}

TEST(CmdOpt, AddDirTakesTheLastWholeCharacter) {
  platform::OverrideCodePage(platform::CodePage::Cp932);
  if (platform::ActiveCodePage() != platform::CodePage::Cp932) {
    platform::ClearCodePageOverride();
    GTEST_SKIP() << "the system code page is not 932";
  }
  struct Case {
    const char* what;
    std::string directory;
    std::string expected;
  } cases[] = {
      // 0x95 0x5C is one character whose trail byte has the value of "\".
      {"trail byte 0x5C", "C:\\\x95\x5C", " \"-wC:\\\x95\x5C\\\""},
      {"two such characters", "\x95\x5C\x95\x5C", " \"-w\x95\x5C\x95\x5C\\\""},
      {"lead byte 0x81, trail 0x5C", "ab\x81\x5C", " \"-wab\x81\x5C\\\""},
      {"real backslash after such a character", "C:\\\x95\x5C\\", " \"-wC:\\\x95\x5C\\\""},
      // 0x95 0x95 is one character; the 0x5C after it is a backslash.
      {"backslash after a lead-byte-valued trail", "C:\\\x95\x95\\", " \"-wC:\\\x95\x95\\\""},
      {"ordinary double-byte character", "C:\\\x82\xA0", " \"-wC:\\\x82\xA0\\\""},
  };
  for (const Case& c : cases) {
    TCmdOpt opt;
    opt.AddDir("w", c.directory);
    EXPECT_EQ(opt.CmdLine, c.expected) << c.what;
  }
  platform::ClearCodePageOverride();
}

class CmdOptResponseFile : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = platform::CreateTempFolder("cmdopt"); }
  void TearDown() override { platform::RemoveTree(folder_); }
  std::string PathOf(const std::string& name) const { return platform::JoinPath(folder_, name); }

  std::string folder_;
};

TEST_F(CmdOptResponseFile, WritesQuotedLinesAndAddsTheAtItem) {
  struct Case {
    const char* what;
    archives::TValueList values;
    std::function<std::string(const std::string&)> convert;
    std::string fileBytes;
    int count;
  };
  archives::TStringList list{"a b.txt", "", "c.txt"};
  const std::vector<Case> cases = {
      {"two names", {TValue("a b.txt"), TValue("c.txt")}, nullptr, "\"a b.txt\"\r\n\"c.txt\"\r\n", 2},
      {"converted names", {TValue(&list)}, Upper, "\"A B.TXT\"\r\n\"C.TXT\"\r\n", 2},
      {"no names", {}, nullptr, "", 0},
      {"only empty names", {TValue(""), TValue(TVariant())}, nullptr, "", 0},
      {"multibyte name kept byte for byte", {TValue("\x95\x5C.txt")}, nullptr, "\"\x95\x5C.txt\"\r\n", 1},
  };
  for (const Case& c : cases) {
    const std::string path = PathOf("files.rsp");
    TCmdOpt opt;
    opt.Add("-+");
    opt.OnConvertFileName = c.convert;
    EXPECT_EQ(opt.AddResponseFile(c.values, path), c.count) << c.what;
    EXPECT_EQ(platform::ReadWholeFile(path), c.fileBytes) << c.what;
    EXPECT_EQ(opt.CmdLine, " -+ \"@" + path + "\"") << c.what;
  }
}

TEST_F(CmdOptResponseFile, ReplacesAnExistingLongerFile) {
  const std::string path = PathOf("old.rsp");
  platform::WriteWholeFile(path, std::string(100, 'x'));
  TCmdOpt opt;
  EXPECT_EQ(opt.AddResponseFile({TValue("a")}, path), 1);
  EXPECT_EQ(platform::ReadWholeFile(path), "\"a\"\r\n");
}

TEST_F(CmdOptResponseFile, FailureAddsNoItem) {
  {
    const std::string path = platform::JoinPath(PathOf("missing"), "files.rsp");
    TCmdOpt opt;
    opt.Add("-+");
    EXPECT_THROW(opt.AddResponseFile({TValue("a.txt")}, path), platform::FileError);
    EXPECT_EQ(opt.CmdLine, " -+");
  }
  {
    // A variant without text fails before the file is touched.
    const std::string path = PathOf("never.rsp");
    TCmdOpt opt;
    EXPECT_THROW(opt.AddResponseFile({TValue("a.txt"), TValue(TVariant::Null())}, path),
                 archives::EVariantTypeCastError);
    EXPECT_EQ(opt.CmdLine, "");
    EXPECT_FALSE(platform::FileExists(path));
  }
}
