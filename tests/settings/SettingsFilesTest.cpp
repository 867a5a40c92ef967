#include "settings/SettingsFiles.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "settings/ConfigRules.h"
#include "tests/support/PlatformHooks.h"

namespace {

using namespace std::string_literals;
using settings::ArchiverPaths;
using settings::WatchList;

class SettingsFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::OverrideCodePage(platform::CodePage::Cp932);
    folder_ = platform::CreateTempFolder("settings");
    watchPath_ = platform::JoinPath(folder_, "checklst.ini");
    iniPath_ = platform::JoinPath(folder_, "mokurena.ini");
  }
  void TearDown() override {
    platform::RemoveTree(folder_);
    platform::ClearCodePageOverride();
  }

  std::string folder_, watchPath_, iniPath_;
};

TEST_F(SettingsFilesTest, WatchListLinesAreTakenAsTheAddPromptTakesThem) {
  struct Case {
    std::string bytes;
    WatchList expected;
  };
  const std::string longLine(300000, 'x');
  const Case cases[] = {
      {"", {}},
      {"bat\r\nexe\r\n", {"bat", "exe"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"a\r\r\nb\n\r", {"a", "", "b", ""}},
      {"\r\n", {""}},
      {" EXE \t\r\n;x\r\n[y]\r\nexe\r\nexe", {"exe", ";x", "[y]", "exe", "exe"}},
      {".EXE\r\n ..Scr. \r\n.\r\n \r\n\x82\x60\r\n", {"exe", "scr", "", "", "\x82\x81"}},  // full-width A lowered
      // A UTF-8 signature at the very start, and only there, is no part of the entry.
      {"\xEF\xBB\xBF"
       "bat\r\nexe\r\n",
       {"bat", "exe"}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB\xBF\r\nexe", {"", "exe"}},
      {"bat\r\n\xEF\xBB\xBF"
       "exe",
       {"bat", settings::NormalizeAddedExtension("\xEF\xBB\xBF"
                                                 "exe")}},
      {"\xEF\xBB"
       "bat",
       {settings::NormalizeAddedExtension("\xEF\xBB"
                                          "bat")}},
      {"bat\0exe\r\n"s, {"bat"}},
      {"\0bat"s, {}},
      {"\x81\r\n\xFF\xFD\x80\x83\x5C\r\n" + longLine, {"\x81", "\xFF\xFD\x80\x83\x5C", longLine}},
  };
  EXPECT_NE(settings::NormalizeAddedExtension("\xEF\xBB\xBF"
                                              "exe"),
            "exe");
  for (const Case& c : cases) {
    platform::WriteWholeFile(watchPath_, c.bytes);
    EXPECT_EQ(settings::LoadWatchList(watchPath_), c.expected) << c.bytes.substr(0, 40);
  }
}

TEST_F(SettingsFilesTest, OnlyAMissingWatchListGivesTheDefaults) {
  EXPECT_EQ(settings::LoadWatchList(watchPath_), settings::DefaultWatchList());

  settings::SaveWatchList(watchPath_, settings::LoadWatchList(watchPath_));
  EXPECT_EQ(platform::ReadWholeFile(watchPath_), "bat\r\nexe\r\npif\r\nscr\r\n");

  settings::SaveWatchList(watchPath_, {});
  EXPECT_EQ(platform::FileSize(watchPath_), 0u);
  EXPECT_EQ(settings::LoadWatchList(watchPath_), WatchList());

  // Whatever the dialog can hold (its add prompt's forms, an empty entry)
  // reads back as written.
  const WatchList written = {"", "exe", "a b", "\x83\x5C", "\x82\x81"};
  settings::SaveWatchList(watchPath_, written);
  EXPECT_EQ(settings::LoadWatchList(watchPath_), written);
}

TEST_F(SettingsFilesTest, SavingIntoAMissingFolderRaisesFileError) {
  const std::string nowhere = platform::JoinPath(platform::JoinPath(folder_, "missing"), "x");
  EXPECT_THROW(settings::SaveWatchList(nowhere, {"exe"}), platform::FileError);
  EXPECT_THROW(settings::WriteArchiverPaths(nowhere, ArchiverPaths()), platform::FileError);
}

TEST_F(SettingsFilesTest, ArchiverPathsRoundTripAndRewrite) {
  EXPECT_EQ(settings::ReadArchiverPaths(iniPath_), ArchiverPaths());

  const ArchiverPaths paths = {"C:\\Program Files\\arc.exe",
                               "",
                               "C:\\\"quoted\"\\zip.exe",
                               "C:\\\x83\x5C\\cab.exe",
                               "D:\\日本語\\7z.exe",
                               "r",
                               "g=h"};
  settings::WriteArchiverPaths(iniPath_, paths);
  EXPECT_EQ(platform::ReadWholeFile(iniPath_),
            "[Software]\r\nArchiverPath=C:\\Program Files\\arc.exe\r\nlzhPath=\r\n"
            "zipPath=C:\\\"quoted\"\\zip.exe\r\ncabPath=C:\\\x83\x5C\\cab.exe\r\n"
            "7zPath=D:\\日本語\\7z.exe\r\nrarPath=r\r\ngcaPath=g=h\r\n\r\n");
  EXPECT_EQ(settings::ReadArchiverPaths(iniPath_), paths);

  // Another section and other keys survive; comments, blanks and foreign
  // spelling of the keys do not.
  platform::WriteWholeFile(iniPath_,
                           "; mine\r\n[Other]\r\nx = 1\r\n\r\n[SOFTWARE]\r\n"
                           " ZIPPATH = \"C:\\q.exe\" \r\nextra=2\r\n");
  EXPECT_EQ(settings::ReadArchiverPaths(iniPath_)[2], "\"C:\\q.exe\"");
  settings::WriteArchiverPaths(iniPath_, ArchiverPaths{"a", "b", "c", "d", "e", "f", "g"});
  EXPECT_EQ(platform::ReadWholeFile(iniPath_),
            "[Other]\r\nx=1\r\n\r\n[SOFTWARE]\r\nzipPath=c\r\nextra=2\r\nArchiverPath=a\r\n"
            "lzhPath=b\r\ncabPath=d\r\n7zPath=e\r\nrarPath=f\r\ngcaPath=g\r\n\r\n");
}

TEST_F(SettingsFilesTest, IniSignatureIsSkippedAndNeverWritten) {
  platform::WriteWholeFile(iniPath_, "\xEF\xBB\xBF[Software]\r\nlzhPath=C:\\l.exe\r\n");
  ArchiverPaths paths = settings::ReadArchiverPaths(iniPath_);
  EXPECT_EQ(paths[1], "C:\\l.exe");
  paths[2] = "C:\\z.exe";
  settings::WriteArchiverPaths(iniPath_, paths);
  EXPECT_EQ(platform::ReadWholeFile(iniPath_),
            "[Software]\r\nlzhPath=C:\\l.exe\r\nArchiverPath=\r\nzipPath=C:\\z.exe\r\ncabPath=\r\n7zPath=\r\n"
            "rarPath=\r\ngcaPath=\r\n\r\n");
}

TEST_F(SettingsFilesTest, GarbageIniKeepsItsReadableSections) {
  platform::WriteWholeFile(iniPath_,
                           "\xFF\xFE\x81\0\r\n[Keep]\r\nk=v\0w\r\n[Software]\r\n"
                           "lzhPath=C:\\l.exe\r\n\x83"s);
  EXPECT_EQ(settings::ReadArchiverPaths(iniPath_)[1], "C:\\l.exe");
  ArchiverPaths paths = settings::ReadArchiverPaths(iniPath_);
  settings::WriteArchiverPaths(iniPath_, paths);
  const std::string written = platform::ReadWholeFile(iniPath_);
  EXPECT_EQ(written.find("[Keep]\r\nk=v\0w\r\n\r\n"s), 0u);
  EXPECT_EQ(settings::ReadArchiverPaths(iniPath_), paths);
}

TEST_F(SettingsFilesTest, LocationsFollowTheExecutable) {
  const std::string exe = platform::ExecutablePath();
  const std::string folder = platform::ExtractFilePath(exe);
  EXPECT_EQ(settings::WatchListPath(), folder + "checklst.ini");
  const std::size_t dot = platform::ExtractFileName(exe).rfind('.');
  const std::string base = dot == std::string::npos ? exe : exe.substr(0, folder.size() + dot);
  EXPECT_EQ(settings::SettingsIniPath(), base + ".ini");
}

}  // namespace
