// The listing road through the façade: file name, open, find first and next,
// close, with the calls the library receives.
#include <gtest/gtest.h>

#include <cstring>

#include "archives/ARCHIVES.h"
#include "archives/ArchiverErrors.h"
#include "archives/CmdOpt.h"
#include "archives/GCA32.h"
#include "archives/LHA32.h"
#include "tests/archives/ArchivesTestSupport.h"

namespace {

using namespace archives;
using archivetest::BindingTest;
using testsupport::FixtureMember;
using testsupport::FixtureWriter;
using testsupport::ScopedCallLog;
using testsupport::ScopedLibraryFolder;

std::string NameOf(const TMemberInfo& info) {
  return std::string(info.FileName, strnlen(info.FileName, sizeof info.FileName));
}

// Lists an archive as the check run does; the names found and the open result.
struct Listing {
  int openResult = -1;
  std::vector<std::string> names;
  int lastFindResult = 0;
};

Listing List(TArchiveFile& archive, ArcWindow owner = nullptr) {
  Listing listing;
  listing.openResult = archive.OpenArchive(owner, kModeList);
  if (listing.openResult == 0) {
    TMemberInfo info{};
    int result = archive.FindFirst("*.*", info);
    while (result == 0) {
      listing.names.push_back(NameOf(info));
      result = archive.FindNext(info);
    }
    listing.lastFindResult = result;
  }
  archive.CloseArchive();
  return listing;
}

TEST_F(BindingTest, ListsMembersInOrderWithTheCallsTheLibraryExpects) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL"});
  std::string path = scratch.Write(
      "a.LZH", FixtureWriter().Accept("lha").Member("readme.txt").Member("bin\\setup.EXE").Member("\x95\x5C\\x.scr"));
  ScopedCallLog log;
  TArchiveFile archive;
  archive.SetFileName(path);
  EXPECT_EQ(archive.ArchiverType(), atLha);
  EXPECT_EQ(archive.FileName(), path);

  Listing listing = List(archive, reinterpret_cast<ArcWindow>(0x1234));
  EXPECT_EQ(listing.openResult, 0);
  EXPECT_EQ(listing.names, (std::vector<std::string>{"readme.txt", "bin\\setup.EXE", "\x95\x5C\\x.scr"}));
  EXPECT_NE(listing.lastFindResult, 0);
  EXPECT_EQ(archive.Handle(), nullptr);

  std::vector<testsupport::StandinCall> calls = log.Read();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].entry, "UnlhaOpenArchive");
  EXPECT_EQ(calls[0].args[1], platform::ExpandFullPath(path));
  EXPECT_EQ(calls[0].args[2], "0x800000");
  EXPECT_EQ(calls[1].entry, "UnlhaFindFirst");
  EXPECT_EQ(calls[1].args[1], "*.*");
  EXPECT_EQ(calls.back().entry, "UnlhaCloseArchive");
  EXPECT_EQ(calls.back().args[0], calls[1].args[0]);  // the handle the open gave
}

TEST_F(BindingTest, EmptyArchiveFailedOpenAndFailureInTheMiddle) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL"});

  TArchiveFile empty;
  empty.SetFileName(scratch.Write("empty.lzh", FixtureWriter().Accept("lha")));
  Listing listing = List(empty);
  EXPECT_EQ(listing.openResult, 0);
  EXPECT_TRUE(listing.names.empty());

  {
    ScopedCallLog log;
    TArchiveFile refused;
    refused.SetFileName(scratch.Write("refused.lzh", FixtureWriter().Accept("lha").OpenFails()));
    EXPECT_EQ(List(refused).openResult, 1);
    // Closing after a failed open still reaches the library, with handle 0.
    std::vector<testsupport::StandinCall> calls = log.Read();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().entry, "UnlhaCloseArchive");
    EXPECT_EQ(calls.back().args[0], "0");
  }

  TArchiveFile broken;
  broken.SetFileName(scratch.Write(
      "broken.lzh", FixtureWriter().Accept("lha").FailAt(3).Member("a.txt").Member("b.exe").Member("c.bat")));
  listing = List(broken);
  EXPECT_EQ(listing.openResult, 0);
  EXPECT_EQ(listing.names, (std::vector<std::string>{"a.txt", "b.exe"}));
}

TEST_F(BindingTest, BadArchivesDoNotOpen) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL"});
  platform::WriteWholeFile(scratch.Path("empty.lzh"), "");
  platform::WriteWholeFile(scratch.Path("garbage.lzh"), std::string(4096, '\xA5'));
  platform::WriteWholeFile(scratch.Path("truncated.lzh"), "MOKFIX 1\naccept lh");
  for (std::string path : {scratch.Path("empty.lzh"), scratch.Path("garbage.lzh"), scratch.Path("truncated.lzh"),
                           scratch.Path("missing.lzh")}) {
    TArchiveFile archive;
    archive.SetFileName(path);
    EXPECT_EQ(List(archive).openResult, 1) << path;
  }
  // A folder given as the archive.
  std::unique_ptr<TArchiver> lha = CreateArchiver(atLha);
  EXPECT_EQ(lha->OpenArchive(nullptr, scratch.Folder(), kModeList), nullptr);
  EXPECT_EQ(lha->CloseArchive(nullptr), lha->CloseArchive(nullptr));
}

TEST_F(BindingTest, NameFillingTheWholeFieldIsTakenAt513Bytes) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL"});
  std::string longName(kMemberPathSize, 'n');
  longName.replace(longName.size() - 4, 4, ".exe");
  TArchiveFile archive;
  archive.SetFileName(scratch.Write("long.lzh", FixtureWriter().Accept("lha").Member(longName)));
  ASSERT_EQ(archive.OpenArchive(nullptr, kModeList), 0);
  TMemberInfo info{};
  std::memset(&info, 'x', sizeof info);
  ASSERT_EQ(archive.FindFirst("*.*", info), 0);
  EXPECT_EQ(std::string(info.FileName, kMemberPathSize), longName);
  archive.CloseArchive();
}

TEST_F(BindingTest, TypeChangesAndTheirRefusals) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL", "CAB32.DLL"});
  TArchiveFile archive;
  EXPECT_EQ(archive.ArchiverType(), atAutoDetect);
  EXPECT_EQ(archive.FileName(), kNotSetText);
  EXPECT_EQ(archive.Archiver(), nullptr);

  archive.SetFileName("x.lzh");
  TArchiver* lha = archive.Archiver();
  ASSERT_NE(lha, nullptr);
  archive.SetFileName("x.xyz");  // no type from the name: everything stays
  EXPECT_EQ(archive.ArchiverType(), atLha);
  EXPECT_EQ(archive.Archiver(), lha);
  EXPECT_EQ(archive.FileName(), "x.xyz");

  archive.SetArchiverType(atNone);
  EXPECT_EQ(archive.ArchiverType(), atLha);
  archive.SetArchiverType(atAutoDetect);
  EXPECT_EQ(archive.ArchiverType(), atAutoDetect);
  EXPECT_EQ(archive.Archiver(), lha);

  archive.SetArchiverType(atLha);  // a new object, also for the same type
  EXPECT_EQ(archive.ArchiverType(), atLha);
  EXPECT_NE(archive.Archiver(), nullptr);

  for (TArchiverType bad : {atBel, static_cast<TArchiverType>(15), static_cast<TArchiverType>(200)}) {
    try {
      archive.SetArchiverType(bad);
      ADD_FAILURE() << "no exception for " << int(bad);
    } catch (const EArchiver& e) {
      EXPECT_STREQ(e.what(), "書庫の形式を特定できませんでした。");
    }
    EXPECT_EQ(archive.ArchiverType(), atLha);
  }
  archive.ComponentState = TArchiveFile::csReading;
  archive.SetArchiverType(atBel);
  EXPECT_EQ(archive.ArchiverType(), atBel);
  archive.ComponentState = TArchiveFile::csDesigning;
  archive.SetArchiverType(atCab);
  EXPECT_EQ(archive.ArchiverType(), atCab);
  EXPECT_EQ(archive.Archiver()->ArchiverType(), atLha);  // designing creates nothing
}

TEST_F(BindingTest, UnknownExtensionIsDetectedByContentWhenOpening) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL", "CAB32.DLL", "TAR32.DLL"});
  TArchiveFile cab;
  cab.SetFileName(scratch.Write("data.bin", FixtureWriter().Accept("cab").Member("x.exe")));
  EXPECT_EQ(cab.ArchiverType(), atAutoDetect);
  Listing listing = List(cab);
  EXPECT_EQ(cab.ArchiverType(), atCab);
  EXPECT_EQ(listing.names, std::vector<std::string>{"x.exe"});

  TArchiveFile unknown;
  unknown.SetFileName(scratch.Write("other.bin", FixtureWriter().Accept("gca")));
  try {
    unknown.OpenArchive(nullptr, kModeList);
    ADD_FAILURE() << "opened an archive of no known format";
  } catch (const EArchiver& e) {
    EXPECT_STREQ(e.what(), "書庫の形式を判別できません。");
  }
  TMemberInfo info{};
  EXPECT_THROW(unknown.FindFirst("*.*", info), EArchiver);
}

TEST_F(BindingTest, MissingLibraryFirstAtTheFileNameThenAtTheOpen) {
  ScopedLibraryFolder libraries("full", {"CAB32.DLL"});
  const char* message = "LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。";
  TArchiveFile first;
  first.SetFileName("old.cab");
  try {
    first.SetFileName("new.lzh");
    ADD_FAILURE() << "no exception";
  } catch (const ENoArchiverDLL& e) {
    EXPECT_STREQ(e.what(), message);
  }
  EXPECT_EQ(first.FileName(), "old.cab");
  EXPECT_EQ(first.ArchiverType(), atCab);
  ASSERT_NE(TLha32::SharedDll(), nullptr);  // the binding stays in place
  EXPECT_EQ(TLha32::SharedDll()->ModuleHandle(), nullptr);

  TArchiveFile later;
  later.SetFileName(scratch.Path("new.lzh"));
  EXPECT_EQ(later.ArchiverType(), atLha);
  try {
    later.OpenArchive(nullptr, kModeList);
    ADD_FAILURE() << "no exception";
  } catch (const ENoArchiverDLL& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

TEST_F(BindingTest, FormatClassesAndTheirBindings) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL", "UNARJ32J.DLL", "TAR32.DLL"});
  std::unique_ptr<TArchiver> lha = CreateArchiver(atLha);
  std::unique_ptr<TArchiver> arj = CreateArchiver(atArj);
  EXPECT_NE(&lha->ArchiverDll(), &arj->ArchiverDll());
  EXPECT_EQ(static_cast<TArchiverDll&>(arj->ArchiverDll()).DllName(), "UNARJ32J.DLL");

  std::unique_ptr<TArchiver> tar = CreateArchiver(atTar);
  std::unique_ptr<TArchiver> tgz = CreateArchiver(atTgz);
  std::unique_ptr<TArchiver> bz2 = CreateArchiver(atBZ2);
  EXPECT_EQ(&tar->ArchiverDll(), &tgz->ArchiverDll());
  EXPECT_EQ(&tar->ArchiverDll(), &bz2->ArchiverDll());
  EXPECT_EQ(bz2->ArchiverType(), atBZ2);
  for (TArchiverType none : {atBel, atNone, atAutoDetect}) EXPECT_EQ(CreateArchiver(none), nullptr);

  // GCA makes its binding without loading: creating succeeds, the first
  // loading call reports the missing library.
  std::unique_ptr<TArchiver> gca = CreateArchiver(atGCA);
  ASSERT_NE(TGCA32::SharedDll(), nullptr);
  EXPECT_EQ(TGCA32::SharedDll()->ModuleHandle(), nullptr);
  EXPECT_THROW(gca->OpenArchive(nullptr, "x.gca", kModeList), ENoArchiverDLL);

  // Without its library the first creation fails; the second finds the
  // binding in place and succeeds; its first call fails again.
  EXPECT_THROW(CreateArchiver(atCab), ENoArchiverDLL);
  std::unique_ptr<TArchiver> cab = CreateArchiver(atCab);
  EXPECT_THROW(cab->OpenArchive(nullptr, "x.cab", kModeList), ENoArchiverDLL);
}

}  // namespace
