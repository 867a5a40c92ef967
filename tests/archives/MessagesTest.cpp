// The library's exceptions carry their fixed texts, placeholders filled in.
#include <gtest/gtest.h>

#include "archives/ArchiverErrors.h"

namespace {

using namespace archives;

TEST(FormatMessageText, FillsPositionalPlaceholders) {
  struct Case {
    const char* format;
    std::vector<std::string> args;
    const char* expected;
  } cases[] = {
      {"%0:s と %1:s", {"a", "b"}, "a と b"}, {"%1:s, %0:s, %1:s", {"x", "y"}, "y, x, y"},
      {"100%% %0:s", {"done"}, "100% done"},  {"%2:s stays", {"a"}, "%2:s stays"},  // no such argument
      {"%0 %0: %0:x", {"a"}, "%0 %0: %0:x"},                                        // not a placeholder
      {"trailing %", {}, "trailing %"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMessageText(c.format, c.args), c.expected) << c.format;
}

TEST(ArchiverErrors, MessagesAndHierarchy) {
  ENoArchiverDLL noDll("LHA 形式書庫", "UNLHA32.DLL");
  EXPECT_STREQ(noDll.what(), "LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。");

  EEntryNotFound inModule = EEntryNotFound::InModule("C:\\x\\UNLHA32.DLL", "UnlhaFindNext");
  EXPECT_STREQ(inModule.what(), "C:\\x\\UNLHA32.DLL に UnlhaFindNext のエントリが見つかりません。");
  EXPECT_STREQ(EEntryNotFound::InAnyDll("UnZipOpenArchive").what(),
               "UnZipOpenArchive のエントリが DLL に見つかりませんでした。");

  ESfxNoRequiredFile dos("zip", "DOS", "sfx16.dat");
  EXPECT_STREQ(dos.what(), "zip 書庫からのDOS自己解凍書庫の作成には 'sfx16.dat' ファイルが必要です。");
  EXPECT_EQ(dos.ArchiveKind, "zip");
  EXPECT_EQ(dos.Platform, "DOS");
  EXPECT_EQ(dos.RequiredFile, "sfx16.dat");
  EXPECT_STREQ(ESfxNoRequiredFile("tar/tgz", "", "kmtarsef.exe").what(),
               "tar/tgz 書庫からの自己解凍書庫の作成には 'kmtarsef.exe' ファイルが必要です。");

  // Every one of them is caught as the family's base.
  auto throwsArchiver = [](auto raise) {
    try {
      raise();
    } catch (const EArchiver&) {
      return true;
    }
    return false;
  };
  EXPECT_TRUE(throwsArchiver([&] { throw noDll; }));
  EXPECT_TRUE(throwsArchiver([&] { throw inModule; }));
  EXPECT_TRUE(throwsArchiver([&] { throw dos; }));
}

}  // namespace
