// Splitting and joining path names. The tables are written with "/" and run
// with the platform's separator; they run in code page 932, where a trail
// byte of "\" must not split a name on Win32.
#include "platform/Files.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform_test::Cp932Scope;
using platform_test::Hex;

// "/" becomes the platform's separator. No trail byte of code page 932 has
// the value of "/", so the replacement never touches a double-byte character.
std::string P(std::string path) {
  for (char& c : path) {
    if (c == '/') c = platform::PathSeparator();
  }
  return path;
}

const std::string kSo = "\x83\x5C";   // ソ
const std::string kHyo = "\x95\x5C";  // 表

TEST(Paths, ExtractPathAndName) {
  Cp932Scope scope;
  const struct {
    std::string path;
    std::string folder;
    std::string name;
  } cases[] = {
      {"/dir/sub/file.txt", "/dir/sub/", "file.txt"},
      {"file.txt", "", "file.txt"},
      {"/dir/", "/dir/", ""},
      {"", "", ""},
      {"dir/" + kSo, "dir/", kSo},
      {kHyo + "/" + kHyo + "readme", kHyo + "/", kHyo + "readme"},
      {"a.b/c", "a.b/", "c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(platform::ExtractFilePath(P(c.path))), Hex(P(c.folder))) << Hex(c.path);
    EXPECT_EQ(Hex(platform::ExtractFileName(P(c.path))), Hex(P(c.name))) << Hex(c.path);
  }
}

TEST(Paths, ChangeFileExt) {
  Cp932Scope scope;
  const struct {
    std::string path;
    std::string extension;
    std::string expected;
  } cases[] = {
      {"archive.lzh", ".ini", "archive.ini"},
      {"/dir/archive.tar.gz", ".ini", "/dir/archive.tar.ini"},
      {"/dir/archive", ".ini", "/dir/archive.ini"},
      {"/dir.d/archive", ".ini", "/dir.d/archive.ini"},  // a dot in a folder is no extension
      {"/dir/archive.lzh", "", "/dir/archive"},
      {kSo + ".exe", ".ini", kSo + ".ini"},
      {"dir/" + kSo, ".ini", "dir/" + kSo + ".ini"},
      {".profile", ".bak", ".bak"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(platform::ChangeFileExt(P(c.path), c.extension)), Hex(P(c.expected))) << Hex(c.path);
  }
}

TEST(Paths, JoinPath) {
  Cp932Scope scope;
  const struct {
    std::string folder;
    std::string name;
    std::string expected;
  } cases[] = {
      {"/dir", "file", "/dir/file"},
      {"/dir/", "file", "/dir/file"},
      {"", "file", "file"},
      {kSo, "file", kSo + "/file"},  // ソ ends in the byte of "\", yet it is no separator
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(platform::JoinPath(P(c.folder), c.name)), Hex(P(c.expected))) << Hex(c.folder);
  }
}

#ifdef _WIN32
TEST(Paths, DriveDelimiter) {
  EXPECT_EQ(platform::ExtractFilePath("C:file.txt"), "C:");
  EXPECT_EQ(platform::ExtractFileName("C:file.txt"), "file.txt");
  EXPECT_EQ(platform::ChangeFileExt("C:name", ".ini"), "C:name.ini");
  EXPECT_EQ(platform::JoinPath("C:", "x"), "C:x");
}
#endif

}  // namespace
