#include "backends/TarHeaders.h"

#include "archives/StructureDoubt.h"
#include "backends/ArchiveSignatures.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace backends {
namespace {

// Offsets and sizes of the header fields.
constexpr std::size_t kNameAt = 0, kNameSize = 100;
constexpr std::size_t kModeAt = 100, kModeSize = 8;
constexpr std::size_t kSizeAt = 124, kSizeSize = 12;
constexpr std::size_t kMtimeAt = 136, kMtimeSize = 12;
constexpr std::size_t kChecksumAt = 148, kChecksumSize = 8;
constexpr std::size_t kTypeAt = 156;
constexpr std::size_t kMagicAt = 257;
constexpr std::size_t kPrefixAt = 345, kPrefixSize = 155;  // POSIX ustar
// GNU headers ("ustar  \0") use the prefix's room for these.
constexpr std::size_t kGnuAtimeAt = 345, kGnuTimeSize = 12;
constexpr std::size_t kGnuIsExtendedAt = 482;
constexpr std::size_t kGnuRealSizeAt = 483, kGnuRealSizeSize = 12;
// An old GNU sparse header's extension block: 21 entries, then this flag.
constexpr std::size_t kSparseExtensionIsExtendedAt = 504;

// A long name larger than this is taken for damage: no name is that long,
// and the data would be held in memory. A pax header is read record by
// record instead, and a record larger than kMaxPaxRecord (huge extended
// attributes) is stepped over unread.
constexpr std::int64_t kMaxSpecialData = 4 * 1024 * 1024;
constexpr std::size_t kMaxPaxRecord = 1024 * 1024;

// The text of a field up to its first NUL, or the whole field.
void AppendFieldText(const std::uint8_t* field, std::size_t size, std::string& out) {
  const void* nul = std::memchr(field, 0, size);
  const std::size_t length = nul ? static_cast<const std::uint8_t*>(nul) - field : size;
  out.append(reinterpret_cast<const char*>(field), length);
}

bool IsPosixUstar(const std::uint8_t* block) { return std::memcmp(block + kMagicAt, "ustar\0", 6) == 0; }

bool IsGnu(const std::uint8_t* block) { return std::memcmp(block + kMagicAt, "ustar  \0", 8) == 0; }

// Blocks that size bytes of data take.
std::uint64_t DataBlocks(std::uint64_t size) { return (size + kTarBlock - 1) / kTarBlock * kTarBlock; }

// A pax decimal, possibly with a fraction ("1623760496.123456789"), as
// seconds and nanoseconds. False for anything else.
bool ParsePaxTime(const std::string& text, std::int64_t& seconds, std::int64_t& nanoseconds) {
  std::size_t at = 0;
  bool negative = false;
  if (at < text.size() && text[at] == '-') {
    negative = true;
    ++at;
  }
  std::int64_t s = 0;
  std::size_t digits = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
    if (s > (std::numeric_limits<std::int64_t>::max() - 9) / 10) return false;
    s = s * 10 + (text[at] - '0');
  }
  if (digits == 0) return false;
  std::int64_t ns = 0;
  if (at < text.size() && text[at] == '.') {
    ++at;
    std::int64_t scale = 100000000;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      ns += (text[at] - '0') * scale;
      scale /= 10;
    }
  }
  if (at != text.size()) return false;
  seconds = negative ? -s : s;
  nanoseconds = negative ? 0 : ns;
  return true;
}

bool ParsePaxNumber(const std::string& text, std::int64_t& value) {
  std::int64_t ns = 0;
  return ParsePaxTime(text, value, ns) && ns == 0 && value >= 0;
}

// The sum of a block's bytes. Every header passes here, so eight bytes are
// added at a time: each 64-bit word is split into four 16-bit lanes of two
// byte sums each (at most 510), which 64 words cannot overflow.
std::uint64_t ByteSum(const std::uint8_t* block) {
  constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFULL;
  std::uint64_t lanes = 0;
  for (std::size_t i = 0; i < kTarBlock; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, block + i, sizeof word);
    lanes += (word & kLowBytes) + ((word >> 8) & kLowBytes);
  }
  return (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48);
}

}  // namespace

bool TarHeaderReader::SameNames(const Pending& a, const Pending& b) {
  return a.hasLongName == b.hasLongName && a.longName == b.longName && a.hasPath == b.hasPath && a.path == b.path;
}

TarBlockKind ClassifyTarBlock(const std::uint8_t* block) {
  const std::uint64_t sum = ByteSum(block);  // of the bytes as they are
  if (sum == 0) return TarBlockKind::Zero;
  std::int64_t stored = 0;
  if (!ParseTarNumber(block + kChecksumAt, kChecksumSize, stored)) return TarBlockKind::NotHeader;
  // The checksum counts its own field as blanks.
  std::uint64_t field = 0;
  std::uint64_t high = 0;  // bytes of 0x80 and above, which a signed sum counts 256 lower
  for (std::size_t i = kChecksumAt; i < kChecksumAt + kChecksumSize; ++i) field += block[i];
  const std::uint64_t unsignedSum = sum - field + kChecksumSize * ' ';
  if (stored == static_cast<std::int64_t>(unsignedSum)) return TarBlockKind::Header;
  for (std::size_t i = 0; i < kTarBlock; ++i) {
    if (i >= kChecksumAt && i < kChecksumAt + kChecksumSize) continue;
    if (block[i] >= 0x80) ++high;
  }
  const std::int64_t signedSum = static_cast<std::int64_t>(unsignedSum) - static_cast<std::int64_t>(256 * high);
  return stored == signedSum ? TarBlockKind::Header : TarBlockKind::NotHeader;
}

bool ParseTarNumber(const std::uint8_t* field, std::size_t size, std::int64_t& value) {
  if (size == 0) return false;
  if (field[0] & 0x80) {
    // GNU base-256: 0x80 then a positive big-endian number, or 0xFF then a
    // negative one in two's complement. Bytes beyond the 64 bits kept may
    // only repeat the sign.
    if (field[0] != 0x80 && field[0] != 0xFF) return false;
    const bool negative = field[0] == 0xFF;
    const std::uint8_t fill = negative ? 0xFF : 0x00;
    std::size_t start = 1;
    for (; size - start > 8; ++start) {
      if (field[start] != fill) return false;
    }
    std::uint64_t v = negative ? ~std::uint64_t{0} : 0;
    for (std::size_t i = start; i < size; ++i) v = (v << 8) | field[i];
    const std::int64_t result = static_cast<std::int64_t>(v);
    if (negative != (result < 0)) return false;
    value = result;
    return true;
  }
  std::size_t at = 0;
  while (at < size && field[at] == ' ') ++at;
  std::uint64_t v = 0;
  std::size_t digits = 0;
  for (; at < size && field[at] >= '0' && field[at] <= '7'; ++at, ++digits) {
    if (v > (std::numeric_limits<std::uint64_t>::max() >> 3)) return false;
    v = (v << 3) | static_cast<std::uint64_t>(field[at] - '0');
  }
  if (at < size && field[at] != ' ' && field[at] != 0) return false;
  if (digits == 0 || v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
  value = static_cast<std::int64_t>(v);
  return true;
}

ReadResult TarHeaderReader::Fail() {
  finished_ = true;
  return ReadResult::Damaged;
}

bool TarHeaderReader::ReadPax(std::int64_t size) {
  if (size < 0) return false;
  const std::uint64_t start = offset_;
  const std::uint64_t end = start + static_cast<std::uint64_t>(size);
  if (end < start) return false;
  std::uint64_t at = start;
  while (at < end) {
    // "<length> ": at most 20 digits.
    const std::size_t look = static_cast<std::size_t>(std::min<std::uint64_t>(end - at, 24));
    const std::uint8_t* p = source_->Bytes(at, look);
    if (!p) return false;
    if (p[0] == 0) break;  // padding after the last record
    std::uint64_t length = 0;
    std::size_t digits = 0;
    for (; digits < look && p[digits] >= '0' && p[digits] <= '9'; ++digits) length = length * 10 + (p[digits] - '0');
    if (digits == 0 || digits >= look || p[digits] != ' ' || length > end - at || length < digits + 2) return false;
    if (length <= kMaxPaxRecord) {
      const std::uint8_t* record = source_->Bytes(at, static_cast<std::size_t>(length));
      if (!record || !ParsePax(std::string(reinterpret_cast<const char*>(record), static_cast<std::size_t>(length))))
        return false;
    }
    at += length;
  }
  offset_ = start + DataBlocks(static_cast<std::uint64_t>(size));
  return offset_ >= start;
}

bool TarHeaderReader::ReadData(std::int64_t size, std::string& data) {
  if (size < 0 || size > kMaxSpecialData) return false;
  const std::size_t length = static_cast<std::size_t>(size);
  const std::uint8_t* p = length == 0 ? nullptr : source_->Bytes(offset_, length);
  if (length > 0 && !p) return false;
  data.assign(reinterpret_cast<const char*>(p), length);
  offset_ += DataBlocks(length);
  return true;
}

// Records "<length> <key>=<value>\n", the length counting the whole record.
bool TarHeaderReader::ParsePax(const std::string& data) {
  std::size_t at = 0;
  while (at < data.size()) {
    if (data[at] == '\0') break;  // padding after the last record
    std::size_t length = 0;
    std::size_t p = at;
    for (; p < data.size() && data[p] >= '0' && data[p] <= '9'; ++p) {
      if (length > data.size()) return false;
      length = length * 10 + static_cast<std::size_t>(data[p] - '0');
    }
    if (p == at || p >= data.size() || data[p] != ' ') return false;
    if (length > data.size() - at || length < p - at + 2) return false;
    const std::size_t end = at + length;  // one past the record's "\n"
    if (data[end - 1] != '\n') return false;
    const std::size_t equals = data.find('=', p + 1);
    if (equals == std::string::npos || equals >= end - 1) return false;
    const std::string key = data.substr(p + 1, equals - p - 1);
    const std::string value = data.substr(equals + 1, end - 1 - equals - 1);
    Pending& q = pending_;
    if (key == "path") {
      // GNU sparse files keep their real name in GNU.sparse.name, which wins.
      if (!q.hasPath) q.path = value;
      q.hasPath = true;
    } else if (key == "GNU.sparse.name") {
      q.path = value;
      q.hasPath = true;
    } else if (key == "size") {
      q.hasSize = ParsePaxNumber(value, q.size);
    } else if (key == "GNU.sparse.realsize" || key == "GNU.sparse.size") {
      q.hasRealSize = ParsePaxNumber(value, q.realSize);
    } else if (key == "mtime") {
      q.hasMtime = ParsePaxTime(value, q.mtime, q.mtimeNs);
    } else if (key == "atime") {
      q.hasAtime = ParsePaxTime(value, q.atime, q.atimeNs);
    } else if (key == "LIBARCHIVE.creationtime") {
      q.hasBirthtime = ParsePaxTime(value, q.birthtime, q.birthtimeNs);
    }
    at = end;
  }
  return true;
}

ReadResult TarHeaderReader::Next(Member& member) {
  if (hasFirst_) {
    // The member that Open read to tell an archive.
    hasFirst_ = false;
    std::swap(member, first_);
    return ReadResult::Member;
  }
  if (!otherName_.empty()) {
    // The last member again under its other name.
    member = last_;
    member.name.swap(otherName_);
    otherName_.clear();
    return ReadResult::Member;
  }
  for (;;) {
    const ReadResult r = finished_ ? ReadResult::End : NextInReading(member);
    if (r == ReadResult::Member) return r;
    if (r == ReadResult::Damaged && primary_) damaged_ = true;
    finished_ = true;
    if (otherReadings_.empty()) {
      const bool damaged = damaged_;
      damaged_ = false;
      return damaged ? ReadResult::Damaged : ReadResult::End;
    }
    // The next reading waiting, from where it stands.
    auto next = std::min_element(otherReadings_.begin(), otherReadings_.end(),
                                 [](const Reading& a, const Reading& b) { return a.offset < b.offset; });
    offset_ = next->offset;
    pending_ = std::move(next->pending);
    primary_ = next->primary;
    otherReadings_.erase(next);
    finished_ = false;
  }
}

void TarHeaderReader::MergeReadings(std::uint64_t from, std::uint64_t to) {
  for (auto it = otherReadings_.begin(); it != otherReadings_.end();) {
    if (it->offset >= from && it->offset <= to && SameNames(it->pending, pending_)) {
      primary_ = primary_ || it->primary;
      it = otherReadings_.erase(it);
    } else {
      ++it;
    }
  }
}

void TarHeaderReader::TakeLowestReading() {
  if (otherReadings_.empty()) return;
  MergeReadings(offset_, offset_);
  auto lowest = std::min_element(otherReadings_.begin(), otherReadings_.end(),
                                 [](const Reading& a, const Reading& b) { return a.offset < b.offset; });
  if (lowest == otherReadings_.end() || lowest->offset >= offset_) return;
  std::swap(offset_, lowest->offset);
  std::swap(pending_, lowest->pending);
  const bool primary = primary_;
  primary_ = lowest->primary;
  lowest->primary = primary;
}

void TarHeaderReader::AddReading(std::uint64_t offset) {
  // Each header is read once, whichever readings reach it, so the readings
  // cannot outnumber the blocks; this bound keeps memory small beyond that.
  constexpr std::size_t kMaxReadings = 64;
  if (otherReadings_.size() >= kMaxReadings) return;
  Reading reading;
  reading.offset = offset;
  otherReadings_.push_back(std::move(reading));
}

ReadResult TarHeaderReader::NextInReading(Member& member) {
  for (;;) {
    TakeLowestReading();
    const std::uint8_t* block = source_->Bytes(offset_, kTarBlock);
    if (!block) return AtSourceEnd();
    switch (ClassifyTarBlock(block)) {
      case TarBlockKind::Zero:
        block = AfterZeroBlocks();
        if (!block) return ReadResult::End;
        break;
      case TarBlockKind::NotHeader: return Fail();
      case TarBlockKind::Header: break;
    }
    const char type = static_cast<char>(block[kTypeAt]);
    std::int64_t dataSize = 0;
    if (!ParseTarNumber(block + kSizeAt, kSizeSize, dataSize) || dataSize < 0) return Fail();
    if (!IsExtensionHeader(type)) return ReadMemberHeader(block, dataSize, member);
    offset_ += kTarBlock;
    if (!ReadExtensionHeader(type, dataSize)) return Fail();
  }
}

ReadResult TarHeaderReader::AtSourceEnd() {
  // A stream's size is known once it has been read to its end.
  if (offset_ == source_->Size()) {
    // No end blocks: the archive simply stops after a member.
    finished_ = true;
    return pending_.hasLongName || pending_.hasPath ? ReadResult::Damaged : ReadResult::End;
  }
  return Fail();  // part of a block, or data running past the end
}

const std::uint8_t* TarHeaderReader::AfterZeroBlocks() {
  // The end, when the blocks are zero to the end of the file. A header
  // after them is read on: extractors that skip zero blocks create its
  // member.
  const std::uint64_t zeroStart = offset_;
  const bool toTheEnd = SkipZeroBlocks();
  // Readings that stand in the zero run read the same run.
  MergeReadings(zeroStart, offset_);
  if (toTheEnd) {
    finished_ = true;
    return nullptr;
  }
  const std::uint8_t* block = source_->Bytes(offset_, kTarBlock);
  if (!block || ClassifyTarBlock(block) != TarBlockKind::Header) {
    if (block && BeginsArchive(block, kTarBlock)) Raise(archives::kDoubtArchiveOutside);
    trailingData_ = true;
    finished_ = true;
    return nullptr;
  }
  Raise(archives::kDoubtArchiveOutside);
  return block;
}

bool TarHeaderReader::IsExtensionHeader(char type) {
  return type == 'L' || type == 'K' || type == 'x' || type == 'X' || type == 'g' || type == 'V' || type == 'N' ||
         type == 'A';
}

// Headers that describe the next member, not a member of their own, their
// data after the header block: 'L' a GNU long name (the name, NUL-ended),
// 'x' and 'X' pax records for the next member; the others ('K' long link
// target, 'g' global pax records, 'V' volume label, 'N' old long names,
// 'A' Solaris ACLs) change no name and are stepped over.
bool TarHeaderReader::ReadExtensionHeader(char type, std::int64_t dataSize) {
  if (type == 'L') {
    std::string data;
    if (!ReadData(dataSize, data)) return false;
    pending_.longName.clear();
    AppendFieldText(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), pending_.longName);
    pending_.hasLongName = true;
    return true;
  }
  if (type == 'x' || type == 'X') return ReadPax(dataSize);
  offset_ += DataBlocks(static_cast<std::uint64_t>(dataSize));
  return true;
}

// The name a member header gives, unless the headers before it gave one: a
// pax path or GNU long name, else the ustar prefix, "/" and the name field.
void TarHeaderReader::TakeName(const std::uint8_t* block, Member& member) {
  if (pending_.hasPath) {
    member.name = pending_.path;
    // Readers disagree on whether a pax path or a GNU long name wins:
    // the other one is handed out as a member of its own.
    if (pending_.hasLongName && pending_.longName != pending_.path) otherName_ = pending_.longName;
  } else if (pending_.hasLongName) {
    member.name = pending_.longName;
  } else {
    member.name.clear();
    if (IsPosixUstar(block)) {
      AppendFieldText(block + kPrefixAt, kPrefixSize, member.name);
      if (!member.name.empty()) member.name += '/';
    }
    AppendFieldText(block + kNameAt, kNameSize, member.name);
  }
}

// The times: pax ones first, else the header's mtime and, in GNU headers,
// atime.
void TarHeaderReader::TakeTimes(const std::uint8_t* block, Member& member) {
  std::int64_t mtime = 0;
  if (pending_.hasMtime) {
    member.writeTime = UnixToFileTime(pending_.mtime, static_cast<long>(pending_.mtimeNs));
    member.hasWriteTime = true;
  } else if (ParseTarNumber(block + kMtimeAt, kMtimeSize, mtime)) {
    member.writeTime = UnixToFileTime(mtime);
    member.hasWriteTime = true;
  }
  std::int64_t atime = 0;
  if (pending_.hasAtime) {
    member.accessTime = UnixToFileTime(pending_.atime, static_cast<long>(pending_.atimeNs));
    member.hasAccessTime = true;
  } else if (IsGnu(block) && ParseTarNumber(block + kGnuAtimeAt, kGnuTimeSize, atime) && atime > 0) {
    member.accessTime = UnixToFileTime(atime);
    member.hasAccessTime = true;
  }
  if (pending_.hasBirthtime) {
    member.createTime = UnixToFileTime(pending_.birthtime, static_cast<long>(pending_.birthtimeNs));
    member.hasCreateTime = true;
  }
}

// An old GNU sparse header ('S'): the real size at 483, and when the byte at
// 482 is set, extension blocks of 21 more entries follow before the data,
// each flagging at 504 whether another one follows.
bool TarHeaderReader::SkipSparseExtensions(const std::uint8_t* block, std::int64_t& fileSize) {
  const bool gnu = IsGnu(block);
  std::int64_t realSize = 0;
  if (gnu && ParseTarNumber(block + kGnuRealSizeAt, kGnuRealSizeSize, realSize)) fileSize = realSize;
  bool extended = gnu && block[kGnuIsExtendedAt] != 0;
  while (extended) {
    const std::uint8_t* extension = source_->Bytes(offset_, kTarBlock);
    if (!extension) return false;
    extended = extension[kSparseExtensionIsExtendedAt] != 0;
    offset_ += kTarBlock;
  }
  return true;
}

// A member's own header (ustar, GNU or V7, see the field offsets above):
// its name, times, kind and size, and the data it steps over.
ReadResult TarHeaderReader::ReadMemberHeader(const std::uint8_t* block, std::int64_t dataSize, Member& member) {
  const char type = static_cast<char>(block[kTypeAt]);
  if (pending_.hasSize) dataSize = pending_.size;
  member.Clear();
  TakeName(block, member);
  std::int64_t mode = 0;
  ParseTarNumber(block + kModeAt, kModeSize, mode);
  TakeTimes(block, member);

  std::uint64_t skip = static_cast<std::uint64_t>(dataSize);
  std::int64_t fileSize = dataSize;
  offset_ += kTarBlock;
  switch (type) {
    case '2':
    case '3':
    case '4':
    case '6':  // no data
      skip = 0;
      fileSize = 0;
      break;
    case '5':
      skip = 0;
      fileSize = 0;
      member.attributes |= kAttrDirectory;
      break;
    case 'D':  // GNU incremental: a folder whose data lists its contents
      member.attributes |= kAttrDirectory;
      fileSize = 0;
      break;
    case 'S':
      if (!SkipSparseExtensions(block, fileSize)) return Fail();
      break;
    default:
      // A V7 header has no folder type: its name ends in "/".
      if ((type == '0' || type == '\0') && !member.name.empty() && member.name.back() == '/') {
        member.attributes |= kAttrDirectory;
        skip = SizeOfEntryWithoutData(skip);
      } else if (type == '1') {
        skip = SizeOfEntryWithoutData(skip);
      }
      break;
  }
  if (pending_.hasRealSize) fileSize = pending_.realSize;
  if (member.attributes & kAttrDirectory) fileSize = 0;
  member.originalSize = static_cast<std::uint64_t>(fileSize < 0 ? 0 : fileSize);
  member.hasOriginalSize = true;
  if (mode != 0 && !(mode & 0200)) member.attributes |= kAttrReadOnly;
  if (!(member.attributes & kAttrDirectory)) member.attributes |= kAttrArchive;
  member.isDirectory = (member.attributes & kAttrDirectory) != 0;

  const std::uint64_t blocks = DataBlocks(skip);
  if (blocks < skip || offset_ > std::numeric_limits<std::uint64_t>::max() - blocks) return Fail();
  // When the data runs past the end, the archive is cut: the member still
  // counts (its name is whole) and the next call reports the damage.
  offset_ += blocks;
  pending_ = Pending();
  if (!otherName_.empty()) last_ = member;
  return ReadResult::Member;
}

std::uint64_t TarHeaderReader::SizeOfEntryWithoutData(std::uint64_t size) {
  // A hard link or a V7 folder has no data, but its size field may say
  // otherwise: some extractors read a header right after it (or search on
  // for one), others skip the size. Both readings are walked:
  // this one reads the header right after it when there is one, else
  // skips; the other one waits its turn.
  if (size == 0) return 0;
  Raise(archives::kDoubtReadersDisagree);
  const std::uint64_t blocks = DataBlocks(size);
  if (blocks < size || offset_ > std::numeric_limits<std::uint64_t>::max() - blocks) return size;  // damage
  const std::uint64_t skipped = offset_ + blocks;
  const std::uint8_t* next = source_->Bytes(offset_, kTarBlock);
  if (next && ClassifyTarBlock(next) == TarBlockKind::Header) {
    AddReading(skipped);
    return 0;
  }
  // The reading that searches on: the first header before the skipped end.
  for (std::uint64_t at = offset_ + kTarBlock; at < skipped; at += kTarBlock) {
    const std::uint8_t* block = source_->Bytes(at, kTarBlock);
    if (!block) break;
    if (ClassifyTarBlock(block) == TarBlockKind::Header) {
      AddReading(at);
      break;
    }
  }
  return size;
}

bool TarHeaderReader::SkipZeroBlocks() {
  for (;;) {
    const std::uint8_t* block = source_->Bytes(offset_, kTarBlock);
    if (!block) {
      // The end of the file, or a last part of a block: zero or not.
      const std::uint64_t size = source_->Size();
      if (offset_ >= size) return true;
      const std::uint8_t* rest = source_->Bytes(offset_, static_cast<std::size_t>(size - offset_));
      if (!rest) return true;
      for (std::uint64_t i = 0; i < size - offset_; ++i)
        if (rest[i] != 0) return false;
      return true;
    }
    for (std::size_t i = 0; i < kTarBlock; ++i)
      if (block[i] != 0) return false;
    offset_ += kTarBlock;
  }
}

std::unique_ptr<MemberReader> OpenTarHeaders(std::unique_ptr<ByteSource> source) {
  if (!source) return nullptr;
  const std::uint8_t* first = source->Bytes(0, kTarBlock);
  if (!first || ClassifyTarBlock(first) == TarBlockKind::NotHeader) return nullptr;
  std::unique_ptr<TarHeaderReader> reader(new TarHeaderReader(std::move(source)));
  // An archive is one whose first member reads whole (or that ends at once);
  // the member is handed out first.
  const ReadResult r = reader->Next(reader->first_);
  // Zero bytes that do not go on to the end begin something else: no tar.
  if (r == ReadResult::Damaged || (r == ReadResult::End && reader->trailingData_)) return nullptr;
  reader->hasFirst_ = r == ReadResult::Member;
  return reader;
}

}  // namespace backends
