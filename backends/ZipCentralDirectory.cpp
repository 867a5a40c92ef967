#include "backends/ZipCentralDirectory.h"

#include <cstring>
#include <set>

#include "archives/StructureDoubt.h"
#include "backends/Formats.h"
#include "backends/LittleEndian.h"
#include "platform/FileTime.h"

namespace backends {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;

constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kMaxComment = 0xFFFF;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDirectoryEncrypted = 0x2000;


bool Fail(std::string* reason, const char* text) {
  if (reason) *reason = text;
  return false;
}

// The ZIP64 end record at offset, when one is there.
bool ReadZip64End(ByteSource& source, std::uint64_t offset, ZipLayout& layout,
                  std::uint64_t& recordOffset) {
  const std::uint8_t* p = source.Bytes(offset, kZip64EndSize);
  if (!p || get32(p) != kZip64EndSignature) return false;
  const std::uint32_t disk = get32(p + 16);
  const std::uint32_t directoryDisk = get32(p + 20);
  const std::uint64_t entriesHere = get64(p + 24);
  const std::uint64_t entries = get64(p + 32);
  if (disk != 0 || directoryDisk != 0 || entriesHere != entries) return false;
  layout.entries = entries;
  layout.directorySize = get64(p + 40);
  layout.directoryStart = get64(p + 48);
  recordOffset = offset;
  return true;
}

const char* ZipMethodText(std::uint16_t method) {
  switch (method) {
    case 0: return "Stored";
    case 1: return "Shrunk";
    case 6: return "Implode";
    case 8: return "Deflate";
    case 9: return "Deflt64";
    case 12: return "BZip2";
    case 14: return "LZMA";
    case 93: return "Zstd";
    case 95: return "XZ";
    case 98: return "PPMd";
    case 99: return "AES";
    default: return "Unknown";
  }
}

// Reads the extra fields of one central record. A field whose stated length
// runs past the block ends the walk; what was read before stays.
// The ZIP64 field's local header offset goes to localOffset when asked for;
// a Unicode path field whose CRC does not match goes to otherName, as some
// extractors honour it all the same.
void ReadExtraFields(const std::uint8_t* p, std::size_t size, const std::uint8_t* rawName,
                     std::size_t rawNameSize, bool sizeNeeded, bool compressedNeeded,
                     std::uint64_t* localOffset, Member& member, std::string& otherName) {
  std::size_t at = 0;
  while (size - at >= 4) {
    const std::uint16_t id = get16(p + at);
    const std::uint16_t length = get16(p + at + 2);
    at += 4;
    if (length > size - at) break;
    const std::uint8_t* field = p + at;
    switch (id) {
      case 0x0001: {  // ZIP64 sizes: present only for the fields marked 0xFFFFFFFF
        std::size_t f = 0;
        if (sizeNeeded && length - f >= 8) {
          member.originalSize = get64(field + f);
          f += 8;
        }
        if (compressedNeeded && length - f >= 8) {
          member.compressedSize = get64(field + f);
          f += 8;
        }
        if (localOffset && length - f >= 8) *localOffset = get64(field + f);
        break;
      }
      case 0x000a: {  // NTFS times: tag 1 holds write, access and creation times
        std::size_t f = 4;
        while (length >= f + 4) {
          const std::uint16_t tag = get16(field + f);
          const std::uint16_t tagLength = get16(field + f + 2);
          f += 4;
          if (tagLength > length - f) break;
          if (tag == 1 && tagLength >= 24) {
            member.writeTime = get64(field + f);
            member.accessTime = get64(field + f + 8);
            member.createTime = get64(field + f + 16);
            member.hasWriteTime = member.writeTime != 0;
            member.hasAccessTime = member.accessTime != 0;
            member.hasCreateTime = member.createTime != 0;
          }
          f += tagLength;
        }
        break;
      }
      case 0x5455:  // extended timestamp: the central copy holds the write time only
        if (length >= 5 && (field[0] & 1) && !member.hasWriteTime) {
          const std::int32_t seconds = static_cast<std::int32_t>(get32(field + 1));
          member.writeTime = UnixToFileTime(seconds);
          member.hasWriteTime = true;
        }
        break;
      case 0x7075:  // Unicode path: UTF-8 name, valid while the CRC of the stored name matches
        if (length > 5 && field[0] == 1) {
          if (get32(field + 1) == Crc32(rawName, rawNameSize)) {
            member.name.assign(reinterpret_cast<const char*>(field + 5), length - 5);
          } else {
            otherName.assign(reinterpret_cast<const char*>(field + 5), length - 5);
          }
        }
        break;
      default:
        break;
    }
    at += length;
  }
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
  static const struct Table {
    std::uint32_t v[256];
    Table() {
      for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        v[i] = c;
      }
    }
  } table;
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table.v[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

namespace {

// An end record at offset whose comment fits in the file and whose
// directory could lie before it: one that some extractor might take.
bool PlausibleEndRecord(ByteSource& source, std::uint64_t offset, std::uint64_t& directoryStart,
                        std::uint64_t& directoryEnd) {
  const std::uint8_t* p = source.Bytes(offset, kEndSize);
  if (!p || get32(p) != kEndSignature || get16(p + 4) != 0 || get16(p + 6) != 0) return false;
  if (offset + kEndSize + get16(p + 20) > source.Size()) return false;
  const std::uint64_t size = get32(p + 12);
  const std::uint64_t start = get32(p + 16);
  if (size > offset || start > offset - size) return false;
  // Where the offset says, or shifted by the bytes before that archive.
  const std::uint64_t shifted = offset - size;
  const std::uint8_t* first = source.Bytes(start, 4);
  directoryStart = first && get32(first) == kCentralSignature ? start : shifted;
  directoryEnd = directoryStart + size;
  return true;
}

}  // namespace

bool LocateZipDirectory(ByteSource& source, ZipLayout& layout, std::string* reason) {
  const std::uint64_t size = source.Size();
  if (size < kEndSize) return Fail(reason, "too short for a ZIP archive");

  // The end record sits in the last 22 + 65535 bytes; search from the back,
  // preferring the record whose comment ends exactly at the end of the file.
  const std::size_t tailLength =
      static_cast<std::size_t>(size < kEndSize + kMaxComment ? size : kEndSize + kMaxComment);
  const std::uint64_t tailStart = size - tailLength;
  const std::uint8_t* tail = source.Bytes(tailStart, tailLength);
  if (!tail) return Fail(reason, "cannot read the end of the file");
  std::uint64_t endOffset = 0;
  bool found = false;
  bool exact = false;
  for (std::size_t i = tailLength - kEndSize + 1; i-- > 0;) {
    if (get32(tail + i) != kEndSignature) continue;
    const std::uint64_t commentEnd = tailStart + i + kEndSize + get16(tail + i + 20);
    if (commentEnd > size) continue;
    if (!found || (!exact && commentEnd == size)) {
      endOffset = tailStart + i;
      found = true;
      exact = commentEnd == size;
      if (exact) break;
    }
  }
  if (!found) return Fail(reason, "no end of central directory record");

  const std::uint8_t* end = source.Bytes(endOffset, kEndSize);
  if (!end) return Fail(reason, "cannot read the end record");
  const std::uint16_t disk = get16(end + 4);
  const std::uint16_t directoryDisk = get16(end + 6);
  const std::uint16_t entriesHere = get16(end + 8);
  const std::uint16_t entries = get16(end + 10);
  const std::uint32_t directorySize = get32(end + 12);
  const std::uint32_t directoryOffset = get32(end + 16);
  const std::uint64_t commentEnd = endOffset + kEndSize + get16(end + 20);

  layout = ZipLayout();
  layout.commentEnd = commentEnd;
  std::uint64_t directoryEnd = endOffset;  // where the central directory must stop
  bool zip64 = false;
  if (endOffset >= kZip64LocatorSize) {
    const std::uint8_t* locator = source.Bytes(endOffset - kZip64LocatorSize, kZip64LocatorSize);
    if (locator && get32(locator) == kZip64LocatorSignature) {
      const std::uint32_t locatorDisk = get32(locator + 4);
      const std::uint64_t recordOffset = get64(locator + 8);
      const std::uint32_t disks = get32(locator + 16);
      if (locatorDisk != 0 || disks > 1) return Fail(reason, "multi-volume archive");
      std::uint64_t at = 0;
      // Where the locator says, or, in an archive with bytes before it,
      // right before the locator.
      if (ReadZip64End(source, recordOffset, layout, at) ||
          (endOffset >= kZip64LocatorSize + kZip64EndSize &&
           ReadZip64End(source, endOffset - kZip64LocatorSize - kZip64EndSize, layout, at))) {
        zip64 = true;
        directoryEnd = at;
      } else {
        return Fail(reason, "damaged ZIP64 end record");
      }
    }
  }
  if (zip64) {
    // The plain record's fields are either marked "see the ZIP64 record" or
    // equal to it; a reader that ignores the ZIP64 record takes them.
    const bool entriesAgree = entries == 0xFFFF || entries == layout.entries;
    const bool sizeAgrees = directorySize == 0xFFFFFFFF || directorySize == layout.directorySize;
    const bool offsetAgrees = directoryOffset == 0xFFFFFFFF || directoryOffset == layout.directoryStart;
    if (!entriesAgree || !sizeAgrees || !offsetAgrees) {
      layout.doubt = archives::kDoubtSecondDirectory;
      if (directorySize != 0xFFFFFFFF && directoryOffset != 0xFFFFFFFF &&
          static_cast<std::uint64_t>(directoryOffset) + directorySize <= endOffset) {
        layout.otherDirectoryStart = directoryOffset;
        layout.otherDirectoryEnd = static_cast<std::uint64_t>(directoryOffset) + directorySize;
      }
    }
  } else {
    if (disk != 0 || directoryDisk != 0 || entriesHere != entries)
      return Fail(reason, "multi-volume archive");
    if (directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF)
      return Fail(reason, "ZIP64 fields without a ZIP64 end record");
    layout.entries = entries;
    layout.directorySize = directorySize;
    layout.directoryStart = directoryOffset;
  }
  layout.zip64 = zip64;
  layout.endRecordsStart = directoryEnd;

  // The directory ends where the end records begin; what the offsets do not
  // account for is a prefix (a self-extractor's stub).
  if (layout.directorySize > directoryEnd || layout.directoryStart > directoryEnd - layout.directorySize)
    return Fail(reason, "central directory outside the file");
  layout.prefixBytes = directoryEnd - layout.directorySize - layout.directoryStart;
  if (layout.prefixBytes > 0 && layout.entries > 0) {
    // A directory size smaller than the records also leaves bytes over: the
    // records are then where the offset says, not shifted.
    const std::uint8_t* shifted = source.Bytes(layout.directoryStart + layout.prefixBytes, 4);
    const std::uint8_t* stated = source.Bytes(layout.directoryStart, 4);
    if ((!shifted || get32(shifted) != kCentralSignature) && stated && get32(stated) == kCentralSignature) {
      layout.prefixBytes = 0;
      layout.doubt = archives::kDoubtBounds;
    }
  }
  layout.directoryStart += layout.prefixBytes;
  if (layout.entries > 0 && layout.directorySize < kCentralSize)
    return Fail(reason, "central directory too small for its entries");

  // Another end record after the directory that an extractor searching
  // differently would take (one in the comment, one between the directory
  // and this one): its directory is judged too. One before the directory
  // is member data (a stored archive) or is found by the local pass.
  if (!(tail = source.Bytes(tailStart, tailLength))) return Fail(reason, "cannot read the end of the file");
  const std::uint64_t afterDirectory = layout.directoryStart + layout.directorySize;
  for (std::size_t i = 0; i + kEndSize <= tailLength; ++i) {
    if (tail[i] != 'P' || tailStart + i == endOffset || tailStart + i < afterDirectory ||
        get32(tail + i) != kEndSignature)
      continue;
    std::uint64_t otherStart = 0, otherEnd = 0;
    if (PlausibleEndRecord(source, tailStart + i, otherStart, otherEnd)) {
      layout.doubt = archives::kDoubtSecondDirectory;
      layout.otherDirectoryStart = otherStart;
      layout.otherDirectoryEnd = otherEnd;
      break;
    }
    if (!(tail = source.Bytes(tailStart, tailLength))) return Fail(reason, "cannot read the end of the file");
  }

  return true;
}

ZipDirectoryReader::ZipDirectoryReader(std::unique_ptr<ByteSource> source, std::unique_ptr<ByteSource> localSource,
                                       const ZipLayout& layout)
    : source_(std::move(source)),
      layout_(layout),
      local_(std::move(localSource), layout_),
      position_(layout.directoryStart) {}

bool ZipDirectoryReader::HandOutName(Member& member) {
  if (nextName_ >= names_.size()) {
    names_.clear();
    nextName_ = 0;
    return false;
  }
  member = namesOf_;
  member.name = names_[nextName_++];
  return true;
}

int ZipDirectoryReader::Doubt() const { return doubt_ != 0 ? doubt_ : local_.Doubt(); }

ReadResult ZipDirectoryReader::EndOfDirectory() {
  finished_ = true;
  // Fewer records than the end record counts, or more: the 16-bit count of
  // a plain archive may only have wrapped around.
  // (or been capped at 0xFFFF).
  const bool countsAgree = layout_.zip64 || read_ <= 0xFFFF
                               ? read_ == layout_.entries
                               : (read_ & 0xFFFF) == layout_.entries || layout_.entries == 0xFFFF;
  if (!countsAgree) doubt_ = archives::kDoubtCounts;
  // What the directory's bounds hold after the last record: nothing, or a
  // digital signature record.
  const std::uint64_t directoryEnd = layout_.directoryStart + layout_.directorySize;
  if (position_ < directoryEnd && doubt_ == 0) {
    const std::uint8_t* p = directoryEnd - position_ >= 4 ? source_->Bytes(position_, 4) : nullptr;
    if (!p || get32(p) != 0x05054b50) doubt_ = archives::kDoubtBounds;
  }
  // The entries found between and around the others, as members without
  // anything but their names.
  namesOf_.Clear();
  local_.Finish(names_);
  // One name once: the same entry is often found by more than one road.
  std::set<std::string> seen;
  std::size_t kept = 0;
  for (std::string& name : names_) {
    if (seen.insert(name).second) names_[kept++].swap(name);
  }
  names_.resize(kept);
  nextName_ = 0;
  return ReadResult::End;
}

ReadResult ZipDirectoryReader::Next(Member& member) {
  if (HandOutName(member)) return ReadResult::Member;
  if (finished_) return ReadResult::End;
  const std::uint64_t directoryEnd = layout_.directoryStart + layout_.directorySize;
  const std::uint64_t left = directoryEnd - position_;
  const std::uint8_t* p = left >= 4 ? source_->Bytes(position_, 4) : nullptr;
  if (!p || get32(p) != kCentralSignature) {
    // Past the last record.
    EndOfDirectory();
    return HandOutName(member) ? ReadResult::Member : ReadResult::End;
  }
  if (left < kCentralSize || !(p = source_->Bytes(position_, kCentralSize))) {
    finished_ = true;
    return ReadResult::Damaged;
  }
  const std::uint16_t versionMadeBy = get16(p + 4);
  const std::uint16_t flags = get16(p + 8);
  const std::uint16_t method = get16(p + 10);
  const std::uint16_t dosTime = get16(p + 12);
  const std::uint16_t dosDate = get16(p + 14);
  const std::uint32_t crc = get32(p + 16);
  const std::uint32_t compressed = get32(p + 20);
  const std::uint32_t original = get32(p + 24);
  const std::size_t nameLength = get16(p + 28);
  const std::size_t extraLength = get16(p + 30);
  const std::size_t commentLength = get16(p + 32);
  const std::uint32_t externalAttributes = get32(p + 38);
  std::uint64_t localOffset = get32(p + 42);
  const std::size_t recordSize = kCentralSize + nameLength + extraLength + commentLength;
  if (recordSize > left || (flags & kFlagDirectoryEncrypted)) {
    finished_ = true;
    return ReadResult::Damaged;
  }
  p = source_->Bytes(position_, recordSize);
  if (!p) {
    finished_ = true;
    return ReadResult::Damaged;
  }

  member.Clear();
  const std::uint8_t* name = p + kCentralSize;
  member.name.assign(reinterpret_cast<const char*>(name), nameLength);
  member.crc = crc;
  member.originalSize = original;
  member.compressedSize = compressed;
  member.hasOriginalSize = member.hasCompressedSize = true;
  member.encrypted = (flags & kFlagEncrypted) != 0;
  member.dosDate = dosDate;
  member.dosTime = dosTime;
  member.hasDosDateTime = true;
  member.SetMethod(ZipMethodText(method));

  std::string otherUnicodeName;
  ReadExtraFields(name + nameLength, extraLength, name, nameLength, original == 0xFFFFFFFF,
                  compressed == 0xFFFFFFFF, localOffset == 0xFFFFFFFF ? &localOffset : nullptr, member,
                  otherUnicodeName);
  if (!member.hasWriteTime) {
    std::uint64_t t = 0;
    if (platform::DosDateTimeToUtcFileTime(dosDate, dosTime, t)) {
      member.writeTime = t;
      member.hasWriteTime = true;
    }
  }

  const unsigned host = versionMadeBy >> 8;
  if (host == 3 || host == 19) {  // Unix, OS X: a mode in the high half
    const std::uint32_t mode = externalAttributes >> 16;
    if ((mode & 0170000) == 0040000) member.attributes |= kAttrDirectory;
    if (mode != 0 && !(mode & 0200)) member.attributes |= kAttrReadOnly;
    member.attributes |= externalAttributes & (kAttrDirectory | kAttrHidden | kAttrSystem);
  } else {
    member.attributes = externalAttributes & 0x3F;
  }
  // Only "/" ends a folder's name: 0x5C can be the second byte of a
  // Shift_JIS character.
  if (nameLength > 0 && name[nameLength - 1] == '/')
    member.attributes |= kAttrDirectory;
  member.isDirectory = (member.attributes & kAttrDirectory) != 0;

  // The other names extractors could give this member: the stored name when
  // a Unicode path replaced it, a Unicode path that did not, the local one.
  if (member.name.size() != nameLength || std::memcmp(member.name.data(), name, nameLength) != 0)
    names_.emplace_back(reinterpret_cast<const char*>(name), nameLength);
  if (!otherUnicodeName.empty()) names_.push_back(otherUnicodeName);
  ZipCentralEntry entry;
  entry.localOffset = localOffset;
  entry.compressedSize = member.compressedSize;
  entry.flags = flags;
  entry.name = name;
  entry.nameLength = nameLength;
  local_.Check(entry, names_);
  if (!names_.empty()) {
    // Each other name once, and never the member's own again.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < names_.size(); ++i) {
      bool repeated = names_[i] == member.name;
      for (std::size_t k = 0; k < kept && !repeated; ++k) repeated = names_[k] == names_[i];
      if (!repeated) names_[kept++].swap(names_[i]);
    }
    names_.resize(kept);
    namesOf_ = member;
    nextName_ = 0;
  }

  position_ += recordSize;
  ++read_;
  return ReadResult::Member;
}

namespace {
std::unique_ptr<MemberReader> OpenZip(const std::string& path) { return OpenZipDirectory(FileSource::Open(path)); }
}  // namespace

const Format kZipFormat = {Family::Zip, OpenZip, nullptr};

std::unique_ptr<MemberReader> OpenZipDirectory(std::unique_ptr<ByteSource> source,
                                               std::string* reason) {
  if (!source) {
    if (reason) *reason = "cannot open the file";
    return nullptr;
  }
  ZipLayout layout;
  if (!LocateZipDirectory(*source, layout, reason)) return nullptr;
  std::unique_ptr<ByteSource> localSource = source->Reopen();
  if (!localSource) {
    if (reason) *reason = "cannot read the file twice";
    return nullptr;
  }
  return std::unique_ptr<MemberReader>(new ZipDirectoryReader(std::move(source), std::move(localSource), layout));
}

}  // namespace backends
