// Deciding an archive's format: by the extension table, by content through
// every probe with the last positive answer winning.
#include <gtest/gtest.h>

#include "archives/ARCHIVES.h"
#include "archives/TAR32.h"
#include "tests/archives/ArchivesTestSupport.h"

namespace {

using namespace archives;
using archivetest::BindingTest;
using testsupport::FixtureWriter;
using testsupport::ScopedLibraryFolder;

const std::vector<std::string> kAllLibraries = {
    "UNLHA32.DLL", "UNARJ32J.DLL", "CAB32.DLL", "TAR32.DLL",   "UNRAR32.DLL", "BGA32.DLL",  "UnGCA32.DLL",
    "7-zip32.dll", "YYZ32.DLL",    "YZ1.DLL",   "UNZIP32.DLL", "ZIP32J.DLL",  "LMZIP32.DLL"};

TEST(DetectByExtension, TableLastExtensionAndDelimiters) {
  struct Case {
    const char* name;
    TArchiverType type;
  } cases[] = {
      {"a.lzh", atLha},
      {"A.LZH", atLha},
      {"C:\\dir\\b.Zip", atZip},
      {"x.jar", atZip},
      {"x.EAR", atZip},
      {"x.war", atZip},
      {"x.cab", atCab},
      {"x.arj", atArj},
      {"x.a", atTar},
      {"x.lib", atTar},
      {"x.tar", atTar},
      {"x.deb", atTar},
      {"x.rpm", atTar},
      {"x.cpio", atTar},
      {"x.Z", atTgz},
      {"x.gz", atTgz},
      {"a.tar.gz", atTgz},
      {"x.tgz", atTgz},
      {"x.taz", atTgz},
      {"x.bz2", atBZ2},
      {"x.rar", atRar},
      {"x.gza", atBga},
      {"x.bza", atBga},
      {"x.yz1", atYz1},
      {"x.gca", atGCA},
      {"x.7z", at7z},
      {"x.7Z", at7z},
      {"x.bin", atNone},
      {"x", atNone},
      {"x.", atNone},
      {"x.zip.bak", atNone},
      {"x.zip\\readme", atNone},
      {"x.zip:stream", atNone},
      {"C:.lzh", atLha},
      {"x.lzh ", atNone},
      {"x.ｌｚｈ", atNone},
      // A double-byte name whose trail byte is 0x5C does not hide the extension.
      {"\x83\x5C.lzh", atLha},
      {"\x95\x5C.7z", at7z},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DetectArchiverType(c.name, TDetectBy::Extension), c.type) << c.name;
  }
}

TEST_F(BindingTest, ExeWithoutLibrariesIsNoArchiveAndNothingRaises) {
  std::string path = scratch.Write("setup.exe", FixtureWriter().Accept("lha").Member("a.exe"));
  EXPECT_EQ(DetectArchiverType(path, TDetectBy::Extension), atNone);
  EXPECT_EQ(DetectArchiverType(path, TDetectBy::Content), atNone);
}

TEST_F(BindingTest, ContentProbesLastPositiveWins) {
  ScopedLibraryFolder libraries("full", kAllLibraries);
  struct Case {
    const char* label;
    FixtureWriter fixture;
    TArchiverType type;
  } cases[] = {
      {"zip and lha: lha", FixtureWriter().Accept("zip").Accept("lha"), atLha},
      {"every probe", FixtureWriter().Accept("rar arj zip bga yz1 cab lha").TarType(1), atLha},
      {"rar then arj", FixtureWriter().Accept("rar arj"), atArj},
      {"cab over yz1 and bga", FixtureWriter().Accept("bga yz1 cab"), atCab},
      {"zip over the tar family", FixtureWriter().Accept("zip").TarType(3), atZip},
      {"tar sub-type 1", FixtureWriter().TarType(1), atTar},
      {"tar sub-type 2", FixtureWriter().TarType(2), atTgz},
      {"tar sub-type 5", FixtureWriter().TarType(5), atTgz},
      {"tar sub-type 6", FixtureWriter().TarType(6), atBZ2},
      {"tar sub-type 7", FixtureWriter().TarType(7), atBZ2},
      {"tar sub-type 8", FixtureWriter().TarType(8), atNone},
      {"zip refused by its check", FixtureWriter().Accept("zip").CheckFails(), atNone},
      {"lha refused by its check", FixtureWriter().Accept("lha").CheckFails(), atNone},
      {"lha that does not open", FixtureWriter().Accept("lha").OpenFails(), atNone},
      {"gca and 7z are never probed", FixtureWriter().Accept("gca 7z"), atNone},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string path = scratch.Write("probe" + std::to_string(n++) + ".bin", c.fixture);
    EXPECT_EQ(DetectArchiverType(path, TDetectBy::Content), c.type) << c.label;
  }
  // A self-extracting archive is typed by its content through its extension.
  std::string exe = scratch.Write("setup.exe", FixtureWriter().Accept("cab"));
  EXPECT_EQ(DetectArchiverType(exe, TDetectBy::Extension), atCab);
}

TEST_F(BindingTest, ProbesAnswerNegativeOnBadInput) {
  ScopedLibraryFolder libraries("full", kAllLibraries);
  platform::WriteWholeFile(scratch.Path("empty.bin"), "");
  platform::WriteWholeFile(scratch.Path("garbage.bin"), std::string("\x00\xff MOKFIX 1\n", 12));
  platform::WriteWholeFile(scratch.Path("truncated.bin"), "MOKFIX 1\naccept lha\nmember a.exe size=");
  for (const char* name : {"empty.bin", "garbage.bin", "truncated.bin", "missing.bin"}) {
    EXPECT_EQ(DetectArchiverType(scratch.Path(name), TDetectBy::Content), atNone) << name;
  }
  EXPECT_EQ(DetectArchiverType(scratch.Folder(), TDetectBy::Content), atNone);
}

TEST_F(BindingTest, TarProbeWithoutItsLibraryAnswersNone) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL"});
  std::string path = scratch.Write("a.bin", FixtureWriter().TarType(3));
  EXPECT_EQ(TTar32::ProbeArchive(path), atNone);
}

}  // namespace
