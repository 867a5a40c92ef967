// The prefix binding: loading, entries bound once and kept, freeing and
// binding anew, and the completion of the member record's 64-bit fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include "archives/ArchiverDll.h"
#include "archives/ArchiverErrors.h"
#include "platform/FileTime.h"
#include "tests/archives/ArchivesTestSupport.h"

namespace {

using namespace archives;
using archivetest::BindingTest;
using testsupport::FixtureMember;
using testsupport::FixtureWriter;
using testsupport::ScopedCallLog;
using testsupport::ScopedLibraryFolder;

TArchiverDll MakeLha() { return TArchiverDll("LHA 形式書庫", "UNLHA32.DLL", "Unlha"); }

TEST(BindEntry, AnAddressOnceFoundIsNotLookedUpAgain) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL"});
  platform::LibraryHandle module = platform::LoadDynamicLibrary("UNLHA32.DLL");
  ASSERT_NE(module, nullptr);
  void* slot = nullptr;
  EXPECT_TRUE(BindEntry(slot, module, "UnlhaOpenArchive", true));
  EXPECT_EQ(slot, platform::FindEntry(module, "UnlhaOpenArchive"));

  int sentinel = 0;
  slot = &sentinel;  // whatever the slot holds is kept
  EXPECT_TRUE(BindEntry(slot, module, "NoSuchEntry", true));
  EXPECT_EQ(slot, &sentinel);

  slot = nullptr;
  EXPECT_FALSE(BindEntry(slot, module, "NoSuchEntry", false));
  EXPECT_EQ(slot, nullptr);
  try {
    BindEntry(slot, module, "NoSuchEntry", true);
    ADD_FAILURE() << "no exception";
  } catch (const EEntryNotFound& e) {
    EXPECT_EQ(e.what(), platform::LibraryPath(module, 257) + " に NoSuchEntry のエントリが見つかりません。");
  }
  // Without a module the path named is the executable's.
  try {
    BindEntry(slot, nullptr, "UnlhaFindNext", true);
    ADD_FAILURE() << "no exception";
  } catch (const EEntryNotFound& e) {
    EXPECT_EQ(e.what(), platform::ExecutablePath() + " に UnlhaFindNext のエントリが見つかりません。");
  }
  platform::FreeDynamicLibrary(module);
}

TEST_F(BindingTest, LoadsOnceBindsOnDemandFreesAndBindsAnew) {
  std::string path =
      scratch.Write("a.lzh", FixtureWriter().Accept("lha").Member(FixtureMember("a.txt").WriteTime(1234)));
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL"});
  TArchiverDll dll = MakeLha();
  EXPECT_EQ(dll.ModuleHandle(), nullptr);  // construction loads nothing
  dll.LoadDLL();
  platform::LibraryHandle module = dll.ModuleHandle();
  ASSERT_NE(module, nullptr);
  dll.LoadDLL();
  EXPECT_EQ(dll.ModuleHandle(), module);

  ArcHandle handle = dll.OpenArchive(nullptr, path, kModeList);
  void* openEntry = dll.EntryAddress(TCustomArchiverDll::eOpenArchive);
  ASSERT_NE(openEntry, nullptr);
  dll.CloseArchive(handle);
  handle = dll.OpenArchive(nullptr, path, kModeList);
  EXPECT_EQ(dll.EntryAddress(TCustomArchiverDll::eOpenArchive), openEntry);
  TMemberInfo info{};
  ASSERT_EQ(dll.FindFirst(handle, "*.*", info), 0);
  EXPECT_EQ(std::uint64_t{info.LastWriteTime}, 1234u);
  dll.CloseArchive(handle);
  EXPECT_EQ(dll.SetEnumMembersProc64(nullptr, nullptr), 1);

  dll.FreeDLL();
  EXPECT_EQ(dll.ModuleHandle(), nullptr);
  for (int e = 0; e < TCustomArchiverDll::kEntryCount; ++e) {
    EXPECT_EQ(dll.EntryAddress(static_cast<TCustomArchiverDll::Entry>(e)), nullptr) << e;
  }

  // The same file name now names a library without the optional entries:
  // everything is loaded and bound anew, the enumeration entries included.
  libraries.Add("bare", "UNLHA32.DLL");
  handle = dll.OpenArchive(nullptr, path, kModeList);
  ASSERT_NE(handle, nullptr);
  ASSERT_EQ(dll.FindFirst(handle, "*.*", info), 0);
  EXPECT_EQ(std::uint64_t{info.LastWriteTime}, 0u);  // DOS date and time 0: time 0
  EXPECT_EQ(dll.SetEnumMembersProc64(nullptr, nullptr), 0);
  EXPECT_EQ(dll.ClearEnumMembersProc64(), 0);
  dll.CloseArchive(handle);
}

TEST_F(BindingTest, MissingLibraryAndMissingRequiredEntry) {
  ScopedLibraryFolder none("full", {});
  TArchiverDll dll = MakeLha();
  for (int attempt = 0; attempt < 2; ++attempt) {  // nothing of the failure is kept
    try {
      dll.OpenArchive(nullptr, "x.lzh", kModeList);
      ADD_FAILURE() << "no exception";
    } catch (const ENoArchiverDLL& e) {
      EXPECT_STREQ(e.what(), "LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。");
    }
  }

  ScopedLibraryFolder withoutFindNext("nofindnext", {"UNLHA32.DLL"});
  std::string path = scratch.Write("a.lzh", FixtureWriter().Accept("lha").Member("a").Member("b"));
  ArcHandle handle = dll.OpenArchive(nullptr, path, kModeList);
  ASSERT_NE(handle, nullptr);
  TMemberInfo info{};
  EXPECT_EQ(dll.FindFirst(handle, "*.*", info), 0);
  try {
    dll.FindNext(handle, info);
    ADD_FAILURE() << "no exception";
  } catch (const EEntryNotFound& e) {
    EXPECT_EQ(e.what(),
              platform::LibraryPath(dll.ModuleHandle(), 257) + " に UnlhaFindNext のエントリが見つかりません。");
  }
  EXPECT_EQ(dll.EntryAddress(TCustomArchiverDll::eFindNext), nullptr);
  dll.CloseArchive(handle);
  dll.FreeDLL();
}

// Every operation of a binding whose library is absent: those that may come
// first try to load it; the others need their entry, and name the executable
// for want of a library, or answer 0 without it.
TEST_F(BindingTest, EachOperationWithoutItsLibrary) {
  ScopedLibraryFolder none("full", {});
  enum Outcome { kNoLibrary, kNoEntry, kZero };
  TMemberInfo info{};
  std::uint64_t value = 0;
  char output[4] = "";
  unsigned char buffer[4] = {};
  std::uint32_t written = 0;
  const struct {
    const char* entry;
    Outcome outcome;
    std::function<long long(TArchiverDll&)> call;
  } cases[] = {
      {"Unlha", kNoLibrary, [&](TArchiverDll& d) { return d.Command(nullptr, "a.lzh", "l", output, 4); }},
      {"UnlhaOpenArchive", kNoLibrary,
       [&](TArchiverDll& d) { return d.OpenArchive(nullptr, "a.lzh", kModeList) ? 1LL : 0LL; }},
      {"UnlhaCloseArchive", kNoLibrary, [&](TArchiverDll& d) { return d.CloseArchive(nullptr); }},
      {"UnlhaFindFirst", kNoLibrary, [&](TArchiverDll& d) { return d.FindFirst(nullptr, "*.*", info); }},
      {"UnlhaFindNext", kNoEntry, [&](TArchiverDll& d) { return d.FindNext(nullptr, info); }},
      {"UnlhaExtractMem", kNoEntry,
       [&](TArchiverDll& d) { return d.ExtractMem(nullptr, "a.lzh", buffer, 4, nullptr, nullptr, &written); }},
      {"UnlhaCheckArchive", kNoLibrary, [&](TArchiverDll& d) { return d.CheckArchive("a.lzh", 0); }},
      {"UnlhaSetOwnerWindowEx", kZero, [&](TArchiverDll& d) { return d.SetOwnerWindowEx(nullptr, nullptr); }},
      {"UnlhaKillOwnerWindowEx", kZero, [&](TArchiverDll& d) { return d.KillOwnerWindowEx(nullptr); }},
      {"UnlhaGetWriteTimeEx", kZero, [&](TArchiverDll& d) { return d.GetWriteTimeEx(nullptr, value); }},
      {"UnlhaGetCreateTimeEx", kZero, [&](TArchiverDll& d) { return d.GetCreateTimeEx(nullptr, value); }},
      {"UnlhaGetAccessTimeEx", kZero, [&](TArchiverDll& d) { return d.GetAccessTimeEx(nullptr, value); }},
      {"UnlhaGetOriginalSizeEx", kZero, [&](TArchiverDll& d) { return d.GetOriginalSizeEx(nullptr, value); }},
      {"UnlhaGetCompressedSizeEx", kZero, [&](TArchiverDll& d) { return d.GetCompressedSizeEx(nullptr, value); }},
      {"UnlhaGetArchiveType", kNoLibrary, [&](TArchiverDll& d) { return d.GetArchiveType("a.lzh"); }},
      {"UnlhaSetEnumMembersProc64", kNoLibrary,
       [&](TArchiverDll& d) { return d.SetEnumMembersProc64(nullptr, nullptr); }},
      {"UnlhaClearEnumMembersProc64", kNoLibrary, [&](TArchiverDll& d) { return d.ClearEnumMembersProc64(); }},
  };
  ASSERT_EQ(std::size(cases), static_cast<std::size_t>(TCustomArchiverDll::kEntryCount));
  for (const auto& c : cases) {
    TArchiverDll dll = MakeLha();
    try {
      const long long result = c.call(dll);
      EXPECT_EQ(c.outcome, kZero) << c.entry << " answered " << result;
      EXPECT_EQ(result, 0) << c.entry;
    } catch (const ENoArchiverDLL&) {
      EXPECT_EQ(c.outcome, kNoLibrary) << c.entry;
    } catch (const EEntryNotFound& e) {
      EXPECT_EQ(c.outcome, kNoEntry) << c.entry;
      EXPECT_EQ(e.what(), platform::ExecutablePath() + " に " + c.entry + " のエントリが見つかりません。");
    }
  }
}

TEST_F(BindingTest, ExtendedInfoFromTheLibraryOrFromTheRecord) {
  const std::uint16_t date = 0x5A21, time = 0x6000;  // 2025-01-01 12:00:00 local
  std::uint64_t fromDos = 0;
  ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(date, time, fromDos));
  std::string path =
      scratch.Write("a.lzh", FixtureWriter()
                                 .Accept("lha")
                                 .Member(FixtureMember("all.txt")
                                             .DosDateTime(date, time)
                                             .Size(10)
                                             .Packed(5)
                                             .WriteTime(111)
                                             .AccessTime(222)
                                             .CreateTime(333)
                                             .Size64(0x100000000ull)
                                             .Packed64(0x200000000ull))
                                 .Member(FixtureMember("dos.txt").DosDateTime(date, time).Size(7).Packed(3))
                                 .Member(FixtureMember("zero.txt").Size(0xFFFFFFFFu)));

  struct Expected {
    std::uint64_t write, access, create, size, packed;
  };
  auto listWith = [&](const char* variant) {
    ScopedLibraryFolder libraries(variant, {"UNLHA32.DLL"});
    TArchiverDll dll = MakeLha();
    std::vector<Expected> out;
    ArcHandle handle = dll.OpenArchive(nullptr, path, kModeList);
    TMemberInfo info{};
    for (int r = dll.FindFirst(handle, "*.*", info); r == 0; r = dll.FindNext(handle, info)) {
      out.push_back(
          {info.LastWriteTime, info.LastAccessTime, info.CreationTime, info.OriginalSize64, info.CompressedSize64});
    }
    dll.CloseArchive(handle);
    dll.FreeDLL();
    return out;
  };
  auto same = [](const Expected& a, const Expected& b) {
    return a.write == b.write && a.access == b.access && a.create == b.create && a.size == b.size &&
           a.packed == b.packed;
  };

  std::vector<Expected> full = listWith("full");
  ASSERT_EQ(full.size(), 3u);
  EXPECT_TRUE(same(full[0], {111, 222, 333, 0x100000000ull, 0x200000000ull}));
  // The library's entries answer "not available": the record's values are used.
  EXPECT_TRUE(same(full[1], {fromDos, fromDos, fromDos, 7, 3}));
  EXPECT_TRUE(same(full[2], {0, 0, 0, 0xFFFFFFFFu, 0}));

  std::vector<Expected> bare = listWith("bare");
  ASSERT_EQ(bare.size(), 3u);
  EXPECT_TRUE(same(bare[0], {fromDos, fromDos, fromDos, 10, 5}));
  EXPECT_TRUE(same(bare[1], full[1]));
  EXPECT_TRUE(same(bare[2], full[2]));
}

TEST_F(BindingTest, CommandPassesANullBufferForSizeZero) {
  ScopedLibraryFolder libraries("full", {"UNLHA32.DLL"});
  ScopedCallLog log;
  TArchiverDll dll = MakeLha();
  char buffer[16] = "unchanged";
  EXPECT_EQ(dll.Command(nullptr, "a.lzh", "l a.lzh", buffer, 0), 0);
  EXPECT_STREQ(buffer, "unchanged");
  EXPECT_EQ(dll.Command(nullptr, "a.lzh", "x a.lzh", buffer, sizeof buffer), 0);
  std::vector<testsupport::StandinCall> calls = log.Read();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].entry, "Unlha");
  EXPECT_EQ(calls[0].args[1], "l a.lzh");
  EXPECT_EQ(calls[0].args[2], "0");  // the null buffer
  EXPECT_EQ(calls[0].args[3], "0");
  EXPECT_NE(calls[1].args[2], "0");
  EXPECT_EQ(calls[1].args[3], "16");
  dll.FreeDLL();
}

}  // namespace
