// The LHA header reader on headers written here byte by byte (every level,
// extended headers, damage), and against libarchive on archives of jlha.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ArchiveTools.h"
#include "backends/ByteSource.h"
#include "backends/LhaHeaders.h"
#include "backends/LibarchiveReader.h"
#include "backends/NameText.h"
#include "platform/CodePage.h"
#include "tests/support/PlatformHooks.h"

using namespace backends;

namespace {

using backends_test::Put16;
using backends_test::Put32;
using backends_test::Put64;

struct Extended {
  std::uint8_t type;
  std::string data;
};

struct Entry {
  Entry(std::string n, std::string d = "abc", std::vector<Extended> x = {}, std::string m = "-lh0-",
        std::uint8_t a = 0x20, std::uint32_t o = 3)
      : name(std::move(n)),
        data(std::move(d)),
        extended(std::move(x)),
        method(std::move(m)),
        attribute(a),
        originalSize(o) {}
  std::string name;  // levels 0, 1: in the base header
  std::string data;
  std::vector<Extended> extended;
  std::string method;
  std::uint8_t attribute;
  std::uint32_t originalSize;
};

// A level 0 or 1 header: base header with its checksum, then (level 1) the
// extended headers, then the data.
std::string Level01(const Entry& e, int level) {
  std::string ext;
  for (std::size_t i = 0; i < e.extended.size(); ++i) {
    ext += static_cast<char>(e.extended[i].type);
    ext += e.extended[i].data;
    Put16(ext, i + 1 < e.extended.size() ? e.extended[i + 1].data.size() + 3 : 0);
  }
  std::string body = e.method;
  Put32(body, static_cast<std::uint32_t>((level == 1 ? ext.size() : 0) + e.data.size()));
  Put32(body, e.originalSize);
  Put16(body, 0x6000);  // 12:00:00
  Put16(body, 0x5A21);  // 2025-01-01
  body += static_cast<char>(e.attribute);
  body += static_cast<char>(level);
  body += static_cast<char>(e.name.size());
  body += e.name;
  Put16(body, 0);  // data CRC, not checked by a listing
  if (level == 1) {
    body += 'M';
    Put16(body, e.extended.empty() ? 0 : e.extended[0].data.size() + 3);
  }
  unsigned sum = 0;
  for (unsigned char c : body) sum += c;
  std::string header;
  header += static_cast<char>(body.size());
  header += static_cast<char>(sum & 0xFF);
  return header + body + (level == 1 ? ext : std::string()) + e.data;
}

// A level 2 or 3 header, with the header CRC in a common extended header
// unless crc is false; corruptCrc writes a wrong one.
std::string Level23(const Entry& e, int level, bool crc = true, bool corruptCrc = false) {
  const std::size_t sizeBytes = level == 2 ? 2 : 4;
  std::vector<Extended> extended = e.extended;
  if (crc) extended.insert(extended.begin(), Extended{0x00, std::string(2, '\0')});
  std::string ext;
  std::size_t crcAt = 0;
  for (std::size_t i = 0; i < extended.size(); ++i) {
    if (extended[i].type == 0x00) crcAt = ext.size() + 1;
    ext += static_cast<char>(extended[i].type);
    ext += extended[i].data;
    const std::size_t next = i + 1 < extended.size() ? extended[i + 1].data.size() + 1 + sizeBytes : 0;
    if (level == 2)
      Put16(ext, next);
    else
      Put32(ext, next);
  }
  const std::size_t first = extended.empty() ? 0 : extended[0].data.size() + 1 + sizeBytes;
  const std::size_t fixed = level == 2 ? 26 : 32;
  std::string h;
  if (level == 2)
    Put16(h, fixed + ext.size());
  else
    Put16(h, 4);
  h += e.method;
  Put32(h, e.data.size());
  Put32(h, e.originalSize);
  Put32(h, 1700000000);
  h += '\x20';
  h += static_cast<char>(level);
  Put16(h, 0);
  h += 'U';
  if (level == 2) {
    Put16(h, first);
  } else {
    Put32(h, fixed + ext.size());
    Put32(h, first);
  }
  h += ext;
  if (crc) {
    std::uint16_t value = LhaCrc16(reinterpret_cast<const std::uint8_t*>(h.data()), h.size());
    if (corruptCrc) value ^= 1;
    h[fixed + crcAt] = static_cast<char>(value & 0xFF);
    h[fixed + crcAt + 1] = static_cast<char>(value >> 8);
  }
  return h + e.data;
}

std::string Ext64(std::uint64_t a, std::uint64_t b) {
  std::string out;
  Put64(out, a);
  Put64(out, b);
  return out;
}

using Listing = backends_test::ReaderListing;

Listing List(const std::string& bytes) { return backends_test::ListWith(OpenLhaHeaders, bytes); }

TEST(LhaHeaders, EveryLevelAndItsNames) {
  const std::string sjisDir = "\x93\xfa\x96\x7b\x8c\xea";  // 日本語
  Entry plain{"plain.txt"};
  Entry dosPath{"dir\\\x95\x5c.exe"};  // 表, whose second byte is 0x5C
  Entry unixPath{
      "a/b\xFF"
      "c.exe"};
  Entry named{"",
              "xyz",
              {{0x01, "file.exe"},
               {0x02, sjisDir + "\xFF"
                                "sub\xFF"}}};
  Entry folder{"", "", {{0x02, "empty\xFF"}}, "-lhd-", 0x10, 0};
  struct Case {
    const char* what;
    std::string archive;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"level 0", Level01(plain, 0) + Level01(dosPath, 0) + std::string(1, '\0'), {"plain.txt", "dir\\\x95\x5c.exe"}},
      {"level 1 with extended names",
       Level01(unixPath, 1) + Level01(named, 1) + std::string(1, '\0'),
       {"a/b/c.exe", sjisDir + "/sub/file.exe"}},
      {"level 2", Level23(named, 2) + Level23(folder, 2) + std::string(1, '\0'), {sjisDir + "/sub/file.exe", "empty/"}},
      {"level 2 without a header CRC", Level23(named, 2, false), {sjisDir + "/sub/file.exe"}},
      {"level 3", Level23(named, 3) + Level23(folder, 3), {sjisDir + "/sub/file.exe", "empty/"}},
      {"levels mixed, no end mark",
       Level01(plain, 0) + Level01(plain, 1) + Level23(plain, 2) + Level23(plain, 3),
       {"plain.txt", "plain.txt", "", ""}},
  };
  for (const Case& c : cases) {
    const Listing listing = List(c.archive);
    ASSERT_TRUE(listing.opened) << c.what;
    EXPECT_EQ(listing.end, ReadResult::End) << c.what;
    std::vector<std::string> names;
    for (const Member& m : listing.members) names.push_back(m.name);
    EXPECT_EQ(names, c.names) << c.what;
  }
}

TEST(LhaHeaders, SizesTimesAndAttributes) {
  Entry big{"", "data", {{0x01, "big.iso"}, {0x42, Ext64(4, 5000000000ULL)}}};
  Entry times{"", "", {{0x01, "t.txt"}, {0x41, Ext64(111, 222) + std::string(8, '\0')}}};
  times.originalSize = 0;
  Entry readOnly{"ro.txt"};
  readOnly.attribute = 0x21;
  Entry unixMode{"", "abc", {{0x01, "m.sh"}, {0x50, std::string("\x24\x81", 2)}}};  // 0100444
  Entry hidden{"", "abc", {{0x01, "h.sys"}, {0x40, std::string("\x06\x00", 2)}}};
  Entry folder{"dir\\", "", {}, "-lhd-", 0x10, 0};
  const std::string archive = Level23(big, 2) + Level23(times, 2) + Level01(readOnly, 0) + Level23(unixMode, 2) +
                              Level23(hidden, 2) + Level01(folder, 1) + std::string(1, '\0');
  const Listing listing = List(archive);
  ASSERT_TRUE(listing.opened);
  ASSERT_EQ(listing.end, ReadResult::End);
  ASSERT_EQ(listing.members.size(), 6u);
  const Member& m0 = listing.members[0];
  EXPECT_EQ(m0.originalSize, 5000000000ULL);
  EXPECT_EQ(m0.compressedSize, 4u);
  EXPECT_EQ(m0.writeTime, UnixToFileTime(1700000000));
  EXPECT_STREQ(m0.method, "-lh0-");
  const Member& m1 = listing.members[1];
  EXPECT_EQ(m1.createTime, 111u);
  EXPECT_EQ(m1.writeTime, 222u);
  EXPECT_FALSE(m1.hasAccessTime);
  const Member& m2 = listing.members[2];
  EXPECT_TRUE(m2.hasDosDateTime);
  EXPECT_EQ(m2.dosDate, 0x5A21);
  EXPECT_TRUE(m2.hasWriteTime);
  EXPECT_EQ(m2.attributes, kAttrReadOnly | kAttrArchive);
  EXPECT_EQ(listing.members[3].attributes, kAttrReadOnly | kAttrArchive);
  EXPECT_EQ(listing.members[4].attributes, kAttrHidden | kAttrSystem | kAttrArchive);
  EXPECT_TRUE(listing.members[5].isDirectory);
  EXPECT_EQ(listing.members[5].attributes, kAttrDirectory);
}

TEST(LhaHeaders, DamageEndsTheListing) {
  const Entry plain{"a.txt"};
  const std::string good = Level01(plain, 0);
  std::string badChecksum = Level01(plain, 0);
  badChecksum[1] = static_cast<char>(badChecksum[1] + 1);
  std::string badMethod = Level01(plain, 0);
  badMethod[2] = 'x';
  std::string extPastHeader = Level23(Entry{"", "", {{0x01, std::string(100, 'n')}}}, 2, false);
  extPastHeader[24] = '\xFF';  // the first extended header's size, beyond the header
  extPastHeader[25] = '\x0F';
  const backends_test::DamagedCase cases[] = {
      {"no header at all", "MZ this is a program", false, 0},
      {"an end mark only", std::string(1, '\0'), false, 0},
      {"first checksum wrong", badChecksum, false, 0},
      {"later checksum wrong", good + badChecksum, true, 1},
      {"later method wrong", good + badMethod, true, 1},
      {"header CRC wrong", good + Level23(plain, 2, true, true), true, 1},
      {"data cut short", good + Level01(plain, 0).substr(0, 30), true, 2},
      {"header cut short", good + Level01(plain, 0).substr(0, 10), true, 1},
      {"extended header running past the header", good + extPastHeader, true, 1},
      {"level 4", good + Level01(plain, 4), true, 1},
  };
  for (const auto& c : cases) backends_test::ExpectDamaged(List(c.archive), c);
}

// Any prefix and any scrambling of a valid archive: the reader ends, never
// reads outside the bytes (ASan watches).
TEST(LhaHeaders, CutAndScrambledArchivesNeverReadOutOfBounds) {
  const Entry named{"", "xyz", {{0x01, "file.exe"}, {0x02, "d\xFF"}, {0x42, Ext64(3, 3)}}};
  const std::string archive =
      Level01(Entry{"a.txt"}, 0) + Level01(named, 1) + Level23(named, 2) + Level23(named, 3) + std::string(1, '\0');
  ASSERT_EQ(List(archive).members.size(), 4u);
  backends_test::ListCutAndScrambled(List, archive, 3);
}

// Our reader and libarchive's agree on what jlha writes, level by level, on
// the names as the records carry them.
TEST(LhaHeaders, AgreesWithLibarchiveOnJlhaArchives) {
  using namespace backends_test;
  TempFolder folder;
  const std::string src = folder / "src";
  for (const std::string& f : {std::string("readme.txt"), std::string("SETUP.EXE"), std::string("日本語/表示.exe"),
                               std::string("deep/a/b/c/deep.exe")})
    WriteFile(src + "/" + f, "content of " + f);
  WriteFile(src + "/big.bin", std::string(70000, 'b'));
  MakeFolders(src + "/emptydir");
  platform::OverrideCodePage(platform::CodePage::Utf8);
  for (const char* level : {"a0", "a1", "a2"}) {
    SCOPED_TRACE(level);
    const std::string archive = folder / (std::string(level) + ".lzh");
    ASSERT_EQ(RunTool({"jlha", level, archive, "readme.txt", "SETUP.EXE", "日本語/表示.exe", "deep/a/b/c/deep.exe",
                       "big.bin", "emptydir"},
                      src, {"LC_ALL=ja_JP.UTF-8", "LANG=ja_JP.UTF-8"}),
              0);
    std::unique_ptr<MemberReader> ours = OpenLhaHeaders(FileSource::Open(archive));
    std::unique_ptr<MemberReader> theirs = LibarchiveReader::Open(Family::Lha, archive);
    ASSERT_TRUE(ours);
    ASSERT_TRUE(theirs);
    const std::size_t count = ListInStep(*ours, *theirs, [](const Member& a, const Member& b) {
      EXPECT_EQ(RecordName(a.name), RecordName(b.name));
      EXPECT_EQ(a.originalSize, b.originalSize) << a.name;
      EXPECT_EQ(a.isDirectory, b.isDirectory) << a.name;
      EXPECT_EQ(a.writeTime, b.writeTime) << a.name;
      EXPECT_STREQ(a.method, b.method) << a.name;
    });
    EXPECT_EQ(count, 6u);
  }
  platform::ClearCodePageOverride();
}

}  // namespace
