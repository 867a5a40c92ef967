// The tar header reader on archives written here block by block (ustar,
// GNU, pax, V7, damage), and against libarchive on archives of the real tools.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "ArchiveTools.h"
#include "archives/StructureDoubt.h"
#include "backends/ByteSource.h"
#include "backends/LibarchiveReader.h"
#include "backends/TarHeaders.h"

using namespace backends;

namespace {

// One 512-byte header; fields are set as a writer sets them, the checksum last.
class Header {
 public:
  explicit Header(const std::string& name, char type = '0', std::uint64_t size = 0) {
    block_.assign(kTarBlock, '\0');
    Text(0, 100, name);
    Octal(100, 8, 0644);
    Octal(108, 8, 1000);
    Octal(116, 8, 1000);
    Octal(124, 12, size);
    Octal(136, 12, 1623760496);
    block_[156] = type;
    Ustar();
  }
  Header& Text(std::size_t at, std::size_t size, const std::string& text) {
    std::memcpy(&block_[at], text.data(), std::min(size, text.size()));
    return *this;
  }
  Header& Octal(std::size_t at, std::size_t size, std::uint64_t value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*llo", static_cast<int>(size - 1), static_cast<unsigned long long>(value));
    std::memcpy(&block_[at], digits, size - 1);
    block_[at + size - 1] = '\0';
    return *this;
  }
  Header& Ustar() { return Text(257, 8, std::string("ustar") + '\0' + "00"); }
  Header& Gnu() { return Text(257, 8, std::string("ustar  \0", 8)); }
  Header& V7() { return Text(257, 8, std::string(8, '\0')); }
  Header& Prefix(const std::string& prefix) { return Text(345, 155, prefix); }
  Header& Mode(std::uint64_t mode) { return Octal(100, 8, mode); }
  // GNU base-256 size: 0x80 then a big-endian number.
  Header& BinarySize(std::uint64_t size) {
    block_[124] = static_cast<char>(0x80);
    for (int i = 0; i < 11; ++i) block_[135 - i] = static_cast<char>(i < 8 ? (size >> (8 * i)) & 0xFF : 0);
    return *this;
  }
  Header& Byte(std::size_t at, char value) {
    block_[at] = value;
    return *this;
  }
  // The checksum as old writers computed it, over signed bytes.
  Header& SignedChecksum() {
    signedChecksum_ = true;
    return *this;
  }
  Header& Checksum(std::uint64_t value) {
    checksum_ = value;
    fixedChecksum_ = true;
    return *this;
  }

  std::string Bytes() const {
    std::string block = block_;
    std::memset(&block[148], ' ', 8);
    long long sum = 0;
    for (char c : block) sum += signedChecksum_ ? static_cast<signed char>(c) : static_cast<unsigned char>(c);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06llo",
                  fixedChecksum_ ? static_cast<unsigned long long>(checksum_) : static_cast<unsigned long long>(sum));
    std::memcpy(&block[148], digits, 6);
    block[154] = '\0';
    return block;
  }

 private:
  std::string block_;
  bool signedChecksum_ = false;
  bool fixedChecksum_ = false;
  std::uint64_t checksum_ = 0;
};

// Data padded to whole blocks.
std::string Data(const std::string& bytes) {
  std::string out = bytes;
  out.resize((bytes.size() + kTarBlock - 1) / kTarBlock * kTarBlock, '\0');
  return out;
}

std::string Pax(const std::vector<std::pair<std::string, std::string>>& records) {
  std::string out;
  for (const auto& r : records) {
    const std::string body = " " + r.first + "=" + r.second + "\n";
    std::size_t length = body.size() + 1;
    while (std::to_string(length).size() + body.size() != length) ++length;
    out += std::to_string(length) + body;
  }
  return out;
}

const std::string kEnd(2 * kTarBlock, '\0');

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// Writes the right checksum into every block, so that scrambled bytes reach
// the fields behind the checksum test.
std::string WithChecksums(std::string archive) {
  for (std::size_t at = 0; at + kTarBlock <= archive.size(); at += kTarBlock) {
    std::memset(&archive[at + 148], ' ', 8);
    unsigned long sum = 0;
    for (std::size_t i = 0; i < kTarBlock; ++i) sum += static_cast<unsigned char>(archive[at + i]);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06lo", sum & 0777777);
    std::memcpy(&archive[at + 148], digits, 7);
  }
  return archive;
}

using Listing = backends_test::ReaderListing;

Listing List(const std::string& bytes) { return backends_test::ListWith(OpenTarHeaders, bytes); }

std::vector<std::string> Names(const Listing& listing) {
  std::vector<std::string> names;
  for (const Member& m : listing.members) names.push_back(m.name);
  return names;
}

TEST(TarHeaders, NamesOfEveryHeaderVariant) {
  const std::string longName = std::string(150, 'l') + "/" + std::string(150, 'm') + ".exe";
  struct Case {
    const char* what;
    std::string archive;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"ustar name", Header("a.txt").Bytes() + kEnd, {"a.txt"}},
      {"ustar prefix and name", Header("b.exe").Prefix("deep/dir").Bytes() + kEnd, {"deep/dir/b.exe"}},
      {"100-byte name without NUL", Header(std::string(100, 'n')).Bytes() + kEnd, {std::string(100, 'n')}},
      {"GNU headers have no prefix", Header("c.txt").Gnu().Byte(345, 'x').Bytes() + kEnd, {"c.txt"}},
      {"GNU long name",
       Header("././@LongLink", 'L', longName.size() + 1).Gnu().Bytes() + Data(longName + '\0') +
           Header(longName.substr(0, 99)).Gnu().Bytes() + kEnd,
       {longName}},
      {"GNU long link is skipped",
       Header("././@LongLink", 'K', 300).Gnu().Bytes() + Data(std::string(300, 'k')) +
           Header("link", '1').Gnu().Bytes() + kEnd,
       {"link"}},
      {"pax path",
       Header("PaxHeaders/x", 'x', Pax({{"path", longName}}).size()).Bytes() + Data(Pax({{"path", longName}})) +
           Header("short").Bytes() + kEnd,
       {longName}},
      {"pax applies to one member",
       Header("PaxHeaders/x", 'x', Pax({{"path", "first"}}).size()).Bytes() + Data(Pax({{"path", "first"}})) +
           Header("x1").Bytes() + Header("x2").Bytes() + kEnd,
       {"first", "x2"}},
      {"pax global header is no member",
       Header("global", 'g', 20).Bytes() + Data(std::string(20, 'g')) + Header("after").Bytes() + kEnd,
       {"after"}},
      {"sparse name beats the path",
       Header("PaxHeaders/s", 'x', Pax({{"path", "GNUSparseFile.0/f"}, {"GNU.sparse.name", "f.exe"}}).size()).Bytes() +
           Data(Pax({{"path", "GNUSparseFile.0/f"}, {"GNU.sparse.name", "f.exe"}})) +
           Header("GNUSparseFile.0/f").Bytes() + kEnd,
       {"f.exe"}},
      {"volume label is no member",
       Header("label", 'V').Gnu().Bytes() + Header("v.txt").Gnu().Bytes() + kEnd,
       {"v.txt"}},
      {"V7 header", Header("old.exe").V7().Prefix("ignored").Bytes() + kEnd, {"old.exe"}},
      {"signed checksum", Header("\xE8\xA1\xA8.exe").SignedChecksum().Bytes() + kEnd, {"\xE8\xA1\xA8.exe"}},
      {"no end blocks", Header("a").Bytes() + Header("b", '0', 3).Bytes() + Data("abc"), {"a", "b"}},
      {"empty archive", kEnd, {}},
  };
  for (const Case& c : cases) {
    const Listing listing = List(c.archive);
    ASSERT_TRUE(listing.opened) << c.what;
    EXPECT_EQ(listing.end, ReadResult::End) << c.what;
    EXPECT_EQ(Names(listing), c.names) << c.what;
  }
}

TEST(TarHeaders, SizesTimesAndFolders) {
  const std::string pax = Pax({{"size", "5"}, {"mtime", "1700000000.5"}, {"atime", "1600000000"}});
  const std::string archive =
      Header("file", '0', 1000).Bytes() + Data(std::string(1000, 'f')) +            // data skipped
      Header("dir/", '5', 4096).Bytes() +                                           // size ignored
      Header("v7dir/").V7().Bytes() +                                               // V7 folder
      Header("link", '2', 77).Bytes() +                                             // no data
      Header("big", '0').BinarySize(1024).Bytes() + Data(std::string(1024, 'b')) +  // base-256
      Header("PaxHeaders/p", 'x', pax.size()).Bytes() + Data(pax) + Header("paxed", '0', 0).Bytes() +
      Data("12345") +  // pax size wins
      Header("ro").Mode(0444).Bytes() + Header("sparse", 'S', 512).Gnu().Octal(483, 12, 1 << 20).Byte(482, 1).Bytes() +
      std::string(kTarBlock, '\0').replace(504, 1, "\x01") + std::string(kTarBlock, '\0') +  // two extension blocks
      Data(std::string(512, 's')) + Header("last").Bytes() + kEnd;
  const Listing listing = List(archive);
  ASSERT_TRUE(listing.opened);
  EXPECT_EQ(listing.end, ReadResult::End);
  ASSERT_EQ(Names(listing),
            (std::vector<std::string>{"file", "dir/", "v7dir/", "link", "big", "paxed", "ro", "sparse", "last"}));
  struct Expect {
    std::uint64_t size;
    bool directory, readOnly;
  };
  const Expect expected[] = {{1000, false, false}, {0, true, false},        {0, true, false},
                             {0, false, false},    {1024, false, false},    {5, false, false},
                             {0, false, true},     {1 << 20, false, false}, {0, false, false}};
  for (std::size_t i = 0; i < listing.members.size(); ++i) {
    const Member& m = listing.members[i];
    SCOPED_TRACE(m.name);
    EXPECT_EQ(m.originalSize, expected[i].size);
    EXPECT_EQ(m.isDirectory, expected[i].directory);
    EXPECT_EQ((m.attributes & kAttrReadOnly) != 0, expected[i].readOnly);
    EXPECT_EQ((m.attributes & kAttrArchive) != 0, !expected[i].directory);
    EXPECT_TRUE(m.hasWriteTime);
  }
  EXPECT_EQ(listing.members[0].writeTime, UnixToFileTime(1623760496));
  EXPECT_EQ(listing.members[5].writeTime, UnixToFileTime(1700000000, 500000000));
  EXPECT_TRUE(listing.members[5].hasAccessTime);
  EXPECT_EQ(listing.members[5].accessTime, UnixToFileTime(1600000000));
  EXPECT_FALSE(listing.members[6].hasAccessTime);
}

TEST(TarHeaders, DamageEndsTheListing) {
  const std::string good = Header("good").Bytes();
  const backends_test::DamagedCase cases[] = {
      {"not a tar at all", std::string(2048, 'x'), false, 0},
      {"shorter than a block", Header("a").Bytes().substr(0, 300), false, 0},
      {"first checksum wrong", Header("a").Checksum(1).Bytes() + kEnd, false, 0},
      {"first member's data cut short", Header("a", '0', 5000).Bytes() + Data("xyz"), true, 1},
      {"later checksum wrong", good + Header("b").Checksum(7).Bytes() + kEnd, true, 1},
      {"data cut short", good + Header("c", '0', 5000).Bytes() + Data("xyz"), true, 2},
      {"header cut short", good + Header("d").Bytes().substr(0, 200), true, 1},
      {"long name without its member", good + Header("././@LongLink", 'L', 4).Gnu().Bytes() + Data("abc"), true, 1},
      {"pax record longer than its header",
       good + Header("PaxHeaders/p", 'x', 12).Bytes() + Data("99 path=abc\n") + good + kEnd, true, 1},
      {"pax record without '='", good + Header("PaxHeaders/p", 'x', 11).Bytes() + Data("11 pathabc\n") + good + kEnd,
       true, 1},
      {"size field that is no number", good + Header("e").Text(124, 12, "12x4").Bytes() + kEnd, true, 1},
      {"huge long name", good + Header("././@LongLink", 'L').Gnu().BinarySize(1ULL << 40).Bytes() + kEnd, true, 1},
      {"size field beyond 64 bits",
       good + Header("f").Byte(124, '\x80').Text(125, 11, std::string(11, '\xFF')).Bytes() + kEnd, true, 1},
      {"size of 2^63 - 1",
       good +
           Header("g").Byte(124, '\x80').Text(125, 11, std::string("\0\0\0\x7F", 4) + std::string(7, '\xFF')).Bytes() +
           kEnd,
       true, 2},
  };
  for (const auto& c : cases) backends_test::ExpectDamaged(List(c.archive), c);
}

// A hard link or V7 folder that states a size: one extractor reads a header
// right after it (or searches for one), another skips the size. Both
// readings are listed, each header once, and the archive is in doubt;
// damage counts only in the reading this reader trusts.
TEST(TarHeaders, EntriesReadTwoWaysListBothReadings) {
  const std::string junk = Data(std::string(kTarBlock, 'j'));
  struct Case {
    const char* what;
    std::string archive;
    std::vector<std::string> names;
    ReadResult end;
  };
  const Case cases[] = {
      {"skipped link size lands on a header inside data",
       Header("link", '1', 1024).Bytes() + Header("cover", '0', 1024).Bytes() + junk + Header("evil.exe").Bytes() +
           Header("readme").Bytes() + kEnd,
       {"link", "cover", "evil.exe", "readme"},
       ReadResult::End},
      {"header searched for inside a V7 folder's size",
       Header("dir/", '0', 1024).V7().Bytes() + junk + Header("evil.exe").V7().Bytes() + Header("readme").V7().Bytes() +
           kEnd,
       {"dir/", "evil.exe", "readme"},
       ReadResult::End},
      {"readings that meet go on as one",
       Header("link", '1', 512).Bytes() + Header("a").Bytes() + Header("b").Bytes() + kEnd,
       {"link", "a", "b"},
       ReadResult::End},
      {"the other reading lands in data",
       Header("link", '1', 512).Bytes() + Header("f", '0', 5).Bytes() + Data("hello") + Header("g").Bytes() + kEnd,
       {"link", "f", "g"},
       ReadResult::End},
      {"the trusted reading is cut",
       Header("dir/", '0', 1024).V7().Bytes() + junk + Header("a").V7().Bytes() + "xyz",
       {"dir/", "a"},
       ReadResult::Damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<MemberReader> reader = OpenTarHeaders(std::unique_ptr<ByteSource>(
        new MemorySource(reinterpret_cast<const std::uint8_t*>(c.archive.data()), c.archive.size())));
    ASSERT_TRUE(reader);
    std::vector<std::string> names;
    Member member;
    ReadResult r;
    while ((r = reader->Next(member)) == ReadResult::Member) names.push_back(member.name);
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(r, c.end);
    EXPECT_EQ(reader->Doubt(), archives::kDoubtReadersDisagree);
  }
}

TEST(TarHeaders, NumberFields) {
  struct Case {
    std::string field;
    bool ok;
    std::int64_t value;
  };
  const Case cases[] = {
      {std::string("0000644\0", 8), true, 0644},
      {std::string("   755 \0", 8), true, 0755},
      {std::string("00000001750\0", 12), true, 01750},
      {std::string("\x80\0\0\0\0\0\0\0\0\0\x01\0", 12), true, 256},
      {std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12), true, -1},
      {std::string("\x80\0\0\x01\0\0\0\0\0\0\0\0", 12), false, 0},  // beyond 64 bits
      {std::string("\x80\x80\0\0\0\0\0\0\0\0\0\0", 12), false, 0},  // sign bit set in a positive number
      {std::string("0000089\0", 8), false, 0},
      {std::string("\0\0\0\0\0\0\0\0", 8), false, 0},
      {std::string("\x40\0\0\0\0\0\0\0", 8), false, 0},
  };
  for (const Case& c : cases) {
    std::int64_t value = 12345;
    const bool ok = ParseTarNumber(reinterpret_cast<const std::uint8_t*>(c.field.data()), c.field.size(), value);
    EXPECT_EQ(ok, c.ok) << Hex(c.field);
    if (ok && c.ok) {
      EXPECT_EQ(value, c.value) << Hex(c.field);
    }
  }
}

// Any prefix and any scrambling of a valid archive: the reader ends, never
// reads outside the bytes (ASan watches), never loops.
TEST(TarHeaders, CutAndScrambledArchivesNeverReadOutOfBounds) {
  const std::string longName = std::string(300, 'q') + ".exe";
  const std::string pax = Pax({{"path", "p/" + longName}, {"size", "3"}});
  const std::string archive = Header("././@LongLink", 'L', longName.size() + 1).Gnu().Bytes() + Data(longName + '\0') +
                              Header("x").Gnu().Bytes() + Header("PaxHeaders/p", 'x', pax.size()).Bytes() + Data(pax) +
                              Header("y", '0', 0).Bytes() + Data("abc") + Header("z", '5').Bytes() + kEnd;
  ASSERT_EQ(List(archive).members.size(), 3u);
  for (std::size_t cut = 0; cut <= archive.size(); cut += 37) {
    const std::string prefix = archive.substr(0, cut);
    List(prefix);
  }
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string scrambled = archive;
    for (int n = 0; n < 6; ++n) scrambled[random() % scrambled.size()] = static_cast<char>(random());
    List(round % 2 == 0 ? scrambled : WithChecksums(scrambled));
  }
}

// Our reader and libarchive's tar reader agree on what the real tools write.
TEST(TarHeaders, AgreesWithLibarchiveOnToolMadeArchives) {
  using namespace backends_test;
  TempFolder folder;
  const std::string src = folder / "src";
  const std::vector<std::string> files = {
      "readme.txt",
      "SETUP.EXE",
      "trailing.",
      "日本語/表示.exe",
      "deep/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/deep.exe",
      "L/" + std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(92, 'c') + ".exe"};
  for (const std::string& f : files) WriteFile(src + "/" + f, "content of " + f);
  // Larger than the decompressing source's chunks: jumps over data.
  std::string big;
  for (int i = 0; big.size() < 300000; ++i) big += std::to_string(i * 7919) + " ";
  WriteFile(src + "/big.bin", big);
  MakeFolders(src + "/empty");
  ASSERT_EQ(RunTool({"ln", "-s", "readme.txt", "link.txt"}, src), 0);
  const std::vector<std::string> utf8 = {"LC_ALL=C.UTF-8"};
  struct Tool {
    const char* archive;
    std::vector<std::string> command;  // the archive's path goes after the last option
  };
  const Tool tools[] = {
      {"gnu.tar", {"tar", "--format=gnu", "-cf", "@", "."}},
      {"posix.tar", {"tar", "--format=posix", "-cf", "@", "."}},
      {"oldgnu.tar", {"tar", "--format=oldgnu", "-cf", "@", "."}},
      {"bsdpax.tar", {"bsdtar", "--format", "pax", "-cf", "@", "."}},
      {"ustar.tar", {"bsdtar", "--format", "ustar", "-cf", "@", "readme.txt", "SETUP.EXE", "日本語", "deep"}},
      {"v7.tar", {"tar", "--format=v7", "-cf", "@", "readme.txt", "SETUP.EXE", "trailing.", "empty"}},
      // Compressed: our reader over the decompressed bytes.
      {"gnu.tgz", {"tar", "--format=gnu", "-czf", "@", "."}},
      {"posix.tar.bz2", {"tar", "--format=posix", "-cjf", "@", "."}},
      {"pax.tar.xz", {"bsdtar", "--format", "pax", "-cJf", "@", "."}},
      {"ustar.tar.Z", {"bsdtar", "--format", "ustar", "-cZf", "@", "readme.txt", "big.bin", "deep"}},
  };
  for (const Tool& tool : tools) {
    const std::string archive = folder / tool.archive;
    std::vector<std::string> command = tool.command;
    for (std::string& part : command)
      if (part == "@") part = archive;
    SCOPED_TRACE(tool.archive);
    ASSERT_EQ(RunTool(command, src, utf8), 0);
    std::unique_ptr<MemberReader> ours = OpenMembers(Family::Tar, archive);
    std::unique_ptr<MemberReader> theirs = LibarchiveReader::Open(Family::Tar, archive);
    ASSERT_TRUE(ours);
    ASSERT_TRUE(theirs);
    ASSERT_EQ(dynamic_cast<LibarchiveReader*>(ours.get()), nullptr) << "not listed by our reader";
    const std::size_t count = ListInStep(*ours, *theirs, [](const Member& a, const Member& b) {
      EXPECT_EQ(a.name, b.name);
      EXPECT_EQ(a.originalSize, b.originalSize) << a.name;
      EXPECT_EQ(a.isDirectory, b.isDirectory) << a.name;
      EXPECT_EQ(a.attributes, b.attributes) << a.name;
      EXPECT_EQ(a.writeTime, b.writeTime) << a.name;
    });
    EXPECT_GE(count, 4u);
  }
}

}  // namespace
