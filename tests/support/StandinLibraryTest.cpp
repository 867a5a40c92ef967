// The stand-in libraries as their callers see them: loaded by file name from
// a folder of the test's choice, entries looked up by name and called.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "archives/ArchiverApi.h"
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "testlibs/standin_text.h"
#include "tests/support/FixtureWriter.h"
#include "tests/support/StandinSupport.h"

namespace {

using namespace archives;
using testsupport::FixtureMember;
using testsupport::FixtureWriter;
using testsupport::ScopedCallLog;
using testsupport::ScopedEnvironmentValue;
using testsupport::ScopedLibraryFolder;

// A library loaded for one test and freed after it, so that the next test
// may load another variant of the same file.
class Loaded {
 public:
  explicit Loaded(const std::string& file) : library_(platform::LoadDynamicLibrary(file)) {}
  ~Loaded() { platform::FreeDynamicLibrary(library_); }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;

  bool ok() const { return library_ != nullptr; }
  bool Has(const std::string& name) const { return platform::FindEntry(library_, name.c_str()) != nullptr; }
  template <typename Entry>
  Entry Get(const std::string& name) const {
    void* address = platform::FindEntry(library_, name.c_str());
    EXPECT_NE(address, nullptr) << name;
    return reinterpret_cast<Entry>(address);
  }

 private:
  platform::LibraryHandle library_;
};

// A temporary folder for fixture files.
class Scratch {
 public:
  Scratch() : folder_(platform::CreateTempFolder("mokurena-fix")) {}
  ~Scratch() {
    try {
      platform::RemoveTree(folder_);
    } catch (...) {
    }
  }
  std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }
  std::string Write(const std::string& name, const FixtureWriter& fixture) const {
    fixture.WriteTo(Path(name));
    return Path(name);
  }
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
};

// Splits a list of names written with blanks between them.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t blank = text.find(' ', pos);
    if (blank == std::string::npos) blank = text.size();
    if (blank > pos) words.push_back(text.substr(pos, blank - pos));
    pos = blank + 1;
  }
  return words;
}

// The listing entries of a library whose listing names share one prefix.
struct Listing {
  Listing(const Loaded& library, const std::string& prefix)
      : open(library.Get<OpenArchiveEntry>(prefix + "OpenArchive")),
        close(library.Get<CloseArchiveEntry>(prefix + "CloseArchive")),
        first(library.Get<FindFirstEntry>(prefix + "FindFirst")),
        next(library.Get<FindNextEntry>(prefix + "FindNext")),
        check(library.Get<CheckArchiveEntry>(prefix + "CheckArchive")) {}
  OpenArchiveEntry open;
  CloseArchiveEntry close;
  FindFirstEntry first;
  FindNextEntry next;
  CheckArchiveEntry check;
};

std::vector<std::string> Prefixed(const std::string& prefix, std::vector<std::string> suffixes) {
  for (std::string& suffix : suffixes) suffix = prefix + suffix;
  return suffixes;
}

TEST(StandinLibraries, EachVariantExportsExactlyItsEntries) {
  auto with = [](std::vector<std::string> list, std::vector<std::string> more) {
    list.insert(list.end(), more.begin(), more.end());
    return list;
  };
  auto without = [](std::vector<std::string> list, const std::string& gone) {
    list.erase(std::remove(list.begin(), list.end(), gone), list.end());
    return list;
  };
  const std::vector<std::string> zipListing = Words("OpenArchive CloseArchive FindFirst FindNext CheckArchive");
  std::vector<std::string> bare = zipListing;
  bare.push_back("");  // the command entry
  const std::vector<std::string> full =
      with(bare, Words("ExtractMem SetOwnerWindowEx KillOwnerWindowEx GetWriteTimeEx "
                       "GetCreateTimeEx GetAccessTimeEx GetOriginalSizeEx GetCompressedSizeEx "
                       "SetEnumMembersProc64 ClearEnumMembersProc64"));
  const struct {
    const char* variant;
    const char* file;
    std::string prefix;  // empty: a ZIP library, names given in full
    std::vector<std::string> expected;
  } cases[] = {
      {"full", "UNLHA32.DLL", "Unlha", Prefixed("Unlha", full)},
      {"bare", "UNLHA32.DLL", "Unlha", Prefixed("Unlha", bare)},
      {"nofindnext", "UNLHA32.DLL", "Unlha", Prefixed("Unlha", without(full, "FindNext"))},
      {"full", "UNARJ32J.DLL", "Unarj", Prefixed("Unarj", full)},
      {"full", "CAB32.DLL", "Cab", Prefixed("Cab", full)},
      {"full", "TAR32.DLL", "Tar", Prefixed("Tar", with(full, {"GetArchiveType"}))},
      {"bare", "TAR32.DLL", "Tar", Prefixed("Tar", with(bare, {"GetArchiveType"}))},
      {"full", "UNRAR32.DLL", "Unrar", Prefixed("Unrar", full)},
      {"full", "BGA32.DLL", "Bga", Prefixed("Bga", full)},
      {"full", "UnGCA32.DLL", "UnGCA", Prefixed("UnGCA", full)},
      {"bare", "7-zip32.dll", "SevenZip", Prefixed("SevenZip", bare)},
      {"full", "7-zip32.dll", "SevenZip", Prefixed("SevenZip", full)},
      {"full", "YYZ32.DLL", "Yz1", Prefixed("Yz1", with(full, {"PasswordDialog", "SetDefaultPassword"}))},
      {"full", "YZ1.DLL", "Yz1", Prefixed("Yz1", with(full, {"PasswordDialog", "SetDefaultPassword"}))},
      {"nopassword", "YYZ32.DLL", "Yz1", Prefixed("Yz1", full)},
      {"bare", "YZ1.DLL", "Yz1", Prefixed("Yz1", bare)},
      {"full", "UNZIP32.DLL", "",
       with(Prefixed("UnZip", with(zipListing, {"", "ExtractMem", "SetOwnerWindowEx", "KillOwnerWindowEx",
                                                "GetCreateTimeEx", "GetAccessTimeEx"})),
            {"UnzipGetWriteTimeEx"})},
      {"bare", "UNZIP32.DLL", "", Prefixed("UnZip", with(zipListing, {""}))},
      {"full", "ZIP32J.DLL", "",
       with(Prefixed("UnZip", with(zipListing, {"ExtractMem", "GetCreateTimeEx", "GetAccessTimeEx"})),
            {"UnzipGetWriteTimeEx", "Zip"})},
      {"bare", "ZIP32J.DLL", "", with(Prefixed("UnZip", zipListing), {"Zip"})},
      {"full", "LMZIP32.DLL", "",
       with(Prefixed("Unzip",
                     with(zipListing, {"", "ExtractMem", "GetWriteTimeEx", "GetCreateTimeEx", "GetAccessTimeEx"})),
            {"Zip"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.variant) + "/" + c.file);
    ScopedLibraryFolder folder(c.variant, {c.file});
    Loaded library(c.file);
    ASSERT_TRUE(library.ok());
    // Every name a caller might look up: the prefix forms, and for ZIP both
    // spellings of every entry.
    std::set<std::string> candidates;
    for (const std::string& prefix :
         c.prefix.empty() ? std::vector<std::string>{"UnZip", "Unzip"} : std::vector<std::string>{c.prefix}) {
      candidates.insert(prefix);
      for (const std::string& suffix :
           Words("OpenArchive CloseArchive FindFirst FindNext CheckArchive GetArchiveType "
                 "ExtractMem SetOwnerWindowEx KillOwnerWindowEx GetWriteTimeEx GetCreateTimeEx "
                 "GetAccessTimeEx GetOriginalSizeEx GetCompressedSizeEx SetEnumMembersProc64 "
                 "ClearEnumMembersProc64 PasswordDialog SetDefaultPassword")) {
        candidates.insert(prefix + suffix);
      }
    }
    candidates.insert("Zip");
    for (const std::string& name : c.expected) candidates.insert(name);
    for (const std::string& name : candidates) {
      bool expected = std::find(c.expected.begin(), c.expected.end(), name) != c.expected.end();
      EXPECT_EQ(library.Has(name), expected) << name;
    }
  }
}

struct FormatLibrary {
  const char* file;
  const char* listingPrefix;
  const char* tag;
};

const FormatLibrary kLibraries[] = {
    {"UNLHA32.DLL", "Unlha", "lha"}, {"UNARJ32J.DLL", "Unarj", "arj"},  {"CAB32.DLL", "Cab", "cab"},
    {"TAR32.DLL", "Tar", "tar"},     {"UNRAR32.DLL", "Unrar", "rar"},   {"BGA32.DLL", "Bga", "bga"},
    {"UnGCA32.DLL", "UnGCA", "gca"}, {"7-zip32.dll", "SevenZip", "7z"}, {"YYZ32.DLL", "Yz1", "yz1"},
    {"YZ1.DLL", "Yz1", "yz1"},       {"UNZIP32.DLL", "UnZip", "zip"},   {"ZIP32J.DLL", "UnZip", "zip"},
    {"LMZIP32.DLL", "Unzip", "zip"},
};

TEST(StandinLibraries, EachOpensOnlyFixturesOfItsOwnFormat) {
  Scratch scratch;
  ScopedLibraryFolder::Libraries all;
  for (const FormatLibrary& l : kLibraries) all.push_back({"full", l.file});
  ScopedLibraryFolder folder(all);
  for (const FormatLibrary& l : kLibraries) {
    SCOPED_TRACE(l.file);
    FixtureWriter own, others;
    own.Accept(l.tag).Member("m");
    for (const FormatLibrary& other : kLibraries) {
      if (std::string(other.tag) != l.tag) others.Accept(other.tag);
    }
    std::string ownPath = scratch.Write("own", own);
    std::string othersPath = scratch.Write("others", others);

    Loaded library(l.file);
    ASSERT_TRUE(library.ok());
    Listing listing(library, l.listingPrefix);
    ASSERT_TRUE(listing.open && listing.close && listing.first && listing.check);

    EXPECT_EQ(listing.check(othersPath.c_str(), 0), 0);
    EXPECT_EQ(listing.open(nullptr, othersPath.c_str(), kModeList), nullptr);
    EXPECT_NE(listing.check(ownPath.c_str(), 0), 0);
    ArcHandle handle = listing.open(nullptr, ownPath.c_str(), kModeList);
    ASSERT_NE(handle, nullptr);
    TMemberInfo info{};
    EXPECT_EQ(listing.first(handle, "*.*", &info), 0);
    EXPECT_STREQ(info.FileName, "m");
    EXPECT_EQ(listing.close(handle), 0);
  }
}

TEST(StandinLibraries, ListsMembersIntoTheLibrarysPartOfTheRecord) {
  Scratch scratch;
  const std::string longName = std::string(512, 'n') + "Z";  // 513 bytes, no room for a NUL
  FixtureMember first("dir\\a.exe");
  first.Size(1000).Packed(600).Crc(0x1234ABCD).Flag(3).Os(4).Ratio(600);
  first.DosDateTime(0x5A21, 0x6000).Attribute("--A-----").Method("-lh5-");
  first.WriteTime(0x01D0000000000001ull).AccessTime(2).CreateTime(3);
  first.Size64(0x100000000ull).Packed64(5);
  std::string path = scratch.Write("a.lzh", FixtureWriter().Accept("lha").Member(first).Member(longName).Member(""));
  ScopedLibraryFolder folder("full", {"UNLHA32.DLL"});
  Loaded lib("UNLHA32.DLL");
  ASSERT_TRUE(lib.ok());
  Listing listing(lib, "Unlha");
  const struct {
    const char* entry;
    std::uint64_t value;  // for the first member
  } extras[] = {{"UnlhaGetWriteTimeEx", 0x01D0000000000001ull},
                {"UnlhaGetAccessTimeEx", 2},
                {"UnlhaGetCreateTimeEx", 3},
                {"UnlhaGetOriginalSizeEx", 0x100000000ull},
                {"UnlhaGetCompressedSizeEx", 5}};
  auto extra = [&](const char* entry, ArcHandle handle, std::uint64_t* value) {
    return lib.Get<GetTimeExEntry>(entry)(handle, value);
  };

  ArcHandle handle = listing.open(nullptr, path.c_str(), kModeList);
  ASSERT_NE(handle, nullptr);
  std::uint64_t value = 99;
  EXPECT_EQ(extra("UnlhaGetWriteTimeEx", handle, &value), 0) << "no member found yet";

  TMemberInfo info;
  std::memset(&info, 0xCD, sizeof info);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&info);
  ASSERT_EQ(listing.first(handle, "*.*", &info), 0);
  EXPECT_EQ(info.OriginalSize, 1000u);
  EXPECT_EQ(info.CompressedSize, 600u);
  EXPECT_EQ(info.CRC, 0x1234ABCDu);
  EXPECT_EQ(info.Flag, 3u);
  EXPECT_EQ(info.OSType, 4u);
  EXPECT_EQ(info.Ratio, 600u);
  EXPECT_EQ(info.DosDate, 0x5A21u);
  EXPECT_EQ(info.DosTime, 0x6000u);
  EXPECT_STREQ(info.FileName, "dir\\a.exe");
  EXPECT_EQ(std::string(info.Attribute, 8), "--A-----");
  EXPECT_EQ(std::string(info.Mode, 8), std::string("-lh5-\0\0\0", 8));
  EXPECT_EQ(std::string(info.Reserved, 3), std::string(3, '\0'));
  for (std::size_t i = offsetof(TMemberInfo, LastWriteTime); i < sizeof info; ++i) {
    ASSERT_EQ(bytes[i], 0xCD) << "byte " << i << " belongs to the caller";
  }
  for (const auto& e : extras) {
    EXPECT_EQ(extra(e.entry, handle, &value), 1) << e.entry;
    EXPECT_EQ(value, e.value) << e.entry;
  }

  ASSERT_EQ(listing.next(handle, &info), 0);
  EXPECT_EQ(std::string(info.FileName, sizeof info.FileName), longName);
  EXPECT_EQ(info.Reserved[0], '\0');
  EXPECT_EQ(info.OriginalSize, 0u);
  for (const auto& e : extras) {
    value = 77;
    EXPECT_EQ(extra(e.entry, handle, &value), 0) << e.entry << ": the fixture gives no value";
    EXPECT_EQ(value, 77u) << e.entry;
  }

  ASSERT_EQ(listing.next(handle, &info), 0);
  EXPECT_EQ(info.FileName[0], '\0');

  EXPECT_EQ(listing.next(handle, &info), -1);
  EXPECT_EQ(listing.next(handle, &info), -1);

  // FindFirst starts the listing again.
  ASSERT_EQ(listing.first(handle, "*", &info), 0);
  EXPECT_STREQ(info.FileName, "dir\\a.exe");
  EXPECT_EQ(listing.close(handle), 0);
  EXPECT_EQ(extra("UnlhaGetWriteTimeEx", handle, &value), 0) << "closed";
}

TEST(StandinLibraries, FailingLookupStopsTheListingInTheMiddle) {
  const struct {
    std::uint32_t failAt;
    std::int32_t code;
    std::vector<int> results;  // FindFirst, then FindNext...
  } cases[] = {
      {1, -1, {-1}}, {2, 0x8005, {0, 0x8005}}, {3, -1, {0, 0, -1, 0, -1}},  // the failed lookup takes no member
  };
  Scratch scratch;
  ScopedLibraryFolder folder("full", {"UNLHA32.DLL"});
  Loaded lib("UNLHA32.DLL");
  ASSERT_TRUE(lib.ok());
  Listing listing(lib, "Unlha");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failAt);
    std::string path = scratch.Write(
        "f.lzh", FixtureWriter().Accept("lha").FailAt(c.failAt, c.code).Member("a").Member("b").Member("c"));
    ArcHandle handle = listing.open(nullptr, path.c_str(), kModeList);
    ASSERT_NE(handle, nullptr);
    TMemberInfo info{};
    std::vector<int> results;
    results.push_back(listing.first(handle, "*.*", &info));
    while (results.size() < c.results.size()) results.push_back(listing.next(handle, &info));
    EXPECT_EQ(results, c.results);
    EXPECT_EQ(listing.first(handle, "*.*", &info), c.results[0]) << "FindFirst counts afresh";
    listing.close(handle);
  }
}

TEST(StandinLibraries, CheckAndOpenRefuseWhatIsNotAFixtureOfTheirFormat) {
  Scratch scratch;
  const struct {
    const char* what;
    std::string path;
    bool check;
    bool open;
  } cases[] = {
      {"fixture", scratch.Write("ok", FixtureWriter().Accept("lha")), true, true},
      {"other format", scratch.Write("zip", FixtureWriter().Accept("zip")), false, false},
      {"check fails", scratch.Write("cf", FixtureWriter().Accept("lha").CheckFails()), false, true},
      {"open fails", scratch.Write("of", FixtureWriter().Accept("lha").OpenFails()), true, false},
      {"bad line", scratch.Write("bad", FixtureWriter().Accept("lha").Line("member")), false, false},
      {"folder", scratch.folder(), false, false},
      {"missing", scratch.Path("missing"), false, false},
  };
  platform::WriteWholeFile(scratch.Path("empty"), "");
  platform::WriteWholeFile(scratch.Path("garbage"), std::string("MOKF\0\xff\x01", 7));
  ScopedLibraryFolder folder("full", {"UNLHA32.DLL"});
  Loaded lib("UNLHA32.DLL");
  ASSERT_TRUE(lib.ok());
  Listing listing(lib, "Unlha");
  auto run = [&](const char* what, const char* path, bool checks, bool opens) {
    SCOPED_TRACE(what);
    EXPECT_EQ(listing.check(path, kCheckModeLha) != 0, checks);
    ArcHandle handle = listing.open(nullptr, path, kModeProbeOpen);
    EXPECT_EQ(handle != nullptr, opens);
    if (handle != nullptr) listing.close(handle);
  };
  for (const auto& c : cases) run(c.what, c.path.c_str(), c.check, c.open);
  run("empty", scratch.Path("empty").c_str(), false, false);
  run("garbage", scratch.Path("garbage").c_str(), false, false);
  run("null path", nullptr, false, false);
}

TEST(StandinLibraries, TarArchiveTypeComesFromTheFixture) {
  Scratch scratch;
  ScopedLibraryFolder folder("bare", {"TAR32.DLL"});
  Loaded lib("TAR32.DLL");
  ASSERT_TRUE(lib.ok());
  auto type = lib.Get<GetArchiveTypeEntry>("TarGetArchiveType");
  platform::WriteWholeFile(scratch.Path("garbage"), "not a fixture");
  EXPECT_EQ(type(scratch.Write("t3", FixtureWriter().Accept("tar").TarType(3)).c_str()), 3);
  EXPECT_EQ(type(scratch.Write("t0", FixtureWriter().Accept("tar")).c_str()), 0);
  EXPECT_EQ(type(scratch.Write("lha", FixtureWriter().Accept("lha").TarType(6)).c_str()), 6);
  EXPECT_EQ(type(scratch.Path("garbage").c_str()), -1);
  EXPECT_EQ(type(scratch.Path("missing").c_str()), -1);
  EXPECT_EQ(type(nullptr), -1);
}

TEST(StandinLibraries, RefusesHandlesThatAreNotOpenArchives) {
  Scratch scratch;
  std::string path = scratch.Write("a", FixtureWriter().Accept("lha").Accept("cab").Member("x"));
  ScopedLibraryFolder folder("full", {"UNLHA32.DLL", "CAB32.DLL"});
  Loaded lha("UNLHA32.DLL");
  Loaded cab("CAB32.DLL");
  ASSERT_TRUE(lha.ok() && cab.ok());
  Listing listing(lha, "Unlha");
  auto writeTime = lha.Get<GetTimeExEntry>("UnlhaGetWriteTimeEx");
  auto cabOpen = cab.Get<OpenArchiveEntry>("CabOpenArchive");
  auto cabClose = cab.Get<CloseArchiveEntry>("CabCloseArchive");

  TMemberInfo info{};
  std::uint64_t value = 0;
  EXPECT_NE(listing.close(nullptr), 0);
  EXPECT_NE(listing.first(nullptr, "*.*", &info), 0);

  ArcHandle handle = listing.open(nullptr, path.c_str(), kModeList);
  ASSERT_NE(handle, nullptr);
  EXPECT_NE(listing.first(handle, "*.*", nullptr), 0) << "no record to fill";
  EXPECT_EQ(listing.close(handle), 0);
  EXPECT_NE(listing.close(handle), 0) << "closed twice";
  EXPECT_NE(listing.first(handle, "*.*", &info), 0);
  EXPECT_NE(listing.next(handle, &info), 0);
  EXPECT_EQ(writeTime(handle, &value), 0);

  ArcHandle cabHandle = cabOpen(nullptr, path.c_str(), kModeList);
  ASSERT_NE(cabHandle, nullptr);
  EXPECT_NE(listing.first(cabHandle, "*.*", &info), 0) << "another library's handle";
  EXPECT_EQ(cabClose(cabHandle), 0);
}

TEST(StandinLibraries, CommandEntriesAnswerWithinTheGivenSize) {
  ScopedLibraryFolder folder("full", {"LMZIP32.DLL"});
  Loaded lib("LMZIP32.DLL");
  ASSERT_TRUE(lib.ok());
  auto unzip = lib.Get<CommandEntry>("Unzip");
  auto zip = lib.Get<CommandEntry>("Zip");
  auto extract = lib.Get<ExtractMemEntry>("UnzipExtractMem");
  const struct {
    std::uint32_t size;
    std::string expected;  // the first eight bytes afterwards
  } cases[] = {
      {0, "########"},
      {2, "########"},  // "ok" and its NUL do not fit
      {3, std::string("ok\0#####", 8)},
      {8, std::string("ok\0#####", 8)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    for (CommandEntry entry : {unzip, zip}) {
      char buffer[8];
      std::memset(buffer, '#', sizeof buffer);
      EXPECT_EQ(entry(nullptr, "-x a.zip", buffer, c.size), 0);
      EXPECT_EQ(std::string(buffer, 8), c.expected);
    }
    unsigned char memory[8];
    std::memset(memory, '#', sizeof memory);
    std::uint32_t written = 1234;
    EXPECT_EQ(extract(nullptr, "a.zip x", memory, c.size, nullptr, nullptr, &written), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(memory), 8), c.expected);
    EXPECT_EQ(written, c.expected[0] == 'o' ? 2u : 0u);
  }
  EXPECT_EQ(unzip(nullptr, "-x a.zip", nullptr, 0), 0);
  EXPECT_EQ(extract(nullptr, "x", nullptr, 0, nullptr, nullptr, nullptr), 0);
}

TEST(StandinLibraries, LogsEveryCallWithItsArguments) {
  Scratch scratch;
  std::string path = scratch.Write("a b.lzh", FixtureWriter().Accept("lha").Member("m"));
  ScopedLibraryFolder folder("full", {"UNLHA32.DLL"});
  Loaded lib("UNLHA32.DLL");
  ASSERT_TRUE(lib.ok());
  auto command = lib.Get<CommandEntry>("Unlha");
  Listing listing(lib, "Unlha");
  auto writeTime = lib.Get<GetTimeExEntry>("UnlhaGetWriteTimeEx");
  auto setOwner = lib.Get<SetOwnerWindowExEntry>("UnlhaSetOwnerWindowEx");
  auto killOwner = lib.Get<KillOwnerWindowExEntry>("UnlhaKillOwnerWindowEx");
  auto setEnum = lib.Get<SetEnumMembersProc64Entry>("UnlhaSetEnumMembersProc64");
  auto clearEnum = lib.Get<ClearEnumMembersProc64Entry>("UnlhaClearEnumMembersProc64");
  auto extract = lib.Get<ExtractMemEntry>("UnlhaExtractMem");

  ScopedCallLog log;
  ArcWindow window = reinterpret_cast<ArcWindow>(0x1a2b);
  EXPECT_EQ(command(window, "x -a\t\"b c\"\r\n\\\x01\x83\x5C", nullptr, 0), 0);
  EXPECT_NE(listing.check(path.c_str(), kCheckModeLha), 0);
  ArcHandle handle = listing.open(window, path.c_str(), kModeList);
  ASSERT_NE(handle, nullptr);
  TMemberInfo info{};
  std::uint64_t time = 0;
  EXPECT_EQ(listing.first(handle, nullptr, &info), 0);
  EXPECT_EQ(writeTime(handle, &time), 0);
  EXPECT_EQ(listing.next(handle, &info), -1);
  EXPECT_EQ(listing.close(handle), 0);
  EXPECT_EQ(setOwner(window, nullptr), 1);
  EXPECT_EQ(killOwner(window), 1);
  EXPECT_EQ(setEnum(reinterpret_cast<void*>(0x10), nullptr), 1);
  EXPECT_EQ(clearEnum(), 1);
  char buffer[16];
  std::uint32_t written = 0;
  EXPECT_EQ(extract(nullptr, "m", reinterpret_cast<unsigned char*>(buffer), 16, nullptr, nullptr, &written), 0);

  std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "UNLHA32.DLL\tUnlha\t0x1a2b\tx -a\\t\"b c\"\\r\\n\\\\\\x01\x83\\\\\t0\t0");
  EXPECT_EQ(lines[10], "UNLHA32.DLL\tUnlhaClearEnumMembersProc64");

  const std::string h = standin::PointerField(handle);
  const std::string infoField = standin::PointerField(&info);
  std::vector<testsupport::StandinCall> calls = log.Read();
  ASSERT_EQ(calls.size(), 12u);
  const struct {
    const char* entry;
    std::vector<std::string> args;
  } expected[] = {
      {"Unlha", {"0x1a2b", "x -a\t\"b c\"\r\n\\\x01\x83\x5C", "0", "0"}},
      {"UnlhaCheckArchive", {path, "16"}},
      {"UnlhaOpenArchive", {"0x1a2b", path, "0x800000"}},
      {"UnlhaFindFirst", {h, testsupport::kNullText, infoField}},
      {"UnlhaGetWriteTimeEx", {h, standin::PointerField(&time)}},
      {"UnlhaFindNext", {h, infoField}},
      {"UnlhaCloseArchive", {h}},
      {"UnlhaSetOwnerWindowEx", {"0x1a2b", "0"}},
      {"UnlhaKillOwnerWindowEx", {"0x1a2b"}},
      {"UnlhaSetEnumMembersProc64", {"0x10", "0"}},
      {"UnlhaClearEnumMembersProc64", {}},
      {"UnlhaExtractMem", {"0", "m", standin::PointerField(buffer), "16", "0", "0", standin::PointerField(&written)}},
  };
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].dll, "UNLHA32.DLL");
    EXPECT_EQ(calls[i].entry, expected[i].entry);
    EXPECT_EQ(calls[i].args, expected[i].args) << expected[i].entry;
  }

  log.Clear();
  EXPECT_TRUE(log.Read().empty());
  listing.check(path.c_str(), kCheckModeZip);
  EXPECT_EQ(log.Entries(), std::vector<std::string>{"UnlhaCheckArchive"});
}

TEST(StandinLibraries, PasswordAnswersComeFromTheEnvironment) {
  Scratch scratch;
  std::string path = scratch.Write("p.yz1", FixtureWriter().Accept("yz1").Password("secret").Member("m"));
  ScopedLibraryFolder folder("full", {"YYZ32.DLL"});
  Loaded lib("YYZ32.DLL");
  ASSERT_TRUE(lib.ok());
  Listing listing(lib, "Yz1");
  auto dialog = lib.Get<PasswordDialogEntry>("Yz1PasswordDialog");
  auto setPassword = lib.Get<SetDefaultPasswordEntry>("Yz1SetDefaultPassword");

  ScopedEnvironmentValue answers("MOKURENA_STANDIN_PASSWORDS", "wrong;cancel;;secret");
  ArcHandle handle = listing.open(nullptr, path.c_str(), kModeList);
  ASSERT_NE(handle, nullptr);
  TMemberInfo info{};
  EXPECT_EQ(listing.first(handle, "*.*", &info), kErrorPasswordFile);

  char buffer[256];
  EXPECT_EQ(dialog(nullptr, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "wrong");
  setPassword(handle, buffer);
  EXPECT_EQ(listing.first(handle, "*.*", &info), kErrorPasswordFile);
  EXPECT_EQ(dialog(nullptr, buffer, sizeof buffer), -1) << "cancel";
  EXPECT_EQ(dialog(nullptr, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "") << "an empty answer";
  EXPECT_EQ(dialog(nullptr, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "secret");
  EXPECT_EQ(dialog(nullptr, buffer, sizeof buffer), -1) << "list exhausted";
  setPassword(handle, buffer);
  EXPECT_EQ(listing.first(handle, "*.*", &info), 0);
  EXPECT_STREQ(info.FileName, "m");
  EXPECT_EQ(listing.close(handle), 0);

  // Every open starts the answers again; a small buffer gets a cut answer.
  handle = listing.open(nullptr, path.c_str(), kModeList);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(listing.first(handle, "*.*", &info), kErrorPasswordFile) << "the password is per handle";
  char small[4];
  std::memset(small, '#', sizeof small);
  EXPECT_EQ(dialog(nullptr, small, 3), 1);
  EXPECT_EQ(std::string(small, 4), std::string("wr\0#", 4));
  EXPECT_EQ(dialog(nullptr, nullptr, 0), -1);
  EXPECT_EQ(listing.close(handle), 0);

  ScopedEnvironmentValue none("MOKURENA_STANDIN_PASSWORDS", "");
  EXPECT_EQ(dialog(nullptr, buffer, sizeof buffer), -1);
}

TEST(ScopedLibraryFolderTest, CopiesChosenLibrariesAndRemovesTheFolder) {
  std::string copied;
  {
    ScopedLibraryFolder folder(ScopedLibraryFolder::Libraries{{"bare", "UNLHA32.DLL"}, {"full", "CAB32.DLL"}});
    copied = folder.Folder();
    EXPECT_TRUE(platform::FileExists(folder.PathOf("UNLHA32.DLL")));
    EXPECT_TRUE(platform::FileExists(folder.PathOf("CAB32.DLL")));
    EXPECT_FALSE(platform::FileExists(folder.PathOf("UNZIP32.DLL")));
    {
      Loaded lha("UNLHA32.DLL");
      ASSERT_TRUE(lha.ok());
      EXPECT_FALSE(lha.Has("UnlhaGetWriteTimeEx")) << "the bare variant was copied";
    }
    EXPECT_TRUE(folder.Remove("CAB32.DLL"));
    Loaded cab("CAB32.DLL");
    EXPECT_FALSE(cab.ok());
    EXPECT_THROW(folder.Add("full", "NOSUCH32.DLL"), std::runtime_error);
  }
  EXPECT_FALSE(platform::DirectoryExists(copied));
}

}  // namespace
