#include "backends/LhaHeaders.h"

#include <cstring>
#include <limits>
#include <vector>

#include "backends/LittleEndian.h"
#include "backends/NameText.h"
#include "platform/CodePage.h"
#include "platform/FileTime.h"

namespace backends {
namespace {

// Fixed fields shared by every level.
constexpr std::size_t kMethodAt = 2, kMethodSize = 5;
constexpr std::size_t kPackedAt = 7;  // level 1: packed data and extended headers
constexpr std::size_t kOriginalAt = 11;
constexpr std::size_t kTimeAt = 15;  // levels 0, 1: DOS time and date; 2, 3: Unix time
constexpr std::size_t kAttributeAt = 19;
constexpr std::size_t kLevelAt = 20;
constexpr std::size_t kCommonSize = 22;  // up to the name length (levels 0, 1)
// Levels 0 and 1: the name length and the name.
constexpr std::size_t kNameLengthAt = 21, kNameAt = 22;
// Levels 2 and 3: the header before the extended headers.
constexpr std::size_t kLevel2Fixed = 26;
constexpr std::size_t kLevel3Fixed = 32;
constexpr std::size_t kLevel3MaxHeader = 1024 * 1024;
constexpr std::size_t kMaxExtendedHeaders = 4096;

// Extended header types.
constexpr std::uint8_t kExtCommon = 0x00;  // header CRC
constexpr std::uint8_t kExtFileName = 0x01;
constexpr std::uint8_t kExtDirectory = 0x02;  // folders separated by 0xFF
constexpr std::uint8_t kExtDosAttribute = 0x40;
constexpr std::uint8_t kExtWindowsTimes = 0x41;      // creation, write, access
constexpr std::uint8_t kExtSizes64 = 0x42;           // packed, original
constexpr std::uint8_t kExtUnicodeFileName = 0x44;   // UTF-16LE
constexpr std::uint8_t kExtUnicodeDirectory = 0x45;  // UTF-16LE, folders separated by U+FFFF
constexpr std::uint8_t kExtUnixMode = 0x50;
constexpr std::uint8_t kExtUnixTime = 0x54;

constexpr std::uint8_t kDosReadOnly = 0x01, kDosHidden = 0x02, kDosSystem = 0x04, kDosDirectory = 0x10;

bool IsAlnum(std::uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// "-lh5-", "-lzs-", "-pm2-"...
bool IsMethod(const std::uint8_t* p) {
  return p[0] == '-' && p[4] == '-' && IsAlnum(p[1]) && IsAlnum(p[2]) && IsAlnum(p[3]);
}

// Name bytes with 0xFF, the folder separator of LHA, as "/". 0xFF is part of
// no Shift_JIS and no UTF-8 character.
void AppendName(const std::uint8_t* p, std::size_t size, std::string& out) {
  for (std::size_t i = 0; i < size; ++i) out += p[i] == 0xFF ? '/' : static_cast<char>(p[i]);
}

// What the headers of one member say, gathered before it becomes a Member.
struct Fields {
  std::uint8_t level = 0;
  char method[kMethodSize + 1] = {};
  std::uint16_t dosDate = 0, dosTime = 0;  // levels 0, 1
  std::uint64_t dataStart = 0, dataSize = 0;
  std::string baseName;  // levels 0, 1
  std::string fileName;
  bool hasFileName = false;
  std::string directory;
  // The UTF-16 names, as UTF-8: the real name where the others hold only
  // the code page's fallback.
  std::string unicodeFileName;
  bool hasUnicodeFileName = false;
  std::string unicodeDirectory;
  std::uint64_t packed = 0, original = 0;
  std::uint16_t dosAttribute = 0;
  bool hasDosAttribute = false;
  std::uint16_t unixMode = 0;
  bool hasUnixMode = false;
  std::int64_t unixTime = 0;
  bool hasUnixTime = false;
  std::uint64_t createTime = 0, writeTime = 0, accessTime = 0;
  bool hasWindowsTimes = false;
  // The header CRC and where it sits in the header (levels 2, 3).
  bool hasHeaderCrc = false;
  std::uint16_t headerCrc = 0;
  std::size_t headerCrcAt = 0;
};

// UTF-16LE name bytes as UTF-8, U+FFFF (the folder separator) and "\\" as
// "/"; an unpaired surrogate becomes U+FFFD.
void AppendUtf16Name(const std::uint8_t* p, std::size_t size, std::string& out) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2) units.push_back(get16(p + i));
  for (std::size_t i = 0, taken = 0; i < units.size(); i += taken) {
    char32_t c;
    taken = platform::DecodeUtf16(&units[i], units.size() - i, c);
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    if (c == 0xFFFF || c == '\\') c = '/';
    platform::AppendUtf8(out, c);
  }
}

void TakeExtended(std::uint8_t type, const std::uint8_t* data, std::size_t size, Fields& f) {
  switch (type) {
    case kExtUnicodeFileName:
      f.unicodeFileName.clear();
      AppendUtf16Name(data, size, f.unicodeFileName);
      f.hasUnicodeFileName = true;
      break;
    case kExtUnicodeDirectory:
      f.unicodeDirectory.clear();
      AppendUtf16Name(data, size, f.unicodeDirectory);
      break;
    case kExtFileName:
      f.fileName.clear();
      AppendName(data, size, f.fileName);
      f.hasFileName = true;
      break;
    case kExtDirectory:
      f.directory.clear();
      AppendName(data, size, f.directory);
      break;
    case kExtDosAttribute:
      if (size >= 2) {
        f.dosAttribute = get16(data);
        f.hasDosAttribute = true;
      }
      break;
    case kExtWindowsTimes:
      if (size >= 24) {
        f.createTime = get64(data);
        f.writeTime = get64(data + 8);
        f.accessTime = get64(data + 16);
        f.hasWindowsTimes = true;
      }
      break;
    case kExtSizes64:
      if (size >= 16) {
        f.packed = get64(data);
        f.original = get64(data + 8);
      }
      break;
    case kExtUnixMode:
      if (size >= 2) {
        f.unixMode = get16(data);
        f.hasUnixMode = true;
      }
      break;
    case kExtUnixTime:
      if (size >= 4) {
        f.unixTime = static_cast<std::int32_t>(get32(data));
        f.hasUnixTime = true;
      }
      break;
    default: break;
  }
}

// Walks extended headers held in memory: [type][data][size of the next one],
// each size counting the whole header. False for one that runs past the end.
bool WalkExtended(const std::uint8_t* header, std::size_t headerSize, std::size_t at, std::uint32_t size,
                  std::size_t sizeBytes, Fields& f) {
  std::size_t count = 0;
  while (size != 0) {
    if (size < 1 + sizeBytes || size > headerSize - at || ++count > kMaxExtendedHeaders) return false;
    const std::uint8_t* e = header + at;
    if (e[0] == kExtCommon && size - 1 - sizeBytes >= 2) {
      f.hasHeaderCrc = true;
      f.headerCrc = get16(e + 1);
      f.headerCrcAt = at + 1;
    }
    TakeExtended(e[0], e + 1, size - 1 - sizeBytes, f);
    const std::uint8_t* next = e + size - sizeBytes;
    at += size;
    size = sizeBytes == 2 ? get16(next) : get32(next);
  }
  return true;
}

// Levels 0 and 1 begin alike, the header's bytes after the first two
// summed into a checksum:
//    0 header size - 2 (1)        1 checksum (1)
//    2 method "-lh5-" (5)         7 packed size; level 1: with the extended headers (4)
//   11 original size (4)         15 DOS time, date (4)
//   19 DOS attribute (1)         20 level (1)
//   21 name length n (1)         22 name (n), then the CRC of the data (2)
// The base header's bytes, headerSize of them, or nullptr; nameEnd is where
// the name ends.
const std::uint8_t* ReadBaseHeader(ByteSource& source, std::uint64_t offset, Fields& f, std::size_t& headerSize,
                                   std::size_t& nameEnd) {
  const std::uint8_t* p = source.Bytes(offset, 1);
  headerSize = p ? static_cast<std::size_t>(p[0]) + 2 : 0;
  const std::uint8_t* h = headerSize >= kCommonSize ? source.Bytes(offset, headerSize) : nullptr;
  if (!h) return nullptr;
  unsigned sum = 0;
  for (std::size_t i = 2; i < headerSize; ++i) sum += h[i];
  if ((sum & 0xFF) != h[1]) return nullptr;
  const std::size_t nameLength = h[kNameLengthAt];
  nameEnd = kNameAt + nameLength;
  if (nameEnd > headerSize) return nullptr;
  AppendName(h + kNameAt, nameLength, f.baseName);
  f.original = get32(h + kOriginalAt);
  f.dosTime = get16(h + kTimeAt);
  f.dosDate = get16(h + kTimeAt + 2);
  f.dosAttribute = h[kAttributeAt];
  f.hasDosAttribute = true;
  f.packed = get32(h + kPackedAt);
  f.dataStart = offset + headerSize;
  f.dataSize = f.packed;
  return h;
}

// Level 0: the base header; after the name the CRC (2), which the oldest
// writers left out, then optionally LHa for UNIX's 12 bytes:
//    0 'U' (1)   1 version (1)   2 Unix time (4)   6 mode (2)   8 uid, gid (4)
bool ReadLevel0(ByteSource& source, std::uint64_t offset, Fields& f) {
  std::size_t headerSize = 0, nameEnd = 0;
  const std::uint8_t* h = ReadBaseHeader(source, offset, f, headerSize, nameEnd);
  if (!h) return false;
  std::size_t fixedEnd = nameEnd + 2;
  if (fixedEnd == headerSize + 2) fixedEnd = headerSize;  // no CRC
  if (fixedEnd > headerSize) return false;
  const std::uint8_t* extension = h + fixedEnd;
  if (headerSize - fixedEnd == 12 && extension[0] == 'U') {
    f.unixTime = static_cast<std::int32_t>(get32(extension + 2));
    f.hasUnixTime = true;
    f.unixMode = get16(extension + 6);
    f.hasUnixMode = true;
  }
  return true;
}

// Level 1: the base header; after the name the CRC of the data (2), the OS
// (1) and the size of the first extended header (2). The extended headers
// follow the base header, each [type (1)][data][size of the next one (2)],
// and the packed size counts them with the data.
bool ReadLevel1(ByteSource& source, std::uint64_t offset, Fields& f) {
  std::size_t headerSize = 0, nameEnd = 0;
  const std::uint8_t* h = ReadBaseHeader(source, offset, f, headerSize, nameEnd);
  if (!h || nameEnd + 5 > headerSize) return false;
  const std::uint64_t skipSize = f.packed;
  std::uint64_t at = offset + headerSize;
  std::uint32_t size = get16(h + headerSize - 2);
  std::uint64_t extendedTotal = 0;
  std::size_t count = 0;
  while (size != 0) {
    if (size < 3 || ++count > kMaxExtendedHeaders) return false;
    const std::uint8_t* e = source.Bytes(at, size);
    if (!e) return false;
    TakeExtended(e[0], e + 1, size - 3, f);
    extendedTotal += size;
    at += size;
    size = get16(e + size - 2);
  }
  if (extendedTotal > skipSize) return false;
  f.packed = skipSize - extendedTotal;
  f.dataStart = at;
  f.dataSize = f.packed;
  return true;
}

// Levels 2 and 3 hold their extended headers inside the header, each
// [type (1)][data][size of the next one], and the header CRC (extended
// header 0) covers the whole header. Both share, at these offsets:
//    2 method (5)   7 packed size (4)   11 original size (4)
//   15 Unix time (4)   20 level (1)
// fixed is the size of the level's part before the extended headers,
// sizeBytes that of its size fields.
bool ReadHeaderWithExtended(ByteSource& source, std::uint64_t offset, std::size_t headerSize, std::size_t fixed,
                            std::uint32_t firstSize, std::size_t sizeBytes, Fields& f) {
  if (headerSize < fixed) return false;
  const std::uint8_t* h = source.Bytes(offset, headerSize);
  if (!h) return false;
  // The walk and the CRC need the whole header at once: a copy, since the
  // source's bytes last only until its next read.
  std::vector<std::uint8_t> header(h, h + headerSize);
  if (!WalkExtended(header.data(), headerSize, fixed, firstSize, sizeBytes, f)) return false;
  if (f.hasHeaderCrc) {
    header[f.headerCrcAt] = header[f.headerCrcAt + 1] = 0;
    if (LhaCrc16(header.data(), headerSize) != f.headerCrc) return false;
  }
  if (f.packed == 0) f.packed = get32(header.data() + kPackedAt);
  if (f.original == 0) f.original = get32(header.data() + kOriginalAt);
  if (!f.hasUnixTime) {
    f.unixTime = get32(header.data() + kTimeAt);
    f.hasUnixTime = true;
  }
  f.dataStart = offset + headerSize;
  f.dataSize = f.packed;
  return true;
}

// Level 2, sizes of 2 bytes:
//    0 header size (2)   21 CRC of the data (2)   23 OS (1)   24 first extended size (2)
bool ReadLevel2(ByteSource& source, std::uint64_t offset, Fields& f) {
  const std::uint8_t* h = source.Bytes(offset, kLevel2Fixed);
  if (!h) return false;
  return ReadHeaderWithExtended(source, offset, get16(h), kLevel2Fixed, get16(h + 24), 2, f);
}

// Level 3, sizes of 4 bytes:
//    0 word size, always 4 (2)   21 CRC of the data (2)   23 OS (1)
//   24 header size (4)   28 first extended size (4)
bool ReadLevel3(ByteSource& source, std::uint64_t offset, Fields& f) {
  const std::uint8_t* h = source.Bytes(offset, kLevel3Fixed);
  if (!h || get16(h) != 4) return false;
  const std::size_t headerSize = get32(h + 24);
  if (headerSize > kLevel3MaxHeader) return false;
  return ReadHeaderWithExtended(source, offset, headerSize, kLevel3Fixed, get32(h + 28), 4, f);
}

// The member the fields describe. otherName gets the code page's name when
// the UTF-16 one differs: an extractor that ignores the UTF-16 headers
// creates that name instead.
void ToMember(const Fields& f, Member& member, std::string& otherName) {
  member.Clear();
  // The folder (extended header 2), then the name; the UTF-16 ones when
  // there are.
  auto join = [](const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
  };
  const std::string& codePageName = f.hasFileName ? f.fileName : f.baseName;
  member.name = join(f.directory, codePageName);
  if (f.hasUnicodeFileName || !f.unicodeDirectory.empty()) {
    std::string unicodeName = join(f.unicodeDirectory.empty() ? f.directory : f.unicodeDirectory,
                                   f.hasUnicodeFileName ? f.unicodeFileName : codePageName);
    if (DecodeArchiveName(unicodeName) != DecodeArchiveName(member.name)) otherName = member.name;
    member.name.swap(unicodeName);
  }
  // A symbolic link is stored as "name|target": the link is created under
  // the name, and a "|" can be in no Windows file name.
  const std::size_t bar = member.name.find('|');
  if (bar != std::string::npos) member.name.erase(bar);
  const std::size_t otherBar = otherName.find('|');
  if (otherBar != std::string::npos) otherName.erase(otherBar);
  member.SetMethod(f.method);
  member.originalSize = f.original;
  member.compressedSize = f.packed;
  member.hasOriginalSize = member.hasCompressedSize = true;
  if (f.level <= 1) {
    member.dosDate = f.dosDate;
    member.dosTime = f.dosTime;
    member.hasDosDateTime = true;
  }
  if (f.hasWindowsTimes) {
    member.writeTime = f.writeTime;
    member.accessTime = f.accessTime;
    member.createTime = f.createTime;
    member.hasWriteTime = f.writeTime != 0;
    member.hasAccessTime = f.accessTime != 0;
    member.hasCreateTime = f.createTime != 0;
  }
  if (!member.hasWriteTime && f.hasUnixTime) {
    member.writeTime = UnixToFileTime(f.unixTime);
    member.hasWriteTime = true;
  }
  if (!member.hasWriteTime && member.hasDosDateTime) {
    std::uint64_t t = 0;
    if (platform::DosDateTimeToUtcFileTime(f.dosDate, f.dosTime, t)) {
      member.writeTime = t;
      member.hasWriteTime = true;
    }
  }
  const bool directory =
      std::memcmp(f.method, "-lhd-", kMethodSize) == 0 || (f.hasDosAttribute && (f.dosAttribute & kDosDirectory));
  if (directory) member.attributes |= kAttrDirectory;
  if (f.hasUnixMode ? !(f.unixMode & 0200) : (f.hasDosAttribute && (f.dosAttribute & kDosReadOnly)))
    member.attributes |= kAttrReadOnly;
  if (f.hasDosAttribute) member.attributes |= f.dosAttribute & (kDosHidden | kDosSystem);
  if (!directory) member.attributes |= kAttrArchive;
  member.isDirectory = directory;
}

}  // namespace

std::uint16_t LhaCrc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc) {
  static const struct Table {
    std::uint16_t v[256];
    Table() {
      for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xA001 ^ (c >> 1) : c >> 1;
        v[i] = static_cast<std::uint16_t>(c);
      }
    }
  } table;
  for (std::size_t i = 0; i < size; ++i) crc = static_cast<std::uint16_t>(table.v[(crc ^ data[i]) & 0xFF] ^ (crc >> 8));
  return crc;
}

ReadResult LhaHeaderReader::ReadHeader(std::uint64_t offset, Member& member, std::uint64_t& nextOffset) {
  const std::uint64_t fileSize = source_->Size();
  if (offset == fileSize) return ReadResult::End;     // no end mark: the file simply stops
  if (offset > fileSize) return ReadResult::Damaged;  // the last member's data runs past the end
  const std::uint8_t* first = source_->Bytes(offset, 1);
  if (!first) return ReadResult::Damaged;
  if (first[0] == 0) return ReadResult::End;
  const std::uint8_t* p = source_->Bytes(offset, kCommonSize);
  if (!p || !IsMethod(p + kMethodAt)) return ReadResult::Damaged;

  Fields f;
  f.level = p[kLevelAt];
  std::memcpy(f.method, p + kMethodAt, kMethodSize);
  bool read = false;
  switch (f.level) {
    case 0: read = ReadLevel0(*source_, offset, f); break;
    case 1: read = ReadLevel1(*source_, offset, f); break;
    case 2: read = ReadLevel2(*source_, offset, f); break;
    case 3: read = ReadLevel3(*source_, offset, f); break;
    default: break;
  }
  if (!read) return ReadResult::Damaged;
  ToMember(f, member, otherName_);
  if (f.dataSize > std::numeric_limits<std::uint64_t>::max() - f.dataStart) return ReadResult::Damaged;
  nextOffset = f.dataStart + f.dataSize;
  return ReadResult::Member;
}

ReadResult LhaHeaderReader::Next(Member& member) {
  if (!otherName_.empty() && hasLast_) {
    // The last member again under its other name.
    member = last_;
    member.name.swap(otherName_);
    otherName_.clear();
    hasLast_ = false;
    return ReadResult::Member;
  }
  if (finished_) return ReadResult::End;
  std::uint64_t next = 0;
  otherName_.clear();
  const ReadResult r = ReadHeader(offset_, member, next);
  if (r != ReadResult::Member) {
    finished_ = true;
    return r;
  }
  if (!otherName_.empty()) {
    last_ = member;
    hasLast_ = true;
  }
  offset_ = next;
  return r;
}

std::unique_ptr<MemberReader> OpenLhaHeaders(std::unique_ptr<ByteSource> source) {
  if (!source) return nullptr;
  std::unique_ptr<LhaHeaderReader> reader(new LhaHeaderReader(std::move(source)));
  // An archive is one whose first header reads whole; the first byte alone
  // (an end mark, a zero) makes none.
  Member first;
  std::uint64_t next = 0;
  if (reader->ReadHeader(0, first, next) != ReadResult::Member) return nullptr;
  return reader;
}

}  // namespace backends
