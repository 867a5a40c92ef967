// The ZIP central-directory reader on archives written here byte by byte:
// ZIP64, self-extractor prefixes, Unicode path fields, and damage.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "archives/StructureDoubt.h"
#include "ArchiveTools.h"
#include "backends/ZipCentralDirectory.h"

using namespace backends;
using backends_test::Put16;
using backends_test::Put32;
using backends_test::Put64;

namespace {

struct Entry {
  Entry(std::string n, std::uint64_t s = 5, std::uint16_t f = 0, std::string x = "", bool z = false)
      : name(std::move(n)), size(s), compressed(z ? 7 : s / 2), flags(f), extra(std::move(x)), zip64Sizes(z) {}
  std::string name;
  std::uint64_t size;
  std::uint64_t compressed;  // the data's bytes in the archive
  std::uint16_t flags;
  std::string extra;
  bool zip64Sizes;                // sizes in a ZIP64 extra field
  std::uint16_t madeBy = 0x0314;  // host system in the high byte: Unix
  std::uint32_t externalAttributes = 0100644u << 16;
};

struct Layout {
  std::string prefix;     // bytes before the archive (a self-extractor's stub)
  bool zip64End = false;  // ZIP64 end record and locator
  std::string comment;
  long countAdjust = 0;  // added to the entry count of the end records
  std::uint16_t disk = 0;
};

// Local headers each with its data, the central directory, the end records.
std::string MakeZip(const std::vector<Entry>& entries, const Layout& layout = Layout()) {
  std::string out = layout.prefix;
  std::vector<std::uint64_t> offsets;
  for (const Entry& e : entries) {
    offsets.push_back(out.size() - layout.prefix.size());
    Put32(out, 0x04034b50);
    Put16(out, 20);
    Put16(out, e.flags);
    Put16(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, e.zip64Sizes ? 0xFFFFFFFF : static_cast<std::uint32_t>(e.compressed));
    Put32(out, e.zip64Sizes ? 0xFFFFFFFF : static_cast<std::uint32_t>(e.size));
    Put16(out, static_cast<std::uint32_t>(e.name.size()));
    Put16(out, 0);
    out += e.name;
    out += std::string(e.compressed, 'D');
  }
  const std::uint64_t directoryOffset = out.size() - layout.prefix.size();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    std::string extra = e.extra;
    if (e.zip64Sizes) {
      std::string field;
      Put16(field, 0x0001);
      Put16(field, 16);
      Put64(field, e.size);
      Put64(field, e.compressed);
      extra = field + extra;
    }
    Put32(out, 0x02014b50);
    Put16(out, e.madeBy);
    Put16(out, 20);
    Put16(out, e.flags);
    Put16(out, 8);
    Put16(out, 0x6000);
    Put16(out, 0x52CF);
    Put32(out, 0x12345678);
    Put32(out, e.zip64Sizes ? 0xFFFFFFFF : static_cast<std::uint32_t>(e.compressed));
    Put32(out, e.zip64Sizes ? 0xFFFFFFFF : static_cast<std::uint32_t>(e.size));
    Put16(out, static_cast<std::uint32_t>(e.name.size()));
    Put16(out, static_cast<std::uint32_t>(extra.size()));
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, e.externalAttributes);
    Put32(out, static_cast<std::uint32_t>(offsets[i]));
    out += e.name;
    out += extra;
  }
  const std::uint64_t directorySize = out.size() - layout.prefix.size() - directoryOffset;
  const std::uint64_t count = static_cast<std::uint64_t>(static_cast<long>(entries.size()) + layout.countAdjust);
  if (layout.zip64End) {
    const std::uint64_t recordOffset = out.size() - layout.prefix.size();
    Put32(out, 0x06064b50);
    Put64(out, 44);
    Put16(out, 45);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, count);
    Put64(out, count);
    Put64(out, directorySize);
    Put64(out, directoryOffset);
    Put32(out, 0x07064b50);
    Put32(out, 0);
    Put64(out, recordOffset);
    Put32(out, 1);
  }
  Put32(out, 0x06054b50);
  Put16(out, layout.disk);
  Put16(out, layout.disk);
  Put16(out, layout.zip64End ? 0xFFFF : static_cast<std::uint32_t>(count));
  Put16(out, layout.zip64End ? 0xFFFF : static_cast<std::uint32_t>(count));
  Put32(out, layout.zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(directorySize));
  Put32(out, layout.zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(directoryOffset));
  Put16(out, static_cast<std::uint32_t>(layout.comment.size()));
  out += layout.comment;
  return out;
}

struct Listing {
  bool opened = false;
  std::vector<Member> members;
  ReadResult end = ReadResult::End;
  int doubt = 0;
};

// Lists bytes held in a buffer of exactly their size, so that the sanitizer
// build catches any read past them.
Listing List(const std::string& bytes) {
  Listing listing;
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size() + 1]);
  std::copy(bytes.begin(), bytes.end(), copy.get());
  std::unique_ptr<MemberReader> reader(
      OpenZipDirectory(std::unique_ptr<ByteSource>(new MemorySource(copy.get(), bytes.size()))));
  if (!reader) return listing;
  listing.opened = true;
  Member m;
  while ((listing.end = reader->Next(m)) == ReadResult::Member) listing.members.push_back(m);
  listing.doubt = reader->Doubt();
  return listing;
}

std::string UnicodePathField(const std::string& storedName, const std::string& utf8) {
  std::string field;
  Put16(field, 0x7075);
  Put16(field, static_cast<std::uint32_t>(5 + utf8.size()));
  field.push_back(1);
  Put32(field, Crc32(reinterpret_cast<const std::uint8_t*>(storedName.data()), storedName.size()));
  return field + utf8;
}

TEST(ZipDirectory, ListsWhatTheDirectoryHolds) {
  struct Case {
    const char* what;
    std::vector<Entry> entries;
    Layout layout;
  };
  Entry big{"huge.iso", 6000000000ULL, 0, "", true};
  Entry folder{"dir/", 0};
  Entry secret{"secret.exe", 5, 0x0001};
  Layout prefixed;
  prefixed.prefix = std::string(3000, 'M');  // a stub before the archive
  Layout commented;
  commented.comment = "a comment PK\x05\x06 with a false end signature";
  Layout zip64;
  zip64.zip64End = true;
  Layout zip64Prefixed = zip64;
  zip64Prefixed.prefix = "MZ stub";
  const Case cases[] = {
      {"plain", {{"a.txt"}, folder, secret}, Layout()},          {"prefix", {{"a.txt"}, folder, secret}, prefixed},
      {"comment", {{"a.txt"}, folder, secret}, commented},       {"zip64", {{"a.txt"}, big, secret}, zip64},
      {"zip64 prefix", {{"a.txt"}, big, secret}, zip64Prefixed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Listing listing = List(MakeZip(c.entries, c.layout));
    ASSERT_TRUE(listing.opened);
    EXPECT_EQ(listing.end, ReadResult::End);
    EXPECT_EQ(listing.doubt, 0);
    ASSERT_EQ(listing.members.size(), c.entries.size());
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
      const Member& m = listing.members[i];
      EXPECT_EQ(m.name, c.entries[i].name);
      EXPECT_EQ(m.originalSize, c.entries[i].size);
      EXPECT_EQ(m.compressedSize, c.entries[i].compressed);
      EXPECT_EQ(m.isDirectory, c.entries[i].name.back() == '/');
      EXPECT_EQ(m.encrypted, (c.entries[i].flags & 1) != 0);
      EXPECT_EQ(m.crc, 0x12345678u);
      EXPECT_EQ(m.dosDate, 0x52CF);
      EXPECT_STREQ(m.method, "Deflate");
    }
  }
}

TEST(ZipDirectory, UnicodePathFieldNamesTheMemberWhileItsCrcMatches) {
  // The other name follows as a member of its own: extractors that ignore
  // the field, or honour it whatever its CRC, create that one.
  const std::string stored = "\x93\xfa\x96\x7b.txt";  // Shift_JIS
  const std::string utf8 = "日本.txt";
  Entry good{stored, 5, 0, UnicodePathField(stored, utf8)};
  Entry stale{stored, 5, 0, UnicodePathField("renamed.txt", "別名.txt")};
  const Listing listing = List(MakeZip({good, stale}));
  ASSERT_EQ(listing.members.size(), 4u);
  EXPECT_EQ(listing.members[0].name, utf8);
  EXPECT_EQ(listing.members[1].name, stored);
  EXPECT_EQ(listing.members[1].originalSize, 5u);
  EXPECT_EQ(listing.members[2].name, stored);
  EXPECT_EQ(listing.members[3].name, "別名.txt");
  EXPECT_EQ(listing.doubt, 0);
}

TEST(ZipDirectory, TimesFromExtraFields) {
  std::string ntfs;
  Put16(ntfs, 0x000a);
  Put16(ntfs, 32);
  Put32(ntfs, 0);
  Put16(ntfs, 1);
  Put16(ntfs, 24);
  Put64(ntfs, 132680000000000000ULL);
  Put64(ntfs, 132680000010000000ULL);
  Put64(ntfs, 132670000000000000ULL);
  std::string unixTime;
  Put16(unixTime, 0x5455);
  Put16(unixTime, 5);
  unixTime.push_back(1);
  Put32(unixTime, 1623760496);
  std::string broken;  // a field claiming more bytes than the block has
  Put16(broken, 0x000a);
  Put16(broken, 400);
  Put32(broken, 0);
  const Listing listing =
      List(MakeZip({{"ntfs.txt", 5, 0, ntfs}, {"unix.txt", 5, 0, unixTime}, {"broken.txt", 5, 0, broken}}));
  ASSERT_EQ(listing.members.size(), 3u);
  EXPECT_EQ(listing.members[0].writeTime, 132680000000000000ULL);
  EXPECT_EQ(listing.members[0].accessTime, 132680000010000000ULL);
  EXPECT_EQ(listing.members[0].createTime, 132670000000000000ULL);
  EXPECT_TRUE(listing.members[0].hasCreateTime);
  EXPECT_EQ(listing.members[1].writeTime, (1623760496ULL + 11644473600ULL) * 10000000ULL);
  EXPECT_FALSE(listing.members[1].hasCreateTime);
  EXPECT_TRUE(listing.members[2].hasWriteTime);  // from the DOS time
  EXPECT_FALSE(listing.members[2].hasAccessTime);
}

TEST(ZipDirectory, AttributesAsTheHostSystemStoresThem) {
  // Unix and OS X keep a mode in the high half (and may set DOS bits in the
  // low one); every other system keeps DOS attributes.
  struct Case {
    const char* what;
    std::string name;
    std::uint16_t madeBy;
    std::uint32_t external;
    std::uint32_t attributes;
  };
  const Case cases[] = {
      {"unix file", "a", 0x0314, 0100644u << 16, 0},
      {"unix read-only", "b", 0x0314, 0100444u << 16, kAttrReadOnly},
      {"unix folder", "c", 0x031E, 040755u << 16, kAttrDirectory},
      {"unix hidden by its DOS bit", "d", 0x0314, (0100644u << 16) | kAttrHidden | kAttrArchive, kAttrHidden},
      {"unix without a mode", "e", 0x0314, 0, 0},
      {"os x read-only", "f", 0x1314, 0100444u << 16, kAttrReadOnly},
      {"dos attributes", "g", 0x0014, 0x27, kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive},
      {"ntfs bits above dos ones", "h", 0x0A14, 0x80 | kAttrHidden, kAttrHidden},
      {"dos with a unix-looking high half", "i", 0x0014, 040755u << 16, 0},
      {"vfat folder", "j", 0x0E14, kAttrDirectory, kAttrDirectory},
      {"folder by its slash", "k/", 0x0014, 0, kAttrDirectory},
      {"a trailing 0x5C is a Shift_JIS trail byte", "\x95\x5C", 0x0014, 0, 0},  // 表
  };
  std::vector<Entry> entries;
  for (const Case& c : cases) {
    Entry e{c.name};
    e.madeBy = c.madeBy;
    e.externalAttributes = c.external;
    entries.push_back(e);
  }
  const Listing listing = List(MakeZip(entries));
  ASSERT_EQ(listing.members.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    EXPECT_EQ(listing.members[i].name, cases[i].name);
    EXPECT_EQ(listing.members[i].attributes, cases[i].attributes);
    EXPECT_EQ(listing.members[i].isDirectory, (cases[i].attributes & kAttrDirectory) != 0);
  }
}

TEST(ZipDirectory, RefusesWhatItCannotListWhole) {
  std::vector<Entry> entries = {{"a.txt"}, {"b.exe"}};
  Layout split;
  split.disk = 1;
  Layout overcount;
  overcount.countAdjust = 1;
  std::string encryptedDirectory = MakeZip({{"a.txt", 5, 0x2000}});
  std::string noEnd = MakeZip(entries);
  noEnd.resize(noEnd.size() - 22);
  std::string shiftedOffset = MakeZip(entries);
  shiftedOffset[shiftedOffset.size() - 6] = 0x7F;  // directory offset far past the end

  EXPECT_FALSE(List(MakeZip(entries, split)).opened);
  EXPECT_FALSE(List(noEnd).opened);
  EXPECT_FALSE(List(shiftedOffset).opened);
  EXPECT_FALSE(List("").opened);
  EXPECT_FALSE(List("PK\x05\x06").opened);
  // Opened, but the end record counts a member the directory lacks.
  const Listing short1 = List(MakeZip(entries, overcount));
  EXPECT_EQ(short1.members.size(), 2u);
  EXPECT_EQ(short1.end, ReadResult::End);
  EXPECT_EQ(short1.doubt, archives::kDoubtCounts);
  // An encrypted central directory hides the names.
  const Listing hidden = List(encryptedDirectory);
  EXPECT_TRUE(hidden.members.empty());
  EXPECT_EQ(hidden.end, ReadResult::Damaged);
  // An empty archive is an archive.
  const Listing empty = List(MakeZip({}));
  EXPECT_TRUE(empty.opened);
  EXPECT_TRUE(empty.members.empty());
  EXPECT_EQ(empty.end, ReadResult::End);
}

TEST(ZipDirectory, NameLengthRunningPastTheDirectoryIsDamage) {
  std::string bytes = MakeZip({{"a.txt"}, {"b.txt"}});
  // The second central record's name length: 0xFFFF.
  const std::size_t second = bytes.rfind(std::string("PK\x01\x02", 4));
  bytes[second + 28] = '\xFF';
  bytes[second + 29] = '\xFF';
  const Listing listing = List(bytes);
  ASSERT_TRUE(listing.opened);
  EXPECT_EQ(listing.members.size(), 1u);
  EXPECT_EQ(listing.end, ReadResult::Damaged);
}

TEST(ZipDirectory, CutAndScrambledArchivesNeverReadOutOfBounds) {
  Entry big{"huge.iso", 6000000000ULL, 0, "", true};
  Layout zip64;
  zip64.zip64End = true;
  const std::string sources[] = {MakeZip({{"a.txt"}, {"dir/"}, {"s.exe", 5, 1, UnicodePathField("s.exe", "s.exe")}}),
                                 MakeZip({{"a.txt"}, big}, zip64)};
  std::mt19937 random(7);
  for (const std::string& bytes : sources) {
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
      // Cut at the end (the end records) and at the front (a damaged start).
      List(bytes.substr(0, cut));
      List(bytes.substr(cut));
    }
    for (int round = 0; round < 3000; ++round) {
      std::string scrambled = bytes;
      const int hits = 1 + static_cast<int>(random() % 4);
      for (int k = 0; k < hits; ++k) scrambled[random() % scrambled.size()] = static_cast<char>(random());
      const Listing listing = List(scrambled);
      // Three members, each with at most its local and Unicode names again,
      // and the names of entries found between them.
      EXPECT_LE(listing.members.size(), 24u);
    }
  }
}

}  // namespace
