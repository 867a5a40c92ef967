// Files: existence, full paths, search, whole-file reading and writing, the
// atomic replacement of settings files, temporary folders.
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/RewriteTemporary.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using platform_test::TempFolder;

std::string P(std::string path) {
  for (char& c : path) {
    if (c == '/') c = platform::PathSeparator();
  }
  return path;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(Files, ExistenceOfFilesAndFolders) {
  TempFolder tmp;
  platform::WriteWholeFile(tmp / "file.txt", "x");
  platform::WriteWholeFile(tmp / "empty.txt", "");
  const struct {
    std::string path;
    bool file;
    bool folder;
  } cases[] = {
      {tmp / "file.txt", true, false},
      {tmp / "empty.txt", true, false},
      {tmp.path(), false, true},
      {tmp / "missing.txt", false, false},
      {"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::FileExists(c.path), c.file) << c.path;
    EXPECT_EQ(platform::DirectoryExists(c.path), c.folder) << c.path;
  }
}

TEST(Files, ExpandFullPath) {
  const std::string current = std::filesystem::current_path().string();
#ifdef _WIN32
  const std::string root = current.substr(0, 2);  // the drive
#else
  const std::string root;
#endif
  const struct {
    std::string path;
    std::string expected;
  } cases[] = {
      {"x.lzh", current + P("/x.lzh")}, {P("a/../b.zip"), current + P("/b.zip")}, {P("./c/./d"), current + P("/c/d")},
      {P("e/"), current + P("/e/")},    {P("/abs/../y"), root + P("/y")},         {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ExpandFullPath(c.path), c.expected) << c.path;

  // A result that does not fit the buffer leaves the name as it was.
  EXPECT_EQ(platform::ExpandFullPath("x.lzh", current.size() + 2), "x.lzh");
  EXPECT_EQ(platform::ExpandFullPath("x.lzh", current.size() + 7), current + P("/x.lzh"));
}

TEST(Files, SearchFile) {
  TempFolder tmp;
  platform::WriteWholeFile(tmp / "probe.dat", "p");

  const std::string found = platform::SearchFile("probe.dat", tmp.path());
  EXPECT_TRUE(platform::AnsiSameText(found, tmp / "probe.dat")) << found;
  EXPECT_EQ(platform::SearchFile("missing.dat", tmp.path()), "");
  EXPECT_EQ(platform::SearchFile("", tmp.path()), "");

  // Without a folder: the program's own folder comes first.
#ifdef _WIN32
  const std::string recorder = "plat_argv_recorder.exe";
  const char listSeparator = ';';
#else
  const std::string recorder = "plat_argv_recorder";
  const char listSeparator = ':';
#endif
  EXPECT_TRUE(platform::AnsiSameText(platform::SearchFile(recorder), platform_test::ProgramFolder() + recorder));

  // ...and the PATH is searched too.
  EXPECT_EQ(platform::SearchFile("probe.dat"), "");
  const std::string savedPath = platform::GetEnvironmentValue("PATH");
  platform::SetEnvironmentValue("PATH", tmp.path() + listSeparator + savedPath);
  const std::string viaPath = platform::SearchFile("probe.dat");
  platform::SetEnvironmentValue("PATH", savedPath);
  EXPECT_TRUE(platform::AnsiSameText(viaPath, tmp / "probe.dat")) << viaPath;
}

TEST(Files, WholeFilesKeepEveryByte) {
  TempFolder tmp;
  const std::string path = tmp / "bytes.bin";
  const std::string bytes = std::string("line\r\nnext\n\x1A", 12) + std::string(1, '\0') + "\xFF\x95\x5C";
  platform::WriteWholeFile(path, bytes);
  EXPECT_EQ(platform::ReadWholeFile(path), bytes);
  EXPECT_EQ(platform::FileSize(path), bytes.size());

  platform::WriteWholeFile(path, "short");  // truncates
  EXPECT_EQ(platform::ReadWholeFile(path), "short");

  platform::CopyFileTo(path, tmp / "copy.bin");
  platform::WriteWholeFile(tmp / "other.bin", "longer content");
  platform::CopyFileTo(tmp / "other.bin", tmp / "copy.bin");  // replaces
  EXPECT_EQ(platform::ReadWholeFile(tmp / "copy.bin"), "longer content");

  EXPECT_TRUE(platform::RemoveFile(path));
  EXPECT_FALSE(platform::RemoveFile(path));
  EXPECT_FALSE(platform::FileExists(path));
}

TEST(Files, FailuresAreReported) {
  TempFolder tmp;
  const std::string missing = tmp / "missing.txt";
  EXPECT_EQ(platform::ReadWholeFile(missing), "");  // a missing file reads as empty
  EXPECT_EQ(platform::ReadWholeFile(tmp / P("no/such.txt")), "");
  EXPECT_THROW(platform::ReadWholeFile(tmp.path()), platform::FileError);
  EXPECT_THROW(platform::FileSize(missing), platform::FileError);
  EXPECT_THROW(platform::WriteWholeFile(tmp / P("no/such.txt"), "x"), platform::FileError);
  EXPECT_THROW(platform::CopyFileTo(missing, tmp / "copy.txt"), platform::FileError);
  EXPECT_FALSE(platform::FileExists(tmp / "copy.txt"));
}

TEST(Files, RewriteFile) {
  TempFolder tmp;
  const std::string path = tmp / "settings.ini";
  platform::RewriteFile(path, "created");  // no old file
  EXPECT_EQ(platform::ReadWholeFile(path), "created");

  platform::WriteWholeFile(path, "old content that is longer");
  platform::RewriteFile(path, "new\r\n");
  EXPECT_EQ(platform::ReadWholeFile(path), "new\r\n");
  EXPECT_EQ(Entries(tmp.path()), std::vector<std::string>{"settings.ini"});  // no temporary file left

  // The target is a folder: the replacement fails, the folder stays, and no
  // temporary file is left behind.
  const std::string folder = tmp / "folder.ini";
  std::filesystem::create_directory(folder);
  EXPECT_THROW(platform::RewriteFile(folder, "x"), platform::FileError);
  EXPECT_TRUE(platform::DirectoryExists(folder));
  EXPECT_EQ(Entries(tmp.path()).size(), 2u);

  EXPECT_THROW(platform::RewriteFile(tmp / P("no/such.ini"), "x"), platform::FileError);
  EXPECT_EQ(Entries(tmp.path()).size(), 2u);
}

// What a crash between writing and renaming left behind goes with the next
// write that succeeds; nothing else does.
TEST(Files, RewriteFileRemovesItsStaleTemporaryFiles) {
  TempFolder tmp;
  const char marker = platform::PathSeparator() == '\\' ? '~' : '.';
  const std::string stale[] = {platform::RewriteTemporaryName(marker, "checklst.ini", 4242, 7),
                               platform::RewriteTemporaryName(marker, "checklst.ini", 1, 0)};
  const std::string kept[] = {std::string(1, marker) + "checklst.ini.x-1.tmp",
                              std::string(1, marker) + "checklst.ini.1-.tmp",
                              std::string(1, marker) + "checklst.ini.12.tmp",
                              platform::RewriteTemporaryName(marker, "other.ini", 1, 2), "checklst.ini.1-2.tmp"};
  for (const std::string& name : stale) platform::WriteWholeFile(tmp / name, "stale");
  for (const std::string& name : kept) platform::WriteWholeFile(tmp / name, "kept");
  platform::RewriteFile(tmp / "checklst.ini", "exe\r\n");
  for (const std::string& name : stale) EXPECT_FALSE(platform::FileExists(tmp / name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(platform::FileExists(tmp / name)) << name;
  EXPECT_EQ(platform::ReadWholeFile(tmp / "checklst.ini"), "exe\r\n");
}

// One file reached by different names is one file; different files are not.
TEST(Files, IsSameFileComparesTheFilesNotTheirNames) {
  TempFolder tmp;
  platform::WriteWholeFile(tmp / "a.tar", "archive");
  platform::WriteWholeFile(tmp / "b.tar", "archive");
  platform_test::SecondFolderName second(tmp.path());
  ASSERT_FALSE(second.path().empty()) << "no second name for " << tmp.path();
  std::error_code error;
  std::filesystem::create_hard_link(tmp / "a.tar", tmp / "hard.tar", error);
  ASSERT_FALSE(error) << error.message();
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {tmp / "a.tar", tmp / "a.tar", true},
      {tmp / "a.tar", platform::JoinPath(second.path(), "a.tar"), true},
      {tmp / "a.tar", tmp / "hard.tar", true},
      {tmp / "a.tar", tmp / "b.tar", false},
      {tmp / "a.tar", tmp / "missing.tar", false},
      {tmp / "missing.tar", tmp / "missing.tar", false},
      {tmp / "a.tar", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::IsSameFile(c.a, c.b), c.same) << c.a << " | " << c.b;
}

TEST(Files, SharedReadFileReadsEveryByteAndLetsNobodyWrite) {
  TempFolder tmp;
  const std::string bytes = std::string(70000, 'x') + std::string("\0\r\n\x1A", 4);
  platform::WriteWholeFile(tmp / "a.bin", bytes);
  {
    platform::SharedReadFile file(tmp / "a.bin");
    platform::SharedReadFile again(tmp / "a.bin");  // others may read
    std::string read;
    char buffer[4096];
    while (const std::size_t got = file.Read(buffer, sizeof buffer)) read.append(buffer, got);
    EXPECT_EQ(read, bytes);
#ifdef _WIN32
    EXPECT_THROW(platform::WriteWholeFile(tmp / "a.bin", "lost"), platform::FileError);
#endif
  }
  EXPECT_EQ(platform::ReadWholeFile(tmp / "a.bin"), bytes);
  EXPECT_THROW(platform::SharedReadFile(tmp / "missing.bin"), platform::FileError);
}

TEST(Files, TempFoldersAndTrees) {
  const std::string a = platform::CreateTempFolder("mokurena-plat-");
  const std::string b = platform::CreateTempFolder("mokurena-plat-");
  EXPECT_NE(a, b);
  EXPECT_TRUE(platform::DirectoryExists(a));
  EXPECT_TRUE(platform::ExtractFileName(a).rfind("mokurena-plat-", 0) == 0) << a;

  std::filesystem::create_directories(platform::JoinPath(a, P("sub/deeper")));
  platform::WriteWholeFile(platform::JoinPath(a, P("sub/deeper/f.txt")), "x");
  platform::WriteWholeFile(platform::JoinPath(a, "top.txt"), "y");
  platform::RemoveTree(a);
  platform::RemoveTree(b);
  EXPECT_FALSE(platform::DirectoryExists(a));
  EXPECT_FALSE(platform::DirectoryExists(b));
  platform::RemoveTree(a);  // missing: nothing happens
}

#ifndef _WIN32
TEST(Files, RemoveTreeDoesNotFollowLinks) {
  TempFolder outside;
  platform::WriteWholeFile(outside / "keep.txt", "keep");
  const std::string tree = platform::CreateTempFolder("mokurena-plat-");
  std::filesystem::create_directory_symlink(outside.path(), platform::JoinPath(tree, "link"));
  platform::RemoveTree(tree);
  EXPECT_FALSE(platform::DirectoryExists(tree));
  EXPECT_EQ(platform::ReadWholeFile(outside / "keep.txt"), "keep");
}
#endif

}  // namespace
