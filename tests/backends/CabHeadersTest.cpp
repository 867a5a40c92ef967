// The cabinet reader on cabinets written here byte by byte (optional header
// fields, names, damage), and against libarchive on cabinets of gcab.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ArchiveTools.h"
#include "backends/ByteSource.h"
#include "backends/CabHeaders.h"
#include "backends/LibarchiveReader.h"
#include "backends/NameText.h"
#include "platform/CodePage.h"
#include "tests/support/PlatformHooks.h"

using namespace backends;
using backends_test::Put16;
using backends_test::Put32;

namespace {

struct CabFile {
  std::string name;
  std::uint32_t size = 3;
  std::uint16_t folder = 0;
  std::uint16_t attribs = 0x20;
};

struct CabLayout {
  std::uint16_t folders = 1;
  std::string headerReserve;       // with kFlagReserve
  std::uint8_t folderReserve = 0;  // with kFlagReserve
  bool reserve = false;
  bool previous = false;   // a link to a previous cabinet
  bool next = false;       // a link to a next cabinet
  int firstFileShift = 0;  // moves the offset of the first file record
  std::uint16_t fileCountShift = 0;
  std::uint8_t major = 1;
};

// A cabinet: header, its optional fields, folder records, file records; no data.
std::string Cabinet(const std::vector<CabFile>& files, const CabLayout& layout = {}) {
  std::string optional;
  if (layout.reserve) {
    Put16(optional, static_cast<std::uint32_t>(layout.headerReserve.size()));
    optional += static_cast<char>(layout.folderReserve);
    optional += '\0';  // data record reserve
    optional += layout.headerReserve;
  }
  if (layout.previous) optional += std::string("prev.cab\0disk 1\0", 16);
  if (layout.next) optional += std::string("next.cab\0disk 3\0", 16);
  std::string folders;
  for (int i = 0; i < layout.folders; ++i) {
    Put32(folders, 0);  // data offset, never read
    Put16(folders, 1);
    Put16(folders, 1);  // MSZIP
    folders += std::string(layout.folderReserve, 'r');
  }
  std::string records;
  for (const CabFile& f : files) {
    Put32(records, f.size);
    Put32(records, 0);
    Put16(records, f.folder);
    Put16(records, 0x5A21);  // 2025-01-01
    Put16(records, 0x6000);  // 12:00:00
    Put16(records, f.attribs);
    records += f.name;
    records += '\0';
  }
  const std::size_t firstFile = 36 + optional.size() + folders.size();
  std::string h = "MSCF";
  Put32(h, 0);
  Put32(h, static_cast<std::uint32_t>(firstFile + records.size()));
  Put32(h, 0);
  Put32(h, static_cast<std::uint32_t>(static_cast<int>(firstFile) + layout.firstFileShift));
  Put32(h, 0);
  h += '\x03';
  h += static_cast<char>(layout.major);
  Put16(h, layout.folders);
  Put16(h, static_cast<std::uint32_t>(files.size() + layout.fileCountShift));
  Put16(h, (layout.previous ? 1 : 0) | (layout.next ? 2 : 0) | (layout.reserve ? 4 : 0));
  Put16(h, 0x1234);  // set ID
  Put16(h, 0);       // index in the set
  return h + optional + folders + records;
}

using Listing = backends_test::ReaderListing;

Listing List(const std::string& bytes) { return backends_test::ListWith(OpenCabHeaders, bytes); }

TEST(CabHeaders, NamesThroughEveryOptionalField) {
  const std::string sjis = "\x93\xfa\x96\x7b\\\x95\x5c.exe";  // 日本\表.exe: 表 ends in 0x5C
  const std::vector<CabFile> files = {{"readme.txt", 10}, {"dir\\SETUP.EXE", 70000}, {sjis, 1}};
  CabLayout reserved;
  reserved.reserve = true;
  reserved.headerReserve = std::string(20, 'h');
  reserved.folderReserve = 6;
  reserved.folders = 2;
  CabLayout linked;
  linked.previous = linked.next = true;
  CabLayout everything = reserved;
  everything.previous = everything.next = true;
  const struct {
    const char* what;
    CabLayout layout;
  } cases[] = {{"plain", {}}, {"reserve", reserved}, {"links", linked}, {"all", everything}};
  for (const auto& c : cases) {
    const Listing listing = List(Cabinet(files, c.layout));
    ASSERT_TRUE(listing.opened) << c.what;
    EXPECT_EQ(listing.end, ReadResult::End) << c.what;
    ASSERT_EQ(listing.members.size(), files.size()) << c.what;
    for (std::size_t i = 0; i < files.size(); ++i) {
      const Member& m = listing.members[i];
      EXPECT_EQ(m.name, files[i].name) << c.what;
      EXPECT_EQ(m.originalSize, files[i].size) << c.what;
      EXPECT_TRUE(m.hasOriginalSize);
      EXPECT_FALSE(m.hasCompressedSize);
      EXPECT_EQ(m.dosDate, 0x5A21);
      EXPECT_EQ(m.dosTime, 0x6000);
      EXPECT_TRUE(m.hasWriteTime);
      EXPECT_FALSE(m.isDirectory);
    }
  }
}

TEST(CabHeaders, AttributesAndFolders) {
  const struct {
    std::uint16_t attribs;
    std::uint32_t expected;
  } cases[] = {
      {0x00, kAttrArchive}, {0x01, kAttrReadOnly | kAttrArchive}, {0x06, kAttrHidden | kAttrSystem | kAttrArchive},
      {0xA0, kAttrArchive},  // archive bit and the UTF-8 name flag
      {0x40, kAttrArchive},  // "execute": no DOS attribute
  };
  for (const auto& c : cases) {
    const Listing listing = List(Cabinet({{"a.txt", 3, 0, c.attribs}}));
    ASSERT_EQ(listing.members.size(), 1u);
    EXPECT_EQ(listing.members[0].attributes, c.expected) << std::hex << c.attribs;
  }
  // Files whose data continues from or into a neighbouring cabinet are listed.
  const Listing spanning = List(Cabinet({{"from.txt", 3, 0xFFFD}, {"into.txt", 3, 0xFFFE}, {"both.txt", 3, 0xFFFF}}));
  EXPECT_EQ(spanning.end, ReadResult::End);
  EXPECT_EQ(spanning.members.size(), 3u);
}

TEST(CabHeaders, NotACabinetAndDamage) {
  const std::vector<CabFile> two = {{"a.txt"}, {"b.exe"}};
  CabLayout noFolders;
  noFolders.folders = 0;
  CabLayout version2;
  version2.major = 2;
  CabLayout filesAmongFolders;
  filesAmongFolders.firstFileShift = -1;
  CabLayout filesPastTheEnd;
  filesPastTheEnd.firstFileShift = 4096;
  CabLayout moreFilesCounted;
  moreFilesCounted.fileCountShift = 1;
  CabLayout reserveCut;
  reserveCut.reserve = true;
  reserveCut.headerReserve = std::string(60000, 'h');
  const std::string good = Cabinet(two);
  std::string unterminated = good.substr(0, good.size() - 1) + "x";
  std::string badSignature = good;
  badSignature[3] = 'X';
  const backends_test::DamagedCase cases[] = {
      {"no folder", Cabinet(two, noFolders), false, 0},
      {"no file", Cabinet({}), false, 0},
      {"version 2", Cabinet(two, version2), false, 0},
      {"signature", badSignature, false, 0},
      {"header cut", good.substr(0, 30), false, 0},
      {"first file inside the folder records", Cabinet(two, filesAmongFolders), false, 0},
      {"first file past the end", Cabinet(two, filesPastTheEnd), false, 0},
      {"header reserve past the end", Cabinet(two, reserveCut).substr(0, 200), false, 0},
      {"one more file counted than written", Cabinet(two, moreFilesCounted), true, 2},
      {"last name without its NUL", unterminated, true, 1},
      {"record cut", good.substr(0, good.size() - 9), true, 1},
      {"folder index out of range", Cabinet({{"a.txt"}, {"b.exe", 3, 1}}), true, 1},
      {"name longer than 256 bytes", Cabinet({{"a.txt"}, {std::string(257, 'n')}}), true, 1},
  };
  for (const auto& c : cases) backends_test::ExpectDamaged(List(c.archive), c);
  EXPECT_EQ(List(Cabinet({{std::string(256, 'n')}})).members.size(), 1u);  // the longest name allowed
}

// Any prefix and any scrambling of a valid cabinet: the reader ends, never
// reads outside the bytes (ASan watches).
TEST(CabHeaders, CutAndScrambledCabinetsNeverReadOutOfBounds) {
  CabLayout everything;
  everything.reserve = true;
  everything.headerReserve = "hhhh";
  everything.folderReserve = 2;
  everything.folders = 2;
  everything.previous = everything.next = true;
  const std::string cabinet = Cabinet({{"a.txt"}, {"dir\\b.exe", 9, 1}, {"c", 0, 0xFFFF}}, everything);
  ASSERT_EQ(List(cabinet).members.size(), 3u);
  backends_test::ListCutAndScrambled(List, cabinet, 7);
}

// Our reader and libarchive's agree on what gcab writes: the names as the
// records carry them, sizes and write times.
TEST(CabHeaders, AgreesWithLibarchiveOnGcabCabinets) {
  using namespace backends_test;
  if (!HaveProgram("gcab")) GTEST_SKIP() << "gcab is not installed";
  TempFolder folder;
  const std::string src = folder / "src";
  const std::vector<std::string> names = {"readme.txt", "SETUP.EXE", "日本語/表示.exe", "deep/a/b/c/deep.exe",
                                          "big.bin"};
  for (const std::string& f : names) WriteFile(src + "/" + f, f == "big.bin" ? std::string(70000, 'b') : f);
  platform::OverrideCodePage(platform::CodePage::Utf8);
  for (const bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "MSZIP" : "stored");
    const std::string cabinet = folder / (compressed ? "z.cab" : "s.cab");
    std::vector<std::string> argv = {"gcab", "-c"};
    if (compressed) argv.push_back("-z");
    argv.push_back(cabinet);
    argv.insert(argv.end(), names.begin(), names.end());
    ASSERT_EQ(RunTool(argv, src, {"LC_ALL=C.UTF-8"}), 0);
    std::unique_ptr<MemberReader> ours = OpenCabHeaders(FileSource::Open(cabinet));
    std::unique_ptr<MemberReader> theirs = LibarchiveReader::Open(Family::Cab, cabinet);
    ASSERT_TRUE(ours);
    ASSERT_TRUE(theirs);
    const std::size_t count = ListInStep(*ours, *theirs, [](const Member& a, const Member& b) {
      EXPECT_EQ(RecordName(a.name), RecordName(b.name));
      EXPECT_EQ(a.originalSize, b.originalSize) << a.name;
      EXPECT_EQ(a.writeTime, b.writeTime) << a.name;
      EXPECT_EQ(a.attributes & kAttrReadOnly, b.attributes & kAttrReadOnly) << a.name;
    });
    EXPECT_EQ(count, names.size());
  }
  platform::ClearCodePageOverride();
}

}  // namespace
