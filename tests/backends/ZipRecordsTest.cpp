// The pieces every ZIP reader shares: the walk over an extra block, the
// Unicode path field, the central record read within bounds, and the
// signatures that say an archive begins.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ArchiveTools.h"
#include "backends/ArchiveSignatures.h"
#include "backends/ZipRecords.h"

using namespace backends;

namespace {

std::string Le16(std::uint32_t v) {
  std::string out;
  backends_test::Put16(out, v);
  return out;
}
std::string Le32(std::uint32_t v) {
  std::string out;
  backends_test::Put32(out, v);
  return out;
}
std::string Field(std::uint16_t id, const std::string& data) {
  return Le16(id) + Le16(static_cast<std::uint32_t>(data.size())) + data;
}

const std::uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

struct Walked {
  std::uint16_t id;
  std::string data;
  bool operator==(const Walked& o) const { return id == o.id && data == o.data; }
};

// Every field the walk gives, copied out of a buffer of exactly the block's
// size (the sanitizer build catches a read past it).
std::vector<Walked> Walk(const std::string& block) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[block.size() + 1]);
  std::copy(block.begin(), block.end(), copy.get());
  std::vector<Walked> fields;
  ZipExtraFields walk(copy.get(), block.size());
  ZipExtraField field;
  while (walk.Next(field))
    fields.push_back({field.id, std::string(reinterpret_cast<const char*>(field.data), field.length)});
  return fields;
}

TEST(ZipExtraFields, WalksFieldsUntilOneRunsPastTheBlock) {
  const std::string a = Field(0x5455, "\001abcd");
  const std::string empty = Field(0x0001, "");
  struct Case {
    const char* what;
    std::string block;
    std::vector<Walked> expected;
  };
  const Case cases[] = {
      {"no block", "", {}},
      {"one field", a, {{0x5455, "\001abcd"}}},
      {"an empty field, then one", empty + a, {{0x0001, ""}, {0x5455, "\001abcd"}}},
      {"three bytes left over are no field", a + "xyz", {{0x5455, "\001abcd"}}},
      {"a length past the block ends the walk", a + Le16(0x7075) + Le16(9) + "short", {{0x5455, "\001abcd"}}},
      {"nothing after an overrun counts", Le16(0x000a) + Le16(0xFFFF) + a, {}},
      {"a length exactly to the end", Le16(0x000a) + Le16(3) + "end", {{0x000a, "end"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Walk(c.block), c.expected);
  }
}

TEST(ZipExtraFields, UnicodePathFieldOfVersionOneOnly) {
  struct Case {
    const char* what;
    std::string field;
    bool read;
    std::uint32_t crc;
    std::string name;
  };
  const Case cases[] = {
      {"version 1 with a name", Field(0x7075, "\x01" + Le32(0xCAFEF00D) + "名.exe"), true, 0xCAFEF00D, "名.exe"},
      {"one byte of name", Field(0x7075, "\x01" + Le32(7) + "a"), true, 7, "a"},
      {"no name at all", Field(0x7075, "\x01" + Le32(7)), false, 0, ""},
      {"another version", Field(0x7075, "\x02" + Le32(7) + "a.exe"), false, 0, ""},
      {"another field with the same layout", Field(0x6375, "\x01" + Le32(7) + "a.exe"), false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ZipExtraFields walk(Bytes(c.field), c.field.size());
    ZipExtraField field;
    ASSERT_TRUE(walk.Next(field));
    std::uint32_t crc = 0;
    std::string name;
    EXPECT_EQ(ReadUnicodePath(field, crc, name), c.read);
    EXPECT_EQ(crc, c.crc);
    EXPECT_EQ(name, c.name);
  }
}

// A central record with distinct values in every field it reads.
std::string CentralRecord(const std::string& name, const std::string& extra, const std::string& comment) {
  std::string r = Le32(kZipCentralSignature);
  r += Le16(0x0B14);  // made by: host 11, version 2.0
  r += Le16(20);
  r += Le16(0x0809);  // flags
  r += Le16(8);       // method
  r += Le16(0x6000);  // DOS time
  r += Le16(0x52CF);  // DOS date
  r += Le32(0x12345678);
  r += Le32(1111);
  r += Le32(2222);
  r += Le16(static_cast<std::uint32_t>(name.size()));
  r += Le16(static_cast<std::uint32_t>(extra.size()));
  r += Le16(static_cast<std::uint32_t>(comment.size()));
  r += Le16(0);
  r += Le16(1);
  r += Le32(0x81A40020);  // external attributes
  r += Le32(3333);        // local header offset
  return r + name + extra + comment;
}

TEST(ZipCentralRecord, ReadsTheRecordAtAnOffsetWithinBounds) {
  const std::string extra = Field(0x5455, "\001abcd");
  const std::string record = CentralRecord("dir/a.exe", extra, "note");
  const std::string before = "xx";
  const std::string bytes = before + record + record;
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), copy.get());
  MemorySource source(copy.get(), bytes.size());
  const std::uint64_t first = before.size();
  const std::uint64_t end = bytes.size();

  ZipCentralRecord r;
  ASSERT_EQ(ReadCentralRecord(source, first, end, r), ZipRecordAt::kWhole);
  EXPECT_EQ(r.versionMadeBy, 0x0B14);
  EXPECT_EQ(r.flags, 0x0809);
  EXPECT_EQ(r.method, 8);
  EXPECT_EQ(r.dosTime, 0x6000);
  EXPECT_EQ(r.dosDate, 0x52CF);
  EXPECT_EQ(r.crc, 0x12345678u);
  EXPECT_EQ(r.compressedSize, 1111u);
  EXPECT_EQ(r.originalSize, 2222u);
  EXPECT_EQ(r.externalAttributes, 0x81A40020u);
  EXPECT_EQ(r.localOffset, 3333u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.name), r.nameLength), "dir/a.exe");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.extra), r.extraLength), extra);
  EXPECT_EQ(r.size, record.size());

  struct Case {
    const char* what;
    std::uint64_t at;
    std::uint64_t end;
    ZipRecordAt expected;
  };
  const Case cases[] = {
      {"the second record", first + record.size(), end, ZipRecordAt::kWhole},
      {"a record ending exactly at the bound", first, first + record.size(), ZipRecordAt::kWhole},
      {"bytes that are no record", 0, end, ZipRecordAt::kNone},
      {"inside a record", first + 1, end, ZipRecordAt::kNone},
      {"at the bound", end, end, ZipRecordAt::kNone},
      {"three bytes before the bound", first, first + 3, ZipRecordAt::kNone},
      {"the signature, but not the fixed part", first, first + kZipCentralSize - 1, ZipRecordAt::kCut},
      {"the comment runs past the bound", first, first + record.size() - 1, ZipRecordAt::kCut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadCentralRecord(source, c.at, c.end, r), c.expected);
  }
}

TEST(ArchiveSignatures, ZipBeginsWithALocalHeaderOrAnEndRecord) {
  struct Case {
    std::string bytes;
    bool archive;
  };
  const Case cases[] = {
      {std::string("PK\x03\x04", 4), true},       {std::string("PK\x05\x06", 4), true},   // an empty archive
      {std::string("PK\x06\x06", 4), true},       {std::string("PK\x01\x02", 4), false},  // a central record alone
      {std::string("PK\x07\x08", 4), false},                                              // a data descriptor
      {std::string("PK\x03", 3), false},          {std::string("MZ\x90\x00", 4), false},
      {std::string("Rar!\x1A\x07\x00", 7), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(BeginsArchive(Bytes(c.bytes), c.bytes.size()), c.archive);
  }
}

}  // namespace
