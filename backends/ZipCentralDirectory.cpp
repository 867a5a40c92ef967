#include "backends/ZipCentralDirectory.h"

#include <cstring>
#include <set>

#include "archives/StructureDoubt.h"
#include "backends/Formats.h"
#include "backends/ZipRecords.h"
#include "platform/FileTime.h"

namespace backends {
namespace {

bool Fail(std::string* reason, const char* text) {
  if (reason) *reason = text;
  return false;
}

// The ZIP64 end record at offset, when one is there:
//    0 signature            4 size of the rest      12 versions
//   16 disk                20 directory's disk      24 entries on this disk
//   32 entries             40 directory size        48 directory offset
bool ReadZip64End(ByteSource& source, std::uint64_t offset, ZipLayout& layout, std::uint64_t& recordOffset) {
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
void ReadExtraFields(const ZipCentralRecord& record, std::uint64_t* localOffset, Member& member,
                     std::string& otherName) {
  ZipExtraFields fields(record.extra, record.extraLength);
  ZipExtraField field;
  while (fields.Next(field)) {
    const std::uint8_t* data = field.data;
    switch (field.id) {
      case kZipExtraZip64: {  // present only for the fields marked in the record
        std::size_t f = 0;
        if (record.originalSize == kZip64Marker32 && field.length - f >= 8) {
          member.originalSize = get64(data + f);
          f += 8;
        }
        if (record.compressedSize == kZip64Marker32 && field.length - f >= 8) {
          member.compressedSize = get64(data + f);
          f += 8;
        }
        if (localOffset && field.length - f >= 8) *localOffset = get64(data + f);
        break;
      }
      case kZipExtraNtfs: {  // after 4 reserved bytes, tagged attributes; tag 1: the three times
        if (field.length < 4) break;
        ZipExtraFields attributes(data + 4, field.length - 4);
        ZipExtraField tag;
        while (attributes.Next(tag)) {
          if (tag.id == 1 && tag.length >= 24) {
            member.writeTime = get64(tag.data);
            member.accessTime = get64(tag.data + 8);
            member.createTime = get64(tag.data + 16);
            member.hasWriteTime = member.writeTime != 0;
            member.hasAccessTime = member.accessTime != 0;
            member.hasCreateTime = member.createTime != 0;
          }
        }
        break;
      }
      case kZipExtraTimestamp:  // the central copy holds the write time only
        if (field.length >= 5 && (data[0] & 1) && !member.hasWriteTime) {
          const std::int32_t seconds = static_cast<std::int32_t>(get32(data + 1));
          member.writeTime = UnixToFileTime(seconds);
          member.hasWriteTime = true;
        }
        break;
      case kZipExtraUnicodePath: {  // valid while the CRC of the stored name matches
        std::uint32_t storedNameCrc = 0;
        std::string name;
        if (ReadUnicodePath(field, storedNameCrc, name)) {
          if (storedNameCrc == Crc32(record.name, record.nameLength)) {
            member.name.swap(name);
          } else {
            otherName.swap(name);
          }
        }
        break;
      }
      default: break;
    }
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
  const std::uint8_t* p = source.Bytes(offset, kZipEndSize);
  if (!p || get32(p) != kZipEndSignature || get16(p + 4) != 0 || get16(p + 6) != 0) return false;
  if (offset + kZipEndSize + get16(p + 20) > source.Size()) return false;
  const std::uint64_t size = get32(p + 12);
  const std::uint64_t start = get32(p + 16);
  if (size > offset || start > offset - size) return false;
  // Where the offset says, or shifted by the bytes before that archive.
  const std::uint64_t shifted = offset - size;
  const std::uint8_t* first = source.Bytes(start, 4);
  directoryStart = first && get32(first) == kZipCentralSignature ? start : shifted;
  directoryEnd = directoryStart + size;
  return true;
}

}  // namespace

bool LocateZipDirectory(ByteSource& source, ZipLayout& layout, std::string* reason) {
  const std::uint64_t size = source.Size();
  if (size < kZipEndSize) return Fail(reason, "too short for a ZIP archive");

  // The end record sits in the last 22 + 65535 bytes; search from the back,
  // preferring the record whose comment ends exactly at the end of the file.
  const std::size_t tailLength =
      static_cast<std::size_t>(size < kZipEndSize + kZipMaxComment ? size : kZipEndSize + kZipMaxComment);
  const std::uint64_t tailStart = size - tailLength;
  const std::uint8_t* tail = source.Bytes(tailStart, tailLength);
  if (!tail) return Fail(reason, "cannot read the end of the file");
  std::uint64_t endOffset = 0;
  bool found = false;
  bool exact = false;
  for (std::size_t i = tailLength - kZipEndSize + 1; i-- > 0;) {
    if (get32(tail + i) != kZipEndSignature) continue;
    const std::uint64_t commentEnd = tailStart + i + kZipEndSize + get16(tail + i + 20);
    if (commentEnd > size) continue;
    if (!found || (!exact && commentEnd == size)) {
      endOffset = tailStart + i;
      found = true;
      exact = commentEnd == size;
      if (exact) break;
    }
  }
  if (!found) return Fail(reason, "no end of central directory record");

  // The end record:
  //    0 signature     4 disk           6 directory's disk   8 entries on this disk
  //   10 entries      12 directory size 16 directory offset  20 comment length
  const std::uint8_t* end = source.Bytes(endOffset, kZipEndSize);
  if (!end) return Fail(reason, "cannot read the end record");
  const std::uint16_t disk = get16(end + 4);
  const std::uint16_t directoryDisk = get16(end + 6);
  const std::uint16_t entriesHere = get16(end + 8);
  const std::uint16_t entries = get16(end + 10);
  const std::uint32_t directorySize = get32(end + 12);
  const std::uint32_t directoryOffset = get32(end + 16);
  const std::uint64_t commentEnd = endOffset + kZipEndSize + get16(end + 20);

  layout = ZipLayout();
  layout.commentEnd = commentEnd;
  std::uint64_t directoryEnd = endOffset;  // where the central directory must stop
  bool zip64 = false;
  if (endOffset >= kZip64LocatorSize) {
    const std::uint8_t* locator = source.Bytes(endOffset - kZip64LocatorSize, kZip64LocatorSize);
    // The ZIP64 locator, right before the end record:
    //    0 signature   4 disk of the ZIP64 end record   8 its offset   16 disks
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
    const bool entriesAgree = entries == kZip64Marker16 || entries == layout.entries;
    const bool sizeAgrees = directorySize == kZip64Marker32 || directorySize == layout.directorySize;
    const bool offsetAgrees = directoryOffset == kZip64Marker32 || directoryOffset == layout.directoryStart;
    if (!entriesAgree || !sizeAgrees || !offsetAgrees) {
      layout.doubt = archives::kDoubtSecondDirectory;
      if (directorySize != kZip64Marker32 && directoryOffset != kZip64Marker32 &&
          static_cast<std::uint64_t>(directoryOffset) + directorySize <= endOffset) {
        layout.otherDirectoryStart = directoryOffset;
        layout.otherDirectoryEnd = static_cast<std::uint64_t>(directoryOffset) + directorySize;
      }
    }
  } else {
    if (disk != 0 || directoryDisk != 0 || entriesHere != entries) return Fail(reason, "multi-volume archive");
    if (directorySize == kZip64Marker32 || directoryOffset == kZip64Marker32)
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
    if ((!shifted || get32(shifted) != kZipCentralSignature) && stated && get32(stated) == kZipCentralSignature) {
      layout.prefixBytes = 0;
      layout.doubt = archives::kDoubtBounds;
    }
  }
  layout.directoryStart += layout.prefixBytes;
  if (layout.entries > 0 && layout.directorySize < kZipCentralSize)
    return Fail(reason, "central directory too small for its entries");

  // Another end record after the directory that an extractor searching
  // differently would take (one in the comment, one between the directory
  // and this one): its directory is judged too. One before the directory
  // is member data (a stored archive) or is found by the local pass.
  if (!(tail = source.Bytes(tailStart, tailLength))) return Fail(reason, "cannot read the end of the file");
  const std::uint64_t afterDirectory = layout.directoryStart + layout.directorySize;
  for (std::size_t i = 0; i + kZipEndSize <= tailLength; ++i) {
    if (tail[i] != 'P' || tailStart + i == endOffset || tailStart + i < afterDirectory ||
        get32(tail + i) != kZipEndSignature)
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
  // a plain archive may only have wrapped around (or been capped at 0xFFFF).
  const bool countsAgree = layout_.zip64 || read_ <= 0xFFFF
                               ? read_ == layout_.entries
                               : (read_ & 0xFFFF) == layout_.entries || layout_.entries == 0xFFFF;
  if (!countsAgree) doubt_ = archives::kDoubtCounts;
  // What the directory's bounds hold after the last record: nothing, or a
  // digital signature record.
  const std::uint64_t directoryEnd = layout_.directoryStart + layout_.directorySize;
  if (position_ < directoryEnd && doubt_ == 0) {
    const std::uint8_t* p = directoryEnd - position_ >= 4 ? source_->Bytes(position_, 4) : nullptr;
    if (!p || get32(p) != kZipDigitalSignature) doubt_ = archives::kDoubtBounds;
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
  ZipCentralRecord record;
  const ZipRecordAt found = ReadCentralRecord(*source_, position_, directoryEnd, record);
  if (found == ZipRecordAt::kNone) {
    // Past the last record.
    EndOfDirectory();
    return HandOutName(member) ? ReadResult::Member : ReadResult::End;
  }
  if (found == ZipRecordAt::kCut || (record.flags & kZipFlagDirectoryEncrypted)) {
    finished_ = true;
    return ReadResult::Damaged;
  }

  member.Clear();
  member.name.assign(reinterpret_cast<const char*>(record.name), record.nameLength);
  member.crc = record.crc;
  member.originalSize = record.originalSize;
  member.compressedSize = record.compressedSize;
  member.hasOriginalSize = member.hasCompressedSize = true;
  member.encrypted = (record.flags & kZipFlagEncrypted) != 0;
  member.dosDate = record.dosDate;
  member.dosTime = record.dosTime;
  member.hasDosDateTime = true;
  member.SetMethod(ZipMethodText(record.method));

  std::uint64_t localOffset = record.localOffset;
  std::string otherUnicodeName;
  ReadExtraFields(record, localOffset == kZip64Marker32 ? &localOffset : nullptr, member, otherUnicodeName);
  if (!member.hasWriteTime) {
    std::uint64_t t = 0;
    if (platform::DosDateTimeToUtcFileTime(record.dosDate, record.dosTime, t)) {
      member.writeTime = t;
      member.hasWriteTime = true;
    }
  }

  const unsigned host = record.versionMadeBy >> 8;
  if (host == kZipHostUnix || host == kZipHostOsx) {  // a mode in the high half
    const std::uint32_t mode = record.externalAttributes >> 16;
    if ((mode & 0170000) == 0040000) member.attributes |= kAttrDirectory;
    if (mode != 0 && !(mode & 0200)) member.attributes |= kAttrReadOnly;
    member.attributes |= record.externalAttributes & (kAttrDirectory | kAttrHidden | kAttrSystem);
  } else {
    member.attributes = record.externalAttributes & 0x3F;
  }
  // Only "/" ends a folder's name: 0x5C can be the second byte of a
  // Shift_JIS character.
  if (record.nameLength > 0 && record.name[record.nameLength - 1] == '/') member.attributes |= kAttrDirectory;
  member.isDirectory = (member.attributes & kAttrDirectory) != 0;

  // The other names extractors could give this member: the stored name when
  // a Unicode path replaced it, a Unicode path that did not, the local one.
  if (member.name.size() != record.nameLength || std::memcmp(member.name.data(), record.name, record.nameLength) != 0)
    names_.emplace_back(reinterpret_cast<const char*>(record.name), record.nameLength);
  if (!otherUnicodeName.empty()) names_.push_back(otherUnicodeName);
  ZipCentralEntry entry;
  entry.localOffset = localOffset;
  entry.compressedSize = member.compressedSize;
  entry.flags = record.flags;
  entry.name = record.name;
  entry.nameLength = record.nameLength;
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

  position_ += record.size;
  ++read_;
  return ReadResult::Member;
}

namespace {
std::unique_ptr<MemberReader> OpenZip(const std::string& path) { return OpenZipDirectory(FileSource::Open(path)); }
}  // namespace

const Format kZipFormat = {Family::Zip, OpenZip, nullptr};

std::unique_ptr<MemberReader> OpenZipDirectory(std::unique_ptr<ByteSource> source, std::string* reason) {
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
